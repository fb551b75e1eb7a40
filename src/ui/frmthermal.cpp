#include "ui/frmthermal.h"

#include "common/textnum.h"
#include "simulation/mainlogic.h"
#include "ui/auxpicturebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <cmath>

namespace tarsen {

namespace {

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QImage BlankArea()
{
    QImage area(frmThermal::kPlotWidth, frmThermal::kPlotHeight, QImage::Format_RGB32);
    area.fill(Qt::white);
    return area;
}

/// Writes image as a BMP file at path through a temporary file; the reason on failure.
bool SaveBmp(const QImage& image, const QString& path, QString& reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
        return false;
    }
    if (!image.save(&file, "BMP")) {
        reason = QStringLiteral("the picture could not be encoded");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace

frmThermal::frmThermal(MainLogic& logic, QWidget* parent) : QDialog(parent), m_logic(logic)
{
    setObjectName(QStringLiteral("frmThermal"));
    setWindowTitle(QStringLiteral("Thermal Conductivities"));
    ProgramFolder = QCoreApplication::applicationDirPath();

    picThermal = new AuxPictureBox(kPlotWidth + kPlotMarginLeft + kPlotMarginRight,
                                   kPlotHeight + kPlotMarginTop + kPlotMarginBottom, this);
    picThermal->setObjectName(QStringLiteral("picThermal"));

    static constexpr const char* kLimitCaptions[] = {"Top (conductivity)", "Bottom (conductivity)",
                                                     "Left (temperature)", "Right (temperature)"};
    auto* limits = new QGridLayout;
    for (int k = 0; k < 4; ++k) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("txtLimits%1").arg(k));
        box->setMaximumWidth(110);
        txtLimits[static_cast<std::size_t>(k)] = box;
        limits->addWidget(new QLabel(QString::fromUtf8(kLimitCaptions[k]), this), k, 0);
        limits->addWidget(box, k, 1);
        connect(box, &QLineEdit::editingFinished, this, [this, k] { txtLimits_LostFocus(k); });
    }
    cmdPlot = new QPushButton(QStringLiteral("Plot"), this);
    cmdPlot->setObjectName(QStringLiteral("cmdPlot"));
    Command1 = new QPushButton(QStringLiteral("Save in Thermal.bmp"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    for (QPushButton* b : {cmdPlot, Command1})
        b->setAutoDefault(false);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* side = new QVBoxLayout;
    side->addLayout(limits);
    side->addWidget(cmdPlot);
    side->addWidget(Command1);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picThermal, 0, Qt::AlignTop);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblStatus);

    connect(cmdPlot, &QPushButton::clicked, this, &frmThermal::cmdPlot_Click);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    m_area = BlankArea();
    Form_Load();
}

QString frmThermal::StatusText() const { return lblStatus->text(); }

void frmThermal::SetStatus(const QString& text) { lblStatus->setText(text); }

bool frmThermal::ModelUsable(QString& why) const
{
    // Without a built model the conductivity array is missing or of another grid; reading it
    // would run past its end.
    if (m_logic.grid.Initialized && ConductivityPlotLimits(m_logic.grid))
        return true;
    why = m_logic.StatusText.empty() ? QStringLiteral("The model is not initialized.")
                                     : Text(m_logic.StatusText);
    return false;
}

void frmThermal::Form_Load()
{
    if (!m_logic.grid.Initialized && !m_logic.Running())
        m_logic.Initialize();
    QString why;
    if (!ModelUsable(why)) {
        PlotLimits = {};
        for (QLineEdit* box : txtLimits)
            box->clear();
        SetStatus(why);
        ShowPlot(false);
        return;
    }
    PlotLimits = *ConductivityPlotLimits(m_logic.grid);
    ShowLimits();
    SetStatus(QString());
    ShowPlot(m_plotted);
}

void frmThermal::ShowLimits()
{
    for (std::size_t k = 0; k < 4; ++k)
        txtLimits[k]->setText(QString::fromStdString(ShortestSingle(PlotLimits[k])));
}

void frmThermal::txtLimits_LostFocus(int Index)
{
    const auto k = static_cast<std::size_t>(Index);
    const QString text = txtLimits[k]->text();
    const auto v = ParseNumber(text.toStdString());
    if (!v || !std::isfinite(static_cast<float>(*v))) {
        SetStatus(QStringLiteral("\"") + text + QStringLiteral("\" is not a number: ") +
                  Text(kMsgLimitNotNumber));
        txtLimits[k]->setText(QString::fromStdString(ShortestSingle(PlotLimits[k])));
        return;
    }
    PlotLimits[k] = static_cast<float>(*v);
    SetStatus(QString());
}

void frmThermal::cmdPlot_Click()
{
    QString why;
    if (!ModelUsable(why)) {
        SetStatus(why);
        return;
    }
    const std::string refused = CheckPlotLimits(PlotLimits);
    if (!refused.empty()) {
        SetStatus(Text(refused));
        return;
    }
    m_area = BlankArea();
    {
        // Each point is a small disc in its material's colour with a darker rim, so that
        // materials drawn in light colours still show on the white plot.
        QPainter painter(&m_area);
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (const CondPixel& p :
             ConductivityPlotPixels(m_logic.grid, PlotLimits, kPlotWidth, kPlotHeight)) {
            const QColor fill = QColorOfLong(m_logic.Tarsen.MaterialColors(p.material));
            painter.setPen(QPen(fill.darker(kMarkerRimDarker), 1));
            painter.setBrush(fill);
            painter.drawEllipse(QPoint(p.x, p.y), kMarkerRadius, kMarkerRadius);
        }
    }
    m_plotted = true;
    SetStatus(QString());
    ShowPlot(true);
}

void frmThermal::ShowPlot(bool withAxes)
{
    const QString xTitle = QStringLiteral("Temperature (°C)");
    const QString yTitle = QStringLiteral("Conductivity (W/m/K)");
    if (!withAxes || !CheckPlotLimits(PlotLimits).empty()) {
        picThermal->SetImage(FramePlot(m_area, 0.0, 0.0, 0.0, 0.0, xTitle, yTitle));
        return;
    }
    picThermal->SetImage(FramePlot(m_area, PlotLimits[2], PlotLimits[3], PlotLimits[1],
                                   PlotLimits[0], xTitle, yTitle));
}

QString frmThermal::Command1_Click()
{
    const QImage picture = picThermal->Image();
    QStringList folders;
    for (const QString& f :
         {ProgramFolder, QString::fromStdString(m_logic.settings.DataFolder),
          QFileInfo(QString::fromStdString(m_logic.settings.TSNFileName)).absolutePath(),
          QDir::homePath()}) {
        if (!f.isEmpty() && !folders.contains(QDir::cleanPath(f)))
            folders.append(QDir::cleanPath(f));
    }
    QStringList failures;
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(QString::fromUtf8(kThermalBmp));
        QString reason;
        if (SaveBmp(picture, path, reason)) {
            QString status = QStringLiteral("The plot was saved as ") +
                             QDir::toNativeSeparators(path) + QStringLiteral(".");
            if (!failures.isEmpty())
                status += QStringLiteral(" (") + failures.join(QStringLiteral("; ")) +
                          QStringLiteral(")");
            SetStatus(status);
            return path;
        }
        failures.append(QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason);
    }
    SetStatus(QStringLiteral("The plot could not be saved: ") +
              failures.join(QStringLiteral("; ")));
    return QString();
}

} // namespace tarsen
