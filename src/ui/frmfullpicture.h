// "Big Picture": the large picture of the assembly in a window of its own. While it is open
// every replot of the main window draws into it; closing it sends them back to the main picture.
#pragma once

#include "graphics/picturestate.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QScrollArea;

namespace tarsen {

class PictureBox;

inline constexpr char kCaptionFullPicture[] = "Big Picture";

class frmFullPicture : public QMainWindow {
public:
    /// A window for an N x N picture (N already checked by LargePictureSize). The window is
    /// N x 1.17 by N x 1.19 pixels, as far as the screen allows; the picture scrolls inside it.
    explicit frmFullPicture(int N, QWidget* parent = nullptr);

    /// The surface picFullPicture shows; replots draw into it.
    PictureSurface& Surface() { return m_surface; }
    /// Shows the surface's present content.
    void Refresh();

    PictureBox* picFullPicture = nullptr;
    QAction* mnuSaveBitmap = nullptr;

    /// "Save Bitmap": the main window's SaveBitmap of the active picture.
    std::function<void()> SaveBitmap;
    /// The window is closing: the main window's active picture goes back to its own.
    std::function<void()> Unloaded;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PictureSurface m_surface;
    QScrollArea* m_scroll = nullptr;
    bool m_unloaded = false;
};

} // namespace tarsen
