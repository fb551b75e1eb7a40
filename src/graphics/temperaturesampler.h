// The temperature of the field at a point given in mm by bilinear interpolation between the
// four surrounding cell points, split into its radial and axial halves so that pictures can
// tabulate the index and weight of every pixel column and row once and then interpolate
// without repeating the conversion per pixel.
#pragma once

#include "simulation/modelgrid.h"

namespace tarsen {

class TemperatureSampler {
public:
    /// Index of the lower neighbour (clamped to -1 ... n - 1) and the weight of the upper one
    /// (clamped to 0 ... 1) along one direction.
    struct AxisWeight {
        int i0 = -1;
        float f = 0.0f;
    };

    /// Reads grid.t, which must stay alive and unchanged while the sampler is used.
    explicit TemperatureSampler(const ModelGrid& grid);

    /// True when the grid has a temperature field of its own size to interpolate.
    bool Ready() const { return m_ready; }

    AxisWeight RAxis(float R) const;
    AxisWeight ZAxis(float Z) const;
    /// The interpolated temperature between the cells given by the two weights (0 when the
    /// sampler is not Ready).
    float At(const AxisWeight& r, const AxisWeight& z) const
    {
        if (!m_ready)
            return 0.0f;
        const float* col0 = m_t->Data() + m_t->Index(r.i0, z.i0);
        const float* col1 = col0 + m_t->Stride();
        const double fr = r.f;
        const double fz = z.f;
        return static_cast<float>((1.0 - fr) * ((1.0 - fz) * col0[0] + fz * col0[1]) +
                                  fr * ((1.0 - fz) * col1[0] + fz * col1[1]));
    }
    /// The temperature at (R, Z) mm: 0 without a temperature field; points outside the model
    /// take the value at the nearest edge of the ghost ring.
    float TInterp(float R, float Z) const { return At(RAxis(R), ZAxis(Z)); }

private:
    const ModelGrid* m_grid;
    const GhostField<float>* m_t;
    bool m_ready;
};

} // namespace tarsen
