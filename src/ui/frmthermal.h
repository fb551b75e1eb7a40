// "Thermal Conductivities": every grid point of the solution as a small disc at its temperature
// and conductivity (W/m/K, the unit of the materials file), in its material's colour, so that the
// conductivity laws can be seen over the temperature range of the run. The limits come from the
// field and can be typed; the plot can be saved as thermal.bmp.
#pragma once

#include "simulation/condplot.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarsen {

class AuxPictureBox;
class MainLogic;

inline constexpr char kThermalBmp[] = "thermal.bmp";

class frmThermal : public QDialog {
public:
    /// The window over the main window's logic, which must outlive it. Non-modal; the main
    /// window shows it from "Plot thermal conductivities". Initializes the model first when it
    /// is not initialized, then computes the limits.
    explicit frmThermal(MainLogic& logic, QWidget* parent = nullptr);

    /// 0 top and 1 bottom of the conductivity axis (W/m/K), 2 left and 3 right of the temperature
    /// axis.
    PlotLimitSet PlotLimits{};

    // Controls by their names.
    AuxPictureBox* picThermal = nullptr;
    std::array<QLineEdit*, 4> txtLimits{};
    QPushButton* cmdPlot = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* lblStatus = nullptr;

    /// Computes the limits from the field (initializing the model first if needed) and shows
    /// them; without a usable model shows the readiness text instead.
    void Form_Load();
    void txtLimits_LostFocus(int Index);
    void cmdPlot_Click();
    /// Saves the plot as thermal.bmp in ProgramFolder, or, when that cannot be written, in the
    /// assembly's folder (then the home folder). Returns the file written, empty on failure; the
    /// status says where.
    QString Command1_Click();

    /// The program's folder (where thermal.bmp goes first); replaceable for tests.
    QString ProgramFolder;
    QString StatusText() const;
    /// The plot area (without axes) as last drawn.
    const QImage& PlotArea() const { return m_area; }

    static constexpr int kPlotWidth = 400;
    static constexpr int kPlotHeight = 300;
    /// Radius of a point's disc, pixels, and how much darker its rim is (percent, QColor::darker).
    static constexpr int kMarkerRadius = 2;
    static constexpr int kMarkerRimDarker = 160;

private:
    bool ModelUsable(QString& why) const;
    void ShowLimits();
    void ShowPlot(bool withAxes);
    void SetStatus(const QString& text);

    MainLogic& m_logic;
    QImage m_area;
    bool m_plotted = false;
};

} // namespace tarsen
