// Pictures of the bundled example assembly with its temperature field: the fast replot after a
// run cycle (automatic contours by segments, no anti-aliasing) on the 600-pixel main picture,
// and the anti-aliased replot (smooth contours, borders and lines) on the 1267-pixel large
// picture.
#include "common/frontend.h"
#include "graphics/picturestate.h"
#include "materials/clsmaterialproperties.h"
#include "model/assemblyfile.h"
#include "model/clstarsen.h"
#include "simulation/modelgrid.h"
#include "solver/clsmgheat.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace tarsen {
namespace {

const std::string kExamples = std::string(TARSEN_SOURCE_DIR) + "/examples";

/// The example assembly with nr radial cells at its own aspect ratio and a solved field: the
/// single-grid solver converges on 32 radial cells, and each doubling of the grid carries the
/// field over by prolongation and relaxes it again.
struct SolvedExample {
    clsTarsen assembly;
    clsMaterialProperties materials;
    AssemblySettings settings;
    ModelGrid grid;
    clsMgHeat heat;
    float tbc = 25.0f;
    bool ok = false;

    explicit SolvedExample(int nr)
    {
        NullFrontEnd fe;
        materials.SetFrontEnd(&fe);
        settings.DataFolder = kExamples;
        ok = ReadTarsen(assembly, materials, settings, fe, kExamples + "/furnace.tsn").status ==
             ReadTarsenStatus::Read;
        materials.SetFrontEnd(nullptr);
        if (!ok)
            return;
        tbc = settings.tbc;
        heat.tmax = 2319.0f;
        heat.tmin = tbc;
        grid.rmax = settings.rmax;
        grid.AspectRatio = settings.AspectRatio;
        grid.nr = 32;
        grid.ApplyAspectRatio();
        grid.MirrorFactor = (settings.ibcs[3] != 0) != (settings.ibcs[4] != 0) ? 2 : 1;
        grid.make_initial_t(tbc, false, nullptr);
        Build();
        Relax(40);
        while (grid.nr < nr) {
            GhostField<float> coarse = grid.t;
            grid.nr = static_cast<std::int16_t>(2 * grid.nr);
            grid.ApplyAspectRatio();
            scalar_to_fine(coarse, grid.t, grid.nr, grid.nz);
            heat.applybc(grid.t, grid.nr, grid.nz, Codes(), tbc);
            grid.ResizeFields();
            Build();
            Relax(6);
        }
        ok = grid.Runnable;
        grid.Initialized = ok;
    }
    BoundaryCodes Codes() const
    {
        return {settings.ibcs[1], settings.ibcs[2], settings.ibcs[3], settings.ibcs[4]};
    }
    void Build()
    {
        grid.make_MatMat(assembly, materials, tbc, nullptr);
        grid.make_a(materials, nullptr);
        grid.make_c(heat, settings.FluxMatch, tbc, nullptr);
        grid.make_f(assembly, materials, heat, tbc, settings.ElectricCurrent, nullptr);
    }
    void Relax(int cycles)
    {
        float rms = 0.0f, first = 0.0f;
        for (int k = 0; k < cycles; ++k) {
            heat.MgHeat(grid.t, grid.c, grid.f, grid.a, grid.cr, grid.cz, grid.nr, grid.nz, Codes(),
                        tbc, grid.rmax, grid.zmax, settings.FluxMatch, 10, 10, 1.8f, rms, first);
            grid.make_f(assembly, materials, heat, tbc, settings.ElectricCurrent, nullptr);
        }
    }
    PictureModel Model() const
    {
        PictureModel m(assembly, materials, grid);
        m.ibcs = settings.ibcs;
        m.tbc = tbc;
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

const SolvedExample& Example256()
{
    static const SolvedExample example(256);
    return example;
}

/// What follows every run cycle: the automatic contours and a fast replot with the scale bar.
void BM_FastReplot(benchmark::State& state)
{
    EnsureGuiApplication();
    const SolvedExample& ex = Example256();
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
    state.counters["cells"] = double(ex.grid.nr) * ex.grid.nz;
    KeepPicture(pic, "fast_replot.png");
}
BENCHMARK(BM_FastReplot)->ArgName("pixels")->Arg(600)->Unit(benchmark::kMillisecond);

/// "Plot All" with anti-aliasing on the large picture: smooth contours, part borders and lines.
void BM_AntiAliasedReplot(benchmark::State& state)
{
    EnsureGuiApplication();
    const SolvedExample& ex = Example256();
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
