#include "common/colour.h"
#include "common/frontend.h"
#include "simulation/mainlogic.h"
#include "simulation/sectionplot.h"
#include "ui/auxpicturebox.h"
#include "ui/frmmaterialproperties.h"
#include "ui/frmplott.h"
#include "ui/frmthermal.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

/// The main window's logic over a 64 x 64 grid of radius and height 5 mm with a solved-looking
/// field: t(i, j) = 100 + i + 10 j, so the radial line rises outwards to 163, with the ghosts
/// of a zero-flux axis and bottom (equal to their neighbours).
struct Model {
    RecordingFrontEnd front;
    MainLogic logic{front};

    Model()
    {
        App();
        ModelGrid& g = logic.grid;
        g.rmax = 5.0f;
        g.zmax = 5.0f;
        g.AspectRatio = 1.0f;
        g.nr = 64;
        g.nz = 64;
        g.t.Resize(64, 64);
        for (int i = -1; i <= 64; ++i)
            for (int j = -1; j <= 64; ++j)
                g.t(i, j) = static_cast<float>(100 + std::max(i, 0) + 10 * std::max(j, 0));
        g.TemperatureReady = true;
    }
};

int CountPixels(const QImage& image, std::int32_t colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += LongOfQColor(image.pixelColor(x, y)) == colour;
    return n;
}

} // namespace

TEST(frmPlotT, OpensOnTheRadialMillimetreDefaults)
{
    Model m;
    frmPlotT w(m.logic);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Plot temperature sections"));
    EXPECT_TRUE(w.optRadial->isChecked());
    EXPECT_TRUE(w.optmm->isChecked());
    EXPECT_EQ(w.txtStart->text(), QStringLiteral("0.0390625"));
    EXPECT_EQ(w.txtFinish->text(), QStringLiteral("4.9609375"));
    EXPECT_EQ(w.txtStep->text(), QStringLiteral("0.078125"));
    EXPECT_EQ(w.txtColumn->text(), QStringLiteral("A"));

    // Changing the units or the direction sets the defaults of the new choice.
    w.optij->click();
    EXPECT_EQ(w.txtStart->text(), QStringLiteral("0"));
    EXPECT_EQ(w.txtFinish->text(), QStringLiteral("63"));
    EXPECT_EQ(w.txtStep->text(), QStringLiteral("1"));
    m.logic.grid.nz = 32; // only the defaults are read here, not the field
    w.optAxial->click();
    EXPECT_EQ(w.txtFinish->text(), QStringLiteral("31"));
    w.optmm->click();
    EXPECT_EQ(w.txtStart->text(), QStringLiteral("0.078125"));
}

TEST(frmPlotT, PlotsBlueByMillimetresRedByIndexAndErases)
{
    Model m;
    frmPlotT w(m.logic);
    QTest::mouseClick(w.cmdCalc, Qt::LeftButton);
    EXPECT_TRUE(w.StatusText().isEmpty()) << w.StatusText().toStdString();
    ASSERT_EQ(w.LastProfile().points.size(), 64u);
    const QImage& area = w.PlotArea();
    // First point: x = 0.0390625 / 5 of 480 = 3.75 -> 4; T = 100 of Tmax 163 -> y = 115.9 -> 116.
    EXPECT_EQ(LongOfQColor(area.pixelColor(4, 116)), kBlue);
    // Last point on the top edge at x = 476.25 -> 476.
    EXPECT_EQ(LongOfQColor(area.pixelColor(476, 0)), kBlue);
    EXPECT_EQ(CountPixels(area, kRed), 0);
    EXPECT_GT(CountPixels(area, kBlue), 64 * 4);

    // A profile in other units starts the plot afresh: millimetres have no place on an axis
    // of indices.
    w.optij->click();
    w.txtFinish->setText(QStringLiteral("9"));
    QTest::mouseClick(w.cmdCalc, Qt::LeftButton);
    // Index 0 at x = 0.5 / 10 of 480 = 24; T = 100 of Tmax 163 again.
    EXPECT_EQ(LongOfQColor(w.PlotArea().pixelColor(24, 116)), kRed);
    EXPECT_EQ(CountPixels(w.PlotArea(), kBlue), 0);
    // Profiles of one kind accumulate on the axes they share: indices 20 ... 29 widen the axis
    // to -0.5 ... 29.5, and index 0 moves to x = 0.5 / 30 of 480 = 8.
    w.txtStart->setText(QStringLiteral("20"));
    w.txtFinish->setText(QStringLiteral("29"));
    QTest::mouseClick(w.cmdCalc, Qt::LeftButton);
    ASSERT_TRUE(w.Axes().has_value());
    EXPECT_DOUBLE_EQ(w.Axes()->left, -0.5);
    EXPECT_DOUBLE_EQ(w.Axes()->right, 29.5);
    EXPECT_EQ(LongOfQColor(w.PlotArea().pixelColor(8, 116)), kRed);
    EXPECT_NE(LongOfQColor(w.PlotArea().pixelColor(24, 116)), kRed);
    EXPECT_EQ(CountPixels(w.PlotArea(), kRed), 20 * 9);

    QTest::mouseClick(w.Command1, Qt::LeftButton);
    EXPECT_EQ(CountPixels(w.PlotArea(), kRed) + CountPixels(w.PlotArea(), kBlue), 0);

    // Start above Finish plots nothing.
    w.txtStart->setText(QStringLiteral("10"));
    w.txtFinish->setText(QStringLiteral("5"));
    QTest::mouseClick(w.cmdCalc, Qt::LeftButton);
    EXPECT_EQ(CountPixels(w.PlotArea(), kRed), 0);
    EXPECT_TRUE(w.StatusText().startsWith(QStringLiteral("Nothing to plot")));
}

TEST(frmPlotT, RefusesBadRangesAndAFieldOfAnotherGrid)
{
    Model m;
    frmPlotT w(m.logic);
    w.txtStep->setText(QStringLiteral("0"));
    QTest::mouseClick(w.cmdCalc, Qt::LeftButton);
    EXPECT_EQ(w.StatusText(), Q(kMsgStepNotPositive));
    w.txtStep->setText(QStringLiteral("1e-12"));
    QTest::mouseClick(w.cmdExportToExcel, Qt::LeftButton);
    EXPECT_EQ(w.StatusText(), Q(kMsgTooManyPoints));
    EXPECT_TRUE(w.ExportSheet().Empty());

    // The grid doubled while the window stayed open; the field is still the old one.
    w.txtStep->setText(QStringLiteral("0.078125"));
    m.logic.grid.nr = 128;
    QTest::mouseClick(w.cmdCalc, Qt::LeftButton);
    EXPECT_EQ(w.StatusText(), Q(kMsgFieldMismatch));
    m.logic.grid.nr = 64;
    m.logic.grid.TemperatureReady = false;
    QTest::mouseClick(w.cmdCalc, Qt::LeftButton);
    EXPECT_EQ(w.StatusText(), Q(kMsgNoTemperature));
}

TEST(frmPlotT, ExportsFillColumnPairsOfOneWorkbookOpenedOnce)
{
    Model m;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    frmPlotT w(m.logic);
    w.SheetFolder = dir.path();
    QStringList opened;
    w.OpenSpreadsheet = [&](const QString& path) {
        opened.append(path);
        return true;
    };

    w.optij->click();
    w.txtFinish->setText(QStringLiteral("2"));
    QTest::mouseClick(w.cmdExportToExcel, Qt::LeftButton);
    EXPECT_EQ(w.txtColumn->text(), QStringLiteral("C"));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], w.SheetPath());
    EXPECT_EQ(QFileInfo(w.SheetPath()).fileName(), QStringLiteral("tarsen-sections-1.xlsx"));
    EXPECT_TRUE(QFileInfo::exists(w.SheetPath()));
    // The export plots as well.
    EXPECT_GT(CountPixels(w.PlotArea(), kRed), 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("0\t100\n1\t101\n2\t102\n"));

    w.optAxial->click(); // i, j defaults of the axial line
    w.txtFinish->setText(QStringLiteral("1"));
    QTest::mouseClick(w.cmdExportToExcel, Qt::LeftButton);
    EXPECT_EQ(w.txtColumn->text(), QStringLiteral("E"));
    EXPECT_EQ(opened.size(), 1); // later exports update the same workbook

    const Sheet& s = w.ExportSheet();
    EXPECT_EQ(std::get<std::string>(*s.Cell("A1")), "0");
    EXPECT_EQ(std::get<double>(*s.Cell("B3")), 102.0);
    EXPECT_EQ(std::get<std::string>(*s.Cell("C2")), "1");
    EXPECT_EQ(std::get<double>(*s.Cell("D2")), 110.0);
    EXPECT_EQ(s.Cell("C3"), nullptr);

    // Lower case is accepted and the letters run past Z.
    w.txtColumn->setText(QStringLiteral("y"));
    QTest::mouseClick(w.cmdExportToExcel, Qt::LeftButton);
    EXPECT_EQ(w.txtColumn->text(), QStringLiteral("AA"));
    EXPECT_EQ(std::get<double>(*s.Cell("Z1")), 100.0);
    w.txtColumn->setText(QStringLiteral("A1"));
    QTest::mouseClick(w.cmdExportToExcel, Qt::LeftButton);
    EXPECT_EQ(w.StatusText(), Q(kMsgColumnNotLetters));
    EXPECT_EQ(w.txtColumn->text(), QStringLiteral("A1"));

    // Saving the sheet as comma-separated text.
    const QString csv = dir.filePath(QStringLiteral("sections.csv"));
    ASSERT_TRUE(w.SaveSheetAs(csv));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("0,100,0,100,"));
}

TEST(frmPlotT, WithoutASpreadsheetApplicationItSaysSoAndKeepsPlotting)
{
    Model m;
    QTemporaryDir dir;
    frmPlotT w(m.logic);
    w.SheetFolder = dir.path();
    w.OpenSpreadsheet = [](const QString&) { return false; };
    QTest::mouseClick(w.cmdExportToExcel, Qt::LeftButton);
    EXPECT_TRUE(w.StatusText().contains(Q(kMsgNoSpreadsheet))) << w.StatusText().toStdString();
    EXPECT_TRUE(QFileInfo::exists(w.SheetPath()));
    EXPECT_EQ(w.txtColumn->text(), QStringLiteral("C"));
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    QTest::mouseClick(w.cmdCalc, Qt::LeftButton);
    EXPECT_GT(CountPixels(w.PlotArea(), kBlue), 0);

    // A folder that cannot take the workbook: the message names the file, nothing advances.
    frmPlotT other(m.logic);
    other.SheetFolder = dir.filePath(QStringLiteral("missing"));
    other.OpenSpreadsheet = [](const QString&) { return true; };
    QTest::mouseClick(other.cmdExportToExcel, Qt::LeftButton);
    EXPECT_TRUE(other.StatusText().contains(QStringLiteral("missing")))
        << other.StatusText().toStdString();
    EXPECT_EQ(other.txtColumn->text(), QStringLiteral("A"));
}

namespace {

/// A table of three materials and an assembly whose part 0 is made of material 1.
struct MaterialModel {
    RecordingFrontEnd front;
    MainLogic logic{front};

    MaterialModel()
    {
        App();
        clsMaterialProperties& t = logic.materialproperties;
        t.NumberOfMaterials(3);
        const char* names[] = {"Pyrophyllite", "Graphite", "MgO"};
        for (int k = 0; k < 3; ++k) {
            MaterialEntry& e = t.Entry(k);
            e.MaterialNames = names[k];
            e.MaterialName = std::string("Ref ") + names[k];
            e.cond = {1.5f + k, 0.001f, 0, 0, 0, 0, 0};
            e.R0 = 0.25f * static_cast<float>(k);
            e.tmin = 20.0f;
            e.tmax = 1500.0f;
            e.Colors = RGB(10 * k, 20 * k, 30 * k);
            e.HasThermal = true;
            logic.Tarsen.MaterialColors(k, e.Colors);
        }
        logic.settings.MaterialFileFullName = "/data/thermal.prp";
        logic.Tarsen.CreateCellPart(0, "Furnace");
        logic.Tarsen.CellPart(0).MaterialIndex = 1;
        logic.PartIndex = 0;
    }
};

} // namespace

TEST(frmMaterialProperties, ShowsTheSelectedPartsMaterial)
{
    MaterialModel m;
    frmMaterialProperties w(m.logic);
    EXPECT_EQ(w.ShownMaterial, 1);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Material Properties: /data/thermal.prp"));
    EXPECT_EQ(w.cboMaterial->count(), 3);
    EXPECT_EQ(w.cboMaterial->currentText(), QStringLiteral("Graphite"));
    EXPECT_EQ(w.txtC0->text(), QStringLiteral("2.5"));
    EXPECT_EQ(w.txtC1->text(), QStringLiteral("0.001"));
    EXPECT_EQ(w.txtR0->text(), QStringLiteral("0.25"));
    EXPECT_EQ(w.txtTMax->text(), QStringLiteral("1500"));
    EXPECT_EQ(w.txtREF->toPlainText(), QStringLiteral("Ref Graphite"));
    EXPECT_EQ(w.txtMaterialPropertiesFileName->text(), QStringLiteral("/data/thermal.prp"));
    EXPECT_EQ(LongOfQColor(w.picColor->BackColor()), RGB(10, 20, 30));
    EXPECT_TRUE(w.txtC0->isReadOnly());

    // The laws say their units, those of the materials file; the range is in deg C.
    QString units;
    for (const QLabel* l : w.findChildren<QLabel*>())
        units += l->text() + QLatin1Char('|');
    EXPECT_TRUE(units.contains(QStringLiteral("k in W/m/K, T in °C"))) << units.toStdString();
    EXPECT_TRUE(units.contains(QStringLiteral("ρ in Ω m, T in °C"))) << units.toStdString();
    EXPECT_TRUE(units.contains(QStringLiteral("|°C|"))) << units.toStdString();

    // A long reference wraps and reads whole, without scrolling.
    m.logic.materialproperties.Entry(2).MaterialName =
        "Touloukian Y.S., Powell R.W., Ho C.Y., Klemens P.G. (1970) Thermophysical Properties of "
        "Matter Vol. 2, IFI/Plenum; conductivity after Pierson H.O. (1993) Handbook of Carbon, "
        "Noyes; polycrystalline MgO, quartic fit over 20 to 1600 deg C";
    w.show();
    w.cboMaterial->setCurrentIndex(2);
    w.cboMaterial_Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.ShownMaterial, 2);
    EXPECT_EQ(w.txtC0->text(), QStringLiteral("3.5"));
    EXPECT_TRUE(w.txtREF->toPlainText().endsWith(QStringLiteral("1600 deg C")));
    EXPECT_EQ(w.txtREF->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(w.txtREF->verticalScrollBar()->maximum(), 0);

    // A part without material and an index past the table both show entry -1.
    w.ShowMaterial(-1);
    EXPECT_EQ(w.ShownMaterial, -1);
    EXPECT_EQ(w.cboMaterial->currentIndex(), -1);
    EXPECT_EQ(w.cboMaterial->placeholderText(), QStringLiteral("Material -1"));
    EXPECT_EQ(w.txtC0->text(), QStringLiteral("0"));
    w.ShowMaterial(7);
    EXPECT_EQ(w.ShownMaterial, -1);
    // A new, smaller table under the open window.
    w.ShowMaterial(2);
    m.logic.materialproperties.NumberOfMaterials(1);
    w.Refresh();
    EXPECT_EQ(w.ShownMaterial, -1);
    EXPECT_EQ(w.cboMaterial->count(), 1);
}

TEST(frmMaterialProperties, ANewColourBelongsToTheAssemblyNotToTheTable)
{
    MaterialModel m;
    int refreshed = 0;
    int changed = 0;
    m.logic.RefreshMaterialColours = [&] { ++refreshed; };
    frmMaterialProperties w(m.logic);
    w.ColoursChanged = [&] { ++changed; };
    std::int32_t offered = -1;
    w.ChooseColour = [&](std::int32_t start) -> std::optional<std::int32_t> {
        offered = start;
        return kRed;
    };
    QTest::mouseClick(w.cmdSelectColor, Qt::LeftButton);
    EXPECT_EQ(offered, RGB(10, 20, 30));
    EXPECT_EQ(m.logic.Tarsen.MaterialColors(1), kRed);
    EXPECT_EQ(m.logic.materialproperties.Colors(1), RGB(10, 20, 30));
    EXPECT_EQ(LongOfQColor(w.picColor->BackColor()), kRed);
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(changed, 1);

    // No colour chosen: nothing changes.
    w.ChooseColour = [](std::int32_t) -> std::optional<std::int32_t> { return std::nullopt; };
    QTest::mouseClick(w.cmdSelectColor, Qt::LeftButton);
    EXPECT_EQ(m.logic.Tarsen.MaterialColors(1), kRed);
    EXPECT_EQ(changed, 1);
}

TEST(frmMaterialProperties, ChangedColourComesBackWithTheSavedAssembly)
{
    App();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path src(TARSEN_SOURCE_DIR "/examples");
    const std::filesystem::path to(dir.path().toStdString());
    std::filesystem::copy_file(src / "thermal.prp", to / "thermal.prp");
    RecordingFrontEnd front;
    MainLogic logic(front);
    ASSERT_EQ(logic.ReadTarsen((src / "furnace.tsn").string()).status, ReadTarsenStatus::Read);
    logic.PartIndex = 0;
    const int material = logic.Tarsen.CellPart(0).MaterialIndex;
    ASSERT_GE(material, 0);
    const std::int32_t fileColour = logic.materialproperties.Colors(material);
    const std::int32_t custom = fileColour == RGB(1, 2, 3) ? RGB(4, 5, 6) : RGB(1, 2, 3);

    frmMaterialProperties w(logic);
    EXPECT_EQ(w.ShownMaterial, material);
    w.ChooseColour = [&](std::int32_t) -> std::optional<std::int32_t> { return custom; };
    w.cmdSelectColor_Click();
    const std::string saved = (to / "saved.tsn").string();
    ASSERT_EQ(logic.WriteTarsen(saved).status, WriteTarsenStatus::Written);

    RecordingFrontEnd front2;
    MainLogic again(front2);
    ASSERT_EQ(again.ReadTarsen(saved).status, ReadTarsenStatus::Read);
    EXPECT_EQ(again.Tarsen.MaterialColors(material), custom);
    EXPECT_EQ(again.materialproperties.Colors(material), fileColour);
}

namespace {

/// An initialized 8 x 8 model at 25 deg C everywhere of one material with conductivity 2.5 W/m/K
/// (the grid holds W/mm/K).
struct UniformModel {
    RecordingFrontEnd front;
    MainLogic logic{front};

    UniformModel()
    {
        App();
        ModelGrid& g = logic.grid;
        g.rmax = 5.0f;
        g.zmax = 5.0f;
        g.nr = 8;
        g.nz = 8;
        g.t.Resize(8, 8, 25.0f);
        g.c.Resize(8, 8, 0.0025f);
        g.MatMat.Resize(8, 8, 0);
        g.TemperatureReady = true;
        g.Initialized = true;
        logic.Tarsen.MaterialColors(0, RGB(0, 160, 0));
    }
};

} // namespace

TEST(frmThermal, UniformFieldLimitsAndItsPlot)
{
    UniformModel m;
    frmThermal w(m.logic);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Thermal Conductivities"));
    EXPECT_EQ(w.txtLimits[2]->text(), QStringLiteral("13"));
    EXPECT_EQ(w.txtLimits[3]->text(), QStringLiteral("37.2"));
    EXPECT_EQ(w.txtLimits[0]->text(), QStringLiteral("2.8"));
    EXPECT_EQ(w.txtLimits[1]->text(), QStringLiteral("2.195"));

    QTest::mouseClick(w.cmdPlot, Qt::LeftButton);
    // x = (25 - 13) / (24.2 / 400) = 198.3, y = (2.8 - 2.5) / (0.605 / 300) = 148.8.
    // Every point lands there, drawn as a disc with a darker rim, not a lone pixel.
    EXPECT_EQ(LongOfQColor(w.PlotArea().pixelColor(198, 148)), RGB(0, 160, 0));
    EXPECT_EQ(LongOfQColor(w.PlotArea().pixelColor(199, 148)), RGB(0, 160, 0));
    const int inked =
        frmThermal::kPlotWidth * frmThermal::kPlotHeight - CountPixels(w.PlotArea(), kWhite);
    EXPECT_GE(inked, 9);
    EXPECT_LE(inked, 25);

    // Typed limits: text that is not a number is put back; crossed limits are refused.
    w.txtLimits[3]->setText(QStringLiteral("hot"));
    w.txtLimits_LostFocus(3);
    EXPECT_EQ(w.txtLimits[3]->text(), QStringLiteral("37.2"));
    EXPECT_FALSE(w.StatusText().isEmpty());
    w.txtLimits[3]->setText(QStringLiteral("5"));
    w.txtLimits_LostFocus(3);
    EXPECT_EQ(w.PlotLimits[3], 5.0f);
    QTest::mouseClick(w.cmdPlot, Qt::LeftButton);
    EXPECT_EQ(w.StatusText(), Q(kMsgLimitsOrder));
}

TEST(frmThermal, AModelThatCannotBeInitializedShowsWhyAndPlotsNothing)
{
    App();
    RecordingFrontEnd front;
    MainLogic logic(front); // no materials, no parts
    frmThermal w(logic);
    EXPECT_FALSE(logic.grid.Initialized);
    EXPECT_FALSE(w.StatusText().isEmpty());
    EXPECT_EQ(w.StatusText(), Q(logic.StatusText));
    EXPECT_TRUE(w.txtLimits[0]->text().isEmpty());
    QTest::mouseClick(w.cmdPlot, Qt::LeftButton);
    EXPECT_EQ(CountPixels(w.PlotArea(), kWhite), frmThermal::kPlotWidth * frmThermal::kPlotHeight);
}

TEST(frmThermal, SavesThermalBmpBesideTheAssemblyWhenTheProgramFolderFails)
{
    UniformModel m;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    m.logic.settings.DataFolder = dir.path().toStdString();
    frmThermal w(m.logic);
    QTest::mouseClick(w.cmdPlot, Qt::LeftButton);
    w.ProgramFolder = dir.filePath(QStringLiteral("no-such-program-folder"));
    const QString saved = w.Command1_Click();
    EXPECT_EQ(saved, QDir(dir.path()).filePath(QStringLiteral("thermal.bmp")));
    EXPECT_TRUE(w.StatusText().contains(QStringLiteral("thermal.bmp")))
        << w.StatusText().toStdString();
    EXPECT_TRUE(w.StatusText().contains(QStringLiteral("no-such-program-folder")));
    QImage back(saved, "BMP");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), w.picThermal->Image().size());
    EXPECT_EQ(LongOfQColor(back.pixelColor(198 + kPlotMarginLeft, 148 + kPlotMarginTop)),
              RGB(0, 160, 0));
}
