#include "ui/frmgraphics.h"

#include "common/numeric.h"
#include "common/textnum.h"
#include "graphics/picturestate.h"
#include "ui/qtfrontend.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace tarsen {

namespace {

QLineEdit* NewBox(const char* name)
{
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace

frmGraphics::frmGraphics(PictureState& picture, QWidget* parent)
    : QDialog(parent), m_picture(picture)
{
    setObjectName(QStringLiteral("frmGraphics"));
    setWindowTitle(QString::fromLatin1(kCaptionGraphics));
    setModal(false);

    txtTCPointSize = NewBox("txtTCPointSize");
    txtBoundaryWeight = NewBox("txtBoundaryWeight");
    txtScaleBarWeight = NewBox("txtScaleBarWeight");
    txtPartBorderWeight = NewBox("txtPartBorderWeight");
    txtAxisWeight = NewBox("txtAxisWeight");
    txtDotLength = NewBox("txtDotLength");
    cmdSave = new QPushButton(QStringLiteral("Save"));
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Thermocouple point size"), txtTCPointSize);
    form->addRow(QStringLiteral("Boundary weight"), txtBoundaryWeight);
    form->addRow(QStringLiteral("Scale bar weight"), txtScaleBarWeight);
    form->addRow(QStringLiteral("Part border weight"), txtPartBorderWeight);
    form->addRow(QStringLiteral("Axis weight"), txtAxisWeight);
    form->addRow(QStringLiteral("Dot Length"), txtDotLength);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(cmdSave, 0, Qt::AlignRight);

    connect(cmdSave, &QPushButton::clicked, this, &frmGraphics::cmdSave_Click);
    Form_Load();
}

void frmGraphics::Form_Load()
{
    txtTCPointSize->setText(QString::number(m_picture.ThermocouplePointSize));
    txtBoundaryWeight->setText(ToQString(ShortestSingle(m_picture.BoundaryWeight)));
    txtScaleBarWeight->setText(ToQString(ShortestSingle(m_picture.ScaleBarWeight)));
    txtPartBorderWeight->setText(ToQString(ShortestSingle(m_picture.PartBorderWeight)));
    txtAxisWeight->setText(ToQString(ShortestSingle(m_picture.AxisWeight)));
    txtDotLength->setText(ToQString(ShortestSingle(m_picture.DotLength)));
}

void frmGraphics::cmdSave_Click()
{
    QStringList refused;
    // A weight is stored as typed when it is a finite Single: the drawing code guards negative,
    // zero and huge weights itself.
    auto single = [&](QLineEdit* box, const char* caption, float& value) {
        const std::optional<double> v = ParseNumber(ToStdString(box->text()));
        if (v && std::isfinite(Sng(*v))) {
            value = Sng(*v);
            return;
        }
        refused.push_back(QString::fromLatin1(caption) + QStringLiteral(" (\"") + box->text() +
                          QStringLiteral("\")"));
        box->setText(ToQString(ShortestSingle(value)));
    };
    {
        const std::optional<double> v = ParseNumber(ToStdString(txtTCPointSize->text()));
        const std::optional<std::int16_t> n = v ? TryCInt(*v) : std::nullopt;
        if (n) {
            m_picture.ThermocouplePointSize = *n;
        } else {
            refused.push_back(QStringLiteral("Thermocouple point size (\"") +
                              txtTCPointSize->text() + QStringLiteral("\")"));
        }
        txtTCPointSize->setText(QString::number(m_picture.ThermocouplePointSize));
    }
    single(txtBoundaryWeight, "Boundary weight", m_picture.BoundaryWeight);
    single(txtScaleBarWeight, "Scale bar weight", m_picture.ScaleBarWeight);
    single(txtPartBorderWeight, "Part border weight", m_picture.PartBorderWeight);
    single(txtAxisWeight, "Axis weight", m_picture.AxisWeight);
    single(txtDotLength, "Dot Length", m_picture.DotLength);
    if (Saved)
        Saved();
    if (!refused.isEmpty() && ShowMessage)
        ShowMessage(QString::fromLatin1(kMsgGraphicsRefused) + refused.join(QStringLiteral(", ")) +
                    QLatin1Char('.'));
}

} // namespace tarsen
