#include "common/colour.h"
#include "common/frontend.h"
#include "materials/clsmaterialproperties.h"
#include "model/assemblyfile.h"
#include "model/clstarsen.h"
#include "model/propertybag.h"
#include "model/replacefile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace tarsen {
namespace {

const fs::path kData = fs::path(TARSEN_SOURCE_DIR) / "tests" / "data" / "tsn";

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const fs::path& p, const std::string& text)
{
    std::ofstream out(p, std::ios::binary);
    out << text;
}

/// Everything a read may change, as text: the assembly and settings through the file writer,
/// plus what the file does not carry.
std::string Snapshot(const clsTarsen& t, const clsMaterialProperties& m, const AssemblySettings& s)
{
    std::ostringstream out;
    for (int i = -1; i <= 31; ++i) {
        const clsAssemblyPart& p = t.CellPart(i);
        out << i << p.Name << p.Include << p.MaterialIndex << p.Material << p.HeatingType << ' '
            << p.InnerRadius() << ' ' << p.OuterRadius() << ' ' << p.MinHeight() << ' '
            << p.MaxHeight() << ' ' << p.TaperAngle() << ' ' << p.FlareAngle() << '\n';
    }
    for (int i = -1; i <= 30; ++i)
        out << t.MaterialColors(i) << ' ';
    for (int i = 0; i < 3; ++i)
        out << t.ThermocouplePosition(i, 0) << ',' << t.ThermocouplePosition(i, 1) << ' ';
    out << '\n'
        << s.rmax << s.nr << s.nz << s.zmax << s.niters << s.ntits << s.w << s.ncycles << s.ninner
        << s.DesiredResidual << s.GoToT << s.TError << s.ElectricCurrent << s.AspectRatio
        << s.MaterialFile << s.BoundaryT << s.IncludePress << s.FluxMatch << s.tbc << s.ibcs[1]
        << s.ibcs[2] << s.ibcs[3] << s.ibcs[4] << '\n'
        << s.DataFolder << '|' << s.MaterialFileFullName << '|' << s.TSNFileName << '\n';
    out << m.NumberOfMaterials();
    for (int i = -1; i < m.NumberOfMaterials(); ++i)
        out << m.MaterialNames(i) << m.Colors(i) << m.C0(i) << ' ';
    return out.str();
}

class AssemblyFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device seed;
        dir = fs::temp_directory_path() / ("tarsen-tsn-" + std::to_string(seed()));
        fs::create_directories(dir);
        fs::copy_file(kData / "three.prp", dir / "three.prp");
        settings.DataFolder = dir.string();
        materials.SetFrontEnd(&front);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    /// A furnace with a capsule, an end plug, a tapered and a flared part.
    void BuildAssembly()
    {
        auto part = [&](int i, const char* name, float ri, float ro, float z0, float z1,
                        std::int16_t mat, std::int32_t heat) -> clsAssemblyPart& {
            clsAssemblyPart& p = tarsen.CellPart(i);
            p.Include = true;
            p.Name = name;
            p.InnerRadius(ri);
            p.OuterRadius(ro);
            p.MinHeight(z0);
            p.MaxHeight(z1);
            p.MaterialIndex = mat;
            p.HeatingType = heat;
            return p;
        };
        part(0, "Capsule", 0, 1.1f, 0, 3.3f, 1, kNonHeating);
        part(1, "Furnace", 2.5f, 2.9f, 0, 10, 2, kAxialHeating);
        part(2, "Cone", 3, 6, 0, 12.5f, 0, kNonHeating).TaperAngle(80.5f);
        part(3, "Dome", 0, 2.5f, 3.3f, 4, 1, kNonHeating).FlareAngle(101.25f);
        part(4, ".", 0, 1, 0, 1, 0, kNonHeating).Include = false; // named "." and ignored
        part(5, "Ring \xC3\xBC", 0.1f, 0.2f, 0.3f, 0.4f, -1, 3);
        tarsen.ThermocouplePosition(0, 0, 0.0f);
        tarsen.ThermocouplePosition(0, 1, 0.1f);
        tarsen.ThermocouplePosition(2, 0, 2.0f);
        tarsen.ThermocouplePosition(2, 1, 1.5f);
        settings.rmax = 6.35f;
        settings.nr = 512;
        settings.AspectRatio = 2.0f;
        settings.nz = 1024;
        settings.ElectricCurrent = 312.5f;
        settings.tbc = 30.0f;
        settings.FluxMatch = false;
        settings.ExactSampling = false;
        settings.IncludePress = true;
        settings.BoundaryT = true;
        settings.w = 1.6f;
        settings.ninner = 4;
        settings.DesiredResidual = 0.001f;
        settings.GoToT = 1350.0f;
        settings.ibcs = {0, 0, 1, 0, 1};
        settings.MaterialFile = "three.prp";
        // The colours as a read of the materials file leaves them.
        for (int i = 0; i < materials.NumberOfMaterials(); ++i)
            tarsen.MaterialColors(i, materials.Colors(i));
    }

    std::string Write(const std::string& name = "a.tsn")
    {
        const std::string path = (dir / name).string();
        const WriteTarsenResult w = WriteTarsen(tarsen, materials, settings, front, path);
        EXPECT_TRUE(w.Written()) << w.error;
        return path;
    }

    fs::path dir;
    RecordingFrontEnd front;
    clsTarsen tarsen;
    clsMaterialProperties materials;
    AssemblySettings settings;
};

TEST_F(AssemblyFile, RoundTripKeepsPartsAndSettings)
{
    ASSERT_TRUE(materials.ReadMaterials((dir / "three.prp").string()));
    BuildAssembly();
    tarsen.CellPart(7).Material = 4; // the legacy number is not written
    tarsen.MaterialColors(1, kBlue); // changed by the user
    const std::string path = Write();
    const std::string text = Slurp(path);

    clsTarsen t2;
    clsMaterialProperties m2;
    AssemblySettings s2;
    RecordingFrontEnd f2;
    const ReadTarsenResult r = ReadTarsen(t2, m2, s2, f2, path);
    ASSERT_EQ(r.status, ReadTarsenStatus::Read) << r.error;
    EXPECT_TRUE(f2.m_messages.empty());
    EXPECT_TRUE(r.materialsRead);
    EXPECT_EQ(m2.NumberOfMaterials(), 3);

    for (int i = 0; i <= 30; ++i) {
        const clsAssemblyPart& a = tarsen.CellPart(i);
        const clsAssemblyPart& b = t2.CellPart(i);
        EXPECT_EQ(b.Name, a.Name == "." ? "Part " + std::to_string(i) : a.Name) << i;
        EXPECT_EQ(b.Material, -1) << i;
        EXPECT_EQ(b.Include, a.Include) << i;
        EXPECT_EQ(b.MaterialIndex, a.MaterialIndex) << i;
        EXPECT_EQ(b.HeatingType, a.HeatingType) << i;
        EXPECT_EQ(b.InnerRadius(), a.InnerRadius()) << i;
        EXPECT_EQ(b.OuterRadius(), a.OuterRadius()) << i;
        EXPECT_EQ(b.MinHeight(), a.MinHeight()) << i;
        EXPECT_EQ(b.MaxHeight(), a.MaxHeight()) << i;
        EXPECT_EQ(b.TaperAngle(), a.TaperAngle()) << i;
        EXPECT_EQ(b.FlareAngle(), a.FlareAngle()) << i;
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            EXPECT_EQ(t2.ThermocouplePosition(i, j), tarsen.ThermocouplePosition(i, j));
    EXPECT_EQ(t2.MaterialColors(0), RGB(0x10, 0x20, 0x30)); // from the materials file
    EXPECT_EQ(t2.MaterialColors(1), kBlue);                 // the custom colour
    EXPECT_EQ(t2.MaterialColors(2), RGB(0x70, 0x80, 0x90));

    EXPECT_EQ(s2.rmax, 6.35f);
    EXPECT_EQ(s2.nr, 512);
    EXPECT_EQ(s2.AspectRatio, 2.0f);
    EXPECT_EQ(s2.nz, 1024);
    EXPECT_EQ(s2.zmax, 12.7f);
    EXPECT_EQ(s2.ElectricCurrent, 312.5f);
    EXPECT_EQ(s2.tbc, 30.0f);
    EXPECT_FALSE(s2.FluxMatch);
    EXPECT_FALSE(s2.ExactSampling);
    EXPECT_TRUE(s2.IncludePress);
    EXPECT_TRUE(s2.BoundaryT);
    EXPECT_EQ(s2.w, 1.6f);
    EXPECT_EQ(s2.ninner, 4);
    EXPECT_EQ(s2.DesiredResidual, 0.001f);
    EXPECT_EQ(s2.GoToT, 1350.0f);
    EXPECT_EQ(s2.ibcs, settings.ibcs);
    EXPECT_EQ(s2.MaterialFile, "three.prp");
    EXPECT_EQ(fs::path(s2.DataFolder), dir);
    EXPECT_EQ(fs::path(s2.MaterialFileFullName), dir / "three.prp");
    EXPECT_EQ(fs::path(s2.TSNFileName), fs::path(path));

    // What the document holds: part keys without a closing parenthesis, defaults left out,
    // only the changed colour.
    EXPECT_NE(text.find("\"Tarsen.CellPart(1.Name\""), std::string::npos);
    EXPECT_EQ(text.find("\"Tarsen.CellPart(4.Name\""), std::string::npos);
    EXPECT_NE(text.find("\"FluxMatch\""), std::string::npos);
    EXPECT_NE(text.find("\"ExactSampling\""), std::string::npos);
    EXPECT_NE(text.find("\"nr\""), std::string::npos);
    EXPECT_EQ(text.find("\"IncludePress\""), std::string::npos);
    EXPECT_EQ(text.find("\"ibcs(1)\""), std::string::npos);
    EXPECT_NE(text.find("\"ibcs(4)\""), std::string::npos);
    EXPECT_EQ(text.find("\"CustomColors(0)\""), std::string::npos);
    EXPECT_NE(text.find("\"CustomColors(1)\""), std::string::npos);
    EXPECT_EQ(text.find(".Material\""), std::string::npos);
    EXPECT_EQ(text.find("Tarsen.CellPart(31"), std::string::npos);
    EXPECT_NE(text.find("\"value\": 6.35 }"), std::string::npos); // shortest Single form

    // Writing the read assembly again gives the same document, apart from the names that
    // came back as "Part i".
    clsTarsen t3 = t2;
    t3.CellPart(4).Name = ".";
    for (int i = 6; i <= 30; ++i)
        t3.CellPart(i).Name = ".";
    const WriteTarsenResult again = WriteTarsen(t3, m2, s2, f2, (dir / "b.tsn").string());
    ASSERT_TRUE(again.Written());
    EXPECT_EQ(Slurp(dir / "b.tsn"), text);
}

TEST_F(AssemblyFile, DefaultsAreNotStored)
{
    // A default assembly with FluxMatch True and nr 64 stores no settings but nz (written with
    // 512 as its default) and no parts.
    settings.MaterialFile = "three.prp";
    settings.nz = 512;
    const std::string path = Write();
    PropertyBag bag;
    ASSERT_TRUE(bag.LoadContents(Slurp(path)));
    ASSERT_EQ(bag.Properties().size(), 1u);
    EXPECT_EQ(bag.Properties()[0].name, "MaterialFile");
    // Compared in their own type: the Single 1.8 and 0.008 are the defaults.
    settings.w = static_cast<float>(1.8);
    settings.DesiredResidual = static_cast<float>(0.008);
    settings.nz = 64;
    Write();
    ASSERT_TRUE(bag.LoadContents(Slurp(path)));
    ASSERT_EQ(bag.Properties().size(), 2u);
    EXPECT_EQ(bag.Properties()[0].name, "nz");
    EXPECT_EQ(bag.Properties()[1].name, "MaterialFile");
}

TEST_F(AssemblyFile, CancelledDialogAtStartUpGivesTheDefaults)
{
    BuildAssembly();
    Spit(dir / "thermal.prp", Slurp(dir / "three.prp"));
    int notRunnable = 0, refreshed = 0;
    ReadTarsenOptions hooks;
    hooks.MarkNotRunnable = [&] { ++notRunnable; };
    hooks.RefreshAfterRead = [&] { ++refreshed; };
    front.m_fileAnswers.push_back(std::nullopt);
    const ReadTarsenResult r =
        OpenAssembly(OpenContext::StartUp, tarsen, materials, settings, front, hooks);
    EXPECT_EQ(r.status, ReadTarsenStatus::Defaults);
    ASSERT_EQ(front.m_fileRequests.size(), 1u);
    EXPECT_EQ(front.m_fileRequests[0].title, "Open a Tarsen (TSN) File");
    EXPECT_EQ(front.m_fileRequests[0].folder, dir.string());
    ASSERT_EQ(front.m_fileRequests[0].filters.size(), 2u);
    EXPECT_EQ(front.m_fileRequests[0].filters[0].first, "TSN Files (*.tsn)");
    EXPECT_EQ(front.m_fileRequests[0].filters[1].second, "*.*");

    for (int i = 0; i <= 30; ++i) {
        const clsAssemblyPart& p = tarsen.CellPart(i);
        EXPECT_FALSE(p.Include) << i;
        EXPECT_EQ(p.Name, "Part " + std::to_string(i));
        EXPECT_EQ(p.MaterialIndex, -1);
        EXPECT_EQ(p.HeatingType, 0);
        EXPECT_EQ(p.OuterRadius(), 0.0f);
        EXPECT_EQ(p.MaxHeight(), 0.0f);
        EXPECT_EQ(p.TaperAngle(), 90.0f);
        EXPECT_EQ(p.FlareAngle(), 90.0f);
    }
    EXPECT_EQ(tarsen.ThermocouplePosition(2, 0), 0.0f);
    EXPECT_EQ(settings.rmax, 5.0f);
    EXPECT_EQ(settings.nr, 64);
    EXPECT_EQ(settings.AspectRatio, 1.0f);
    EXPECT_EQ(settings.zmax, 5.0f);
    EXPECT_EQ(settings.nz, 64);
    EXPECT_EQ(settings.tbc, 25.0f);
    EXPECT_EQ(settings.ElectricCurrent, 100.0f);
    EXPECT_TRUE(settings.FluxMatch);
    EXPECT_TRUE(settings.ExactSampling);
    EXPECT_FALSE(settings.BoundaryT);
    EXPECT_EQ(settings.ibcs, (std::array<std::int16_t, 5>{0, 0, 1, 1, 0}));
    EXPECT_EQ(settings.MaterialFile, "thermal.prp");
    EXPECT_EQ(settings.DataFolder, dir.string()); // unchanged
    EXPECT_EQ(fs::path(settings.MaterialFileFullName), dir / "thermal.prp");
    EXPECT_EQ(materials.NumberOfMaterials(), 3);
    EXPECT_EQ(notRunnable, 0);
    EXPECT_EQ(refreshed, 1);

    // Without a materials file the table is empty and the model is marked not runnable.
    fs::remove(dir / "thermal.prp");
    const ReadTarsenResult none = ReadTarsen(tarsen, materials, settings, front, "", hooks);
    EXPECT_FALSE(none.materialsFound);
    EXPECT_TRUE(none.NoMaterials);
    EXPECT_EQ(notRunnable, 1);
    EXPECT_EQ(refreshed, 2);
}

TEST_F(AssemblyFile, CancelledDialogFromTheMenuChangesNothing)
{
    ASSERT_TRUE(materials.ReadMaterials((dir / "three.prp").string()));
    BuildAssembly();
    const std::string path = Write();
    settings.TSNFileName = path;
    const std::string before = Snapshot(tarsen, materials, settings);
    int refreshed = 0;
    ReadTarsenOptions hooks;
    hooks.RefreshAfterRead = [&] { ++refreshed; };
    front.m_fileAnswers.push_back(std::nullopt);
    const ReadTarsenResult r =
        OpenAssembly(OpenContext::Menu, tarsen, materials, settings, front, hooks);
    EXPECT_EQ(r.status, ReadTarsenStatus::Cancelled);
    EXPECT_FALSE(r.Applied());
    EXPECT_EQ(Snapshot(tarsen, materials, settings), before);
    EXPECT_EQ(refreshed, 0);

    // A confirmed choice reads it.
    front.m_fileAnswers.push_back(path);
    EXPECT_EQ(OpenAssembly(OpenContext::Menu, tarsen, materials, settings, front).status,
              ReadTarsenStatus::Read);
}

TEST_F(AssemblyFile, LegacyMaterialsConversionsAndRenamedFiles)
{
    // Read from the test data folder: its materials file is named in upper case in the file.
    settings.DataFolder = "/nonexistent";
    const ReadTarsenResult r =
        ReadTarsen(tarsen, materials, settings, front, (kData / "legacy.tsn").string());
    ASSERT_EQ(r.status, ReadTarsenStatus::Read) << r.error;
    EXPECT_EQ(tarsen.CellPart(0).Material, 2);
    EXPECT_EQ(tarsen.CellPart(0).MaterialIndex, 2);  // from ".Material" alone
    EXPECT_EQ(tarsen.CellPart(1).MaterialIndex, 0);  // ".MaterialIndex" wins
    EXPECT_EQ(tarsen.CellPart(2).MaterialIndex, 2);  // Single 1.5, halves to even
    EXPECT_EQ(tarsen.CellPart(3).MaterialIndex, -1); // below "none"
    EXPECT_EQ(tarsen.CellPart(6).MaterialIndex, -1); // neither key
    EXPECT_TRUE(tarsen.CellPart(4).Include);         // Long 1 is True
    EXPECT_EQ(tarsen.CellPart(5).Name, "2.5");
    EXPECT_EQ(settings.nr, 45);
    EXPECT_EQ(settings.AspectRatio, 1.5f);
    EXPECT_EQ(settings.nz, 68); // 67.5 to the even neighbour
    EXPECT_EQ(settings.zmax, 7.5f);
    EXPECT_EQ(settings.niters, 2);
    EXPECT_EQ(settings.ntits, 4);
    EXPECT_FALSE(settings.IncludePress);
    EXPECT_FALSE(settings.FluxMatch);
    EXPECT_EQ(fs::path(settings.DataFolder), kData);
    EXPECT_EQ(fs::path(settings.MaterialFileFullName), kData / "three.prp");
    EXPECT_TRUE(r.materialsRead);
    EXPECT_EQ(materials.NumberOfMaterials(), 3);
    EXPECT_EQ(tarsen.MaterialColors(1), kRed);
    EXPECT_TRUE(front.m_messages.empty()) << front.m_messages[0];
}

TEST_F(AssemblyFile, PartsNeedingMoreMaterialsEmptyTheTable)
{
    ASSERT_TRUE(materials.ReadMaterials((dir / "three.prp").string()));
    BuildAssembly();
    tarsen.CellPart(9).MaterialIndex = 12; // not even included
    const std::string path = Write();
    const ReadTarsenResult r = ReadTarsen(tarsen, materials, settings, front, path);
    ASSERT_EQ(r.status, ReadTarsenStatus::Read);
    EXPECT_TRUE(r.materialsRead);
    EXPECT_TRUE(r.materialsEmptied);
    EXPECT_EQ(materials.NumberOfMaterials(), 13);
    for (int i = 0; i < 13; ++i)
        EXPECT_FALSE(materials.HasThermal(i)) << i;
    EXPECT_EQ(tarsen.MaterialColors(0), clsMaterialProperties::DefaultColor(0));

    // More than the table can hold: its message, an empty table, not runnable.
    tarsen.CellPart(9).MaterialIndex = 40;
    Write();
    bool notRunnable = false;
    ReadTarsenOptions hooks;
    hooks.MarkNotRunnable = [&] { notRunnable = true; };
    front.m_messages.clear();
    const ReadTarsenResult big = ReadTarsen(tarsen, materials, settings, front, path, hooks);
    EXPECT_TRUE(big.materialsEmptied);
    EXPECT_TRUE(big.NoMaterials);
    EXPECT_TRUE(notRunnable);
    ASSERT_EQ(front.m_messages.size(), 1u);
    EXPECT_EQ(front.m_messages[0], kMsgTooManyMaterials);
}

TEST_F(AssemblyFile, UnusableGridValuesAreReplacedWithOneWarning)
{
    const std::string path = (dir / "bad.tsn").string();
    PropertyBag bag;
    bag.WriteSingle("rmax", -2.0f, 5.0f);
    bag.WriteInteger("nr", 1000, 64);
    bag.WriteSingle("AspectRatio", 8.0f, 1.0f);
    bag.WriteInteger("ibcs(1)", 1, 0);
    bag.WriteInteger("ibcs(2)", 0, 1);
    bag.WriteInteger("ibcs(3)", 0, 1);
    bag.WriteInteger("ibcs(4)", 0, 0);
    bag.WriteInteger("ninner", 3, 10);
    bag.WriteString("MaterialFile", "three.prp", "thermal.prp");
    bag.WriteSingle("tbc", -300.0f, 25.0f);           // below absolute zero
    bag.WriteSingle("GoToT", kAbsoluteZero, 1000.0f); // at it
    std::string doc;
    ASSERT_TRUE(bag.Contents(doc));
    Spit(path, doc);
    const ReadTarsenResult r = ReadTarsen(tarsen, materials, settings, front, path);
    ASSERT_EQ(r.status, ReadTarsenStatus::Read);
    ASSERT_EQ(front.m_messages.size(), 1u) << front.m_messages[1];
    // The boundary types name the value read and the value used.
    EXPECT_EQ(front.m_messages[0],
              MsgValuesReplaced(path, "rmax, nr, AspectRatio, GoToT, tbc") +
                  " The assembly file \"" + path +
                  "\" holds unusable boundary types. Boundary type ibcs(1) = 1 is replaced by 0: "
                  "the axis is always zero flux. Boundary type ibcs(2) = 0 is replaced by 1: one "
                  "of the sides r = rmax, z = zmax and z = 0 must be held at the boundary "
                  "temperature; hold another side first.");
    EXPECT_EQ(r.warnings, front.m_messages);
    EXPECT_EQ(settings.rmax, 5.0f);
    EXPECT_EQ(settings.nr, 64);
    EXPECT_EQ(settings.AspectRatio, 1.0f);
    EXPECT_EQ(settings.nz, 64);
    EXPECT_EQ(settings.ibcs,
              (std::array<std::int16_t, 5>{0, 0, 1, 0, 0})); // the outer radius is held
    EXPECT_EQ(settings.ninner, 3);
    EXPECT_EQ(settings.tbc, 25.0f);
    EXPECT_EQ(settings.GoToT, 1000.0f);

    // The limits themselves are usable.
    const std::array<std::int16_t, 5> asked{0, 0, 7, 0, -1};
    std::array<std::int16_t, 5> ibcs = asked;
    EXPECT_TRUE(NormaliseIbcs(ibcs));
    EXPECT_EQ(ibcs, (std::array<std::int16_t, 5>{0, 0, 1, 0, 1}));
    const std::vector<IbcsReplacement> replaced = IbcsReplacements(asked, ibcs);
    ASSERT_EQ(replaced.size(), 2u);
    EXPECT_EQ(replaced[1].side, 4);
    EXPECT_EQ(MsgIbcsReplaced(replaced[0]), "Boundary type ibcs(2) = 7 is replaced by 1: a side "
                                            "is either zero flux (0) or held at the boundary "
                                            "temperature (1).");
    EXPECT_FALSE(NormaliseIbcs(ibcs));
    PropertyBag edge;
    edge.WriteSingle("rmax", 1e-3f, 5.0f);
    edge.WriteInteger("nr", 4, 64);
    edge.WriteSingle("AspectRatio", 0.25f, 1.0f);
    edge.WriteString("MaterialFile", "three.prp", "thermal.prp");
    edge.WriteSingle("tbc", -273.14f, 25.0f);
    ASSERT_TRUE(edge.Contents(doc));
    Spit(path, doc);
    front.m_messages.clear();
    ReadTarsen(tarsen, materials, settings, front, path);
    EXPECT_TRUE(front.m_messages.empty());
    EXPECT_EQ(settings.nz, 1);
    EXPECT_EQ(settings.tbc, -273.14f);

    // A radius whose height would overflow a Single is as unusable as a negative one.
    PropertyBag huge;
    huge.WriteSingle("rmax", 3e38f, 5.0f);
    huge.WriteSingle("AspectRatio", 4.0f, 1.0f);
    huge.WriteString("MaterialFile", "three.prp", "thermal.prp");
    ASSERT_TRUE(huge.Contents(doc));
    Spit(path, doc);
    front.m_messages.clear();
    ReadTarsen(tarsen, materials, settings, front, path);
    ASSERT_EQ(front.m_messages.size(), 1u);
    EXPECT_EQ(front.m_messages[0], MsgValuesReplaced(path, "rmax"));
    EXPECT_EQ(settings.rmax, 5.0f);
    EXPECT_EQ(settings.zmax, 20.0f);
}

TEST_F(AssemblyFile, RefusedFilesLeaveMemoryUntouched)
{
    struct Row {
        const char* file;
        std::string reason; // a prefix for the parser's own texts
    };
    const std::string json = "it is not a valid JSON document (";
    const std::string notOurs = "it is not a Tarsen assembly file";
    const Row rows[] = {
        {"not_json.tsn", json},
        {"empty.tsn", json},
        {"trailing_bytes.tsn", json},
        {"array.tsn", notOurs},
        {"wrong_format.tsn", notOurs},
        {"no_format.tsn", notOurs},
        {"newer_version.tsn", "it was written by a newer version of the program (file version 2)"},
        {"text_version.tsn", notOurs + " (its version is missing or invalid)"},
        {"no_list.tsn", notOurs + " (it has no property list)"},
        {"entry_not_object.tsn", "entry 0 of the property list is not a property"},
        {"entry_no_value.tsn", "entry 0 of the property list lacks its name, type or value"},
        {"unknown_type.tsn", "\"rmax\" has the unknown type \"Double\""},
        {"type_mismatch.tsn", "\"rmax\" holds \"4.5\", which is not a Single"},
        {"duplicate_name.tsn", "the name \"rmax\" is stored twice"},
        {"text_for_number.tsn", "\"nr\" holds the text \"64\" where an Integer belongs"},
        {"integer_overflow.tsn", "\"nr\" holds 40000, which does not fit an Integer"},
        {"single_overflow.tsn", "\"tbc\" holds 1e+39, which does not fit a Single"},
        {"legacy_material_overflow.tsn",
         "\"Tarsen.CellPart(7.Material\" holds 100000, which does not fit an Integer"},
        {"long_overflow.tsn",
         "\"Tarsen.CellPart(3.HeatingType\" holds 3e+09, which does not fit a Long"},
        {"text_for_boolean.tsn",
         "\"IncludePress\" holds the text \"True\" where a Boolean belongs"},
        {"deep_nesting.tsn", "it nests deeper than an assembly file does"},
    };
    ASSERT_TRUE(materials.ReadMaterials((dir / "three.prp").string()));
    BuildAssembly();
    tarsen.MaterialColors(2, kWhite);
    settings.MaterialFileFullName = "kept";
    settings.TSNFileName = "kept.tsn";
    const std::string before = Snapshot(tarsen, materials, settings);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(kData / "errors"))
        files += entry.path().extension() == ".tsn";
    EXPECT_EQ(files, std::size(rows)) << "every file of the corpus has a row";

    int refreshed = 0;
    ReadTarsenOptions hooks;
    hooks.RefreshAfterRead = [&] { ++refreshed; };
    for (const Row& row : rows) {
        const std::string path = (kData / "errors" / row.file).string();
        front.m_messages.clear();
        const ReadTarsenResult r = ReadTarsen(tarsen, materials, settings, front, path, hooks);
        EXPECT_EQ(r.status, ReadTarsenStatus::Refused) << row.file;
        ASSERT_EQ(front.m_messages.size(), 1u) << row.file;
        const std::string prefix = MsgAssemblyRefused(path, row.reason);
        EXPECT_EQ(r.error, front.m_messages[0]);
        if (row.reason == json)
            EXPECT_EQ(r.error.substr(0, prefix.size() - 1), prefix.substr(0, prefix.size() - 1));
        else
            EXPECT_EQ(r.error, prefix) << row.file;
        EXPECT_EQ(Snapshot(tarsen, materials, settings), before) << row.file;
    }
    EXPECT_EQ(refreshed, 0);

    // A folder and a file above the size limit are refused without being parsed.
    fs::create_directory(dir / "folder.tsn");
    const std::string folder = (dir / "folder.tsn").string();
    EXPECT_EQ(ReadTarsen(tarsen, materials, settings, front, folder).error,
              MsgAssemblyRefused(folder, "it is a folder, not a file"));
    const std::string huge = (dir / "huge.tsn").string();
    Spit(huge, std::string(kBagMaxBytes + 1, ' '));
    EXPECT_EQ(ReadTarsen(tarsen, materials, settings, front, huge).error,
              MsgAssemblyRefused(huge, "the file is larger than 16 MiB"));
    // A pipe is refused at once rather than waited on for a writer that never comes.
    const std::string pipe = (dir / "pipe.tsn").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(ReadTarsen(tarsen, materials, settings, front, pipe).error,
              MsgAssemblyRefused(pipe, "it is not a regular file"));
    EXPECT_EQ(Snapshot(tarsen, materials, settings), before);
}

TEST_F(AssemblyFile, SavesReplaceTheFileWholeOrNotAtAll)
{
    ASSERT_TRUE(materials.ReadMaterials((dir / "three.prp").string()));
    BuildAssembly();
    const std::string path = Write();
    const std::string full = Slurp(path);

    // A save that stops before the rename leaves the previous file as it was.
    std::string error, temporary;
    EXPECT_FALSE(ReplaceFile(path, "{}", error, [&](const std::string& tmp) {
        temporary = tmp;
        return false;
    }));
    EXPECT_EQ(Slurp(path), full);
    EXPECT_EQ(fs::path(temporary).parent_path(), dir);
    EXPECT_EQ(Slurp(temporary), "{}");
    EXPECT_TRUE(IsTemporaryOf(fs::path(temporary).filename().string(), "a.tsn"));
    EXPECT_FALSE(IsTemporaryOf("a.tsn.tmp.0000000g", "a.tsn"));
    EXPECT_FALSE(IsTemporaryOf("b.tsn.tmp.00000000", "a.tsn"));

    // A shorter assembly over a longer file leaves nothing of the old one behind.
    clsTarsen empty;
    AssemblySettings plain;
    plain.MaterialFile = "three.prp";
    Spit(dir / "a.tsn.tmp.notmine", "kept");
    Spit(dir / "b.tsn.tmp.0badf00d", "kept");
    ASSERT_TRUE(WriteTarsen(empty, materials, plain, front, path).Written());
    // The next save of the same target removes what the interrupted one left, and only that.
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(Slurp(dir / "a.tsn.tmp.notmine"), "kept");
    EXPECT_EQ(Slurp(dir / "b.tsn.tmp.0badf00d"), "kept");
    const ReadTarsenResult r = ReadTarsen(tarsen, materials, settings, front, path);
    ASSERT_EQ(r.status, ReadTarsenStatus::Read) << r.error;
    EXPECT_FALSE(tarsen.CellPart(1).Include);

    // Failures are reported with the file's name and leave the target as it was.
    fs::create_directory(dir / "taken.tsn");
    const std::string taken = (dir / "taken.tsn").string();
    front.m_messages.clear();
    const WriteTarsenResult onFolder = WriteTarsen(tarsen, materials, settings, front, taken);
    EXPECT_EQ(onFolder.status, WriteTarsenStatus::Failed);
    ASSERT_EQ(front.m_messages.size(), 1u);
    const std::string expected = MsgAssemblyNotSaved(taken, "cannot replace the file (");
    EXPECT_EQ(front.m_messages[0].substr(0, expected.size() - 1),
              expected.substr(0, expected.size() - 1))
        << front.m_messages[0];
    EXPECT_TRUE(fs::is_directory(taken));
    const std::string nowhere = (dir / "missing" / "a.tsn").string();
    EXPECT_EQ(WriteTarsen(tarsen, materials, settings, front, nowhere).status,
              WriteTarsenStatus::Failed);
    EXPECT_EQ(WriteTarsen(tarsen, materials, settings, front, "").status,
              WriteTarsenStatus::Failed);
    std::size_t left = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        left += entry.path().filename().string().find(".tmp") != std::string::npos;
    EXPECT_EQ(left, 2u); // only the two that no save of ours made

    // A value the document cannot hold fails the save instead of writing an unreadable file.
    tarsen.CellPart(3).OuterRadius(std::numeric_limits<float>::infinity());
    const WriteTarsenResult inf = WriteTarsen(tarsen, materials, settings, front, path);
    EXPECT_EQ(inf.error, MsgAssemblyNotSaved(
                             path, "\"Tarsen.CellPart(3.OuterRadius\" is not a finite number"));
    EXPECT_EQ(ReadTarsen(tarsen, materials, settings, front, path).status, ReadTarsenStatus::Read);
}

TEST_F(AssemblyFile, SaveDialog)
{
    ASSERT_TRUE(materials.ReadMaterials((dir / "three.prp").string()));
    settings.TSNFileName = (dir / "chosen.tsn").string();
    front.m_fileAnswers.push_back(std::nullopt);
    EXPECT_EQ(SaveAssembly(tarsen, materials, settings, front).status,
              WriteTarsenStatus::Cancelled);
    ASSERT_EQ(front.m_fileRequests.size(), 1u);
    const FileRequest& q = front.m_fileRequests[0];
    EXPECT_TRUE(q.save);
    EXPECT_EQ(q.title, "Save Tarsen");
    EXPECT_EQ(q.folder, dir.string());
    EXPECT_EQ(q.defaultSuffix, "tsn");
    ASSERT_EQ(q.filters.size(), 2u);
    EXPECT_EQ(q.filters[0].first, "Tarsen Files (*.tsn)");
    EXPECT_EQ(q.filters[0].second, "*.tsn");
    EXPECT_FALSE(fs::exists(dir / "chosen.tsn"));
    front.m_fileAnswers.push_back((dir / "saved.tsn").string());
    EXPECT_TRUE(SaveAssembly(tarsen, materials, settings, front).Written());
    EXPECT_TRUE(fs::exists(dir / "saved.tsn"));
}

TEST_F(AssemblyFile, MaterialFileNamesFollowThePlatform)
{
    fs::create_directories(dir / "sub");
    Spit(dir / "sub" / "Thermal.PRP", "");
    const fs::path expected = dir / "sub" / "Thermal.PRP";
    // With and without a trailing separator, a stored backslash, any letter case.
    EXPECT_EQ(fs::path(MaterialFileFullName(dir.string(), "sub/Thermal.PRP")), expected);
    EXPECT_EQ(fs::path(MaterialFileFullName(dir.string() + "/", "sub\\thermal.prp")), expected);
    EXPECT_EQ(fs::path(MaterialFileFullName((dir / "sub").string(), "THERMAL.prp")), expected);
    // A name that matches nothing is still joined, for the caller's "missing" handling.
    EXPECT_EQ(fs::path(MaterialFileFullName(dir.string(), "none.prp")), dir / "none.prp");
    EXPECT_EQ(MaterialFileFullName("", "thermal.prp"), "thermal.prp");
    EXPECT_FALSE(FindExistingFile("").has_value());
    EXPECT_FALSE(FindExistingFile((dir / "nosuch" / "x.tsn").string()).has_value());

    // The materials file given by the caller replaces the stored one, which is kept.
    BuildAssembly();
    settings.MaterialFile = "missing.prp";
    const std::string path = Write();
    ReadTarsenOptions options;
    options.materialsOverride = (dir / "three.prp").string();
    const ReadTarsenResult r = ReadTarsen(tarsen, materials, settings, front, path, options);
    EXPECT_TRUE(r.materialsRead);
    EXPECT_EQ(settings.MaterialFile, "missing.prp");
    EXPECT_EQ(fs::path(settings.MaterialFileFullName), dir / "three.prp");
    EXPECT_EQ(materials.NumberOfMaterials(), 3);
}

} // namespace
} // namespace tarsen

namespace tarsen {
namespace {

class BundledExample : public ::testing::TestWithParam<const char*> {};

TEST_P(BundledExample, ReadsCleanlyAndFillsTheModel)
{
    const fs::path path = fs::path(TARSEN_SOURCE_DIR) / "examples" / GetParam();
    RecordingFrontEnd front;
    clsTarsen tarsen;
    clsMaterialProperties materials(&front);
    AssemblySettings settings;
    const ReadTarsenResult r = ReadTarsen(tarsen, materials, settings, front, path.string());
    ASSERT_EQ(r.status, ReadTarsenStatus::Read) << r.error;
    EXPECT_TRUE(front.m_messages.empty()) << front.m_messages[0];
    EXPECT_TRUE(r.materialsRead);
    EXPECT_EQ(materials.NumberOfMaterials(), 10);
    EXPECT_TRUE(settings.IncludePress);
    EXPECT_EQ(settings.ibcs, (std::array<std::int16_t, 5>{0, 0, 1, 1, 0}));
    // The multigrid rule: the shorter side a power of two, the longer a whole multiple of it.
    EXPECT_EQ(settings.nr & (settings.nr - 1), 0);
    EXPECT_EQ(settings.nz % settings.nr, 0);

    // Every cell centre of the file's grid lies in an included part with thermal data, and
    // exactly one part heats.
    for (int i = 0; i < settings.nr; ++i) {
        for (int j = 0; j < settings.nz; ++j) {
            const float r_mm = static_cast<float>((i + 0.5) * settings.rmax / settings.nr);
            const float z_mm = static_cast<float>((j + 0.5) * settings.zmax / settings.nz);
            std::int16_t mat = -1;
            const std::int16_t part =
                tarsen.CellPartAtPoint(r_mm, z_mm, settings.rmax, settings.zmax, mat);
            ASSERT_GE(part, 0) << i << "," << j;
            ASSERT_TRUE(materials.HasThermal(mat)) << i << "," << j;
        }
    }
    int heating = 0;
    for (int i = 0; i <= 30; ++i)
        heating += tarsen.CellPart(i).Include && tarsen.CellPart(i).HeatingType != kNonHeating;
    EXPECT_EQ(heating, 1);
    EXPECT_GT(tarsen.TotalElectricalResistance(materials, settings.tbc), 0.0f);

    // The file is in the writer's own form: writing what was read gives it back byte for byte.
    for (int i = 0; i <= 30; ++i)
        if (!tarsen.CellPart(i).Include)
            tarsen.CellPart(i).Name = ".";
    const fs::path copy = fs::temp_directory_path() / ("tarsen-example-" + std::string(GetParam()));
    ASSERT_TRUE(WriteTarsen(tarsen, materials, settings, front, copy.string()).Written());
    EXPECT_EQ(Slurp(copy), Slurp(path));
    fs::remove(copy);
}

INSTANTIATE_TEST_SUITE_P(Examples, BundledExample,
                         ::testing::Values("furnace.tsn", "tapered_furnace.tsn"));

} // namespace
} // namespace tarsen
