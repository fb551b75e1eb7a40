#include "ui/frmplott.h"

#include "common/colour.h"
#include "common/numeric.h"
#include "simulation/mainlogic.h"
#include "simulation/sheetfile.h"
#include "ui/auxpicturebox.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tarsen {

namespace {

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QImage BlankArea()
{
    QImage area(frmPlotT::kPlotWidth, frmPlotT::kPlotHeight, QImage::Format_RGB32);
    area.fill(Qt::white);
    return area;
}

QString AxisTitle(SectionDirection direction, SectionUnits units)
{
    const bool axial = direction == SectionDirection::Axial;
    if (units == SectionUnits::Indices)
        return axial ? QStringLiteral("j") : QStringLiteral("i");
    return axial ? QStringLiteral("z (mm)") : QStringLiteral("r (mm)");
}

} // namespace

frmPlotT::frmPlotT(MainLogic& logic, QWidget* parent) : QDialog(parent), m_logic(logic)
{
    setObjectName(QStringLiteral("frmPlotT"));
    setWindowTitle(QStringLiteral("Plot temperature sections"));
    SheetFolder = QDir::tempPath();
    OpenSpreadsheet = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };

    auto* Frame2 = new QGroupBox(QStringLiteral("Direction"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    optRadial = new QRadioButton(QStringLiteral("Radial section"), Frame2);
    optRadial->setObjectName(QStringLiteral("optRadial"));
    optAxial = new QRadioButton(QStringLiteral("Axial section"), Frame2);
    optAxial->setObjectName(QStringLiteral("optAxial"));
    auto* directionLayout = new QVBoxLayout(Frame2);
    directionLayout->addWidget(optRadial);
    directionLayout->addWidget(optAxial);

    auto* Frame1 = new QGroupBox(QStringLiteral("Units"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    optmm = new QRadioButton(QStringLiteral("mm"), Frame1);
    optmm->setObjectName(QStringLiteral("optmm"));
    optij = new QRadioButton(QStringLiteral("i, j"), Frame1);
    optij->setObjectName(QStringLiteral("optij"));
    auto* unitsLayout = new QVBoxLayout(Frame1);
    unitsLayout->addWidget(optmm);
    unitsLayout->addWidget(optij);

    auto* range = new QGridLayout;
    txtStart = new QLineEdit(this);
    txtStart->setObjectName(QStringLiteral("txtStart"));
    txtFinish = new QLineEdit(this);
    txtFinish->setObjectName(QStringLiteral("txtFinish"));
    txtStep = new QLineEdit(this);
    txtStep->setObjectName(QStringLiteral("txtStep"));
    range->addWidget(new QLabel(QStringLiteral("Start"), this), 0, 0);
    range->addWidget(txtStart, 0, 1);
    range->addWidget(new QLabel(QStringLiteral("Finish"), this), 1, 0);
    range->addWidget(txtFinish, 1, 1);
    range->addWidget(new QLabel(QStringLiteral("Step"), this), 2, 0);
    range->addWidget(txtStep, 2, 1);

    cmdCalc = new QPushButton(QStringLiteral("Calc/Plot:"), this);
    cmdCalc->setObjectName(QStringLiteral("cmdCalc"));
    Command1 = new QPushButton(QStringLiteral("Erase"), this);
    Command1->setObjectName(QStringLiteral("Command1"));

    auto* Frame3 = new QGroupBox(QStringLiteral("Export data"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    txtColumn = new QLineEdit(Frame3);
    txtColumn->setObjectName(QStringLiteral("txtColumn"));
    txtColumn->setMaxLength(3);
    cmdExportToExcel = new QPushButton(QStringLiteral("Export current profile to Excel"), Frame3);
    cmdExportToExcel->setObjectName(QStringLiteral("cmdExportToExcel"));
    cmdSaveSheet = new QPushButton(QStringLiteral("Save sheet as..."), Frame3);
    cmdSaveSheet->setObjectName(QStringLiteral("cmdSaveSheet"));
    lblSheetFile = new QLabel(Frame3);
    lblSheetFile->setObjectName(QStringLiteral("lblSheetFile"));
    lblSheetFile->setWordWrap(true);
    lblSheetFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* exportLayout = new QGridLayout(Frame3);
    exportLayout->addWidget(new QLabel(QStringLiteral("Excel Starting Column"), Frame3), 0, 0);
    exportLayout->addWidget(txtColumn, 0, 1);
    exportLayout->addWidget(cmdExportToExcel, 1, 0, 1, 2);
    exportLayout->addWidget(cmdSaveSheet, 2, 0, 1, 2);
    exportLayout->addWidget(lblSheetFile, 3, 0, 1, 2);

    auto* side = new QVBoxLayout;
    side->addWidget(Frame2);
    side->addWidget(Frame1);
    side->addLayout(range);
    side->addWidget(cmdCalc);
    side->addWidget(Command1);
    side->addWidget(Frame3);
    side->addStretch();

    picPlot = new AuxPictureBox(kPlotWidth + kPlotMarginLeft + kPlotMarginRight,
                                kPlotHeight + kPlotMarginTop + kPlotMarginBottom, this);
    picPlot->setObjectName(QStringLiteral("picPlot"));

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addLayout(side);
    top->addWidget(picPlot, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblStatus);

    connect(cmdCalc, &QPushButton::clicked, this, &frmPlotT::cmdCalc_Click);
    connect(cmdExportToExcel, &QPushButton::clicked, this, &frmPlotT::cmdExportToExcel_Click);
    connect(Command1, &QPushButton::clicked, this, &frmPlotT::Command1_Click);
    connect(cmdSaveSheet, &QPushButton::clicked, this, &frmPlotT::cmdSaveSheet_Click);
    connect(optRadial, &QRadioButton::clicked, this, &frmPlotT::optRadial_MouseUp);
    connect(optAxial, &QRadioButton::clicked, this, &frmPlotT::optAxial_MouseUp);
    connect(optij, &QRadioButton::clicked, this, &frmPlotT::optij_Click);
    connect(optmm, &QRadioButton::clicked, this, &frmPlotT::optmm_Click);
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    Form_Load();
}

void frmPlotT::Form_Load()
{
    optRadial->setChecked(true);
    SetUpMM();
    txtColumn->setText(QStringLiteral("A"));
    m_area = BlankArea();
    ShowPlot();
}

QString frmPlotT::StatusText() const { return lblStatus->text(); }

void frmPlotT::SetStatus(const QString& text) { lblStatus->setText(text); }

SectionDirection frmPlotT::Direction() const
{
    return optAxial->isChecked() ? SectionDirection::Axial : SectionDirection::Radial;
}

SectionUnits frmPlotT::Units() const
{
    return optij->isChecked() ? SectionUnits::Indices : SectionUnits::Millimetres;
}

void frmPlotT::SetUpIJ()
{
    optij->setChecked(true);
    const SectionRange r = tarsen::SetUpIJ(Direction(), m_logic.grid.nr, m_logic.grid.nz);
    txtStart->setText(QString::fromStdString(r.Start));
    txtFinish->setText(QString::fromStdString(r.Finish));
    txtStep->setText(QString::fromStdString(r.Step));
}

void frmPlotT::SetUpMM()
{
    optmm->setChecked(true);
    const ModelGrid& g = m_logic.grid;
    const SectionRange r = tarsen::SetUpMM(Direction(), g.rmax, g.zmax, g.nr, g.nz);
    txtStart->setText(QString::fromStdString(r.Start));
    txtFinish->setText(QString::fromStdString(r.Finish));
    txtStep->setText(QString::fromStdString(r.Step));
}

void frmPlotT::optRadial_MouseUp()
{
    if (optmm->isChecked())
        SetUpMM();
    else
        SetUpIJ();
}

void frmPlotT::optAxial_MouseUp() { optRadial_MouseUp(); }

void frmPlotT::optij_Click() { SetUpIJ(); }

void frmPlotT::optmm_Click() { SetUpMM(); }

void frmPlotT::cmdCalc_Click() { PlotSection(true, false); }

void frmPlotT::Command1_Click()
{
    m_area = BlankArea();
    m_plotted.clear();
    m_axes.reset();
    SetStatus(QString());
    ShowPlot();
}

void frmPlotT::cmdExportToExcel_Click()
{
    // The profile is always plotted as well, so that what is exported can be seen.
    PlotSection(true, true);
}

bool frmPlotT::PlotSection(bool Plot, bool Export)
{
    // The window can stay open across a change of grid or an invalidated field: the profile
    // checks the field against the grid on every click.
    const SectionSource source =
        SectionSourceOf(m_logic.grid, [this](float R, float Z) { return m_logic.TInterp(R, Z); });
    SectionProfile profile =
        ComputeSection(source, Direction(), Units(), txtStart->text().toStdString(),
                       txtFinish->text().toStdString(), txtStep->text().toStdString());
    if (!profile.ok) {
        SetStatus(Text(profile.message));
        return false;
    }
    m_profile = std::move(profile);
    QString status;
    if (Plot) {
        if (m_profile.plottable)
            DrawProfile(m_profile);
        else
            status = QStringLiteral("Nothing to plot: ") +
                     (m_profile.points.empty()
                          ? QStringLiteral("no point of the line lies in the range.")
                          : QStringLiteral("the range or the highest temperature is zero."));
    }
    if (Export) {
        const QString letters = txtColumn->text().trimmed();
        const auto column = ColumnIndex(letters.toStdString());
        if (!column) {
            SetStatus(Text(kMsgColumnNotLetters));
            return false;
        }
        if (!ExportProfile(m_sheet, *column, m_profile)) {
            SetStatus(Text(kMsgNoMoreColumns));
            return false;
        }
        QGuiApplication::clipboard()->setText(QString::fromStdString(ProfileAsTabText(m_profile)));
        QString written;
        const bool ok = WriteWorkbook(written);
        status = status.isEmpty() ? written : status + QStringLiteral(" ") + written;
        if (!ok) {
            SetStatus(status);
            return false;
        }
        // The next export lands beside this one.
        if (const auto next = AdvanceColumn(letters.toStdString(), 2))
            txtColumn->setText(QString::fromStdString(*next));
        else
            status += QStringLiteral(" ") + Text(kMsgNoMoreColumns);
    }
    SetStatus(status);
    return true;
}

bool frmPlotT::WriteWorkbook(QString& status)
{
    if (m_sheetPath.isEmpty()) {
        // A new numbered workbook for this window; later exports update it.
        const QDir folder(SheetFolder);
        for (int n = 1; n < 100000; ++n) {
            const QString candidate =
                folder.filePath(QStringLiteral("tarsen-sections-%1.xlsx").arg(n));
            if (!QFileInfo::exists(candidate)) {
                m_sheetPath = candidate;
                break;
            }
        }
        if (m_sheetPath.isEmpty()) {
            status = QStringLiteral("No free workbook name in ") + SheetFolder;
            return false;
        }
    }
    std::string error;
    if (!WriteSheetXlsx(m_sheet, m_sheetPath.toStdString(), error)) {
        status = QString::fromStdString(error);
        return false;
    }
    lblSheetFile->setText(QStringLiteral("Workbook: ") + QDir::toNativeSeparators(m_sheetPath));
    status = QStringLiteral("Exported %1 points to %2; they are also on the clipboard.")
                 .arg(m_profile.points.size())
                 .arg(QDir::toNativeSeparators(m_sheetPath));
    if (!m_opened) {
        m_opened = OpenSpreadsheet && OpenSpreadsheet(m_sheetPath);
        if (!m_opened)
            status += QStringLiteral(" ") + Text(kMsgNoSpreadsheet) +
                      QDir::toNativeSeparators(m_sheetPath) +
                      QStringLiteral("; open it by hand, or save the sheet elsewhere.");
    } else {
        status += QStringLiteral(" Reload the workbook in the spreadsheet to see them.");
    }
    return true;
}

void frmPlotT::DrawProfile(const SectionProfile& profile)
{
    // The plot keeps its profiles until "Erase"; they share one pair of axes, so a profile of
    // another line or in other units starts the plot afresh.
    if (!m_plotted.empty() && !SameAxisKind(m_plotted.front(), profile))
        m_plotted.clear();
    m_plotted.push_back(profile);
    m_axes = CommonAxes(m_plotted);
    m_area = BlankArea();
    if (m_axes) {
        // Red points by index, blue by millimetres, three pixels wide; points above the top
        // edge (a maximum off the line) are cut off by the area.
        const QColor c = QColorOfLong(m_axes->units == SectionUnits::Indices ? kRed : kBlue);
        QPainter p(&m_area);
        for (const SectionProfile& shown : m_plotted)
            for (const SectionPoint& pt : shown.points) {
                const auto [xf, yf] = PlaceOnAxes(pt, *m_axes);
                p.fillRect(CLng(xf * kPlotWidth) - 1, CLng(yf * kPlotHeight) - 1, 3, 3, c);
            }
    }
    ShowPlot();
}

void frmPlotT::ShowPlot()
{
    if (!m_axes) {
        picPlot->SetImage(
            FramePlot(m_area, 0.0, 0.0, 0.0, 0.0, QString(), QStringLiteral("Temperature (°C)")));
        return;
    }
    picPlot->SetImage(FramePlot(m_area, m_axes->left, m_axes->right, 0.0, m_axes->Tmax,
                                AxisTitle(m_axes->direction, m_axes->units),
                                QStringLiteral("Temperature (°C)")));
}

bool frmPlotT::SaveSheetAs(const QString& path)
{
    if (m_sheet.Empty()) {
        SetStatus(Text(kMsgNothingToSave));
        return false;
    }
    std::string error;
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    const bool ok = csv ? WriteSheetCsv(m_sheet, path.toStdString(), error)
                        : WriteSheetXlsx(m_sheet, path.toStdString(), error);
    SetStatus(ok ? QStringLiteral("The sheet was saved as ") + QDir::toNativeSeparators(path)
                 : QString::fromStdString(error));
    return ok;
}

void frmPlotT::cmdSaveSheet_Click()
{
    if (m_sheet.Empty()) {
        SetStatus(Text(kMsgNothingToSave));
        return;
    }
    // Beside the assembly the profiles came from.
    QString folder = QFile::decodeName(m_logic.AssemblyFolder().c_str());
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QString filter;
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save sheet"), folder,
        QStringLiteral("Excel workbook (*.xlsx);;Comma-separated values (*.csv)"), &filter);
    if (path.isEmpty())
        return;
    QString target = path;
    if (QFileInfo(target).suffix().isEmpty())
        target += filter.contains(QStringLiteral("csv")) ? QStringLiteral(".csv")
                                                         : QStringLiteral(".xlsx");
    SaveSheetAs(target);
}

} // namespace tarsen
