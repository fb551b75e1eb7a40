// The assembly editor window over the main window's logic: typing in inches and as diameters,
// the kept length, names typed over the list entries, materials and heating buttons, the boundary
// swatches, front and back, a new assembly, drawing parts one by one, and an edit that takes the
// main window out of the ready state.
#include "common/colour.h"
#include "graphics/picturestate.h"
#include "simulation/mainlogic.h"
#include "ui/auxpicturebox.h"
#include "ui/frmmain.h"
#include "ui/frmparts.h"
#include "ui/picturebox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <set>

namespace tarsen {
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

constexpr std::int32_t kMat0 = RGB(10, 160, 10);
constexpr std::int32_t kMat1 = RGB(230, 200, 40);

/// The editor over a logic with three materials (an insulator, a heater, and one without a
/// name of its own) and a 10 x 10 mm model drawn on a 120-pixel picture: part 0 (material 0)
/// covers r 0 ... 5, z 2 ... 6 in front of part 1 (material 1), which fills the model.
struct Window {
    RecordingFrontEnd front;
    MainLogic logic{(App(), front)};
    PictureState picture;
    PictureSurface pic{120};
    int refreshes = 0, redraws = 0, drawn = 0;
    std::vector<int> materialsShown;
    std::optional<FormState> applied;
    std::unique_ptr<frmParts> w;

    Window()
    {
        clsMaterialProperties& table = logic.materialproperties;
        EXPECT_TRUE(table.NumberOfMaterials(3));
        table.Entry(0).MaterialNames = "Alumina";
        table.Entry(0).cond[0] = 30.0f;
        table.Entry(1).MaterialNames = "Graphite";
        table.Entry(1).cond[0] = 100.0f;
        table.Entry(1).R0 = 1e-5f;
        table.Entry(2).MaterialNames = "Zirconia";
        table.Entry(2).cond[0] = 2.0f;
        for (int m = 0; m < 3; ++m)
            table.Entry(m).HasThermal = true;
        logic.Tarsen.MaterialColors(0, kMat0);
        logic.Tarsen.MaterialColors(1, kMat1);
        AddPart(0, "Plug", 0, 0.0f, 5.0f, 2.0f, 6.0f);
        AddPart(1, "Furnace", 1, 0.0f, 10.0f, 0.0f, 10.0f);
        logic.grid.rmax = logic.grid.zmax = 10.0f;
        logic.grid.nr = logic.grid.nz = 10;
        logic.ApplyFormState = [this](const FormState& s) { applied = s; };
        picture.SetLocalMatColors(PictureModelOf(logic));

        PartsEditorLinks links;
        links.RefreshMain = [this] {
            ++refreshes;
            logic.FormUpdate();
        };
        links.RedrawAssembly = [this] { ++redraws; };
        links.Picture = &picture;
        links.ActivePic = [this] { return &pic; };
        links.PictureDrawn = [this] { ++drawn; };
        links.MaterialChosen = [this](int m) { materialsShown.push_back(m); };
        w = std::make_unique<frmParts>(logic, std::move(links));
        w->show();
    }
    void AddPart(int index, const char* name, int material, float r0, float r1, float z0, float z1)
    {
        logic.Tarsen.CreateCellPart(index, name);
        clsAssemblyPart& p = logic.Tarsen.CellPart(index);
        p.MaterialIndex = static_cast<std::int16_t>(material);
        p.InnerRadius(r0);
        p.OuterRadius(r1);
        p.MinHeight(z0);
        p.MaxHeight(z1);
    }
    clsAssemblyPart& Part(int i) { return logic.Tarsen.CellPart(i); }
    /// The user picks list entry i.
    void Choose(int i)
    {
        w->cboPartIdentity->setCurrentIndex(i);
        emit w->cboPartIdentity->activated(i);
    }
    /// The user replaces the text of a box, key by key.
    static void Type(QLineEdit* box, const char* text)
    {
        box->clear();
        QTest::keyClicks(box, QString::fromUtf8(text));
    }
    std::int32_t At(int x, int y) const { return pic.image.Point(x, y); }
};

TEST(frmParts, InchesAndDiameterConvertTypedAndShownValues)
{
    Window f;
    frmParts& w = *f.w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Modify the Assembly"));
    EXPECT_TRUE(w.optUnits[0]->isChecked());
    EXPECT_TRUE(w.optRadiusType[0]->isChecked());
    f.Choose(0);
    EXPECT_EQ(w.txtOuter->text(), QStringLiteral("5"));

    w.optUnits[1]->click();
    EXPECT_EQ(w.Editor().UnitFactor, kUnitInches);
    Window::Type(w.txtOuter, "1");
    EXPECT_FLOAT_EQ(f.Part(0).OuterRadius(), 25.4f);
    w.optRadiusType[1]->click();
    EXPECT_EQ(w.txtOuter->text(), QStringLiteral("2")); // 25.4 mm radius is a 2-inch diameter
    Window::Type(w.txtOuter, "1");
    EXPECT_FLOAT_EQ(f.Part(0).OuterRadius(), 12.7f);
    EXPECT_EQ(w.txtLength->text(), QStringLiteral("0.15748031")); // 4 mm in inches

    w.optUnits[0]->click();
    EXPECT_EQ(w.txtOuter->text(), QStringLiteral("25.4"));
    EXPECT_EQ(w.txtLength->text(), QStringLiteral("4"));
    EXPECT_FLOAT_EQ(f.Part(0).MinHeight(), 2.0f); // changing units stores nothing
}

TEST(frmParts, TypingKeyByKeyAndTheKeptLength)
{
    Window f;
    frmParts& w = *f.w;
    f.Choose(0);
    const int redrawsBefore = f.redraws;

    // "-" is ignored, "-3" applied, "-3." is the same number, then the part follows the box.
    w.txtInner->clear();
    QTest::keyClick(w.txtInner, Qt::Key_Minus);
    EXPECT_FLOAT_EQ(f.Part(0).InnerRadius(), 0.0f);
    EXPECT_EQ(f.redraws, redrawsBefore);
    QTest::keyClicks(w.txtInner, QStringLiteral("3."));
    EXPECT_FLOAT_EQ(f.Part(0).InnerRadius(), -3.0f);
    EXPECT_EQ(w.txtInner->text(), QStringLiteral("-3.")); // the box is left as typed
    QTest::keyClick(w.txtInner, Qt::Key_5);
    EXPECT_FLOAT_EQ(f.Part(0).InnerRadius(), -3.5f);
    QTest::keyClick(w.txtInner, Qt::Key_X);
    EXPECT_FLOAT_EQ(f.Part(0).InnerRadius(), -3.5f);
    EXPECT_EQ(f.redraws, redrawsBefore + 2);

    // Minimum z 0, length 10; a new minimum of 2 keeps the length: MaxHeight 12.
    Window::Type(w.txtMinHeight, "0");
    Window::Type(w.txtLength, "10");
    Window::Type(w.txtMinHeight, "2");
    EXPECT_FLOAT_EQ(f.Part(0).MinHeight(), 2.0f);
    EXPECT_FLOAT_EQ(f.Part(0).MaxHeight(), 12.0f);
    EXPECT_EQ(w.txtLength->text(), QStringLiteral("10"));
    // With the length box unreadable the stored length stays.
    Window::Type(w.txtLength, "?");
    Window::Type(w.txtMinHeight, "1");
    EXPECT_FLOAT_EQ(f.Part(0).MaxHeight(), 11.0f);

    // The part properties follow the typing.
    f.logic.materialproperties.Entry(0).density = 4.0f;
    Window::Type(w.txtInner, "0");
    Window::Type(w.txtOuter, "10");
    EXPECT_EQ(w.txtDensity->text(), QStringLiteral("4"));
    EXPECT_NEAR(w.txtVolume->text().toDouble(), 3141.5927, 1e-3); // 100 pi x 10, Singles
    EXPECT_EQ(w.txtMass->text(), QStringLiteral("12.566"));
}

TEST(frmParts, ListSuffixesAndNamesTypedOverThem)
{
    Window f;
    frmParts& w = *f.w;
    f.Part(4).Name = "Spare";
    w.FormUpdate();
    ASSERT_EQ(w.cboPartIdentity->count(), 31);
    EXPECT_EQ(w.cboPartIdentity->itemText(0), QStringLiteral("Plug (included)."));
    EXPECT_EQ(w.cboPartIdentity->itemText(4), QStringLiteral("Spare (ignored)."));
    EXPECT_EQ(w.cboPartIdentity->itemText(5), QStringLiteral("."));
    EXPECT_EQ(w.cboPartIdentity->currentText(), QString());
    EXPECT_FALSE(w.txtOuter->isEnabled()); // no part selected

    f.Choose(1);
    QLineEdit* edit = w.cboPartIdentity->lineEdit();
    EXPECT_EQ(edit->text(), QStringLiteral("Furnace (included)."));
    // The user types behind the shown entry, then leaves the box.
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral(" 2"));
    EXPECT_EQ(f.Part(1).Name, "Furnace 2");
    emit edit->editingFinished();
    EXPECT_EQ(w.cboPartIdentity->itemText(1), QStringLiteral("Furnace 2 (included)."));
    EXPECT_EQ(edit->text(), QStringLiteral("Furnace 2 (included)."));

    // Arrow keys move the selection; they rename nothing.
    QTest::keyClick(w.cboPartIdentity, Qt::Key_Down);
    EXPECT_EQ(w.ActiveIndex(), 2);
    EXPECT_EQ(f.logic.PartIndex, 2);
    EXPECT_EQ(f.Part(1).Name, "Furnace 2");
    EXPECT_EQ(f.Part(2).Name, ".");
    QTest::keyClick(w.cboPartIdentity, Qt::Key_Up);
    EXPECT_EQ(w.ActiveIndex(), 1);
    EXPECT_EQ(f.Part(1).Name, "Furnace 2");
}

TEST(frmParts, ChoosingAMaterialIncludesThePartAndSetsTheHeatingButtons)
{
    Window f;
    frmParts& w = *f.w;
    f.Part(4).Name = "Capsule";
    f.Choose(4);
    EXPECT_EQ(w.cboMaterial->currentIndex(), -1);
    EXPECT_EQ(w.cboMaterial->placeholderText(), QStringLiteral("(none)"));
    ASSERT_EQ(w.cboMaterial->count(), 3);
    EXPECT_EQ(w.cboMaterial->itemText(2), QStringLiteral("Zirconia"));
    for (int k = 1; k <= 3; ++k)
        EXPECT_FALSE(w.optHeating[static_cast<std::size_t>(k)]->isEnabled()) << k;

    f.logic.grid.Initialized = true;
    w.cboMaterial->setCurrentIndex(1);
    emit w.cboMaterial->activated(1);
    EXPECT_EQ(f.Part(4).MaterialIndex, 1);
    EXPECT_TRUE(f.Part(4).Include);
    EXPECT_FALSE(f.logic.grid.Initialized);
    EXPECT_EQ(f.materialsShown, std::vector<int>{1});
    EXPECT_EQ(w.cboPartIdentity->itemText(4), QStringLiteral("Capsule (included)."));
    for (int k = 0; k <= 3; ++k)
        EXPECT_TRUE(w.optHeating[static_cast<std::size_t>(k)]->isEnabled()) << k;
    w.optHeating[kRadialHeating]->click();
    EXPECT_EQ(f.Part(4).HeatingType, kRadialHeating);

    // Graphite's resistivity taken away: only "Non-heating" stays usable.
    f.logic.materialproperties.Entry(1).R0 = 0.0f;
    w.FormUpdate();
    EXPECT_TRUE(w.optHeating[kRadialHeating]->isChecked());
    EXPECT_FALSE(w.optHeating[kAxialHeating]->isEnabled());
    EXPECT_TRUE(w.optHeating[kNonHeating]->isEnabled());
    w.optHeating[kNonHeating]->click();
    EXPECT_EQ(f.Part(4).HeatingType, kNonHeating);
}

TEST(frmParts, BoundarySwatchesToggleThroughTheSolvabilityRule)
{
    Window f;
    frmParts& w = *f.w;
    auto& ibcs = f.logic.settings.ibcs;
    ibcs = {0, 0, 1, 1, 0};
    w.FormUpdate();
    EXPECT_EQ(w.lblBoundaryTypes[3]->text(), QStringLiteral("z = 0. Zero-flux."));
    EXPECT_EQ(LongOfQColor(w.picBoundaryType[3]->palette().color(QPalette::Window)), kRed);

    // Twice on the bottom: isothermal, then back.
    QTest::mouseClick(w.picBoundaryType[3], Qt::LeftButton);
    EXPECT_EQ(ibcs[4], 1);
    EXPECT_EQ(w.lblBoundaryTypes[3]->text(), QStringLiteral("z = 0. Isothermal."));
    EXPECT_EQ(LongOfQColor(w.picBoundaryType[3]->palette().color(QPalette::Window)), kBlue);
    QTest::mouseClick(w.picBoundaryType[3], Qt::LeftButton);
    EXPECT_EQ(ibcs, (std::array<std::int16_t, 5>{0, 0, 1, 1, 0}));
    EXPECT_EQ(w.lblBoundaryTypes[3]->text(), QStringLiteral("z = 0. Zero-flux."));

    // The axis is always zero flux, and the last isothermal side stays isothermal; each refusal
    // says which value is used.
    EXPECT_TRUE(f.front.m_messages.empty());
    QTest::mouseClick(w.picBoundaryType[0], Qt::LeftButton);
    EXPECT_EQ(ibcs[1], 0);
    QTest::mouseClick(w.picBoundaryType[1], Qt::LeftButton);
    EXPECT_EQ(ibcs, (std::array<std::int16_t, 5>{0, 0, 0, 1, 0}));
    QTest::mouseClick(w.picBoundaryType[2], Qt::LeftButton);
    EXPECT_EQ(ibcs, (std::array<std::int16_t, 5>{0, 0, 0, 1, 0}));
    EXPECT_EQ(f.front.m_messages,
              (std::vector<std::string>{MsgIbcsReplaced({1, 1, 0}), MsgIbcsReplaced({3, 0, 1})}));
    EXPECT_EQ(w.lblBoundaryTypes[2]->text(), QStringLiteral("z = zmax. Isothermal."));
    EXPECT_EQ(w.lblBoundaryTypes[1]->text(), QStringLiteral("r = rmax. Zero-flux."));
}

TEST(frmParts, FrontAndBackKeepEveryPart)
{
    Window f;
    frmParts& w = *f.w;
    f.AddPart(2, "Capsule", 0, 1.0f, 2.0f, 3.0f, 4.0f);
    auto names = [&f] {
        std::string s;
        for (int i = 0; i < 3; ++i)
            s += f.Part(i).Name + "/";
        return s;
    };
    f.Choose(2);
    w.cmdBringToFront->click();
    EXPECT_EQ(names(), "Capsule/Plug/Furnace/");
    EXPECT_EQ(w.ActiveIndex(), 0);
    EXPECT_EQ(f.logic.PartIndex, 0);
    EXPECT_EQ(f.logic.DrawIndex, 0);
    EXPECT_EQ(w.cboPartIdentity->currentText(), QStringLiteral("Capsule (included)."));
    EXPECT_FLOAT_EQ(f.Part(0).OuterRadius(), 2.0f); // the part's data moved with it
    w.cmdMoveToBack->click();
    EXPECT_EQ(names(), "Plug/Furnace/Capsule/");
    EXPECT_EQ(w.ActiveIndex(), 2);
    EXPECT_EQ(w.txtInner->text(), QStringLiteral("1"));
    w.cmdMoveToBack->click(); // already behind every included part
    EXPECT_EQ(names(), "Plug/Furnace/Capsule/");
    std::multiset<std::string> all;
    for (int i = 0; i <= 31; ++i)
        all.insert(f.Part(i).Name);
    EXPECT_EQ(all.count("Plug") + all.count("Furnace") + all.count("Capsule"), 3u);
    EXPECT_EQ(all.count("."), 29u);
}

TEST(frmParts, IgnoreIncludeDeleteAndNewAssembly)
{
    Window f;
    frmParts& w = *f.w;
    f.Choose(0);
    w.cmdIgnorePart->click();
    EXPECT_FALSE(f.Part(0).Include);
    EXPECT_EQ(w.cboPartIdentity->currentText(), QStringLiteral("Plug (ignored)."));
    w.cmdIncludePart->click();
    EXPECT_TRUE(f.Part(0).Include);
    w.cmdDeletePart->click();
    EXPECT_EQ(f.Part(0).Name, ".");
    EXPECT_EQ(w.cboPartIdentity->currentText(), QStringLiteral("."));
    EXPECT_EQ(w.txtOuter->text(), QStringLiteral("0"));

    f.Choose(1);
    f.logic.Tarsen.ThermocouplePosition(0, 1, 5.0f);
    w.cmdNewAssembly->click();
    for (int i = 0; i <= 31; ++i) {
        EXPECT_FALSE(f.Part(i).Include) << i;
        EXPECT_EQ(f.Part(i).Name, ".") << i;
        EXPECT_EQ(f.Part(i).MaterialIndex, -1) << i;
    }
    EXPECT_EQ(f.logic.PartIndex, -1);
    EXPECT_EQ(f.logic.DrawIndex, -1);
    EXPECT_EQ(w.ActiveIndex(), -1);
    EXPECT_EQ(w.cboPartIdentity->currentText(), QString());
    EXPECT_EQ(w.txtOuter->text(), QString());
    EXPECT_FALSE(w.txtOuter->isEnabled());
    EXPECT_FALSE(w.cmdDeletePart->isEnabled());
    EXPECT_FALSE(w.cmdNextInSequence->isEnabled());
    EXPECT_EQ(w.txtThermocoupleJ[0]->text(), QStringLiteral("5"));
    // Without a selection typing changes nothing.
    QTest::keyClicks(w.txtOuter, QStringLiteral("3"));
    EXPECT_FLOAT_EQ(f.Part(-1).OuterRadius(), 0.0f);
}

TEST(frmParts, APartSelectedOnThePictureIsShownBeforeItIsEdited)
{
    Window f;
    frmParts& w = *f.w;
    f.Choose(0);
    // A click on the main picture selects part 1; the editor has not been refreshed yet.
    f.logic.PartIndex = 1;
    Window::Type(w.txtOuter, "7");
    EXPECT_FLOAT_EQ(f.Part(0).OuterRadius(), 5.0f);
    EXPECT_FLOAT_EQ(f.Part(1).OuterRadius(), 10.0f);
    EXPECT_EQ(w.ActiveIndex(), 1);
    EXPECT_EQ(w.txtOuter->text(), QStringLiteral("10")); // now showing part 1
    Window::Type(w.txtOuter, "7");
    EXPECT_FLOAT_EQ(f.Part(1).OuterRadius(), 7.0f);
}

TEST(frmParts, ThermocouplesAreStoredWhenTheBoxIsLeft)
{
    Window f;
    frmParts& w = *f.w;
    const int before = f.refreshes;
    QLineEdit* box = w.txtThermocoupleI[1];
    Window::Type(box, "2.5");
    EXPECT_FLOAT_EQ(f.logic.Tarsen.ThermocouplePosition(1, 0), 0.0f); // not while typing
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FLOAT_EQ(f.logic.Tarsen.ThermocouplePosition(1, 0), 2.5f);
    EXPECT_EQ(f.refreshes, before + 1);
    EXPECT_FLOAT_EQ(f.logic.ThermocouplePositions[1][0], 2.5f); // the main window copied it
    Window::Type(box, "two");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FLOAT_EQ(f.logic.Tarsen.ThermocouplePosition(1, 0), 2.5f);
    EXPECT_EQ(box->text(), QStringLiteral("2.5"));
    EXPECT_EQ(f.refreshes, before + 1);
}

TEST(frmParts, DrawThisPartThenTheNextInSequence)
{
    Window f;
    frmParts& w = *f.w;
    f.Choose(1);
    w.cmdDrawPart->click();
    EXPECT_EQ(f.drawn, 1);
    EXPECT_EQ(f.At(35, 50), kMat1); // part 1 alone: part 0 is not drawn
    EXPECT_EQ(f.At(85, 50), kMat1);
    EXPECT_EQ(f.At(5, 60), kWhite); // the margin
    EXPECT_EQ(f.logic.DrawIndex, 0);
    w.cmdNextInSequence->click();
    EXPECT_EQ(f.At(35, 50), kMat0); // part 0 drawn over it
    EXPECT_EQ(f.At(85, 50), kMat1);
    EXPECT_EQ(f.logic.DrawIndex, -1);
    EXPECT_FALSE(w.cmdNextInSequence->isEnabled());
    w.cmdNextInSequence->click();
    EXPECT_EQ(f.logic.DrawIndex, -1);
    EXPECT_EQ(f.drawn, 2);

    f.Choose(0);
    w.cmdDrawPart->click();
    EXPECT_EQ(f.At(35, 50), kMat0);
    EXPECT_EQ(f.At(85, 50), kWhite); // only part 0 on a cleared model
    EXPECT_EQ(f.logic.DrawIndex, -1);

    const int redraws = f.redraws;
    w.cmdDrawAssemblyFast->click();
    EXPECT_EQ(f.redraws, redraws + 1);
}

TEST(frmParts, AnEditTakesTheMainWindowOutOfTheReadyState)
{
    Window f;
    frmParts& w = *f.w;
    f.Part(1).HeatingType = kAxialHeating;
    f.logic.Initialize();
    ASSERT_TRUE(f.logic.grid.Initialized) << f.logic.StatusText;
    f.logic.FormUpdate();
    ASSERT_TRUE(f.applied);
    EXPECT_TRUE(f.applied->enabled.frameGo);
    EXPECT_FALSE(f.applied->enabled.cmdInitialize);

    // Selecting and changing units edit nothing: the model stays ready.
    f.Choose(0);
    w.optUnits[1]->click();
    EXPECT_TRUE(f.logic.grid.Initialized);

    const int redraws = f.redraws;
    Window::Type(w.txtOuter, "2");
    EXPECT_FALSE(f.logic.grid.Initialized);
    EXPECT_EQ(f.redraws, redraws + 1);
    EXPECT_FALSE(f.applied->enabled.frameGo);
    EXPECT_TRUE(f.applied->enabled.cmdInitialize);
    EXPECT_EQ(f.applied->StatusText, kMsgDesignMode);

    // Closing the editor refreshes and redraws the main window.
    const int refreshes = f.refreshes;
    w.close();
    EXPECT_EQ(f.refreshes, refreshes + 1);
    EXPECT_EQ(f.redraws, redraws + 2);
}

TEST(frmParts, SaveWritesTheEditedAssembly)
{
    Window f;
    frmParts& w = *f.w;
    f.Choose(1);
    Window::Type(w.txtTaperAngle, "80");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("edited.tsn")).toStdString();
    f.front.m_fileAnswers.push_back(path);
    w.Command3->click();
    ASSERT_EQ(f.front.m_fileRequests.size(), 1u);
    EXPECT_TRUE(f.front.m_fileRequests[0].save);

    clsTarsen back;
    clsMaterialProperties table;
    AssemblySettings settings;
    RecordingFrontEnd readFront;
    const ReadTarsenResult read = ReadTarsen(back, table, settings, readFront, path);
    ASSERT_EQ(read.status, ReadTarsenStatus::Read) << read.error;
    EXPECT_EQ(back.CellPart(1).Name, "Furnace");
    EXPECT_FLOAT_EQ(back.CellPart(1).TaperAngle(), 80.0f);
    EXPECT_TRUE(back.CellPart(1).Include);
}

TEST(frmParts, DestroyedWithAFocusedBoxItReachesNoHandler)
{
    Window f;
    auto owner = std::make_unique<QWidget>();
    auto* w = new frmParts(f.logic, PartsEditorLinks{}, owner.get());
    w->setWindowFlag(Qt::Window);
    owner->show();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QLineEdit* box = w->cboPartIdentity->lineEdit();
    box->setFocus();
    ASSERT_TRUE(box->hasFocus());
    // The box loses the focus while its window is destroyed with the owner; its editingFinished
    // must not call into the half-destroyed window.
    owner.reset();
    SUCCEED();
}

TEST(frmPartsInTheMainWindow, PicturePicksThePartAndAnEditLeavesTheReadyState)
{
    App();
    frmMain main;
    QStringList messages;
    main.Front().MessageOverride = [&messages](const QString& text) { messages.push_back(text); };
    main.Form_Load(QString::fromUtf8(TARSEN_SOURCE_DIR) + QStringLiteral("/examples/furnace.tsn"));
    main.SetAuxWindowFactory(AuxWindow::Parts, MakePartsEditor);
    main.show();
    QTest::mouseClick(main.cmdInitialize, Qt::LeftButton);
    MainLogic& logic = main.Logic();
    ASSERT_TRUE(logic.grid.Initialized) << logic.StatusText;
    ASSERT_TRUE(main.mnuModifyAssembly->isEnabled());
    main.mnuModifyAssembly->trigger();
    auto* editor = dynamic_cast<frmParts*>(main.AuxWindowIfOpen(AuxWindow::Parts));
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->ActiveIndex(), -1);

    // A click on the picture selects the part there, and the open editor shows it.
    const float r = 0.5f * logic.grid.rmax, z = 0.5f * logic.grid.zmax;
    std::int16_t material = -1;
    const std::int16_t part =
        logic.Tarsen.CellPartAtPoint(r, z, logic.grid.rmax, logic.grid.zmax, material);
    ASSERT_GE(part, 0);
    const PictureState& p = main.Picture();
    const QPoint at(static_cast<int>(p.PixelX(r)), static_cast<int>(p.PixelY(z)));
    QTest::mouseClick(main.picAssemblyDrawing, Qt::LeftButton, Qt::KeyboardModifiers(), at);
    EXPECT_EQ(logic.PartIndex, part);
    EXPECT_EQ(editor->ActiveIndex(), part);
    EXPECT_EQ(editor->cboPartIdentity->currentText().toStdString(),
              PartListEntry(logic.Tarsen.CellPart(part)));
    EXPECT_TRUE(logic.grid.Initialized);
    EXPECT_TRUE(main.frameGo->isEnabled());

    const float flare = logic.Tarsen.CellPart(part).FlareAngle();
    Window::Type(editor->txtFlareAngle, "91");
    EXPECT_FLOAT_EQ(logic.Tarsen.CellPart(part).FlareAngle(), 91.0f);
    EXPECT_NE(flare, 91.0f);
    EXPECT_FALSE(logic.grid.Initialized);
    EXPECT_FALSE(main.frameGo->isEnabled());
    EXPECT_FALSE(main.cmdRunManyCycles->isEnabled());
    EXPECT_TRUE(main.cmdInitialize->isEnabled());
    EXPECT_TRUE(main.txtStatus->toPlainText().startsWith(QString::fromUtf8(kMsgDesignMode.data())))
        << main.txtStatus->toPlainText().toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

TEST(frmPartsInTheMainWindow, AnotherAssemblyIsShownAndOnlyTypedThermocouplesAreStored)
{
    App();
    frmMain main;
    QStringList messages, questions;
    std::deque<QString> files;
    std::deque<SaveChoice> choices;
    main.Front().MessageOverride = [&messages](const QString& text) { messages.push_back(text); };
    main.Front().FileDialogOverride = [&files](const FileRequest&) -> std::optional<QString> {
        if (files.empty())
            return std::nullopt;
        const QString f = files.front();
        files.pop_front();
        return f;
    };
    main.Front().SaveQuestionOverride = [&](const QString& text) {
        questions.push_back(text);
        const SaveChoice c = choices.empty() ? SaveChoice::Discard : choices.front();
        if (!choices.empty())
            choices.pop_front();
        return c;
    };
    const QString examples = QString::fromUtf8(TARSEN_SOURCE_DIR) + QStringLiteral("/examples/");
    main.Form_Load(examples + QStringLiteral("furnace.tsn"));
    main.show();
    main.mnuModifyAssembly->trigger();
    auto* editor = dynamic_cast<frmParts*>(main.AuxWindowIfOpen(AuxWindow::Parts));
    ASSERT_NE(editor, nullptr);
    MainLogic& logic = main.Logic();
    editor->cboPartIdentity->setCurrentIndex(1);
    emit editor->cboPartIdentity->activated(1);
    ASSERT_EQ(editor->ActiveIndex(), 1);
    EXPECT_EQ(editor->txtThermocoupleI[2]->text(), QStringLiteral("0"));

    // With the editor open, another assembly is read: the editor shows it, without a part
    // selected from the old one.
    files.push_back(examples + QStringLiteral("tapered_furnace.tsn"));
    main.mnuOpen->trigger();
    ASSERT_FLOAT_EQ(logic.Tarsen.ThermocouplePosition(2, 0), 2.0f);
    EXPECT_EQ(editor->txtThermocoupleI[2]->text(), QStringLiteral("2"));
    EXPECT_EQ(editor->txtThermocoupleJ[2]->text(), QStringLiteral("7"));
    EXPECT_EQ(editor->ActiveIndex(), -1);
    EXPECT_EQ(editor->cboPartIdentity->itemText(0).toStdString(),
              PartListEntry(logic.Tarsen.CellPart(0)));

    // A box that merely had the focus writes nothing, even one showing another value.
    editor->txtThermocoupleI[2]->setText(QStringLiteral("0"));
    emit editor->txtThermocoupleI[2]->editingFinished();
    EXPECT_FLOAT_EQ(logic.Tarsen.ThermocouplePosition(2, 0), 2.0f);
    EXPECT_FALSE(main.isWindowModified());
    Window::Type(editor->txtThermocoupleI[2], "1.5");
    emit editor->txtThermocoupleI[2]->editingFinished();
    EXPECT_FLOAT_EQ(logic.Tarsen.ThermocouplePosition(2, 0), 1.5f);
    EXPECT_TRUE(main.isWindowModified());

    // New Assembly would discard that change: kept on Cancel, gone on Discard.
    choices.push_back(SaveChoice::Cancel);
    editor->cmdNewAssembly->click();
    EXPECT_EQ(questions, QStringList{QString::fromUtf8(kAskSaveBeforeNew.data())});
    EXPECT_TRUE(logic.Tarsen.CellPart(0).Include);
    editor->cmdNewAssembly->click();
    EXPECT_FALSE(logic.Tarsen.CellPart(0).Include);
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

} // namespace
} // namespace tarsen
