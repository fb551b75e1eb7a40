// tarsen-batch run as a user runs it: what goes to stdout and stderr, and the exit status.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct Outcome {
    int status = -1;
    std::string out; // stdout; stderr goes to err
    std::string err;
};

/// Runs tarsen-batch with args (already quoted for the shell) from the source folder.
Outcome RunBatch(const std::string& args)
{
    const std::string errFile = ::testing::TempDir() + "tarsen_batch_stderr.txt";
    const std::string command =
        "cd '" TARSEN_SOURCE_DIR "' && '" TARSEN_BATCH "' " + args + " 2>'" + errFile + "'";
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
    for (const char* option :
         {"--materials", "--set", "--single-grid", "--cycles", "--residual", "--target",
          "--max-cycles", "--json", "--quiet", "--save", "--field", "--sweep"})
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
          "run examples/furnace.tsn --max-cycles 0", "run examples/furnace.tsn --residual abc",
          "run examples/furnace.tsn --set nr", "run examples/furnace.tsn --set =5",
          "run examples/furnace.tsn --sweep nr=64:32:16",
          "run examples/furnace.tsn --set bogus=1 --quiet", "materials examples/thermal.prp --at x",
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

} // namespace
