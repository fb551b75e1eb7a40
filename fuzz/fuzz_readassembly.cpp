// Feeds arbitrary bytes to the assembly file reader as the contents of a file beside a small
// materials file, and checks what any read must leave: a refused file changes nothing in memory and
// says why in readable text; an accepted one gives settings that the grid and the solver can use,
// and saving it and reading the save back settles on one document after a round.
#include "common/frontend.h"
#include "common/numeric.h"
#include "materials/clsmaterialproperties.h"
#include "materials/textdecode.h"
#include "model/assemblyfile.h"
#include "model/clstarsen.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tarsen;

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

constexpr const char* kMaterials = "MATERIAL 0 = Pyrophyllite\n"
                                   "COLOR = D8C8A0\n"
                                   "C0 = 2.0\n"
                                   "C1 = -1.2E-3\n"
                                   "MATERIAL 1 = Graphite\n"
                                   "COLOR = 404040\n"
                                   "C0 = 100\n"
                                   "R0 = 1E-5\n"
                                   "MATERIAL 2 = MgO\n"
                                   "C0 = 60.6\n";

/// One scratch folder per process with the materials file that assemblies name by default; it
/// is removed when the fuzzer exits.
struct Scratch {
    fs::path dir;
    Scratch()
    {
        dir = fs::temp_directory_path() / ("tarsen-fuzz-tsn-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::ofstream(dir / "thermal.prp", std::ios::binary) << kMaterials;
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const Scratch& Folder()
{
    static const Scratch scratch;
    return scratch;
}

/// A fresh model as the window holds it before its first read.
struct Model {
    NullFrontEnd front;
    clsTarsen tarsen;
    clsMaterialProperties materials{&front};
    AssemblySettings settings;
    explicit Model(const fs::path& dir) { settings.DataFolder = dir.string(); }

    /// Reads the document as if it came from file.
    ReadTarsenResult Read(const std::string& document, const fs::path& file)
    {
        return ReadTarsenDocument(tarsen, materials, settings, front, document, file.string());
    }
    std::string Document()
    {
        std::string document, error;
        Check(AssemblyDocument(tarsen, materials, settings, document, error));
        return document;
    }
};

bool SamePart(const clsAssemblyPart& a, const clsAssemblyPart& b)
{
    return a.Name == b.Name && a.Include == b.Include && a.MaterialIndex == b.MaterialIndex &&
           a.Material == b.Material && a.HeatingType == b.HeatingType &&
           a.InnerRadius() == b.InnerRadius() && a.OuterRadius() == b.OuterRadius() &&
           a.MinHeight() == b.MinHeight() && a.MaxHeight() == b.MaxHeight() &&
           a.TaperAngle() == b.TaperAngle() && a.FlareAngle() == b.FlareAngle();
}

/// Nothing of the model changed: every part, thermocouple and setting is as a fresh one's.
void CheckUntouched(const Model& m, const fs::path& dir)
{
    const Model fresh(dir);
    for (int i = -1; i <= kMaxParts; ++i)
        Check(SamePart(m.tarsen.CellPart(i), fresh.tarsen.CellPart(i)));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            Check(m.tarsen.ThermocouplePosition(i, j) == 0.0f);
    const AssemblySettings& s = m.settings;
    const AssemblySettings& d = fresh.settings;
    Check(s.rmax == d.rmax && s.nr == d.nr && s.nz == d.nz && s.zmax == d.zmax &&
          s.AspectRatio == d.AspectRatio && s.tbc == d.tbc && s.GoToT == d.GoToT &&
          s.ElectricCurrent == d.ElectricCurrent && s.ibcs == d.ibcs &&
          s.MaterialFile == d.MaterialFile && s.DataFolder == d.DataFolder &&
          s.TSNFileName == d.TSNFileName);
    Check(m.materials.NumberOfMaterials() == 0);
}

/// What an applied read must leave: values the grid builders and the solver can take.
void CheckUsable(const Model& m)
{
    const AssemblySettings& s = m.settings;
    Check(s.rmax > 0.0f && s.rmax <= kMaxModelRadius);
    Check(s.nr >= 4 && s.nr <= 512);
    Check(s.AspectRatio >= 0.25f && s.AspectRatio <= 4.0f);
    Check(s.nz == CInt(double(s.nr) * double(s.AspectRatio)));
    Check(std::isfinite(s.zmax) && s.zmax > 0.0f);
    for (float v : {s.w, s.DesiredResidual, s.TError, s.ElectricCurrent, s.GoToT, s.tbc})
        Check(std::isfinite(v));
    Check(s.tbc > kAbsoluteZero && s.GoToT > kAbsoluteZero);
    std::array<std::int16_t, 5> ibcs = s.ibcs;
    Check(!NormaliseIbcs(ibcs));
    Check(IsValidUtf8(s.MaterialFile));
    for (int i = 0; i < kMaxParts; ++i) {
        const clsAssemblyPart& p = m.tarsen.CellPart(i);
        Check(p.MaterialIndex >= -1);
        Check(IsValidUtf8(p.Name));
        for (float v : {p.InnerRadius(), p.OuterRadius(), p.MinHeight(), p.MaxHeight(),
                        p.TaperAngle(), p.FlareAngle()})
            Check(std::isfinite(v));
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            Check(std::isfinite(m.tarsen.ThermocouplePosition(i, j)));
    Check(m.materials.NumberOfMaterials() >= 0 && m.materials.NumberOfMaterials() <= kMaxMaterials);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fs::path dir = Folder().dir;
    // Read as if from a file in the scratch folder: what the reader does with the bytes of a
    // regular file does not depend on how they were read.
    const fs::path input = dir / "input.tsn";
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    Model m(dir);
    const ReadTarsenResult r = m.Read(bytes, input);
    Check(r.status == ReadTarsenStatus::Read || r.status == ReadTarsenStatus::Refused);
    if (r.status == ReadTarsenStatus::Refused) {
        Check(r.error.starts_with("Cannot read the assembly file \""));
        Check(IsValidUtf8(r.error));
        CheckUntouched(m, dir);
        return 0;
    }
    for (const std::string& w : r.warnings)
        Check(IsValidUtf8(w));
    CheckUsable(m);

    // Saving what was read gives a document the reader takes; after one round (parts named "."
    // come back with their default names) the document no longer changes.
    const std::string first = m.Document();
    Model second(dir);
    Check(second.Read(first, input).status == ReadTarsenStatus::Read);
    CheckUsable(second);
    const std::string again = second.Document();
    if (again == first)
        return 0;
    Model third(dir);
    Check(third.Read(again, input).status == ReadTarsenStatus::Read);
    Check(third.Document() == again);
    return 0;
}
