// The About box: a picture of an assembly in section and the program's credits.
#pragma once

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;

namespace tarsen {

inline constexpr char kCaptionAbout[] = "About Tarsen";

class frmAbout : public QDialog {
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* picLogo = nullptr;
    QLabel* lblCredits = nullptr;
    QPushButton* cmdOK = nullptr;

    /// The box's picture: half an assembly in section (furnace, sleeves, capsule) with a few
    /// isotherms around the hot zone, side x side pixels.
    static QImage LogoPicture(int side);
};

} // namespace tarsen
