// Fast answers to "which part owns this point" for many points of one unchanged assembly. The
// included parts' fixed quantities (bounds, material, the tangents of taper and flare) are taken
// once; every answer is bit for bit the one clsTarsen::CellPartAtPoint gives.
#pragma once

#include <cstdint>
#include <vector>

namespace tarsen {

class clsTarsen;
class clsAssemblyPart;

class PartLocator {
public:
    /// Takes the included parts of assembly as they are now; later changes to it are not seen.
    explicit PartLocator(const clsTarsen& assembly);

    /// The same result as assembly.CellPartAtPoint(r, z, rmax, zmax, MatIndex).
    std::int16_t CellPartAtPoint(float r, float z, float rmax, float zmax,
                                 std::int16_t& MatIndex) const;

    /// The owning part of every point (rs[i], zs[j]) into owner[i * zs.size() + j] (-1 where
    /// none), as CellPartAtPoint would give it. Faster than point by point: the part's radial
    /// bound at each z and axial bound at each r are formed once.
    void LocateGrid(const std::vector<float>& rs, const std::vector<float>& zs, float rmax,
                    float zmax, std::vector<std::int8_t>& owner) const;

    /// True when both locators hold the same included parts with the same geometry and
    /// material.
    bool SameParts(const PartLocator& other) const;

    /// Material index of a part found by this locator (-1 for -1).
    std::int16_t MaterialOf(int part) const;

private:
    struct Part {
        std::int16_t index;
        std::int16_t material;
        float inner, outer, minH, maxH;
        double tanTaper, tanFlare;
        bool operator==(const Part&) const = default;
    };
    std::vector<Part> m_parts; // included parts in priority order (lowest index first)
    std::int16_t m_material[32]{};
};

/// Current density at radius r in part p for the given current, the same value
/// clsTarsen::CurrentDensityAtPoint gives at a point whose owning part is p (CellPart(-1) where
/// none): by the part's heating type, 0 where it does not heat or its area is 0.
float CurrentDensityInPart(const clsAssemblyPart& p, float r, float ElectricCurrent);

} // namespace tarsen
