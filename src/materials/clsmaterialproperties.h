// The table of materials: per material the conductivity and resistivity coefficients, colour,
// name, reference text, density, porosity and nominal temperature range, indexed -1 ... N - 1
// (entry -1 is "no material"). Filled from a materials properties file.
#pragma once

#include "common/frontend.h"
#include "materials/conductivitylaw.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

/// Most materials a table can hold (numbers 0 ... 29).
inline constexpr int kMaxMaterials = 30;

inline constexpr std::string_view kMsgTooManyMaterials =
    "Too many materials - more than 31 cannot be handled by this version.";

/// One row of the table. The file reader fills these directly.
struct MaterialEntry {
    std::array<float, kCondCoefficients> cond{}; // C0, C1, C2, C3, C4, C5, CMinus1
    float R0 = 0.0f, r1 = 0.0f, r2 = 0.0f, r3 = 0.0f, r4 = 0.0f;
    float R_Preexp = 0.0f, R_Exp = 0.0f;
    float tmin = 0.0f, tmax = 0.0f; // nominal valid range, deg C, shown only
    std::string MaterialNames;      // the material's name (UTF-8)
    std::string MaterialName;       // reference text (literature source)
    std::int32_t Colors = 0;        // colour Long
    float density = 0.0f, porosity = 0.0f;
    bool HasThermal = false;
    bool HasElectrical = false;
    bool Defined = false; // the material's first definition has been read from the file
};

class clsMaterialProperties {
public:
    /// An empty table (N = 0) with its default palette. Messages go to frontEnd when given.
    explicit clsMaterialProperties(FrontEnd* frontEnd = nullptr);

    void SetFrontEnd(FrontEnd* frontEnd) { m_frontEnd = frontEnd; }
    FrontEnd& Front() const;

    // Per-material reads; an index outside -1 ... N - 1 reads entry -1.
    bool HasThermal(int IMater) const { return Entry(IMater).HasThermal; }
    bool HasElectrical(int IMater) const { return Entry(IMater).HasElectrical; }
    float C0(int IMater) const { return Entry(IMater).cond[0]; }
    float C1(int IMater) const { return Entry(IMater).cond[1]; }
    float C2(int IMater) const { return Entry(IMater).cond[2]; }
    float C3(int IMater) const { return Entry(IMater).cond[3]; }
    float C4(int IMater) const { return Entry(IMater).cond[4]; }
    float C5(int IMater) const { return Entry(IMater).cond[5]; }
    float CMinus1(int IMater) const { return Entry(IMater).cond[6]; }
    float R0(int IMater) const { return Entry(IMater).R0; }
    float r1(int IMater) const { return Entry(IMater).r1; }
    float r2(int IMater) const { return Entry(IMater).r2; }
    float r3(int IMater) const { return Entry(IMater).r3; }
    float r4(int IMater) const { return Entry(IMater).r4; }
    float R_Preexp(int IMater) const { return Entry(IMater).R_Preexp; }
    float R_Exp(int IMater) const { return Entry(IMater).R_Exp; }
    /// Reference text (literature source).
    const std::string& MaterialName(int IMater) const { return Entry(IMater).MaterialName; }
    float tmin(int IMater) const { return Entry(IMater).tmin; }
    float tmax(int IMater) const { return Entry(IMater).tmax; }
    float density(int IMater) const { return Entry(IMater).density; }
    float porosity(int IMater) const { return Entry(IMater).porosity; }
    const std::string& MaterialNames(int IMater) const { return Entry(IMater).MaterialNames; }
    std::int32_t Colors(int IMater) const { return Entry(IMater).Colors; }
    /// Sets the colour of a material 0 ... N - 1 or of entry -1; other indices are ignored.
    void Colors(int IMater, std::int32_t colour);

    std::int16_t NumberOfMaterials() const { return m_n; }
    /// Sets N and empties the table through InitializeDimensions (even when N is unchanged).
    /// Returns false, with the table empty (N = 0), when N is refused.
    bool NumberOfMaterials(int n);
    /// True when the table holds no material (N <= 0).
    bool NoMaterials() const { return m_n <= 0; }

    /// Reallocates every row -1 ... N - 1 with the defaults (flags off, palette colour,
    /// "Material i"). With N >= 31 shows kMsgTooManyMaterials and leaves a consistent empty
    /// table (N = 0); returns false then.
    bool InitializeDimensions();

    /// Resistivity of a material at T deg C in ohm mm: 1000 x (R0 + sum rn T^n + the Arrhenius
    /// term). Always finite: the Arrhenius term is left out at or below -273.15 deg C, and a sum
    /// that is not finite gives 0.
    double Resistivity(int IMater, float temperature) const;
    /// The conductivity law of a material at T deg C (as written in the file, W/m/K).
    float Conductivity(int IMater, double temperature) const
    {
        return conductivity_law(Entry(IMater).cond.data(), temperature);
    }

    /// Reads a materials properties file into the table. Returns false when the file was
    /// missing or refused (the table is then empty). Messages go through the front end.
    bool ReadMaterials(const std::string& MaterialFileName);

    /// Default palette colour of index -1 ... 30.
    static std::int32_t DefaultColor(int index);

    /// Row access for the file reader and the tests; an out-of-range index yields entry -1.
    const MaterialEntry& Entry(int IMater) const;
    MaterialEntry& Entry(int IMater);

private:
    std::int16_t m_n = 0;
    std::vector<MaterialEntry> m_rows; // row k holds index k - 1
    FrontEnd* m_frontEnd = nullptr;
};

} // namespace tarsen
