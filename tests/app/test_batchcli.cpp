// tarsen-batch run as a user runs it: what goes to stdout and stderr, and the exit status.
#include "batchjson.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int status = -1;
    std::string out; // stdout; stderr goes to err
    std::string err;
};

/// Runs tarsen-batch (or a copy of it at program) with args (already quoted for the shell) from
/// the source folder.
Outcome RunBatch(const std::string& args, const std::string& program = TARSEN_BATCH)
{
    // ctest runs the cases as separate processes at the same time: one file per process.
    const std::string errFile =
        ::testing::TempDir() + "tarsen_batch_stderr_" + std::to_string(getpid()) + ".txt";
    const std::string command =
        "cd '" TARSEN_SOURCE_DIR "' && '" + program + "' " + args + " 2>'" + errFile + "'";
    Outcome o;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return o;
    std::array<char, 4096> buf{};
    std::size_t n = 0;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        o.out.append(buf.data(), n);
    const int raw = pclose(p);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (FILE* e = std::fopen(errFile.c_str(), "r")) {
        while ((n = fread(buf.data(), 1, buf.size(), e)) > 0)
            o.err.append(buf.data(), n);
        std::fclose(e);
    }
    return o;
}

TEST(BatchCommandLine, HelpAndVersionGoToStdoutWithStatusZero)
{
    for (const char* args : {"--help", "-h", "check --help", "materials --help", "run --help"}) {
        SCOPED_TRACE(args);
        const Outcome o = RunBatch(args);
        EXPECT_EQ(o.status, 0);
        EXPECT_NE(o.out.find("Usage: tarsen-batch"), std::string::npos);
        EXPECT_EQ(o.err, "");
    }
    // Every option of run is documented in its help.
    const std::string runHelp = RunBatch("run --help").out;
    for (const char* option : {"--materials", "--set", "--single-grid", "--cycles", "--residual",
                               "--target", "--max-cycles", "--json", "--quiet", "--save", "--field",
                               "--sweep", "--measured-voltage", "--threads", "--jobs"})
        EXPECT_NE(runHelp.find(option), std::string::npos) << option;

    const Outcome v = RunBatch("--version");
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out.rfind("tarsen-batch ", 0), 0u) << v.out;
}

TEST(BatchCommandLine, UsageErrorsAreStatusTwoWithNothingOnStdout)
{
    for (const char* args :
         {"", "bogus", "run", "run --bogus examples/furnace.tsn",
          "run examples/furnace.tsn --cycles 3 --target 1200", "run examples/furnace.tsn --cycles",
          "run examples/furnace.tsn --cycles 2.5", "run examples/furnace.tsn --cycles 40000",
          "run examples/furnace.tsn --max-cycles -1", "run examples/furnace.tsn --residual abc",
          "run examples/furnace.tsn --set nr", "run examples/furnace.tsn --set =5",
          "run examples/furnace.tsn --sweep nr=64:32:16", "run examples/furnace.tsn --jobs 0",
          "run examples/furnace.tsn --threads -1", "run examples/furnace.tsn --set bogus=1 --quiet",
          "materials examples/thermal.prp --at x",
          "check examples/furnace.tsn examples/furnace.tsn"}) {
        SCOPED_TRACE(args);
        const Outcome o = RunBatch(args);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err.rfind("tarsen-batch: ", 0), 0u) << o.err;
    }
    // A file that is not there is refused, not a usage error.
    EXPECT_EQ(RunBatch("check no/such/file.tsn").status, 3);
}

TEST(BatchRun, HowARunEndedIsItsStoppedValueAndItsExitStatus)
{
    auto run = [](const std::string& args) {
        const Outcome o = RunBatch("run examples/furnace.tsn --quiet --json " + args);
        const auto document = tarsen::batch::Json::parse(o.out, nullptr, false);
        EXPECT_FALSE(document.is_discarded()) << o.out;
        return std::make_pair(o.status, document.is_discarded()
                                            ? std::string()
                                            : document["stopped"].get<std::string>());
    };
    // Without a cycle limit the run ends by itself.
    EXPECT_EQ(run("--set nr=32 --max-cycles 0"), std::make_pair(0, std::string("converged")));
    // A current that makes the residual overflow fails, however many cycles were asked for.
    EXPECT_EQ(run("--set ElectricCurrent=5000 --cycles 20"),
              std::make_pair(1, std::string("not finite")));
    EXPECT_EQ(run("--set nr=32 --set ElectricCurrent=2000 --cycles 10"),
              std::make_pair(1, std::string("temperature limit")));
}

TEST(BatchJson, NumbersThatAreNotFiniteAreNullInDocumentsAndWordsInText)
{
    using tarsen::batch::JsonDouble;
    using tarsen::batch::JsonSingle;
    using tarsen::batch::NonFinite;
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(JsonSingle(0.1f).dump(), "0.1");
    // The text output prints the shortest form, which the JSON library does not always give.
    EXPECT_EQ(tarsen::batch::JsonText(JsonSingle(0.0115959365f)), "0.0115959365");
    EXPECT_EQ(tarsen::batch::JsonText(JsonSingle(1159.4409f)), "1159.4409");
    EXPECT_TRUE(JsonSingle(inf).is_null());
    EXPECT_TRUE(JsonSingle(std::numeric_limits<float>::quiet_NaN()).is_null());
    EXPECT_TRUE(JsonDouble(-std::numeric_limits<double>::infinity()).is_null());
    EXPECT_EQ(JsonSingle(-inf, NonFinite::Text), "-inf");

    // A part so large that its volume overflows a Single: the text says inf, the document null.
    const std::string path = ::testing::TempDir() + "tarsen_huge_part.tsn";
    std::ofstream(path) << R"({"format": "Tarsen assembly", "version": 1, "properties": [
        {"name": "Tarsen.CellPart(0.Include", "type": "Boolean", "value": true},
        {"name": "Tarsen.CellPart(0.MaterialIndex", "type": "Integer", "value": 2},
        {"name": "Tarsen.CellPart(0.OuterRadius", "type": "Single", "value": 1e30},
        {"name": "Tarsen.CellPart(0.MaxHeight", "type": "Single", "value": 1e30}]})";
    const std::string args = "check '" + path + "' --materials examples/thermal.prp";
    const Outcome text = RunBatch(args);
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("volume inf mm^3"), std::string::npos) << text.out;
    const Outcome json = RunBatch(args + " --json");
    EXPECT_EQ(json.status, 0);
    const auto document = tarsen::batch::Json::parse(json.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << json.out;
    EXPECT_TRUE(document["parts"][0]["volume"].is_null());
    EXPECT_EQ(document["parts"][1]["volume"], 0.0);
}

TEST(BatchRun, ReplacedSettingsAreReportedAndAMeasuredVoltageGivesTheFurnaceResistivity)
{
    // An isothermal axis asked for: reported with the value used, on stderr and in the JSON
    // messages; the run itself goes on with the axis zero flux.
    const std::string axis =
        "Boundary type ibcs(1) = 1 is replaced by 0: the axis is always zero flux.";
    const Outcome a = RunBatch("run examples/furnace.tsn --cycles 0 --quiet --json "
                               "--set 'ibcs(1)=1' --measured-voltage 0");
    EXPECT_EQ(a.status, 0);
    EXPECT_NE(a.err.find(axis), std::string::npos) << a.err;
    const auto doc = tarsen::batch::Json::parse(a.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << a.out;
    EXPECT_EQ(doc["messages"], tarsen::batch::Json::array({axis}));
    EXPECT_EQ(doc["average_resistivity_ohm_cm"], 0.0);

    // The last held side insulated: it stays held.
    const Outcome b = RunBatch("run examples/furnace.tsn --cycles 0 --quiet --set 'ibcs(3)=0' "
                               "--set 'ibcs(2)=0'");
    EXPECT_EQ(b.status, 0);
    EXPECT_NE(b.err.find("Boundary type ibcs(2) = 0 is replaced by 1: "), std::string::npos)
        << b.err;

    // The bundled furnace is mirrored: its Ohm's-law voltage is that of the whole furnace, and
    // measured across it gives back the graphite's resistivity at 25 deg C,
    // 1.1e-3 - 3e-7 x 25 + 1.5e-10 x 25^2 ohm cm.
    const std::string volts = doc["ohms_law_voltage_V"].dump();
    const Outcome c =
        RunBatch("run examples/furnace.tsn --cycles 0 --quiet --measured-voltage " + volts);
    EXPECT_EQ(c.status, 0);
    const std::string line = " V measured: ";
    const std::size_t at = c.out.find(line);
    ASSERT_NE(at, std::string::npos) << c.out;
    EXPECT_NEAR(std::stod(c.out.substr(at + line.size())), 1.09259375e-3, 1e-9);
}

TEST(BatchRun, PicturesAreDrawnByAModuleLoadedOnlyForThem)
{
    // The tool itself starts without Qt: no Qt library among those it needs.
    FILE* p = popen("readelf -d '" TARSEN_BATCH "'", "r");
    ASSERT_NE(p, nullptr);
    std::string dynamic;
    std::array<char, 4096> buf{};
    for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;)
        dynamic.append(buf.data(), n);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_NE(dynamic.find("(NEEDED)"), std::string::npos) << dynamic;
    EXPECT_EQ(dynamic.find("libQt"), std::string::npos) << dynamic;
#ifndef TARSEN_BATCH_HAS_PICTURE
    GTEST_SKIP() << "built without the graphics layer";
#else
    namespace fs = std::filesystem;
    fs::path dir = fs::path(::testing::TempDir()) / ("tarsen_pictures_" + std::to_string(getpid()));
    fs::create_directories(dir);
    dir = fs::canonical(dir); // as the tool finds its own folder
    const auto bytes = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string run = "run examples/furnace.tsn --set nr=32 --cycles 2 --quiet ";
    // PNG by the name, whatever the case of its extension; anything else a Windows bitmap.
    const Outcome png = RunBatch(run + "--threads 1 --picture '" + (dir / "a.PNG").string() + "'");
    EXPECT_EQ(png.status, 0) << png.err;
    const std::string a = bytes(dir / "a.PNG");
    EXPECT_EQ(a.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_GT(a.size(), 2000u);    // the assembly, contours and labels on 600 x 600 pixels
    EXPECT_LT(a.size(), 1080054u); // compressed below the bitmap's size
    // The module's own copy of the thread pool does not change the picture.
    EXPECT_EQ(RunBatch(run + "--threads 2 --picture '" + (dir / "b.png").string() + "'").status, 0);
    EXPECT_EQ(bytes(dir / "b.png"), a);
    const Outcome bmp =
        RunBatch(run + "--picture-size 100 --picture '" + (dir / "c.bmp").string() + "'");
    EXPECT_EQ(bmp.status, 0) << bmp.err;
    const std::string c = bytes(dir / "c.bmp");
    EXPECT_EQ(c.substr(0, 2), "BM");
    EXPECT_GE(c.size(), 54u + 100u * 100u * 3u);

    // A tool without its module says which file it looked for and what to do, prints the run's
    // results all the same, and ends with the status of a file it could not write.
    const fs::path alone = dir / "bin" / "tarsen-batch";
    fs::create_directories(alone.parent_path());
    fs::copy_file(TARSEN_BATCH, alone, fs::copy_options::overwrite_existing);
    const Outcome missing = RunBatch(run + "--picture '" + (dir / "d.png").string() + "'", alone);
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.out.find("thermocouple 0 at r 0"), std::string::npos) << missing.out;
    EXPECT_NE(missing.err.find("The picture could not be saved to \"" + (dir / "d.png").string() +
                               "\": the drawing module \"" + dir.string() + "/"),
              std::string::npos)
        << missing.err;
    EXPECT_NE(missing.err.find("/tarsen/tarsen-batch-picture.so\" could not be loaded ("),
              std::string::npos)
        << missing.err;
    EXPECT_NE(missing.err.find("). Reinstall Tarsen, or run without --picture.\n"),
              std::string::npos)
        << missing.err;
    EXPECT_FALSE(fs::exists(dir / "d.png"));
    fs::remove_all(dir);
#endif
}

TEST(BatchSweep, JobsAndThreadsPrintWhatOneRunAtATimePrints)
{
    // Every line but the run times; stderr whole.
    const auto withoutSeconds = [](const std::string& csv) {
        std::string kept;
        std::size_t from = 0;
        while (from < csv.size()) {
            std::size_t end = csv.find('\n', from);
            end = end == std::string::npos ? csv.size() : end;
            const std::string line = csv.substr(from, end - from);
            kept += line.substr(0, line.rfind(',')) + "\n";
            from = end + 1;
        }
        return kept;
    };
    const std::string sweep =
        "run examples/furnace.tsn --set nr=32 --cycles 3 --sweep ElectricCurrent=150:210:20 ";
    const Outcome one = RunBatch(sweep + "--jobs 1 --threads 1");
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 5); // heading and 4 rows
    for (const char* more : {"--jobs 3", "--jobs 2 --threads 2", "--jobs 8"}) {
        SCOPED_TRACE(more);
        const Outcome o = RunBatch(sweep + more);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(withoutSeconds(o.out), withoutSeconds(one.out));
        EXPECT_EQ(o.err, one.err);
    }
    // A value refused as a setting ends the sweep there, whatever ran beside it.
    const std::string refused =
        "run examples/furnace.tsn --set nr=32 --cycles 1 --sweep AspectRatio=2:6:1 ";
    const Outcome first = RunBatch(refused + "--jobs 1");
    const Outcome parallel = RunBatch(refused + "--jobs 4");
    EXPECT_EQ(first.status, 2);
    EXPECT_EQ(parallel.status, 2);
    EXPECT_EQ(parallel.out, "");
    EXPECT_EQ(parallel.err, first.err);
}

} // namespace
