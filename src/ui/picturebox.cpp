#include "ui/picturebox.h"

#include "graphics/picturestate.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

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
    const QSize size = sizeHint();
    setFixedSize(size);
    updateGeometry();
    update();
}

QSize PictureBox::sizeHint() const
{
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
    painter.drawImage(QPoint(0, 0), m_surface->image.Image());
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
