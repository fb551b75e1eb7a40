// Pictures of the bundled example assembly with its temperature field: the fast replot after a
// run cycle (automatic contours by segments, no anti-aliasing) on the 600-pixel main picture,
// and the anti-aliased replot (smooth contours, borders and lines) on the 1267-pixel large
// picture.
#include "common/frontend.h"
#include "graphics/picturestate.h"
#include "model/assemblyfile.h"
#include "simulation/mainlogic.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace tarsen {
namespace {

const std::string kExamples = std::string(TARSEN_SOURCE_DIR) + "/examples";

/// The example assembly on nr radial cells at its own aspect ratio, initialized and run to
/// its residual as the window's "Converge to residual" does.
struct SolvedExample {
    NullFrontEnd front;
    MainLogic logic{front};
    bool ok = false;

    explicit SolvedExample(int nr)
    {
        const ReadTarsenResult read = logic.Form_Load(kExamples, kExamples + "/furnace.tsn");
        if (read.status != ReadTarsenStatus::Read)
            return;
        logic.SetGridSize(std::to_string(nr));
        logic.MaxCycles = 500;
        logic.Initialize();
        if (!logic.grid.Initialized)
            return;
        logic.cmdConvergeToResidual_MouseUp();
        ok = logic.grid.TemperatureReady && logic.grid.nr == nr;
    }
    PictureModel Model()
    {
        PictureModel m = PictureModelOf(logic);
        m.WriteReport = nullptr;
        return m;
    }
};

/// With TARSEN_BENCH_PICTURES set to a folder, the last picture of each benchmark is written
/// there for inspection.
void KeepPicture(const PictureSurface& pic, const char* name)
{
    const char* folder = std::getenv("TARSEN_BENCH_PICTURES");
    if (folder == nullptr || *folder == 0)
        return;
    QString error;
    SaveBitmap(pic.image.Image(),
               QString::fromUtf8(folder) + QStringLiteral("/") + QString::fromUtf8(name), error);
}

SolvedExample& Example256()
{
    static SolvedExample example(256);
    return example;
}

/// What follows every run cycle: the automatic contours and a fast replot with the scale bar.
void BM_FastReplot(benchmark::State& state)
{
    EnsureGuiApplication();
    SolvedExample& ex = Example256();
    if (!ex.ok) {
        state.SkipWithError("the bundled example could not be read or solved");
        return;
    }
    const PictureModel model = ex.Model();
    PictureState st;
    st.ShowScaleBar = true;
    st.SetLocalMatColors(model);
    st.StartScaleBar(model);
    PictureSurface pic(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        st.PrepareContours(model);
        st.PlotFast(model, pic);
        benchmark::DoNotOptimize(pic.image.Image().constBits());
    }
    state.counters["contours"] = st.ContourCount;
    state.counters["cells"] = double(ex.logic.grid.nr) * ex.logic.grid.nz;
    KeepPicture(pic, "fast_replot.png");
}
BENCHMARK(BM_FastReplot)->ArgName("pixels")->Arg(600)->Unit(benchmark::kMillisecond);

/// "Plot All" with anti-aliasing on the large picture: smooth contours, part borders and lines.
void BM_AntiAliasedReplot(benchmark::State& state)
{
    EnsureGuiApplication();
    SolvedExample& ex = Example256();
    if (!ex.ok) {
        state.SkipWithError("the bundled example could not be read or solved");
        return;
    }
    const PictureModel model = ex.Model();
    PictureState st;
    st.ShowScaleBar = true;
    st.AntiAliasing = true;
    st.SetLocalMatColors(model);
    st.StartScaleBar(model);
    st.PrepareContours(model);
    PictureSurface pic(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        st.PlotAll(model, pic);
        benchmark::DoNotOptimize(pic.image.Image().constBits());
    }
    state.counters["contours"] = st.ContourCount;
    KeepPicture(pic, "antialiased_replot.png");
}
BENCHMARK(BM_AntiAliasedReplot)
    ->ArgName("pixels")
    ->Arg(1267)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
} // namespace tarsen
