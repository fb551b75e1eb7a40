#include "simulation/formstate.h"

#include "common/numeric.h"
#include "common/textnum.h"

namespace tarsen {

std::int16_t GridCellsZ(int nr, float AspectRatio)
{
    return CInt(double(nr) * double(AspectRatio));
}

std::int16_t MirrorFactorOf(const std::array<std::int16_t, 4>& ibcs)
{
    const bool oneEndInsulated = (ibcs[2] == 0 && ibcs[3] == 1) || (ibcs[2] == 1 && ibcs[3] == 0);
    return oneEndInsulated ? 2 : 1;
}

void UpdateGridButtons(ControlStates& enabled, int nr, int nz, bool running)
{
    enabled.cmdDoubleGrid = nr < kMaxGridCells && nz < kMaxGridCells && !running;
    enabled.cmdHalveGrid = nr >= 5 && nz >= 5 && !running;
}

std::optional<std::string> ReadinessMessage(const FormInputs& in)
{
    if (in.NoMaterials)
        return std::string(kMsgNoMaterials);
    if (in.UnassignedPoint)
        return std::string(kMsgUnassignedPointBegin) + std::to_string(in.UnassignedPointIJ[0]) +
               ", " + std::to_string(in.UnassignedPointIJ[1]) + std::string(kMsgUnassignedPointEnd);
    if (in.MissingMaterial)
        return std::string(kMsgMissingMaterialBegin) + in.MissingMaterialName +
               std::string(kMsgMissingMaterialEnd);
    if (in.NoFurnace)
        return std::string(kMsgNoFurnace);
    return std::nullopt;
}

FormState DecideFormState(const FormInputs& in)
{
    FormState s;
    s.Caption = std::string(kCaptionPrefix) +
                (in.AssemblyPath.empty() ? std::string(kCaptionUntitled) : in.AssemblyPath);
    s.Modified = in.Modified;
    s.nz = GridCellsZ(in.nr, in.AspectRatio);
    s.MirrorFactor = MirrorFactorOf(in.ibcs);

    // Readiness: a ready model keeps the status its run or Initialize set; otherwise the design
    // text or the first problem found, in red.
    s.StatusText = in.StatusText;
    s.StatusColor = in.StatusColor;
    if (!in.Initialized) {
        if (in.Runnable) {
            s.StatusText = std::string(kMsgDesignMode);
        } else if (auto why = ReadinessMessage(in)) {
            s.StatusText = *why;
        }
        s.StatusColor = StatusColour::Red;
        s.StatusWritten = true;
    }

    // Enabled states. Each control has its own condition, combined with its frame's, so the
    // result does not depend on the order in which frames are switched. While a run is in
    // progress only Stop (and Exit, which stops the run first) can be used.
    const bool idle = !in.Running;
    ControlStates& e = s.enabled;
    e.frameGo = in.Initialized || in.Running;
    e.cmdStop = e.frameGo;
    const bool runControls = in.Initialized && idle;
    e.cmdRunManyCycles = e.txtNCycles = runControls;
    e.cmdConvergeToResidual = e.txtConvergeToResidual = runControls;
    e.cmdGoToT = e.txtGoToT = e.txtTError = runControls;
    e.frameConvergenceTests = in.Initialized; // shows results, also during a run

    e.frameGridSettings = (in.Initialized || in.Runnable) && idle;
    e.optGrid = e.frameGridSettings;
    e.FrameMultiGrid = e.frameGridSettings && in.UseMultigrid;
    e.chkRedBlack = e.txtNInner = e.FrameMultiGrid;
    e.frameSingleGrid = e.frameGridSettings && !in.UseMultigrid;
    e.txtW = e.txtNiters = e.txtNTits = e.frameSingleGrid;
    e.frameTemperatureContour = in.TemperatureReady && idle;

    const int nz = s.nz;
    e.cmdInitialize = !in.Initialized && idle;
    e.cmdMakeT = in.TemperatureReady && idle;
    e.cmdHalveZ = in.AspectRatio > kMinAspectRatio && idle;
    e.cmdDoubleZ = in.AspectRatio < kMaxAspectRatio && idle;
    UpdateGridButtons(e, in.nr, nz, in.Running);
    e.txtRmax = e.txtBoundaryCondition = e.txtCurrent = e.chkIncludePress = idle;
    e.chkExactSampling = idle;
    e.txtPixels = idle;

    e.mnuOpen = e.mnuSave = e.mnuOpenPropertiesFile = idle;
    e.mnuPlotPicture = e.mnuPlotAll = e.mnuShowHeatOutput = idle;
    e.mnuAntiAliasing = e.mnuGreyscale = e.mnuSaveBitmap = e.mnuGraphics = idle;
    e.mnuModifyAssembly = e.mnuPlotFullPicture = idle;
    e.mnuMaterialProperties = e.mnuPlotConductivities = e.mnuCalcResistivity = idle;
    e.mnuDrawModel = in.Initialized && idle;
    e.mnuPlotT = in.Initialized && idle;
    e.mnuExit = true;
    e.mnuAbout = true;

    SettingTexts& t = s.text;
    t.txtRmax = ShortestSingle(in.rmax);
    t.txtAspectRatio = ShortestSingle(in.AspectRatio);
    t.txtGridSize = std::to_string(in.nr);
    t.txtCurrent = ShortestSingle(in.ElectricCurrent);
    t.txtBoundaryCondition = ShortestSingle(in.tbc);
    t.txtNiters = std::to_string(in.niters);
    t.txtNTits = std::to_string(in.ntits);
    t.txtNCycles = std::to_string(in.ncycles);
    t.txtNInner = std::to_string(in.NInner);
    t.txtGoToT = ShortestSingle(in.GoToT);
    t.txtTError = ShortestSingle(in.TError);
    t.txtConvergeToResidual = ShortestSingle(in.DesiredResidual);
    t.txtW = ShortestSingle(in.w);

    s.chkRedBlack = in.RedBlack;
    s.chkIncludePress = in.IncludePress;
    s.chkExactSampling = in.ExactSampling;
    s.optGridMultiGrid = in.UseMultigrid;
    return s;
}

} // namespace tarsen
