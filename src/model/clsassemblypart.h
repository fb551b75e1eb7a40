// One coaxial part of the assembly: a quadrilateral cross-section in the (r, z) half-plane with
// an inner wall, a flat bottom, an outer wall that may lean (taper) and a top that may slope
// (flare), together with its material, heating type and inclusion flag. Lengths in mm, angles
// in degrees.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarsen {

/// Heating types of a part (the editor's option buttons).
enum HeatingTypes : std::int32_t {
    kNonHeating = 0,
    kAxialHeating = 1,
    kRadialHeating = 2,
    kFlatPlateHeating = 3
};

class clsAssemblyPart {
public:
    std::int32_t Material = 0;       //!< legacy material number, the file reader's fallback
    std::int16_t MaterialIndex = -1; //!< index into the material table; -1 = no material
    std::string Name = ".";          //!< name shown in the editor
    bool Include = false;            //!< the part takes part in the model
    std::int32_t HeatingType = 0;    //!< one of HeatingTypes

    static constexpr float pi = 3.1415927f; // Single pi of the part's area formulas

    void InnerRadius(float v) { m_innerRadius = v; }
    float InnerRadius() const { return m_innerRadius; }
    void MinHeight(float v) { m_minHeight = v; }
    float MinHeight() const { return m_minHeight; }
    void OuterRadius(float v) { m_outerRadius = v; }
    float OuterRadius() const { return m_outerRadius; }
    /// Lateral area (MaxHeight - MinHeight) * 2 pi r of the cylinder of radius r, r as passed.
    float RadialArea(float r) const;
    /// Area of the annulus between the two radii, (Outer^2 - Inner^2) pi.
    float AxialArea() const;
    /// AxialArea * Length; taper and flare are ignored.
    float Volume() const;
    /// MaxHeight - MinHeight.
    float Length() const;
    void MaxHeight(float v) { m_maxHeight = v; }
    float MaxHeight() const { return m_maxHeight; }
    void TaperAngle(float v) { m_taperAngle = v; }
    float TaperAngle() const { return m_taperAngle; }
    void FlareAngle(float v) { m_flareAngle = v; }
    float FlareAngle() const { return m_flareAngle; }

    /// Back to the initial values; Material is kept.
    void Reset();

    /// The corners going round the cross-section: bottom inner, bottom outer, top outer, top
    /// inner. When the taper and flare lines are (nearly) parallel the top outer corner is taken
    /// on a flat top, so every corner is finite.
    void FourCorners(float& r1, float& z1, float& r2, float& z2, float& r3, float& z3, float& r4,
                     float& z4) const;

    /// Resistance for a resistivity rho (ohm mm gives ohm): 0 for a non-heating part; nothing
    /// for a negative rho, an unknown heating type, or a geometry whose formula cannot be
    /// evaluated (zero area or length, non-positive radius for radial heating) or gives a value
    /// that is not finite.
    std::optional<double> ElectricalResistance(float ElectricalResistivity) const;

private:
    float m_innerRadius = 0.0f;
    float m_outerRadius = 0.0f;
    float m_minHeight = 0.0f;
    float m_maxHeight = 0.0f;
    float m_taperAngle = 90.0f;
    float m_flareAngle = 90.0f;
};

} // namespace tarsen
