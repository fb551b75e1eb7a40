// tarsen-batch materials: reads a materials properties file and prints its table, as text or as
// one JSON object, optionally with the conductivity and resistivity at one temperature.
#include "batchcommand.h"
#include "batchjson.h"
#include "common/colour.h"
#include "common/textnum.h"
#include "materials/clsmaterialproperties.h"
#include "materials/readmaterials.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

namespace tarsen::batch {

namespace {

/// Keeps every message of the read in order, for stderr and the JSON output.
struct CollectingFrontEnd final : FrontEnd {
    std::vector<std::string> m_messages;
    void ShowMessage(std::string_view text) override { m_messages.emplace_back(text); }
    void ShowMessages(const std::vector<std::string>& texts) override
    {
        m_messages.insert(m_messages.end(), texts.begin(), texts.end());
    }
};

nlohmann::ordered_json MaterialJson(const clsMaterialProperties& table, int i,
                                    std::optional<double> at)
{
    nlohmann::ordered_json m;
    m["index"] = i;
    m["name"] = table.MaterialNames(i);
    m["reference"] = table.MaterialName(i);
    m["color"] = table.Colors(i);
    m["has_thermal"] = table.HasThermal(i);
    m["has_electrical"] = table.HasElectrical(i);
    m["C0"] = JsonSingle(table.C0(i));
    m["C1"] = JsonSingle(table.C1(i));
    m["C2"] = JsonSingle(table.C2(i));
    m["C3"] = JsonSingle(table.C3(i));
    m["C4"] = JsonSingle(table.C4(i));
    m["C5"] = JsonSingle(table.C5(i));
    m["CMinus1"] = JsonSingle(table.CMinus1(i));
    m["R0"] = JsonSingle(table.R0(i));
    m["R1"] = JsonSingle(table.r1(i));
    m["R2"] = JsonSingle(table.r2(i));
    m["R3"] = JsonSingle(table.r3(i));
    m["R4"] = JsonSingle(table.r4(i));
    m["R_Preexp"] = JsonSingle(table.R_Preexp(i));
    m["R_Exp"] = JsonSingle(table.R_Exp(i));
    m["tmin"] = JsonSingle(table.tmin(i));
    m["tmax"] = JsonSingle(table.tmax(i));
    m["density"] = JsonSingle(table.density(i));
    m["porosity"] = JsonSingle(table.porosity(i));
    if (at) {
        m["k"] = JsonSingle(table.Conductivity(i, *at));
        m["resistivity"] = JsonDouble(table.Resistivity(i, static_cast<float>(*at)));
    }
    return m;
}

void PrintText(const clsMaterialProperties& table, const std::string& path,
               std::optional<double> at)
{
    std::cout << path << ": " << table.NumberOfMaterials() << " materials\n";
    for (int i = -1; i < table.NumberOfMaterials(); ++i) {
        const std::int32_t c = table.Colors(i);
        char colour[8];
        std::snprintf(colour, sizeof colour, "%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
        std::cout << (i < 0 ? "" : " ") << i << "  " << table.MaterialNames(i) << "  colour "
                  << colour << "  thermal " << (table.HasThermal(i) ? "yes" : "no")
                  << "  electrical " << (table.HasElectrical(i) ? "yes" : "no") << "  T "
                  << ShortestSingle(table.tmin(i)) << " ... " << ShortestSingle(table.tmax(i));
        if (at)
            std::cout << "  k " << ShortestSingle(table.Conductivity(i, *at)) << " W/m/K"
                      << "  rho " << ShortestDouble(table.Resistivity(i, float(*at))) << " ohm mm";
        std::cout << "\n";
        if (!table.MaterialName(i).empty())
            std::cout << "      " << table.MaterialName(i) << "\n";
    }
}

struct MaterialsOptions {
    std::optional<std::string> path;
    std::optional<double> at;
    bool json = false;
};

int RunMaterials(const MaterialsOptions& o)
{
    const std::optional<std::string>& path = o.path;
    const std::optional<double>& at = o.at;
    const bool json = o.json;

    CollectingFrontEnd front;
    clsMaterialProperties table(&front);
    const MaterialsReadLog log = ReadMaterialsFile(table, *path);
    // Every warning of the read, not only those the window's one box would show.
    for (const auto& w : log.warnings)
        front.ShowMessage(w);
    if (log.warningCount > log.warnings.size())
        front.ShowMessage("and " + std::to_string(log.warningCount - log.warnings.size()) +
                          " more");
    for (const auto& m : front.m_messages) {
        if (log.status != MaterialsReadLog::Status::Read && m == log.error)
            std::cerr << "Error while reading \"" << *path << "\": " << m << "\n";
        else
            std::cerr << m << "\n";
    }

    if (json) {
        nlohmann::ordered_json out;
        out["schema"] = kMaterialsSchema;
        out["file"] = *path;
        out["count"] = table.NumberOfMaterials();
        out["messages"] = front.m_messages;
        out["materials"] = nlohmann::ordered_json::array();
        for (int i = -1; i < table.NumberOfMaterials(); ++i)
            out["materials"].push_back(MaterialJson(table, i, at));
        // Names and references are UTF-8; anything else would be replaced, never thrown.
        std::cout << out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                  << "\n";
    } else {
        PrintText(table, *path, at);
    }
    return log.status == MaterialsReadLog::Status::Read ? kExitOk : kExitRefused;
}

CommandAction SetupMaterials(CLI::App& app)
{
    auto o = std::make_shared<MaterialsOptions>();
    auto at = std::make_shared<std::string>();
    app.add_option("FILE.prp", o->path, "the materials file")->required()->type_name("");
    app.add_option("--at", *at, "add the conductivity (W/m/K) and resistivity (ohm mm) at T deg C")
        ->type_name("T")
        ->check(Number());
    app.add_flag("--json", o->json, "print one JSON object instead of text");
    return [o, at] {
        if (!at->empty())
            o->at = ParseNumber(*at);
        return RunMaterials(*o);
    };
}

const RegisterCommand kRegisterMaterials{
    {"materials", "reads a materials file and prints its table", SetupMaterials}};

} // namespace

} // namespace tarsen::batch
