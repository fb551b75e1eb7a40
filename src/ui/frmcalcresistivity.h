// "Resistivity Calculation": the average resistivity the furnace material must have for the
// model's resistance to match a measured voltage at the present current.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tarsen {

class MainLogic;

inline constexpr char kCaptionCalcResistivity[] = "Resistivity Calculation";

class frmCalcResistivity : public QDialog {
public:
    /// The calculator over the main window's logic, which must outlive it. Non-modal.
    explicit frmCalcResistivity(MainLogic& logic, QWidget* parent = nullptr);

    QLineEdit* txtVoltage = nullptr;     //!< "Measured Voltage", V
    QPushButton* cmdCalc = nullptr;      //!< "calculate ->"
    QLineEdit* txtResistivity = nullptr; //!< "Resistivity in ohm-cm from furnace shape"

    /// Reads the measured voltage and shows the average resistivity, or "Undefined.".
    void cmdCalc_Click();

private:
    MainLogic& m_logic;
};

} // namespace tarsen
