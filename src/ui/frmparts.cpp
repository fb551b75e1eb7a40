#include "ui/frmparts.h"

#include "graphics/picturestate.h"
#include "simulation/mainlogic.h"
#include "ui/auxpicturebox.h"
#include "ui/frmabout.h"
#include "ui/frmcalcresistivity.h"
#include "ui/frmfullpicture.h"
#include "ui/frmgraphics.h"
#include "ui/frmmain.h"
#include "ui/frmmaterialproperties.h"
#include "ui/picturebox.h"
#include "ui/qtfrontend.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <exception>

namespace tarsen {

namespace {

/// Colours of the boundary swatches when the editor has no drawing state: zero flux red,
/// isothermal blue.
constexpr std::array<std::int32_t, 2> kDefaultBoundaryColors{255, 16711680};
constexpr std::int32_t kPictureBackground = 16777215;
constexpr int kSwatchSize = 22;

QString Name(const char* name) { return QString::fromUtf8(name); }

QLineEdit* Box(const char* name, QWidget* parent, bool readOnly = false)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(Name(name));
    box->setMaximumWidth(110);
    box->setReadOnly(readOnly);
    return box;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent)
{
    auto* b = new QPushButton(Name(caption), parent);
    b->setObjectName(Name(name));
    b->setAutoDefault(false);
    return b;
}

QRadioButton* Radio(const QString& name, const char* caption, QWidget* parent)
{
    auto* r = new QRadioButton(Name(caption), parent);
    r->setObjectName(name);
    return r;
}

QString Indexed(const char* name, int index)
{
    return Name(name) + QLatin1Char('_') + QString::number(index);
}

/// Sets a box's text without disturbing a box that already shows it (the cursor stays).
void Show(QLineEdit* box, const std::string& text)
{
    const QString q = ToQString(text);
    if (box->text() != q) {
        box->setText(q);
        box->setCursorPosition(0);
    }
}

/// Checks the button of id in an exclusive group, or none for an id it does not have.
void CheckOnly(QButtonGroup* group, int id)
{
    QAbstractButton* button = group->button(id);
    if (button != nullptr) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

} // namespace

ClickableSwatch::ClickableSwatch(QWidget* parent) : QLabel(parent)
{
    setFixedSize(kSwatchSize, kSwatchSize);
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    setCursor(Qt::PointingHandCursor);
}

void ClickableSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        Clicked)
        Clicked();
}

frmParts::frmParts(MainLogic& logic, PartsEditorLinks links, QWidget* parent)
    : QDialog(parent), m_logic(logic), m_links(std::move(links)),
      m_editor(PartsEditorModel{logic.Tarsen, logic.materialproperties, logic.settings.ibcs,
                                logic.settings.tbc, logic.PartIndex, logic.DrawIndex})
{
    setObjectName(QStringLiteral("frmParts"));
    setWindowTitle(ToQString(kPartsCaption));

    // Part selection. The part box is editable: typing renames the part.
    cboPartIdentity = new QComboBox(this);
    cboPartIdentity->setObjectName(QStringLiteral("cboPartIdentity"));
    cboPartIdentity->setEditable(true);
    cboPartIdentity->setInsertPolicy(QComboBox::NoInsert);
    cboPartIdentity->setDuplicatesEnabled(true); // Enter never jumps to an entry of equal text
    cboPartIdentity->setCompleter(nullptr);      // the name is exactly what was typed
    cboPartIdentity->setMinimumContentsLength(26);
    cboPartIdentity->setMaxVisibleItems(kEditorParts);
    cboMaterial = new QComboBox(this);
    cboMaterial->setObjectName(QStringLiteral("cboMaterial"));
    cboMaterial->setMinimumContentsLength(22);
    auto* selection = new QGridLayout;
    selection->addWidget(new QLabel(QStringLiteral("Name of part"), this), 0, 0);
    selection->addWidget(cboPartIdentity, 0, 1);
    selection->addWidget(new QLabel(QStringLiteral("Material"), this), 1, 0);
    selection->addWidget(cboMaterial, 1, 1);

    // "Sleeve dimensions".
    auto* sleeve = new QGroupBox(QStringLiteral("Sleeve dimensions"), this);
    m_unitsGroup = new QButtonGroup(this);
    m_radiusGroup = new QButtonGroup(this);
    optUnits[0] = Radio(Indexed("optUnits", 0), "millimeters", sleeve);
    optUnits[1] = Radio(Indexed("optUnits", 1), "inches", sleeve);
    optRadiusType[0] = Radio(Indexed("optRadiusType", 0), "Radius", sleeve);
    optRadiusType[1] = Radio(Indexed("optRadiusType", 1), "Diameter", sleeve);
    for (int k = 0; k < 2; ++k) {
        m_unitsGroup->addButton(optUnits[static_cast<std::size_t>(k)], k);
        m_radiusGroup->addButton(optRadiusType[static_cast<std::size_t>(k)], k);
    }
    auto* radial = new QGroupBox(QStringLiteral("Radial dimension"), sleeve);
    txtInner = Box("txtInner", radial);
    txtOuter = Box("txtOuter", radial);
    txtTaperAngle = Box("txtTaperAngle", radial);
    auto* radialGrid = new QGridLayout(radial);
    radialGrid->addWidget(new QLabel(QStringLiteral("Inner"), radial), 0, 0);
    radialGrid->addWidget(txtInner, 0, 1);
    radialGrid->addWidget(new QLabel(QStringLiteral("Outer"), radial), 1, 0);
    radialGrid->addWidget(txtOuter, 1, 1);
    radialGrid->addWidget(new QLabel(QStringLiteral("Taper Angle"), radial), 2, 0);
    radialGrid->addWidget(txtTaperAngle, 2, 1);
    auto* axial = new QGroupBox(QStringLiteral("Axial dimension"), sleeve);
    txtMinHeight = Box("txtMinHeight", axial);
    txtLength = Box("txtLength", axial);
    txtFlareAngle = Box("txtFlareAngle", axial);
    auto* axialGrid = new QGridLayout(axial);
    axialGrid->addWidget(new QLabel(QStringLiteral("Minimum z"), axial), 0, 0);
    axialGrid->addWidget(txtMinHeight, 0, 1);
    axialGrid->addWidget(new QLabel(QStringLiteral("Length"), axial), 1, 0);
    axialGrid->addWidget(txtLength, 1, 1);
    axialGrid->addWidget(new QLabel(QStringLiteral("Flare Angle"), axial), 2, 0);
    axialGrid->addWidget(txtFlareAngle, 2, 1);
    auto* factors = new QGridLayout;
    factors->addWidget(optUnits[0], 0, 0);
    factors->addWidget(optUnits[1], 1, 0);
    factors->addWidget(optRadiusType[0], 0, 1);
    factors->addWidget(optRadiusType[1], 1, 1);
    auto* sleeveLayout = new QVBoxLayout(sleeve);
    sleeveLayout->addLayout(factors);
    auto* dims = new QHBoxLayout;
    dims->addWidget(radial);
    dims->addWidget(axial);
    sleeveLayout->addLayout(dims);

    // "Heating": the buttons' ids are the heating types, listed from 3 down to 0.
    auto* heating = new QGroupBox(QStringLiteral("Heating"), this);
    m_heatingGroup = new QButtonGroup(this);
    optHeating[kFlatPlateHeating] = Radio(Indexed("optHeating", 3), "Flat-plate", heating);
    optHeating[kRadialHeating] = Radio(Indexed("optHeating", 2), "Radial", heating);
    optHeating[kAxialHeating] = Radio(Indexed("optHeating", 1), "Axial", heating);
    optHeating[kNonHeating] = Radio(Indexed("optHeating", 0), "Non-heating", heating);
    auto* heatingLayout = new QVBoxLayout(heating);
    for (int k = 3; k >= 0; --k) {
        m_heatingGroup->addButton(optHeating[static_cast<std::size_t>(k)], k);
        heatingLayout->addWidget(optHeating[static_cast<std::size_t>(k)]);
    }

    // "Part properties", shown only.
    auto* props = new QGroupBox(QStringLiteral("Part properties"), this);
    txtDensity = Box("txtDensity", props, true);
    txtPorosity = Box("txtPorosity", props, true);
    txtVolume = Box("txtVolume", props, true);
    txtMass = Box("txtMass", props, true);
    auto* propsGrid = new QGridLayout(props);
    propsGrid->addWidget(new QLabel(QStringLiteral("Theoretical density"), props), 0, 0);
    propsGrid->addWidget(txtDensity, 0, 1);
    propsGrid->addWidget(new QLabel(QStringLiteral("Porosity"), props), 1, 0);
    propsGrid->addWidget(txtPorosity, 1, 1);
    propsGrid->addWidget(new QLabel(QStringLiteral("Volume (mm3)"), props), 2, 0);
    propsGrid->addWidget(txtVolume, 2, 1);
    propsGrid->addWidget(new QLabel(QStringLiteral("Mass (g)"), props), 3, 0);
    propsGrid->addWidget(txtMass, 3, 1);

    // "Boundary types": a click on a swatch toggles its side.
    auto* boundaries = new QGroupBox(QStringLiteral("Boundary types"), this);
    auto* boundaryGrid = new QGridLayout(boundaries);
    for (int k = 0; k < 4; ++k) {
        const auto s = static_cast<std::size_t>(k);
        picBoundaryType[s] = new ClickableSwatch(boundaries);
        picBoundaryType[s]->setObjectName(Indexed("picBoundaryType", k));
        picBoundaryType[s]->Clicked = [this, k] { picBoundaryType_Click(k); };
        lblBoundaryTypes[s] = new QLabel(boundaries);
        lblBoundaryTypes[s]->setObjectName(Indexed("lblBoundaryTypes", k));
        lblBoundaryTypes[s]->setMinimumWidth(150);
        boundaryGrid->addWidget(picBoundaryType[s], k, 0);
        boundaryGrid->addWidget(lblBoundaryTypes[s], k, 1);
    }

    // "Thermocouple positions (mm)".
    auto* thermocouples = new QGroupBox(QStringLiteral("Thermocouple positions (mm)"), this);
    auto* tcGrid = new QGridLayout(thermocouples);
    tcGrid->addWidget(new QLabel(QStringLiteral("r-position"), thermocouples), 0, 1);
    tcGrid->addWidget(new QLabel(QStringLiteral("z-position"), thermocouples), 0, 2);
    const std::array<const char*, 3> rows{"Main", "TC2", "TC3"};
    for (int k = 0; k < 3; ++k) {
        const auto s = static_cast<std::size_t>(k);
        txtThermocoupleI[s] = Box("txtThermocoupleI", thermocouples);
        txtThermocoupleI[s]->setObjectName(Indexed("txtThermocoupleI", k));
        txtThermocoupleJ[s] = Box("txtThermocoupleJ", thermocouples);
        txtThermocoupleJ[s]->setObjectName(Indexed("txtThermocoupleJ", k));
        tcGrid->addWidget(new QLabel(Name(rows[s]), thermocouples), k + 1, 0);
        tcGrid->addWidget(txtThermocoupleI[s], k + 1, 1);
        tcGrid->addWidget(txtThermocoupleJ[s], k + 1, 2);
    }

    // "Actions" and the file buttons.
    auto* actions = new QGroupBox(QStringLiteral("Actions"), this);
    cmdDeletePart = Button("cmdDeletePart", "Delete the part", actions);
    cmdMoveToBack = Button("cmdMoveToBack", "Move to Back", actions);
    cmdBringToFront = Button("cmdBringToFront", "Bring to Front", actions);
    cmdIgnorePart = Button("cmdIgnorePart", "Ignore the part", actions);
    cmdIncludePart = Button("cmdIncludePart", "Include the part", actions);
    cmdDrawPart = Button("cmdDrawPart", "Draw this part", actions);
    cmdNextInSequence = Button("cmdNextInSequence", "Draw next in sequence", actions);
    cmdDrawAssemblyFast = Button("cmdDrawAssemblyFast", "Draw the assembly", actions);
    auto* actionsGrid = new QGridLayout(actions);
    actionsGrid->addWidget(cmdIgnorePart, 0, 0);
    actionsGrid->addWidget(cmdIncludePart, 0, 1);
    actionsGrid->addWidget(cmdBringToFront, 1, 0);
    actionsGrid->addWidget(cmdMoveToBack, 1, 1);
    actionsGrid->addWidget(cmdDeletePart, 2, 0);
    actionsGrid->addWidget(cmdDrawPart, 3, 0);
    actionsGrid->addWidget(cmdNextInSequence, 3, 1);
    actionsGrid->addWidget(cmdDrawAssemblyFast, 4, 0, 1, 2);
    cmdNewAssembly = Button("cmdNewAssembly", "New Assembly", this);
    Command3 = Button("Command3", "Save to \".tsn\" file", this);
    auto* files = new QHBoxLayout;
    files->addWidget(cmdNewAssembly);
    files->addStretch();
    files->addWidget(Command3);

    auto* left = new QVBoxLayout;
    left->addLayout(selection);
    left->addWidget(sleeve);
    auto* middle = new QHBoxLayout;
    middle->addWidget(heating);
    middle->addWidget(props);
    left->addLayout(middle);
    left->addWidget(thermocouples);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(boundaries);
    right->addWidget(actions);
    right->addStretch();
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(files);

    // Only what the user does reaches the handlers: activated and textEdited are not emitted
    // when FormUpdate sets the lists and boxes.
    connect(cboPartIdentity, &QComboBox::activated, this, &frmParts::cboPartIdentity_Click);
    connect(cboPartIdentity->lineEdit(), &QLineEdit::textEdited, this,
            &frmParts::cboPartIdentity_KeyUp);
    connect(cboPartIdentity->lineEdit(), &QLineEdit::editingFinished, this,
            &frmParts::cboPartIdentity_LostFocus);
    connect(cboMaterial, &QComboBox::activated, this, &frmParts::cboMaterial_Click);
    connect(txtInner, &QLineEdit::textEdited, this, &frmParts::txtInner_KeyUp);
    connect(txtOuter, &QLineEdit::textEdited, this, &frmParts::txtOuter_KeyUp);
    connect(txtMinHeight, &QLineEdit::textEdited, this, &frmParts::txtMinHeight_KeyUp);
    connect(txtLength, &QLineEdit::textEdited, this, &frmParts::txtLength_KeyUp);
    connect(txtTaperAngle, &QLineEdit::textEdited, this, &frmParts::txtTaperAngle_KeyUp);
    connect(txtFlareAngle, &QLineEdit::textEdited, this, &frmParts::txtFlareAngle_KeyUp);
    connect(m_heatingGroup, &QButtonGroup::idClicked, this, &frmParts::optHeating_Click);
    connect(m_unitsGroup, &QButtonGroup::idClicked, this, &frmParts::optUnits_Click);
    connect(m_radiusGroup, &QButtonGroup::idClicked, this, &frmParts::optRadiusType_Click);
    for (int k = 0; k < 3; ++k) {
        const auto s = static_cast<std::size_t>(k);
        connect(txtThermocoupleI[s], &QLineEdit::editingFinished, this,
                [this, k] { txtThermocoupleI_LostFocus(k); });
        connect(txtThermocoupleJ[s], &QLineEdit::editingFinished, this,
                [this, k] { txtThermocoupleJ_LostFocus(k); });
    }
    connect(cmdIgnorePart, &QPushButton::clicked, this, &frmParts::cmdIgnorePart_Click);
    connect(cmdIncludePart, &QPushButton::clicked, this, &frmParts::cmdIncludePart_Click);
    connect(cmdDeletePart, &QPushButton::clicked, this, &frmParts::cmdDeletePart_Click);
    connect(cmdBringToFront, &QPushButton::clicked, this, &frmParts::cmdBringToFront_Click);
    connect(cmdMoveToBack, &QPushButton::clicked, this, &frmParts::cmdMoveToBack_Click);
    connect(cmdNewAssembly, &QPushButton::clicked, this, &frmParts::cmdNewAssembly_Click);
    connect(cmdDrawPart, &QPushButton::clicked, this, &frmParts::cmdDrawPart_Click);
    connect(cmdNextInSequence, &QPushButton::clicked, this, &frmParts::cmdNextInSequence_Click);
    connect(cmdDrawAssemblyFast, &QPushButton::clicked, this, &frmParts::cmdDrawAssemblyFast_Click);
    connect(Command3, &QPushButton::clicked, this, &frmParts::Command3_Click);

    Form_Load();
}

frmParts::~frmParts()
{
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
}

void frmParts::Form_Load()
{
    m_editor.LastPartSlot = kLastPartSlot;
    m_editor.ActiveIndex = -1;
    m_editor.SetInches(false);
    m_editor.SetDiameter(false);
    optUnits[0]->setChecked(true);
    optRadiusType[0]->setChecked(true);
    FormUpdate();
}

void frmParts::ResetPanel()
{
    for (QLineEdit* box : {txtInner, txtOuter, txtTaperAngle, txtMinHeight, txtLength,
                           txtFlareAngle, txtDensity, txtPorosity, txtVolume, txtMass})
        box->clear();
    cboMaterial->setCurrentIndex(-1);
    cboMaterial->setPlaceholderText(QString());
    CheckOnly(m_heatingGroup, -1);
    TextEnable(false);
}

void frmParts::TextEnable(bool flag)
{
    for (QLineEdit* box :
         {txtInner, txtOuter, txtTaperAngle, txtMinHeight, txtLength, txtFlareAngle})
        box->setEnabled(flag);
}

void frmParts::ShowProperties(const PartsView& v)
{
    Show(txtDensity, v.txtDensity);
    Show(txtPorosity, v.txtPorosity);
    Show(txtVolume, v.txtVolume);
    Show(txtMass, v.txtMass);
}

void frmParts::FormUpdate()
{
    const PartsView v = m_editor.FormUpdate();

    // 1. The part list; the combo text is the selected part's entry.
    for (int i = 0; i < kEditorParts; ++i) {
        const QString entry = ToQString(v.cboPartIdentity[static_cast<std::size_t>(i)]);
        if (i < cboPartIdentity->count())
            cboPartIdentity->setItemText(i, entry);
        else
            cboPartIdentity->addItem(entry);
    }
    cboPartIdentity->setCurrentIndex(m_editor.ActiveIndex);
    cboPartIdentity->setEditText(ToQString(v.partText));
    cboPartIdentity->lineEdit()->setCursorPosition(0);

    // The material list follows the table, which a materials file may have replaced.
    bool sameList = cboMaterial->count() == static_cast<int>(v.cboMaterial.size());
    for (int m = 0; sameList && m < cboMaterial->count(); ++m)
        sameList =
            cboMaterial->itemText(m) == ToQString(v.cboMaterial[static_cast<std::size_t>(m)]);
    if (!sameList) {
        cboMaterial->clear();
        for (const std::string& name : v.cboMaterial)
            cboMaterial->addItem(ToQString(name));
    }

    // 2. - 4. The part, or an empty panel without one.
    const bool part = v.partShown;
    if (!part) {
        ResetPanel();
    } else {
        Show(txtInner, v.txtInner);
        Show(txtOuter, v.txtOuter);
        Show(txtMinHeight, v.txtMinHeight);
        Show(txtLength, v.txtLength);
        Show(txtTaperAngle, v.txtTaperAngle);
        Show(txtFlareAngle, v.txtFlareAngle);
        cboMaterial->setCurrentIndex(v.materialPosition);
        cboMaterial->setPlaceholderText(ToQString(v.materialText));
        CheckOnly(m_heatingGroup, v.heatingOption);
        ShowProperties(v);
        TextEnable(true);
    }
    cboMaterial->setEnabled(part);
    for (QPushButton* b : {cmdDeletePart, cmdMoveToBack, cmdBringToFront, cmdIgnorePart,
                           cmdIncludePart, cmdDrawPart})
        b->setEnabled(part);
    cmdNextInSequence->setEnabled(m_logic.DrawIndex >= 0);

    // 5. Thermocouples, always in millimetres.
    for (std::size_t k = 0; k < 3; ++k) {
        Show(txtThermocoupleI[k], v.txtThermocoupleI[k]);
        Show(txtThermocoupleJ[k], v.txtThermocoupleJ[k]);
    }

    // 6. The boundary panel in the main window's boundary colours.
    const std::array<std::int32_t, 2> colours =
        m_links.Picture != nullptr ? m_links.Picture->BoundaryColors : kDefaultBoundaryColors;
    for (std::size_t k = 0; k < 4; ++k) {
        QPalette palette = picBoundaryType[k]->palette();
        palette.setColor(QPalette::Window, QColorOfLong(colours[v.boundaryTypes[k] != 0 ? 1 : 0]));
        picBoundaryType[k]->setPalette(palette);
        lblBoundaryTypes[k]->setText(ToQString(v.lblBoundaryTypes[k]));
    }

    // 7. Heating types other than "Non-heating" need a material with a resistivity at tbc.
    for (int k = kAxialHeating; k <= kFlatPlateHeating; ++k)
        optHeating[static_cast<std::size_t>(k)]->setEnabled(part && v.heatingOptionsEnabled);
    optHeating[kNonHeating]->setEnabled(part);
}

void frmParts::Guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        m_logic.Front().ShowMessage(e.what());
        try {
            FormUpdate();
        } catch (const std::exception&) {
            // The refresh failed as well; the message above has been shown.
        }
    }
}

void frmParts::RefreshMain()
{
    if (m_links.RefreshMain)
        m_links.RefreshMain();
    else
        m_logic.FormUpdate();
}

void frmParts::RedrawAssembly()
{
    if (m_links.RedrawAssembly)
        m_links.RedrawAssembly();
    else if (m_logic.DrawCartoon)
        m_logic.DrawCartoon();
}

void frmParts::AfterEdit()
{
    // The model was built from the assembly as it was: it must be initialized again.
    m_logic.grid.Initialized = false;
    RefreshMain();
    RedrawAssembly();
}

void frmParts::Edit(const std::function<bool()>& edit, bool refreshEditor)
{
    Guarded([&] {
        // A run reads the model the assembly was turned into; it is not changed under it. A
        // selection made on the picture since the view was made is shown first, so typed text
        // never lands on a part other than the one shown.
        if (m_logic.Running() || !m_editor.InSync()) {
            FormUpdate();
            return;
        }
        const bool changed = edit();
        if (refreshEditor)
            FormUpdate();
        else
            ShowProperties(m_editor.FormUpdate());
        if (changed)
            AfterEdit();
    });
}

void frmParts::cboPartIdentity_Click(int position)
{
    Guarded([&] {
        m_editor.SelectPart(position);
        FormUpdate();
    });
}

void frmParts::cboPartIdentity_KeyUp(const QString& text)
{
    const std::string typed = ToStdString(text);
    // The list is refreshed when the box is left, so the typing is not disturbed.
    Edit([&] { return m_editor.SetName(typed); }, false);
}

void frmParts::cboPartIdentity_LostFocus()
{
    Guarded([&] { FormUpdate(); });
}

void frmParts::cboMaterial_Click(int position)
{
    bool chosen = false;
    Edit(
        [&] {
            chosen = m_editor.ChooseMaterial(position);
            return chosen;
        },
        true);
    if (chosen && m_links.MaterialChosen)
        Guarded([&] { m_links.MaterialChosen(position); });
}

void frmParts::txtInner_KeyUp()
{
    const std::string text = ToStdString(txtInner->text());
    Edit([&] { return m_editor.SetInner(text); }, false);
}

void frmParts::txtOuter_KeyUp()
{
    const std::string text = ToStdString(txtOuter->text());
    Edit([&] { return m_editor.SetOuter(text); }, false);
}

void frmParts::txtMinHeight_KeyUp()
{
    const std::string text = ToStdString(txtMinHeight->text());
    const std::string length = ToStdString(txtLength->text());
    Edit([&] { return m_editor.SetMinHeight(text, length); }, false);
}

void frmParts::txtLength_KeyUp()
{
    const std::string text = ToStdString(txtLength->text());
    Edit([&] { return m_editor.SetLength(text); }, false);
}

void frmParts::txtTaperAngle_KeyUp()
{
    const std::string text = ToStdString(txtTaperAngle->text());
    Edit([&] { return m_editor.SetTaperAngle(text); }, false);
}

void frmParts::txtFlareAngle_KeyUp()
{
    const std::string text = ToStdString(txtFlareAngle->text());
    Edit([&] { return m_editor.SetFlareAngle(text); }, false);
}

void frmParts::optHeating_Click(int Index)
{
    Edit([&] { return m_editor.SetHeating(Index); }, true);
}

void frmParts::optUnits_Click(int Index)
{
    Guarded([&] {
        m_editor.SetInches(Index == 1);
        FormUpdate();
    });
}

void frmParts::optRadiusType_Click(int Index)
{
    Guarded([&] {
        m_editor.SetDiameter(Index == 1);
        FormUpdate();
    });
}

void frmParts::ThermocoupleBoxLeft(QLineEdit* box, int Index, int coordinate)
{
    // Only what the user typed is stored: a box merely passed through by the focus may still
    // show a value the assembly no longer holds, and must not write it back.
    if (!box->isModified())
        return;
    box->setModified(false);
    const std::string text = ToStdString(box->text());
    Edit([&] { return m_editor.SetThermocouple(Index, coordinate, text); }, true);
}

void frmParts::txtThermocoupleI_LostFocus(int Index)
{
    ThermocoupleBoxLeft(txtThermocoupleI[static_cast<std::size_t>(Index)], Index, 0);
}

void frmParts::txtThermocoupleJ_LostFocus(int Index)
{
    ThermocoupleBoxLeft(txtThermocoupleJ[static_cast<std::size_t>(Index)], Index, 1);
}

void frmParts::picBoundaryType_Click(int Index)
{
    Edit(
        [&] {
            if (Index < 0 || Index > 3)
                return false;
            // Through the rule that keeps one of the sides 2 ... 4 isothermal; a toggle the rule
            // refuses is explained in a message.
            const int side = Index + 1;
            const std::int16_t now = m_logic.settings.ibcs[static_cast<std::size_t>(side)];
            return m_logic.SetBoundaryType(side, now != 0 ? 0 : 1) == SettingOutcome::Changed;
        },
        true);
}

void frmParts::cmdIgnorePart_Click()
{
    Edit([&] { return m_editor.IgnorePart(); }, true);
}

void frmParts::cmdIncludePart_Click()
{
    Edit([&] { return m_editor.IncludePart(); }, true);
}

void frmParts::cmdDeletePart_Click()
{
    Edit([&] { return m_editor.DeletePart(); }, true);
}

void frmParts::cmdBringToFront_Click()
{
    Edit([&] { return m_editor.BringToFront(); }, true);
}

void frmParts::cmdMoveToBack_Click()
{
    Edit([&] { return m_editor.MoveToBack(); }, true);
}

void frmParts::cmdNewAssembly_Click()
{
    Guarded([&] {
        if (m_logic.Running() || !m_logic.MayDiscardChanges(kAskSaveBeforeNew)) {
            FormUpdate();
            return;
        }
        m_editor.NewAssembly();
        // The results and the last run belong to the parts that are gone.
        m_logic.ForgetReplacedModel();
        FormUpdate();
        AfterEdit();
    });
}

bool frmParts::DrawParts(std::optional<int> part, bool clearFirst)
{
    PictureState* state = m_links.Picture;
    PictureSurface* pic = m_links.ActivePic ? m_links.ActivePic() : nullptr;
    if (state == nullptr || pic == nullptr)
        return false;
    const PictureModel model = PictureModelOf(m_logic);
    if (clearFirst) {
        state->InitializePic(model, *pic);
        pic->image.Clear(kPictureBackground);
        state->DrawAxis(model, *pic);
    }
    if (part)
        state->DrawWholePart(*part, model, *pic);
    state->ReDoOuterMargin(255, state->RedBrush, model, *pic);
    state->ReDoOuterMargin(state->BorderColor, state->MarginBrush, model, *pic);
    state->DrawAxis(model, *pic);
    state->drawboundaries(model, *pic);
    state->DrawThermocouples(model, *pic);
    if (m_links.PictureDrawn)
        m_links.PictureDrawn();
    return true;
}

void frmParts::cmdDrawPart_Click()
{
    Guarded([&] {
        if (m_logic.Running() || !m_editor.InSync()) {
            FormUpdate();
            return;
        }
        const auto part = m_editor.DrawThisPart();
        if (part)
            DrawParts(part, true);
        FormUpdate();
    });
}

void frmParts::cmdNextInSequence_Click()
{
    Guarded([&] {
        if (m_logic.Running()) {
            FormUpdate();
            return;
        }
        if (m_logic.DrawIndex >= 0) {
            const auto part = m_editor.DrawNextInSequence();
            if (part)
                DrawParts(part, false);
        }
        FormUpdate();
    });
}

void frmParts::cmdDrawAssemblyFast_Click()
{
    Guarded([&] {
        RefreshMain();
        RedrawAssembly();
    });
}

void frmParts::Command3_Click()
{
    Guarded([&] {
        m_logic.SaveAssembly();
        // The caption names the file saved.
        RefreshMain();
    });
}

void frmParts::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Guarded([&] { FormUpdate(); });
}

void frmParts::closeEvent(QCloseEvent* event)
{
    Guarded([&] {
        RefreshMain();
        RedrawAssembly();
    });
    QDialog::closeEvent(event);
}

QWidget* MakePartsEditor(frmMain& main)
{
    PartsEditorLinks links;
    links.RefreshMain = [&main] { main.FormUpdate(); };
    links.RedrawAssembly = [&main] { main.RedrawAssembly(); };
    links.Picture = &main.Picture();
    links.ActivePic = [&main] { return &main.ActivePic(); };
    links.PictureDrawn = [&main] {
        if (main.picAssemblyDrawing != nullptr)
            main.picAssemblyDrawing->update();
    };
    links.MaterialChosen = [&main](int material) {
        auto* w = dynamic_cast<frmMaterialProperties*>(
            main.AuxWindowIfOpen(AuxWindow::MaterialProperties));
        if (w != nullptr && w->isVisible())
            w->ShowMaterial(material);
    };
    auto* editor = new frmParts(main.Logic(), std::move(links), &main);
    // A part clicked on the picture is shown at once when the editor is open, and so is an
    // assembly that replaced the one shown.
    QObject::connect(&main, &frmMain::PartSelected, editor, [editor](int, int) {
        if (editor->isVisible())
            editor->FormUpdate();
    });
    QObject::connect(&main, &frmMain::AssemblyReplaced, editor, [editor] { editor->FormUpdate(); });
    return editor;
}

} // namespace tarsen
