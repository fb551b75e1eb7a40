#include "model/assemblyfile.h"

#include "common/numeric.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"
#include "model/installedfiles.h"
#include "model/propertybag.h"
#include "model/replacefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tarsen {

namespace {

// Writing defaults that differ from the reading defaults.
constexpr std::int16_t kNzWriteDefault = 512;
constexpr std::int16_t kMaterialIndexWriteDefault = -1;

// Limits of the settings that shape the grid; a file value outside them is replaced.
constexpr std::int16_t kMinNr = 4;
constexpr std::int16_t kMaxNr = 512;
constexpr float kMinAspectRatio = 0.25f;
constexpr float kMaxAspectRatio = 4.0f;

std::string ThermocoupleKey(int i, int j)
{
    return "Tarsen.ThermocouplePosition(" + std::to_string(i) + "," + std::to_string(j) + ")";
}

std::string IbcsKey(int side) { return "ibcs(" + std::to_string(side) + ")"; }

std::string CustomColorKey(int i) { return "CustomColors(" + std::to_string(i) + ")"; }

std::string LowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

/// Everything an assembly file carries, taken from the bag before anything in memory changes.
struct ParsedAssembly {
    std::array<clsAssemblyPart, kMaxParts> parts;
    std::array<std::array<float, 2>, 3> thermocouples{};
    AssemblySettings settings;
    std::array<std::optional<std::int32_t>, kMaxParts> customColors;
    std::vector<std::string> replacedKeys;
    std::vector<IbcsReplacement> replacedIbcs;
    std::string error; // a value that does not fit its destination
};

/// Reads the bag in the order of the file's reading steps. Conversion problems end up in
/// bag.Error(); the result is then not to be used.
void ParseBag(PropertyBag& bag, ParsedAssembly& out)
{
    for (int i = 0; i < kMaxParts; ++i) {
        clsAssemblyPart& p = out.parts[static_cast<std::size_t>(i)];
        p.TaperAngle(bag.ReadSingle(PartKey(i, ".TaperAngle"), 90.0f));
        p.FlareAngle(bag.ReadSingle(PartKey(i, ".FlareAngle"), 90.0f));
        p.Include = bag.ReadBoolean(PartKey(i, ".Include"), false);
        p.InnerRadius(bag.ReadSingle(PartKey(i, ".InnerRadius"), 0.0f));
        p.Material = bag.ReadLong(PartKey(i, ".Material"), -1);
        p.MaxHeight(bag.ReadSingle(PartKey(i, ".MaxHeight"), 0.0f));
        p.MinHeight(bag.ReadSingle(PartKey(i, ".MinHeight"), 0.0f));
        p.Name = bag.ReadString(PartKey(i, ".Name"), "Part " + std::to_string(i));
        p.OuterRadius(bag.ReadSingle(PartKey(i, ".OuterRadius"), 0.0f));
        p.HeatingType = bag.ReadLong(PartKey(i, ".HeatingType"), 0);
        // Older files store only the legacy ".Material"; its presence is what counts, not a
        // marker value.
        const std::string indexKey = PartKey(i, ".MaterialIndex");
        std::int16_t index = -1;
        if (bag.Has(indexKey)) {
            index = bag.ReadInteger(indexKey, -1);
        } else if (auto legacy = TryInt16(p.Material)) {
            index = *legacy;
        } else if (out.error.empty()) {
            out.error = "\"" + PartKey(i, ".Material") + "\" holds " + std::to_string(p.Material) +
                        ", which does not fit an Integer";
        }
        // No material below "none".
        p.MaterialIndex = index < -1 ? std::int16_t(-1) : index;
    }

    AssemblySettings& s = out.settings;
    const AssemblySettings defaults;
    s.rmax = bag.ReadSingle("rmax", defaults.rmax);
    s.nr = bag.ReadInteger("nr", defaults.nr);
    s.niters = bag.ReadInteger("niters", defaults.niters);
    s.ntits = bag.ReadInteger("ntits", defaults.ntits);
    s.w = bag.ReadSingle("w", defaults.w);
    s.ncycles = bag.ReadInteger("ncycles", defaults.ncycles);
    s.ninner = bag.ReadInteger("ninner", defaults.ninner);
    s.DesiredResidual = bag.ReadSingle("DesiredResidual", defaults.DesiredResidual);
    s.GoToT = bag.ReadSingle("GoToT", defaults.GoToT);
    s.TError = bag.ReadSingle("TError", defaults.TError);
    s.AspectRatio = bag.ReadSingle("AspectRatio", defaults.AspectRatio);
    // The grid's shape must be usable: a file value outside the limits gives way to the
    // default, named in one warning.
    if (!(s.rmax > 0.0f && s.rmax <= kMaxModelRadius)) {
        s.rmax = defaults.rmax;
        out.replacedKeys.push_back("rmax");
    }
    if (s.nr < kMinNr || s.nr > kMaxNr) {
        s.nr = defaults.nr;
        out.replacedKeys.push_back("nr");
    }
    if (!(s.AspectRatio >= kMinAspectRatio && s.AspectRatio <= kMaxAspectRatio)) {
        s.AspectRatio = defaults.AspectRatio;
        out.replacedKeys.push_back("AspectRatio");
    }
    if (!IsPhysicalTemperature(s.GoToT)) {
        s.GoToT = defaults.GoToT;
        out.replacedKeys.push_back("GoToT");
    }
    s.zmax = Sng(double(s.AspectRatio) * double(s.rmax));
    // nz follows from nr and the aspect ratio (45 x 1.5 = 67.5 gives 68); within the limits
    // above it is at most 2048.
    s.nz = CInt(double(s.nr) * double(s.AspectRatio));
    s.ElectricCurrent = bag.ReadSingle("ElectricCurrent", defaults.ElectricCurrent);

    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            out.thermocouples[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] =
                bag.ReadSingle(ThermocoupleKey(i, j), 0.0f);
    for (int side = 1; side <= 4; ++side)
        s.ibcs[static_cast<std::size_t>(side)] =
            bag.ReadInteger(IbcsKey(side), defaults.ibcs[static_cast<std::size_t>(side)]);
    const std::array<std::int16_t, 5> asked = s.ibcs;
    NormaliseIbcs(s.ibcs);
    out.replacedIbcs = IbcsReplacements(asked, s.ibcs);

    s.MaterialFile = bag.ReadString("MaterialFile", defaults.MaterialFile);
    for (int i = 0; i < kMaxParts; ++i)
        if (bag.Has(CustomColorKey(i)))
            out.customColors[static_cast<std::size_t>(i)] = bag.ReadLong(CustomColorKey(i), 0);
    s.BoundaryT = bag.ReadBoolean("BoundaryT", defaults.BoundaryT);
    s.IncludePress = bag.ReadBoolean("IncludePress", defaults.IncludePress);
    s.FluxMatch = bag.ReadBoolean("FluxMatch", defaults.FluxMatch);
    s.ExactSampling = bag.ReadBoolean("ExactSampling", defaults.ExactSampling);
    s.tbc = bag.ReadSingle("tbc", defaults.tbc);
    if (!IsPhysicalTemperature(s.tbc)) {
        s.tbc = defaults.tbc;
        out.replacedKeys.push_back("tbc");
    }
}

/// Loads the file into the bag; false with reason when it cannot be used. Only a regular file is
/// read: a pipe or a device could keep the read waiting for ever or never end it. The bytes read
/// are what the file holds, at most one more than the size limit.
bool LoadFile(const std::string& path, PropertyBag& bag, std::string& reason)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        reason = std::string("it cannot be opened (") + std::strerror(errno) + ")";
        return false;
    }
    // Refused before opening: opening a device can have effects of its own.
    if (S_ISDIR(st.st_mode)) {
        reason = "it is a folder, not a file";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = "it is not a regular file";
        return false;
    }
    // O_NONBLOCK: should the name have been replaced by a pipe meanwhile, opening it does not
    // wait for a writer; fstat below then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::string("it cannot be opened (") + std::strerror(errno) + ")";
        return false;
    }
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular || static_cast<std::uintmax_t>(st.st_size) > kBagMaxBytes) {
        ::close(fd);
        reason = regular ? "the file is larger than 16 MiB" : "it is not a regular file";
        return false;
    }
    // The size is a hint only: the file may grow or shrink while it is read.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    int err = 0;
    while (bytes.size() <= kBagMaxBytes) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            err = errno;
        if (got <= 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (err != 0) {
        reason = std::string("it cannot be read (") + std::strerror(err) + ")";
        return false;
    }
    if (!bag.LoadContents(bytes)) {
        reason = bag.Error();
        return false;
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    if (ec)
        p = fs::path(path);
    return p.parent_path().string();
}

std::string Join(const std::vector<std::string>& keys)
{
    std::string all;
    for (const auto& k : keys) {
        if (!all.empty())
            all += ", ";
        all += k;
    }
    return all;
}

} // namespace

std::string PartKey(int i, std::string_view suffix)
{
    return "Tarsen.CellPart(" + std::to_string(i) + std::string(suffix);
}

bool NormaliseIbcs(std::array<std::int16_t, 5>& ibcs)
{
    const std::array<std::int16_t, 5> before = ibcs;
    ibcs[0] = 0;
    ibcs[1] = 0; // the axis is always zero flux
    for (std::size_t side = 2; side <= 4; ++side)
        ibcs[side] = ibcs[side] != 0 ? 1 : 0;
    // Without a held side the temperature is not determined: hold the outer radius.
    if (ibcs[2] == 0 && ibcs[3] == 0 && ibcs[4] == 0)
        ibcs[2] = 1;
    return ibcs != before;
}

std::vector<IbcsReplacement> IbcsReplacements(const std::array<std::int16_t, 5>& asked,
                                              const std::array<std::int16_t, 5>& used)
{
    std::vector<IbcsReplacement> replaced;
    for (int side = 1; side <= 4; ++side) {
        const auto k = static_cast<std::size_t>(side);
        if (asked[k] != used[k])
            replaced.push_back({side, asked[k], used[k]});
    }
    return replaced;
}

std::optional<std::string> FindExistingFile(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    std::error_code ec;
    const fs::path p(path);
    if (fs::exists(p, ec))
        return path;
    fs::path folder = p.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string wanted = LowerAscii(p.filename().string());
    if (wanted.empty())
        return std::nullopt;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (LowerAscii(it->path().filename().string()) == wanted)
            matches.push_back(it->path().string());
    if (matches.empty())
        return std::nullopt;
    std::sort(matches.begin(), matches.end()); // the same choice every time
    return matches.front();
}

std::string MaterialFileFullName(const std::string& DataFolder, const std::string& MaterialFile)
{
    std::string stored = MaterialFile;
    std::replace(stored.begin(), stored.end(), '\\', '/');
    const std::string joined = (fs::path(DataFolder) / fs::path(stored)).string();
    if (const std::optional<std::string> found = FindExistingFile(joined))
        return *found;
    // An assembly away from its materials file (or none, at start-up in the programs' folder)
    // still finds the materials file of that name installed with the programs.
    if (const std::optional<std::string> data = InstalledDataFolder()) {
        const fs::path bundled = fs::path(*data) / fs::path(stored).filename();
        if (const std::optional<std::string> found = FindExistingFile(bundled.string()))
            return *found;
    }
    return joined;
}

std::string MsgAssemblyRefused(std::string_view path, std::string_view reason)
{
    return "Cannot read the assembly file \"" + std::string(path) + "\": " + std::string(reason) +
           ".";
}

std::string MsgValuesReplaced(std::string_view path, std::string_view keys)
{
    return "The assembly file \"" + std::string(path) + "\" holds unusable values for " +
           std::string(keys) + "; their defaults are used instead.";
}

std::string MsgIbcsReplaced(const IbcsReplacement& r)
{
    std::string why;
    if (r.side == 1)
        why = "the axis is always zero flux";
    else if (r.asked == 0)
        why = "one of the sides r = rmax, z = zmax and z = 0 must be held at the boundary "
              "temperature; hold another side first";
    else
        why = "a side is either zero flux (0) or held at the boundary temperature (1)";
    return "Boundary type " + IbcsKey(r.side) + " = " + std::to_string(r.asked) +
           " is replaced by " + std::to_string(r.used) + ": " + why + ".";
}

std::string MsgIbcsValuesReplaced(std::string_view path,
                                  const std::vector<IbcsReplacement>& replaced)
{
    std::string text =
        "The assembly file \"" + std::string(path) + "\" holds unusable boundary types.";
    for (const IbcsReplacement& r : replaced)
        text += " " + MsgIbcsReplaced(r);
    return text;
}

std::string MsgAssemblyNotSaved(std::string_view path, std::string_view reason)
{
    return "Cannot save the assembly to \"" + std::string(path) + "\": " + std::string(reason) +
           ".";
}

namespace {

/// What a read does once the file's contents are in the bag (an empty bag when there is no
/// file): every value is taken and checked, and only when all are usable is memory changed.
ReadTarsenResult ApplyBag(clsTarsen& Tarsen, clsMaterialProperties& materials,
                          AssemblySettings& settings, FrontEnd& front, PropertyBag& bag,
                          const std::string& path, const std::optional<std::string>& found,
                          const ReadTarsenOptions& options)
{
    ReadTarsenResult result;
    result.status = found ? ReadTarsenStatus::Read : ReadTarsenStatus::Defaults;
    ParsedAssembly parsed;
    parsed.settings = settings;
    ParseBag(bag, parsed);
    if (!bag.Error().empty() || !parsed.error.empty()) {
        result.status = ReadTarsenStatus::Refused;
        result.error = MsgAssemblyRefused(found.value_or(path),
                                          bag.Error().empty() ? parsed.error : bag.Error());
        front.ShowMessage(result.error);
        return result;
    }

    // The whole file is usable: from here on memory changes.
    if (found) {
        parsed.settings.DataFolder = FolderOf(*found);
        parsed.settings.TSNFileName = *found;
    }
    for (int i = 0; i < kMaxParts; ++i)
        Tarsen.CellPart(i) = parsed.parts[static_cast<std::size_t>(i)];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            Tarsen.ThermocouplePosition(
                i, j,
                parsed.thermocouples[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);

    const std::string prp =
        options.materialsOverride.empty()
            ? MaterialFileFullName(parsed.settings.DataFolder, parsed.settings.MaterialFile)
            : FindExistingFile(options.materialsOverride).value_or(options.materialsOverride);
    parsed.settings.MaterialFileFullName = prp;
    settings = std::move(parsed.settings);

    // One warning for every value replaced: the keys given their defaults, then the boundary
    // types with the value asked and the value used.
    std::string replaced;
    if (!parsed.replacedKeys.empty())
        replaced = MsgValuesReplaced(found.value_or(path), Join(parsed.replacedKeys));
    if (!parsed.replacedIbcs.empty())
        replaced += (replaced.empty() ? "" : " ") +
                    MsgIbcsValuesReplaced(found.value_or(path), parsed.replacedIbcs);
    if (!replaced.empty()) {
        result.warnings.push_back(replaced);
        front.ShowMessage(result.warnings.back());
    }

    result.materialsFound = FindExistingFile(prp).has_value();
    result.materialsRead = materials.ReadMaterials(prp);
    // The parts need materials the table does not have: asking for that many empties the
    // table (or refuses a count above the limit), and the model cannot run.
    const int needed = Tarsen.NumberOfMaterials();
    if (needed > materials.NumberOfMaterials()) {
        materials.NumberOfMaterials(needed);
        result.materialsEmptied = true;
    }
    for (int i = 0; i < materials.NumberOfMaterials(); ++i)
        Tarsen.MaterialColors(
            i, parsed.customColors[static_cast<std::size_t>(i)].value_or(materials.Colors(i)));
    result.NoMaterials = materials.NoMaterials();

    if (result.NoMaterials && options.MarkNotRunnable)
        options.MarkNotRunnable();
    if (options.RefreshAfterRead)
        options.RefreshAfterRead();
    return result;
}

} // namespace

ReadTarsenResult ReadTarsen(clsTarsen& Tarsen, clsMaterialProperties& materials,
                            AssemblySettings& settings, FrontEnd& front, const std::string& path,
                            const ReadTarsenOptions& options)
{
    PropertyBag bag;
    const std::optional<std::string> found = FindExistingFile(path);
    if (found) {
        std::string reason;
        if (!LoadFile(*found, bag, reason)) {
            ReadTarsenResult result;
            result.status = ReadTarsenStatus::Refused;
            result.error = MsgAssemblyRefused(*found, reason);
            front.ShowMessage(result.error);
            return result;
        }
    }
    return ApplyBag(Tarsen, materials, settings, front, bag, path, found, options);
}

ReadTarsenResult ReadTarsenDocument(clsTarsen& Tarsen, clsMaterialProperties& materials,
                                    AssemblySettings& settings, FrontEnd& front,
                                    std::string_view document, const std::string& path,
                                    const ReadTarsenOptions& options)
{
    PropertyBag bag;
    if (!bag.LoadContents(document)) {
        ReadTarsenResult result;
        result.status = ReadTarsenStatus::Refused;
        result.error = MsgAssemblyRefused(path, bag.Error());
        front.ShowMessage(result.error);
        return result;
    }
    return ApplyBag(Tarsen, materials, settings, front, bag, path, path, options);
}

bool AssemblyDocument(const clsTarsen& Tarsen, const clsMaterialProperties& materials,
                      const AssemblySettings& settings, std::string& document, std::string& error)
{
    PropertyBag bag;
    for (int i = 0; i < kMaxParts; ++i) {
        const clsAssemblyPart& p = Tarsen.CellPart(i);
        bag.WriteSingle(PartKey(i, ".TaperAngle"), p.TaperAngle(), 90.0f);
        bag.WriteSingle(PartKey(i, ".FlareAngle"), p.FlareAngle(), 90.0f);
        bag.WriteBoolean(PartKey(i, ".Include"), p.Include, false);
        bag.WriteSingle(PartKey(i, ".InnerRadius"), p.InnerRadius(), 0.0f);
        bag.WriteInteger(PartKey(i, ".MaterialIndex"), p.MaterialIndex, kMaterialIndexWriteDefault);
        bag.WriteSingle(PartKey(i, ".MaxHeight"), p.MaxHeight(), 0.0f);
        bag.WriteSingle(PartKey(i, ".MinHeight"), p.MinHeight(), 0.0f);
        bag.WriteSingle(PartKey(i, ".OuterRadius"), p.OuterRadius(), 0.0f);
        bag.WriteString(PartKey(i, ".Name"), p.Name, ".");
        bag.WriteLong(PartKey(i, ".HeatingType"), p.HeatingType, 0);
    }

    // Defaults compared in their own type: float(1.8), not the double 1.8.
    const AssemblySettings d;
    const AssemblySettings& s = settings;
    bag.WriteSingle("rmax", s.rmax, d.rmax);
    bag.WriteInteger("nr", s.nr, d.nr);
    bag.WriteInteger("nz", s.nz, kNzWriteDefault);
    bag.WriteInteger("niters", s.niters, d.niters);
    bag.WriteInteger("ntits", s.ntits, d.ntits);
    bag.WriteSingle("w", s.w, d.w);
    bag.WriteInteger("ncycles", s.ncycles, d.ncycles);
    bag.WriteInteger("ninner", s.ninner, d.ninner);
    bag.WriteSingle("DesiredResidual", s.DesiredResidual, d.DesiredResidual);
    bag.WriteSingle("GoToT", s.GoToT, d.GoToT);
    bag.WriteSingle("TError", s.TError, d.TError);
    bag.WriteSingle("ElectricCurrent", s.ElectricCurrent, d.ElectricCurrent);
    bag.WriteSingle("AspectRatio", s.AspectRatio, d.AspectRatio);
    bag.WriteString("MaterialFile", s.MaterialFile, d.MaterialFile);
    bag.WriteBoolean("BoundaryT", s.BoundaryT, d.BoundaryT);
    bag.WriteBoolean("IncludePress", s.IncludePress, d.IncludePress);
    bag.WriteBoolean("FluxMatch", s.FluxMatch, d.FluxMatch);
    bag.WriteBoolean("ExactSampling", s.ExactSampling, d.ExactSampling);
    bag.WriteSingle("tbc", s.tbc, d.tbc);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            bag.WriteSingle(ThermocoupleKey(i, j), Tarsen.ThermocouplePosition(i, j), 0.0f);
    for (int side = 1; side <= 4; ++side)
        bag.WriteInteger(IbcsKey(side), s.ibcs[static_cast<std::size_t>(side)],
                         d.ibcs[static_cast<std::size_t>(side)]);
    // Only the colours the user changed from the materials file's.
    for (int i = 0; i < materials.NumberOfMaterials(); ++i)
        bag.WriteLong(CustomColorKey(i), Tarsen.MaterialColors(i), materials.Colors(i));

    if (!bag.Contents(document)) {
        error = bag.Error();
        return false;
    }
    return true;
}

WriteTarsenResult WriteTarsen(const clsTarsen& Tarsen, const clsMaterialProperties& materials,
                              const AssemblySettings& settings, FrontEnd& front,
                              const std::string& path)
{
    WriteTarsenResult result;
    result.path = path;
    auto fail = [&](std::string_view reason) {
        result.status = WriteTarsenStatus::Failed;
        result.error = MsgAssemblyNotSaved(path, reason);
        front.ShowMessage(result.error);
        return result;
    };
    if (path.empty())
        return fail("no file name was given");
    std::string document, reason;
    if (!AssemblyDocument(Tarsen, materials, settings, document, reason))
        return fail(reason);
    if (!ReplaceFile(path, document, reason))
        return fail(reason);
    result.status = WriteTarsenStatus::Written;
    return result;
}

std::optional<std::string> ChooseTSNFile(FrontEnd& front, AssemblySettings& settings)
{
    FileRequest request;
    request.save = false;
    request.title = kOpenTSNTitle;
    request.filters = {{"TSN Files (*.tsn)", "*.tsn"}, {"All Files (*.*)", "*.*"}};
    request.folder = settings.DataFolder;
    std::optional<std::string> chosen = front.ChooseFile(request);
    if (chosen && chosen->empty())
        chosen.reset();
    if (chosen)
        settings.TSNFileName = *chosen;
    return chosen;
}

ReadTarsenResult OpenAssembly(OpenContext context, clsTarsen& Tarsen,
                              clsMaterialProperties& materials, AssemblySettings& settings,
                              FrontEnd& front, const ReadTarsenOptions& options)
{
    const std::optional<std::string> chosen = ChooseTSNFile(front, settings);
    if (!chosen && context == OpenContext::Menu) {
        ReadTarsenResult cancelled;
        cancelled.status = ReadTarsenStatus::Cancelled;
        return cancelled;
    }
    // At start-up a cancel reads the empty path: the default assembly.
    return ReadTarsen(Tarsen, materials, settings, front, chosen.value_or(std::string()), options);
}

WriteTarsenResult SaveAssembly(const clsTarsen& Tarsen, const clsMaterialProperties& materials,
                               const AssemblySettings& settings, FrontEnd& front)
{
    FileRequest request;
    request.save = true;
    request.title = kSaveTSNTitle;
    request.filters = {{"Tarsen Files (*.tsn)", "*.tsn"}, {"All Files (*.*)", "*.*"}};
    request.folder = settings.TSNFileName.empty()
                         ? settings.DataFolder
                         : fs::path(settings.TSNFileName).parent_path().string();
    request.defaultSuffix = "tsn";
    const std::optional<std::string> chosen = front.ChooseFile(request);
    if (!chosen || chosen->empty()) {
        WriteTarsenResult cancelled;
        cancelled.status = WriteTarsenStatus::Cancelled;
        return cancelled;
    }
    return WriteTarsen(Tarsen, materials, settings, front, *chosen);
}

} // namespace tarsen
