// The temperature-dependent side of the heat problem and the single-grid solver: point and face
// conductivities from each point's conductivity coefficients (cond), successive over-relaxation
// sweeps of the axisymmetric conduction equation (iterate), the ghost ring of the temperature
// field (applybc), and the driver that alternates conductivity updates with sweeps (MgHeat).
//
// Every field spans -1 ... nr by -1 ... nz, first index r, and is the caller's: nothing is kept
// between calls but the three public variables.
#pragma once

#include "common/ghostfield.h"
#include "common/numeric.h"
#include "materials/conductivitylaw.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace tarsen {

struct FrontEnd;
class CutFaces;

/// The seven conductivity coefficients of one grid point: C0, C1, C2, C3, C4, C5, CMinus1.
using CondCoefficients = std::array<float, kCondCoefficients>;

/// Boundary codes ibcs(1 ... 4) held at [0 ... 3]: the axis, the side r = rmax, the top z = zmax
/// and the bottom z = 0. 0 is zero flux; any other value holds the side at tbc.
using BoundaryCodes = std::array<std::int16_t, 4>;

/// Shown once per MgHeat call when the axis is asked to be isothermal (it is treated as zero
/// flux, the only condition an axis of symmetry can have).
inline constexpr std::string_view kMsgIsothermalAxis = "Problem: Isothermal axis.  See Quillet.";

/// Smallest conductivity cond stores, W/mm/K. A law that gives zero, a negative or a non-finite
/// value at some point stores this instead, so no face mean or diagonal becomes zero or NaN; the
/// point then conducts practically nothing.
inline constexpr float kMinConductivity = 1.0e-9f;

/// One point's conductivity, W/mm/K, from its coefficients at T deg C: the law in W/m/K with
/// each partial sum stored as a Single, then scaled by 0.001. The C5 and CMinus1 terms are taken
/// at max(T, 1 deg C), as in the material table's law, so they stay finite; a result that is not
/// a positive finite Single becomes kMinConductivity.
inline float point_conductivity(const float* k, float T)
{
    const double td = T;
    float v = Sng(double(k[0]) + double(k[1]) * td);
    if (k[2] != 0.0f)
        v = Sng(double(v) + double(k[2]) * (td * td));
    if (k[3] != 0.0f)
        v = Sng(double(v) + double(k[3]) * (td * td * td));
    if (k[4] != 0.0f)
        v = Sng(double(v) + double(k[4]) * (td * td * td * td));
    const double tpos = td > 1.0 ? td : 1.0;
    if (k[5] != 0.0f)
        v = Sng(double(v) + double(k[5]) / std::sqrt(tpos));
    if (k[6] != 0.0f)
        v = Sng(double(v) + double(k[6]) / tpos);
    const float c = Sng(0.001 * double(v));
    return (c >= kMinConductivity && c <= std::numeric_limits<float>::max()) ? c : kMinConductivity;
}

class clsMgHeat {
public:
    bool BoundaryT = false; //!< evaluate every conductivity (and resistivity) at tbc
    float tmax = 0.0f;      //!< upper clamp of relaxed temperatures, deg C
    float tmin = 0.0f;      //!< lower clamp of relaxed temperatures, deg C (MgHeat sets tbc)

    /// Messages (the isothermal axis) and the event pump go to frontEnd; none when null.
    explicit clsMgHeat(FrontEnd* frontEnd = nullptr) : m_frontEnd(frontEnd) {}
    void SetFrontEnd(FrontEnd* frontEnd) { m_frontEnd = frontEnd; }

    /// Whether iterate lets the window process pending events after every sweep. The run control
    /// switches this on only while a run is in progress and keeps every command that reallocates
    /// the fields disabled meanwhile; should a field still change size under a pump, the solve
    /// stops at once instead of touching it.
    void SetPumpEvents(bool on) { m_pumpEvents = on; }
    bool PumpEvents() const { return m_pumpEvents; }

    /// Single-grid solve: niters times cond followed by ntits over-relaxation sweeps with factor
    /// w, then cond once more so that c, cr and cz match the returned t. Sets tmin = tbc.
    /// rmserror is the last sweep's sum of squared residuals, FirstError that of the first sweep
    /// of the first update (both left unchanged when niters < 1). These are sums, not the rms
    /// values the multigrid solver reports, although one residual target stops both.
    /// Returns false, changing nothing, when a field does not span -1 ... nr by -1 ... nz or the
    /// grid is empty. With cut, every conductivity update also gives the faces next to cut cells
    /// the values of their half-cells (CutFaces::Apply).
    bool MgHeat(GhostField<float>& t, GhostField<float>& c, const GhostField<float>& f,
                const GhostField<CondCoefficients>& a, GhostField<float>& cr, GhostField<float>& cz,
                std::int16_t nr, std::int16_t nz, const BoundaryCodes& ibcs, float tbc, float rmax,
                float zmax, bool FluxMatch, std::int16_t niters, std::int16_t ntits, float w,
                float& rmserror, float& FirstError, const CutFaces* cut = nullptr);

    /// Point conductivities c over the whole field (ghosts included) from a at max(t, tbc), or
    /// at tbc for all points when BoundaryT; then the face values cr(i, j) between (i - 1, j)
    /// and (i, j) and cz(i, j) between (i, j - 1) and (i, j) for i = 0 ... nr, j = 0 ... nz:
    /// the harmonic mean across a change of C0 when FluxMatch, else the arithmetic mean.
    /// c, cr and cz are reallocated when their size differs; returns false, changing nothing,
    /// when a or t does not span -1 ... nr by -1 ... nz.
    bool cond(const GhostField<CondCoefficients>& a, GhostField<float>& c,
              const GhostField<float>& t, GhostField<float>& cr, GhostField<float>& cz,
              bool FluxMatch, std::int16_t nr, std::int16_t nz, float tbc) const;

    /// ntits lexicographic over-relaxation sweeps on t (i outer, j inner; results depend on
    /// this order), each followed by applybc. c is not used. FirstError receives the first
    /// sweep's sum of squared residuals, rmserror the last one's (0 when ntits < 1).
    /// Relaxed values are clamped to tmin ... tmax. Returns the number of sweeps made, fewer
    /// than ntits only when a field changed size during the event pump or does not match.
    int iterate(const GhostField<float>& cr, const GhostField<float>& cz,
                const GhostField<float>& c, GhostField<float>& t, const GhostField<float>& f,
                const BoundaryCodes& ibcs, std::int16_t nr, std::int16_t nz, float dr, float dz,
                float w, std::int16_t ntits, float& rmserror, float tbc, float& FirstError);

    /// Fills the ghost ring of t: the axis always as zero flux, then the side r = rmax, the top
    /// and the bottom, each zero flux (code 0) or held at tbc (mirror value 2 tbc - t); the
    /// corners are last written by the z sides. Shows nothing; t must span -1 ... nr by
    /// -1 ... nz (a smaller field is left as it is).
    void applybc(GhostField<float>& t, std::int16_t nr, std::int16_t nz, const BoundaryCodes& ibcs,
                 float tbc) const;

private:
    FrontEnd* m_frontEnd = nullptr;
    bool m_pumpEvents = false;
};

} // namespace tarsen
