// The numbers the main window shows after every cycle, computed from the solved field: the report
// box with its 16-line rule, the temperatures and axial gradient at the thermocouples, the heat
// balance, the electrical readouts beside the Ohm's-law values, the press heat sink that moves the
// boundary temperature, and the average furnace resistivity from a measured voltage. Nothing here
// draws: the display texts are values the window (or the batch tool) shows.
#pragma once

#include "common/ghostfield.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

/// Shown for a value whose formula would divide by zero or is not finite.
inline constexpr std::string_view kUndefined = "Undefined.";
inline constexpr std::string_view kPercentSuffix = " percent.";

/// The main window's Single pi (3.14159274), used for volumes and the Joule power integral.
inline constexpr float kPi = 3.14159274f;
/// 2 pi as the heat-flow sum scales it.
inline constexpr double kTwoPiFlow = 6.28318452835083;
/// Conductivity of the press steel (W/m/K) and the far temperature of the press (deg C).
inline constexpr double kPressConductivity = 50.0;
inline constexpr double kPressFarTemperature = 25.0;
/// Lowest current (A) for which resistance and voltage are formed from the power.
inline constexpr double kMinCurrent = 1e-10;
/// Lowest power (W) for which the heat balance is shown.
inline constexpr double kMinBalancePower = 0.5;

/// The report box: progress and result lines, cleared before the 17th line and by an empty line,
/// so it never holds more than 16. Each line keeps the text colour set when it was written (red
/// while Initialize builds the model, black otherwise).
class ReportBox {
public:
    struct Line {
        std::string text;
        bool red = false;
    };
    static constexpr int kMaxLines = 16;

    /// Prints Words as a new line; an empty Words, or more than 15 lines since the last clear,
    /// clears the box first (so an empty Words leaves one empty line).
    void WriteReport(std::string_view Words);
    /// Colour of the lines written from now on.
    void SetRed(bool red) { m_red = red; }
    bool Red() const { return m_red; }
    /// Lines since the last clear, oldest first.
    const std::vector<Line>& Lines() const { return m_lines; }
    /// Empties the box and resets the line count (start-up).
    void Clear() { m_lines.clear(); }
    /// Every line written since the box was made, clears ignored (for logs; not shown).
    std::size_t TotalWritten() const { return m_total; }

private:
    std::vector<Line> m_lines;
    bool m_red = false;
    std::size_t m_total = 0;
};

/// The model grid's geometry as the results see it: nr x nz cells over 0 ... rmax by 0 ... zmax
/// (mm), boundary types ibcs(1 ... 4) at [0 ... 3], and the mirror factor 1 or 2.
struct FieldGeometry {
    int nr = 0;
    int nz = 0;
    float rmax = 0.0f; // mm
    float zmax = 0.0f; // mm
    std::array<std::int16_t, 4> ibcs{0, 1, 1, 0};
    int MirrorFactor = 1;
};

/// Bilinear interpolation of t at (R, Z) in mm. 0 when TemperatureReady is False or t is empty.
/// A point beyond a zero-flux side (the axis always, and the sides whose ibcs is 0) is first
/// reflected at that side, so the field reads as its mirror image there. The lower corner
/// (i0, j0) is then clamped so that both neighbours lie inside t's own ghost ring (i0 to
/// -1 ... N1 - 1, j0 to -1 ... N2 - 1, with N1, N2 t's sizes), and the weights are taken from the
/// clamped corner and clamped to [0, 1]: a point beyond a held side reads the ghost value, never
/// memory outside the array. Inside the model this is the plain bilinear formula.
float TInterp(const GhostField<float>& t, const FieldGeometry& g, bool TemperatureReady, float R,
              float Z);

/// Axial temperature gradient (deg C per mm) on the axis at z0, from TInterp at z0 +- HalfDistance.
/// 0 when HalfDistance is 0.
float ThermocoupleGradient(const GhostField<float>& t, const FieldGeometry& g,
                           bool TemperatureReady, float z0, float HalfDistance);

/// Heat leaving the model (W) through the isothermal sides: the outer radius when ibcs(2) is
/// non-zero, the top when ibcs(3) is, the bottom when ibcs(4) is; the axis never counts. Uses the
/// conductivities and temperatures of the cells on both sides of each boundary face, scaled by
/// 2 pi and MirrorFactor. 0 when the arrays do not cover the grid.
float flowout(const GhostField<float>& t, const GhostField<float>& c, const FieldGeometry& g);

/// Radius (mm) of the sphere with the volume of the modelled assembly (rmax^2 pi zmax, doubled
/// when mirrored).
float EquivalentRadius(const FieldGeometry& g);

/// Temperature (deg C) of a sphere of radius RExact (mm) that loses IntegratedPower (W) through a
/// steel shell out to PressRadius (m) held at 25 deg C. Nothing when the result is not finite
/// (RExact or PressRadius zero, or a power that is not finite): the caller then skips the shift.
std::optional<float> BoundaryTemperature(float IntegratedPower, float RExact, float PressRadius);

/// Adds ShiftAmount to every element of t (ghost ring included) and to tbc.
void ShiftTemperature(GhostField<float>& t, float& tbc, float ShiftAmount);

/// Average furnace resistivity (the resistivity unit of the material table, ohm mm) that makes the
/// whole assembly's resistance equal MeasuredVoltage / ElectricCurrent:
/// (V / I) x rho0 / (MirrorFactor x R0), with R0 the modelled assembly's total resistance and
/// rho0 the furnace resistivity, both at tbc. Nothing when I or R0 is zero or the result is not
/// finite.
std::optional<float> AverageResistivity(float MeasuredVoltage, float ElectricCurrent, float R0,
                                        float rho0, int MirrorFactor);

/// One line of the thermocouple box.
struct ThermocoupleLine {
    std::string text;
    std::int32_t colour = 0; // colour Long
    bool bold = false;
};

/// Everything the result boxes of the main window show, as text.
struct ResultTexts {
    std::array<ThermocoupleLine, 3> picThermocoupleTemp; // empty texts without a field
    std::string picConvergence;     // heat out / heat in, "98.7 percent." or empty
    std::string picResidual;        // FirstError, line break, rmserror
    std::string picIntegratedPower; // W, no leading blank
    std::string picAmps;            // print form
    std::string picResistance;      // print form or "Undefined."
    std::string picVolts;           // print form or "Undefined."
    std::string picTheorResist;     // print form or "Undefined."
    std::string picTheorVolt;       // print form or "Undefined."
};

/// The three thermocouple lines: thermocouple 0 as "T0 (G)" in bold, T0 rounded to a whole number
/// and G to one decimal; thermocouples 1 and 2 as whole numbers. Empty texts without a field.
std::array<ThermocoupleLine, 3> ThermocoupleLines(bool TemperatureReady,
                                                  const std::array<float, 3>& temperatures,
                                                  float gradient,
                                                  const std::array<std::int32_t, 3>& colours);

/// The heat balance text, flow / power as a percentage to one decimal followed by " percent.";
/// empty when the power is at most 0.5 W (or either value is not finite).
std::string HeatBalanceText(float flow, float IntegratedPower);
/// Heat out as a percentage of heat in, unrounded; nothing when the power is at most 0.5 W.
std::optional<double> HeatBalancePercent(float flow, float IntegratedPower);
/// "FirstError\nrmserror" in the shortest form of each Single.
std::string ResidualText(float FirstError, float rmserror);

/// Numerical resistance P / I^2 (ohm) and voltage P / I (V); nothing when I <= 1e-10 or the
/// result is not finite.
std::optional<double> NumericalResistance(float IntegratedPower, float ElectricCurrent);
std::optional<double> NumericalVoltage(float IntegratedPower, float ElectricCurrent);

/// Fills picIntegratedPower, picAmps, picResistance (five decimals) and picVolts (three).
void ElectricalTexts(ResultTexts& out, float IntegratedPower, float ElectricCurrent);
/// Fills picTheorResist (MirrorFactor x R0 to five decimals) and picTheorVolt (that times the
/// current, to three decimals); "Undefined." for a value that is not finite.
void OhmsLawTexts(ResultTexts& out, float R0, float ElectricCurrent, int MirrorFactor);

/// x rounded half-to-even to the given number of decimals and stored as Single (x * 10^d rounded
/// to a whole number, then divided by 10^d). Negative zero comes back as 0.
float RoundToDecimals(double x, int decimals);

} // namespace tarsen
