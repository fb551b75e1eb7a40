#include "ui/frmcalcresistivity.h"

#include "simulation/mainlogic.h"
#include "ui/qtfrontend.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarsen {

frmCalcResistivity::frmCalcResistivity(MainLogic& logic, QWidget* parent)
    : QDialog(parent), m_logic(logic)
{
    setObjectName(QStringLiteral("frmCalcResistivity"));
    setWindowTitle(QString::fromLatin1(kCaptionCalcResistivity));
    setModal(false);

    txtVoltage = new QLineEdit;
    txtVoltage->setObjectName(QStringLiteral("txtVoltage"));
    cmdCalc = new QPushButton(QStringLiteral("calculate ->"));
    cmdCalc->setObjectName(QStringLiteral("cmdCalc"));
    cmdCalc->setAutoDefault(false);
    txtResistivity = new QLineEdit;
    txtResistivity->setObjectName(QStringLiteral("txtResistivity"));
    txtResistivity->setReadOnly(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Measured Voltage"), txtVoltage);
    form->addRow(QString(), cmdCalc);
    form->addRow(QStringLiteral("Resistivity in ohm-cm from furnace shape"), txtResistivity);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);

    connect(cmdCalc, &QPushButton::clicked, this, &frmCalcResistivity::cmdCalc_Click);
    connect(txtVoltage, &QLineEdit::returnPressed, this, &frmCalcResistivity::cmdCalc_Click);
}

void frmCalcResistivity::cmdCalc_Click()
{
    try {
        txtResistivity->setText(
            ToQString(m_logic.CalcResistivity(ToStdString(txtVoltage->text()))));
    } catch (const std::exception& e) {
        m_logic.Front().ShowMessage(e.what());
    }
}

} // namespace tarsen
