// The colour picker "All Colors": a 256 x 256 colour plane with a slider for the third
// component, three gradient bars, entry of the components, of a hexadecimal and of a decimal
// colour, a greyscale button and the 216-colour switch. Used modally: the caller gives the
// starting colour and reads the chosen one after the window closes. Closing (also by Esc or the
// title bar) confirms; there is no cancel.
#pragma once

#include "simulation/clscolor.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace tarsen {

class AuxPictureBox;

inline constexpr char kMsgNotANumber[] = "is not a number: the colour is unchanged.";
inline constexpr char kMsgNotHex[] = "is not a hexadecimal colour: the colour is unchanged.";
inline constexpr char kMsgNegativeColour[] =
    "A colour value cannot be negative: the colour is unchanged.";
inline constexpr char kMsgColourMasked[] =
    "The value is above 16777215 (&HFFFFFF): only its lowest 24 bits were used.";
inline constexpr char kMsgComponentClamped[] =
    "A component outside 0 ... 255 was set to the nearest limit.";
/// A pick released off the colour plane; the position follows.
inline constexpr char kMsgXOutOfRange[] = "x is out of range at ";
inline constexpr char kMsgYOutOfRange[] = "y is out of range at ";

class frmAllColors : public QDialog {
public:
    /// The picker starting from lFirstColor (a colour Long; a negative value starts from white).
    explicit frmAllColors(std::int32_t lFirstColor, QWidget* parent = nullptr);

    /// Shows the picker modally from first and returns the chosen colour.
    static std::int32_t ChooseColor(std::int32_t first, QWidget* parent);

    std::int32_t lFirstColor = 0; //!< the starting colour
    std::int32_t lLastColor = 0;  //!< the chosen colour, set when the window closes

    /// Refreshes every view from the current colour.
    void LoadColor();
    const clsColor& CurrentColor() const { return m_current; }
    /// The text of the status line (conversion errors); empty when none.
    QString StatusText() const;
    /// Shows a message with an OK button (an out-of-range pick on the plane); a message box
    /// over the picker unless replaced (tests record the texts).
    std::function<void(const QString&)> ShowMessage;

    // Controls by their names, public so that the main window's tests and screenshots can
    // drive the picker.
    AuxPictureBox* picAllColors = nullptr;
    QScrollBar* scrColorPlane = nullptr;
    AuxPictureBox* picRGB = nullptr;
    AuxPictureBox* Picture2 = nullptr;
    std::array<QLineEdit*, 3> txtRGBColor{};
    std::array<QScrollBar*, 3> scrColorScroll{};
    QPushButton* cmdRGB = nullptr;
    QLineEdit* txtHexColor = nullptr;
    QPushButton* cmdHex = nullptr;
    QLineEdit* txtLColor = nullptr;
    QPushButton* cmdLong = nullptr;
    QCheckBox* chk216 = nullptr;
    QPushButton* cmdGreyscale = nullptr;
    AuxPictureBox* picWhiten = nullptr;
    AuxPictureBox* picGrayen = nullptr;
    AuxPictureBox* picBlacken = nullptr;
    AuxPictureBox* picGradient = nullptr;
    QLineEdit* txtFinalColor = nullptr;
    QPushButton* cmdSelect = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    std::array<QLabel*, 3> ColorLabel{};
    QLabel* lblStatus = nullptr;

    // Event handlers, named after their controls.
    void picAllColors_MouseUp(QPoint at);
    void scrColorPlane_Change();
    void scrColorScroll_Change(int Index);
    void txtRGBColor_KeyUp(int Index);
    void cmdRGB_Click();
    void cmdHex_Click();
    void cmdLong_Click();
    void picGradientBar_MouseUp(GradientBar bar, QPoint at);
    void cmdSelect_Click();
    void chk216_Click();
    void cmdGreyscale_Click();
    void Option_Click(AxisScheme scheme);

    // Plane state, read by the tests.
    int PlaneValue = 0;  //!< plane component shown, 0 ... 255
    int ColourPlane = 0; //!< the current colour's own plane component
    int PlaneX = 0;      //!< the current colour's X component
    int PlaneY = 0;      //!< ... and its Y component
    AxisScheme Scheme() const { return m_scheme; }

    /// Ends the modal use; the chosen colour is kept whatever the result code.
    void done(int result) override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void getcolorplane();
    void ColorPlot();
    void MarkPicture();
    void DrawGradients();
    void getrgb(int x, int y);
    void PreviewTypedComponents();
    void SetStatus(const QString& text);
    void Message(const QString& text);
    void SetPlaneSlider(int value);

    clsColor m_current;
    AxisScheme m_scheme = AxisScheme::Option1;
    std::array<float, 9> m_gradientSteps{};
    bool m_mutePlane = false;  // the window sets scrColorPlane itself
    bool m_muteScroll = false; // ... or scrColorScroll
};

} // namespace tarsen
