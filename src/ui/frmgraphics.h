// "Graphics": the line weights and sizes of the assembly drawing (thermocouple size, boundary,
// scale bar, part border and axis weights, dot length), edited in memory and applied by "Save",
// which replots the picture. Nothing is stored: the values start from their defaults next time.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLineEdit;
class QPushButton;

namespace tarsen {

class PictureState;

inline constexpr char kCaptionGraphics[] = "Graphics";
/// Start of the message that lists the boxes whose text could not be used.
inline constexpr char kMsgGraphicsRefused[] =
    "These values were not changed, because their text is not a usable number: ";

class frmGraphics : public QDialog {
public:
    /// Edits the drawing settings of picture, which must outlive the window. Non-modal.
    explicit frmGraphics(PictureState& picture, QWidget* parent = nullptr);

    QLineEdit* txtTCPointSize = nullptr;      //!< "Thermocouple point size", whole pixels
    QLineEdit* txtBoundaryWeight = nullptr;   //!< "Boundary weight"
    QLineEdit* txtScaleBarWeight = nullptr;   //!< "Scale bar weight"
    QLineEdit* txtPartBorderWeight = nullptr; //!< "Part border weight"
    QLineEdit* txtAxisWeight = nullptr;       //!< "Axis weight"
    QLineEdit* txtDotLength = nullptr;        //!< "Dot Length"
    QPushButton* cmdSave = nullptr;           //!< "Save"

    /// Each box shows the present value.
    void Form_Load();
    /// Stores every box that holds a usable number, in the order of the boxes; a box that does
    /// not keeps its value, shows it again, and one message names all such boxes. Then Saved.
    void cmdSave_Click();

    /// After the values were stored: the main window replots its active picture and updates.
    std::function<void()> Saved;
    /// Shows a message (the main window's front end).
    std::function<void(const QString&)> ShowMessage;

private:
    PictureState& m_picture;
};

} // namespace tarsen
