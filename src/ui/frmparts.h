// "Modify the Assembly": the window where the user builds and edits the assembly part by part
// (name, material, heating type, dimensions, inclusion, priority), sets the thermocouple
// positions and the boundary types of the four model sides, and draws parts one at a time to
// see how they stack. Every change goes into the main window's assembly at once; the window keeps
// no copy of it and reads everything back in FormUpdate.
#pragma once

#include "simulation/partseditor.h"

#include <QDialog>
#include <QLabel>

#include <array>
#include <functional>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarsen {

class MainLogic;
class PictureState;
struct PictureSurface;
class frmMain;

/// A colour swatch that reports a click (a button released over it).
class ClickableSwatch : public QLabel {
public:
    explicit ClickableSwatch(QWidget* parent = nullptr);
    std::function<void()> Clicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

/// How the editor reaches the main window beyond its logic. Every member may be left empty.
struct PartsEditorLinks {
    /// The main window's refresh; empty: MainLogic::FormUpdate (which applies its hook).
    std::function<void()> RefreshMain;
    /// Redraws the whole assembly on the main picture; empty: the logic's DrawCartoon hook.
    std::function<void()> RedrawAssembly;
    /// The drawing state and the surface the main picture shows, for "Draw this part" and
    /// "Draw next in sequence"; without them those buttons only step the sequence.
    PictureState* Picture = nullptr;
    std::function<PictureSurface*()> ActivePic;
    /// Called after the editor drew on the active picture (the picture box repaints).
    std::function<void()> PictureDrawn;
    /// Called with the material just chosen for a part (the material window, when shown,
    /// switches to it).
    std::function<void(int)> MaterialChosen;
};

class frmParts : public QDialog {
public:
    /// The editor over the main window's logic, which must outlive it (as must the picture
    /// state and surfaces of links). Non-modal; shows the part selected in the main window
    /// (MainLogic::PartIndex) whenever it is shown or refreshed.
    frmParts(MainLogic& logic, PartsEditorLinks links, QWidget* parent = nullptr);
    /// Disconnects the controls first: a box losing the focus while the window is destroyed
    /// must not reach a handler of the half-destroyed window.
    ~frmParts() override;

    /// The editor's state: ActiveIndex, UnitFactor, RadiusFactor, LastPartSlot.
    PartsEditor& Editor() { return m_editor; }
    std::int16_t ActiveIndex() const { return m_editor.ActiveIndex; }

    /// Fills the material list and shows the selected part.
    void Form_Load();
    /// Refreshes every control from the assembly; call it when the main window selected a
    /// part or read a file while the editor is shown.
    void FormUpdate();
    /// Clears the part fields (no part selected).
    void ResetPanel();
    /// Enables or disables the six dimension boxes.
    void TextEnable(bool flag);

    // Handlers under their control names.
    void cboPartIdentity_Click(int position);
    void cboPartIdentity_KeyUp(const QString& text);
    void cboPartIdentity_LostFocus();
    void cboMaterial_Click(int position);
    void txtInner_KeyUp();
    void txtOuter_KeyUp();
    void txtMinHeight_KeyUp();
    void txtLength_KeyUp();
    void txtTaperAngle_KeyUp();
    void txtFlareAngle_KeyUp();
    void optHeating_Click(int Index);
    void optUnits_Click(int Index);
    void optRadiusType_Click(int Index);
    void txtThermocoupleI_LostFocus(int Index);
    void txtThermocoupleJ_LostFocus(int Index);
    void picBoundaryType_Click(int Index);
    void cmdIgnorePart_Click();
    void cmdIncludePart_Click();
    void cmdDeletePart_Click();
    void cmdBringToFront_Click();
    void cmdMoveToBack_Click();
    void cmdNewAssembly_Click();
    void cmdDrawPart_Click();
    void cmdNextInSequence_Click();
    void cmdDrawAssemblyFast_Click();
    void Command3_Click();

    // Controls by their names.
    QComboBox* cboPartIdentity = nullptr;
    QComboBox* cboMaterial = nullptr;
    std::array<QRadioButton*, 2> optUnits{};      //!< 0 "millimeters", 1 "inches"
    std::array<QRadioButton*, 2> optRadiusType{}; //!< 0 "Radius", 1 "Diameter"
    QLineEdit* txtInner = nullptr;
    QLineEdit* txtOuter = nullptr;
    QLineEdit* txtTaperAngle = nullptr;
    QLineEdit* txtMinHeight = nullptr;
    QLineEdit* txtLength = nullptr;
    QLineEdit* txtFlareAngle = nullptr;
    std::array<QRadioButton*, 4> optHeating{}; //!< index = HeatingType
    QLineEdit* txtDensity = nullptr;
    QLineEdit* txtPorosity = nullptr;
    QLineEdit* txtVolume = nullptr;
    QLineEdit* txtMass = nullptr;
    std::array<ClickableSwatch*, 4> picBoundaryType{};
    std::array<QLabel*, 4> lblBoundaryTypes{};
    std::array<QLineEdit*, 3> txtThermocoupleI{};
    std::array<QLineEdit*, 3> txtThermocoupleJ{};
    QPushButton* cmdDeletePart = nullptr;
    QPushButton* cmdMoveToBack = nullptr;
    QPushButton* cmdBringToFront = nullptr;
    QPushButton* cmdIgnorePart = nullptr;
    QPushButton* cmdIncludePart = nullptr;
    QPushButton* cmdDrawPart = nullptr;
    QPushButton* cmdNextInSequence = nullptr;
    QPushButton* cmdDrawAssemblyFast = nullptr;
    QPushButton* cmdNewAssembly = nullptr;
    QPushButton* Command3 = nullptr; //!< Save to ".tsn" file

protected:
    void showEvent(QShowEvent* event) override;
    /// Form_Unload: the main window is refreshed and redrawn.
    void closeEvent(QCloseEvent* event) override;

private:
    /// Runs a handler that may call below the window: an exception is shown as a message and
    /// the window refreshed.
    void Guarded(const std::function<void()>& handler);
    /// Runs an edit of the part or the panels: refused during a run, and when the main window
    /// selected another part since the view was made (the view is refreshed instead). A change
    /// clears Initialized, refreshes the main window and redraws the assembly.
    void Edit(const std::function<bool()>& edit, bool refreshEditor);
    void AfterEdit();
    void RefreshMain();
    void RedrawAssembly();
    /// The part properties, which follow the dimensions as they are typed.
    void ShowProperties(const PartsView& view);
    /// A thermocouple box was left: its text is stored only when the user changed it.
    void ThermocoupleBoxLeft(QLineEdit* box, int Index, int coordinate);
    /// Margin, axis, boundaries and thermocouples over a part drawn on the active picture.
    bool DrawParts(std::optional<int> part, bool clearFirst);

    MainLogic& m_logic;
    PartsEditorLinks m_links;
    PartsEditor m_editor;
    QButtonGroup* m_heatingGroup = nullptr;
    QButtonGroup* m_unitsGroup = nullptr;
    QButtonGroup* m_radiusGroup = nullptr;
};

/// The editor over the main window: its logic, picture state and surfaces, refresh and redraw;
/// it follows the parts selected on the main picture and switches the material window. For
/// frmMain::SetAuxWindowFactory(AuxWindow::Parts, ...); the main window owns the result.
QWidget* MakePartsEditor(frmMain& main);

} // namespace tarsen
