// tarsen-batch check: reads an assembly file with its materials file and prints what was read,
// as text or as one JSON object: the settings under their file keys, the thermocouples and the
// 31 parts with their materials, volumes and electrical resistances at the boundary temperature.
#include "batchcommand.h"
#include "batchjson.h"
#include "common/textnum.h"
#include "materials/clsmaterialproperties.h"
#include "model/assemblyfile.h"
#include "model/clstarsen.h"
#include "simulation/mainlogic.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

namespace tarsen::batch {

namespace {

/// Every message of the read in order, for stderr and the JSON output.
struct CheckFrontEnd final : FrontEnd {
    std::vector<std::string> m_messages;
    void ShowMessage(std::string_view text) override { m_messages.emplace_back(text); }
    void ShowMessages(const std::vector<std::string>& texts) override
    {
        m_messages.insert(m_messages.end(), texts.begin(), texts.end());
    }
};

Json SettingsJson(const AssemblySettings& s, NonFinite nf = NonFinite::Null)
{
    Json j;
    j["rmax"] = JsonSingle(s.rmax, nf);
    j["nr"] = s.nr;
    j["nz"] = s.nz;
    j["AspectRatio"] = JsonSingle(s.AspectRatio, nf);
    j["tbc"] = JsonSingle(s.tbc, nf);
    j["ElectricCurrent"] = JsonSingle(s.ElectricCurrent, nf);
    for (int side = 1; side <= 4; ++side)
        j["ibcs(" + std::to_string(side) + ")"] = s.ibcs[static_cast<std::size_t>(side)];
    j["IncludePress"] = s.IncludePress;
    j["FluxMatch"] = s.FluxMatch;
    j["BoundaryT"] = s.BoundaryT;
    j["niters"] = s.niters;
    j["ntits"] = s.ntits;
    j["w"] = JsonSingle(s.w, nf);
    j["ninner"] = s.ninner;
    j["ncycles"] = s.ncycles;
    j["DesiredResidual"] = JsonSingle(s.DesiredResidual, nf);
    j["GoToT"] = JsonSingle(s.GoToT, nf);
    j["TError"] = JsonSingle(s.TError, nf);
    j["MaterialFile"] = s.MaterialFile;
    return j;
}

/// The part's resistance at the boundary temperature, when it has one.
std::optional<double> ResistanceAt(const clsAssemblyPart& p, const clsMaterialProperties& m,
                                   float t)
{
    return p.ElectricalResistance(static_cast<float>(m.Resistivity(p.MaterialIndex, t)));
}

Json PartJson(const clsAssemblyPart& p, int i, const clsMaterialProperties& m, float tbc)
{
    Json j;
    j["index"] = i;
    j["name"] = p.Name;
    j["include"] = p.Include;
    j["material_index"] = p.MaterialIndex;
    j["material"] = m.MaterialNames(p.MaterialIndex);
    j["heating_type"] = p.HeatingType;
    j["inner_radius"] = JsonSingle(p.InnerRadius());
    j["outer_radius"] = JsonSingle(p.OuterRadius());
    j["min_height"] = JsonSingle(p.MinHeight());
    j["max_height"] = JsonSingle(p.MaxHeight());
    j["taper_angle"] = JsonSingle(p.TaperAngle());
    j["flare_angle"] = JsonSingle(p.FlareAngle());
    j["volume"] = JsonSingle(p.Volume());
    if (auto r = ResistanceAt(p, m, tbc))
        j["resistance"] = JsonDouble(*r);
    else
        j["resistance"] = nullptr;
    return j;
}

void PrintText(const std::string& path, const clsTarsen& t, const clsMaterialProperties& m,
               const AssemblySettings& s)
{
    std::cout << path << "\n";
    std::cout << "materials: " << s.MaterialFileFullName << " (" << m.NumberOfMaterials()
              << " materials)\n";
    std::cout << "settings:";
    const Json settings = SettingsJson(s);
    const Json words = SettingsJson(s, NonFinite::Text);
    for (const auto& [key, value] : settings.items())
        std::cout << " " << key << "="
                  << (value.is_null() ? words[key].get<std::string>() : JsonText(value));
    std::cout << "\n";
    for (int i = 0; i < 3; ++i)
        std::cout << "thermocouple " << i << ": r " << ShortestSingle(t.ThermocouplePosition(i, 0))
                  << ", z " << ShortestSingle(t.ThermocouplePosition(i, 1)) << " mm\n";
    for (int i = 0; i < kMaxParts; ++i) {
        const clsAssemblyPart& p = t.CellPart(i);
        if (!p.Include)
            continue;
        std::cout << "part " << i << " \"" << p.Name << "\": " << m.MaterialNames(p.MaterialIndex)
                  << " (" << p.MaterialIndex << "), heating " << p.HeatingType << ", r "
                  << ShortestSingle(p.InnerRadius()) << " .. " << ShortestSingle(p.OuterRadius())
                  << ", z " << ShortestSingle(p.MinHeight()) << " .. "
                  << ShortestSingle(p.MaxHeight()) << " mm";
        if (p.TaperAngle() != 90.0f || p.FlareAngle() != 90.0f)
            std::cout << ", taper " << ShortestSingle(p.TaperAngle()) << ", flare "
                      << ShortestSingle(p.FlareAngle());
        std::cout << ", volume " << ShortestSingle(p.Volume()) << " mm^3";
        if (p.HeatingType != kNonHeating) {
            const auto r = ResistanceAt(p, m, s.tbc);
            std::cout << ", resistance " << (r ? ShortestDouble(*r) + " ohm" : "none");
        }
        std::cout << "\n";
    }
}

struct CheckOptions {
    std::string path;
    std::string materialsFile;
    bool json = false;
};

int RunCheck(const CheckOptions& o)
{
    const std::string& path = o.path;
    const std::string& materialsFile = o.materialsFile;
    const bool json = o.json;

    // Reading a path that does not exist would give the default assembly; here it is an error.
    const std::optional<std::string> found = FindExistingFile(path);
    if (!found) {
        std::cerr << "Error while reading \"" << path << "\": no such file\n";
        return kExitRefused;
    }

    CheckFrontEnd front;
    clsTarsen tarsen;
    clsMaterialProperties materials(&front);
    AssemblySettings settings;
    ReadTarsenOptions options;
    options.materialsOverride = materialsFile;
    const ReadTarsenResult r = ReadTarsen(tarsen, materials, settings, front, *found, options);
    for (const auto& m : front.m_messages)
        std::cerr << m << "\n";
    if (!r.Applied())
        return kExitRefused;

    // Readiness as the window would show it after Initialize, on a model read the window's way.
    NullFrontEnd quiet;
    MainLogic model(quiet);
    model.Form_Load(settings.DataFolder, *found, materialsFile);
    model.Initialize();

    if (!json) {
        PrintText(*found, tarsen, materials, settings);
        std::cout << "status: " << model.StatusText << "\n"
                  << "runnable: " << (model.grid.Runnable ? "yes" : "no") << "\n";
        return kExitOk;
    }
    Json out;
    out["schema"] = kCheckSchema;
    out["file"] = *found;
    out["materials_file"] = settings.MaterialFileFullName;
    out["materials_count"] = materials.NumberOfMaterials();
    out["messages"] = front.m_messages;
    out["settings"] = SettingsJson(settings);
    Json tcs = Json::array();
    for (int i = 0; i < 3; ++i)
        tcs.push_back(Json{{"r", JsonSingle(tarsen.ThermocouplePosition(i, 0))},
                           {"z", JsonSingle(tarsen.ThermocouplePosition(i, 1))}});
    out["thermocouples"] = std::move(tcs);
    Json parts = Json::array();
    for (int i = 0; i < kMaxParts; ++i)
        parts.push_back(PartJson(tarsen.CellPart(i), i, materials, settings.tbc));
    out["parts"] = std::move(parts);
    out["status"] = model.StatusText;
    out["runnable"] = model.grid.Runnable;
    std::cout << out.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    return kExitOk;
}

CommandAction SetupCheck(CLI::App& app)
{
    auto o = std::make_shared<CheckOptions>();
    app.add_option("FILE.tsn", o->path, "the assembly file")->required()->type_name("");
    app.add_option("--materials", o->materialsFile,
                   "read this materials file instead of the one the assembly names")
        ->type_name("FILE.prp");
    app.add_flag("--json", o->json, "print one JSON object instead of text");
    return [o] { return RunCheck(*o); };
}

const RegisterCommand kRegisterCheck{
    {"check", "reads an assembly file and its materials file (or the one given) and prints them",
     SetupCheck}};

} // namespace

} // namespace tarsen::batch
