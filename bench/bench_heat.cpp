// The model grid builders and the single-grid heat driver on the bundled example assembly (a
// built-in 31-part furnace assembly when the example file is not there), at 64 ... 512 cells.
#include "common/frontend.h"
#include "materials/clsmaterialproperties.h"
#include "model/assemblyfile.h"
#include "model/clstarsen.h"
#include "simulation/modelgrid.h"
#include "solver/clsmgheat.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace tarsen {
namespace {

const std::string kExamples = std::string(TARSEN_SOURCE_DIR) + "/examples";

void SetPart(clsTarsen& a, int k, int material, int heating, float inner, float outer, float z0,
             float z1, float taper = 90.0f, float flare = 90.0f)
{
    a.CreateCellPart(k, "part");
    clsAssemblyPart& p = a.CellPart(k);
    p.MaterialIndex = static_cast<std::int16_t>(material);
    p.HeatingType = heating;
    p.InnerRadius(inner);
    p.OuterRadius(outer);
    p.MinHeight(z0);
    p.MaxHeight(z1);
    p.TaperAngle(taper);
    p.FlareAngle(flare);
}

/// The upper half of a 16 mm furnace assembly in 31 parts, materials numbered as in the bundled
/// materials file: thermocouple tube, platinum capsule, MgO spacers, a tapered graphite furnace,
/// talc and salt sleeves cut into rings.
void BuiltInAssembly(clsTarsen& a)
{
    SetPart(a, 0, 2, kNonHeating, 0.0f, 0.8f, 2.8f, 8.0f);
    SetPart(a, 1, 9, kNonHeating, 0.0f, 2.5f, 0.0f, 2.5f);
    SetPart(a, 2, 9, kNonHeating, 0.0f, 2.5f, 2.5f, 2.8f);
    SetPart(a, 3, 1, kNonHeating, 0.0f, 2.5f, 2.8f, 5.0f);
    SetPart(a, 4, 1, kNonHeating, 0.0f, 2.5f, 5.0f, 6.5f, 90.0f, 95.0f);
    SetPart(a, 5, 4, kAxialHeating, 2.5f, 3.0f, 0.0f, 6.5f, 92.0f);
    SetPart(a, 6, 4, kNonHeating, 0.0f, 3.3f, 6.5f, 7.0f);
    SetPart(a, 7, 1, kNonHeating, 0.0f, 3.3f, 7.0f, 8.0f);
    int k = 8;
    for (int ring = 0; ring < 8; ++ring, ++k) // talc sleeve
        SetPart(a, k, 6, kNonHeating, 3.0f, 4.5f, ring * 1.0f, (ring + 1) * 1.0f, 91.0f);
    for (int ring = 0; ring < 15; ++ring, ++k) // salt sleeve, up to part 30
        SetPart(a, k, 8, kNonHeating, 4.0f, 8.0f, ring * 8.0f / 15, (ring + 1) * 8.0f / 15);
}

/// The bundled example assembly (builtIn false; the built-in one when the file is missing) or
/// the built-in 31-part assembly, with the bundled materials, and a model grid of n x n cells
/// over it: aspect ratio 1 whatever the file says, so that 512 cells fit in both directions.
struct HeatFixture {
    clsTarsen assembly;
    clsMaterialProperties materials;
    AssemblySettings settings;
    ModelGrid grid;
    clsMgHeat heat;
    float tbc = 25.0f;
    BoundaryCodes ibcs{0, 1, 1, 0};

    HeatFixture(int n, bool builtIn)
    {
        NullFrontEnd fe;
        materials.SetFrontEnd(&fe);
        settings.DataFolder = kExamples;
        const std::string tsn = kExamples + "/furnace.tsn";
        bool read = false;
        if (!builtIn && std::filesystem::exists(tsn))
            read =
                ReadTarsen(assembly, materials, settings, fe, tsn).status == ReadTarsenStatus::Read;
        if (!read) {
            assembly = clsTarsen();
            BuiltInAssembly(assembly);
            materials.ReadMaterials(kExamples + "/thermal.prp");
            settings.rmax = 8.0f;
            settings.ElectricCurrent = 300.0f;
        }
        materials.SetFrontEnd(nullptr);
        grid.rmax = settings.rmax;
        grid.AspectRatio = 1.0f;
        grid.nr = static_cast<std::int16_t>(n);
        grid.ApplyAspectRatio();
        grid.MirrorFactor = 2;
        tbc = settings.tbc;
        heat.tmax = 2319.0f;
        heat.tmin = tbc;
        grid.make_initial_t(tbc, false, nullptr);
        grid.make_MatMat(assembly, materials, tbc, nullptr);
        grid.make_a(materials, nullptr);
        grid.make_c(heat, true, tbc, nullptr);
        grid.make_f(assembly, materials, heat, tbc, settings.ElectricCurrent, nullptr);
    }
    std::int64_t Cells() const { return std::int64_t{grid.nr} * grid.nz; }
};

void Sizes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"n", "builtin31"});
    for (int builtIn : {0, 1})
        for (int n : {64, 128, 256, 512})
            b->Args({n, builtIn});
    b->Unit(benchmark::kMillisecond);
}

void BM_make_MatMat(benchmark::State& state)
{
    HeatFixture fx(static_cast<int>(state.range(0)), state.range(1) != 0);
    if (!fx.grid.Runnable)
        state.SkipWithError("the example assembly is not runnable");
    for (auto _ : state) {
        fx.grid.make_MatMat(fx.assembly, fx.materials, fx.tbc, nullptr);
        benchmark::DoNotOptimize(fx.grid.MatMat.Data());
    }
    state.SetItemsProcessed(state.iterations() * fx.Cells());
}
BENCHMARK(BM_make_MatMat)->Apply(Sizes);

/// What Initialize builds for the bundled example: the materials of every cell, the
/// coefficients, the conductivities and the heat source, with the parts sampled by the volume
/// they cover (exact 1) or at the cell centres (exact 0).
void BM_InitializeBuilders(benchmark::State& state)
{
    HeatFixture fx(static_cast<int>(state.range(0)), false);
    fx.grid.ExactSampling = state.range(1) != 0;
    for (auto _ : state) {
        fx.grid.make_MatMat(fx.assembly, fx.materials, fx.tbc, nullptr);
        fx.grid.make_a(fx.materials, nullptr);
        fx.grid.make_c(fx.heat, true, fx.tbc, nullptr);
        fx.grid.make_f(fx.assembly, fx.materials, fx.heat, fx.tbc, fx.settings.ElectricCurrent,
                       nullptr);
        benchmark::DoNotOptimize(fx.grid.f.Data());
    }
    state.SetItemsProcessed(state.iterations() * fx.Cells());
}
BENCHMARK(BM_InitializeBuilders)
    ->ArgNames({"n", "exact"})
    ->Args({128, 0})
    ->Args({128, 1})
    ->Args({512, 0})
    ->Args({512, 1})
    ->Unit(benchmark::kMillisecond);

void BM_make_f(benchmark::State& state)
{
    HeatFixture fx(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        fx.grid.make_f(fx.assembly, fx.materials, fx.heat, fx.tbc, fx.settings.ElectricCurrent,
                       nullptr);
        benchmark::DoNotOptimize(fx.grid.IntegratedPower);
    }
    state.SetItemsProcessed(state.iterations() * fx.Cells());
}
BENCHMARK(BM_make_f)->Apply(Sizes);

/// The same heat source asked point by point of the assembly, for comparison with make_f.
void BM_make_f_point_by_point(benchmark::State& state)
{
    HeatFixture fx(static_cast<int>(state.range(0)), state.range(1) != 0);
    ModelGrid& g = fx.grid;
    const float dr = g.dr(), dz = g.dz();
    for (auto _ : state) {
        float sum = 0.0f;
        for (int i = 0; i < g.nr; ++i)
            for (int j = 0; j < g.nz; ++j) {
                const float r = static_cast<float>((i + 0.5) * dr);
                const float z = static_cast<float>((j + 0.5) * dz);
                const float J = fx.assembly.CurrentDensityAtPoint(r, z, g.rmax, g.zmax,
                                                                  fx.settings.ElectricCurrent);
                const double rho = fx.materials.Resistivity(g.MatMat(i, j), g.t(i, j));
                g.f(i, j) = static_cast<float>(double(J) * double(J) * rho);
                sum = static_cast<float>(double(sum) + double(r) * double(g.f(i, j)));
            }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * fx.Cells());
}
BENCHMARK(BM_make_f_point_by_point)->Apply(Sizes);

void BM_cond(benchmark::State& state)
{
    HeatFixture fx(static_cast<int>(state.range(0)), state.range(1) != 0);
    ModelGrid& g = fx.grid;
    for (auto _ : state) {
        fx.heat.cond(g.a, g.c, g.t, g.cr, g.cz, true, g.nr, g.nz, fx.tbc);
        benchmark::DoNotOptimize(g.c.Data());
    }
    state.SetItemsProcessed(state.iterations() * fx.Cells());
}
BENCHMARK(BM_cond)->Apply(Sizes);

/// What every multigrid cycle rebuilds: conductivities (reallocated) and the heat source.
void BM_make_c_and_make_f(benchmark::State& state)
{
    HeatFixture fx(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        fx.grid.make_c(fx.heat, true, fx.tbc, nullptr);
        fx.grid.make_f(fx.assembly, fx.materials, fx.heat, fx.tbc, fx.settings.ElectricCurrent,
                       nullptr);
        benchmark::DoNotOptimize(fx.grid.IntegratedPower);
    }
    state.SetItemsProcessed(state.iterations() * fx.Cells());
}
BENCHMARK(BM_make_c_and_make_f)->Apply(Sizes);

/// One single-grid cycle with the default settings: 10 conductivity updates of 10 sweeps.
void BM_MgHeat_cycle(benchmark::State& state)
{
    HeatFixture fx(static_cast<int>(state.range(0)), state.range(1) != 0);
    ModelGrid& g = fx.grid;
    float rms = 0.0f, first = 0.0f;
    for (auto _ : state) {
        fx.heat.MgHeat(g.t, g.c, g.f, g.a, g.cr, g.cz, g.nr, g.nz, fx.ibcs, fx.tbc, g.rmax, g.zmax,
                       true, 10, 10, 1.8f, rms, first);
        benchmark::DoNotOptimize(rms);
    }
    state.SetItemsProcessed(state.iterations() * fx.Cells() * 100);
}
BENCHMARK(BM_MgHeat_cycle)->Apply(Sizes);

} // namespace
} // namespace tarsen
