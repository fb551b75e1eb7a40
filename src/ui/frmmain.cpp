#include "ui/frmmain.h"

#include "common/textnum.h"
#include "ui/auxpicturebox.h"
#include "ui/frmabout.h"
#include "ui/frmcalcresistivity.h"
#include "ui/frmfullpicture.h"
#include "ui/frmgraphics.h"
#include "ui/frmmaterialproperties.h"
#include "ui/frmparts.h"
#include "ui/frmplott.h"
#include "ui/frmthermal.h"
#include "ui/picturebox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextCursor>
#include <QTextOption>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

namespace tarsen {

namespace {

inline constexpr char kMsgUnexpected[] = "The command ended with an unexpected error.";
inline constexpr char kOhmsLawCaption[] =
    "Ohm's Law: numerical (above) and \"exact\" at boundary temperature (below)";

QPushButton* NewButton(const char* name, const char* caption)
{
    auto* b = new QPushButton(QString::fromLatin1(caption));
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

/// The widest texts a number box must show whole: a Single with all nine of its digits, sign
/// and point, an Integer, and a small line weight.
constexpr char kSingleSample[] = "-1234.56789";
constexpr char kIntegerSample[] = "-32768";
constexpr char kWeightSample[] = "20.5";

/// Width of a box whose text area holds sample, with the box's frame and inner margins.
int NumberBoxWidth(const QLineEdit* box, const char* sample)
{
    const QFontMetrics metrics = box->fontMetrics();
    // The line edit keeps 2 pixels of margin on either side of its text; one more for the cursor.
    const int text = metrics.horizontalAdvance(QString::fromLatin1(sample)) + 2 * 2 + 1;
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    return box->style()
        ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(text, metrics.height()), box)
        .width();
}

QLineEdit* NewBox(const char* name, const char* sample = kSingleSample)
{
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setFixedWidth(NumberBoxWidth(box, sample));
    return box;
}

QGroupBox* NewFrame(const char* name, const char* caption)
{
    auto* g = new QGroupBox(QString::fromLatin1(caption));
    g->setObjectName(QString::fromLatin1(name));
    return g;
}

QLabel* NewDisplay(const char* name)
{
    auto* l = new QLabel;
    l->setObjectName(QString::fromLatin1(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setMinimumHeight(16);
    return l;
}

QLabel* Caption(const char* text) { return new QLabel(QString::fromLatin1(text)); }

/// A frame holding one display, captioned like the result boxes.
QGroupBox* DisplayFrame(const char* name, const char* caption, QLabel* display)
{
    QGroupBox* g = NewFrame(name, caption);
    auto* l = new QVBoxLayout(g);
    l->setContentsMargins(6, 2, 6, 4);
    l->addWidget(display);
    return g;
}

void Compact(QLayout* layout)
{
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
}

QColor StatusQColor(StatusColour colour)
{
    return colour == StatusColour::Blue ? QColor(0, 0, 255) : QColor(255, 0, 0);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent), m_front(this), m_logic(std::make_unique<MainLogic>(m_front)),
      m_mainSurface(kMainPictureSide)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ToQString(kCaptionDesigned));
    BuildControls();
    BuildMenus();
    ConnectHandlers();
    InstallShortcuts();
    SetTabOrder();
    InstallHooks();
    RebuildRecentMenu();
    RegisterStandardWindows();

    // The designed size, as far as the screen allows; a smaller screen scrolls the controls.
    const auto* scroll = static_cast<QScrollArea*>(centralWidget());
    const QSize contents = scroll->widget()->sizeHint();
    QSize size(contents.width() + 4, contents.height() + menuBar()->sizeHint().height() + 4);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        size = size.boundedTo(QSize(room.width() - 8, room.height() - 32));
    }
    resize(size);
}

frmMain::~frmMain()
{
    // Widgets that go away lose the focus and may signal; nothing of that may reach the model,
    // which goes with this object. The owned windows refer to the model too: they go first.
    m_shuttingDown = true;
    picAssemblyDrawing->MouseDown = nullptr;
    picAssemblyDrawing->MouseUp = nullptr;
    picAssemblyDrawing->LostFocus = nullptr;
    m_front.StatusSink = nullptr;
    for (auto& [which, window] : m_auxWindows)
        delete window.data();
    delete m_fullPicture.data();
    delete m_graphics.data();
    delete m_calcResistivity.data();
    delete m_about.data();
    delete takeCentralWidget();
}

void frmMain::BuildControls()
{
    // Column 1: the picture and the status box under it.
    picAssemblyDrawing = new PictureBox;
    picAssemblyDrawing->setObjectName(QStringLiteral("picAssemblyDrawing"));
    picAssemblyDrawing->SetSurface(&m_mainSurface);
    // The picture takes the room the window leaves it and is drawn anew at that size.
    picAssemblyDrawing->SetFollowsSize(true, kMinMainPictureSide, kMainPictureSide);
    txtStatus = new QPlainTextEdit;
    txtStatus->setObjectName(QStringLiteral("txtStatus"));
    txtStatus->setReadOnly(true);
    {
        // The status line and the six lines of the probe.
        const int line = txtStatus->fontMetrics().lineSpacing();
        txtStatus->setFixedHeight(7 * line + 2 * txtStatus->frameWidth() + 10);
    }
    auto* column1 = new QVBoxLayout;
    column1->setSpacing(4);
    column1->addWidget(picAssemblyDrawing, 1);
    column1->addWidget(txtStatus);

    // Column 2: the model, the solver settings and the large picture.
    frameModel = NewFrame("frameModel", "Model");
    txtRmax = NewBox("txtRmax");
    txtAspectRatio = NewBox("txtAspectRatio");
    txtAspectRatio->setReadOnly(true);
    cmdHalveZ = NewButton("cmdHalveZ", "Halve Z");
    cmdDoubleZ = NewButton("cmdDoubleZ", "Double Z");
    txtGridSize = NewBox("txtGridSize", kIntegerSample);
    txtGridSize->setReadOnly(true);
    cmdHalveGrid = NewButton("cmdHalveGrid", "Halve grid");
    cmdDoubleGrid = NewButton("cmdDoubleGrid", "Double grid");
    txtBoundaryCondition = NewBox("txtBoundaryCondition");
    txtCurrent = NewBox("txtCurrent");
    chkIncludePress = new QCheckBox(QStringLiteral("Include the press in the calculation"));
    chkIncludePress->setObjectName(QStringLiteral("chkIncludePress"));
    chkExactSampling = new QCheckBox(QStringLiteral("Exact part boundaries"));
    chkExactSampling->setObjectName(QStringLiteral("chkExactSampling"));
    chkExactSampling->setToolTip(
        QStringLiteral("Cells that a part boundary crosses mix their parts by the share each "
                       "covers. Clear to take only the part at each cell's centre."));
    cmdInitialize = NewButton("cmdInitialize", "Initialize");
    cmdMakeT = NewButton("cmdMakeT", "Reset the temperature and initialize");
    {
        auto* g = new QGridLayout(frameModel);
        Compact(g);
        g->addWidget(Caption("r boundary"), 0, 0);
        g->addWidget(txtRmax, 0, 1);
        g->addWidget(Caption("Aspect ratio"), 1, 0);
        g->addWidget(txtAspectRatio, 1, 1);
        auto* z = new QHBoxLayout;
        z->addWidget(cmdHalveZ);
        z->addWidget(cmdDoubleZ);
        g->addLayout(z, 2, 0, 1, 2);
        g->addWidget(Caption("Radial grid size"), 3, 0);
        g->addWidget(txtGridSize, 3, 1);
        auto* n = new QHBoxLayout;
        n->addWidget(cmdHalveGrid);
        n->addWidget(cmdDoubleGrid);
        g->addLayout(n, 4, 0, 1, 2);
        g->addWidget(Caption("Boundary T"), 5, 0);
        g->addWidget(txtBoundaryCondition, 5, 1);
        g->addWidget(Caption("Current in Amps"), 6, 0);
        g->addWidget(txtCurrent, 6, 1);
        g->addWidget(chkIncludePress, 7, 0, 1, 2);
        g->addWidget(chkExactSampling, 8, 0, 1, 2);
        g->addWidget(cmdInitialize, 9, 0, 1, 2);
        g->addWidget(cmdMakeT, 10, 0, 1, 2);
    }

    frameGridSettings = NewFrame("frameGridSettings", "Grid settings and iterations");
    optGrid[0] = new QRadioButton(QStringLiteral("Single grid"));
    optGrid[0]->setObjectName(QStringLiteral("optGrid0"));
    optGrid[1] = new QRadioButton(QStringLiteral("Multi-grid"));
    optGrid[1]->setObjectName(QStringLiteral("optGrid1"));
    FrameMultiGrid = NewFrame("FrameMultiGrid", "Settings for multi-grid");
    chkRedBlack = new QCheckBox(QStringLiteral("Red/Black"));
    chkRedBlack->setObjectName(QStringLiteral("chkRedBlack"));
    txtNInner = NewBox("txtNInner", kIntegerSample);
    {
        auto* f = new QFormLayout(FrameMultiGrid);
        Compact(f);
        f->addRow(chkRedBlack);
        f->addRow(QStringLiteral("NInner"), txtNInner);
    }
    frameSingleGrid = NewFrame("frameSingleGrid", "Settings for single grid");
    txtW = NewBox("txtW");
    txtNiters = NewBox("txtNiters", kIntegerSample);
    txtNTits = NewBox("txtNTits", kIntegerSample);
    {
        auto* f = new QFormLayout(frameSingleGrid);
        Compact(f);
        f->addRow(QStringLiteral("w"), txtW);
        f->addRow(QStringLiteral("NCond"), txtNiters);
        f->addRow(QStringLiteral("NInner"), txtNTits);
    }
    {
        auto* v = new QVBoxLayout(frameGridSettings);
        Compact(v);
        auto* options = new QHBoxLayout;
        options->addWidget(optGrid[0]);
        options->addWidget(optGrid[1]);
        v->addLayout(options);
        v->addWidget(FrameMultiGrid);
        v->addWidget(frameSingleGrid);
    }

    frameFullPicture = NewFrame("frameFullPicture", "Large picture");
    txtPixels = NewBox("txtPixels", kIntegerSample);
    txtPixels->setText(QString::number(kDefaultLargePicture));
    cmdFullPicture = NewButton("cmdFullPicture", "Draw a plot in a separate window");
    {
        auto* g = new QGridLayout(frameFullPicture);
        Compact(g);
        g->addWidget(Caption("Pixels"), 0, 0);
        g->addWidget(txtPixels, 0, 1);
        g->addWidget(cmdFullPicture, 1, 0, 1, 2);
    }
    auto* column2 = new QVBoxLayout;
    column2->setSpacing(4);
    column2->addWidget(frameModel);
    column2->addWidget(frameGridSettings);
    column2->addWidget(frameFullPicture);
    column2->addStretch(1);

    // Column 3: the runs and the results.
    frameGo = NewFrame("frameGo", "");
    cmdRunManyCycles = NewButton("cmdRunManyCycles", "Run cycles ->");
    txtNCycles = NewBox("txtNCycles", kIntegerSample);
    cmdConvergeToResidual = NewButton("cmdConvergeToResidual", "Converge to residual ->");
    txtConvergeToResidual = NewBox("txtConvergeToResidual");
    cmdGoToT = NewButton("cmdGoToT", "Converge to Temperature ->");
    txtGoToT = NewBox("txtGoToT");
    txtTError = NewBox("txtTError");
    cmdStop = NewButton("cmdStop", "Stop");
    prgRun = new QProgressBar;
    prgRun->setObjectName(QStringLiteral("prgRun"));
    prgRun->setRange(0, 1);
    prgRun->setValue(0);
    prgRun->setTextVisible(false);
    prgRun->setMaximumHeight(14);
    lblElapsed = new QLabel;
    lblElapsed->setObjectName(QStringLiteral("lblElapsed"));
    frameConvergenceTests = NewFrame("frameConvergenceTests", "Convergence tests");
    picResidual = NewDisplay("picResidual");
    picResidual->setMinimumHeight(30);
    picConvergence = NewDisplay("picConvergence");
    {
        auto* h = new QHBoxLayout(frameConvergenceTests);
        Compact(h);
        h->addWidget(DisplayFrame("frameResidualTest", "Residual test", picResidual), 1);
        h->addWidget(DisplayFrame("frameHeatBalance", "Heat out/ heat in", picConvergence), 1);
    }
    {
        auto* g = new QGridLayout(frameGo);
        Compact(g);
        g->addWidget(cmdRunManyCycles, 0, 0);
        g->addWidget(Caption("NCycles"), 0, 1);
        g->addWidget(txtNCycles, 0, 2);
        g->addWidget(cmdConvergeToResidual, 1, 0);
        g->addWidget(Caption("Target residual"), 1, 1);
        g->addWidget(txtConvergeToResidual, 1, 2);
        g->addWidget(cmdGoToT, 2, 0);
        g->addWidget(Caption("Temperature"), 2, 1);
        g->addWidget(txtGoToT, 2, 2);
        g->addWidget(Caption("Precision"), 3, 1);
        g->addWidget(txtTError, 3, 2);
        g->addWidget(cmdStop, 3, 0);
        g->addWidget(prgRun, 4, 0, 1, 3);
        g->addWidget(lblElapsed, 5, 0, 1, 3);
        g->addWidget(frameConvergenceTests, 6, 0, 1, 3);
    }

    picThermocoupleTemp = NewDisplay("picThermocoupleTemp");
    picThermocoupleTemp->setTextFormat(Qt::RichText);
    picThermocoupleTemp->setMinimumHeight(48);
    picIntegratedPower = NewDisplay("picIntegratedPower");
    picAmps = NewDisplay("picAmps");
    picResistance = NewDisplay("picResistance");
    picTheorResist = NewDisplay("picTheorResist");
    picVolts = NewDisplay("picVolts");
    picTheorVolt = NewDisplay("picTheorVolt");
    auto* frameThermocouples = DisplayFrame(
        "frameThermocouples", "Thermocouple Temperatures (deg C)", picThermocoupleTemp);
    {
        auto* note = new QLabel(QStringLiteral("Thermocouple 0 in bold, with the axial gradient "
                                               "on the axis in °C/mm in brackets"));
        note->setObjectName(QStringLiteral("lblGradientUnit"));
        note->setWordWrap(true);
        QFont small = note->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        note->setFont(small);
        frameThermocouples->layout()->addWidget(note);
    }
    auto* electrical = new QHBoxLayout;
    electrical->addWidget(
        DisplayFrame("framePower", "Integrated power (Watts)", picIntegratedPower), 1);
    electrical->addWidget(DisplayFrame("frameAmps", "Current (Amps)", picAmps), 1);
    // The Ohm's-law frame's caption is long; it is shown as a wrapped heading inside the frame
    // so that the frame fits its column.
    auto* frameOhmsLaw = NewFrame("frameOhmsLaw", "");
    frameOhmsLaw->setAccessibleName(QString::fromLatin1(kOhmsLawCaption));
    {
        auto* v = new QVBoxLayout(frameOhmsLaw);
        Compact(v);
        auto* heading = new QLabel(QString::fromLatin1(kOhmsLawCaption));
        heading->setObjectName(QStringLiteral("lblOhmsLaw"));
        heading->setWordWrap(true);
        v->addWidget(heading);
        auto* pair = new QHBoxLayout;
        auto* resistance = NewFrame("frameResistance", "Resistance (Ohms)");
        {
            auto* l = new QVBoxLayout(resistance);
            Compact(l);
            l->addWidget(picResistance);
            l->addWidget(picTheorResist);
        }
        auto* voltage = NewFrame("frameVoltage", "Voltage");
        {
            auto* l = new QVBoxLayout(voltage);
            Compact(l);
            l->addWidget(picVolts);
            l->addWidget(picTheorVolt);
        }
        pair->addWidget(resistance, 1);
        pair->addWidget(voltage, 1);
        v->addLayout(pair);
    }
    auto* column3 = new QVBoxLayout;
    column3->setSpacing(4);
    column3->addWidget(frameGo);
    column3->addWidget(frameThermocouples);
    column3->addLayout(electrical);
    column3->addWidget(frameOhmsLaw);
    column3->addStretch(1);

    // Column 4: the report box, the contours and the labels.
    picreport = new QPlainTextEdit;
    picreport->setObjectName(QStringLiteral("picreport"));
    picreport->setReadOnly(true);
    // Long lines (a file name, a refusal) wrap rather than run out of sight.
    picreport->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    picreport->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    picreport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    picreport->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    {
        // Room for the box's sixteen lines.
        const int line = picreport->fontMetrics().lineSpacing();
        picreport->setMinimumHeight(ReportBox::kMaxLines * line + 12);
    }

    frameTemperatureContour = NewFrame("frameTemperatureContour", "Temperature Contours");
    for (int v = 0; v < 2; ++v) {
        const auto k = static_cast<std::size_t>(v);
        txtContourLevel[k] = NewBox(v == 0 ? "txtContourLevel0" : "txtContourLevel1");
        scrContourSize[k] = new QScrollBar(Qt::Horizontal);
        scrContourSize[k]->setObjectName(v == 0 ? QStringLiteral("scrContourSize0")
                                                : QStringLiteral("scrContourSize1"));
        scrContourSize[k]->setRange(kContourScrollMin, kContourScrollMax);
        scrContourSize[k]->setPageStep(1);
        scrContourSize[k]->setMinimumWidth(36);
        txtContourSize[k] = NewBox(v == 0 ? "txtContourSize0" : "txtContourSize1", kWeightSample);
        txtContourSize[k]->setText(QString::number(m_picture.scrContourSize[k]));
        scrContourSize[k]->setValue(m_picture.scrContourSize[k]);
    }
    cmdAllContours = NewButton("cmdAllContours", "Auto");
    CmdContour = NewButton("CmdContour", "Add Contour");
    cmdClearContours = NewButton("cmdClearContours", "Clear");
    cmdPlotAll = NewButton("cmdPlotAll", "Plot All");
    chkShowValues =
        new QCheckBox(QStringLiteral("Write the values of the isotherms and scale bar"));
    chkShowValues->setObjectName(QStringLiteral("chkShowValues"));
    chkShowValues->setChecked(m_picture.ShowValues);
    {
        auto* g = new QGridLayout(frameTemperatureContour);
        Compact(g);
        g->addWidget(Caption("Line Weight"), 0, 2, 1, 2, Qt::AlignHCenter);
        g->addWidget(Caption("Major interval"), 1, 0);
        g->addWidget(txtContourLevel[0], 1, 1);
        g->addWidget(scrContourSize[0], 1, 2);
        g->addWidget(txtContourSize[0], 1, 3);
        g->addWidget(Caption("Minor interval/Value"), 2, 0);
        g->addWidget(txtContourLevel[1], 2, 1);
        g->addWidget(scrContourSize[1], 2, 2);
        g->addWidget(txtContourSize[1], 2, 3);
        auto* buttons = new QGridLayout;
        buttons->setSpacing(4);
        buttons->addWidget(cmdAllContours, 0, 0);
        buttons->addWidget(CmdContour, 0, 1);
        buttons->addWidget(cmdClearContours, 1, 0);
        buttons->addWidget(cmdPlotAll, 1, 1);
        g->addLayout(buttons, 3, 0, 1, 4);
        g->addWidget(chkShowValues, 4, 0, 1, 4);
    }

    framePlotLabels = NewFrame("framePlotLabels", "Plot Labels");
    txtA = new QLineEdit;
    txtA->setObjectName(QStringLiteral("txtA"));
    cmdA = NewButton("cmdA", "Add a label");
    cmdPlotLabelSelect = NewButton("cmdPlotLabelSelect", "Select a label");
    cmdChangeLabel = NewButton("cmdChangeLabel", "Change label");
    cmdClearLabels = NewButton("cmdClearLabels", "Clear all labels");
    cmdTextUp = NewButton("cmdTextUp", "Up");
    cmdTextDown = NewButton("cmdTextDown", "Down");
    cmdTextLeft = NewButton("cmdTextLeft", "Left");
    cmdTextRight = NewButton("cmdTextRight", "Right");
    chkScalebar = new QCheckBox(QStringLiteral("Show scalebar"));
    chkScalebar->setObjectName(QStringLiteral("chkScalebar"));
    {
        auto* g = new QGridLayout(framePlotLabels);
        Compact(g);
        g->addWidget(txtA, 0, 0, 1, 2);
        g->addWidget(cmdA, 1, 0);
        g->addWidget(cmdPlotLabelSelect, 1, 1);
        g->addWidget(cmdChangeLabel, 2, 0);
        g->addWidget(cmdClearLabels, 2, 1);
        // The move buttons as a cross: up above, down below, left and right between.
        auto* moves = new QGridLayout;
        moves->setSpacing(2);
        moves->addWidget(cmdTextUp, 0, 1);
        moves->addWidget(cmdTextLeft, 1, 0);
        moves->addWidget(cmdTextRight, 1, 2);
        moves->addWidget(cmdTextDown, 2, 1);
        g->addLayout(moves, 3, 0, 1, 2);
        g->addWidget(chkScalebar, 4, 0, 1, 2);
    }
    auto* column4 = new QVBoxLayout;
    column4->setSpacing(4);
    column4->addWidget(picreport, 1);
    column4->addWidget(frameTemperatureContour);
    column4->addWidget(framePlotLabels);

    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* columns = new QHBoxLayout(central);
    columns->setContentsMargins(4, 4, 4, 4);
    columns->setSpacing(4);
    columns->addLayout(column1, 1);
    columns->addLayout(column2);
    columns->addLayout(column3);
    columns->addLayout(column4);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("scrollMain"));
    scroll->setWidget(central);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    setCentralWidget(scroll);
}

void frmMain::BuildMenus()
{
    auto action = [this](QMenu* menu, const char* name, const char* caption) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto menu = [this](const char* name, const char* caption) {
        QMenu* m = menuBar()->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    // Captions carry their mnemonic (the letter after "&"), so every entry can be reached
    // from the keyboard with Alt.
    mnuFile = menu("mnuFile", "&File");
    mnuOpen = action(mnuFile, "mnuOpen", "&Open a Tarsen (TSN) file");
    mnuOpen->setShortcut(QKeySequence::Open);
    mnuOpenRecent = mnuFile->addMenu(QStringLiteral("Open &Recent"));
    mnuOpenRecent->setObjectName(QStringLiteral("mnuOpenRecent"));
    mnuSave = action(mnuFile, "mnuSave", "&Save this assembly to a Tarsen (TSN) file");
    mnuSave->setShortcut(QKeySequence::Save);
    mnuFile->addSeparator();
    mnuOpenPropertiesFile =
        action(mnuFile, "mnuOpenPropertiesFile", "Open a Thermal &Properties (PRP) file");
    mnuFile->addSeparator();
    mnuExit = action(mnuFile, "mnuExit", "E&xit");
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Open Recent holds a fixed set of entries that RebuildRecentMenu fills and shows: an entry
    // chosen may rebuild the list, and must not be deleted while it is being triggered.
    for (int k = 0; k < RecentAssemblies::kMaxRecent; ++k) {
        QAction* a = mnuOpenRecent->addAction(QString());
        a->setObjectName(QStringLiteral("mnuRecent%1").arg(k + 1));
        a->setVisible(false);
        m_recentEntries.push_back(a);
    }
    m_recentSeparator = mnuOpenRecent->addSeparator();
    m_noRecent = mnuOpenRecent->addAction(QStringLiteral("(no recent assemblies)"));
    m_noRecent->setEnabled(false);
    mnuClearRecent = mnuOpenRecent->addAction(QStringLiteral("&Clear the list"));
    mnuClearRecent->setObjectName(QStringLiteral("mnuClearRecent"));

    mnuPicture = menu("mnuPicture", "&Picture");
    mnuPlotPicture = action(mnuPicture, "mnuPlotPicture", "&Replot picture (fast)");
    mnuPlotAll = action(mnuPicture, "mnuPlotAll", "Plot &all");
    mnuShowHeatOutput = action(mnuPicture, "mnuShowHeatOutput", "Show the &heat output in red");
    mnuAntiAliasing = action(mnuPicture, "mnuAntiAliasing", "Anti-a&liasing (very slow)");
    mnuAntiAliasing->setCheckable(true);
    mnuGreyscale = action(mnuPicture, "mnuGreyscale", "&Greyscale");
    mnuGreyscale->setCheckable(true);
    mnuSaveBitmap = action(mnuPicture, "mnuSaveBitmap", "Save &bitmap image");
    mnuGraphics = action(mnuPicture, "mnuGraphics", "&More graphics functions");

    mnuModel = menu("mnuModel", "&Model");
    mnuDrawModel = action(mnuModel, "mnuDrawModel", "&Draw the model point by point");
    mnuModifyAssembly = action(mnuModel, "mnuModifyAssembly", "&Modify the Assembly");
    mnuPlotFullPicture = action(mnuModel, "mnuPlotFullPicture", "Plot a &large picture");

    mnuProperties = menu("mnuProperties", "P&roperties");
    mnuMaterialProperties =
        action(mnuProperties, "mnuMaterialProperties", "&View Material Properties");
    mnuPlotConductivities =
        action(mnuProperties, "mnuPlotConductivities", "Plot thermal &conductivities");
    mnuCalcResistivity = action(mnuProperties, "mnuCalcResistivity",
                                "Calculate average furnace &resistivity from a measured voltage");

    mnuResults = menu("mnuResults", "R&esults");
    mnuPlotT = action(mnuResults, "mnuPlotT", "&Plot and export temperature profiles");

    mnuHelp = menu("mnuHelp", "&Help");
    mnuAbout = action(mnuHelp, "mnuAbout", "&About");

    // Until FormUpdate decides, nothing that needs a model can be chosen.
    for (QAction* a : {mnuSave, mnuPlotPicture, mnuPlotAll, mnuShowHeatOutput, mnuSaveBitmap,
                       mnuGraphics, mnuDrawModel, mnuModifyAssembly, mnuPlotFullPicture,
                       mnuMaterialProperties, mnuPlotConductivities, mnuCalcResistivity, mnuPlotT})
        a->setEnabled(false);
}

void frmMain::ConnectHandlers()
{
    auto button = [this](QPushButton* b, void (frmMain::*handler)()) {
        connect(b, &QPushButton::clicked, this, handler);
    };
    auto box = [this](QLineEdit* b, void (frmMain::*handler)()) {
        connect(b, &QLineEdit::editingFinished, this, handler);
        m_boxHandlers[b] = [this, handler] { (this->*handler)(); };
    };
    auto item = [this](QAction* a, void (frmMain::*handler)()) {
        connect(a, &QAction::triggered, this, handler);
    };

    button(cmdInitialize, &frmMain::cmdInitialize_Click);
    button(cmdMakeT, &frmMain::cmdMakeT_MouseUp);
    button(cmdRunManyCycles, &frmMain::cmdRunManyCycles_MouseUp);
    button(cmdConvergeToResidual, &frmMain::cmdConvergeToResidual_MouseUp);
    button(cmdGoToT, &frmMain::cmdGoToT_MouseUp);
    button(cmdStop, &frmMain::cmdStop_Click);
    button(cmdDoubleZ, &frmMain::cmdDoubleZ_MouseUp);
    button(cmdHalveZ, &frmMain::cmdHalveZ_MouseUp);
    button(cmdDoubleGrid, &frmMain::cmdDoubleGrid_MouseUp);
    button(cmdHalveGrid, &frmMain::cmdHalveGrid_MouseUp);
    connect(optGrid[0], &QRadioButton::clicked, this, [this] { optGrid_MouseUp(0); });
    connect(optGrid[1], &QRadioButton::clicked, this, [this] { optGrid_MouseUp(1); });
    connect(chkRedBlack, &QCheckBox::clicked, this, &frmMain::chkRedBlack_MouseUp);
    connect(chkIncludePress, &QCheckBox::clicked, this, &frmMain::chkIncludePress_MouseUp);
    connect(chkExactSampling, &QCheckBox::clicked, this, &frmMain::chkExactSampling_MouseUp);

    box(txtRmax, &frmMain::txtRmax_LostFocus);
    box(txtBoundaryCondition, &frmMain::txtBoundaryCondition_LostFocus);
    box(txtCurrent, &frmMain::txtCurrent_LostFocus);
    box(txtNCycles, &frmMain::txtNCycles_LostFocus);
    box(txtNInner, &frmMain::txtNInner_LostFocus);
    box(txtNiters, &frmMain::txtNiters_LostFocus);
    box(txtNTits, &frmMain::txtNTits_LostFocus);
    box(txtConvergeToResidual, &frmMain::txtConvergeToResidual_LostFocus);
    box(txtGoToT, &frmMain::txtGoToT_LostFocus);
    box(txtTError, &frmMain::txtTError_LostFocus);
    box(txtW, &frmMain::txtW_LostFocus);
    for (int v = 0; v < 2; ++v) {
        const auto k = static_cast<std::size_t>(v);
        connect(txtContourLevel[k], &QLineEdit::editingFinished, this,
                [this, v] { txtContourLevel_LostFocus(v); });
        m_boxHandlers[txtContourLevel[k]] = [this, v] { txtContourLevel_LostFocus(v); };
        connect(txtContourSize[k], &QLineEdit::editingFinished, this,
                [this, v] { txtContourSize_LostFocus(v); });
        m_boxHandlers[txtContourSize[k]] = [this, v] { txtContourSize_LostFocus(v); };
        connect(scrContourSize[k], &QScrollBar::valueChanged, this,
                [this, v] { scrContourSize_Change(v); });
    }
    button(cmdAllContours, &frmMain::cmdAllContours_Click);
    button(CmdContour, &frmMain::CmdContour_Click);
    button(cmdClearContours, &frmMain::cmdClearContours_Click);
    button(cmdPlotAll, &frmMain::cmdPlotAll_Click);

    button(cmdA, &frmMain::cmdA_Click);
    button(cmdPlotLabelSelect, &frmMain::cmdPlotLabelSelect_Click);
    button(cmdChangeLabel, &frmMain::cmdChangeLabel_Click);
    button(cmdClearLabels, &frmMain::cmdClearLabels_Click);
    button(cmdTextUp, &frmMain::cmdTextUp_Click);
    button(cmdTextDown, &frmMain::cmdTextDown_Click);
    button(cmdTextLeft, &frmMain::cmdTextLeft_Click);
    button(cmdTextRight, &frmMain::cmdTextRight_Click);
    connect(chkScalebar, &QCheckBox::clicked, this, &frmMain::chkScalebar_Click);
    connect(chkShowValues, &QCheckBox::clicked, this, &frmMain::chkShowValues_Click);
    button(cmdFullPicture, &frmMain::cmdFullPicture_Click);

    picAssemblyDrawing->MouseDown = [this](Qt::MouseButton b, QPoint at) {
        picAssemblyDrawing_MouseDown(b, at);
    };
    picAssemblyDrawing->MouseUp = [this](Qt::MouseButton b, QPoint at) {
        picAssemblyDrawing_MouseUp(b, at);
    };
    picAssemblyDrawing->LostFocus = [this] { picAssemblyDrawing_LostFocus(); };
    // A window being dragged larger sends many sizes; the picture is drawn for the last one.
    m_resizeTimer = new QTimer(this);
    m_resizeTimer->setSingleShot(true);
    m_resizeTimer->setInterval(kPictureResizeDelay);
    connect(m_resizeTimer, &QTimer::timeout, this, &frmMain::FitPictureToBox);
    picAssemblyDrawing->Resized = [this](QSize) { m_resizeTimer->start(); };

    item(mnuOpen, &frmMain::mnuOpen_Click);
    for (QAction* entry : m_recentEntries)
        connect(entry, &QAction::triggered, this,
                [this, entry] { mnuOpenRecent_Click(entry->data().toString()); });
    connect(mnuClearRecent, &QAction::triggered, this, [this] {
        m_recent.Clear();
        RebuildRecentMenu();
    });
    item(mnuSave, &frmMain::mnuSave_Click);
    item(mnuOpenPropertiesFile, &frmMain::mnuOpenPropertiesFile_Click);
    item(mnuExit, &frmMain::mnuExit_Click);
    item(mnuPlotPicture, &frmMain::mnuPlotPicture_Click);
    item(mnuPlotAll, &frmMain::cmdPlotAll_Click);
    item(mnuShowHeatOutput, &frmMain::mnuShowHeatOutput_Click);
    item(mnuAntiAliasing, &frmMain::mnuAntiAliasing_Click);
    item(mnuGreyscale, &frmMain::mnuGreyscale_Click);
    item(mnuSaveBitmap, &frmMain::SaveBitmap);
    item(mnuGraphics, &frmMain::mnuGraphics_Click);
    item(mnuDrawModel, &frmMain::mnuDrawModel_Click);
    connect(mnuModifyAssembly, &QAction::triggered, this,
            [this] { ShowAuxWindow(AuxWindow::Parts); });
    item(mnuPlotFullPicture, &frmMain::cmdFullPicture_Click);
    connect(mnuMaterialProperties, &QAction::triggered, this,
            [this] { ShowAuxWindow(AuxWindow::MaterialProperties); });
    connect(mnuPlotConductivities, &QAction::triggered, this,
            [this] { ShowAuxWindow(AuxWindow::Thermal); });
    item(mnuCalcResistivity, &frmMain::mnuCalcResistivity_Click);
    connect(mnuPlotT, &QAction::triggered, this, [this] { ShowAuxWindow(AuxWindow::PlotT); });
    item(mnuAbout, &frmMain::mnuAbout_Click);
}

void frmMain::InstallShortcuts()
{
    // Each key acts as a click on its button, and only while the button could be clicked; a
    // box being typed in is committed first, as the click would have done by taking the focus.
    // Stop's key reaches a run through the event pump at the start of every cycle.
    auto key = [this](QPushButton* button, const QKeySequence& sequence, bool commitFirst) {
        auto* a = new QAction(this);
        a->setObjectName(button->objectName() + QStringLiteral("_Key"));
        a->setShortcut(sequence);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        button->setToolTip(QStringLiteral("%1 (%2)").arg(
            button->text(), sequence.toString(QKeySequence::NativeText)));
        connect(a, &QAction::triggered, this, [this, button, commitFirst] {
            if (commitFirst && !m_logic->Running())
                CommitPendingEdit();
            if (button->isEnabled() && button->isVisible())
                button->click();
        });
    };
    key(cmdInitialize, QKeySequence(Qt::Key_F4), true);
    key(cmdRunManyCycles, QKeySequence(Qt::Key_F5), true);
    key(cmdConvergeToResidual, QKeySequence(Qt::Key_F6), true);
    key(cmdGoToT, QKeySequence(Qt::Key_F7), true);
    key(cmdStop, QKeySequence(Qt::Key_Escape), false);
}

void frmMain::SetTabOrder()
{
    // Down each frame, row by row, and the columns from left to right.
    txtStatus->setTabChangesFocus(true);
    picreport->setTabChangesFocus(true);
    const std::vector<QWidget*> order{
        picAssemblyDrawing, txtStatus,
        // Model, grid settings, large picture.
        txtRmax, txtAspectRatio, cmdHalveZ, cmdDoubleZ, txtGridSize, cmdHalveGrid, cmdDoubleGrid,
        txtBoundaryCondition, txtCurrent, chkIncludePress, cmdInitialize, cmdMakeT, optGrid[0],
        optGrid[1], chkRedBlack, txtNInner, txtW, txtNiters, txtNTits, txtPixels, cmdFullPicture,
        // Runs.
        cmdRunManyCycles, txtNCycles, cmdConvergeToResidual, txtConvergeToResidual, cmdGoToT,
        txtGoToT, cmdStop, txtTError,
        // Report, contours, labels.
        picreport, txtContourLevel[0], scrContourSize[0], txtContourSize[0], txtContourLevel[1],
        scrContourSize[1], txtContourSize[1], cmdAllContours, CmdContour, cmdClearContours,
        cmdPlotAll, txtA, cmdA, cmdPlotLabelSelect, cmdChangeLabel, cmdClearLabels, cmdTextUp,
        cmdTextLeft, cmdTextRight, cmdTextDown, chkScalebar};
    for (std::size_t k = 1; k < order.size(); ++k)
        QWidget::setTabOrder(order[k - 1], order[k]);
}

void frmMain::InstallHooks()
{
    m_front.StatusSink = [this](std::string_view text, StatusColour colour) {
        ShowStatus(text, colour);
    };
    MainLogic& logic = *m_logic;
    logic.DrawCartoon = [this] { RedrawAssembly(); };
    logic.ReplotPicture = [this] { EndOfCycleReplot(); };
    logic.RedrawContours = [this] {
        const PictureModel model = Model();
        m_picture.DrawAllContours(model, *m_activePic);
        PictureChanged();
    };
    logic.RefreshMaterialColours = [this] {
        const PictureModel model = Model();
        m_picture.SetLocalMatColors(model);
    };
    logic.ResetScaleBar = [this] {
        const PictureModel model = Model();
        m_picture.StartScaleBar(model);
    };
    logic.SetBusy = SetBusyPointer;
    logic.ApplyFormState = [this](const FormState& state) { ApplyFormState(state); };
    logic.ResultsChanged = [this](const ResultTexts& results) { ShowResults(results); };
    logic.AssemblyReplaced = [this] {
        // The run displays belong to the model that was replaced.
        prgRun->setRange(0, 1);
        prgRun->setValue(0);
        lblElapsed->clear();
        emit AssemblyReplaced();
    };
    logic.AssemblyFileUsed = [this](const std::string& path) {
        m_recent.Add(QFile::decodeName(path.c_str()));
        RebuildRecentMenu();
    };
    logic.ReportChanged = [this](const ReportBox& report) { ShowReport(report); };
}

void frmMain::RegisterStandardWindows()
{
    // The windows behind the menu entries, each made when its entry is first chosen.
    SetAuxWindowFactory(AuxWindow::Parts, MakePartsEditor);
    SetAuxWindowFactory(AuxWindow::MaterialProperties, [](frmMain& main) -> QWidget* {
        auto* w = new frmMaterialProperties(main.Logic(), &main);
        w->ColoursChanged = [&main] { main.AfterColoursChanged(); };
        QObject::connect(&main, &frmMain::PartSelected, w, [w](int, int MaterialIndex) {
            if (w->isVisible())
                w->ShowMaterial(MaterialIndex);
        });
        return w;
    });
    SetAuxWindowFactory(AuxWindow::Thermal, [](frmMain& main) -> QWidget* {
        return new frmThermal(main.Logic(), &main);
    });
    SetAuxWindowFactory(AuxWindow::PlotT, [](frmMain& main) -> QWidget* {
        return new frmPlotT(main.Logic(), &main);
    });
}

// ---------------------------------------------------------------------------------------------
// Start-up and the model's view

QString frmMain::ProgramFolder() const { return QCoreApplication::applicationDirPath(); }

void frmMain::Form_Load(const std::optional<QString>& assemblyPath)
{
    Guarded([&] {
        std::optional<std::string> path;
        if (assemblyPath && !assemblyPath->isEmpty()) {
            if (QFileInfo::exists(*assemblyPath))
                path = QFile::encodeName(*assemblyPath).toStdString();
            else
                m_front.ShowMessage(
                    ToStdString(QString::fromLatin1(kMsgNoSuchAssembly).arg(*assemblyPath)));
        }
        txtPixels->setText(QString::number(kDefaultLargePicture));
        m_activePic = &m_mainSurface;
        m_logic->StartUpDialogFolder = QFile::encodeName(m_recent.LastFolder()).toStdString();
        m_logic->Form_Load(QFile::encodeName(ProgramFolder()).toStdString(), path);
    });
}

PictureModel frmMain::Model() { return PictureModelOf(*m_logic); }

// ---------------------------------------------------------------------------------------------
// The one wrapper every handler goes through

void frmMain::Guarded(const std::function<void()>& handler)
{
    if (m_shuttingDown)
        return;
    // No exception may leave a slot: the text is shown and the window brought into line.
    auto shielded = [this](const std::function<void()>& f) {
        try {
            f();
        } catch (const std::exception& e) {
            m_front.ShowMessage(e.what());
        } catch (...) {
            m_front.ShowMessage(kMsgUnexpected);
        }
    };
    shielded(handler);
    shielded([this] { m_logic->FormUpdate(); });
}

void frmMain::SettingBox(QLineEdit* box,
                         SettingOutcome (MainLogic::*handler)(std::string_view text))
{
    Guarded([&] {
        const std::string text = ToStdString(box->text());
        box->setModified(false);
        (m_logic.get()->*handler)(text);
    });
}

void frmMain::CommitPendingEdit()
{
    auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (box == nullptr || !box->isModified())
        return;
    const auto it = m_boxHandlers.find(box);
    if (it != m_boxHandlers.end())
        it->second();
}

FormState frmMain::FormUpdate() { return m_logic->FormUpdate(); }

// ---------------------------------------------------------------------------------------------
// FormUpdate's decisions, applied in one place

void frmMain::FrameOnOff(QWidget* FrameCtrl, bool FrameOn)
{
    // The toolkit disables everything inside a disabled frame; a control of an enabled frame
    // shows the state it was given itself.
    if (FrameCtrl != nullptr)
        FrameCtrl->setEnabled(FrameOn);
}

void frmMain::SetBoxText(QLineEdit* box, const std::string& text)
{
    // A box the user is typing in keeps the typing; its value is taken when editing finishes.
    if (box->hasFocus() && box->isModified())
        return;
    const QString q = ToQString(text);
    if (box->text() != q) {
        box->setText(q);
        box->setCursorPosition(0); // a long number shows its first digits
    }
}

void frmMain::ApplyFormState(const FormState& state)
{
    const ControlStates& e = state.enabled;
    const bool running = m_logic->Running();
    // The toolkit shows the modified mark in place of "[*]".
    setWindowTitle(ToQString(state.Caption) + QStringLiteral("[*]"));
    setWindowModified(state.Modified);

    FrameOnOff(frameGo, e.frameGo);
    FrameOnOff(frameConvergenceTests, e.frameConvergenceTests);
    FrameOnOff(frameGridSettings, e.frameGridSettings);
    FrameOnOff(FrameMultiGrid, e.FrameMultiGrid);
    FrameOnOff(frameSingleGrid, e.frameSingleGrid);
    FrameOnOff(frameTemperatureContour, e.frameTemperatureContour);
    // Labels and the large picture change only the picture, but during a run nothing but Stop
    // is used.
    FrameOnOff(framePlotLabels, !running);
    FrameOnOff(frameFullPicture, !running);

    cmdStop->setEnabled(e.cmdStop);
    cmdRunManyCycles->setEnabled(e.cmdRunManyCycles);
    txtNCycles->setEnabled(e.txtNCycles);
    cmdConvergeToResidual->setEnabled(e.cmdConvergeToResidual);
    txtConvergeToResidual->setEnabled(e.txtConvergeToResidual);
    cmdGoToT->setEnabled(e.cmdGoToT);
    txtGoToT->setEnabled(e.txtGoToT);
    txtTError->setEnabled(e.txtTError);
    optGrid[0]->setEnabled(e.optGrid);
    optGrid[1]->setEnabled(e.optGrid);
    chkRedBlack->setEnabled(e.chkRedBlack);
    txtNInner->setEnabled(e.txtNInner);
    txtW->setEnabled(e.txtW);
    txtNiters->setEnabled(e.txtNiters);
    txtNTits->setEnabled(e.txtNTits);
    cmdInitialize->setEnabled(e.cmdInitialize);
    cmdMakeT->setEnabled(e.cmdMakeT);
    cmdDoubleZ->setEnabled(e.cmdDoubleZ);
    cmdHalveZ->setEnabled(e.cmdHalveZ);
    cmdDoubleGrid->setEnabled(e.cmdDoubleGrid);
    cmdHalveGrid->setEnabled(e.cmdHalveGrid);
    txtRmax->setEnabled(e.txtRmax);
    txtAspectRatio->setEnabled(!running);
    txtGridSize->setEnabled(!running);
    txtBoundaryCondition->setEnabled(e.txtBoundaryCondition);
    txtCurrent->setEnabled(e.txtCurrent);
    chkIncludePress->setEnabled(e.chkIncludePress);
    chkExactSampling->setEnabled(e.chkExactSampling);
    txtPixels->setEnabled(e.txtPixels);
    cmdFullPicture->setEnabled(e.mnuPlotFullPicture);
    cmdPlotAll->setEnabled(e.mnuPlotAll);

    mnuOpen->setEnabled(e.mnuOpen);
    mnuSave->setEnabled(e.mnuSave);
    mnuOpenPropertiesFile->setEnabled(e.mnuOpenPropertiesFile);
    mnuExit->setEnabled(e.mnuExit);
    mnuPlotPicture->setEnabled(e.mnuPlotPicture);
    mnuPlotAll->setEnabled(e.mnuPlotAll);
    mnuShowHeatOutput->setEnabled(e.mnuShowHeatOutput);
    mnuAntiAliasing->setEnabled(e.mnuAntiAliasing);
    mnuGreyscale->setEnabled(e.mnuGreyscale);
    mnuSaveBitmap->setEnabled(e.mnuSaveBitmap);
    mnuGraphics->setEnabled(e.mnuGraphics);
    mnuDrawModel->setEnabled(e.mnuDrawModel);
    mnuModifyAssembly->setEnabled(e.mnuModifyAssembly && HasAuxWindow(AuxWindow::Parts));
    mnuPlotFullPicture->setEnabled(e.mnuPlotFullPicture);
    mnuMaterialProperties->setEnabled(e.mnuMaterialProperties &&
                                      HasAuxWindow(AuxWindow::MaterialProperties));
    mnuPlotConductivities->setEnabled(e.mnuPlotConductivities && HasAuxWindow(AuxWindow::Thermal));
    mnuCalcResistivity->setEnabled(e.mnuCalcResistivity);
    mnuPlotT->setEnabled(e.mnuPlotT && HasAuxWindow(AuxWindow::PlotT));
    mnuAbout->setEnabled(e.mnuAbout);
    mnuAntiAliasing->setChecked(m_picture.AntiAliasing);
    mnuGreyscale->setChecked(m_picture.Greyscale);

    // The windows that can change the model or the picture wait while a run is in progress.
    for (auto& [which, window] : m_auxWindows)
        if (window)
            window->setEnabled(!running);
    for (QWidget* w : {static_cast<QWidget*>(m_graphics.data()),
                       static_cast<QWidget*>(m_calcResistivity.data())})
        if (w != nullptr)
            w->setEnabled(!running);

    const SettingTexts& t = state.text;
    SetBoxText(txtRmax, t.txtRmax);
    SetBoxText(txtAspectRatio, t.txtAspectRatio);
    SetBoxText(txtGridSize, t.txtGridSize);
    SetBoxText(txtCurrent, t.txtCurrent);
    SetBoxText(txtBoundaryCondition, t.txtBoundaryCondition);
    SetBoxText(txtNiters, t.txtNiters);
    SetBoxText(txtNTits, t.txtNTits);
    SetBoxText(txtNCycles, t.txtNCycles);
    SetBoxText(txtNInner, t.txtNInner);
    SetBoxText(txtGoToT, t.txtGoToT);
    SetBoxText(txtTError, t.txtTError);
    SetBoxText(txtConvergeToResidual, t.txtConvergeToResidual);
    SetBoxText(txtW, t.txtW);
    chkRedBlack->setChecked(state.chkRedBlack);
    chkIncludePress->setChecked(state.chkIncludePress);
    chkExactSampling->setChecked(state.chkExactSampling);
    optGrid[1]->setChecked(state.optGridMultiGrid);
    optGrid[0]->setChecked(!state.optGridMultiGrid);

    for (int v = 0; v < 2; ++v) {
        const auto k = static_cast<std::size_t>(v);
        SetBoxText(txtContourLevel[k], ShortestSingle(m_picture.ContourIntervals[k]));
        if (scrContourSize[k]->value() != m_picture.scrContourSize[k]) {
            const QSignalBlocker quiet(scrContourSize[k]);
            scrContourSize[k]->setValue(m_picture.scrContourSize[k]);
            txtContourSize[k]->setText(QString::number(m_picture.scrContourSize[k]));
        }
    }

    ShowResults(state.results);
}

void frmMain::ShowResults(const ResultTexts& results)
{
    QString html;
    bool any = false;
    for (const ThermocoupleLine& line : results.picThermocoupleTemp) {
        if (!html.isEmpty())
            html += QStringLiteral("<br>");
        if (line.text.empty())
            continue;
        any = true;
        html += QStringLiteral("<span style=\"color:%1;%2\">%3</span>")
                    .arg(QColorOfLong(line.colour).name(),
                         line.bold ? QStringLiteral("font-weight:bold;") : QString(),
                         ToQString(line.text).toHtmlEscaped());
    }
    picThermocoupleTemp->setText(any ? html : QString());
    picConvergence->setText(ToQString(results.picConvergence));
    picResidual->setText(ToQString(results.picResidual));
    picIntegratedPower->setText(ToQString(results.picIntegratedPower));
    picAmps->setText(ToQString(results.picAmps));
    picResistance->setText(ToQString(results.picResistance));
    // The voltage frame's caption names no unit, so the values carry it.
    auto volts = [](const std::string& text) {
        if (text.empty() || text == kUndefined)
            return ToQString(text);
        return ToQString(text) + QStringLiteral(" V");
    };
    picVolts->setText(volts(results.picVolts));
    picTheorResist->setText(ToQString(results.picTheorResist));
    picTheorVolt->setText(volts(results.picTheorVolt));
}

void frmMain::ShowReport(const ReportBox& report)
{
    picreport->clear();
    QTextCursor cursor(picreport->document());
    QTextCharFormat black;
    black.setForeground(QColor(0, 0, 0));
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    bool first = true;
    for (const ReportBox::Line& line : report.Lines()) {
        if (!first)
            cursor.insertBlock();
        first = false;
        cursor.insertText(ToQString(line.text), line.red ? red : black);
    }
    // Shown at once, also in the middle of a run.
    picreport->viewport()->repaint();
}

void frmMain::ShowStatus(std::string_view text, StatusColour colour)
{
    QString q = ToQString(text);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QPalette palette = txtStatus->palette();
    palette.setColor(QPalette::Text, StatusQColor(colour));
    txtStatus->setPalette(palette);
    txtStatus->setPlainText(q);
    txtStatus->viewport()->repaint();
}

// ---------------------------------------------------------------------------------------------
// Pictures

void frmMain::PictureChanged()
{
    picAssemblyDrawing->update();
    if (m_fullPicture)
        m_fullPicture->Refresh();
}

void frmMain::RedrawAssembly()
{
    PictureModel model = Model();
    m_picture.DrawCartoon(model, *m_activePic);
    // The copy follows the new drawing, so that label edits do not bring back the old one.
    m_activePic->BufferBitmap = m_activePic->image.Image().copy();
    m_picture.Relabel(model, *m_activePic);
    PictureChanged();
}

void frmMain::ReplotActive()
{
    PictureModel model = Model();
    m_picture.PlotFast(model, *m_activePic);
    PictureChanged();
}

void frmMain::EndOfCycleReplot()
{
    PictureModel model = Model();
    // After a solver cycle the isotherms follow the new field; the start-up replot has none.
    if (m_logic->Running())
        m_picture.PrepareContours(model);
    m_picture.FastPlot = true;
    m_picture.ReplotPicture(model, *m_activePic);
    PictureChanged();
    ShowCycleProgress();
}

void frmMain::AfterColoursChanged()
{
    Guarded([this] {
        const PictureModel model = Model();
        m_picture.SetLocalMatColors(model);
        RedrawAssembly();
    });
}

void frmMain::SaveBitmap()
{
    Guarded([this] {
        FileRequest request;
        request.save = true;
        request.title = "Save Picture";
        request.filters = {{"Bitmap Files (*.bmp)", "*.bmp"},
                           {"PNG Files (*.png)", "*.png"},
                           {"All Files (*.*)", "*.*"}};
        request.folder = m_logic->AssemblyFolder();
        request.defaultSuffix = "bmp";
        const std::optional<std::string> chosen = m_front.ChooseFile(request);
        if (!chosen)
            return;
        QString error;
        if (!tarsen::SaveBitmap(m_activePic->image.Image(), QFile::decodeName(chosen->c_str()),
                                error))
            m_front.ShowMessage(ToStdString(error));
    });
}

void frmMain::OpenFullPicture()
{
    const int N = LargePictureSize(ToStdString(txtPixels->text()));
    if (m_fullPicture) {
        // A new size needs a new window; the old one goes without a word.
        m_fullPicture->Unloaded = nullptr;
        m_fullPicture->close();
    }
    m_activePic = &m_mainSurface;
    auto* window = new frmFullPicture(N, this);
    window->SaveBitmap = [this] { SaveBitmap(); };
    window->Unloaded = [this] {
        m_activePic = &m_mainSurface;
        m_fullPicture = nullptr;
    };
    m_fullPicture = window;
    window->show();
    m_activePic = &window->Surface();
    PictureModel model = Model();
    m_picture.FastPlot = true;
    m_picture.ReplotPicture(model, *m_activePic);
    PictureChanged();
}

// ---------------------------------------------------------------------------------------------
// Auxiliary windows

void frmMain::SetAuxWindowFactory(AuxWindow which, AuxWindowFactory make)
{
    if (make)
        m_factories[which] = std::move(make);
    else
        m_factories.erase(which);
}

bool frmMain::HasAuxWindow(AuxWindow which) const
{
    const auto it = m_factories.find(which);
    return it != m_factories.end() && static_cast<bool>(it->second);
}

QWidget* frmMain::AuxWindowIfOpen(AuxWindow which) const
{
    const auto it = m_auxWindows.find(which);
    return it == m_auxWindows.end() ? nullptr : it->second.data();
}

frmFullPicture* frmMain::FullPicture() const { return m_fullPicture.data(); }

frmGraphics* frmMain::Graphics() const { return m_graphics.data(); }

frmCalcResistivity* frmMain::CalcResistivity() const { return m_calcResistivity.data(); }

frmAbout* frmMain::About() const { return m_about.data(); }

void frmMain::ShowAuxWindow(AuxWindow which)
{
    Guarded([&] {
        QWidget* window = AuxWindowIfOpen(which);
        if (window == nullptr) {
            const auto it = m_factories.find(which);
            if (it == m_factories.end() || !it->second)
                return;
            window = it->second(*this);
            if (window == nullptr)
                return;
            if (window->parentWidget() == nullptr)
                window->setParent(this, Qt::Window);
            else if (!window->isWindow())
                window->setWindowFlag(Qt::Window); // never embedded in the main window
            m_auxWindows[which] = window;
        }
        window->show();
        window->raise();
        window->activateWindow();
    });
}

void frmMain::mnuGraphics_Click()
{
    Guarded([this] {
        if (!m_graphics) {
            auto* window = new frmGraphics(m_picture, this);
            window->Saved = [this] {
                Guarded([this] {
                    // The new weights apply to a replot of the same kind as the last one.
                    PictureModel model = Model();
                    m_picture.ReplotPicture(model, *m_activePic);
                    PictureChanged();
                });
            };
            window->ShowMessage = [this](const QString& text) {
                m_front.ShowMessage(ToStdString(text));
            };
            m_graphics = window;
        }
        m_graphics->Form_Load();
        m_graphics->show();
        m_graphics->raise();
    });
}

void frmMain::mnuCalcResistivity_Click()
{
    Guarded([this] {
        if (!m_calcResistivity)
            m_calcResistivity = new frmCalcResistivity(*m_logic, this);
        m_calcResistivity->show();
        m_calcResistivity->raise();
    });
}

void frmMain::mnuAbout_Click()
{
    Guarded([this] {
        if (!m_about)
            m_about = new frmAbout(this);
        m_about->show();
        m_about->raise();
    });
}

// ---------------------------------------------------------------------------------------------
// Model and runs

void frmMain::cmdInitialize_Click()
{
    Guarded([this] { m_logic->cmdInitialize_Click(); });
}

void frmMain::cmdMakeT_MouseUp()
{
    Guarded([this] { m_logic->cmdMakeT_MouseUp(); });
}

void frmMain::RunCommand(RunKind kind, void (MainLogic::*command)())
{
    if (m_shuttingDown || m_logic->Running())
        return;
    m_runKind = kind;
    m_runStart = std::chrono::steady_clock::now();
    if (kind == RunKind::Cycles)
        prgRun->setRange(0, std::max<int>(1, m_logic->settings.ncycles));
    else
        prgRun->setRange(0, 0); // no known end: the bar only shows that the run goes on
    prgRun->setValue(0);
    lblElapsed->clear();
    Guarded([&] { (m_logic.get()->*command)(); });
    m_runKind.reset();
    prgRun->setRange(0, 1);
    prgRun->setValue(m_logic->CyclesRun() > 0 ? 1 : 0);
    lblElapsed->setText(QStringLiteral("Last run: %1 cycles in %2 s")
                            .arg(m_logic->CyclesRun())
                            .arg(m_logic->RunSeconds(), 0, 'f', 1));
    // A close asked for during the run happens now that the run's loop has unwound.
    if (m_closePending) {
        m_closePending = false;
        close();
    }
}

void frmMain::ShowCycleProgress()
{
    if (!m_runKind)
        return;
    const int n = m_logic->CyclesRun();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_runStart).count();
    if (*m_runKind == RunKind::Cycles) {
        prgRun->setValue(std::min(n, prgRun->maximum()));
        lblElapsed->setText(QStringLiteral("Cycle %1 of %2, %3 s")
                                .arg(n)
                                .arg(prgRun->maximum())
                                .arg(seconds, 0, 'f', 1));
    } else {
        lblElapsed->setText(QStringLiteral("Cycle %1, %2 s").arg(n).arg(seconds, 0, 'f', 1));
    }
}

void frmMain::cmdRunManyCycles_MouseUp()
{
    RunCommand(RunKind::Cycles, &MainLogic::cmdRunManyCycles_MouseUp);
}

void frmMain::cmdConvergeToResidual_MouseUp()
{
    RunCommand(RunKind::Residual, &MainLogic::cmdConvergeToResidual_MouseUp);
}

void frmMain::cmdGoToT_MouseUp() { RunCommand(RunKind::Temperature, &MainLogic::cmdGoToT_MouseUp); }

void frmMain::cmdStop_Click()
{
    Guarded([this] { m_logic->cmdStop_Click(); });
}

void frmMain::cmdDoubleZ_MouseUp()
{
    Guarded([this] { m_logic->cmdDoubleZ_MouseUp(); });
}

void frmMain::cmdHalveZ_MouseUp()
{
    Guarded([this] { m_logic->cmdHalveZ_MouseUp(); });
}

void frmMain::cmdDoubleGrid_MouseUp()
{
    Guarded([this] { m_logic->cmdDoubleGrid_MouseUp(); });
}

void frmMain::cmdHalveGrid_MouseUp()
{
    Guarded([this] { m_logic->cmdHalveGrid_MouseUp(); });
}

void frmMain::optGrid_MouseUp(int Index)
{
    Guarded([&] { m_logic->optGrid_MouseUp(Index == 1); });
}

void frmMain::chkRedBlack_MouseUp()
{
    Guarded([this] { m_logic->chkRedBlack_MouseUp(chkRedBlack->isChecked()); });
}

void frmMain::chkIncludePress_MouseUp()
{
    Guarded([this] { m_logic->chkIncludePress_MouseUp(chkIncludePress->isChecked()); });
}

void frmMain::chkExactSampling_MouseUp()
{
    Guarded([this] { m_logic->SetExactSampling(chkExactSampling->isChecked()); });
}

void frmMain::txtRmax_LostFocus() { SettingBox(txtRmax, &MainLogic::txtRmax_LostFocus); }

void frmMain::txtBoundaryCondition_LostFocus()
{
    SettingBox(txtBoundaryCondition, &MainLogic::txtBoundaryCondition_LostFocus);
}

void frmMain::txtCurrent_LostFocus() { SettingBox(txtCurrent, &MainLogic::txtCurrent_LostFocus); }

void frmMain::txtNCycles_LostFocus() { SettingBox(txtNCycles, &MainLogic::txtNCycles_LostFocus); }

void frmMain::txtNInner_LostFocus() { SettingBox(txtNInner, &MainLogic::txtNInner_LostFocus); }

void frmMain::txtNiters_LostFocus() { SettingBox(txtNiters, &MainLogic::txtNiters_LostFocus); }

void frmMain::txtNTits_LostFocus() { SettingBox(txtNTits, &MainLogic::txtNTits_LostFocus); }

void frmMain::txtConvergeToResidual_LostFocus()
{
    SettingBox(txtConvergeToResidual, &MainLogic::txtConvergeToResidual_LostFocus);
}

void frmMain::txtGoToT_LostFocus() { SettingBox(txtGoToT, &MainLogic::txtGoToT_LostFocus); }

void frmMain::txtTError_LostFocus() { SettingBox(txtTError, &MainLogic::txtTError_LostFocus); }

void frmMain::txtW_LostFocus() { SettingBox(txtW, &MainLogic::txtW_LostFocus); }

// ---------------------------------------------------------------------------------------------
// Contours

void frmMain::ReportRefusedBox(const char* caption, const QString& text, const std::string& kept)
{
    m_logic->WriteReport(std::string(caption) + ": \"" + ToStdString(text) + "\"" +
                         std::string(kMsgBoxNotNumber) + kept + ".");
}

void frmMain::txtContourLevel_LostFocus(int Index)
{
    Guarded([&] {
        QLineEdit* box = txtContourLevel[static_cast<std::size_t>(Index)];
        const QString text = box->text();
        box->setModified(false);
        const float kept = m_picture.ContourIntervals[static_cast<std::size_t>(Index)];
        if (!m_picture.SetContourInterval(Index, ToStdString(text)))
            ReportRefusedBox(Index == 0 ? "Major interval" : "Minor interval/Value", text,
                             ShortestSingle(kept));
    });
}

void frmMain::txtContourSize_LostFocus(int Index)
{
    Guarded([&] {
        const auto k = static_cast<std::size_t>(Index);
        QLineEdit* box = txtContourSize[k];
        const QString text = box->text();
        box->setModified(false);
        if (!m_picture.SetContourSize(Index, ToStdString(text))) {
            ReportRefusedBox("Line Weight", text, ShortestSingle(m_picture.ContourSize[k]));
            box->setText(ToQString(ShortestSingle(m_picture.ContourSize[k])));
        }
    });
}

void frmMain::scrContourSize_Change(int Index)
{
    Guarded([&] {
        const auto k = static_cast<std::size_t>(Index);
        m_picture.SetContourScroll(Index, scrContourSize[k]->value());
        txtContourSize[k]->setText(QString::number(m_picture.scrContourSize[k]));
    });
}

void frmMain::cmdAllContours_Click()
{
    Guarded([this] {
        BusyCursor busy;
        PictureModel model = Model();
        m_picture.cmdAllContours(model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::CmdContour_Click()
{
    Guarded([this] {
        const QString text = txtContourLevel[1]->text();
        const std::optional<double> level = ParseNumber(ToStdString(text));
        if (!level || !std::isfinite(*level)) {
            ReportRefusedBox("Minor interval/Value", text,
                             ShortestSingle(m_picture.ContourIntervals[1]));
            return;
        }
        BusyCursor busy;
        PictureModel model = Model();
        m_picture.CmdContour(static_cast<float>(*level), model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::cmdClearContours_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.cmdClearContours(model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::cmdPlotAll_Click()
{
    Guarded([this] {
        MainLogic& logic = *m_logic;
        logic.StatusText = std::string(kStatusPlotting);
        logic.StatusColor = StatusColour::Red;
        logic.WriteStatus();
        {
            BusyCursor busy;
            PictureModel model = Model();
            m_picture.PlotAll(model, *m_activePic);
            PictureChanged();
        }
        // "Ready to run" only when it is; otherwise FormUpdate names what is missing.
        if (logic.grid.Initialized) {
            logic.StatusText = std::string(kStatusReady);
            logic.StatusColor = StatusColour::Blue;
            logic.WriteStatus();
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Labels and the mouse on the picture

void frmMain::cmdA_Click()
{
    Guarded([this] {
        m_picture.AddLabelMode = true;
        m_picture.SelectLabelMode = false;
        picAssemblyDrawing->setCursor(Qt::CrossCursor);
    });
}

void frmMain::cmdPlotLabelSelect_Click()
{
    Guarded([this] {
        m_picture.SelectLabelMode = true;
        m_picture.AddLabelMode = false;
        picAssemblyDrawing->setCursor(Qt::SizeAllCursor);
    });
}

void frmMain::cmdChangeLabel_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.ChangeLabel(txtA->text(), model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::cmdClearLabels_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.ClearLabels(model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::cmdTextUp_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.MoveLabel(0, -1, model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::cmdTextDown_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.MoveLabel(0, 1, model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::cmdTextLeft_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.MoveLabel(-1, 0, model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::cmdTextRight_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.MoveLabel(1, 0, model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::chkShowValues_Click()
{
    Guarded([this] {
        m_picture.ShowValues = chkShowValues->isChecked();
        // The isotherm values belong to the drawing kept off screen, so it is made anew.
        PictureModel model = Model();
        m_picture.ReplotPicture(model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::FitPictureToBox()
{
    if (m_shuttingDown)
        return;
    // A run redraws the picture after each cycle; the new size waits for the run to end.
    if (m_logic->Running()) {
        m_resizeTimer->start();
        return;
    }
    const QSize room = picAssemblyDrawing->size();
    const int side =
        std::clamp(std::min(room.width(), room.height()), kMinMainPictureSide, kMaxPictureSide);
    if (side == m_mainSurface.image.Width() && side == m_mainSurface.image.Height())
        return;
    try {
        m_mainSurface.image.Resize(side, side);
        m_mainSurface.BufferBitmap = QImage();
        // A new size is no drawing command of the user's: nothing goes to the report.
        PictureModel model = Model();
        model.WriteReport = nullptr;
        m_picture.ReplotPicture(model, m_mainSurface);
        // The large picture, while it is open, keeps its own geometry.
        if (m_activePic != &m_mainSurface)
            m_picture.InitializePic(model, *m_activePic);
    } catch (const std::exception& e) {
        m_front.ShowMessage(e.what());
    }
    picAssemblyDrawing->SurfaceResized();
}

void frmMain::chkScalebar_Click()
{
    Guarded([this] {
        m_picture.ShowScaleBar = chkScalebar->isChecked();
        PictureModel model = Model();
        m_picture.Relabel(model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::picAssemblyDrawing_MouseDown(Qt::MouseButton Button, QPoint at)
{
    if (m_shuttingDown)
        return;
    m_picture.MouseDown = true;
    if (Button == Qt::RightButton)
        mnuPicture->popup(picAssemblyDrawing->mapToGlobal(at));
}

void frmMain::picAssemblyDrawing_MouseUp(Qt::MouseButton Button, QPoint at)
{
    (void)Button;
    if (!m_picture.MouseDown)
        return;
    Guarded([&] {
        PictureModel model = Model();
        const PictureClick click =
            m_picture.MouseUp(model, m_mainSurface, at.x(), at.y(), txtA->text());
        MainLogic& logic = *m_logic;
        logic.ProbeLine = click.probe.text;
        if (click.probe.insideGrid && click.probe.PartIndex >= 0) {
            logic.PartIndex = click.probe.PartIndex;
            logic.FormUpdate();
            emit PartSelected(click.probe.PartIndex, click.probe.MaterialIndex);
        }
        logic.WriteStatus();
        if (click.labelAdded || click.labelSelected)
            picAssemblyDrawing->unsetCursor();
        if (click.labelText)
            txtA->setText(*click.labelText);
        PictureChanged();
    });
}

void frmMain::picAssemblyDrawing_LostFocus()
{
    Guarded([this] {
        m_picture.AddLabelMode = false;
        picAssemblyDrawing->unsetCursor();
        m_logic->ProbeLine.clear();
        m_logic->WriteStatus();
    });
}

void frmMain::Form_MouseUp()
{
    Guarded([this] { m_logic->Form_MouseUp(); });
}

void frmMain::mouseReleaseEvent(QMouseEvent* event)
{
    Form_MouseUp();
    QMainWindow::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Menus

void frmMain::cmdFullPicture_Click()
{
    Guarded([this] { OpenFullPicture(); });
}

void frmMain::mnuOpen_Click()
{
    // A value being typed counts among the changes that opening would discard.
    CommitPendingEdit();
    Guarded([this] {
        const ReadTarsenResult result = m_logic->mnuOpen_Click();
        if (result.Applied()) {
            // The scale bar was put under the new model; the labels follow at once.
            PictureModel model = Model();
            m_picture.Relabel(model, *m_activePic);
            PictureChanged();
        }
    });
}

void frmMain::mnuOpenRecent_Click(const QString& path)
{
    CommitPendingEdit();
    Guarded([&] {
        if (!QFileInfo::exists(path)) {
            m_front.ShowMessage(ToStdString(QString::fromLatin1(kMsgNoSuchAssembly).arg(path)));
            m_recent.Remove(path);
            RebuildRecentMenu();
            return;
        }
        const ReadTarsenResult result =
            m_logic->OpenAssemblyFile(QFile::encodeName(path).toStdString());
        if (result.Applied()) {
            PictureModel model = Model();
            m_picture.Relabel(model, *m_activePic);
            PictureChanged();
        }
    });
}

void frmMain::RebuildRecentMenu()
{
    const QStringList paths = m_recent.Paths();
    for (std::size_t k = 0; k < m_recentEntries.size(); ++k) {
        QAction* entry = m_recentEntries[k];
        const bool shown = static_cast<qsizetype>(k) < paths.size();
        entry->setVisible(shown);
        if (!shown)
            continue;
        const QString& path = paths[static_cast<qsizetype>(k)];
        // "&1 name" ...: the number is the entry's mnemonic; an "&" of the name is shown as such.
        QString caption = QFileInfo(path).fileName();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        entry->setText(QStringLiteral("&%1 ").arg(k + 1) + caption);
        entry->setData(path);
        entry->setToolTip(QDir::toNativeSeparators(path));
        entry->setStatusTip(QDir::toNativeSeparators(path));
    }
    m_recentSeparator->setVisible(!paths.isEmpty());
    m_noRecent->setVisible(paths.isEmpty());
    mnuClearRecent->setVisible(!paths.isEmpty());
}

void frmMain::mnuSave_Click()
{
    // A menu does not take the focus, so a box being edited is committed first.
    CommitPendingEdit();
    Guarded([this] { m_logic->SaveAssembly(); });
}

void frmMain::mnuOpenPropertiesFile_Click()
{
    Guarded([this] {
        if (m_logic->ChoosePropertiesFile())
            RedrawAssembly(); // the parts in the new table's colours
    });
}

void frmMain::mnuExit_Click() { close(); }

void frmMain::mnuPlotPicture_Click()
{
    Guarded([this] { ReplotActive(); });
}

void frmMain::mnuShowHeatOutput_Click()
{
    Guarded([this] {
        BusyCursor busy;
        PictureModel model = Model();
        m_picture.DrawHeatOutput(model, *m_activePic, [this] {
            m_logic->Initialize();
            return m_logic->grid.Initialized;
        });
        PictureChanged();
    });
}

void frmMain::mnuAntiAliasing_Click()
{
    Guarded([this] { m_picture.AntiAliasing = mnuAntiAliasing->isChecked(); });
}

void frmMain::mnuGreyscale_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.ToggleGreyscale(model, *m_activePic);
        PictureChanged();
    });
}

void frmMain::mnuDrawModel_Click()
{
    Guarded([this] {
        PictureModel model = Model();
        m_picture.DrawModel(model, *m_activePic);
        PictureChanged();
    });
}

// ---------------------------------------------------------------------------------------------
// Closing

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_shuttingDown) {
        event->accept();
        return;
    }
    if (m_logic->Running()) {
        // The run's loop is still on the stack: it is asked to stop, and the window closes
        // when it has returned.
        m_logic->StopRequested = true;
        m_closePending = true;
        event->ignore();
        return;
    }
    CommitPendingEdit();
    bool mayClose = false;
    Guarded([&] { mayClose = m_logic->MayDiscardChanges(kAskSaveBeforeClose); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    auto closeWindow = [](QWidget* w) {
        if (w != nullptr)
            w->close();
    };
    closeWindow(m_about);
    closeWindow(m_calcResistivity);
    closeWindow(m_fullPicture);
    closeWindow(m_graphics);
    closeWindow(AuxWindowIfOpen(AuxWindow::MaterialProperties));
    closeWindow(AuxWindowIfOpen(AuxWindow::Parts));
    closeWindow(AuxWindowIfOpen(AuxWindow::PlotT));
    closeWindow(AuxWindowIfOpen(AuxWindow::Thermal));
    event->accept();
}

} // namespace tarsen
