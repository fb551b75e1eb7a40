// The main window: the assembly picture with its probe, labels and contours, the model and
// solver settings, the run buttons, the results, the status and report boxes, and the menus
// that lead to every other window. It owns the model through MainLogic and the drawing state
// through PictureState; its handlers read their widgets, call those two, and end with
// FormUpdate, whose decisions are applied to the widgets in one place (ApplyFormState).
#pragma once

#include "graphics/picturestate.h"
#include "simulation/formstate.h"
#include "simulation/mainlogic.h"
#include "ui/qtfrontend.h"
#include "ui/recentassemblies.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace tarsen {

class PictureBox;
class frmAbout;
class frmCalcResistivity;
class frmFullPicture;
class frmGraphics;

/// Side of the main picture in a window of the designed size (which fits a 1366 x 768 screen),
/// and the smallest it becomes in a smaller window, pixels. A larger window gives it more.
inline constexpr int kMainPictureSide = 368;
inline constexpr int kMinMainPictureSide = 240;
/// Time the picture waits after the last change of the window's size before it is drawn anew at
/// the new size, milliseconds.
inline constexpr int kPictureResizeDelay = 150;

/// Status while the picture is rebuilt by "Plot All".
inline constexpr std::string_view kStatusPlotting = "Plotting.";
/// Report line when a contour or label setting box holds unusable text.
inline constexpr std::string_view kMsgBoxNotNumber = " is not a number; the value stays ";
/// Message when the assembly file named on the command line does not exist.
inline constexpr char kMsgNoSuchAssembly[] = "The assembly file \"%1\" does not exist.";

/// The windows other parts of the program contribute to the menus.
enum class AuxWindow {
    Parts,              //!< "Modify the Assembly" (frmParts)
    MaterialProperties, //!< "View Material Properties" (frmMaterialProperties)
    Thermal,            //!< "Plot thermal conductivities" (frmThermal)
    PlotT               //!< "Plot and export temperature profiles" (frmPlotT)
};

class frmMain;
/// Makes an auxiliary window over the main window (parent for ownership). The window is
/// shown by the main window and deleted when the main window goes.
using AuxWindowFactory = std::function<QWidget*(frmMain& main)>;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    /// The window with every control, in design state; the model is loaded by Form_Load.
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    /// Start-up: every default, then the assembly at assemblyPath, or the one chosen in the
    /// open dialog when none is given (or the given one does not exist), its materials, the
    /// first drawing and FormUpdate.
    void Form_Load(const std::optional<QString>& assemblyPath = std::nullopt);

    // ---- What other windows reach the model through ----
    MainLogic& Logic() { return *m_logic; }
    PictureState& Picture() { return m_picture; }
    QtFrontEnd& Front() { return m_front; }
    /// The drawing's view of the model now.
    PictureModel Model();
    /// The surface every drawing goes to: the main picture, or the large picture while open.
    PictureSurface& ActivePic() { return *m_activePic; }
    PictureSurface& MainSurface() { return m_mainSurface; }

    /// Brings the window into line with the data (MainLogic::FormUpdate, applied here).
    FormState FormUpdate();
    /// Enables or disables a frame and, with it, everything inside it. A control inside an
    /// enabled frame keeps its own enabled state, so frames can be switched in any order.
    void FrameOnOff(QWidget* FrameCtrl, bool FrameOn);
    /// The assembly drawn anew on the active picture (geometry, parts, margin, axis, boundaries,
    /// thermocouples), labels over it.
    void RedrawAssembly();
    /// The full picture rebuilt on the active picture, fast.
    void ReplotActive();
    /// New material colours: brushes anew, the assembly redrawn, FormUpdate.
    void AfterColoursChanged();
    /// The save dialog "Save Picture", then the active picture to a bitmap file (PNG when the
    /// name ends in .png).
    void SaveBitmap();

    /// The one way a menu entry opens an auxiliary window: shows the window that is open, or
    /// makes one with the factory. Without a factory nothing happens (the entry is disabled).
    void ShowAuxWindow(AuxWindow which);
    /// Contributes the window behind a menu entry; an empty factory removes it. The entry is
    /// enabled from the next FormUpdate on (as far as the model's state allows).
    void SetAuxWindowFactory(AuxWindow which, AuxWindowFactory make);
    bool HasAuxWindow(AuxWindow which) const;
    /// The window if it is open, else null.
    QWidget* AuxWindowIfOpen(AuxWindow which) const;
    /// The owned windows while they are open (null before and after).
    frmFullPicture* FullPicture() const;
    frmGraphics* Graphics() const;
    frmCalcResistivity* CalcResistivity() const;
    frmAbout* About() const;

    /// The run in progress will close the window when its loop has unwound.
    bool ClosePending() const { return m_closePending; }

    // ---- Controls, under their names ----
    PictureBox* picAssemblyDrawing = nullptr;
    QPlainTextEdit* txtStatus = nullptr;
    QPlainTextEdit* picreport = nullptr;

    QGroupBox* frameModel = nullptr;
    QLineEdit* txtRmax = nullptr;
    QLineEdit* txtAspectRatio = nullptr;
    QPushButton* cmdDoubleZ = nullptr;
    QPushButton* cmdHalveZ = nullptr;
    QLineEdit* txtGridSize = nullptr;
    QPushButton* cmdDoubleGrid = nullptr;
    QPushButton* cmdHalveGrid = nullptr;
    QLineEdit* txtBoundaryCondition = nullptr;
    QLineEdit* txtCurrent = nullptr;
    QCheckBox* chkIncludePress = nullptr;
    QCheckBox* chkExactSampling = nullptr;
    QPushButton* cmdInitialize = nullptr;
    QPushButton* cmdMakeT = nullptr;

    QGroupBox* frameGridSettings = nullptr;
    std::array<QRadioButton*, 2> optGrid{}; // 0 "Single grid", 1 "Multi-grid"
    QGroupBox* FrameMultiGrid = nullptr;
    QCheckBox* chkRedBlack = nullptr;
    QLineEdit* txtNInner = nullptr;
    QGroupBox* frameSingleGrid = nullptr;
    QLineEdit* txtW = nullptr;
    QLineEdit* txtNiters = nullptr;
    QLineEdit* txtNTits = nullptr;

    QGroupBox* frameGo = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdRunManyCycles = nullptr;
    QLineEdit* txtNCycles = nullptr;
    QPushButton* cmdConvergeToResidual = nullptr;
    QLineEdit* txtConvergeToResidual = nullptr;
    QPushButton* cmdGoToT = nullptr;
    QLineEdit* txtGoToT = nullptr;
    QLineEdit* txtTError = nullptr;
    QProgressBar* prgRun = nullptr;
    QLabel* lblElapsed = nullptr;
    QGroupBox* frameConvergenceTests = nullptr;
    QLabel* picResidual = nullptr;
    QLabel* picConvergence = nullptr;

    QLabel* picThermocoupleTemp = nullptr;
    QLabel* picIntegratedPower = nullptr;
    QLabel* picAmps = nullptr;
    QLabel* picResistance = nullptr;
    QLabel* picVolts = nullptr;
    QLabel* picTheorResist = nullptr;
    QLabel* picTheorVolt = nullptr;

    QGroupBox* frameTemperatureContour = nullptr;
    std::array<QLineEdit*, 2> txtContourLevel{};
    std::array<QScrollBar*, 2> scrContourSize{};
    std::array<QLineEdit*, 2> txtContourSize{};
    QPushButton* cmdAllContours = nullptr;
    QPushButton* CmdContour = nullptr;
    QPushButton* cmdClearContours = nullptr;
    QPushButton* cmdPlotAll = nullptr;
    QCheckBox* chkShowValues = nullptr; //!< isotherm values and the scale bar's length

    QGroupBox* framePlotLabels = nullptr;
    QLineEdit* txtA = nullptr;
    QPushButton* cmdA = nullptr;
    QPushButton* cmdPlotLabelSelect = nullptr;
    QPushButton* cmdChangeLabel = nullptr;
    QPushButton* cmdClearLabels = nullptr;
    QPushButton* cmdTextUp = nullptr;
    QPushButton* cmdTextDown = nullptr;
    QPushButton* cmdTextLeft = nullptr;
    QPushButton* cmdTextRight = nullptr;
    QCheckBox* chkScalebar = nullptr;

    QGroupBox* frameFullPicture = nullptr;
    QPushButton* cmdFullPicture = nullptr;
    QLineEdit* txtPixels = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuOpen = nullptr;
    QMenu* mnuOpenRecent = nullptr; //!< the assemblies opened or saved lately, newest first
    QAction* mnuClearRecent = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuOpenPropertiesFile = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuPicture = nullptr;
    QAction* mnuPlotPicture = nullptr;
    QAction* mnuPlotAll = nullptr;
    QAction* mnuShowHeatOutput = nullptr;
    QAction* mnuAntiAliasing = nullptr;
    QAction* mnuGreyscale = nullptr;
    QAction* mnuSaveBitmap = nullptr;
    QAction* mnuGraphics = nullptr;
    QMenu* mnuModel = nullptr;
    QAction* mnuDrawModel = nullptr;
    QAction* mnuModifyAssembly = nullptr;
    QAction* mnuPlotFullPicture = nullptr;
    QMenu* mnuProperties = nullptr;
    QAction* mnuMaterialProperties = nullptr;
    QAction* mnuPlotConductivities = nullptr;
    QAction* mnuCalcResistivity = nullptr;
    QMenu* mnuResults = nullptr;
    QAction* mnuPlotT = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;

    // ---- Handlers (buttons act on release, boxes when editing finishes) ----
    void cmdInitialize_Click();
    void cmdMakeT_MouseUp();
    void cmdRunManyCycles_MouseUp();
    void cmdConvergeToResidual_MouseUp();
    void cmdGoToT_MouseUp();
    void cmdStop_Click();
    void cmdDoubleZ_MouseUp();
    void cmdHalveZ_MouseUp();
    void cmdDoubleGrid_MouseUp();
    void cmdHalveGrid_MouseUp();
    void optGrid_MouseUp(int Index);
    void chkRedBlack_MouseUp();
    void chkIncludePress_MouseUp();
    void chkExactSampling_MouseUp();
    void txtRmax_LostFocus();
    void txtBoundaryCondition_LostFocus();
    void txtCurrent_LostFocus();
    void txtNCycles_LostFocus();
    void txtNInner_LostFocus();
    void txtNiters_LostFocus();
    void txtNTits_LostFocus();
    void txtConvergeToResidual_LostFocus();
    void txtGoToT_LostFocus();
    void txtTError_LostFocus();
    void txtW_LostFocus();

    void txtContourLevel_LostFocus(int Index);
    void txtContourSize_LostFocus(int Index);
    void scrContourSize_Change(int Index);
    void cmdAllContours_Click();
    void CmdContour_Click();
    void cmdClearContours_Click();
    void cmdPlotAll_Click();

    void cmdA_Click();
    void cmdPlotLabelSelect_Click();
    void cmdChangeLabel_Click();
    void cmdClearLabels_Click();
    void cmdTextUp_Click();
    void cmdTextDown_Click();
    void cmdTextLeft_Click();
    void cmdTextRight_Click();
    void chkScalebar_Click();
    void chkShowValues_Click();
    /// The main picture drawn anew at the side of its box (the smaller of its width and height)
    /// when that changed; during a run this waits for the run's end.
    void FitPictureToBox();

    void picAssemblyDrawing_MouseDown(Qt::MouseButton Button, QPoint at);
    void picAssemblyDrawing_MouseUp(Qt::MouseButton Button, QPoint at);
    void picAssemblyDrawing_LostFocus();
    void Form_MouseUp();

    void cmdFullPicture_Click();
    void mnuOpen_Click();
    /// An entry of Open Recent: the file is opened as File/Open would; one that no longer
    /// exists is said so and leaves the list.
    void mnuOpenRecent_Click(const QString& path);
    void mnuSave_Click();
    void mnuOpenPropertiesFile_Click();
    void mnuExit_Click();
    void mnuPlotPicture_Click();
    void mnuShowHeatOutput_Click();
    void mnuAntiAliasing_Click();
    void mnuGreyscale_Click();
    void mnuGraphics_Click();
    void mnuDrawModel_Click();
    void mnuCalcResistivity_Click();
    void mnuAbout_Click();

signals:
    /// A click on the picture selected a part (the editor and the material window follow it).
    void PartSelected(int PartIndex, int MaterialIndex);
    /// Another assembly replaced the one shown (a file read, or New Assembly).
    void AssemblyReplaced();

protected:
    /// Form_Unload: during a run it only asks the run to stop; the window closes once the run's
    /// loop has unwound. Otherwise the owned windows close first.
    void closeEvent(QCloseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class RunKind { Cycles, Residual, Temperature };

    void BuildControls();
    void BuildMenus();
    void ConnectHandlers();
    /// Keys for Initialize, the three runs and Stop, acting as a click on their buttons.
    void InstallShortcuts();
    /// Tab goes down each frame, column after column.
    void SetTabOrder();
    void RebuildRecentMenu();
    void InstallHooks();
    void RegisterStandardWindows();
    /// Runs a handler: exceptions are shown as messages, and FormUpdate ends it in any case.
    void Guarded(const std::function<void()>& handler);
    /// A setting box's handler: the text goes to the logic once.
    void SettingBox(QLineEdit* box, SettingOutcome (MainLogic::*handler)(std::string_view text));
    void RunCommand(RunKind kind, void (MainLogic::*command)());
    /// Commits the setting box that has the focus (menus do not take it).
    void CommitPendingEdit();
    void ApplyFormState(const FormState& state);
    void ShowResults(const ResultTexts& results);
    void ShowReport(const ReportBox& report);
    void ShowStatus(std::string_view text, StatusColour colour);
    void SetBoxText(QLineEdit* box, const std::string& text);
    void ShowCycleProgress();
    void PictureChanged();
    void EndOfCycleReplot();
    void OpenFullPicture();
    void ReportRefusedBox(const char* caption, const QString& text, const std::string& kept);
    QString ProgramFolder() const;

    QtFrontEnd m_front;
    RecentAssemblies m_recent;
    std::vector<QAction*> m_recentEntries; // Open Recent's entries, newest first
    QAction* m_recentSeparator = nullptr;
    QAction* m_noRecent = nullptr; // shown while the list is empty
    std::unique_ptr<MainLogic> m_logic;
    PictureState m_picture;
    PictureSurface m_mainSurface;
    PictureSurface* m_activePic = &m_mainSurface;

    std::map<AuxWindow, AuxWindowFactory> m_factories;
    std::map<AuxWindow, QPointer<QWidget>> m_auxWindows;
    QPointer<frmFullPicture> m_fullPicture;
    QPointer<frmGraphics> m_graphics;
    QPointer<frmCalcResistivity> m_calcResistivity;
    QPointer<frmAbout> m_about;

    std::map<QLineEdit*, std::function<void()>> m_boxHandlers;
    bool m_closePending = false;
    bool m_shuttingDown = false; // the destructor runs: no handler may reach the model
    std::optional<RunKind> m_runKind;
    QTimer* m_resizeTimer = nullptr;
    std::chrono::steady_clock::time_point m_runStart{};
};

} // namespace tarsen
