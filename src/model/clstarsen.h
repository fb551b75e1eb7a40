// The whole assembly: parts 0 ... 30 in priority order (the lowest index owns an overlap), the
// three thermocouple positions and the display colour of every material. Answers which part owns
// a point, the current density there, and the furnace's resistivity and resistance.
#pragma once

#include "model/clsassemblypart.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace tarsen {

class clsMaterialProperties;

/// Number of assembly parts (indices 0 ... 30); slot 31 and the "no part" entry -1 exist besides.
inline constexpr int kMaxParts = 31;

class clsTarsen {
public:
    float OuterEdge = 0.0f;        //!< not used by the program
    float MaxIndexOfParts = 31.0f; //!< highest index HighestIncludedPart scans
    float PressRadius = 0.0f;      //!< outer radius of the press heat sink, m

    clsTarsen();
    clsTarsen(const clsTarsen& other);
    clsTarsen& operator=(const clsTarsen& other);

    /// Thermocouple i (0 ... 2), coordinate j (0 = r, 1 = z), mm.
    float ThermocouplePosition(int i, int j) const;
    void ThermocouplePosition(int i, int j, float value);

    /// Includes part PartIndex (0 ... 30) and names it when it is not included yet; returns
    /// whether it did. Other indices are refused.
    bool CreateCellPart(int PartIndex, const std::string& Name);
    /// The part at -1 ... 31; -1 is the default "no part" entry. Other indices yield entry -1.
    clsAssemblyPart& CellPart(int PartIndex);
    const clsAssemblyPart& CellPart(int PartIndex) const;

    /// Trims radial overlaps: an inner part reaching past the inner wall of an outer part with
    /// an overlapping height range is cut back to that wall.
    void RedoTarsen();

    /// The included part that owns (r, z), or -1; MatIndex receives its material index (-1 when
    /// none). |r| and |z| are clipped to rmax and zmax. Lower bounds are strict, upper bounds
    /// inclusive; the lowest index wins.
    std::int16_t CellPartAtPoint(float r, float z, float rmax, float zmax,
                                 std::int16_t& MatIndex) const;
    /// Current density (A/mm^2 for ElectricCurrent in A) at a point, by the owning part's heating
    /// type; 0 where no heating part lies or the part's area or length is zero.
    float CurrentDensityAtPoint(float r, float z, float rmax, float zmax,
                                float ElectricCurrent) const;

    /// Moves part PartIndex (0 ... 30) to index 0, shifting the parts in front of it back by one,
    /// and sets PartIndex to 0. Other indices are refused: nothing moves.
    void BringToFront(std::int16_t& PartIndex);
    /// Moves part PartIndex (0 ... 30) behind the highest included part H, shifting the parts
    /// after it forward by one, and sets PartIndex to H (at most 30). Nothing moves when
    /// PartIndex >= H or PartIndex is outside 0 ... 30.
    void MoveToBack(std::int16_t& PartIndex);

    /// Resistivity (ohm mm) of the highest-index included heating part at temperature; 0 when no
    /// included part heats.
    float Resistivity(const clsMaterialProperties& materials, float temperature) const;
    /// Highest index 0 ... 31 of an included heating part; 0 when there is none.
    std::int16_t FurnaceIndex() const;
    /// Largest MaterialIndex + 1 over parts -1 ... 30, included or not (at most 32767).
    std::int16_t NumberOfMaterials() const;
    /// Sum (a Single after each addition) of the included parts' resistances at temperature;
    /// parts without a value count 0.
    float TotalElectricalResistance(const clsMaterialProperties& materials,
                                    float temperature) const;
    /// Scales every length and the thermocouples by VolumeReduction^(1/3). A factor that is not
    /// positive and finite is refused (returns false, nothing changes).
    bool ApplyVolumeReduction(float VolumeReduction);
    /// Highest index 0 ... Integer(MaxIndexOfParts) of an included part; 0 when none.
    std::int16_t HighestIncludedPart() const;

    /// Display colour of material -1 ... 30 (colour Long); other indices read entry -1 and
    /// writes to them are ignored.
    std::int32_t MaterialColors(int index) const;
    void MaterialColors(int index, std::int32_t colour);

    /// Colour of a fresh assembly for material -1 ... 30.
    static std::int32_t DefaultMaterialColor(int index);

private:
    static int Slot(int PartIndex) { return PartIndex + 1; }
    std::array<std::unique_ptr<clsAssemblyPart>, 33> m_parts; // slot k holds index k - 1
    std::array<std::array<float, 2>, 3> m_thermocouples{};
    std::array<float, 32> m_colors{}; // slot k holds index k - 1; whole numbers held as Single
};

} // namespace tarsen
