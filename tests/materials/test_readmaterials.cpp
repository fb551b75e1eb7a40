#include "common/colour.h"
#include "materials/clsmaterialproperties.h"
#include "materials/readmaterials.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tarsen;
namespace fs = std::filesystem;

namespace {

/// Records the texts and how many boxes they came in.
struct BoxCounter : RecordingFrontEnd {
    int m_boxes = 0;
    void ShowMessage(std::string_view text) override
    {
        ++m_boxes;
        RecordingFrontEnd::ShowMessage(text);
    }
    void ShowMessages(const std::vector<std::string>& texts) override
    {
        ++m_boxes;
        RecordingFrontEnd::ShowMessages(texts);
    }
};

/// A scratch folder of this test program, emptied for every test.
class PrpFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One folder per process: ctest runs the cases of this suite side by side.
        m_dir =
            fs::path(::testing::TempDir()) / ("tarsen_readmaterials_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    /// Writes the bytes as they stand to name in the scratch folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const fs::path p = m_dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    /// Writes and reads a file; the messages land in m_front.
    bool Read(const std::string& bytes, const std::string& name = "t.prp")
    {
        return m_table.ReadMaterials(Write(name, bytes));
    }

    fs::path m_dir;
    BoxCounter m_front;
    clsMaterialProperties m_table{&m_front};
};

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST_F(PrpFiles, OneMaterialWithConstantConductivity)
{
    ASSERT_TRUE(Read("MATERIAL 0 = A\r\nC0 = 3\r\n"));
    EXPECT_TRUE(m_front.m_messages.empty());
    ASSERT_EQ(m_table.NumberOfMaterials(), 1);
    EXPECT_EQ(m_table.MaterialNames(0), "A");
    for (double T : {0.0, 25.0, 1000.0})
        EXPECT_FLOAT_EQ(m_table.Conductivity(0, T), 3.0f);
    EXPECT_TRUE(m_table.HasThermal(0));
    EXPECT_FALSE(m_table.HasElectrical(0));
    EXPECT_EQ(m_table.Colors(0), RGB(250, 250, 250));
    // The defaults of a material the file does not override.
    EXPECT_FLOAT_EQ(m_table.density(0), 1.0f);
    EXPECT_FLOAT_EQ(m_table.porosity(0), 0.0f);
    EXPECT_FLOAT_EQ(m_table.tmin(0), 0.0f);
    EXPECT_FLOAT_EQ(m_table.tmax(0), 2500.0f);
    EXPECT_EQ(m_table.MaterialName(0), "");
    // The entry -1 keeps what InitializeDimensions gave it.
    EXPECT_EQ(m_table.MaterialNames(-1), "Material -1");
    EXPECT_EQ(m_table.Colors(-1), RGB(255, 0, 0));
    EXPECT_FLOAT_EQ(m_table.tmax(-1), 0.0f);
}

TEST_F(PrpFiles, NumbersNoHeaderNamesAreGapsWithoutData)
{
    ASSERT_TRUE(Read("MATERIAL 5 = Five\nC0 = 1\n"));
    ASSERT_EQ(m_table.NumberOfMaterials(), 6);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m_table.MaterialNames(i), "Material " + std::to_string(i));
        EXPECT_EQ(m_table.Colors(i), RGB(255, 0, 0));
        EXPECT_FALSE(m_table.HasThermal(i));
        EXPECT_FLOAT_EQ(m_table.C0(i), 0.0f);
    }
    EXPECT_EQ(m_table.Colors(5), RGB(250, 248, 141)); // the palette colour of 5

    // A file without any header still has one material, without data.
    ASSERT_TRUE(Read("' nothing but a comment\n"));
    EXPECT_EQ(m_table.NumberOfMaterials(), 1);
    EXPECT_EQ(m_table.MaterialNames(0), "Material 0");
}

TEST_F(PrpFiles, EveryKeyGoesToItsCoefficientAndOnlySomeSetAFlag)
{
    struct Row {
        const char* key;
        std::function<float(const clsMaterialProperties&)> get;
        bool thermal, electrical;
    };
    const std::vector<Row> rows = {
        {"C0", [](auto& t) { return t.C0(0); }, true, false},
        {"C1", [](auto& t) { return t.C1(0); }, true, false},
        {"C2", [](auto& t) { return t.C2(0); }, true, false},
        {"C3", [](auto& t) { return t.C3(0); }, true, false},
        {"C4", [](auto& t) { return t.C4(0); }, true, false},
        {"C5", [](auto& t) { return t.C5(0); }, true, false},
        {"CMinus1", [](auto& t) { return t.CMinus1(0); }, true, false},
        {"R0", [](auto& t) { return t.R0(0); }, false, true},
        {"R1", [](auto& t) { return t.r1(0); }, false, true},
        {"R2", [](auto& t) { return t.r2(0); }, false, true},
        {"R3", [](auto& t) { return t.r3(0); }, false, true},
        {"R4", [](auto& t) { return t.r4(0); }, false, true},
        {"R_Preexp", [](auto& t) { return t.R_Preexp(0); }, false, true},
        {"R_Exp", [](auto& t) { return t.R_Exp(0); }, false, true},
        {"TMin", [](auto& t) { return t.tmin(0); }, false, false},
        {"TMax", [](auto& t) { return t.tmax(0); }, false, false},
        {"TCoeff1", [](auto& t) { return t.r1(0); }, false, false},
        {"Resistivity", [](auto& t) { return t.R0(0); }, false, false},
        {"Density", [](auto& t) { return t.density(0); }, false, false},
        {"Porosity", [](auto& t) { return t.porosity(0); }, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        ASSERT_TRUE(Read("MATERIAL 0 = M\n" + std::string(row.key) + " = 2E-8\n"));
        EXPECT_TRUE(m_front.m_messages.empty());
        EXPECT_FLOAT_EQ(row.get(m_table), 2e-8f);
        EXPECT_EQ(m_table.HasThermal(0), row.thermal);
        EXPECT_EQ(m_table.HasElectrical(0), row.electrical);
    }
}

TEST_F(PrpFiles, FlagsStaySetAndLaterLinesOverwrite)
{
    ASSERT_TRUE(Read("MATERIAL 0 = M\nC2 = 5\nC2 = 0\nR_Exp = -3\nR_Exp = 0\nTMax = 900\n"
                     "TMax = 1200\n"));
    EXPECT_FLOAT_EQ(m_table.C2(0), 0.0f);
    EXPECT_TRUE(m_table.HasThermal(0));
    EXPECT_FLOAT_EQ(m_table.R_Exp(0), 0.0f);
    EXPECT_TRUE(m_table.HasElectrical(0));
    EXPECT_FLOAT_EQ(m_table.tmax(0), 1200.0f);

    // A value of 0 never sets a flag; a value too small for a Single stores 0 and sets none.
    ASSERT_TRUE(Read("MATERIAL 0 = M\nC0 = 0\nR0 = 1e-60\n"));
    EXPECT_FALSE(m_table.HasThermal(0));
    EXPECT_FALSE(m_table.HasElectrical(0));
}

TEST_F(PrpFiles, ColoursFromThePaletteTheHexLineAndTheColorKey)
{
    ASSERT_TRUE(Read("MATERIAL 0 = Hex\nCOLOR = 0080FF\n"
                     "MATERIAL 1 = Long\nColor = 255\n"
                     "MATERIAL 2 = Amp\nColor = &HFF0000\n"
                     "MATERIAL 3 = Last\nCOLOR = 0080ff\nColor = 65280\n"
                     "MATERIAL 4 = Plain\n"));
    EXPECT_TRUE(m_front.m_messages.empty());
    EXPECT_EQ(m_table.Colors(0), RGB(0, 128, 255));
    EXPECT_EQ(m_table.Colors(1), kRed);
    EXPECT_EQ(m_table.Colors(2), kBlue);
    EXPECT_EQ(m_table.Colors(3), RGB(0, 255, 0)); // the last colour line wins
    EXPECT_EQ(m_table.Colors(4), RGB(128, 128, 128));
    // Colours are Longs red + 256 green + 65536 blue.
    EXPECT_EQ(m_table.Colors(0), 0 + 256 * 128 + 65536 * 255);
}

TEST_F(PrpFiles, LineKindsAreTestedOnTheRawLine)
{
    ASSERT_TRUE(Read("MATERIAL 0 = First\n"
                     "  ' an indented apostrophe is a key\n"
                     "  MATERIAL 3 = Indented\n"
                     "C0 = 7\n"
                     "   C1   =   0.5   \n"
                     "REFERENCE Someone\n"
                     "c0 = 1\n"
                     "C0=1\n"
                     "C0\t= 2\n")); // a tab is part of a word
    // The indented header counts in the first pass only; its lines belong to material 0.
    ASSERT_EQ(m_table.NumberOfMaterials(), 4);
    EXPECT_EQ(m_table.MaterialNames(3), "Material 3");
    EXPECT_EQ(m_table.Colors(3), RGB(255, 0, 0));
    EXPECT_FLOAT_EQ(m_table.C0(0), 7.0f);
    EXPECT_FLOAT_EQ(m_table.C1(0), 0.5f); // runs of spaces reduce to one
    // "REF" is all a reference line needs; the text starts at the seventh character.
    EXPECT_EQ(m_table.MaterialName(0), "NCE Someone");
    const std::vector<std::string> expected = {"Unknown parameter '", "Unknown parameter MATERIAL",
                                               "Unknown parameter c0", "Unknown parameter C0=1",
                                               "Unknown parameter C0\t="};
    EXPECT_EQ(m_front.m_messages, expected);
}

TEST_F(PrpFiles, HeaderNumbersAndNames)
{
    ASSERT_TRUE(Read("MATERIAL 2 = Boron nitride\n"
                     "MATERIAL 0.5 = HalfToEven\n"
                     "MATERIAL 3.5 = Four\n"
                     "MATERIAL 1 : Colon\n"
                     "MATERIALS 5 = Plural\n"));
    EXPECT_TRUE(m_front.m_messages.empty());
    ASSERT_EQ(m_table.NumberOfMaterials(), 6);
    EXPECT_EQ(m_table.MaterialNames(2), "Boron");      // a name is one word
    EXPECT_EQ(m_table.MaterialNames(0), "HalfToEven"); // 0.5 rounds to 0
    EXPECT_EQ(m_table.MaterialNames(4), "Four");       // 3.5 rounds to 4
    EXPECT_EQ(m_table.MaterialNames(1), "Colon");      // the separator's content is free
    EXPECT_EQ(m_table.MaterialNames(5), "Plural");
    EXPECT_EQ(m_table.MaterialNames(3), "Material 3");
}

TEST_F(PrpFiles, ADuplicateBlockChangesNothing)
{
    ASSERT_TRUE(Read("MATERIAL 2 = Two\nC0 = 1\nMATERIAL 2 = Again\nC0 = 5\nCOLOR = 000000\n"
                     "REF = later\nMATERIAL 1 = One\nC0 = 3\n"));
    ASSERT_EQ(m_front.m_messages.size(), 1u);
    EXPECT_EQ(m_front.m_messages[0], "Duplicate material number 2 was found in the materials "
                                     "file.  Only the first one will be used.");
    EXPECT_EQ(m_table.MaterialNames(2), "Two");
    EXPECT_FLOAT_EQ(m_table.C0(2), 1.0f);
    EXPECT_EQ(m_table.Colors(2), RGB(170, 226, 219));
    EXPECT_EQ(m_table.MaterialName(2), "");
    EXPECT_FLOAT_EQ(m_table.C0(1), 3.0f); // the next header ends the skipped block
}

TEST_F(PrpFiles, ThirtyMaterialsAreReadThirtyOneRefused)
{
    ASSERT_TRUE(Read("MATERIAL 29 = Last\nC0 = 1\n"));
    EXPECT_EQ(m_table.NumberOfMaterials(), 30);
    EXPECT_EQ(m_table.Colors(29), RGB(0, 0, 255));
    EXPECT_TRUE(m_front.m_messages.empty());

    // 30, numbers rounding to 30 and numbers beyond any Integer refuse the whole file.
    for (const char* number : {"30", "29.5", "1E9", "1E300"}) {
        SCOPED_TRACE(number);
        m_front.m_messages.clear();
        EXPECT_FALSE(Read("MATERIAL 0 = A\nC0 = 1\nMATERIAL " + std::string(number) + " = B\n"));
        EXPECT_EQ(m_table.NumberOfMaterials(), 0);
        EXPECT_TRUE(m_table.NoMaterials());
        EXPECT_EQ(m_front.m_messages, std::vector<std::string>{std::string(kMsgTooManyMaterials)});
    }
    // 28.5 rounds to the even 28.
    ASSERT_TRUE(Read("MATERIAL 28.5 = B\n"));
    EXPECT_EQ(m_table.NumberOfMaterials(), 29);
}

TEST_F(PrpFiles, WarningsOfOneReadShareOneBox)
{
    std::string text = "MATERIAL 0 = M\n";
    for (int i = 0; i < 25; ++i)
        text += "Bad" + std::to_string(i) + " = 1\n";
    ASSERT_TRUE(Read(text));
    EXPECT_EQ(m_front.m_boxes, 1);
    ASSERT_EQ(m_front.m_messages.size(), 21u);
    EXPECT_EQ(m_front.m_messages[0], "Unknown parameter Bad0");
    EXPECT_EQ(m_front.m_messages[19], "Unknown parameter Bad19");
    EXPECT_EQ(m_front.m_messages[20], "and 5 more");

    // Exactly twenty need no "more" line.
    m_front = BoxCounter{};
    text = "MATERIAL 0 = M\n";
    for (int i = 0; i < 20; ++i)
        text += "Bad = 1\n";
    ASSERT_TRUE(Read(text));
    EXPECT_EQ(m_front.m_messages.size(), 20u);
}

TEST_F(PrpFiles, AFileWithAProblemOnEveryLineStaysBounded)
{
    std::string text = "MATERIAL 0 = M\n";
    for (int i = 0; i < 5000; ++i)
        text += "C0 = x\n";
    const MaterialsReadLog log = ReadMaterialsFile(m_table, Write("many.prp", text));
    EXPECT_EQ(log.status, MaterialsReadLog::Status::Read);
    EXPECT_EQ(log.warningCount, 5000u);
    EXPECT_EQ(log.warnings.size(), kKeptWarnings);
    const auto shown = WarningsForDisplay(log);
    ASSERT_EQ(shown.size(), kShownWarnings + 1);
    EXPECT_EQ(shown.back(), "and 4980 more");

    // A very long line is quoted shortened, never whole.
    const std::string longLine = "C0 = " + std::string(1 << 20, '7') + "x";
    ASSERT_TRUE(Read("MATERIAL 0 = M\n" + longLine + "\n"));
    ASSERT_EQ(m_front.m_messages.size(), 1u);
    EXPECT_EQ(m_front.m_messages[0], "t.prp, line 2: " + std::string(kMsgValueNotANumber) + ": " +
                                         longLine.substr(0, kQuotedLineBytes) + "...");
}

TEST_F(PrpFiles, LinesEndAtCrLfLoneCrOrLf)
{
    ASSERT_TRUE(Read("MATERIAL 0 = A\r\nC0 = 1\rC1 = 2\nMATERIAL 1 = B\n\rC0 = 3\r\n\r\nC1 = 4"));
    EXPECT_TRUE(m_front.m_messages.empty());
    ASSERT_EQ(m_table.NumberOfMaterials(), 2);
    EXPECT_FLOAT_EQ(m_table.C0(0), 1.0f);
    EXPECT_FLOAT_EQ(m_table.C1(0), 2.0f);
    EXPECT_FLOAT_EQ(m_table.C0(1), 3.0f);
    EXPECT_FLOAT_EQ(m_table.C1(1), 4.0f); // a last line without an end counts

    // Line numbers in messages count every kind of line end.
    ASSERT_TRUE(Read("MATERIAL 0 = A\r\n\rC0 = ?\n"));
    ASSERT_EQ(m_front.m_messages.size(), 1u);
    EXPECT_EQ(m_front.m_messages[0],
              "t.prp, line 3: " + std::string(kMsgValueNotANumber) + ": C0 = ?");
}

TEST_F(PrpFiles, TextIsUtf8WhenValidElseWindows1252)
{
    ASSERT_TRUE(Read("MATERIAL 0 = Ni\xC3\xA9\nREF = Gr\xC3\xBCneisen (1912)\n"));
    EXPECT_EQ(m_table.MaterialNames(0), "Ni\xC3\xA9");
    EXPECT_EQ(m_table.MaterialName(0), "Gr\xC3\xBCneisen (1912)");

    // One byte that is not UTF-8 makes the whole file Windows-1252.
    ASSERT_TRUE(Read("MATERIAL 0 = Ni\xE9\nREF = \x80 5 \x96 \xC3\xA9\n"));
    EXPECT_EQ(m_table.MaterialNames(0), "Ni\xC3\xA9");
    EXPECT_EQ(m_table.MaterialName(0), "\xE2\x82\xAC 5 \xE2\x80\x93 \xC3\x83\xC2\xA9");

    // A byte-order mark does not hide the first header.
    ASSERT_TRUE(Read("\xEF\xBB\xBFMATERIAL 0 = Bom\nC0 = 2\n"));
    EXPECT_TRUE(m_front.m_messages.empty());
    EXPECT_EQ(m_table.MaterialNames(0), "Bom");

    // The reference starts after six characters, not six bytes.
    ASSERT_TRUE(Read("MATERIAL 0 = M\nREF \xC3\xA9 Text\n"));
    EXPECT_EQ(m_table.MaterialName(0), "Text");
}

TEST_F(PrpFiles, FilesThatCannotBeUsedLeaveAnEmptyTable)
{
    const std::string good = "MATERIAL 0 = A\nC0 = 1\nMATERIAL 1 = B\n";
    struct Case {
        std::string name;
        std::function<std::string()> make; // returns the path
        std::string_view reason;
    };
    const std::vector<Case> cases = {
        {"missing", [&] { return (m_dir / "none.prp").string(); }, kMsgFileNotFound},
        {"empty name", [] { return std::string(); }, kMsgFileNotFound},
        {"folder", [&] { return m_dir.string(); }, kMsgFileIsFolder},
        {"zero bytes", [&] { return Write("z.prp", std::string("MATERIAL 0 = A\0", 15)); },
         kMsgFileNotText},
        {"utf-16", [&] { return Write("w.prp", std::string("\xFF\xFEM\0A\0", 6)); }, kMsgFileUtf16},
        {"too large",
         [&] { return Write("big.prp", std::string(kMaxMaterialsFileBytes + 1, '\'')); },
         kMsgFileTooLarge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Read(good));
        ASSERT_EQ(m_table.NumberOfMaterials(), 2);
        m_front = BoxCounter{};
        const std::string path = c.make();
        EXPECT_FALSE(m_table.ReadMaterials(path));
        EXPECT_TRUE(m_table.NoMaterials());
        EXPECT_EQ(m_table.MaterialNames(0), "Material -1"); // index 0 now reads entry -1
        EXPECT_EQ(m_front.m_messages, std::vector<std::string>{"The materials file \"" + path +
                                                               "\" " + std::string(c.reason)});
        EXPECT_EQ(m_front.m_boxes, 1);
    }
    // A file of exactly the largest size is read.
    ASSERT_TRUE(Read(std::string(kMaxMaterialsFileBytes, '\'')));
}

TEST_F(PrpFiles, AReadReplacesTheWholeTable)
{
    ASSERT_TRUE(Read("MATERIAL 0 = A\nC0 = 1\nREF = first file\nMATERIAL 2 = C\nR0 = 1\n"));
    m_table.Colors(0, kWhite);
    ASSERT_TRUE(Read("MATERIAL 0 = Z\n"));
    ASSERT_EQ(m_table.NumberOfMaterials(), 1);
    EXPECT_EQ(m_table.MaterialNames(0), "Z");
    EXPECT_FALSE(m_table.HasThermal(0));
    EXPECT_FLOAT_EQ(m_table.C0(0), 0.0f);
    EXPECT_EQ(m_table.MaterialName(0), "");
    EXPECT_EQ(m_table.Colors(0), RGB(250, 250, 250));
}

// The errors corpus: each file with the exact messages it raises (one per line of its .msg
// file; {path} stands for the path of the .prp) and the table it leaves.
struct CorpusCase {
    const char* file;
    bool read;
    int count;
    std::function<void(const clsMaterialProperties&)> check;
};

class ErrorsCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(ErrorsCorpus, MessagesAndResultingTable)
{
    const CorpusCase& c = GetParam();
    const fs::path dir = fs::path(TARSEN_SOURCE_DIR) / "tests/data/materials/errors";
    const fs::path prp = dir / (std::string(c.file) + ".prp");
    std::vector<std::string> expected;
    {
        std::istringstream msg(ReadAll(dir / (std::string(c.file) + ".msg")));
        for (std::string line; std::getline(msg, line);) {
            if (const auto at = line.find("{path}"); at != std::string::npos)
                line.replace(at, 6, prp.string());
            expected.push_back(line);
        }
    }
    RecordingFrontEnd front;
    clsMaterialProperties table(&front);
    EXPECT_EQ(table.ReadMaterials(prp.string()), c.read);
    EXPECT_EQ(front.m_messages, expected);
    ASSERT_EQ(table.NumberOfMaterials(), c.count);
    if (c.check)
        c.check(table);
}

INSTANTIATE_TEST_SUITE_P(
    Prp, ErrorsCorpus,
    ::testing::Values(CorpusCase{"before_header", true, 1,
                                 [](const auto& mt) {
                                     EXPECT_FLOAT_EQ(mt.C0(0), 6.0f);
                                     EXPECT_FLOAT_EQ(mt.C1(0), 0.0f);
                                 }},
                      CorpusCase{"header_not_number", true, 2,
                                 [](const auto& mt) {
                                     EXPECT_FLOAT_EQ(mt.C0(0), 6.0f);
                                     EXPECT_FLOAT_EQ(mt.C0(1), 1.0f);
                                     EXPECT_EQ(mt.MaterialName(0), "");
                                     EXPECT_EQ(mt.MaterialName(1), "");
                                 }},
                      CorpusCase{"header_negative", true, 1,
                                 [](const auto& mt) {
                                     EXPECT_FLOAT_EQ(mt.C0(0), 6.0f);
                                     EXPECT_EQ(mt.MaterialNames(-1), "Material -1");
                                     EXPECT_FLOAT_EQ(mt.C0(-1), 0.0f);
                                     EXPECT_EQ(mt.Colors(-1), RGB(255, 0, 0));
                                 }},
                      CorpusCase{"header_short", true, 2,
                                 [](const auto& mt) {
                                     EXPECT_EQ(mt.MaterialNames(0), "Material 0");
                                     EXPECT_EQ(mt.MaterialNames(1), "Material 1");
                                     EXPECT_FLOAT_EQ(mt.C0(0), 6.0f);
                                     EXPECT_FLOAT_EQ(mt.C0(1), 1.0f);
                                     EXPECT_EQ(mt.Colors(1), RGB(200, 0, 200));
                                 }},
                      CorpusCase{"parameter_short", true, 1,
                                 [](const auto& mt) {
                                     EXPECT_FLOAT_EQ(mt.C0(0), 6.0f);
                                     EXPECT_FLOAT_EQ(mt.C1(0), 0.0f);
                                     EXPECT_FLOAT_EQ(mt.C2(0), 0.0f);
                                 }},
                      CorpusCase{
                          "reference_short", true, 2,
                          [](const auto& mt) { EXPECT_EQ(mt.MaterialName(0), "Someone (1999)"); }},
                      CorpusCase{"colour_not_hex", true, 1,
                                 [](const auto& mt) { EXPECT_EQ(mt.Colors(0), RGB(0, 128, 255)); }},
                      CorpusCase{"value_not_number", true, 1,
                                 [](const auto& mt) {
                                     EXPECT_FLOAT_EQ(mt.C0(0), 6.0f);
                                     EXPECT_FLOAT_EQ(mt.C1(0), 0.0f);
                                     EXPECT_FLOAT_EQ(mt.density(0), 1.0f);
                                     EXPECT_FLOAT_EQ(mt.R0(0), 0.0f);
                                     EXPECT_FALSE(mt.HasElectrical(0));
                                 }},
                      CorpusCase{"color_out_of_range", true, 1,
                                 [](const auto& mt) { EXPECT_EQ(mt.Colors(0), RGB(0, 255, 0)); }},
                      CorpusCase{"unknown_keys", true, 3,
                                 [](const auto& mt) {
                                     EXPECT_FLOAT_EQ(mt.C0(0), 4.0f);
                                     EXPECT_EQ(mt.MaterialNames(2), "Material 2");
                                     EXPECT_EQ(mt.Colors(2), RGB(255, 0, 0));
                                 }},
                      CorpusCase{"duplicate", true, 2,
                                 [](const auto& mt) {
                                     EXPECT_EQ(mt.MaterialNames(1), "Glass");
                                     EXPECT_FLOAT_EQ(mt.C0(1), 1.0f);
                                     EXPECT_EQ(mt.Colors(1), RGB(200, 0, 200));
                                 }},
                      CorpusCase{"too_many", false, 0, nullptr},
                      CorpusCase{"nul_bytes", false, 0, nullptr}),
    [](const ::testing::TestParamInfo<CorpusCase>& row) { return std::string(row.param.file); });

// The bundled materials file: the fixed order the example assemblies rely on, no warnings,
// and laws that stay finite and positive over each material's stated range.
TEST(BundledMaterials, ExampleFileIsCompleteAndPhysical)
{
    RecordingFrontEnd front;
    clsMaterialProperties table(&front);
    ASSERT_TRUE(table.ReadMaterials(std::string(TARSEN_SOURCE_DIR) + "/examples/thermal.prp"));
    EXPECT_TRUE(front.m_messages.empty());
    const std::vector<std::string> names = {"Pyrophyllite", "MgO",  "Al2O3", "ZrO2", "Graphite",
                                            "LaCrO3",       "Talc", "hBN",   "NaCl", "Pt"};
    ASSERT_EQ(table.NumberOfMaterials(), static_cast<int>(names.size()));
    for (int i = 0; i < table.NumberOfMaterials(); ++i) {
        SCOPED_TRACE(names[static_cast<std::size_t>(i)]);
        EXPECT_EQ(table.MaterialNames(i), names[static_cast<std::size_t>(i)]);
        EXPECT_TRUE(table.HasThermal(i));
        EXPECT_NE(table.MaterialName(i).find("(19"), std::string::npos); // a dated source
        EXPECT_LT(table.tmin(i), table.tmax(i));
        const bool electrical = i == 4 || i == 5 || i == 9;
        EXPECT_EQ(table.HasElectrical(i), electrical);
        for (int s = 0; s <= 100; ++s) {
            const double T = table.tmin(i) + (table.tmax(i) - table.tmin(i)) * s / 100.0;
            const float k = table.Conductivity(i, T);
            EXPECT_TRUE(k > 0.0f && k < 500.0f) << "k(" << T << ") = " << k;
            if (electrical) {
                const double rho = table.Resistivity(i, static_cast<float>(T));
                EXPECT_TRUE(rho > 0.0 && std::isfinite(rho)) << "rho(" << T << ") = " << rho;
            }
        }
    }
    // Resistivities in ohm mm (1000 x ohm m): graphite about 1e-5 ohm m, falling a little up
    // to 1000 deg C; LaCrO3 a semiconductor of 0.01 ... 0.1 ohm m at 1000 deg C, falling with
    // temperature; platinum about 4e-7 ohm m at 1000 deg C.
    EXPECT_NEAR(table.Resistivity(4, 25.0f), 0.011, 0.002);
    EXPECT_LT(table.Resistivity(4, 1000.0f), table.Resistivity(4, 25.0f));
    EXPECT_GT(table.Resistivity(5, 1000.0f), 10.0);
    EXPECT_LT(table.Resistivity(5, 1000.0f), 100.0);
    EXPECT_GT(table.Resistivity(5, 500.0f), table.Resistivity(5, 1000.0f));
    EXPECT_NEAR(table.Resistivity(9, 1000.0f), 4.2e-4, 0.3e-4);
}
