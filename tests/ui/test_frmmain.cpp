// The main window driven through its widgets: start-up on the bundled example, Initialize and
// the readiness states, runs with Stop and with a close in the middle, the grid buttons at their
// limits, the picture's probe and labels, and the windows behind the menus.
#include "graphics/picturestate.h"
#include "simulation/formstate.h"
#include "simulation/mainlogic.h"
#include "ui/frmabout.h"
#include "ui/frmcalcresistivity.h"
#include "ui/frmfullpicture.h"
#include "ui/frmgraphics.h"
#include "ui/frmmain.h"
#include "ui/frmparts.h"
#include "ui/picturebox.h"
#include "ui/recentassemblies.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tarsen;

namespace {

/// The windows keep per-user settings (the recent assemblies); every test of this program reads
/// and writes a folder of its own instead of the user's.
class OwnUserSettings : public ::testing::Environment {
public:
    void SetUp() override
    {
        QStandardPaths::setTestModeEnabled(true);
        ASSERT_TRUE(m_folder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_folder.path());
    }

private:
    QTemporaryDir m_folder;
};
[[maybe_unused]] ::testing::Environment* const kOwnUserSettings =
    ::testing::AddGlobalTestEnvironment(new OwnUserSettings);

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

QString Example(const char* name)
{
    return QString::fromUtf8(TARSEN_SOURCE_DIR) + QStringLiteral("/examples/") +
           QString::fromLatin1(name);
}

/// A real main window with its message boxes and file dialogs answered by the test.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        w = std::make_unique<frmMain>();
        w->Front().MessageOverride = [this](const QString& text) { messages.push_back(text); };
        w->Front().SaveQuestionOverride = [this](const QString& text) {
            questions.push_back(text);
            if (saveAnswers.empty())
                return SaveChoice::Discard;
            const SaveChoice answer = saveAnswers.front();
            saveAnswers.pop_front();
            return answer;
        };
        w->Front().FileDialogOverride = [this](const FileRequest& request) {
            requests.push_back(request);
            std::optional<QString> answer;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            return answer;
        };
        // Every report line as it is written (the box itself clears after 16).
        auto shown = w->Logic().ReportChanged;
        w->Logic().ReportChanged = [this, shown](const ReportBox& box) {
            if (!box.Lines().empty())
                reported.push_back(Q(box.Lines().back().text));
            if (shown)
                shown(box);
        };
    }

    void TearDown() override { w.reset(); }

    void Open(const QString& path)
    {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        w->Form_Load(path);
    }

    /// Types text into a setting box and finishes the edit with Return.
    static void Type(QLineEdit* box, const QString& text)
    {
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    static void Click(QWidget* widget, QPoint at = QPoint())
    {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::KeyboardModifiers(),
                          at.isNull() ? widget->rect().center() : at);
    }

    QStringList StatusLines() const { return w->txtStatus->toPlainText().split(QLatin1Char('\n')); }
    QColor StatusColour() const { return w->txtStatus->palette().color(QPalette::Text); }
    bool Reported(const QString& line) const { return reported.contains(line); }
    int ReportedStarting(const QString& prefix) const
    {
        return static_cast<int>(
            std::count_if(reported.begin(), reported.end(),
                          [&](const QString& l) { return l.startsWith(prefix); }));
    }

    void Initialize()
    {
        Click(w->cmdInitialize);
        ASSERT_TRUE(w->Logic().grid.Initialized);
    }

    /// Runs handler at the start of the first cycle after the report shows line (the window's
    /// event pump at the start of each cycle is where clicks reach a run).
    void AtPumpAfter(const QString& line, std::function<void()> handler)
    {
        auto* timer = new QTimer(w.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, line, handler] {
            if (!w->Logic().Running() || !Reported(line))
                return;
            timer->stop();
            handler();
        });
        timer->start();
    }

    std::unique_ptr<frmMain> w;
    QStringList messages;
    std::vector<FileRequest> requests;
    std::deque<std::optional<QString>> answers;
    QStringList questions; // about unsaved changes
    std::deque<SaveChoice> saveAnswers;
    QStringList reported;
};

/// The entries of a menu that are shown.
QList<QAction*> Shown(const QMenu* menu)
{
    QList<QAction*> shown;
    for (QAction* a : menu->actions())
        if (a->isVisible())
            shown.push_back(a);
    return shown;
}

/// The caption without the placeholder of the modified mark.
QString Caption(const QWidget& window)
{
    return window.windowTitle().remove(QStringLiteral("[*]"));
}

TEST_F(MainWindow, StartsOnTheBundledExampleInDesignMode)
{
    Open(Example("furnace.tsn"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(requests.empty()); // the file was given, so no open dialog
    EXPECT_TRUE(Caption(*w).startsWith(QStringLiteral("Tarsen: ")));
    EXPECT_TRUE(Caption(*w).endsWith(QStringLiteral("furnace.tsn")));
    EXPECT_FALSE(w->isWindowModified());

    EXPECT_EQ(StatusLines().value(0), Q(kMsgDesignMode));
    EXPECT_EQ(StatusColour(), QColor(255, 0, 0));
    EXPECT_FALSE(w->frameGo->isEnabled());
    EXPECT_FALSE(w->cmdRunManyCycles->isEnabled());
    EXPECT_TRUE(w->cmdInitialize->isEnabled());
    EXPECT_TRUE(w->frameGridSettings->isEnabled());
    // Multigrid is selected: its frame is on, the single-grid frame off.
    EXPECT_TRUE(w->optGrid[1]->isChecked());
    EXPECT_TRUE(w->FrameMultiGrid->isEnabled());
    EXPECT_TRUE(w->txtNInner->isEnabled());
    EXPECT_FALSE(w->frameSingleGrid->isEnabled());
    EXPECT_FALSE(w->txtW->isEnabled());
    // "Single grid" switches the two solver frames with everything inside them.
    Click(w->optGrid[0]);
    EXPECT_FALSE(w->Logic().UseMultigrid);
    EXPECT_TRUE(w->frameSingleGrid->isEnabled());
    EXPECT_TRUE(w->txtW->isEnabled());
    EXPECT_TRUE(w->txtNiters->isEnabled());
    EXPECT_FALSE(w->FrameMultiGrid->isEnabled());
    EXPECT_FALSE(w->chkRedBlack->isEnabled());
    EXPECT_FALSE(w->txtNInner->isEnabled());
    Click(w->optGrid[1]);
    EXPECT_TRUE(w->Logic().UseMultigrid);
    EXPECT_TRUE(w->txtNInner->isEnabled());

    // The boxes show the file's settings.
    EXPECT_EQ(w->txtRmax->text(), QStringLiteral("6.35"));
    EXPECT_EQ(w->txtAspectRatio->text(), QStringLiteral("2"));
    EXPECT_EQ(w->txtGridSize->text(), QStringLiteral("64"));
    EXPECT_EQ(w->txtCurrent->text(), QStringLiteral("230"));
    EXPECT_EQ(w->txtNCycles->text(), QStringLiteral("20"));
    EXPECT_TRUE(w->txtAspectRatio->isReadOnly());
    EXPECT_TRUE(w->txtGridSize->isReadOnly());
    EXPECT_EQ(w->txtPixels->text(), QStringLiteral("1267"));

    // The menu tree: separators after Save and after the properties file; the entries that
    // need a model are off in design mode.
    const QList<QAction*> file = w->mnuFile->actions();
    ASSERT_EQ(file.size(), 7);
    EXPECT_EQ(file[0], w->mnuOpen);
    EXPECT_EQ(file[1], w->mnuOpenRecent->menuAction());
    EXPECT_EQ(file[2], w->mnuSave);
    EXPECT_TRUE(file[3]->isSeparator());
    EXPECT_EQ(file[4], w->mnuOpenPropertiesFile);
    EXPECT_TRUE(file[5]->isSeparator());
    EXPECT_EQ(file[6], w->mnuExit);
    EXPECT_TRUE(w->mnuAntiAliasing->isCheckable());
    EXPECT_TRUE(w->mnuGreyscale->isCheckable());
    EXPECT_FALSE(w->mnuDrawModel->isEnabled());
    EXPECT_FALSE(w->mnuPlotT->isEnabled());
    EXPECT_TRUE(w->mnuModifyAssembly->isEnabled());
    EXPECT_TRUE(w->mnuMaterialProperties->isEnabled());
    EXPECT_TRUE(w->mnuPlotConductivities->isEnabled());
    EXPECT_TRUE(w->mnuCalcResistivity->isEnabled());
    EXPECT_TRUE(w->mnuSave->isEnabled());

    // The check marks of the picture menu follow the drawing state.
    w->mnuGreyscale->trigger();
    EXPECT_TRUE(w->mnuGreyscale->isChecked());
    EXPECT_TRUE(w->Picture().Greyscale);
    w->mnuGreyscale->trigger();
    EXPECT_FALSE(w->Picture().Greyscale);
    w->mnuAntiAliasing->trigger();
    EXPECT_TRUE(w->Picture().AntiAliasing);

    // The picture was drawn: the model's frame is no longer plain white everywhere.
    const QImage& image = w->MainSurface().image.Image();
    ASSERT_EQ(image.width(), kMainPictureSide);
    int coloured = 0;
    for (int y = 0; y < image.height(); y += 5)
        for (int x = 0; x < image.width(); x += 5)
            coloured += (image.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu ? 1 : 0;
    EXPECT_GT(coloured, 100);
}

TEST_F(MainWindow, WithoutAFileTheOpenDialogAsks)
{
    answers.push_back(Example("furnace.tsn"));
    w->show();
    w->Form_Load();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].title, std::string(kOpenTSNTitle));
    EXPECT_FALSE(requests[0].save);
    EXPECT_TRUE(Caption(*w).endsWith(QStringLiteral("furnace.tsn")));

    // A file named on the command line that does not exist is said so, then asked for.
    frmMain other;
    QStringList otherMessages;
    other.Front().MessageOverride = [&](const QString& t) { otherMessages.push_back(t); };
    int asked = 0;
    other.Front().FileDialogOverride = [&](const FileRequest&) -> std::optional<QString> {
        ++asked;
        return Example("furnace.tsn");
    };
    other.Form_Load(QStringLiteral("/no/such/folder/missing.tsn"));
    ASSERT_FALSE(otherMessages.isEmpty());
    EXPECT_TRUE(otherMessages[0].contains(QStringLiteral("missing.tsn")));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Caption(other).endsWith(QStringLiteral("furnace.tsn")));

    // A cancelled dialog gives the default assembly, which has no file to name.
    frmMain untitled;
    untitled.Front().MessageOverride = [](const QString&) {};
    untitled.Front().FileDialogOverride = [](const FileRequest&) -> std::optional<QString> {
        return std::nullopt;
    };
    untitled.Form_Load();
    EXPECT_EQ(Caption(untitled), QStringLiteral("Tarsen: (untitled)"));
}

TEST_F(MainWindow, AMissingMaterialsFileBringsUpThePropertiesDialog)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath(QStringLiteral("furnace.tsn"));
    ASSERT_TRUE(QFile::copy(Example("furnace.tsn"), copy));
    answers.push_back(Example("thermal.prp"));
    Open(copy);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Open the Material Properties File");
    EXPECT_EQ(requests[0].filters.front().second, "*.prp");
    // The file chosen makes the model ready for Initialize at once.
    EXPECT_EQ(StatusLines().value(0), Q(kMsgDesignMode));
    EXPECT_TRUE(w->cmdInitialize->isEnabled());
    EXPECT_TRUE(w->frameGridSettings->isEnabled());
    // Choosing the file is part of starting up, not a change to save.
    EXPECT_FALSE(w->isWindowModified());
    Initialize();
    EXPECT_EQ(StatusLines().value(0), Q(kStatusReady));
}

TEST_F(MainWindow, InitializeEnablesTheRunFrameAndATypedCurrentDisablesItAgain)
{
    Open(Example("furnace.tsn"));
    Initialize();
    EXPECT_TRUE(w->frameGo->isEnabled());
    EXPECT_TRUE(w->cmdRunManyCycles->isEnabled());
    EXPECT_TRUE(w->cmdGoToT->isEnabled());
    EXPECT_FALSE(w->cmdInitialize->isEnabled());
    EXPECT_TRUE(w->mnuDrawModel->isEnabled());
    EXPECT_TRUE(w->mnuPlotT->isEnabled());
    EXPECT_EQ(StatusLines().value(0), Q(kStatusReady));
    EXPECT_EQ(StatusColour(), QColor(0, 0, 255));
    EXPECT_TRUE(Reported(Q(kReportInitializing)));
    // The electrical readouts of the built model.
    EXPECT_EQ(w->picAmps->text(), QStringLiteral(" 230"));
    EXPECT_FALSE(w->picIntegratedPower->text().isEmpty());
    EXPECT_FALSE(w->picTheorResist->text().isEmpty());

    // The same current again changes nothing.
    Type(w->txtCurrent, QStringLiteral("230"));
    EXPECT_TRUE(w->frameGo->isEnabled());

    Type(w->txtCurrent, QStringLiteral("150"));
    EXPECT_FLOAT_EQ(w->Logic().settings.ElectricCurrent, 150.0f);
    EXPECT_FALSE(w->frameGo->isEnabled());
    EXPECT_FALSE(w->cmdRunManyCycles->isEnabled());
    EXPECT_TRUE(w->cmdInitialize->isEnabled());
    EXPECT_EQ(StatusLines().value(0), Q(kMsgDesignMode));
    EXPECT_EQ(StatusColour(), QColor(255, 0, 0));

    // Sampling at the cell centres is one click away and asks for a new Initialize too.
    Initialize();
    ASSERT_TRUE(w->chkExactSampling->isChecked());
    w->chkExactSampling->click();
    EXPECT_FALSE(w->Logic().settings.ExactSampling);
    EXPECT_FALSE(w->chkExactSampling->isChecked());
    EXPECT_FALSE(w->frameGo->isEnabled());
    Initialize();
    EXPECT_EQ(w->Logic().grid.Cover(), nullptr);
}

TEST_F(MainWindow, SettingBoxesParseInTheCLocaleAndKeepTheValueOnBadText)
{
    Open(Example("furnace.tsn"));
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Type(w->txtCurrent, QStringLiteral("2.5"));
    EXPECT_FLOAT_EQ(w->Logic().settings.ElectricCurrent, 2.5f);
    Type(w->txtCurrent, QStringLiteral("1,5"));
    QLocale::setDefault(before);
    EXPECT_FLOAT_EQ(w->Logic().settings.ElectricCurrent, 2.5f);
    EXPECT_EQ(w->txtCurrent->text(), QStringLiteral("2.5")); // the box shows the kept value
    EXPECT_TRUE(std::any_of(reported.begin(), reported.end(),
                            [](const QString& l) { return l.contains(QStringLiteral("1,5")); }));

    Type(w->txtRmax, QStringLiteral("abc"));
    EXPECT_FLOAT_EQ(w->Logic().grid.rmax, 6.35f);
    EXPECT_EQ(w->txtRmax->text(), QStringLiteral("6.35"));
    // NCycles belongs to the run frame, which waits for Initialize.
    EXPECT_FALSE(w->txtNCycles->isEnabled());
    Initialize();
    Type(w->txtNCycles, QStringLiteral("3"));
    EXPECT_EQ(w->Logic().settings.ncycles, 3);
    Type(w->txtNCycles, QStringLiteral("-2"));
    EXPECT_EQ(w->Logic().settings.ncycles, 3);
    EXPECT_EQ(w->txtNCycles->text(), QStringLiteral("3"));
}

TEST_F(MainWindow, RunCyclesEndsWithFinishedAndTheTimeWhileOnlyStopIsUsable)
{
    Open(Example("furnace.tsn"));
    Initialize();
    Type(w->txtNCycles, QStringLiteral("3"));
    w->mnuGraphics->trigger();
    ASSERT_NE(w->Graphics(), nullptr);

    // Sampled inside the run, at the event pump of cycle 2.
    std::map<std::string, bool> during;
    QString statusDuring;
    AtPumpAfter(QStringLiteral("Cycle 1"), [&] {
        during["cmdStop"] = w->cmdStop->isEnabled();
        during["cmdRunManyCycles"] = w->cmdRunManyCycles->isEnabled();
        during["cmdConvergeToResidual"] = w->cmdConvergeToResidual->isEnabled();
        during["cmdInitialize"] = w->cmdInitialize->isEnabled();
        during["cmdDoubleGrid"] = w->cmdDoubleGrid->isEnabled();
        during["cmdHalveZ"] = w->cmdHalveZ->isEnabled();
        during["txtCurrent"] = w->txtCurrent->isEnabled();
        during["txtRmax"] = w->txtRmax->isEnabled();
        during["optGrid"] = w->optGrid[0]->isEnabled();
        during["cmdA"] = w->cmdA->isEnabled();
        during["cmdAllContours"] = w->cmdAllContours->isEnabled();
        during["cmdFullPicture"] = w->cmdFullPicture->isEnabled();
        during["mnuOpen"] = w->mnuOpen->isEnabled();
        during["mnuSave"] = w->mnuSave->isEnabled();
        during["mnuOpenPropertiesFile"] = w->mnuOpenPropertiesFile->isEnabled();
        during["mnuGreyscale"] = w->mnuGreyscale->isEnabled();
        during["mnuCalcResistivity"] = w->mnuCalcResistivity->isEnabled();
        during["mnuExit"] = w->mnuExit->isEnabled();
        during["busy"] = QApplication::overrideCursor() != nullptr;
        during["frmGraphics"] = w->Graphics()->isEnabled();
        statusDuring = StatusLines().value(0);
    });
    Click(w->cmdRunManyCycles);

    EXPECT_TRUE(during["cmdStop"]);
    EXPECT_TRUE(during["mnuExit"]);
    EXPECT_TRUE(during["busy"]);
    for (const char* name :
         {"cmdRunManyCycles", "cmdConvergeToResidual", "cmdInitialize", "cmdDoubleGrid",
          "cmdHalveZ", "txtCurrent", "txtRmax", "optGrid", "cmdA", "cmdAllContours",
          "cmdFullPicture", "mnuOpen", "mnuSave", "mnuOpenPropertiesFile", "mnuGreyscale",
          "mnuCalcResistivity", "frmGraphics"})
        EXPECT_FALSE(during[name]) << name << " was usable during the run";
    EXPECT_EQ(statusDuring, QStringLiteral("Running 3 cycles."));

    EXPECT_EQ(ReportedStarting(QStringLiteral("Cycle ")), 3);
    EXPECT_TRUE(Reported(QStringLiteral("Cycle 3")));
    EXPECT_TRUE(Reported(Q(kReportFinished)));
    EXPECT_FALSE(Reported(Q(kReportStopped)));
    ASSERT_FALSE(reported.isEmpty());
    EXPECT_TRUE(reported.back().startsWith(Q(kReportTime)));
    EXPECT_EQ(StatusLines().value(0), Q(kStatusReady));
    EXPECT_EQ(StatusColour(), QColor(0, 0, 255));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // After the run everything is usable again, and the results are shown.
    EXPECT_TRUE(w->cmdRunManyCycles->isEnabled());
    EXPECT_TRUE(w->mnuOpen->isEnabled());
    EXPECT_TRUE(w->Graphics()->isEnabled());
    EXPECT_TRUE(w->picThermocoupleTemp->text().contains(QStringLiteral("font-weight:bold")));
    EXPECT_FALSE(w->picResidual->text().isEmpty());
    EXPECT_TRUE(w->lblElapsed->text().contains(QStringLiteral("3 cycles")));
    // The report box holds at most its sixteen lines.
    EXPECT_LE(w->picreport->document()->blockCount(), ReportBox::kMaxLines);
}

TEST_F(MainWindow, StopDuringCycleTwoOfThreeEndsWithStopped)
{
    Open(Example("furnace.tsn"));
    Initialize();
    Type(w->txtNCycles, QStringLiteral("3"));
    // The click reaches the run at the pump that starts cycle 3, after cycle 2's lines.
    AtPumpAfter(QStringLiteral("Cycle 2"), [&] { Click(w->cmdStop); });
    Click(w->cmdRunManyCycles);

    EXPECT_TRUE(Reported(QStringLiteral("Cycle 1")));
    EXPECT_TRUE(Reported(QStringLiteral("Cycle 2")));
    EXPECT_FALSE(Reported(QStringLiteral("Cycle 3")));
    EXPECT_TRUE(Reported(Q(kReportStopped)));
    EXPECT_FALSE(Reported(Q(kReportFinished)));
    EXPECT_TRUE(reported.back().startsWith(Q(kReportTime)));
    EXPECT_EQ(StatusLines().value(0), Q(kStatusReady));
    EXPECT_TRUE(w->cmdRunManyCycles->isEnabled());
}

TEST_F(MainWindow, ClosingDuringARunWaitsForTheLoopToUnwind)
{
    Open(Example("furnace.tsn"));
    Initialize();
    Type(w->txtNCycles, QStringLiteral("5"));
    bool stillOpen = false;
    AtPumpAfter(QStringLiteral("Cycle 1"), [&] {
        w->close();
        stillOpen = w->isVisible() && w->ClosePending();
    });
    Click(w->cmdRunManyCycles);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(Reported(Q(kReportStopped)));
    EXPECT_FALSE(Reported(QStringLiteral("Cycle 3")));
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Logic().Running());
}

TEST_F(MainWindow, ConvergeToResidualAndTemperatureRunFromTheirButtons)
{
    Open(Example("furnace.tsn"));
    Initialize();
    // A target above 10000 is met before the first cycle.
    Type(w->txtConvergeToResidual, QStringLiteral("20000"));
    Click(w->cmdConvergeToResidual);
    EXPECT_EQ(ReportedStarting(QStringLiteral("Cycle ")), 0);
    EXPECT_TRUE(reported.back().startsWith(Q(kReportTime)));

    // A target at the clamp stops the search before any trial, with its reason.
    Type(w->txtGoToT, QStringLiteral("5000"));
    Click(w->cmdGoToT);
    EXPECT_TRUE(std::any_of(reported.begin(), reported.end(),
                            [](const QString& l) { return l.startsWith(Q(kMsgSearchStopped)); }));
    EXPECT_FALSE(Reported(QStringLiteral("Trial Current 1")));
    EXPECT_TRUE(w->cmdGoToT->isEnabled());
}

TEST_F(MainWindow, AStoppedSearchAndOneAtThePrecisionLimitLeaveTheWindowConsistent)
{
    Open(Example("furnace.tsn"));
    Click(w->cmdHalveGrid);
    Initialize();
    Type(w->txtNCycles, QStringLiteral("1"));
    Type(w->txtConvergeToResidual, QStringLiteral("0")); // below any field's floor
    auto boxAndReadoutAgree = [&] {
        EXPECT_FLOAT_EQ(w->txtCurrent->text().toFloat(), w->picAmps->text().trimmed().toFloat());
    };

    AtPumpAfter(QStringLiteral("Trial Current 2"), [&] { Click(w->cmdStop); });
    Click(w->cmdGoToT);
    EXPECT_TRUE(Reported(Q(kReportStopped)));
    EXPECT_TRUE(
        Reported(Q(kMsgSearchStartedAt) + QStringLiteral("230 A with the boundary at 25 deg C.")));
    EXPECT_EQ(StatusLines().value(0), Q(kStatusReady));
    boxAndReadoutAgree();

    reported.clear();
    Click(w->cmdGoToT);
    EXPECT_EQ(w->Logic().LastRunOutcome(), RunOutcome::PrecisionLimit);
    EXPECT_EQ(ReportedStarting(Q(kMsgPrecisionLimit)), 1);
    EXPECT_FALSE(Reported(Q(kReportStopped)));
    EXPECT_NEAR(w->Logic().ThermocoupleTemp(0), 1200.0f, 1.0f);
    EXPECT_EQ(StatusLines().value(0), Q(kStatusReady));
    boxAndReadoutAgree();
    EXPECT_TRUE(w->cmdGoToT->isEnabled());
}

TEST_F(MainWindow, AnAssemblyWithAGapNamesItAndKeepsTheRunFrameOff)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString prp = dir.filePath(QStringLiteral("thermal.prp"));
    ASSERT_TRUE(QFile::copy(Example("thermal.prp"), prp));
    const QString gap = dir.filePath(QStringLiteral("gap.tsn"));
    {
        // The bundled assembly without its sample leaves a hole inside the capsule.
        RecordingFrontEnd front;
        MainLogic logic(front);
        logic.Form_Load(std::string(TARSEN_SOURCE_DIR) + "/examples",
                        std::string(TARSEN_SOURCE_DIR) + "/examples/furnace.tsn");
        logic.Tarsen.CellPart(0).Include = false;
        ASSERT_TRUE(logic.WriteTarsen(gap.toStdString()).Written());
    }
    Open(gap);
    EXPECT_EQ(StatusLines().value(0), Q(kMsgDesignMode));
    Click(w->cmdInitialize);
    EXPECT_FALSE(w->Logic().grid.Initialized);
    const QString status = StatusLines().value(0);
    EXPECT_TRUE(status.startsWith(Q(kMsgUnassignedPointBegin))) << status.toStdString();
    EXPECT_TRUE(status.endsWith(Q(kMsgUnassignedPointEnd))) << status.toStdString();
    const auto& ij = w->Logic().grid.UnassignedPointIJ;
    EXPECT_TRUE(status.contains(QStringLiteral("I, J = %1, %2").arg(ij[0]).arg(ij[1])));
    EXPECT_EQ(StatusColour(), QColor(255, 0, 0));
    EXPECT_FALSE(w->frameGo->isEnabled());
    EXPECT_FALSE(w->frameGridSettings->isEnabled());
    EXPECT_TRUE(w->cmdInitialize->isEnabled());
}

TEST_F(MainWindow, GridButtonsStopAtTheirLimits)
{
    Open(Example("furnace.tsn"));
    // nr 64 with aspect ratio 2: nz reaches 512 at nr = 256.
    Click(w->cmdDoubleGrid);
    EXPECT_EQ(w->txtGridSize->text(), QStringLiteral("128"));
    Click(w->cmdDoubleGrid);
    EXPECT_EQ(w->txtGridSize->text(), QStringLiteral("256"));
    EXPECT_EQ(w->Logic().grid.nz, 512);
    EXPECT_FALSE(w->cmdDoubleGrid->isEnabled());
    EXPECT_TRUE(w->cmdHalveGrid->isEnabled());
    Click(w->cmdDoubleGrid);
    EXPECT_EQ(w->txtGridSize->text(), QStringLiteral("256"));

    for (int k = 0; k < 6; ++k)
        Click(w->cmdHalveGrid);
    EXPECT_EQ(w->txtGridSize->text(), QStringLiteral("4"));
    EXPECT_EQ(w->Logic().grid.nz, 8);
    EXPECT_FALSE(w->cmdHalveGrid->isEnabled());
    EXPECT_TRUE(w->cmdDoubleGrid->isEnabled());

    // The aspect ratio: 2 doubles once to 4, then the button is off; halving stops at 0.25.
    Click(w->cmdDoubleZ);
    EXPECT_EQ(w->txtAspectRatio->text(), QStringLiteral("4"));
    EXPECT_FALSE(w->cmdDoubleZ->isEnabled());
    for (int k = 0; k < 5; ++k)
        Click(w->cmdHalveZ);
    EXPECT_EQ(w->txtAspectRatio->text(), QStringLiteral("0.25"));
    EXPECT_FALSE(w->cmdHalveZ->isEnabled());
}

TEST_F(MainWindow, AClickOnThePictureFillsTheProbeLineAndSelectsThePart)
{
    Open(Example("furnace.tsn"));
    PictureState& p = w->Picture();
    // A point near the axis at mid-height lies in the sample.
    const float zmax = w->Logic().grid.zmax;
    const QPoint inside(static_cast<int>(p.PixelX(0.3f)), static_cast<int>(p.PixelY(zmax / 2)));
    Click(w->picAssemblyDrawing, inside);
    QStringList lines = StatusLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], Q(kMsgDesignMode));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("I = "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("r = "))) << lines[2].toStdString();
    // A file just read has no temperature field yet.
    EXPECT_FALSE(w->txtStatus->toPlainText().contains(QStringLiteral("Temperature = ")));
    EXPECT_GE(w->Logic().PartIndex, 0);

    // The right button brings up the picture menu.
    QTest::mousePress(w->picAssemblyDrawing, Qt::RightButton, Qt::KeyboardModifiers(), inside);
    EXPECT_TRUE(w->mnuPicture->isVisible());
    w->mnuPicture->close();
    QTest::mouseRelease(w->picAssemblyDrawing, Qt::RightButton, Qt::KeyboardModifiers(), inside);

    // Far outside the grid the probe line is empty.
    Click(w->picAssemblyDrawing, QPoint(1, 1));
    lines = StatusLines();
    EXPECT_EQ(lines.value(0), Q(kMsgDesignMode));
    EXPECT_TRUE(lines.value(1).isEmpty());

    // Initialized, the probe adds the heat output and the conductivity.
    Initialize();
    Click(w->picAssemblyDrawing, inside);
    // Every value carries its unit; the conductivity in the W/m/K of the materials file.
    const QString probe = w->txtStatus->toPlainText();
    EXPECT_TRUE(probe.contains(QStringLiteral(" mm; z = "))) << probe.toStdString();
    EXPECT_TRUE(probe.contains(QStringLiteral(" W/mm³.\nThermal conductivity = ")))
        << probe.toStdString();
    EXPECT_TRUE(probe.contains(QStringLiteral(" W/m/K.\nTemperature = "))) << probe.toStdString();
    EXPECT_TRUE(probe.contains(QStringLiteral(" °C.\nElectrical resistivity = ")))
        << probe.toStdString();
    EXPECT_TRUE(probe.endsWith(QStringLiteral(" Ω m"))) << probe.toStdString();
    EXPECT_TRUE(w->txtStatus->toPlainText().contains(QStringLiteral("Temperature = ")));
    EXPECT_EQ(StatusLines().value(0), Q(kStatusReady));
}

TEST_F(MainWindow, LabelsAreAddedSelectedAndMoved)
{
    Open(Example("furnace.tsn"));
    PictureState& p = w->Picture();
    const QImage before = w->MainSurface().image.Image().copy();
    w->txtA->setText(QStringLiteral("T1"));
    Click(w->cmdA);
    EXPECT_TRUE(p.AddLabelMode);
    Click(w->picAssemblyDrawing, QPoint(40, 30));
    EXPECT_FALSE(p.AddLabelMode);
    ASSERT_EQ(p.LabelCount, 1);
    EXPECT_EQ(p.LabelText[1], QStringLiteral("T1"));
    EXPECT_EQ(p.SelectedLabel, 1);
    EXPECT_FLOAT_EQ(p.LabelX[1], static_cast<float>(p.PicToMM * 40.0));
    EXPECT_NE(w->MainSurface().image.Image(), before);

    const float x0 = p.LabelX[1];
    Click(w->cmdTextRight);
    EXPECT_FLOAT_EQ(p.LabelX[1], x0 + p.LabelStep);
    Click(w->cmdTextDown);
    Click(w->cmdTextUp);
    EXPECT_FLOAT_EQ(p.LabelY[1], static_cast<float>(p.PicToMM * 30.0));

    // A second label, then the first selected again by a click next to it.
    w->txtA->setText(QStringLiteral("T2"));
    Click(w->cmdA);
    Click(w->picAssemblyDrawing, QPoint(300, 400));
    EXPECT_EQ(p.LabelCount, 2);
    EXPECT_EQ(p.SelectedLabel, 2);
    Click(w->cmdPlotLabelSelect);
    Click(w->picAssemblyDrawing, QPoint(52, 32));
    EXPECT_EQ(p.SelectedLabel, 1);
    EXPECT_EQ(w->txtA->text(), QStringLiteral("T1"));

    Click(w->cmdClearLabels);
    EXPECT_EQ(p.LabelCount, 0);
}

TEST_F(MainWindow, GraphicsSettingsHideTheAxisAtWeightZeroAndKeepBadValues)
{
    Open(Example("furnace.tsn"));
    w->mnuGraphics->trigger();
    frmGraphics* g = w->Graphics();
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(g->windowTitle(), QStringLiteral("Graphics"));
    EXPECT_EQ(g->txtTCPointSize->text(), QStringLiteral("3"));
    EXPECT_EQ(g->txtBoundaryWeight->text(), QStringLiteral("1"));
    EXPECT_EQ(g->txtScaleBarWeight->text(), QStringLiteral("2"));
    EXPECT_EQ(g->txtPartBorderWeight->text(), QStringLiteral("1"));
    EXPECT_EQ(g->txtAxisWeight->text(), QStringLiteral("1"));
    EXPECT_EQ(g->txtDotLength->text(), QStringLiteral("10"));

    // The axis runs through the whole picture height, also through the white top margin.
    PictureState& p = w->Picture();
    const int x = static_cast<int>(std::lround(p.PixelX(0.0f)));
    auto axisDrawn = [&] {
        const QImage& image = w->MainSurface().image.Image();
        for (int dx = -1; dx <= 1; ++dx)
            if ((image.pixel(x + dx, 2) & 0xFFFFFFu) == 0u)
                return true;
        return false;
    };
    EXPECT_TRUE(axisDrawn());
    g->txtAxisWeight->setText(QStringLiteral("0"));
    g->txtBoundaryWeight->setText(QStringLiteral("abc"));
    Click(g->cmdSave);
    EXPECT_FALSE(axisDrawn());
    EXPECT_FLOAT_EQ(p.AxisWeight, 0.0f);
    EXPECT_FLOAT_EQ(p.BoundaryWeight, 1.0f);
    EXPECT_EQ(g->txtBoundaryWeight->text(), QStringLiteral("1"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QString::fromLatin1(kMsgGraphicsRefused)));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Boundary weight")));
    EXPECT_FALSE(messages[0].contains(QStringLiteral("Axis weight")));
    EXPECT_TRUE(g->isVisible());

    // A thermocouple size beyond the 16-bit range is refused as well.
    g->txtTCPointSize->setText(QStringLiteral("40000"));
    Click(g->cmdSave);
    EXPECT_EQ(p.ThermocouplePointSize, 3);
    EXPECT_EQ(g->txtTCPointSize->text(), QStringLiteral("3"));
}

TEST_F(MainWindow, ResistivityCalculatorShowsOhmCentimetres)
{
    Open(Example("furnace.tsn"));
    w->mnuCalcResistivity->trigger();
    frmCalcResistivity* calc = w->CalcResistivity();
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(calc->windowTitle(), QStringLiteral("Resistivity Calculation"));
    EXPECT_FALSE(calc->isModal());
    calc->txtVoltage->setText(QStringLiteral("0"));
    Click(calc->cmdCalc);
    EXPECT_EQ(calc->txtResistivity->text(), QStringLiteral("0"));
    calc->txtVoltage->setText(QStringLiteral("5"));
    Click(calc->cmdCalc);
    EXPECT_EQ(calc->txtResistivity->text(),
              Q(w->Logic().CalcResistivity("5"))); // the logic's ohm cm, as shown
    EXPECT_NE(calc->txtResistivity->text(), Q(kUndefined));
    calc->txtVoltage->setText(QStringLiteral("five"));
    Click(calc->cmdCalc);
    EXPECT_EQ(calc->txtResistivity->text(), Q(kUndefined));
}

TEST_F(MainWindow, ABoundaryTypeTheModelCannotTakeIsReportedWithTheValueUsed)
{
    Open(Example("furnace.tsn"));
    Initialize();
    w->mnuModifyAssembly->trigger();
    auto* editor = dynamic_cast<frmParts*>(w->AuxWindowIfOpen(AuxWindow::Parts));
    ASSERT_NE(editor, nullptr);
    const auto& ibcs = w->Logic().settings.ibcs;
    ASSERT_EQ(ibcs, (std::array<std::int16_t, 5>{0, 0, 1, 1, 0}));

    // An isothermal axis asked for: the axis stays zero flux and the model stays initialized.
    Click(editor->picBoundaryType[0]);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Boundary type ibcs(1) = 1 is replaced by 0: the axis "
                                          "is always zero flux."));
    EXPECT_TRUE(w->Logic().grid.Initialized);

    // The outer radius insulated, then the top: the top is the last held side and stays held.
    Click(editor->picBoundaryType[1]);
    Click(editor->picBoundaryType[2]);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1],
              QStringLiteral("Boundary type ibcs(3) = 0 is replaced by 1: one of the sides r = "
                             "rmax, z = zmax and z = 0 must be held at the boundary temperature; "
                             "hold another side first."));
    EXPECT_EQ(ibcs, (std::array<std::int16_t, 5>{0, 0, 0, 1, 0}));
    EXPECT_FALSE(w->Logic().grid.Initialized);
}

TEST_F(MainWindow, TheLargePictureTakesTheReplotsUntilItCloses)
{
    Open(Example("furnace.tsn"));
    w->txtPixels->setText(QStringLiteral("300"));
    Click(w->cmdFullPicture);
    frmFullPicture* big = w->FullPicture();
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->windowTitle(), QStringLiteral("Big Picture"));
    EXPECT_EQ(&w->ActivePic(), &big->Surface());
    EXPECT_EQ(big->Surface().image.Width(), 300);
    EXPECT_FALSE(big->Surface().BufferBitmap.isNull());
    EXPECT_EQ(big->mnuSaveBitmap->text(), QStringLiteral("Save Bitmap"));

    // "Save Bitmap" saves the large picture; a .png name gives a PNG.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.png"));
    answers.push_back(file);
    big->mnuSaveBitmap->trigger();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().title, "Save Picture");
    EXPECT_TRUE(requests.back().save);
    EXPECT_EQ(requests.back().filters.front().second, "*.bmp");
    QImage saved;
    ASSERT_TRUE(saved.load(file, "PNG"));
    EXPECT_EQ(saved.width(), 300);

    big->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(&w->ActivePic(), &w->MainSurface());
    EXPECT_EQ(w->FullPicture(), nullptr);

    // A cancelled save dialog writes nothing and says nothing.
    w->mnuSaveBitmap->trigger();
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindow, MenuEntriesOpenTheirWindowsThroughOneFunction)
{
    Open(Example("furnace.tsn"));
    w->mnuAbout->trigger();
    ASSERT_NE(w->About(), nullptr);
    EXPECT_TRUE(w->About()->isVisible());
    EXPECT_FALSE(w->About()->lblCredits->text().isEmpty());

    // An entry without a window behind it is off; a contributed window turns it on.
    EXPECT_TRUE(w->mnuModifyAssembly->isEnabled());
    w->SetAuxWindowFactory(AuxWindow::Parts, {});
    w->FormUpdate();
    EXPECT_FALSE(w->mnuModifyAssembly->isEnabled());
    int made = 0;
    w->SetAuxWindowFactory(AuxWindow::Parts, [&made](frmMain& main) -> QWidget* {
        ++made;
        auto* d = new QDialog(&main);
        d->setWindowTitle(QStringLiteral("Modify the Assembly"));
        return d;
    });
    w->FormUpdate();
    EXPECT_TRUE(w->mnuModifyAssembly->isEnabled());
    w->mnuModifyAssembly->trigger();
    w->mnuModifyAssembly->trigger();
    EXPECT_EQ(made, 1); // the open window is shown again, not made anew
    QWidget* editor = w->AuxWindowIfOpen(AuxWindow::Parts);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());

    w->mnuMaterialProperties->trigger();
    ASSERT_NE(w->AuxWindowIfOpen(AuxWindow::MaterialProperties), nullptr);
    // The profiles need a built model; the conductivity plot builds it when it opens.
    EXPECT_FALSE(w->mnuPlotT->isEnabled());
    w->mnuPlotConductivities->trigger();
    ASSERT_NE(w->AuxWindowIfOpen(AuxWindow::Thermal), nullptr);
    delete w->AuxWindowIfOpen(AuxWindow::Thermal);
    EXPECT_TRUE(w->Logic().grid.Initialized);
    EXPECT_TRUE(w->mnuPlotT->isEnabled());
    w->mnuPlotT->trigger();
    ASSERT_NE(w->AuxWindowIfOpen(AuxWindow::PlotT), nullptr);

    // A window that cannot be made reports why, and the main window goes on.
    w->SetAuxWindowFactory(AuxWindow::Thermal, [](frmMain&) -> QWidget* {
        throw std::runtime_error("the conductivity plot could not be made");
    });
    w->mnuPlotConductivities->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("the conductivity plot could not be made"));
    EXPECT_EQ(StatusLines().value(0), Q(kStatusReady));

    // Closing the main window closes the windows it owns.
    w->close();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(w->About()->isVisible());
}

TEST_F(MainWindow, MenuSaveCommitsTheBoxBeingEdited)
{
    Open(Example("furnace.tsn"));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->txtCurrent->setFocus();
    w->txtCurrent->selectAll();
    QTest::keyClicks(w->txtCurrent, QStringLiteral("175"));
    ASSERT_TRUE(w->txtCurrent->hasFocus());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.tsn"));
    answers.push_back(file);
    w->mnuSave->trigger();
    EXPECT_FLOAT_EQ(w->Logic().settings.ElectricCurrent, 175.0f);
    ASSERT_TRUE(QFile::exists(file));
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("175"));
}

TEST_F(MainWindow, ThePictureGrowsWithTheWindowAndTextFits)
{
    Open(Example("furnace.tsn"));
    const PictureSurface& shown = *w->picAssemblyDrawing->Surface();
    auto fitted = [&] {
        QTest::qWait(kPictureResizeDelay + 100);
        const QSize box = w->picAssemblyDrawing->size();
        return shown.image.Width() == std::min(box.width(), box.height()) &&
               shown.image.Height() == shown.image.Width();
    };
    w->resize(1900, 1050);
    ASSERT_TRUE(fitted());
    const int large = shown.image.Width();
    EXPECT_GT(large, kMainPictureSide);
    // Drawn anew at that size: the model's middle shows a part, not the blank margin.
    const PictureState& p = w->Picture();
    const float rmax = w->Logic().grid.rmax;
    const float zmax = w->Logic().grid.zmax;
    EXPECT_NEAR(p.PixelX(rmax) - p.PixelX(0.0f), large * rmax / p.PicSide, 1.0);
    EXPECT_NE(shown.image.Point(static_cast<int>(p.PixelX(rmax / 2)),
                                static_cast<int>(p.PixelY(zmax / 2))),
              p.BorderColor);
    w->resize(1200, 700);
    ASSERT_TRUE(fitted());
    EXPECT_LT(shown.image.Width(), large);

    // A long report line wraps instead of running out of the box.
    w->Logic().WriteReport(std::string(12, 'x') + std::string(30, ' ') + std::string(300, 'y'));
    QCoreApplication::processEvents();
    EXPECT_EQ(w->picreport->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(w->picreport->document()->lastBlock().layout()->lineCount(), 1);

    // The number boxes hold a Single with all its digits.
    const QString single = QStringLiteral("-119.823715");
    for (QLineEdit* box :
         {w->txtRmax, w->txtBoundaryCondition, w->txtCurrent, w->txtConvergeToResidual, w->txtGoToT,
          w->txtTError, w->txtW, w->txtContourLevel[0], w->txtContourLevel[1]}) {
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
        const QRect text = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
        EXPECT_LE(box->fontMetrics().horizontalAdvance(single) + 4, text.width())
            << box->objectName().toStdString();
    }

    // The voltages say their unit.
    Initialize();
    EXPECT_TRUE(w->picVolts->text().endsWith(QStringLiteral(" V")))
        << w->picVolts->text().toStdString();
    EXPECT_TRUE(w->picTheorVolt->text().endsWith(QStringLiteral(" V")));
}

TEST_F(MainWindow, FitsAScreenOf1366By768)
{
    Open(Example("furnace.tsn"));
    // The contents at their preferred size, with the menu bar and a title bar of 30 pixels,
    // fit the screen less a task bar of 40 pixels.
    auto* scroll = qobject_cast<QScrollArea*>(w->centralWidget());
    ASSERT_NE(scroll, nullptr);
    const QSize contents = scroll->widget()->sizeHint();
    const int menu = w->menuBar()->sizeHint().height();
    EXPECT_LE(contents.width() + 8, 1366) << contents.width();
    EXPECT_LE(contents.height() + menu + 30, 768 - 40) << contents.height();
}

TEST_F(MainWindow, AnotherAssemblyClearsTheOldResultsAndUnsavedWorkIsAskedAbout)
{
    Open(Example("furnace.tsn"));
    Initialize();
    Type(w->txtNCycles, QStringLiteral("1"));
    Click(w->cmdRunManyCycles);
    ASSERT_FALSE(w->picIntegratedPower->text().isEmpty());
    ASSERT_FALSE(w->picResidual->text().isEmpty());
    ASSERT_FALSE(w->lblElapsed->text().isEmpty());
    // NCycles is stored in the file: the window shows the assembly as modified.
    EXPECT_TRUE(w->isWindowModified());

    // Keeping the changes leaves everything as it was, without a file dialog.
    saveAnswers.push_back(SaveChoice::Cancel);
    w->mnuOpen->trigger();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], Q(kAskSaveBeforeOpen));
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(w->Logic().settings.ncycles, 1);

    // Discarded, another assembly is read, and nothing of the old model's run stays beside it.
    saveAnswers.push_back(SaveChoice::Discard);
    answers.push_back(Example("tapered_furnace.tsn"));
    w->mnuOpen->trigger();
    EXPECT_TRUE(Caption(*w).endsWith(QStringLiteral("tapered_furnace.tsn")));
    EXPECT_FALSE(w->isWindowModified());
    for (const QLabel* shown : {w->picIntegratedPower, w->picAmps, w->picResistance, w->picVolts,
                                w->picResidual, w->picConvergence, w->lblElapsed})
        EXPECT_TRUE(shown->text().isEmpty())
            << shown->objectName().toStdString() << ": " << shown->text().toStdString();
    EXPECT_EQ(w->prgRun->value(), 0);

    // Closing asks too: kept, the window stays; saved, it closes and the file has the change.
    Type(w->txtCurrent, QStringLiteral("175"));
    EXPECT_TRUE(w->isWindowModified());
    saveAnswers.push_back(SaveChoice::Cancel);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(questions.size(), 3);
    EXPECT_EQ(questions.back(), Q(kAskSaveBeforeClose));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kept.tsn"));
    saveAnswers.push_back(SaveChoice::Save);
    answers.push_back(file);
    EXPECT_TRUE(w->close());
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("175"));
}

TEST_F(MainWindow, KeysReachTheMenusTheRunsAndStopAndTabGoesDownEachFrame)
{
    Open(Example("furnace.tsn"));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(w->mnuFile->title(), QStringLiteral("&File"));
    EXPECT_EQ(w->mnuSave->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(w->mnuExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, std::string(kOpenTSNTitle));

    QTest::keyClick(w.get(), Qt::Key_F4);
    ASSERT_TRUE(w->Logic().grid.Initialized);
    // A count typed but not yet confirmed is taken by the key, as a click would take it; Escape
    // reaches the run at the pump that starts cycle 3.
    w->txtNCycles->setFocus();
    w->txtNCycles->selectAll();
    QTest::keyClicks(w->txtNCycles, QStringLiteral("3"));
    AtPumpAfter(QStringLiteral("Cycle 2"), [&] { QTest::keyClick(w.get(), Qt::Key_Escape); });
    QTest::keyClick(w.get(), Qt::Key_F5);
    EXPECT_EQ(w->Logic().settings.ncycles, 3);
    EXPECT_TRUE(Reported(QStringLiteral("Cycle 2")));
    EXPECT_FALSE(Reported(QStringLiteral("Cycle 3")));
    EXPECT_TRUE(Reported(Q(kReportStopped)));

    // Tab goes down a frame row by row, then on to the next frame. (Initialize is off once the
    // model is initialized, and the two grid options are one stop.)
    const std::vector<QWidget*> down{
        w->txtBoundaryCondition, w->txtCurrent,  w->chkIncludePress, w->cmdMakeT,
        w->optGrid[0],           w->chkRedBlack, w->txtNInner,       w->txtPixels};
    const std::vector<QWidget*> runs{w->cmdRunManyCycles,
                                     w->txtNCycles,
                                     w->cmdConvergeToResidual,
                                     w->txtConvergeToResidual,
                                     w->cmdGoToT,
                                     w->txtGoToT,
                                     w->cmdStop,
                                     w->txtTError};
    for (const auto* chain : {&down, &runs}) {
        chain->front()->setFocus();
        for (std::size_t k = 1; k < chain->size(); ++k) {
            QWidget* now = QApplication::focusWidget();
            QTest::keyClick(now, Qt::Key_Tab);
            QWidget* next = QApplication::focusWidget();
            EXPECT_EQ(next, (*chain)[k]) << "after " << now->objectName().toStdString() << " came "
                                         << (next ? next->objectName().toStdString() : "nothing");
        }
    }
}

TEST_F(MainWindow, OpenRecentReopensAndTheDialogsStartWhereTheUserWorked)
{
    RecentAssemblies().Clear();
    Open(Example("furnace.tsn"));
    QTemporaryDir dir;
    const QString savedPath = dir.filePath(QStringLiteral("saved.tsn"));
    answers.push_back(savedPath);
    w->mnuSave->trigger();
    ASSERT_TRUE(QFile::exists(savedPath));
    // Newest first, each with its number as mnemonic, then the entry that clears the list.
    QList<QAction*> entries = Shown(w->mnuOpenRecent);
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&1 saved.tsn"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("&2 furnace.tsn"));
    EXPECT_EQ(entries[3], w->mnuClearRecent);

    // The bitmap dialog opens in the folder of the assembly, not in the program's.
    requests.clear();
    w->mnuSaveBitmap->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(QFile::decodeName(requests[0].folder.c_str()), dir.path());

    // An entry opens its file without a dialog.
    entries[1]->trigger();
    EXPECT_TRUE(Caption(*w).endsWith(QStringLiteral("/furnace.tsn")));
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(Shown(w->mnuOpenRecent)[0]->text(), QStringLiteral("&1 furnace.tsn"));

    // The next start asks in the folder of the newest entry.
    {
        frmMain next;
        std::vector<FileRequest> asked;
        next.Front().FileDialogOverride = [&](const FileRequest& r) -> std::optional<QString> {
            asked.push_back(r);
            return Example("furnace.tsn");
        };
        next.Form_Load();
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(QFileInfo(QFile::decodeName(asked[0].folder.c_str())).canonicalFilePath(),
                  QFileInfo(Example("furnace.tsn")).canonicalPath());
    }

    // A file that has gone is said so and leaves the list.
    ASSERT_TRUE(QFile::remove(savedPath));
    Shown(w->mnuOpenRecent)[1]->trigger();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.back().contains(QStringLiteral("saved.tsn")));
    EXPECT_TRUE(Caption(*w).endsWith(QStringLiteral("/furnace.tsn")));
    EXPECT_EQ(RecentAssemblies().Paths().size(), 1);
    w->mnuClearRecent->trigger();
    EXPECT_TRUE(RecentAssemblies().Paths().isEmpty());
    ASSERT_EQ(Shown(w->mnuOpenRecent).size(), 1);
    EXPECT_FALSE(Shown(w->mnuOpenRecent)[0]->isEnabled()); // "(no recent assemblies)"
}

} // namespace
