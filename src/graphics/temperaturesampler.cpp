#include "graphics/temperaturesampler.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>

namespace tarsen {

namespace {

// i0 = ISng - 0.5 rounded halves to even (the floor up to ties), weight ISng - i0, then the
// index kept where both neighbours exist and the weight within 0 ... 1.
TemperatureSampler::AxisWeight Split(float s, int n)
{
    TemperatureSampler::AxisWeight a;
    if (!std::isfinite(s)) {
        a.i0 = -1;
        a.f = 0.0f;
        return a;
    }
    const double r = round_half_even(static_cast<double>(s) - 0.5);
    const double lo = -1.0;
    const double hi = static_cast<double>(n - 1);
    a.i0 = static_cast<int>(std::clamp(r, lo, hi));
    // The weight is taken from the clamped index, so beyond the ghost ring it is 0 or 1.
    a.f = std::clamp(Sng(static_cast<double>(s) - a.i0), 0.0f, 1.0f);
    return a;
}

} // namespace

TemperatureSampler::TemperatureSampler(const ModelGrid& grid)
    : m_grid(&grid), m_t(&grid.t),
      m_ready(grid.TemperatureReady && grid.rmax > 0.0f && grid.zmax > 0.0f && grid.nr >= 1 &&
              grid.nz >= 1 && grid.t.N1() == grid.nr && grid.t.N2() == grid.nz)
{}

// Fractional index of a point, cell centres at whole values: n x / extent - 0.5 as a Single.
TemperatureSampler::AxisWeight TemperatureSampler::RAxis(float R) const
{
    return Split(Sng(double(m_grid->nr) * double(R) / double(m_grid->rmax) - 0.5), m_grid->nr);
}

TemperatureSampler::AxisWeight TemperatureSampler::ZAxis(float Z) const
{
    return Split(Sng(double(m_grid->nz) * double(Z) / double(m_grid->zmax) - 0.5), m_grid->nz);
}

} // namespace tarsen
