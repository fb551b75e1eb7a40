// The picture box of the assembly drawing: shows a picture surface 1:1 from its top-left corner
// and reports mouse buttons and positions in the surface's pixels, the loss of focus and, for a
// box that follows the window, its new sizes.
#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>

#include <functional>

namespace tarsen {

struct PictureSurface;

class PictureBox : public QWidget {
public:
    explicit PictureBox(QWidget* parent = nullptr);

    /// The surface shown, which must outlive the box or be replaced first; the box takes its
    /// size. Null shows an empty box.
    void SetSurface(const PictureSurface* surface);
    const PictureSurface* Surface() const { return m_surface; }
    /// Call after the surface changed size.
    void SurfaceResized();
    /// A box that follows takes the room its layout gives it (at least minSide square, hintSide
    /// square by preference) and reports each new size through Resized, so that its owner can
    /// draw the surface anew at that size; the surface is shown from the top-left corner.
    /// Otherwise the box keeps the surface's size.
    void SetFollowsSize(bool follows, int minSide = 0, int hintSide = 0);
    std::function<void(QSize)> Resized;

    /// A button went down or came up at a position in surface pixels (outside the surface when
    /// the button was pressed inside and released outside).
    std::function<void(Qt::MouseButton, QPoint)> MouseDown;
    std::function<void(Qt::MouseButton, QPoint)> MouseUp;
    /// The box lost the keyboard focus.
    std::function<void()> LostFocus;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const PictureSurface* m_surface = nullptr;
    bool m_follows = false;
    int m_hintSide = 0;
};

} // namespace tarsen
