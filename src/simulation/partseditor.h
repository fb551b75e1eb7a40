// The assembly editor's logic without its widgets: the part list with its suffixes, the shown
// dimensions in millimetres or inches and as radius or diameter, the edits of one part typed
// into the dimension boxes (applied as soon as the text reads as a number), the part's material,
// heating type, inclusion and priority, the thermocouple positions, and the part properties
// (density, porosity, volume, mass). The editor keeps no copy of the assembly: every view is read
// back from the assembly object, and every edit is written into it at once.
#pragma once

#include "model/clstarsen.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

class clsMaterialProperties;

inline constexpr std::string_view kPartsCaption = "Modify the Assembly";
inline constexpr std::string_view kIncludedSuffix = " (included).";
inline constexpr std::string_view kIgnoredSuffix = " (ignored).";
/// Name of a slot that was never named.
inline constexpr std::string_view kUnnamedPart = ".";
/// What the material box shows for a part without a material, and for a material index that
/// the table does not hold.
inline constexpr std::string_view kNoMaterialText = "(none)";
inline constexpr std::string_view kMaterialNotInTable = "(not in the materials file)";
inline constexpr std::string_view kIsothermalSuffix = ". Isothermal.";
inline constexpr std::string_view kZeroFluxSuffix = ". Zero-flux.";
/// Names of the model sides 1 ... 4 (the axis, r = rmax, the top, the bottom) at 0 ... 3.
inline constexpr std::array<std::string_view, 4> kSideNames{"r = 0", "r = rmax", "z = zmax",
                                                            "z = 0"};

/// Shown value per stored millimetre: 1 for millimetres, 1/25.4 for inches (a Single).
inline constexpr float kUnitMillimetres = 1.0f;
inline constexpr float kUnitInches = static_cast<float>(1.0 / 25.4);
/// Shown radius per stored radius: 1 as radius, 2 as diameter.
inline constexpr float kRadiusAsRadius = 1.0f;
inline constexpr float kRadiusAsDiameter = 2.0f;

/// The editor lists and edits the parts the assembly file stores, 0 ... 30.
inline constexpr int kEditorParts = kMaxParts;
/// Highest slot "New Assembly" resets (the spare slot 31 included).
inline constexpr std::int16_t kLastPartSlot = 31;

/// The list entry of a part: its name followed by " (included)." when it is included, or by
/// " (ignored)." when it is not and has been named (a never-named slot shows just ".").
std::string PartListEntry(const clsAssemblyPart& part);
/// A typed name without the list suffixes: every " (included)." and " (ignored)." is removed,
/// so a name never grows by the suffix of the entry it was typed over.
std::string StripListSuffix(std::string_view text);
/// Mass in grams of a part of volume mm^3 made of a material of density g/cm^3 and porosity
/// (a fraction): (1 - porosity) x density x volume / 1000, rounded to three decimals with halves
/// to the even neighbour. Nothing when the result is not finite.
std::optional<double> PartMass(float density, float porosity, float volume);
/// The text beside the boundary swatch of side 0 ... 3: the side's name and ". Isothermal." when
/// the side is held at the boundary temperature (type non-zero), else ". Zero-flux.".
std::string BoundaryLabel(int side, std::int16_t type);

/// Everything the editor's FormUpdate shows, control by control.
struct PartsView {
    std::array<std::string, kEditorParts> cboPartIdentity; //!< list entries of parts 0 ... 30
    std::string partText;   //!< combo text: the entry of the selected part, empty without one
    bool partShown = false; //!< a part is selected; its boxes and actions are usable
    std::vector<std::string> cboMaterial; //!< the table's material names 0 ... N - 1
    int materialPosition = -1;            //!< position in cboMaterial; -1 shows materialText
    std::string materialText;             //!< the material's name, or why there is none
    int heatingOption = -1;               //!< the checked heating button 0 ... 3; -1 none
    bool heatingOptionsEnabled = false;   //!< buttons 1 ... 3 (button 0 is always usable)
    std::string txtInner, txtOuter, txtTaperAngle, txtMinHeight, txtLength, txtFlareAngle;
    std::string txtDensity, txtPorosity, txtVolume, txtMass;
    /// Thermocouple k's r (I) and z (J) position, mm.
    std::array<std::string, 3> txtThermocoupleI, txtThermocoupleJ;
    std::array<std::int16_t, 4> boundaryTypes{}; //!< ibcs(k + 1) of swatch k
    std::array<std::string, 4> lblBoundaryTypes;
};

/// What the editor reads and writes; all of it belongs to the main window and must outlive the
/// editor.
struct PartsEditorModel {
    clsTarsen& Tarsen;
    const clsMaterialProperties& materials;
    const std::array<std::int16_t, 5>& ibcs; //!< boundary types at 1 ... 4
    const float& tbc;                        //!< boundary temperature, deg C
    std::int16_t& PartIndex;                 //!< the main window's selected part
    std::int16_t& DrawIndex;                 //!< next part "Draw next in sequence" draws
};

/// The editor's state and handlers. Each edit returns whether it changed the assembly; the
/// window then clears the main window's Initialized and redraws. Edits with no part selected, or
/// with text that is not a usable number, change nothing.
class PartsEditor {
public:
    explicit PartsEditor(const PartsEditorModel& model);

    std::int16_t ActiveIndex = -1; //!< the part being edited, 0 ... 30; -1 none
    std::int16_t LastPartSlot = kLastPartSlot;
    float RadiusFactor = kRadiusAsRadius; //!< 1 radius, 2 diameter
    float UnitFactor = kUnitMillimetres;  //!< 1 millimetres, 1/25.4 inches

    /// ActiveIndex becomes the main window's PartIndex (-1 when that is outside 0 ... 30), so
    /// the editor always edits the part it shows.
    void SyncActiveIndex();
    /// True when ActiveIndex is the main window's PartIndex (a click on the picture may have
    /// selected another part since the view was made).
    bool InSync() const;
    /// Syncs ActiveIndex and returns what the window shows.
    PartsView FormUpdate();
    /// The shown value of a stored length (Single product).
    float ShownHeight(float mm) const;
    float ShownRadius(float mm) const;

    /// cboPartIdentity choice: part position (0 ... 30) becomes the selected, drawn-next part.
    /// Other positions are ignored; returns whether the selection was taken.
    bool SelectPart(int position);
    /// A name typed into the part box (suffixes stripped).
    bool SetName(std::string_view typed);
    /// Dimension boxes: a number is divided by the shown factors and stored.
    bool SetInner(std::string_view text);
    bool SetOuter(std::string_view text);
    /// MinHeight, and MaxHeight so that the length shown in lengthText stays; when lengthText is
    /// not a number the present length is kept.
    bool SetMinHeight(std::string_view text, std::string_view lengthText);
    bool SetLength(std::string_view text);
    bool SetTaperAngle(std::string_view text);
    bool SetFlareAngle(std::string_view text);
    /// HeatingType = option (0 ... 3); a heating type needs a material with a resistivity.
    bool SetHeating(int option);
    /// Material position (0 ... N - 1) of the table; the part is included as well.
    bool ChooseMaterial(int position);
    /// "millimeters" (false) or "inches" (true); stored values do not change.
    void SetInches(bool inches);
    /// "Radius" (false) or "Diameter" (true).
    void SetDiameter(bool diameter);
    /// Thermocouple k (0 ... 2), coordinate j (0 = r, 1 = z), typed in mm; stored when it is a
    /// number that differs from the stored position.
    bool SetThermocouple(int k, int j, std::string_view text);

    bool IgnorePart();
    bool IncludePart();
    /// The part back to its initial values.
    bool DeletePart();
    /// The part moves to the front (index 0) or behind the highest included part; the selection
    /// and the drawing sequence follow it.
    bool BringToFront();
    bool MoveToBack();
    /// Every slot 0 ... LastPartSlot reset; no part selected.
    bool NewAssembly();
    /// "Draw this part": the part to draw alone (nothing without a selection); the sequence
    /// continues with the part in front of it.
    std::optional<int> DrawThisPart();
    /// "Draw next in sequence": the part to draw over the picture when it is included; the
    /// sequence moves one part forward and stops below 0.
    std::optional<int> DrawNextInSequence();

    /// The resistivity of the part's material at tbc is not zero, so it can be a heating part.
    bool CanHeat(const clsAssemblyPart& part) const;

private:
    clsAssemblyPart* Active();
    /// The value of a typed length in mm (text / factor), when it is a number whose Single is
    /// finite.
    std::optional<float> TypedLength(std::string_view text, double factor) const;
    bool StoreRadius(std::string_view text, bool outer);

    PartsEditorModel m_model;
};

} // namespace tarsen
