#include "ui/frmmaterialproperties.h"

#include "common/textnum.h"
#include "common/units.h"
#include "simulation/mainlogic.h"
#include "ui/auxpicturebox.h"
#include "ui/frmallcolors.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarsen {

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

QLineEdit* DisplayBox(const char* name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromUtf8(name));
    // For display only: nothing typed here is read back.
    box->setReadOnly(true);
    return box;
}

/// One row "box label" of a coefficient frame.
void AddTerm(QGridLayout* grid, int row, QLineEdit* box, const char* after, QWidget* parent)
{
    grid->addWidget(box, row, 0);
    if (after != nullptr)
        grid->addWidget(new QLabel(QString::fromUtf8(after), parent), row, 1);
}

/// A unit as a caption: the unit constants start with the blank that separates them from a
/// number.
QString UnitText(std::string_view unit) { return QString::fromUtf8(unit.substr(1)); }

/// The line under a coefficient frame that says in which units its law works.
QLabel* UnitNote(const char* text, QWidget* parent)
{
    auto* note = new QLabel(QString::fromUtf8(text), parent);
    note->setObjectName(QStringLiteral("lblUnits"));
    return note;
}

} // namespace

frmMaterialProperties::frmMaterialProperties(MainLogic& logic, QWidget* parent)
    : QDialog(parent), m_logic(logic)
{
    setObjectName(QStringLiteral("frmMaterialProperties"));
    setWindowTitle(QStringLiteral("Material Properties Display"));
    ChooseColour = [this](std::int32_t start) -> std::optional<std::int32_t> {
        return frmAllColors::ChooseColor(start, this);
    };

    cboMaterial = new QComboBox(this);
    cboMaterial->setObjectName(QStringLiteral("cboMaterial"));
    cboMaterial->setMinimumContentsLength(24);
    txtMaterialPropertiesFileName = DisplayBox("txtMaterialPropertiesFileName", this);
    txtMaterialPropertiesFileName->setMinimumWidth(360);
    // A reference runs to a few lines: it wraps in a box tall enough for six of them, which
    // holds the longest bundled reference whole at the window's starting width.
    txtREF = new QPlainTextEdit(this);
    txtREF->setObjectName(QStringLiteral("txtREF"));
    txtREF->setReadOnly(true);
    txtREF->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtREF->setFixedHeight(6 * txtREF->fontMetrics().lineSpacing() +
                           2 * (txtREF->frameWidth() + 4));

    auto* head = new QGridLayout;
    head->addWidget(new QLabel(QStringLiteral("Material"), this), 0, 0);
    head->addWidget(cboMaterial, 0, 1);
    head->addWidget(new QLabel(QStringLiteral("Material Properties File Name"), this), 1, 0);
    head->addWidget(txtMaterialPropertiesFileName, 1, 1);
    head->addWidget(new QLabel(QStringLiteral("Reference"), this), 2, 0);
    head->addWidget(txtREF, 2, 1);

    auto* conduct = new QGroupBox(QStringLiteral("Thermal conductivity coefficients"), this);
    auto* conductGrid = new QGridLayout(conduct);
    txtC0 = DisplayBox("txtC0", conduct);
    txtC1 = DisplayBox("txtC1", conduct);
    txtC2 = DisplayBox("txtC2", conduct);
    txtC3 = DisplayBox("txtC3", conduct);
    txtC4 = DisplayBox("txtC4", conduct);
    txtC5 = DisplayBox("txtC5", conduct);
    txtCminus1 = DisplayBox("txtCminus1", conduct);
    AddTerm(conductGrid, 0, txtC0, "+", conduct);
    AddTerm(conductGrid, 1, txtC1, "* T +", conduct);
    AddTerm(conductGrid, 2, txtC2, "* T^2 +", conduct);
    AddTerm(conductGrid, 3, txtC3, "* T^3 +", conduct);
    AddTerm(conductGrid, 4, txtC4, "* T^4", conduct);
    AddTerm(conductGrid, 5, txtC5, "* T^-0.5", conduct);
    AddTerm(conductGrid, 6, txtCminus1, "* T^-1", conduct);
    conductGrid->addWidget(UnitNote("k in W/m/K, T in °C", conduct), 7, 0, 1, 2);

    auto* valid = new QGroupBox(QStringLiteral("Valid T range"), this);
    auto* validGrid = new QGridLayout(valid);
    txtTMin = DisplayBox("txtTMin", valid);
    txtTMax = DisplayBox("txtTMax", valid);
    validGrid->addWidget(new QLabel(QStringLiteral("TMin"), valid), 0, 0);
    validGrid->addWidget(txtTMin, 0, 1);
    validGrid->addWidget(new QLabel(UnitText(kUnitTemperature), valid), 0, 2);
    validGrid->addWidget(new QLabel(QStringLiteral("TMax"), valid), 1, 0);
    validGrid->addWidget(txtTMax, 1, 1);
    validGrid->addWidget(new QLabel(UnitText(kUnitTemperature), valid), 1, 2);

    auto* resist = new QGroupBox(QStringLiteral("Electrical resistivity coefficients"), this);
    auto* resistGrid = new QGridLayout(resist);
    txtR0 = DisplayBox("txtR0", resist);
    txtR1 = DisplayBox("txtR1", resist);
    txtR2 = DisplayBox("txtR2", resist);
    txtR3 = DisplayBox("txtR3", resist);
    txtR4 = DisplayBox("txtR4", resist);
    AddTerm(resistGrid, 0, txtR0, "+", resist);
    AddTerm(resistGrid, 1, txtR1, "* T +", resist);
    AddTerm(resistGrid, 2, txtR2, "* T^2", resist);
    AddTerm(resistGrid, 3, txtR3, "* T^3", resist);
    AddTerm(resistGrid, 4, txtR4, "* T^4", resist);
    resistGrid->addWidget(UnitNote("ρ in Ω m, T in °C", resist), 5, 0, 1, 2);

    auto* colour = new QGroupBox(QStringLiteral("Color"), this);
    picColor = new AuxPictureBox(64, 40, colour);
    picColor->setObjectName(QStringLiteral("picColor"));
    cmdSelectColor = new QPushButton(QStringLiteral("Change color"), colour);
    cmdSelectColor->setObjectName(QStringLiteral("cmdSelectColor"));
    cmdSelectColor->setAutoDefault(false);
    auto* colourLayout = new QHBoxLayout(colour);
    colourLayout->addWidget(picColor);
    colourLayout->addWidget(cmdSelectColor);
    colourLayout->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(valid);
    right->addWidget(resist);
    right->addWidget(colour);
    right->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(conduct, 0, Qt::AlignTop);
    body->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(body);

    connect(cboMaterial, &QComboBox::activated, this, &frmMaterialProperties::cboMaterial_Click);
    connect(cmdSelectColor, &QPushButton::clicked, this,
            &frmMaterialProperties::cmdSelectColor_Click);

    Form_Load();
}

void frmMaterialProperties::Form_Load()
{
    m_filling = true;
    cboMaterial->clear();
    const clsMaterialProperties& table = m_logic.materialproperties;
    for (int m = 0; m < table.NumberOfMaterials(); ++m)
        cboMaterial->addItem(Text(table.MaterialNames(m)));
    m_filling = false;
    m_lastPart = m_logic.PartIndex;
    m_lastPartMaterial = m_logic.Tarsen.CellPart(m_lastPart).MaterialIndex;
    ShowMaterial(m_lastPartMaterial);
}

void frmMaterialProperties::ShowMaterial(int index)
{
    const int n = m_logic.materialproperties.NumberOfMaterials();
    ShownMaterial = static_cast<std::int16_t>(index >= 0 && index < n ? index : -1);
    Refresh();
}

void frmMaterialProperties::Refresh()
{
    const clsMaterialProperties& table = m_logic.materialproperties;
    // The table may have been replaced since the index was chosen.
    if (ShownMaterial < -1 || ShownMaterial >= table.NumberOfMaterials())
        ShownMaterial = -1;
    const int m = ShownMaterial;
    const std::string& file = m_logic.settings.MaterialFileFullName;
    setWindowTitle(QStringLiteral("Material Properties: ") + Text(file));

    m_filling = true;
    if (cboMaterial->count() != table.NumberOfMaterials()) {
        cboMaterial->clear();
        for (int k = 0; k < table.NumberOfMaterials(); ++k)
            cboMaterial->addItem(Text(table.MaterialNames(k)));
    }
    cboMaterial->setCurrentIndex(m);
    cboMaterial->setPlaceholderText(m < 0 ? Text(table.MaterialNames(m)) : QString());
    if (m >= 0)
        cboMaterial->setItemText(m, Text(table.MaterialNames(m)));
    m_filling = false;

    auto show = [](QLineEdit* box, float v) {
        box->setText(QString::fromStdString(ShortestSingle(v)));
        box->setCursorPosition(0);
    };
    show(txtC0, table.C0(m));
    show(txtC1, table.C1(m));
    show(txtC2, table.C2(m));
    show(txtC3, table.C3(m));
    show(txtC4, table.C4(m));
    show(txtC5, table.C5(m));
    show(txtCminus1, table.CMinus1(m));
    show(txtTMin, table.tmin(m));
    show(txtTMax, table.tmax(m));
    show(txtR0, table.R0(m));
    show(txtR1, table.r1(m));
    show(txtR2, table.r2(m));
    show(txtR3, table.r3(m));
    show(txtR4, table.r4(m));
    txtREF->setPlainText(Text(table.MaterialName(m)));
    picColor->SetBackColor(QColorOfLong(m_logic.Tarsen.MaterialColors(m)));
    txtMaterialPropertiesFileName->setText(Text(file));
    txtMaterialPropertiesFileName->setCursorPosition(0);
}

void frmMaterialProperties::cboMaterial_Click()
{
    if (m_filling)
        return;
    ShowMaterial(cboMaterial->currentIndex());
}

void frmMaterialProperties::cmdSelectColor_Click()
{
    if (!ChooseColour)
        return;
    const int m = ShownMaterial;
    const auto chosen = ChooseColour(m_logic.Tarsen.MaterialColors(m));
    if (!chosen)
        return;
    // The assembly's colour changes; the table keeps the colour of the materials file, so the
    // assembly file stores this one as a custom colour.
    m_logic.Tarsen.MaterialColors(m, *chosen);
    picColor->SetBackColor(QColorOfLong(m_logic.Tarsen.MaterialColors(m)));
    if (m_logic.RefreshMaterialColours)
        m_logic.RefreshMaterialColours();
    if (m_logic.DrawCartoon)
        m_logic.DrawCartoon();
    m_logic.FormUpdate();
    if (ColoursChanged)
        ColoursChanged();
}

bool frmMaterialProperties::event(QEvent* e)
{
    // On focus, follow the part selected in the assembly editor, but only when that selection
    // (or the part's material) changed: coming back from the colour picker keeps the material
    // the user chose in the list.
    if (e->type() == QEvent::WindowActivate) {
        const int part = m_logic.PartIndex;
        const int material = m_logic.Tarsen.CellPart(part).MaterialIndex;
        if (part != m_lastPart || material != m_lastPartMaterial) {
            Form_Load();
        } else {
            Refresh();
        }
    }
    return QDialog::event(e);
}

} // namespace tarsen
