// Temperature sections of the solved field: the radial line next to the mid-plane (j = 0) or the
// axial line next to the axis (i = 0), in grid indices or in millimetres. Works out the default
// ranges, the points of a profile with their place on the plot, and writes a profile into a sheet
// two columns wide (position or index as text, then the temperature).
#pragma once

#include "common/ghostfield.h"
#include "simulation/modelgrid.h"
#include "simulation/sheet.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarsen {

enum class SectionDirection { Radial, Axial };
enum class SectionUnits { Millimetres, Indices };

/// What a section reads of the model: the grid, the field t over -1 ... nr by -1 ... nz, whether
/// it is valid, and the interpolation TInterp(R, Z) in mm.
struct SectionSource {
    std::int16_t nr = 0;
    std::int16_t nz = 0;
    float rmax = 0.0f; // model radius, mm
    float zmax = 0.0f; // model height, mm
    bool TemperatureReady = false;
    const GhostField<float>* t = nullptr;
    std::function<float(float R, float Z)> TInterp;
};

/// The section source of the model grid, with the caller's interpolation of its field.
SectionSource SectionSourceOf(const ModelGrid& grid,
                              std::function<float(float R, float Z)> TInterp);

/// The three range boxes as the window shows them.
struct SectionRange {
    std::string Start;
    std::string Finish;
    std::string Step;
};

/// Indices: Start "0", Finish nr - 1 (radial) or nz - 1 (axial), Step "1".
SectionRange SetUpIJ(SectionDirection direction, std::int16_t nr, std::int16_t nz);
/// Millimetres, d = rmax / nr (radial) or zmax / nz (axial): Start d / 2, Finish max - d / 2,
/// Step d (the first and last cell centres and the cell size), each a Single in shortest text.
SectionRange SetUpMM(SectionDirection direction, float rmax, float zmax, std::int16_t nr,
                     std::int16_t nz);

/// Largest t(i, 0), i = 0 ... nr - 1, starting from 0 (so never negative).
float RadialMaximum(const GhostField<float>& t, std::int16_t nr);
/// Largest t(0, j), j = 0 ... nz - 1, starting from 0.
float AxialMaximum(const GhostField<float>& t, std::int16_t nz);

/// One point of a profile: its index or position (as a number and as the text exported), the
/// temperature, and its place as fractions of the plot's width (from the left) and height (from
/// the top).
struct SectionPoint {
    double position = 0.0;
    std::string label;
    float T = 0.0f;
    double xFraction = 0.0;
    double yFraction = 0.0;
};

/// A computed profile. When `ok` is false nothing was computed and `message` says why. When
/// `plottable` is false the points exist (for export) but have no place on the plot.
struct SectionProfile {
    bool ok = false;
    std::string message;
    bool plottable = false;
    SectionDirection direction = SectionDirection::Radial;
    SectionUnits units = SectionUnits::Millimetres;
    float Tmax = 0.0f;
    double axisLeft = 0.0;  // index or mm at the plot's left edge
    double axisRight = 0.0; // ... and at its right edge
    std::vector<SectionPoint> points;
};

/// Most points a millimetre profile may have.
inline constexpr long long kMaxSectionPoints = 100000;

inline constexpr std::string_view kMsgNoTemperature =
    "There is no temperature field to plot: initialize the model first.";
inline constexpr std::string_view kMsgFieldMismatch =
    "The temperature field does not match the grid: initialize the model again.";
inline constexpr std::string_view kMsgRangeNotNumber = "Start, Finish and Step must be numbers.";
inline constexpr std::string_view kMsgStepNotPositive = "Step must be greater than 0.";
inline constexpr std::string_view kMsgTooManyPoints =
    "Step is too small: the profile would have more than 100000 points.";

/// The profile along the chosen line for the range texts. Indices: every i = -1 ... nr (or j)
/// within Start ... Finish inclusive, T = t(i, 0), x = (i + 0.5 - Start) / (Finish - Start + 1).
/// Millimetres: N = CLng((Finish - Start) / Step), R = Start + k Step for k = 0 ... N, only
/// 0 <= R <= rmax, T = TInterp(R, 0), x = R / (Finish - Start + dr). Vertically
/// y = (Tmax - T) / Tmax with Tmax the maximum along the line. Refuses a missing or mismatched
/// field, texts that are not numbers, Step <= 0 and more than kMaxSectionPoints points.
SectionProfile ComputeSection(const SectionSource& source, SectionDirection direction,
                              SectionUnits units, std::string_view start, std::string_view finish,
                              std::string_view step);

/// The axes that several plotted profiles share: the union of their horizontal ranges and the
/// highest of their maxima, so every profile keeps its meaning when another is added.
struct SectionAxes {
    SectionDirection direction = SectionDirection::Radial;
    SectionUnits units = SectionUnits::Millimetres;
    double left = 0.0;  // index or mm at the plot's left edge
    double right = 0.0; // ... and at its right edge
    float Tmax = 0.0f;  // deg C at the top edge; 0 at the bottom
};

/// True when two profiles can share axes: the same line in the same units.
bool SameAxisKind(const SectionProfile& a, const SectionProfile& b);
/// The common axes of plottable profiles of one kind (see SameAxisKind); profiles that are not
/// plottable are left out. Nothing when none is left.
std::optional<SectionAxes> CommonAxes(const std::vector<SectionProfile>& profiles);
/// A point's place on the axes, as fractions of the plot's width (from the left) and height
/// (from the top); the axes must have left < right and Tmax > 0.
std::pair<double, double> PlaceOnAxes(const SectionPoint& point, const SectionAxes& axes);

/// Writes the profile into two columns from `column` (index from 0), row 1 downwards: the label
/// as text, then the temperature as a number. Returns false, writing nothing, when the second
/// column or the last row lies outside the sheet.
bool ExportProfile(Sheet& sheet, int column, const SectionProfile& profile);

/// The profile as tab-separated lines "label<TAB>temperature", for the clipboard.
std::string ProfileAsTabText(const SectionProfile& profile);

} // namespace tarsen
