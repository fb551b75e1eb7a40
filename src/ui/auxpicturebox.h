// A picture box of the auxiliary windows: shows an image 1:1 (or a plain colour when it has no
// image) and reports the position where a mouse button is released over it.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace tarsen {

/// The QColor of a colour Long (red in the lowest byte; only the low 24 bits count).
QColor QColorOfLong(std::int32_t colour);
/// The colour Long of a QColor.
std::int32_t LongOfQColor(const QColor& colour);

/// Room left around a plot area for its axes, tick labels and titles, pixels.
inline constexpr int kPlotMarginLeft = 64;
inline constexpr int kPlotMarginRight = 20;
inline constexpr int kPlotMarginTop = 14;
inline constexpr int kPlotMarginBottom = 44;

/// The plot area framed by axes: the area drawn 1:1 at (kPlotMarginLeft, kPlotMarginTop), a
/// frame around it, ticks with labels for xLow ... xHigh along the bottom and yLow ... yHigh up
/// the left side, and the two axis titles. Without a usable range an axis gets no ticks.
QImage FramePlot(const QImage& area, double xLow, double xHigh, double yLow, double yHigh,
                 const QString& xTitle, const QString& yTitle);

class AuxPictureBox : public QWidget {
public:
    /// A box of fixed size width x height pixels.
    AuxPictureBox(int width, int height, QWidget* parent = nullptr);

    /// The image shown from the top-left corner; the box keeps its size.
    void SetImage(QImage image);
    const QImage& Image() const { return m_image; }
    /// Shows a plain colour instead of an image.
    void SetBackColor(const QColor& colour);
    QColor BackColor() const { return m_back; }

    /// Called with the position (in the box's pixels, possibly outside it when the button was
    /// pressed inside and released outside) when a mouse button is released.
    std::function<void(QPoint)> MouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    QColor m_back;
};

} // namespace tarsen
