// What the main window shows, decided from the model's state alone: the caption, the enabled
// state of every control, frame and menu entry, the readiness status with its messages, the grid
// counts that follow from the settings, and the texts of the setting boxes. The window applies
// the result in one place; the batch tool and the tests read it directly.
#pragma once

#include "common/frontend.h"
#include "simulation/results.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarsen {

inline constexpr std::string_view kCaptionDesigned = "Tarsen Thermal Model (First Release)";
inline constexpr std::string_view kCaptionPrefix = "Tarsen: ";
/// Takes the place of the path in the caption while no assembly file is named (the start-up
/// dialog was cancelled).
inline constexpr std::string_view kCaptionUntitled = "(untitled)";

inline constexpr std::string_view kMsgDesignMode =
    "Design mode.  Needs to be initialized before running.";
inline constexpr std::string_view kMsgNoMaterials =
    "There are no materials.  Please open a properties (*.prp) file in the 'File/Open a "
    "Properties File' menu.";
inline constexpr std::string_view kMsgUnassignedPointBegin =
    "The assembly is not yet ready: an example of an unassigned point has been found at I, J = ";
inline constexpr std::string_view kMsgUnassignedPointEnd =
    ". (Use the Model/Modify the Assembly menu)";
inline constexpr std::string_view kMsgMissingMaterialBegin =
    "The assembly is not yet ready: the thermal conductivity coefficients of ";
inline constexpr std::string_view kMsgMissingMaterialEnd = " are needed (in the .prp file).";
inline constexpr std::string_view kMsgNoFurnace =
    "The assembly is not yet ready: there is no heating element (use the Model/Modify the "
    "Assembly menu)";

/// Largest grid count per direction, and the aspect-ratio range of the Z buttons.
inline constexpr int kMaxGridCells = 512;
inline constexpr int kMinHalvedCells = 4;
inline constexpr float kMinAspectRatio = 0.25f;
inline constexpr float kMaxAspectRatio = 4.0f;

/// The state FormUpdate reads.
struct FormInputs {
    std::string AssemblyPath; // as chosen in the open or save dialog; may be empty
    bool Modified = false;    // the assembly differs from the file last read or saved
    float AspectRatio = 1.0f;
    int nr = 64;
    std::array<std::int16_t, 4> ibcs{0, 1, 1, 0}; // ibcs(1) ... ibcs(4)
    bool Initialized = false;
    bool Runnable = true;
    bool TemperatureReady = true;
    bool Running = false; // a run is in progress: only Stop is usable
    bool UseMultigrid = true;
    bool RedBlack = true;
    bool IncludePress = true;
    bool ExactSampling = true;
    // Readiness, in the order the status names them.
    bool NoMaterials = false;
    bool UnassignedPoint = false;
    std::array<int, 2> UnassignedPointIJ{0, 0};
    bool MissingMaterial = false;
    std::string MissingMaterialName; // the table's name of the missing material
    bool NoFurnace = false;
    std::string StatusText; // the present status, kept where the rules leave it
    StatusColour StatusColor = StatusColour::Red;
    // Values of the setting boxes.
    float rmax = 0.0f;
    float ElectricCurrent = 0.0f;
    float tbc = 25.0f;
    float w = 1.8f;
    float GoToT = 0.0f;
    float TError = 0.0f;
    float DesiredResidual = 0.0f;
    int niters = 10;
    int ntits = 10;
    int ncycles = 1;
    int NInner = 10;
};

/// Enabled state of every control, frame and menu entry, already combined with its frame's (a
/// control inside a disabled frame is reported disabled). Field names are the control names.
struct ControlStates {
    // Frames.
    bool frameGo = false;
    bool frameConvergenceTests = false; // "Convergence tests" inside frameGo
    bool frameGridSettings = false;
    bool FrameMultiGrid = false;
    bool frameSingleGrid = false;
    bool frameTemperatureContour = false;
    // frameGo.
    bool cmdStop = false;
    bool cmdRunManyCycles = false;
    bool txtNCycles = false;
    bool cmdConvergeToResidual = false;
    bool txtConvergeToResidual = false;
    bool cmdGoToT = false;
    bool txtGoToT = false;
    bool txtTError = false;
    // frameGridSettings.
    bool optGrid = false; // both option buttons
    bool chkRedBlack = false;
    bool txtNInner = false;
    bool txtW = false;
    bool txtNiters = false;
    bool txtNTits = false;
    // Model and grid controls outside the run frames.
    bool cmdInitialize = false;
    bool cmdMakeT = false;
    bool cmdDoubleZ = false;
    bool cmdHalveZ = false;
    bool cmdDoubleGrid = false;
    bool cmdHalveGrid = false;
    bool txtRmax = false;
    bool txtBoundaryCondition = false;
    bool txtCurrent = false;
    bool chkIncludePress = false;
    bool chkExactSampling = false;
    bool txtPixels = false;
    // Menus: entries that change the model or redraw are off during a run; Exit and About stay.
    bool mnuOpen = false;
    bool mnuSave = false;
    bool mnuOpenPropertiesFile = false;
    bool mnuExit = true;
    bool mnuPlotPicture = false;
    bool mnuPlotAll = false;
    bool mnuShowHeatOutput = false;
    bool mnuAntiAliasing = false;
    bool mnuGreyscale = false;
    bool mnuSaveBitmap = false;
    bool mnuGraphics = false;
    bool mnuDrawModel = false;
    bool mnuModifyAssembly = false;
    bool mnuPlotFullPicture = false;
    bool mnuMaterialProperties = false;
    bool mnuPlotConductivities = false;
    bool mnuCalcResistivity = false;
    bool mnuPlotT = false;
    bool mnuAbout = true;
};

/// Texts of the setting boxes, numbers in their shortest form. txtAspectRatio and txtGridSize
/// are shown read-only: they change only through the Z and grid buttons.
struct SettingTexts {
    std::string txtRmax, txtAspectRatio, txtGridSize, txtCurrent, txtBoundaryCondition;
    std::string txtNiters, txtNTits, txtNCycles, txtNInner, txtGoToT, txtTError;
    std::string txtConvergeToResidual, txtW;
};

/// Everything one FormUpdate brings into the window.
struct FormState {
    std::string Caption;
    bool Modified = false; // the caption carries the window's modified mark
    std::int16_t nz = 0;
    std::int16_t MirrorFactor = 1;
    std::string StatusText;
    StatusColour StatusColor = StatusColour::Red;
    bool StatusWritten = false; // the readiness rules rewrote the status
    ControlStates enabled;
    SettingTexts text;
    bool chkRedBlack = true;      // checked
    bool chkIncludePress = true;  // checked
    bool chkExactSampling = true; // checked
    bool optGridMultiGrid = true; // "Multi-grid" selected, else "Single grid"
    ResultTexts results;          // filled by the main window's logic
    std::array<std::array<float, 2>, 3> ThermocouplePositions{}; // (k, 0) = r, (k, 1) = z, mm
};

/// nz = nr x AspectRatio rounded half-to-even, saturated to the 16-bit range.
std::int16_t GridCellsZ(int nr, float AspectRatio);
/// 2 when exactly one axial end is insulated and the other is of type 1, else 1.
std::int16_t MirrorFactorOf(const std::array<std::int16_t, 4>& ibcs);
/// cmdDoubleGrid only while nr < 512 and nz < 512, cmdHalveGrid only while nr >= 5 and nz >= 5
/// (both off during a run).
void UpdateGridButtons(ControlStates& enabled, int nr, int nz, bool running);
/// The readiness message for a model that is not runnable: the first problem that applies, or
/// nothing when none does.
std::optional<std::string> ReadinessMessage(const FormInputs& in);
/// The window's state from the model's (everything but the result texts).
FormState DecideFormState(const FormInputs& in);

} // namespace tarsen
