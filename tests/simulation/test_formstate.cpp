// The main window's decisions: readiness messages in their order, the three window states, the
// Running state, frames and their controls, the grid and Z buttons, MirrorFactor and nz.
#include "simulation/formstate.h"

#include <gtest/gtest.h>

namespace tarsen {
namespace {

FormInputs NotRunnable()
{
    FormInputs in;
    in.Runnable = false;
    in.StatusText = "previous";
    return in;
}

TEST(Readiness, TheFirstProblemThatAppliesIsNamed)
{
    FormInputs in = NotRunnable();
    in.NoMaterials = true;
    in.UnassignedPoint = true;
    in.UnassignedPointIJ = {12, 3};
    in.MissingMaterial = true;
    in.MissingMaterialName = "Graphite";
    in.NoFurnace = true;
    EXPECT_EQ(DecideFormState(in).StatusText, kMsgNoMaterials);

    in.NoMaterials = false;
    EXPECT_EQ(DecideFormState(in).StatusText,
              "The assembly is not yet ready: an example of an unassigned point has been found "
              "at I, J = 12, 3. (Use the Model/Modify the Assembly menu)");

    in.UnassignedPoint = false;
    EXPECT_EQ(DecideFormState(in).StatusText,
              "The assembly is not yet ready: the thermal conductivity coefficients of Graphite "
              "are needed (in the .prp file).");

    in.MissingMaterial = false;
    EXPECT_EQ(DecideFormState(in).StatusText, kMsgNoFurnace);

    // Nothing applies: the status keeps its text, in red.
    in.NoFurnace = false;
    in.StatusColor = StatusColour::Blue;
    const FormState s = DecideFormState(in);
    EXPECT_EQ(s.StatusText, "previous");
    EXPECT_EQ(s.StatusColor, StatusColour::Red);
    EXPECT_TRUE(s.StatusWritten);
}

TEST(WindowStates, NotReadyDesignModeAndReady)
{
    // Not ready: both run frames off, Initialize on.
    FormInputs in = NotRunnable();
    in.UnassignedPoint = true;
    FormState s = DecideFormState(in);
    EXPECT_FALSE(s.enabled.frameGo);
    EXPECT_FALSE(s.enabled.cmdRunManyCycles);
    EXPECT_FALSE(s.enabled.frameGridSettings);
    EXPECT_FALSE(s.enabled.FrameMultiGrid); // inside the disabled frame
    EXPECT_FALSE(s.enabled.chkRedBlack);
    EXPECT_TRUE(s.enabled.cmdInitialize);
    EXPECT_FALSE(s.enabled.mnuDrawModel);
    EXPECT_FALSE(s.enabled.mnuPlotT);

    // Design mode: the design text, frameGo off, the grid settings on.
    in = FormInputs{};
    in.StatusText = "The assembly is ready to run.";
    s = DecideFormState(in);
    EXPECT_EQ(s.StatusText, kMsgDesignMode);
    EXPECT_EQ(s.StatusColor, StatusColour::Red);
    EXPECT_FALSE(s.enabled.frameGo);
    EXPECT_FALSE(s.enabled.cmdGoToT);
    EXPECT_TRUE(s.enabled.frameGridSettings);
    EXPECT_TRUE(s.enabled.cmdInitialize);

    // Ready: everything on, Initialize off, the status left as it is (blue).
    in.Initialized = true;
    in.StatusColor = StatusColour::Blue;
    s = DecideFormState(in);
    EXPECT_EQ(s.StatusText, "The assembly is ready to run.");
    EXPECT_EQ(s.StatusColor, StatusColour::Blue);
    EXPECT_FALSE(s.StatusWritten);
    EXPECT_TRUE(s.enabled.frameGo);
    EXPECT_TRUE(s.enabled.cmdRunManyCycles);
    EXPECT_TRUE(s.enabled.cmdConvergeToResidual);
    EXPECT_TRUE(s.enabled.cmdGoToT);
    EXPECT_TRUE(s.enabled.frameConvergenceTests);
    EXPECT_FALSE(s.enabled.cmdInitialize);
    EXPECT_TRUE(s.enabled.mnuDrawModel);
    EXPECT_TRUE(s.enabled.mnuPlotT);
}

TEST(WindowStates, DuringARunOnlyStopAndExitAreEnabled)
{
    FormInputs in;
    in.Initialized = true;
    in.Running = true;
    in.AspectRatio = 1.0f;
    in.nr = 64;
    const ControlStates e = DecideFormState(in).enabled;
    EXPECT_TRUE(e.frameGo);
    EXPECT_TRUE(e.cmdStop);
    EXPECT_TRUE(e.mnuExit);
    for (bool b : {e.cmdRunManyCycles,
                   e.cmdConvergeToResidual,
                   e.cmdGoToT,
                   e.txtNCycles,
                   e.txtGoToT,
                   e.txtTError,
                   e.txtConvergeToResidual,
                   e.frameGridSettings,
                   e.optGrid,
                   e.chkRedBlack,
                   e.txtNInner,
                   e.txtW,
                   e.cmdInitialize,
                   e.cmdMakeT,
                   e.cmdDoubleZ,
                   e.cmdHalveZ,
                   e.cmdDoubleGrid,
                   e.cmdHalveGrid,
                   e.txtRmax,
                   e.txtBoundaryCondition,
                   e.txtCurrent,
                   e.chkIncludePress,
                   e.frameTemperatureContour,
                   e.mnuOpen,
                   e.mnuSave,
                   e.mnuOpenPropertiesFile,
                   e.mnuModifyAssembly,
                   e.mnuDrawModel,
                   e.mnuPlotT,
                   e.mnuPlotPicture,
                   e.mnuCalcResistivity})
        EXPECT_FALSE(b);
}

TEST(WindowStates, SolverFramesFollowUseMultigrid)
{
    FormInputs in;
    in.Initialized = true;
    in.UseMultigrid = true;
    FormState s = DecideFormState(in);
    EXPECT_TRUE(s.enabled.FrameMultiGrid);
    EXPECT_TRUE(s.enabled.chkRedBlack);
    EXPECT_TRUE(s.enabled.txtNInner);
    EXPECT_FALSE(s.enabled.frameSingleGrid);
    EXPECT_FALSE(s.enabled.txtW);
    EXPECT_FALSE(s.enabled.txtNiters);
    EXPECT_FALSE(s.enabled.txtNTits);
    EXPECT_TRUE(s.optGridMultiGrid);

    in.UseMultigrid = false;
    s = DecideFormState(in);
    EXPECT_FALSE(s.enabled.FrameMultiGrid);
    EXPECT_FALSE(s.enabled.txtNInner);
    EXPECT_TRUE(s.enabled.frameSingleGrid);
    EXPECT_TRUE(s.enabled.txtW);
    EXPECT_TRUE(s.enabled.txtNTits);
    EXPECT_FALSE(s.optGridMultiGrid);
}

TEST(WindowStates, ModelSizeButtonsAtTheirLimits)
{
    FormInputs in;
    in.AspectRatio = 4.0f;
    in.nr = 64;
    FormState s = DecideFormState(in);
    EXPECT_FALSE(s.enabled.cmdDoubleZ);
    EXPECT_TRUE(s.enabled.cmdHalveZ);
    in.AspectRatio = 0.25f;
    s = DecideFormState(in);
    EXPECT_TRUE(s.enabled.cmdDoubleZ);
    EXPECT_FALSE(s.enabled.cmdHalveZ);

    ControlStates e;
    UpdateGridButtons(e, 512, 512, false);
    EXPECT_FALSE(e.cmdDoubleGrid);
    EXPECT_TRUE(e.cmdHalveGrid);
    UpdateGridButtons(e, 256, 511, false);
    EXPECT_TRUE(e.cmdDoubleGrid);
    UpdateGridButtons(e, 5, 5, false);
    EXPECT_TRUE(e.cmdHalveGrid);
    UpdateGridButtons(e, 64, 4, false);
    EXPECT_FALSE(e.cmdHalveGrid);
    UpdateGridButtons(e, 64, 64, true);
    EXPECT_FALSE(e.cmdDoubleGrid);
    EXPECT_FALSE(e.cmdHalveGrid);
}

TEST(WindowStates, CaptionNzMirrorFactorAndBoxTexts)
{
    FormInputs in;
    in.AssemblyPath = "/data/cell.tsn";
    in.nr = 5;
    in.AspectRatio = 0.5f;
    in.rmax = 6.35f;
    in.DesiredResidual = 0.008f;
    in.ncycles = 3;
    FormState s = DecideFormState(in);
    EXPECT_EQ(s.Caption, "Tarsen: /data/cell.tsn");
    EXPECT_EQ(s.nz, 2); // 2.5 rounds to even
    EXPECT_EQ(s.text.txtRmax, "6.35");
    EXPECT_EQ(s.text.txtConvergeToResidual, "0.008");
    EXPECT_EQ(s.text.txtNCycles, "3");
    EXPECT_EQ(s.text.txtAspectRatio, "0.5");
    in.AssemblyPath.clear(); // no file named: the caption still ends in words
    EXPECT_EQ(DecideFormState(in).Caption, "Tarsen: (untitled)");

    EXPECT_EQ(MirrorFactorOf({0, 1, 1, 0}), 2);
    EXPECT_EQ(MirrorFactorOf({0, 1, 0, 1}), 2);
    EXPECT_EQ(MirrorFactorOf({0, 1, 1, 1}), 1);
    EXPECT_EQ(MirrorFactorOf({0, 1, 0, 0}), 1);
    EXPECT_EQ(GridCellsZ(64, 1.5f), 96);
    EXPECT_EQ(GridCellsZ(45, 1.5f), 68);
}

} // namespace
} // namespace tarsen
