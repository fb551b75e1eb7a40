#include "common/colour.h"
#include "ui/auxpicturebox.h"
#include "ui/frmallcolors.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarsen;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *app;
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

/// A picker whose views are filled (the window fills them once its event loop runs).
struct Picker {
    frmAllColors dlg;
    explicit Picker(std::int32_t first) : dlg((App(), first)) { QCoreApplication::processEvents(); }
};

std::int32_t PixelLong(const QImage& image, int x, int y)
{
    return LongOfQColor(image.pixelColor(x, y));
}

} // namespace

TEST(frmAllColors, PureRedStartShowsItsDigitsAndMarksThePlane)
{
    Picker p(kRed);
    frmAllColors& d = p.dlg;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("All Colors"));
    EXPECT_EQ(d.txtHexColor->text(), QStringLiteral("0000FF"));
    EXPECT_EQ(d.txtRGBColor[0]->text(), QStringLiteral("255"));
    EXPECT_EQ(d.txtRGBColor[1]->text(), QStringLiteral("0"));
    EXPECT_EQ(d.txtLColor->text(), QStringLiteral("255"));
    EXPECT_TRUE(d.Option1->isChecked());
    EXPECT_EQ(d.ColorLabel[0]->text(), QStringLiteral("R"));
    EXPECT_EQ(d.ColorLabel[2]->text(), QStringLiteral("B"));
    EXPECT_EQ(d.PlaneValue, 0);
    EXPECT_EQ(d.PlaneX, 255);
    EXPECT_EQ(d.PlaneY, 0);
    EXPECT_EQ(d.scrColorPlane->value(), 0);

    // The plane shows red along X and green along Y on blue 0; the ring of radius 5 around
    // (255, 0) inverts the pixels it crosses, and leaves the rest alone.
    const QImage& plane = d.picAllColors->Image();
    ASSERT_EQ(plane.size(), QSize(256, 256));
    EXPECT_EQ(PixelLong(plane, 100, 200), RGB(100, 200, 0));
    EXPECT_EQ(PixelLong(plane, 255, 5), RGB(0, 250, 255));
    EXPECT_EQ(PixelLong(plane, 255, 2), RGB(255, 2, 0));
    // Gradient bars start at the colour itself.
    EXPECT_EQ(PixelLong(d.picWhiten->Image(), 0, 10), kRed);
    EXPECT_EQ(PixelLong(d.picBlacken->Image(), 255, 0), RGB(1, 0, 0));
    EXPECT_EQ(d.lLastColor, kRed);
}

TEST(frmAllColors, CompressedColourIsReturnedWhenClosedWithEscape)
{
    App();
    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* picker = dynamic_cast<frmAllColors*>(QApplication::activeModalWidget());
        if (picker == nullptr) {
            ADD_FAILURE() << "the picker is not the modal window";
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
            return;
        }
        picker->LoadColor();
        EXPECT_EQ(picker->txtRGBColor[1]->text(), QStringLiteral("150"));
        QTest::mouseClick(picker->chk216, Qt::LeftButton);
        EXPECT_EQ(picker->txtRGBColor[0]->text(), QStringLiteral("102"));
        EXPECT_EQ(picker->txtRGBColor[1]->text(), QStringLiteral("153"));
        EXPECT_EQ(picker->txtRGBColor[2]->text(), QStringLiteral("204"));
        EXPECT_EQ(picker->txtHexColor->text(), QStringLiteral("CC9966"));
        EXPECT_EQ(picker->scrColorPlane->singleStep(), 51);
        driven = true;
        QTest::keyClick(picker, Qt::Key_Escape);
    });
    const std::int32_t chosen = frmAllColors::ChooseColor(RGB(100, 150, 200), nullptr);
    EXPECT_TRUE(driven);
    EXPECT_EQ(chosen, RGB(102, 153, 204));
}

TEST(frmAllColors, ClosingByTheTitleBarAlsoReturnsTheColour)
{
    Picker p(RGB(10, 20, 40));
    p.dlg.show();
    QTest::mouseClick(p.dlg.cmdGreyscale, Qt::LeftButton);
    EXPECT_EQ(p.dlg.txtLColor->text(), QString::number(RGB(23, 23, 23)));
    p.dlg.close();
    EXPECT_EQ(p.dlg.lLastColor, RGB(23, 23, 23));
}

TEST(frmAllColors, TypedValuesThatAreNotColoursLeaveTheColourAndSaySo)
{
    Picker p(RGB(1, 2, 3));
    frmAllColors& d = p.dlg;
    const std::int32_t before = d.CurrentColor().LongColor();

    d.txtHexColor->setText(QStringLiteral("zz"));
    QTest::mouseClick(d.cmdHex, Qt::LeftButton);
    EXPECT_EQ(d.CurrentColor().LongColor(), before);
    EXPECT_TRUE(d.StatusText().contains(QString::fromUtf8(kMsgNotHex)));

    d.txtLColor->setText(QStringLiteral("twelve"));
    QTest::mouseClick(d.cmdLong, Qt::LeftButton);
    EXPECT_EQ(d.CurrentColor().LongColor(), before);
    EXPECT_EQ(d.StatusText(), QStringLiteral("\"twelve\" ") + QString::fromUtf8(kMsgNotANumber));

    d.txtLColor->setText(QStringLiteral("-5"));
    QTest::mouseClick(d.cmdLong, Qt::LeftButton);
    EXPECT_EQ(d.CurrentColor().LongColor(), before);
    EXPECT_EQ(d.StatusText(), QString::fromUtf8(kMsgNegativeColour));

    d.txtRGBColor[1]->setText(QStringLiteral("1,5"));
    QTest::mouseClick(d.cmdRGB, Qt::LeftButton);
    EXPECT_EQ(d.CurrentColor().LongColor(), before);

    // A value above 24 bits keeps its colour bits; a component above 255 is clamped.
    d.txtLColor->setText(QStringLiteral("33554687")); // 0x2000000 + 255
    QTest::mouseClick(d.cmdLong, Qt::LeftButton);
    EXPECT_EQ(d.CurrentColor().LongColor(), kRed);
    EXPECT_EQ(d.StatusText(), QString::fromUtf8(kMsgColourMasked));
    d.txtRGBColor[0]->setText(QStringLiteral("300"));
    d.txtRGBColor[1]->setText(QStringLiteral("12.5"));
    d.txtRGBColor[2]->setText(QStringLiteral("-4"));
    QTest::mouseClick(d.cmdRGB, Qt::LeftButton);
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(255, 12, 0));
    EXPECT_EQ(d.StatusText(), QString::fromUtf8(kMsgComponentClamped));
    EXPECT_EQ(d.txtHexColor->text(), QStringLiteral("000CFF"));

    d.txtHexColor->setText(QStringLiteral("ff8000"));
    QTest::mouseClick(d.cmdHex, Qt::LeftButton);
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(0, 128, 255));
    EXPECT_TRUE(d.StatusText().isEmpty());
}

TEST(frmAllColors, PicksOnThePlaneFollowTheAxisScheme)
{
    Picker p(RGB(0, 0, 77));
    frmAllColors& d = p.dlg;
    d.picAllColors_MouseUp(QPoint(10, 20));
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(10, 20, 77));

    // Option2: X is blue, Y red, the plane green.
    d.Option2->click();
    EXPECT_EQ(d.ColorLabel[0]->text(), QStringLiteral("B"));
    EXPECT_EQ(d.ColorLabel[1]->text(), QStringLiteral("R"));
    EXPECT_EQ(d.ColorLabel[2]->text(), QStringLiteral("G"));
    EXPECT_EQ(d.PlaneValue, 20);
    EXPECT_EQ(d.PlaneX, 77);
    EXPECT_EQ(d.PlaneY, 10);
    d.picAllColors_MouseUp(QPoint(30, 40));
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(40, 20, 30));

    // The plane's last column is a pick like any other; a release off the plane shows the
    // messages, then picks at the nearest edge.
    QStringList shown;
    d.ShowMessage = [&](const QString& text) { shown.push_back(text); };
    d.picAllColors_MouseUp(QPoint(255, 254));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(254, 20, 255));
    d.picAllColors_MouseUp(QPoint(300, -2));
    EXPECT_EQ(shown, QStringList({QStringLiteral("x is out of range at 300"),
                                  QStringLiteral("y is out of range at -2")}));
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(0, 20, 255));

    // Moving the plane slider changes the picture, not the colour, and hides the ring.
    d.scrColorPlane->setValue(200);
    EXPECT_EQ(d.PlaneValue, 200);
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(0, 20, 255));
    EXPECT_EQ(PixelLong(d.picAllColors->Image(), 255, 5), RGB(5, 200, 255));
    d.picAllColors_MouseUp(QPoint(0, 0));
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(0, 200, 0));
}

TEST(frmAllColors, ScrollBarsPreviewAndGradientsSelect)
{
    Picker p(RGB(0, 128, 255));
    frmAllColors& d = p.dlg;
    d.scrColorScroll[0]->setValue(90);
    EXPECT_EQ(d.txtRGBColor[0]->text(), QStringLiteral("90"));
    EXPECT_EQ(d.picRGB->BackColor(), QColor(90, 128, 255));
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(0, 128, 255)); // a preview only
    d.picRGB->MouseUp(QPoint(1, 1)); // the swatch selects the previewed colour
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(90, 128, 255));

    // A point of the greying bar is offered first, then selected.
    d.picGradientBar_MouseUp(GradientBar::Grayen, QPoint(255, 16));
    const std::int32_t grey = RGB(128, 128, 128);
    EXPECT_EQ(d.txtFinalColor->text(), QString::number(grey));
    EXPECT_EQ(d.CurrentColor().LongColor(), RGB(90, 128, 255));
    QTest::mouseClick(d.cmdSelect, Qt::LeftButton);
    EXPECT_EQ(d.CurrentColor().LongColor(), grey);
    EXPECT_EQ(d.txtHexColor->text(), QStringLiteral("808080"));
}
