// Pictures of the auxiliary windows over a solved run of the bundled example, for the
// documentation. Runs only when TARSEN_SCREENSHOT_DIR names the folder to write them to (for
// example under xvfb-run with QT_QPA_PLATFORM=xcb); otherwise it is skipped.
#include "common/colour.h"
#include "common/frontend.h"
#include "simulation/mainlogic.h"
#include "ui/frmallcolors.h"
#include "ui/frmmaterialproperties.h"
#include "ui/frmplott.h"
#include "ui/frmthermal.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

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

/// Shows the window, lets it lay out and paint, and saves what it shows.
void Snap(QWidget& w, const QString& file)
{
    w.show();
    w.raise();
    for (int k = 0; k < 10; ++k) {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
    ASSERT_TRUE(w.grab().save(file, "PNG")) << file.toStdString();
}

} // namespace

TEST(AuxScreenshots, WindowsOverTheBundledExample)
{
    const char* target = std::getenv("TARSEN_SCREENSHOT_DIR");
    if (target == nullptr || *target == '\0')
        GTEST_SKIP() << "TARSEN_SCREENSHOT_DIR is not set";
    App();
    const QDir out(QString::fromUtf8(target));
    ASSERT_TRUE(out.mkpath(QStringLiteral(".")));

    RecordingFrontEnd front;
    MainLogic logic(front);
    ASSERT_EQ(logic
                  .Form_Load(TARSEN_SOURCE_DIR "/examples",
                             std::string(TARSEN_SOURCE_DIR "/examples/furnace.tsn"))
                  .status,
              ReadTarsenStatus::Read);
    logic.Initialize();
    ASSERT_TRUE(logic.grid.Initialized) << logic.StatusText;
    logic.MaxCycles = 400;
    logic.cmdConvergeToResidual_MouseUp();
    ASSERT_EQ(logic.LastRunOutcome(), RunOutcome::Converged) << logic.StatusText;

    QTemporaryDir sheets;
    frmPlotT plot(logic);
    plot.SheetFolder = sheets.path();
    plot.OpenSpreadsheet = [](const QString&) { return true; };
    QTest::mouseClick(plot.cmdExportToExcel, Qt::LeftButton);
    Snap(plot, out.filePath(QStringLiteral("plot-sections.png")));

    logic.PartIndex = logic.Tarsen.FurnaceIndex();
    frmMaterialProperties materials(logic);
    Snap(materials, out.filePath(QStringLiteral("material-properties.png")));

    frmThermal thermal(logic);
    QTest::mouseClick(thermal.cmdPlot, Qt::LeftButton);
    Snap(thermal, out.filePath(QStringLiteral("thermal-conductivities.png")));

    frmAllColors picker(logic.Tarsen.MaterialColors(materials.ShownMaterial));
    picker.LoadColor();
    Snap(picker, out.filePath(QStringLiteral("colour-picker.png")));
    picker.close();
}
