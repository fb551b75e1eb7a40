#include "ui/auxpicturebox.h"

#include "common/colour.h"
#include "simulation/condplot.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace tarsen {

QColor QColorOfLong(std::int32_t colour)
{
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

std::int32_t LongOfQColor(const QColor& colour)
{
    return RGB(colour.red(), colour.green(), colour.blue());
}

namespace {

/// A tick label: few digits, no trailing zeros, no exponent for ordinary plot ranges.
QString TickText(double v, double step)
{
    int decimals = 0;
    while (decimals < 6 && std::fabs(step * std::pow(10.0, decimals) -
                                     std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    return QString::number(v, 'f', decimals);
}

} // namespace

QImage FramePlot(const QImage& area, double xLow, double xHigh, double yLow, double yHigh,
                 const QString& xTitle, const QString& yTitle)
{
    const int w = area.width();
    const int h = area.height();
    QImage image(w + kPlotMarginLeft + kPlotMarginRight, h + kPlotMarginTop + kPlotMarginBottom,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.drawImage(kPlotMarginLeft, kPlotMarginTop, area);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(kPlotMarginLeft - 1, kPlotMarginTop - 1, w + 1, h + 1);
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    const QFontMetrics metrics(font);

    const auto xTicks = AxisTicks(xLow, xHigh, 6);
    const double xStep = xTicks.size() > 1 ? xTicks[1] - xTicks[0] : 1.0;
    for (double v : xTicks) {
        const int x =
            kPlotMarginLeft + static_cast<int>(std::lround((v - xLow) / (xHigh - xLow) * (w - 1)));
        const int y = kPlotMarginTop + h;
        p.drawLine(x, y, x, y + 4);
        const QString label = TickText(v, xStep);
        p.drawText(x - metrics.horizontalAdvance(label) / 2, y + 6 + metrics.ascent(), label);
    }
    const auto yTicks = AxisTicks(yLow, yHigh, 5);
    const double yStep = yTicks.size() > 1 ? yTicks[1] - yTicks[0] : 1.0;
    for (double v : yTicks) {
        const int y =
            kPlotMarginTop + static_cast<int>(std::lround((yHigh - v) / (yHigh - yLow) * (h - 1)));
        p.drawLine(kPlotMarginLeft - 5, y, kPlotMarginLeft - 1, y);
        const QString label = TickText(v, yStep);
        p.drawText(kPlotMarginLeft - 8 - metrics.horizontalAdvance(label),
                   y + metrics.ascent() / 2 - 1, label);
    }
    p.drawText(QRect(kPlotMarginLeft, kPlotMarginTop + h + 22, w, metrics.height()),
               Qt::AlignHCenter, xTitle);
    p.save();
    p.translate(12, kPlotMarginTop + h / 2);
    p.rotate(-90);
    p.drawText(QRect(-h / 2, -metrics.ascent(), h, metrics.height() + 2), Qt::AlignHCenter, yTitle);
    p.restore();
    return image;
}

AuxPictureBox::AuxPictureBox(int width, int height, QWidget* parent)
    : QWidget(parent), m_back(Qt::white)
{
    setFixedSize(width, height);
}

void AuxPictureBox::SetImage(QImage image)
{
    m_image = std::move(image);
    update();
}

void AuxPictureBox::SetBackColor(const QColor& colour)
{
    m_image = QImage();
    m_back = colour;
    update();
}

void AuxPictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_image.isNull())
        painter.fillRect(rect(), m_back);
    else
        painter.drawImage(0, 0, m_image);
}

void AuxPictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (MouseUp)
        MouseUp(event->position().toPoint());
    QWidget::mouseReleaseEvent(event);
}

} // namespace tarsen
