#include "simulation/sheet.h"
#include "simulation/sheetfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tarsen;

namespace {

std::filesystem::path FreshDir(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tarsen-sheet-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/// One member of a zip archive, unpacked by the system's unzip; empty when it is missing.
std::string ZipMember(const std::filesystem::path& archive, const std::string& member)
{
    const std::string command = "unzip -p '" + archive.string() + "' '" + member + "'";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
            out.append(buf, n);
        ::pclose(pipe);
    }
    return out;
}

std::string XmlUnescape(std::string s)
{
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities) {
        for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + 1))
            s.replace(p, std::string(from).size(), to);
    }
    return s;
}

/// The cells of the first worksheet of an .xlsx workbook, read from its XML: text cells through
/// the shared-string table, number cells as written.
std::map<std::string, CellValue> ReadWorkbookCells(const std::filesystem::path& file)
{
    std::vector<std::string> strings;
    const std::string shared = ZipMember(file, "xl/sharedStrings.xml");
    const std::regex si(R"(<si><t(?: [^>]*)?>([^<]*)</t></si>)");
    for (auto it = std::sregex_iterator(shared.begin(), shared.end(), si);
         it != std::sregex_iterator(); ++it)
        strings.push_back(XmlUnescape((*it)[1]));

    std::map<std::string, CellValue> cells;
    const std::string sheet = ZipMember(file, "xl/worksheets/sheet1.xml");
    const std::regex cell(
        R"re(<c r="([A-Z]+[0-9]+)"(?: s="[0-9]+")?( t="s")?><v>([^<]*)</v></c>)re");
    for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell);
         it != std::sregex_iterator(); ++it) {
        const std::string address = (*it)[1];
        if ((*it)[2].matched)
            cells[address] = strings.at(std::stoul((*it)[3]));
        else
            cells[address] = std::stod((*it)[3]);
    }
    return cells;
}

} // namespace

TEST(SheetColumns, LettersRunPastZAndBack)
{
    struct Row {
        const char* letters;
        int index;
    };
    for (const Row r : {Row{"A", 0}, Row{"Z", 25}, Row{"AA", 26}, Row{"AZ", 51}, Row{"BA", 52},
                        Row{"ZZ", 701}, Row{"AAA", 702}, Row{"XFD", 16383}}) {
        EXPECT_EQ(ColumnIndex(r.letters).value(), r.index) << r.letters;
        EXPECT_EQ(ColumnName(r.index), r.letters);
    }
    EXPECT_EQ(ColumnIndex("ab").value(), 27);
    for (const char* bad : {"", "XFE", "AAAA", "A1", "1", " A", "-", "\xC3\x84"})
        EXPECT_FALSE(ColumnIndex(bad).has_value()) << bad;
    EXPECT_EQ(ColumnName(-1), "");
    EXPECT_EQ(ColumnName(kSheetColumns), "");

    EXPECT_EQ(AdvanceColumn("A", 2).value(), "C");
    EXPECT_EQ(AdvanceColumn("Y", 2).value(), "AA");
    EXPECT_EQ(AdvanceColumn("z", 2).value(), "AB");
    EXPECT_EQ(AdvanceColumn("AZ", 2).value(), "BB");
    EXPECT_FALSE(AdvanceColumn("XFC", 2).has_value());
    EXPECT_FALSE(AdvanceColumn("A!", 2).has_value());
}

TEST(SheetCells, AddressesAndValues)
{
    EXPECT_EQ(ParseAddress("b12").value(), (CellAddress{1, 12}));
    EXPECT_EQ(ParseAddress("XFD1048576").value(), (CellAddress{16383, kSheetRows}));
    for (const char* bad : {"", "A", "12", "A0", "A01", "1A", "A1048577", "A1 ", "A-1"})
        EXPECT_FALSE(ParseAddress(bad).has_value()) << bad;
    EXPECT_EQ(AddressText({27, 3}), "AB3");

    Sheet sheet;
    EXPECT_TRUE(sheet.Empty());
    EXPECT_EQ(sheet.LastRow(), 0);
    EXPECT_EQ(sheet.LastColumn(), -1);
    EXPECT_TRUE(sheet.SetText("A1", "0.5"));
    EXPECT_TRUE(sheet.SetNumber("B1", 25.0));
    EXPECT_TRUE(sheet.SetNumber(CellAddress{3, 7}, -1.5));
    EXPECT_TRUE(sheet.SetText("a1", "again")); // overwrites
    EXPECT_FALSE(sheet.SetText("A0", "x"));
    EXPECT_FALSE(sheet.SetNumber("C1", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(std::get<std::string>(*sheet.Cell("A1")), "again");
    EXPECT_EQ(std::get<double>(*sheet.Cell("B1")), 25.0);
    EXPECT_EQ(sheet.Cell("C1"), nullptr);
    EXPECT_EQ(sheet.LastRow(), 7);
    EXPECT_EQ(sheet.LastColumn(), 3);
    EXPECT_EQ(sheet.Cells().size(), 3u);

    // A Single goes into the sheet as the number its shortest text shows.
    EXPECT_EQ(SheetNumber(25.3f), 25.3);
    EXPECT_EQ(SheetNumber(0.1f), 0.1);
    EXPECT_EQ(SheetNumber(std::numeric_limits<float>::infinity()), 0.0);
}

TEST(SheetFiles, WorkbookReadsBackCellByCell)
{
    const auto dir = FreshDir("xlsx");
    Sheet sheet;
    sheet.SetText("A1", "0.0390625");
    sheet.SetNumber("B1", SheetNumber(812.25f));
    sheet.SetText("A2", "0.1171875");
    sheet.SetNumber("B2", SheetNumber(25.3f));
    sheet.SetText("AA1", "a <b> & \"c\"");
    sheet.SetNumber("AB1", -4.5);
    const auto file = dir / "sections.xlsx";
    // What a save killed before its rename left behind goes with the next save of the file.
    std::ofstream(file.string() + ".tmp.0badf00d") << "half a workbook";
    std::string error;
    ASSERT_TRUE(WriteSheetXlsx(sheet, file.string(), error)) << error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    if (std::system("unzip -v > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "unzip is not available";
    ASSERT_NE(ZipMember(file, "xl/workbook.xml").find("<sheet name=\"Sheet1\""), std::string::npos);

    const auto cells = ReadWorkbookCells(file);
    ASSERT_EQ(cells.size(), 6u);
    EXPECT_EQ(std::get<std::string>(cells.at("A1")), "0.0390625");
    EXPECT_EQ(std::get<double>(cells.at("B1")), 812.25);
    EXPECT_EQ(std::get<std::string>(cells.at("A2")), "0.1171875");
    EXPECT_EQ(std::get<double>(cells.at("B2")), 25.3);
    EXPECT_EQ(std::get<std::string>(cells.at("AA1")), "a <b> & \"c\"");
    EXPECT_EQ(std::get<double>(cells.at("AB1")), -4.5);

    // Writing again replaces the workbook with the sheet's new contents.
    sheet.SetText("C1", "1");
    ASSERT_TRUE(WriteSheetXlsx(sheet, file.string(), error)) << error;
    EXPECT_EQ(std::get<std::string>(ReadWorkbookCells(file).at("C1")), "1");
    std::filesystem::remove_all(dir);
}

TEST(SheetFiles, CsvQuotesTextThatNeedsIt)
{
    Sheet sheet;
    sheet.SetText("A1", "1");
    sheet.SetNumber("B1", 25.3);
    sheet.SetText("A2", "a,b");
    sheet.SetText("C2", "say \"hi\"");
    sheet.SetNumber("B3", 1e-7);
    EXPECT_EQ(SheetCsvText(sheet), "1,25.3,\n\"a,b\",,\"say \"\"hi\"\"\"\n,1e-07,\n");
    EXPECT_EQ(SheetCsvText(Sheet{}), "");

    const auto dir = FreshDir("csv");
    const auto file = dir / "sections.csv";
    std::string error;
    ASSERT_TRUE(WriteSheetCsv(sheet, file.string(), error)) << error;
    EXPECT_EQ(ReadFile(file), SheetCsvText(sheet));
    std::filesystem::remove_all(dir);
}

TEST(SheetFiles, AnUnwritableTargetIsReportedWithItsName)
{
    const auto dir = FreshDir("missing");
    const auto file = dir / "no-such-folder" / "out.xlsx";
    Sheet sheet;
    sheet.SetText("A1", "x");
    std::string error;
    EXPECT_FALSE(WriteSheetXlsx(sheet, file.string(), error));
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(WriteSheetCsv(sheet, (dir / "no-such-folder" / "out.csv").string(), error));
    EXPECT_NE(error.find("out.csv"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "no-such-folder"));

    // A target that is a folder cannot be replaced: it stays, and no temporary is left.
    const auto folder = dir / "taken.xlsx";
    std::filesystem::create_directories(folder / "inside");
    error.clear();
    EXPECT_FALSE(WriteSheetXlsx(sheet, folder.string(), error));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    std::filesystem::remove_all(dir);
}
