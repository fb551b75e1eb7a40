// "Material Properties Display": the data of one material of the table (conductivity and
// resistivity coefficients, valid range, reference, file) and the colour the assembly draws it
// in, which the colour picker changes. The new colour belongs to the assembly, not to the table.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tarsen {

class AuxPictureBox;
class MainLogic;

class frmMaterialProperties : public QDialog {
public:
    /// The window over the main window's logic, which must outlive it. Non-modal; the main
    /// window shows it from "View Material Properties". Shows the material of the part selected
    /// in the assembly editor (MainLogic::PartIndex).
    explicit frmMaterialProperties(MainLogic& logic, QWidget* parent = nullptr);

    /// Index of the material shown, -1 ... N - 1 (-1 is the table's "no material" entry).
    std::int16_t ShownMaterial = -1;

    /// Shows material index (the assembly editor calls it after assigning a material); an index
    /// outside the table shows entry -1.
    void ShowMaterial(int index);
    /// Fills the list from the table and shows the selected part's material (load and focus).
    void Form_Load();
    /// Re-reads everything of the shown material.
    void Refresh();

    void cboMaterial_Click();
    void cmdSelectColor_Click();

    /// Asks for a colour starting from the given one; nothing when no colour was chosen. The
    /// modal colour picker unless replaced (tests).
    std::function<std::optional<std::int32_t>(std::int32_t start)> ChooseColour;
    /// Called after a material colour of the assembly changed (the main window refreshes its
    /// brushes, redraws and updates its state). The logic's own hooks run first.
    std::function<void()> ColoursChanged;

    // Controls by their names.
    QComboBox* cboMaterial = nullptr;
    QLineEdit* txtMaterialPropertiesFileName = nullptr;
    QPlainTextEdit* txtREF = nullptr; //!< the reference, wrapped so that it reads whole
    QLineEdit* txtC0 = nullptr;
    QLineEdit* txtC1 = nullptr;
    QLineEdit* txtC2 = nullptr;
    QLineEdit* txtC3 = nullptr;
    QLineEdit* txtC4 = nullptr;
    QLineEdit* txtC5 = nullptr;
    QLineEdit* txtCminus1 = nullptr;
    QLineEdit* txtTMin = nullptr;
    QLineEdit* txtTMax = nullptr;
    QLineEdit* txtR0 = nullptr;
    QLineEdit* txtR1 = nullptr;
    QLineEdit* txtR2 = nullptr;
    QLineEdit* txtR3 = nullptr;
    QLineEdit* txtR4 = nullptr;
    AuxPictureBox* picColor = nullptr;
    QPushButton* cmdSelectColor = nullptr;

protected:
    bool event(QEvent* event) override;

private:
    MainLogic& m_logic;
    bool m_filling = false;      // the window fills cboMaterial itself
    int m_lastPart = -2;         // the selected part when the window last followed it
    int m_lastPartMaterial = -2; // ... and that part's material
};

} // namespace tarsen
