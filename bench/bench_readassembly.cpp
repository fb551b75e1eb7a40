// Reading assembly files as the window does (parse, check, apply, read the materials file): the
// bundled example, and files padded with n extra properties that the reader must skip, to show
// that the time grows with the file and not with the file times the keys looked up.
#include "common/frontend.h"
#include "materials/clsmaterialproperties.h"
#include "model/assemblyfile.h"
#include "model/clstarsen.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace tarsen {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(TARSEN_SOURCE_DIR) / "examples";

struct ReadFixture {
    NullFrontEnd front;
    clsTarsen tarsen;
    clsMaterialProperties materials{&front};
    AssemblySettings settings;

    bool Read(const std::string& path)
    {
        return ReadTarsen(tarsen, materials, settings, front, path).status ==
               ReadTarsenStatus::Read;
    }
};

void BM_ReadExample(benchmark::State& state)
{
    ReadFixture fx;
    const std::string path = (kExamples / "furnace.tsn").string();
    for (auto _ : state) {
        if (!fx.Read(path)) {
            state.SkipWithError("the example was not read");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(fs::file_size(path)));
}
BENCHMARK(BM_ReadExample)->Unit(benchmark::kMicrosecond);

/// The example's own keys plus n Long properties under names the reader does not know.
void BM_ReadPadded(benchmark::State& state)
{
    const auto n = static_cast<int>(state.range(0));
    std::random_device seed;
    const fs::path dir = fs::temp_directory_path() / ("tarsen-bench-" + std::to_string(seed()));
    fs::create_directories(dir);
    fs::copy_file(kExamples / "thermal.prp", dir / "thermal.prp");
    const std::string path = (dir / "padded.tsn").string();
    {
        // The padding goes after the example's last entry, before the list's closing bracket.
        std::ifstream in(kExamples / "furnace.tsn", std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        std::string padding;
        for (int k = 0; k < n; ++k)
            padding += ",\n    { \"name\": \"Padding(" + std::to_string(k) +
                       ")\", \"type\": \"Long\", \"value\": " + std::to_string(k + 1) + " }";
        text.insert(text.rfind('}', text.rfind(']')) + 1, padding);
        std::ofstream(path, std::ios::binary) << text;
    }
    ReadFixture fx;
    for (auto _ : state) {
        if (!fx.Read(path)) {
            state.SkipWithError("the padded file was not read");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(BM_ReadPadded)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarsen
