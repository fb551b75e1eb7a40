#include "ui/picturebox.h"

#include "graphics/picturestate.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

namespace tarsen {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    // A click takes the focus, so that a setting box being edited is committed first and
    // leaving the picture can be noticed.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::SetSurface(const PictureSurface* surface)
{
    m_surface = surface;
    SurfaceResized();
}

void PictureBox::SurfaceResized()
{
    if (!m_follows)
        setFixedSize(sizeHint());
    updateGeometry();
    update();
}

void PictureBox::SetFollowsSize(bool follows, int minSide, int hintSide)
{
    m_follows = follows;
    m_hintSide = hintSide;
    if (follows) {
        setMinimumSize(minSide, minSide);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    SurfaceResized();
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_follows && Resized)
        Resized(event->size());
}

QSize PictureBox::sizeHint() const
{
    if (m_follows && m_hintSide > 0)
        return QSize(m_hintSide, m_hintSide);
    if (m_surface == nullptr || m_surface->image.Width() <= 0)
        return QSize(16, 16);
    return QSize(m_surface->image.Width(), m_surface->image.Height());
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    if (m_surface == nullptr || m_surface->image.Width() <= 0) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    // A box that follows the window may be larger than the surface until it is redrawn.
    const QImage& image = m_surface->image.Image();
    if (image.width() < width() || image.height() < height())
        painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.drawImage(QPoint(0, 0), image);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    if (MouseDown)
        MouseDown(event->button(), event->position().toPoint());
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (MouseUp)
        MouseUp(event->button(), event->position().toPoint());
    event->accept();
}

void PictureBox::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // A pop-up menu takes the focus only for a moment; that does not leave the picture.
    if (event->reason() == Qt::PopupFocusReason)
        return;
    if (LostFocus)
        LostFocus();
}

} // namespace tarsen
