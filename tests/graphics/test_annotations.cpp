// Labels and scale bar over the off-screen copy, the probe of a picture point, and the pictures
// written to files.
#include "common/colour.h"
#include "graphics/picturestate.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tarsen {
namespace {

constexpr std::int32_t kMat0 = RGB(10, 160, 10);
constexpr std::int32_t kMat1 = RGB(230, 200, 40);

// One part of material 0 over the whole model, on a 120-pixel picture of rmax = zmax = 10 mm
// (0.1 mm per pixel, the model from pixel 10 to 110).
struct Picture {
    clsTarsen Tarsen;
    clsMaterialProperties materials;
    ModelGrid grid;
    PictureState st;
    PictureSurface pic{120};

    Picture()
    {
        EXPECT_TRUE(materials.NumberOfMaterials(2));
        Tarsen.MaterialColors(0, kMat0);
        Tarsen.MaterialColors(1, kMat1);
        Tarsen.CreateCellPart(0, "all");
        clsAssemblyPart& p = Tarsen.CellPart(0);
        p.MaterialIndex = 0;
        p.OuterRadius(10.0f);
        p.MaxHeight(10.0f);
        grid.rmax = grid.zmax = 10.0f;
        grid.nr = grid.nz = 10;
        st.ThermocouplePointSize = 0;
        st.SetLocalMatColors(Model());
        st.StartScaleBar(Model());
    }
    PictureModel Model() { return PictureModel{Tarsen, materials, grid}; }
    std::int32_t At(int x, int y) const { return pic.image.Point(x, y); }
    int BlackIn(int x0, int y0, int x1, int y1) const
    {
        int n = 0;
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y)
                n += At(x, y) == kBlack ? 1 : 0;
        return n;
    }
};

TEST(Labels, RelabelRestoresTheCopyAndDrawsLabelsAndScaleBar)
{
    Picture fx;
    fx.st.ReplotPicture(fx.Model(), fx.pic);
    EXPECT_EQ(fx.BlackIn(20, 20, 40, 40), 0);
    // A label at 2 mm, 2 mm: its text lies right of and below pixel (20, 20).
    fx.st.LabelCount = 1;
    fx.st.LabelText[1] = QStringLiteral("TC");
    fx.st.LabelX[1] = 2.0f;
    fx.st.LabelY[1] = 2.0f;
    fx.st.Relabel(fx.Model(), fx.pic);
    EXPECT_GT(fx.BlackIn(20, 20, 40, 40), 5);
    EXPECT_EQ(fx.BlackIn(11, 11, 19, 19), 0);

    // Label edits do not redraw the model: a new material colour shows only after a replot.
    fx.Tarsen.MaterialColors(0, kMat1);
    fx.st.SetLocalMatColors(fx.Model());
    fx.st.SelectedLabel = 1;
    fx.st.ChangeLabel(QString(), fx.Model(), fx.pic);
    EXPECT_EQ(fx.BlackIn(20, 20, 40, 40), 0);
    EXPECT_EQ(fx.At(60, 60), kMat0);

    // The scale bar: 1 mm centred under the model in the bottom margin (y = 11.5 mm).
    EXPECT_FLOAT_EQ(fx.st.LabelX[kScaleBarSlot], 6.0f);
    EXPECT_FLOAT_EQ(fx.st.LabelY[kScaleBarSlot], 11.5f);
    fx.st.ShowScaleBar = true;
    fx.st.Relabel(fx.Model(), fx.pic);
    EXPECT_EQ(fx.At(60, 115), kBlack);
    EXPECT_EQ(fx.At(56, 115), kBlack);
    EXPECT_EQ(fx.At(45, 115), kWhite);
    // Its length is written to its right, unless the values are switched off.
    EXPECT_GT(fx.BlackIn(66, 106, 110, 119), 5);
    fx.st.ShowValues = false;
    fx.st.Relabel(fx.Model(), fx.pic);
    EXPECT_EQ(fx.BlackIn(66, 106, 110, 119), 0);
    EXPECT_EQ(fx.At(60, 115), kBlack);
    fx.st.ShowValues = true;
    fx.st.SelectedLabel = kScaleBarSlot;
    fx.st.MoveLabel(-1, 0, fx.Model(), fx.pic); // one LabelStep of 1 mm to the left
    EXPECT_EQ(fx.At(50, 115), kBlack);
    EXPECT_EQ(fx.At(64, 115), kWhite);
    fx.st.ShowScaleBar = false;
    fx.st.ClearLabels(fx.Model(), fx.pic);
    EXPECT_EQ(fx.st.LabelCount, 0);
    EXPECT_EQ(fx.At(50, 115), kWhite);
    EXPECT_EQ(fx.At(60, 60), kMat0);

    // A surface without a copy of its own (the large picture) or of another size is drawn anew.
    PictureSurface large(240);
    fx.st.Relabel(fx.Model(), large);
    EXPECT_FALSE(large.BufferBitmap.isNull());
    EXPECT_EQ(large.image.Point(120, 120), kMat1);
    fx.pic.image.Resize(96, 96);
    fx.st.Relabel(fx.Model(), fx.pic);
    EXPECT_EQ(fx.pic.BufferBitmap.size(), QSize(96, 96));
    EXPECT_EQ(fx.At(48, 48), kMat1);
}

TEST(Labels, ClicksAddAndSelectLabels)
{
    Picture fx;
    fx.st.ReplotPicture(fx.Model(), fx.pic);
    fx.st.LabelCount = 3;
    fx.st.ClearLabels(fx.Model(), fx.pic);
    // No button went down: a release does nothing.
    fx.st.AddLabelMode = true;
    PictureClick click = fx.st.MouseUp(fx.Model(), fx.pic, 30, 30, QStringLiteral("A"));
    EXPECT_FALSE(click.labelAdded);
    EXPECT_TRUE(fx.st.AddLabelMode);

    fx.st.MouseDown = true;
    click = fx.st.MouseUp(fx.Model(), fx.pic, 30, 30, QStringLiteral("Sample"));
    EXPECT_TRUE(click.labelAdded);
    EXPECT_FALSE(fx.st.AddLabelMode);
    EXPECT_FALSE(fx.st.MouseDown);
    EXPECT_EQ(fx.st.LabelCount, 1);
    EXPECT_EQ(fx.st.SelectedLabel, 1);
    EXPECT_FLOAT_EQ(fx.st.LabelX[1], 3.0f);
    EXPECT_EQ(fx.st.LabelText[1], QStringLiteral("Sample"));
    EXPECT_GT(fx.BlackIn(30, 30, 60, 50), 5); // printed at once
    EXPECT_FALSE(click.probe.text.empty());

    fx.st.AddLabelMode = fx.st.MouseDown = true;
    fx.st.MouseUp(fx.Model(), fx.pic, 80, 80, QStringLiteral("Furnace"));
    EXPECT_EQ(fx.st.SelectedLabel, 2);

    // Selecting: the nearest label; with the scale bar shown its slot competes too.
    fx.st.SelectLabelMode = fx.st.MouseDown = true;
    click = fx.st.MouseUp(fx.Model(), fx.pic, 35, 32, QString());
    EXPECT_TRUE(click.labelSelected);
    EXPECT_EQ(fx.st.SelectedLabel, 1);
    ASSERT_TRUE(click.labelText.has_value());
    EXPECT_EQ(*click.labelText, QStringLiteral("Sample"));
    fx.st.ShowScaleBar = true;
    fx.st.SelectLabelMode = fx.st.MouseDown = true;
    fx.st.MouseUp(fx.Model(), fx.pic, 62, 113, QString());
    EXPECT_EQ(fx.st.SelectedLabel, kScaleBarSlot);
    float x = 80.0f, y = 80.0f;
    int index = 0;
    fx.st.NearestLabel(x, y, index);
    EXPECT_EQ(index, 2);
    EXPECT_FLOAT_EQ(x, 8.0f); // converted to mm in place

    // Labels stop at 98: slots 99 and 100 stay with the scale bar.
    fx.st.LabelCount = kMaxLabels - 1;
    fx.st.AddLabelMode = fx.st.MouseDown = true;
    EXPECT_TRUE(fx.st.MouseUp(fx.Model(), fx.pic, 50, 50, QStringLiteral("98")).labelAdded);
    fx.st.AddLabelMode = fx.st.MouseDown = true;
    EXPECT_FALSE(fx.st.MouseUp(fx.Model(), fx.pic, 50, 50, QStringLiteral("99")).labelAdded);
    EXPECT_EQ(fx.st.LabelCount, kMaxLabels);
    EXPECT_FLOAT_EQ(fx.st.LabelX[kScaleBarSlot], 6.0f);
    EXPECT_FALSE(fx.st.AddLabelMode);
}

// The probe on a 400-pixel picture of rmax = 20, zmax = 40 mm with 64 x 128 cells: 0.105 mm
// per pixel, the axis at pixel 104.76.
struct ProbeFixture : Picture {
    PictureSurface big{400};
    ProbeFixture()
    {
        grid.rmax = 20.0f;
        grid.zmax = 40.0f;
        grid.nr = 64;
        grid.nz = 128;
        Tarsen.CellPart(0).OuterRadius(20.0f);
        Tarsen.CellPart(0).MaxHeight(40.0f);
        materials.Entry(0).R0 = 2.0f; // resistivity 2000 ohm mm at any temperature
        st.InitializePic(Model(), big);
    }
};

TEST(Probe, TextHasThreeFormsAndIsEmptyOutsideTheGrid)
{
    ProbeFixture fx;
    ProbeResult p = fx.st.ProbeText(fx.Model(), 200, 200);
    EXPECT_TRUE(p.insideGrid);
    EXPECT_EQ(p.PartIndex, 0);
    EXPECT_EQ(p.MaterialIndex, 0);
    EXPECT_EQ(p.text, "I = 32; J = 64.\nr = 10 mm; z = 20 mm.");

    fx.grid.t.Resize(64, 128, 25.0f);
    fx.grid.t(32, 64) = 812.5f;
    fx.grid.MatMat.Resize(64, 128, 0);
    fx.grid.TemperatureReady = true;
    EXPECT_EQ(fx.st.ProbeText(fx.Model(), 200, 200).text,
              "I = 32; J = 64.\nr = 10 mm; z = 20 mm.\nTemperature = 812.5 °C.\n"
              "Electrical resistivity = 2 Ω m");

    fx.grid.f.Resize(64, 128, 0.0f);
    fx.grid.c.Resize(64, 128, 0.0f);
    fx.grid.f(32, 64) = 3.5f;
    fx.grid.c(32, 64) = 0.0025f;
    fx.grid.Initialized = true;
    EXPECT_EQ(fx.st.ProbeText(fx.Model(), 200, 200).text,
              "I = 32; J = 64.\nr = 10 mm; z = 20 mm.\nHeat output = 3.5 W/mm³.\n"
              "Thermal conductivity = 2.5 W/m/K.\nTemperature = 812.5 °C.\n"
              "Electrical resistivity = 2 Ω m");

    // x = 104 is just left of the axis, cell -1, still inside; x = 80 is cell -9, outside.
    p = fx.st.ProbeText(fx.Model(), 104, 200);
    EXPECT_TRUE(p.insideGrid);
    EXPECT_EQ(p.text.substr(0, 9), "I = -1; J");
    p = fx.st.ProbeText(fx.Model(), 80, 200);
    EXPECT_FALSE(p.insideGrid);
    EXPECT_TRUE(p.text.empty());
    EXPECT_EQ(p.PartIndex, -1);
    EXPECT_TRUE(fx.st.ProbeText(fx.Model(), 200, 399).text.empty()); // below the model

    // Arrays that no longer match the grid, or a material beyond the table, read safely.
    fx.grid.t.Resize(4, 4, 1.0f);
    fx.grid.f.Resize(4, 4, 1.0f);
    fx.grid.MatMat.Resize(64, 128, 40);
    p = fx.st.ProbeText(fx.Model(), 200, 200);
    EXPECT_NE(p.text.find("Temperature = 0 °C."), std::string::npos);
    EXPECT_NE(p.text.find("Heat output = 0 W/mm³."), std::string::npos);
}

TEST(BitmapFiles, WrittenPicturesReadBackWithTheSamePixels)
{
    Picture fx;
    fx.st.ShowScaleBar = true;
    fx.st.ReplotPicture(fx.Model(), fx.pic);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage& drawn = fx.pic.image.Image();
    for (const QString& name : {QStringLiteral("a.bmp"), QStringLiteral("b.png"),
                                QStringLiteral("c.PNG"), QStringLiteral("d.pic")}) {
        const QString path = dir.filePath(name);
        QString error;
        ASSERT_TRUE(SaveBitmap(drawn, path, error)) << error.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(4);
        const bool png = name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
        EXPECT_EQ(head.startsWith("\x89PNG"), png) << name.toStdString();
        EXPECT_EQ(head.startsWith("BM"), !png) << name.toStdString();
        file.close();
        QImage back(path, png ? "PNG" : "BMP");
        ASSERT_FALSE(back.isNull());
        back = back.convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(back.size(), drawn.size());
        int differ = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                differ += (back.pixel(x, y) & 0xFFFFFFu) != (drawn.pixel(x, y) & 0xFFFFFFu);
        EXPECT_EQ(differ, 0) << name.toStdString();
    }
    // A file that cannot be written is reported with its name; nothing is left behind.
    QString error;
    const QString bad = dir.filePath(QStringLiteral("missing/folder/x.bmp"));
    EXPECT_FALSE(SaveBitmap(drawn, bad, error));
    EXPECT_TRUE(error.contains(bad));
    EXPECT_FALSE(SaveBitmap(QImage(), dir.filePath(QStringLiteral("e.bmp")), error));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("e.bmp"))));

    // The batch picture: the assembly in its colours with the scale bar.
    const QString out = dir.filePath(QStringLiteral("run.png"));
    ASSERT_TRUE(WriteAssemblyPicture(fx.Model(), out, 150, false, error)) << error.toStdString();
    const QImage run(out);
    EXPECT_EQ(run.size(), QSize(150, 150));
    EXPECT_EQ(ColourOf(run.pixel(75, 75)), kMat0);
    EXPECT_EQ(ColourOf(run.pixel(2, 2)), kWhite);
}

} // namespace
} // namespace tarsen
