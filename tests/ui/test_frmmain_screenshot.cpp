// The README's picture of the main window: the bundled example converged to its target
// residual, with the scale bar and a label, the window filling the screen. Not part of the
// normal runs; made on demand under a virtual X server, for example on a 1366 x 768 screen:
//
//   TARSEN_SCREENSHOT=docs/main-window.png QT_QPA_PLATFORM=xcb
//     xvfb-run -a -s "-screen 0 1366x768x24" build/dev/tests/ui/test_ui
//     --gtest_also_run_disabled_tests --gtest_filter='MainWindowPicture.*'
// (one command line).
#include "simulation/mainlogic.h"
#include "ui/frmmain.h"
#include "ui/picturebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsen;

namespace {

QApplication& ScreenshotApp()
{
    static int argc = 1;
    static char name[] = "tarsen";
    static char* argv[] = {name, nullptr};
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *app;
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

TEST(MainWindowPicture, DISABLED_ConvergedBundledExample)
{
    ScreenshotApp();
    const QByteArray target = qgetenv("TARSEN_SCREENSHOT");
    ASSERT_FALSE(target.isEmpty()) << "TARSEN_SCREENSHOT names the file to write";
    frmMain w;
    w.Front().MessageOverride = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    // The window as a user would have it: filling the screen, whatever its size.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        w.resize(screen->availableGeometry().size());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(kPictureResizeDelay + 200);
    w.Form_Load(QString::fromUtf8(TARSEN_SOURCE_DIR) + QStringLiteral("/examples/furnace.tsn"));

    QTest::mouseClick(w.cmdInitialize, Qt::LeftButton);
    ASSERT_TRUE(w.Logic().grid.Initialized);
    QTest::mouseClick(w.cmdConvergeToResidual, Qt::LeftButton);
    EXPECT_LT(w.Logic().FirstError, w.Logic().settings.DesiredResidual);

    w.chkScalebar->click();
    w.txtA->setText(QStringLiteral("sample"));
    QTest::mouseClick(w.cmdA, Qt::LeftButton);
    const PictureState& p = w.Picture();
    const QPoint at(static_cast<int>(p.PixelX(1.6f)), static_cast<int>(p.PixelY(0.6f)));
    QTest::mouseClick(w.picAssemblyDrawing, Qt::LeftButton, Qt::KeyboardModifiers(), at);
    QTest::qWait(200);

    const QPixmap shot = w.grab();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        EXPECT_LE(shot.width(), screen->size().width());
        EXPECT_LE(shot.height(), screen->size().height());
    }
    ASSERT_TRUE(shot.save(QString::fromLocal8Bit(target), "PNG"));
}

} // namespace
