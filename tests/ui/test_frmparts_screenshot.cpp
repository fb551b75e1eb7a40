// The README's picture of the assembly editor beside the main window, on the bundled example
// with its furnace selected. Not part of the normal runs; made on demand under a virtual X
// server on a 1366 x 768 screen:
//
//   TARSEN_SCREENSHOT=docs/editor.png QT_QPA_PLATFORM=xcb
//     xvfb-run -a -s "-screen 0 1366x768x24" build/dev/tests/ui/test_ui
//     --gtest_also_run_disabled_tests --gtest_filter='EditorPicture.*'
// (one command line).
#include "simulation/mainlogic.h"
#include "ui/frmmain.h"
#include "ui/frmparts.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsen;

namespace {

QApplication& EditorScreenshotApp()
{
    static int argc = 1;
    static char name[] = "tarsen";
    static char* argv[] = {name, nullptr};
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *app;
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

TEST(EditorPicture, DISABLED_EditorBesideTheMainWindow)
{
    EditorScreenshotApp();
    const QByteArray target = qgetenv("TARSEN_SCREENSHOT");
    ASSERT_FALSE(target.isEmpty()) << "TARSEN_SCREENSHOT names the file to write";
    frmMain main;
    main.Front().MessageOverride = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    main.move(0, 0);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    main.Form_Load(QString::fromUtf8(TARSEN_SOURCE_DIR) + QStringLiteral("/examples/furnace.tsn"));
    main.SetAuxWindowFactory(AuxWindow::Parts, MakePartsEditor);
    main.FormUpdate();
    main.ShowAuxWindow(AuxWindow::Parts);
    auto* editor = dynamic_cast<frmParts*>(main.AuxWindowIfOpen(AuxWindow::Parts));
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));

    const int furnace = main.Logic().Tarsen.FurnaceIndex();
    editor->cboPartIdentity->setCurrentIndex(furnace);
    emit editor->cboPartIdentity->activated(furnace);
    editor->move(main.frameGeometry().right() + 1, 0);
    QTest::qWait(200);

    // Both windows side by side on one picture, tops aligned.
    const QPixmap left = main.grab();
    const QPixmap right = editor->grab();
    const int gap = 8;
    QImage shot(left.width() + gap + right.width(), std::max(left.height(), right.height()),
                QImage::Format_RGB32);
    shot.fill(QColor(60, 60, 60));
    {
        QPainter painter(&shot);
        painter.drawPixmap(0, 0, left);
        painter.drawPixmap(left.width() + gap, 0, right);
    }
    ASSERT_TRUE(shot.save(QString::fromLocal8Bit(target), "PNG"));
}

} // namespace
