#include "ui/frmfullpicture.h"

#include "ui/picturebox.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>

#include <algorithm>
#include <cmath>

namespace tarsen {

frmFullPicture::frmFullPicture(int N, QWidget* parent) : QMainWindow(parent), m_surface(N)
{
    setObjectName(QStringLiteral("frmFullPicture"));
    setWindowTitle(QString::fromLatin1(kCaptionFullPicture));
    setAttribute(Qt::WA_DeleteOnClose);

    mnuSaveBitmap = menuBar()->addAction(QStringLiteral("Save Bitmap"));
    mnuSaveBitmap->setObjectName(QStringLiteral("mnuSaveBitmap"));
    connect(mnuSaveBitmap, &QAction::triggered, this, [this] {
        if (SaveBitmap)
            SaveBitmap();
    });

    picFullPicture = new PictureBox;
    picFullPicture->setObjectName(QStringLiteral("picFullPicture"));
    picFullPicture->SetSurface(&m_surface);
    m_scroll = new QScrollArea;
    m_scroll->setWidget(picFullPicture);
    m_scroll->setAlignment(Qt::AlignCenter);
    setCentralWidget(m_scroll);

    // The designed size keeps a border around the picture; a screen too small for it gets a
    // window that fits, and the picture scrolls.
    int width = static_cast<int>(std::ceil(N * 1.17));
    int height = static_cast<int>(std::ceil(N * 1.19));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        width = std::min(width, room.width() - 40);
        height = std::min(height, room.height() - 60);
    }
    resize(std::max(width, 200), std::max(height, 200));
}

void frmFullPicture::Refresh() { picFullPicture->update(); }

void frmFullPicture::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        if (Unloaded)
            Unloaded();
    }
    event->accept();
}

} // namespace tarsen
