#include "ui/frmabout.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarsen {

namespace {

constexpr int kLogoSide = 160;

} // namespace

QImage frmAbout::LogoPicture(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = side / 20.0; // 20 model units across, the axis at the left edge
    auto box = [&](double r0, double z0, double r1, double z1, const QColor& colour) {
        const QRectF rect(1.0 * s + r0 * s, 1.0 * s + z0 * s, (r1 - r0) * s, (z1 - z0) * s);
        p.fillRect(rect, colour);
        p.setPen(QPen(Qt::black, 1.0));
        p.drawRect(rect);
    };
    // From the outside in: pressure medium, insulating sleeve, furnace, capsule, sample.
    box(0, 0, 17, 18, QColor(222, 205, 160));
    box(0, 2, 12, 16, QColor(235, 235, 235));
    box(8, 2, 10, 16, QColor(70, 70, 70));
    box(0, 5, 7, 13, QColor(214, 170, 60));
    box(0, 6, 6, 12, QColor(160, 200, 120));
    // Isotherms: nested arcs centred on the hot spot at mid-height on the axis.
    p.setPen(QPen(QColor(170, 0, 40), 1.4));
    for (int k = 1; k <= 4; ++k) {
        const double a = 3.0 * k;
        const double b = 3.8 * k;
        QPainterPath arc;
        const QRectF ellipse(1.0 * s - a * s, 1.0 * s + (9.0 - b) * s, 2.0 * a * s, 2.0 * b * s);
        arc.arcMoveTo(ellipse, 90.0);
        arc.arcTo(ellipse, 90.0, -180.0);
        p.drawPath(arc);
    }
    // The axis of symmetry, dashed.
    p.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
    p.drawLine(QPointF(1.0 * s, 0.0), QPointF(1.0 * s, side));
    return image;
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QString::fromLatin1(kCaptionAbout));
    setModal(false);

    picLogo = new QLabel;
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setPixmap(QPixmap::fromImage(LogoPicture(kLogoSide)));
    picLogo->setFixedSize(kLogoSide, kLogoSide);

    lblCredits = new QLabel;
    lblCredits->setObjectName(QStringLiteral("lblCredits"));
    lblCredits->setWordWrap(true);
    lblCredits->setTextFormat(Qt::RichText);
    lblCredits->setText(
        QStringLiteral("<p><b>Tarsen</b> %1</p>"
                       "<p>The steady temperature field of a high-pressure press assembly: "
                       "coaxial parts heated by a resistive furnace, conduction with "
                       "temperature-dependent conductivities, solved by multigrid or by "
                       "single-grid over-relaxation, with the press as a heat sink.</p>"
                       "<p>Written by the Tarsen developers for the experimenters who load "
                       "the press. Built with Qt %2.</p>"
                       "<p>The results are a model: check them against thermocouple readings "
                       "before relying on them.</p>")
            .arg(QCoreApplication::applicationVersion(), QString::fromLatin1(qVersion())));
    lblCredits->setMinimumWidth(320);

    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);

    auto* top = new QHBoxLayout;
    top->addWidget(picLogo, 0, Qt::AlignTop);
    top->addWidget(lblCredits, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(cmdOK, 0, Qt::AlignRight);
}

} // namespace tarsen
