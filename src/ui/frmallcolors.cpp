#include "ui/frmallcolors.h"

#include "common/colour.h"
#include "ui/auxpicturebox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tarsen {

namespace {

constexpr int kPlaneSide = 256;
constexpr int kBarHeight = 33;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }
QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString Quoted(const QString& text) { return QStringLiteral("\"") + text + QStringLiteral("\" "); }

std::string Utf8(const QString& text) { return text.toStdString(); }

QImage BlankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

/// The colour Long typed into a decimal colour box, or nothing with the status text why.
std::optional<std::int32_t> TypedColour(const QString& text, QString& status)
{
    const auto value = ParseWholeNumber(Utf8(text));
    if (!value) {
        status = Quoted(text) + Text(kMsgNotANumber);
        return std::nullopt;
    }
    if (*value < 0) {
        status = Text(kMsgNegativeColour);
        return std::nullopt;
    }
    if (*value > 0xFFFFFF)
        status = Text(kMsgColourMasked);
    return *value;
}

} // namespace

frmAllColors::frmAllColors(std::int32_t firstColor, QWidget* parent)
    : QDialog(parent), lFirstColor(firstColor)
{
    setObjectName(QStringLiteral("frmAllColors"));
    setWindowTitle(QStringLiteral("All Colors"));
    setModal(true);

    // The plane with its letters and the plane slider.
    picAllColors = new AuxPictureBox(kPlaneSide, kPlaneSide, this);
    picAllColors->setObjectName(QStringLiteral("picAllColors"));
    picAllColors->setCursor(Qt::CrossCursor);
    scrColorPlane = new QScrollBar(Qt::Vertical, this);
    scrColorPlane->setObjectName(QStringLiteral("scrColorPlane"));
    scrColorPlane->setRange(0, 255);
    scrColorPlane->setFixedHeight(kPlaneSide);
    for (std::size_t k = 0; k < 3; ++k) {
        ColorLabel[k] = new QLabel(this);
        ColorLabel[k]->setObjectName(QStringLiteral("ColorLabel%1").arg(k));
    }
    auto* plane = new QGridLayout;
    plane->addWidget(ColorLabel[1], 0, 0, Qt::AlignTop);
    plane->addWidget(picAllColors, 0, 1);
    plane->addWidget(scrColorPlane, 0, 2);
    plane->addWidget(ColorLabel[2], 1, 2, Qt::AlignHCenter);
    plane->addWidget(ColorLabel[0], 1, 1, Qt::AlignRight);

    // Swatches.
    picRGB = new AuxPictureBox(48, 48, this);
    picRGB->setObjectName(QStringLiteral("picRGB"));
    picRGB->setToolTip(QStringLiteral("Click to select the typed components"));
    Picture2 = new AuxPictureBox(48, 48, this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setToolTip(QStringLiteral("The current colour"));

    auto* axis = new QGroupBox(QStringLiteral("Axis Scheme"), this);
    Option1 = new QRadioButton(QStringLiteral("Red-Green / Blue"), axis);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("Blue-Red / Green"), axis);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option3 = new QRadioButton(QStringLiteral("Green-Blue / Red"), axis);
    Option3->setObjectName(QStringLiteral("Option3"));
    auto* axisLayout = new QVBoxLayout(axis);
    axisLayout->addWidget(Option1);
    axisLayout->addWidget(Option2);
    axisLayout->addWidget(Option3);

    auto* rgb = new QGroupBox(QStringLiteral("Red/Green/Blue"), this);
    auto* rgbLayout = new QGridLayout(rgb);
    static constexpr const char* kComponentNames[] = {"Red", "Green", "Blue"};
    for (std::size_t k = 0; k < 3; ++k) {
        txtRGBColor[k] = new QLineEdit(rgb);
        txtRGBColor[k]->setObjectName(QStringLiteral("txtRGBColor%1").arg(k));
        txtRGBColor[k]->setFixedWidth(48);
        txtRGBColor[k]->setToolTip(Text(kComponentNames[k]));
        scrColorScroll[k] = new QScrollBar(Qt::Horizontal, rgb);
        scrColorScroll[k]->setObjectName(QStringLiteral("scrColorScroll%1").arg(k));
        scrColorScroll[k]->setRange(0, 255);
        scrColorScroll[k]->setMinimumWidth(120);
        rgbLayout->addWidget(txtRGBColor[k], static_cast<int>(k), 0);
        rgbLayout->addWidget(scrColorScroll[k], static_cast<int>(k), 1);
    }
    cmdRGB = new QPushButton(QStringLiteral("Select"), rgb);
    cmdRGB->setObjectName(QStringLiteral("cmdRGB"));
    rgbLayout->addWidget(cmdRGB, 3, 1, Qt::AlignRight);

    auto* frmHex = new QGroupBox(QStringLiteral("Hexadecimal"), this);
    frmHex->setObjectName(QStringLiteral("frmHex"));
    txtHexColor = new QLineEdit(frmHex);
    txtHexColor->setObjectName(QStringLiteral("txtHexColor"));
    cmdHex = new QPushButton(QStringLiteral("Select"), frmHex);
    cmdHex->setObjectName(QStringLiteral("cmdHex"));
    auto* hexLayout = new QHBoxLayout(frmHex);
    hexLayout->addWidget(txtHexColor);
    hexLayout->addWidget(cmdHex);

    auto* frmDec = new QGroupBox(QStringLiteral("Decimal (Long integer)"), this);
    frmDec->setObjectName(QStringLiteral("frmDec"));
    txtLColor = new QLineEdit(frmDec);
    txtLColor->setObjectName(QStringLiteral("txtLColor"));
    cmdLong = new QPushButton(QStringLiteral("Select"), frmDec);
    cmdLong->setObjectName(QStringLiteral("cmdLong"));
    auto* decLayout = new QHBoxLayout(frmDec);
    decLayout->addWidget(txtLColor);
    decLayout->addWidget(cmdLong);

    chk216 = new QCheckBox(QStringLiteral("6x6x6 compression (216 colors)"), this);
    chk216->setObjectName(QStringLiteral("chk216"));
    cmdGreyscale = new QPushButton(QStringLiteral("Greyscale"), this);
    cmdGreyscale->setObjectName(QStringLiteral("cmdGreyscale"));

    auto* swatches = new QHBoxLayout;
    swatches->addWidget(picRGB);
    swatches->addWidget(Picture2);
    swatches->addStretch();
    swatches->addWidget(cmdGreyscale);
    auto* side = new QVBoxLayout;
    side->addLayout(swatches);
    side->addWidget(axis);
    side->addWidget(rgb);
    side->addWidget(frmHex);
    side->addWidget(frmDec);
    side->addWidget(chk216);
    side->addStretch();

    // Gradient bars and the gradient choice.
    auto* bars = new QGridLayout;
    const std::pair<AuxPictureBox**, const char*> barSpec[] = {
        {&picWhiten, "Whitening"}, {&picGrayen, "Greying"}, {&picBlacken, "Blackening"}};
    static constexpr const char* kBarNames[] = {"picWhiten", "picGrayen", "picBlacken"};
    for (int b = 0; b < 3; ++b) {
        auto* box = new AuxPictureBox(kPlaneSide, kBarHeight, this);
        box->setObjectName(Text(kBarNames[b]));
        box->setCursor(Qt::CrossCursor);
        *barSpec[b].first = box;
        bars->addWidget(new QLabel(Text(barSpec[b].second), this), b, 0);
        bars->addWidget(box, b, 1);
    }
    picGradient = new AuxPictureBox(48, 48, this);
    picGradient->setObjectName(QStringLiteral("picGradient"));
    picGradient->setToolTip(QStringLiteral("Click to select the gradient colour"));
    txtFinalColor = new QLineEdit(this);
    txtFinalColor->setObjectName(QStringLiteral("txtFinalColor"));
    cmdSelect = new QPushButton(QStringLiteral("Select gradient color"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    auto* gradientChoice = new QVBoxLayout;
    gradientChoice->addWidget(picGradient);
    gradientChoice->addWidget(txtFinalColor);
    gradientChoice->addWidget(cmdSelect);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(bars);
    bottom->addLayout(gradientChoice);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));

    auto* planeColumn = new QVBoxLayout;
    planeColumn->addLayout(plane);
    planeColumn->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(planeColumn);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    layout->addWidget(lblStatus);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Wiring.
    picAllColors->MouseUp = [this](QPoint at) { picAllColors_MouseUp(at); };
    connect(scrColorPlane, &QScrollBar::valueChanged, this, &frmAllColors::scrColorPlane_Change);
    for (int k = 0; k < 3; ++k) {
        connect(scrColorScroll[static_cast<std::size_t>(k)], &QScrollBar::valueChanged, this,
                [this, k] { scrColorScroll_Change(k); });
        connect(txtRGBColor[static_cast<std::size_t>(k)], &QLineEdit::textEdited, this,
                [this, k] { txtRGBColor_KeyUp(k); });
    }
    connect(cmdRGB, &QPushButton::clicked, this, &frmAllColors::cmdRGB_Click);
    picRGB->MouseUp = [this](QPoint) { cmdRGB_Click(); };
    connect(cmdHex, &QPushButton::clicked, this, &frmAllColors::cmdHex_Click);
    connect(cmdLong, &QPushButton::clicked, this, &frmAllColors::cmdLong_Click);
    picWhiten->MouseUp = [this](QPoint at) { picGradientBar_MouseUp(GradientBar::Whiten, at); };
    picGrayen->MouseUp = [this](QPoint at) { picGradientBar_MouseUp(GradientBar::Grayen, at); };
    picBlacken->MouseUp = [this](QPoint at) { picGradientBar_MouseUp(GradientBar::Blacken, at); };
    connect(cmdSelect, &QPushButton::clicked, this, &frmAllColors::cmdSelect_Click);
    picGradient->MouseUp = [this](QPoint) { cmdSelect_Click(); };
    connect(chk216, &QCheckBox::clicked, this, &frmAllColors::chk216_Click);
    connect(cmdGreyscale, &QPushButton::clicked, this, &frmAllColors::cmdGreyscale_Click);
    connect(Option1, &QRadioButton::clicked, this, [this] { Option_Click(AxisScheme::Option1); });
    connect(Option2, &QRadioButton::clicked, this, [this] { Option_Click(AxisScheme::Option2); });
    connect(Option3, &QRadioButton::clicked, this, [this] { Option_Click(AxisScheme::Option3); });
    Picture2->MouseUp = [this](QPoint) { LoadColor(); };
    // Enter in a box selects what it holds rather than closing the window.
    connect(txtHexColor, &QLineEdit::returnPressed, this, &frmAllColors::cmdHex_Click);
    connect(txtLColor, &QLineEdit::returnPressed, this, &frmAllColors::cmdLong_Click);
    connect(txtFinalColor, &QLineEdit::returnPressed, this, &frmAllColors::cmdSelect_Click);
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    // Loading.
    chk216->setChecked(false);
    SetPlaneSlider(0);
    Option1->setChecked(true);
    m_scheme = AxisScheme::Option1;
    const auto captions = AxisCaptions(m_scheme);
    for (std::size_t k = 0; k < 3; ++k)
        ColorLabel[k]->setText(Text(captions[k]));
    picAllColors->SetImage(BlankImage(kPlaneSide, kPlaneSide));
    for (AuxPictureBox* bar : {picWhiten, picGrayen, picBlacken})
        bar->SetImage(BlankImage(kPlaneSide, kBarHeight));
    for (QLineEdit* box : txtRGBColor) {
        QPalette p = box->palette();
        p.setColor(QPalette::Text, Qt::white);
        box->setPalette(p);
    }
    if (lFirstColor >= 0)
        m_current.LongColor(lFirstColor);
    lLastColor = m_current.LongColor();
    // Fill the views once the window is shown.
    QTimer::singleShot(0, this, &frmAllColors::LoadColor);
}

std::int32_t frmAllColors::ChooseColor(std::int32_t first, QWidget* parent)
{
    frmAllColors picker(first, parent);
    picker.exec();
    return picker.lLastColor;
}

QString frmAllColors::StatusText() const { return lblStatus->text(); }

void frmAllColors::SetStatus(const QString& text) { lblStatus->setText(text); }

void frmAllColors::Message(const QString& text)
{
    if (ShowMessage)
        ShowMessage(text);
    else
        QMessageBox::information(this, windowTitle(), text);
}

void frmAllColors::SetPlaneSlider(int value)
{
    m_mutePlane = true;
    scrColorPlane->setValue(value);
    m_mutePlane = false;
}

void frmAllColors::LoadColor()
{
    txtHexColor->setText(Text(m_current.HexColor()));
    m_muteScroll = true;
    for (int k = 0; k < 3; ++k)
        scrColorScroll[static_cast<std::size_t>(k)]->setValue(m_current.RGBValues(k));
    m_muteScroll = false;
    for (int k = 0; k < 3; ++k) {
        QLineEdit* box = txtRGBColor[static_cast<std::size_t>(k)];
        const int v = m_current.RGBValues(k);
        QPalette p = box->palette();
        p.setColor(QPalette::Base, QColor(k == 0 ? v : 0, k == 1 ? v : 0, k == 2 ? v : 0));
        p.setColor(QPalette::Text, Qt::white);
        box->setPalette(p);
        box->setText(QString::number(v));
    }
    const std::int32_t colour = m_current.LongColor();
    for (AuxPictureBox* swatch : {picRGB, Picture2, picGradient})
        swatch->SetBackColor(QColorOfLong(colour));
    txtLColor->setText(QString::number(colour));
    txtFinalColor->setText(QString::number(colour));
    getcolorplane();
}

void frmAllColors::getcolorplane()
{
    const AxisComponents a = AxisOf(m_scheme);
    PlaneValue = m_current.RGBValues(a.plane);
    ColourPlane = PlaneValue;
    PlaneX = m_current.RGBValues(a.x);
    PlaneY = m_current.RGBValues(a.y);
    SetPlaneSlider(PlaneValue);
    ColorPlot();
    MarkPicture();
}

void frmAllColors::ColorPlot()
{
    // Built off screen and shown in one piece.
    QImage image(kPlaneSide, kPlaneSide, QImage::Format_RGB32);
    for (int y = 0; y < kPlaneSide; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kPlaneSide; ++x) {
            const std::int32_t c = PlaneColour(m_scheme, x, y, PlaneValue, m_current.bool216);
            line[x] = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
        }
    }
    picAllColors->SetImage(std::move(image));
}

void frmAllColors::MarkPicture()
{
    PlaneX = std::clamp(PlaneX, 0, kPlaneSide - 1);
    PlaneY = std::clamp(PlaneY, 0, kPlaneSide - 1);
    if (PlaneValue == ColourPlane) {
        // The displayed plane holds the current colour: ring it, inverting what lies beneath so
        // that the ring shows on any colour.
        QImage image = picAllColors->Image();
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPoint(PlaneX, PlaneY), 5, 5);
        painter.end();
        picAllColors->SetImage(std::move(image));
    }
    m_gradientSteps = GradientSteps(m_current);
    DrawGradients();
}

void frmAllColors::DrawGradients()
{
    const std::pair<AuxPictureBox*, GradientBar> bars[] = {{picWhiten, GradientBar::Whiten},
                                                           {picGrayen, GradientBar::Grayen},
                                                           {picBlacken, GradientBar::Blacken}};
    for (const auto& [box, bar] : bars) {
        QImage image(kPlaneSide, kBarHeight, QImage::Format_RGB32);
        for (int x = 0; x < kPlaneSide; ++x) {
            const std::int32_t c = GradientColour(m_current, m_gradientSteps, bar, x);
            const QRgb pixel = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
            for (int y = 0; y < kBarHeight; ++y)
                image.setPixel(x, y, pixel);
        }
        box->SetImage(std::move(image));
    }
}

void frmAllColors::getrgb(int x, int y)
{
    const AxisComponents a = AxisOf(m_scheme);
    m_current.RGBValues(a.x, x);
    m_current.RGBValues(a.y, y);
    m_current.RGBValues(a.plane, PlaneValue);
}

void frmAllColors::picAllColors_MouseUp(QPoint at)
{
    picGradient->SetBackColor(palette().color(QPalette::Button));
    // The plane is drawn one pixel per component value, so the pixel released on is the pick
    // itself. A release off the plane is reported, then picked at the nearest edge: a component
    // outside 0 ... 255 would spill into its neighbours in the colour Long.
    int x = at.x();
    int y = at.y();
    SetStatus(QString());
    if (x < 0 || x > kPlaneSide - 1) {
        Message(QString::fromLatin1(kMsgXOutOfRange) + QString::number(x));
        x = std::clamp(x, 0, kPlaneSide - 1);
    }
    if (y < 0 || y > kPlaneSide - 1) {
        Message(QString::fromLatin1(kMsgYOutOfRange) + QString::number(y));
        y = std::clamp(y, 0, kPlaneSide - 1);
    }
    getrgb(x, y);
    LoadColor();
}

void frmAllColors::scrColorPlane_Change()
{
    if (m_mutePlane)
        return;
    PlaneValue = scrColorPlane->value();
    if (m_current.bool216) {
        PlaneValue = clsColor::IntCompress(PlaneValue);
        SetPlaneSlider(PlaneValue);
    }
    ColorPlot();
    MarkPicture();
}

void frmAllColors::PreviewTypedComponents()
{
    std::array<int, 3> c{};
    for (std::size_t k = 0; k < 3; ++k) {
        const auto v = ParseWholeNumber(Utf8(txtRGBColor[k]->text()));
        if (!v)
            return;
        c[k] = std::clamp(*v, 0, 255);
    }
    picRGB->SetBackColor(QColor(c[0], c[1], c[2]));
}

void frmAllColors::scrColorScroll_Change(int Index)
{
    if (m_muteScroll)
        return;
    const auto k = static_cast<std::size_t>(Index);
    txtRGBColor[k]->setText(QString::number(scrColorScroll[k]->value()));
    PreviewTypedComponents();
}

void frmAllColors::txtRGBColor_KeyUp(int) { PreviewTypedComponents(); }

void frmAllColors::cmdRGB_Click()
{
    std::array<int, 3> c{};
    bool clamped = false;
    for (std::size_t k = 0; k < 3; ++k) {
        const QString text = txtRGBColor[k]->text();
        const auto v = ParseWholeNumber(Utf8(text));
        if (!v) {
            SetStatus(Quoted(text) + Text(kMsgNotANumber));
            return;
        }
        clamped = clamped || *v < 0 || *v > 255;
        c[k] = *v;
    }
    SetStatus(clamped ? Text(kMsgComponentClamped) : QString());
    for (int k = 0; k < 3; ++k)
        m_current.RGBValues(k, c[static_cast<std::size_t>(k)]);
    LoadColor();
}

void frmAllColors::cmdHex_Click()
{
    const QString text = txtHexColor->text();
    if (!m_current.HexColor(Utf8(text))) {
        SetStatus(Quoted(text) + Text(kMsgNotHex));
        return;
    }
    SetStatus(QString());
    LoadColor();
}

void frmAllColors::cmdLong_Click()
{
    QString status;
    const auto colour = TypedColour(txtLColor->text(), status);
    SetStatus(status);
    if (!colour)
        return;
    m_current.LongColor(*colour);
    LoadColor();
}

void frmAllColors::picGradientBar_MouseUp(GradientBar bar, QPoint at)
{
    const AuxPictureBox* box = bar == GradientBar::Whiten   ? picWhiten
                               : bar == GradientBar::Grayen ? picGrayen
                                                            : picBlacken;
    const QImage& image = box->Image();
    if (image.isNull())
        return;
    const int x = std::clamp(at.x(), 0, image.width() - 1);
    const int y = std::clamp(at.y(), 0, image.height() - 1);
    const QColor colour = image.pixelColor(x, y);
    picGradient->SetBackColor(colour);
    txtFinalColor->setText(QString::number(LongOfQColor(colour)));
}

void frmAllColors::cmdSelect_Click()
{
    QString status;
    const auto colour = TypedColour(txtFinalColor->text(), status);
    SetStatus(status);
    if (!colour)
        return;
    m_current.LongColor(*colour);
    LoadColor();
}

void frmAllColors::chk216_Click()
{
    m_current.bool216 = chk216->isChecked();
    const int step = m_current.bool216 ? 51 : 1;
    scrColorPlane->setSingleStep(step);
    scrColorPlane->setPageStep(step);
    LoadColor();
}

void frmAllColors::cmdGreyscale_Click()
{
    m_current.GreyScale();
    LoadColor();
}

void frmAllColors::Option_Click(AxisScheme scheme)
{
    m_scheme = scheme;
    const auto captions = AxisCaptions(scheme);
    for (std::size_t k = 0; k < 3; ++k)
        ColorLabel[k]->setText(Text(captions[k]));
    LoadColor();
}

void frmAllColors::done(int)
{
    lLastColor = m_current.LongColor();
    QDialog::done(QDialog::Accepted);
}

void frmAllColors::reject() { done(QDialog::Accepted); }

void frmAllColors::closeEvent(QCloseEvent* event)
{
    lLastColor = m_current.LongColor();
    QDialog::closeEvent(event);
}

} // namespace tarsen
