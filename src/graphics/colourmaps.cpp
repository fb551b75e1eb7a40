#include "graphics/colourmaps.h"

#include "common/colour.h"
#include "common/numeric.h"

#include <algorithm>

namespace tarsen {

namespace {

int ScaledChannel(int value, float factor)
{
    const double v = round_half_even(static_cast<double>(value) * static_cast<double>(factor));
    if (!(v > 0.0)) // also a NaN factor
        return 0;
    return v >= 255.0 ? 255 : static_cast<int>(v);
}

void FieldLimits(const GhostField<float>& field, int nr, int nz, float& lo, float& hi)
{
    const int n1 = std::min(nr - 1, field.N1());
    const int n2 = std::min(nz - 1, field.N2());
    if (field.Empty())
        return;
    for (int i = 0; i <= n1; ++i) {
        const float* col = field.Data() + field.Index(i, 0);
        for (int j = 0; j <= n2; ++j) {
            const float v = col[j];
            if (v > hi)
                hi = v;
            if (v < lo)
                lo = v;
        }
    }
}

} // namespace

std::int32_t Blacken(std::int32_t Color, float Blackening)
{
    return RGB(ScaledChannel(RedOf(Color), Blackening), ScaledChannel(GreenOf(Color), Blackening),
               ScaledChannel(BlueOf(Color), Blackening));
}

std::int32_t GreyOf(std::int32_t colour)
{
    const int g =
        static_cast<int>(round_half_even((RedOf(colour) + GreenOf(colour) + BlueOf(colour)) / 3.0));
    return RGB(g, g, g);
}

void TLimits(const GhostField<float>& t, int nr, int nz, float& tmin, float& tmax)
{
    tmin = 1e10f;
    tmax = -1e6f;
    FieldLimits(t, nr, nz, tmin, tmax);
}

void CondLimits(const GhostField<float>& c, int nr, int nz, float& cmin, float& cmax)
{
    cmin = 1e10f;
    cmax = -1e9f;
    FieldLimits(c, nr, nz, cmin, cmax);
}

} // namespace tarsen
