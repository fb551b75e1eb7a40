// "Plot temperature sections": the temperature along the radial line next to the mid-plane or the
// axial line next to the axis, in grid indices or millimetres, plotted point by point and
// exported into a sheet two columns at a time. The sheet is kept by the window, written as an
// .xlsx workbook at every export and opened in the desktop's spreadsheet application the first
// time; it can also be saved as .xlsx or .csv. Each exported profile is put on the clipboard as
// tab-separated text too.
#pragma once

#include "simulation/sectionplot.h"
#include "simulation/sheet.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarsen {

class AuxPictureBox;
class MainLogic;

inline constexpr char kMsgColumnNotLetters[] =
    "The starting column must be column letters (A ... Z, AA ... XFD).";
inline constexpr char kMsgNoMoreColumns[] =
    "The sheet has no more columns: choose a starting column further left.";
inline constexpr char kMsgNoSpreadsheet[] =
    "No spreadsheet application could be opened for the workbook ";
inline constexpr char kMsgNothingToSave[] = "The sheet is empty: export a profile first.";

class frmPlotT : public QDialog {
public:
    /// The window over the main window's logic, which must outlive it. Non-modal; the main
    /// window shows it from "Plot and export temperature profiles".
    explicit frmPlotT(MainLogic& logic, QWidget* parent = nullptr);

    // Controls by their names.
    QRadioButton* optRadial = nullptr;
    QRadioButton* optAxial = nullptr;
    QRadioButton* optmm = nullptr;
    QRadioButton* optij = nullptr;
    QLineEdit* txtStart = nullptr;
    QLineEdit* txtFinish = nullptr;
    QLineEdit* txtStep = nullptr;
    QPushButton* cmdCalc = nullptr;
    QPushButton* Command1 = nullptr;
    AuxPictureBox* picPlot = nullptr;
    QLineEdit* txtColumn = nullptr;
    QPushButton* cmdExportToExcel = nullptr;
    QPushButton* cmdSaveSheet = nullptr;
    QLabel* lblSheetFile = nullptr;
    QLabel* lblStatus = nullptr;

    // Handlers.
    void cmdCalc_Click();
    void cmdExportToExcel_Click();
    void Command1_Click();
    void optRadial_MouseUp();
    void optAxial_MouseUp();
    void optij_Click();
    void optmm_Click();
    void cmdSaveSheet_Click();

    /// Writes the sheet to path, as comma-separated text when it ends in ".csv", else as an
    /// .xlsx workbook; the outcome goes to the status line. Returns whether it was written.
    bool SaveSheetAs(const QString& path);

    /// Opens a written workbook in the desktop's spreadsheet application; returns whether that
    /// worked. Replaceable for tests.
    std::function<bool(const QString& path)> OpenSpreadsheet;
    /// Folder of the export workbooks (the system's temporary folder unless set).
    QString SheetFolder;

    const Sheet& ExportSheet() const { return m_sheet; }
    /// The workbook the exports write; empty before the first export.
    const QString& SheetPath() const { return m_sheetPath; }
    /// The text of the status line; empty after an action that went well without a remark.
    QString StatusText() const;
    /// The plot area (without axes) as drawn so far: every profile plotted since the last
    /// "Erase" or change of line or units, on the axes they share.
    const QImage& PlotArea() const { return m_area; }
    /// The axes the plotted profiles share; none on a blank plot.
    const std::optional<SectionAxes>& Axes() const { return m_axes; }
    /// The profile last plotted or exported.
    const SectionProfile& LastProfile() const { return m_profile; }

    /// Pixels of the plot area.
    static constexpr int kPlotWidth = 480;
    static constexpr int kPlotHeight = 300;

private:
    void Form_Load();
    void SetUpIJ();
    void SetUpMM();
    SectionDirection Direction() const;
    SectionUnits Units() const;
    /// Computes the profile; plots and exports it as asked. Returns false (the status says
    /// why) when the profile was refused or the export failed.
    bool PlotSection(bool Plot, bool Export);
    void DrawProfile(const SectionProfile& profile);
    void ShowPlot();
    bool WriteWorkbook(QString& status);
    void SetStatus(const QString& text);

    MainLogic& m_logic;
    Sheet m_sheet;
    QString m_sheetPath;
    bool m_opened = false;
    QImage m_area;
    SectionProfile m_profile;
    std::vector<SectionProfile> m_plotted; // the profiles on the plot, oldest first
    std::optional<SectionAxes> m_axes;     // their common axes; none on a blank plot
};

} // namespace tarsen
