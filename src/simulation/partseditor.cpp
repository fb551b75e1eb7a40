#include "simulation/partseditor.h"

#include "common/numeric.h"
#include "common/textnum.h"
#include "materials/clsmaterialproperties.h"

#include <cmath>

namespace tarsen {

namespace {

bool EditablePart(int index) { return index >= 0 && index < kEditorParts; }

// A typed number, when the text reads as one (a trailing decimal point is allowed, a lone sign
// is not).
std::optional<double> Typed(std::string_view text) { return ParseNumber(text); }

// A value narrowed to the Single it is stored as, when that is finite.
std::optional<float> FiniteSingle(double v)
{
    const auto f = static_cast<float>(v);
    if (!std::isfinite(f))
        return std::nullopt;
    return f;
}

void RemoveAll(std::string& s, std::string_view what)
{
    for (auto at = s.find(what); at != std::string::npos; at = s.find(what))
        s.erase(at, what.size());
}

} // namespace

std::string PartListEntry(const clsAssemblyPart& part)
{
    if (part.Include)
        return part.Name + std::string(kIncludedSuffix);
    if (part.Name != kUnnamedPart)
        return part.Name + std::string(kIgnoredSuffix);
    return part.Name;
}

std::string StripListSuffix(std::string_view text)
{
    std::string s(text);
    // Removing one suffix may join the pieces of another around it, so repeat until none is left.
    std::size_t before = 0;
    do {
        before = s.size();
        RemoveAll(s, kIncludedSuffix);
        RemoveAll(s, kIgnoredSuffix);
    } while (s.size() != before);
    return s;
}

std::optional<double> PartMass(float density, float porosity, float volume)
{
    const double grams = (1.0 - double(porosity)) * double(density) * double(volume) / 1000.0;
    const double mass = round_half_even(grams * 1000.0) / 1000.0;
    if (!std::isfinite(mass))
        return std::nullopt;
    return mass;
}

std::string BoundaryLabel(int side, std::int16_t type)
{
    std::string s(kSideNames[static_cast<std::size_t>(side & 3)]);
    s += type != 0 ? kIsothermalSuffix : kZeroFluxSuffix;
    return s;
}

PartsEditor::PartsEditor(const PartsEditorModel& model) : m_model(model) {}

void PartsEditor::SyncActiveIndex()
{
    const int p = m_model.PartIndex;
    ActiveIndex = EditablePart(p) ? static_cast<std::int16_t>(p) : std::int16_t{-1};
}

bool PartsEditor::InSync() const
{
    const int p = m_model.PartIndex;
    return ActiveIndex == (EditablePart(p) ? p : -1);
}

clsAssemblyPart* PartsEditor::Active()
{
    if (!InSync() || !EditablePart(ActiveIndex))
        return nullptr;
    return &m_model.Tarsen.CellPart(ActiveIndex);
}

float PartsEditor::ShownHeight(float mm) const
{
    return static_cast<float>(double(mm) * double(UnitFactor));
}

float PartsEditor::ShownRadius(float mm) const
{
    return static_cast<float>(double(mm) * double(RadiusFactor) * double(UnitFactor));
}

bool PartsEditor::CanHeat(const clsAssemblyPart& part) const
{
    const clsMaterialProperties& table = m_model.materials;
    const int m = part.MaterialIndex;
    if (m < 0 || m >= table.NumberOfMaterials())
        return false;
    return table.Resistivity(m, m_model.tbc) != 0.0;
}

PartsView PartsEditor::FormUpdate()
{
    SyncActiveIndex();
    const clsMaterialProperties& table = m_model.materials;
    PartsView v;
    for (int i = 0; i < kEditorParts; ++i)
        v.cboPartIdentity[static_cast<std::size_t>(i)] = PartListEntry(m_model.Tarsen.CellPart(i));
    const int n = table.NumberOfMaterials();
    v.cboMaterial.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int m = 0; m < n; ++m)
        v.cboMaterial.push_back(table.MaterialNames(m));

    if (ActiveIndex >= 0) {
        const clsAssemblyPart& part = m_model.Tarsen.CellPart(ActiveIndex);
        v.partShown = true;
        v.partText = v.cboPartIdentity[static_cast<std::size_t>(ActiveIndex)];
        v.txtInner = ShortestSingle(ShownRadius(part.InnerRadius()));
        v.txtOuter = ShortestSingle(ShownRadius(part.OuterRadius()));
        v.txtMinHeight = ShortestSingle(ShownHeight(part.MinHeight()));
        v.txtLength = ShortestSingle(ShownHeight(part.Length()));
        v.txtTaperAngle = ShortestSingle(part.TaperAngle());
        v.txtFlareAngle = ShortestSingle(part.FlareAngle());

        const int m = part.MaterialIndex;
        const bool inTable = m >= 0 && m < n;
        if (inTable) {
            v.materialPosition = m;
            v.materialText = table.MaterialNames(m);
        } else {
            v.materialText = m == -1 ? kNoMaterialText : kMaterialNotInTable;
        }
        const int h = part.HeatingType;
        v.heatingOption = (h >= kNonHeating && h <= kFlatPlateHeating) ? h : -1;
        v.heatingOptionsEnabled = CanHeat(part);

        // A material the table does not hold has no density or porosity.
        const float density = inTable ? table.density(m) : 0.0f;
        const float porosity = inTable ? table.porosity(m) : 0.0f;
        const float volume = part.Volume();
        v.txtDensity = ShortestSingle(density);
        v.txtPorosity = ShortestSingle(porosity);
        v.txtVolume = ShortestSingle(volume);
        const auto mass = PartMass(density, porosity, volume);
        v.txtMass = mass ? ShortestDouble(*mass) : std::string();
    }

    for (int k = 0; k < 3; ++k) {
        const auto s = static_cast<std::size_t>(k);
        v.txtThermocoupleI[s] = ShortestSingle(m_model.Tarsen.ThermocouplePosition(k, 0));
        v.txtThermocoupleJ[s] = ShortestSingle(m_model.Tarsen.ThermocouplePosition(k, 1));
    }
    for (int k = 0; k < 4; ++k) {
        const auto s = static_cast<std::size_t>(k);
        v.boundaryTypes[s] = m_model.ibcs[s + 1];
        v.lblBoundaryTypes[s] = BoundaryLabel(k, v.boundaryTypes[s]);
    }
    return v;
}

bool PartsEditor::SelectPart(int position)
{
    if (!EditablePart(position))
        return false;
    ActiveIndex = static_cast<std::int16_t>(position);
    m_model.PartIndex = ActiveIndex;
    m_model.DrawIndex = ActiveIndex;
    return true;
}

bool PartsEditor::SetName(std::string_view typed)
{
    clsAssemblyPart* part = Active();
    if (part == nullptr)
        return false;
    std::string name = StripListSuffix(typed);
    if (name == part->Name)
        return false;
    part->Name = std::move(name);
    return true;
}

std::optional<float> PartsEditor::TypedLength(std::string_view text, double factor) const
{
    const auto v = Typed(text);
    if (!v || !(factor != 0.0))
        return std::nullopt;
    return FiniteSingle(*v / factor);
}

bool PartsEditor::StoreRadius(std::string_view text, bool outer)
{
    clsAssemblyPart* part = Active();
    if (part == nullptr)
        return false;
    const auto mm = TypedLength(text, double(UnitFactor) * double(RadiusFactor));
    if (!mm)
        return false;
    const float old = outer ? part->OuterRadius() : part->InnerRadius();
    if (*mm == old)
        return false;
    if (outer)
        part->OuterRadius(*mm);
    else
        part->InnerRadius(*mm);
    return true;
}

bool PartsEditor::SetInner(std::string_view text) { return StoreRadius(text, false); }

bool PartsEditor::SetOuter(std::string_view text) { return StoreRadius(text, true); }

bool PartsEditor::SetMinHeight(std::string_view text, std::string_view lengthText)
{
    clsAssemblyPart* part = Active();
    if (part == nullptr)
        return false;
    const auto minHeight = TypedLength(text, UnitFactor);
    if (!minHeight)
        return false;
    // The length as shown stays; without a readable length box, the stored length does.
    const auto shownLength = TypedLength(lengthText, UnitFactor);
    const double length = shownLength ? double(*shownLength) : double(part->Length());
    const auto maxHeight = FiniteSingle(double(*minHeight) + length);
    if (!maxHeight)
        return false;
    if (*minHeight == part->MinHeight() && *maxHeight == part->MaxHeight())
        return false;
    part->MinHeight(*minHeight);
    part->MaxHeight(*maxHeight);
    return true;
}

bool PartsEditor::SetLength(std::string_view text)
{
    clsAssemblyPart* part = Active();
    if (part == nullptr)
        return false;
    const auto length = TypedLength(text, UnitFactor);
    if (!length)
        return false;
    const auto maxHeight = FiniteSingle(double(part->MinHeight()) + double(*length));
    if (!maxHeight || *maxHeight == part->MaxHeight())
        return false;
    part->MaxHeight(*maxHeight);
    return true;
}

bool PartsEditor::SetTaperAngle(std::string_view text)
{
    clsAssemblyPart* part = Active();
    if (part == nullptr)
        return false;
    const auto v = Typed(text);
    const auto angle = v ? FiniteSingle(*v) : std::nullopt;
    if (!angle || *angle == part->TaperAngle())
        return false;
    part->TaperAngle(*angle);
    return true;
}

bool PartsEditor::SetFlareAngle(std::string_view text)
{
    clsAssemblyPart* part = Active();
    if (part == nullptr)
        return false;
    const auto v = Typed(text);
    const auto angle = v ? FiniteSingle(*v) : std::nullopt;
    if (!angle || *angle == part->FlareAngle())
        return false;
    part->FlareAngle(*angle);
    return true;
}

bool PartsEditor::SetHeating(int option)
{
    clsAssemblyPart* part = Active();
    if (part == nullptr || option < kNonHeating || option > kFlatPlateHeating)
        return false;
    if (option != kNonHeating && !CanHeat(*part))
        return false;
    if (part->HeatingType == option)
        return false;
    part->HeatingType = option;
    return true;
}

bool PartsEditor::ChooseMaterial(int position)
{
    clsAssemblyPart* part = Active();
    if (part == nullptr || position < 0 || position >= m_model.materials.NumberOfMaterials())
        return false;
    if (part->MaterialIndex == position && part->Include)
        return false;
    part->MaterialIndex = static_cast<std::int16_t>(position);
    part->Include = true;
    return true;
}

void PartsEditor::SetInches(bool inches) { UnitFactor = inches ? kUnitInches : kUnitMillimetres; }

void PartsEditor::SetDiameter(bool diameter)
{
    RadiusFactor = diameter ? kRadiusAsDiameter : kRadiusAsRadius;
}

bool PartsEditor::SetThermocouple(int k, int j, std::string_view text)
{
    if (k < 0 || k > 2 || j < 0 || j > 1)
        return false;
    const auto v = Typed(text);
    const auto mm = v ? FiniteSingle(*v) : std::nullopt;
    if (!mm || *mm == m_model.Tarsen.ThermocouplePosition(k, j))
        return false;
    m_model.Tarsen.ThermocouplePosition(k, j, *mm);
    return true;
}

bool PartsEditor::IgnorePart()
{
    clsAssemblyPart* part = Active();
    if (part == nullptr || !part->Include)
        return false;
    part->Include = false;
    return true;
}

bool PartsEditor::IncludePart()
{
    clsAssemblyPart* part = Active();
    if (part == nullptr || part->Include)
        return false;
    part->Include = true;
    return true;
}

bool PartsEditor::DeletePart()
{
    clsAssemblyPart* part = Active();
    if (part == nullptr)
        return false;
    part->Reset();
    return true;
}

bool PartsEditor::BringToFront()
{
    if (Active() == nullptr)
        return false;
    const std::int16_t before = ActiveIndex;
    m_model.Tarsen.BringToFront(ActiveIndex);
    m_model.PartIndex = ActiveIndex;
    m_model.DrawIndex = ActiveIndex;
    return ActiveIndex != before;
}

bool PartsEditor::MoveToBack()
{
    if (Active() == nullptr)
        return false;
    const std::int16_t before = ActiveIndex;
    m_model.Tarsen.MoveToBack(ActiveIndex);
    if (!EditablePart(ActiveIndex))
        ActiveIndex = before;
    m_model.PartIndex = ActiveIndex;
    m_model.DrawIndex = ActiveIndex;
    return ActiveIndex != before;
}

bool PartsEditor::NewAssembly()
{
    for (int i = 0; i <= LastPartSlot; ++i)
        m_model.Tarsen.CellPart(i).Reset();
    ActiveIndex = -1;
    m_model.PartIndex = -1;
    m_model.DrawIndex = -1;
    return true;
}

std::optional<int> PartsEditor::DrawThisPart()
{
    if (Active() == nullptr)
        return std::nullopt;
    m_model.DrawIndex = static_cast<std::int16_t>(ActiveIndex - 1);
    return ActiveIndex;
}

std::optional<int> PartsEditor::DrawNextInSequence()
{
    const int d = m_model.DrawIndex;
    if (d < 0)
        return std::nullopt;
    m_model.DrawIndex = static_cast<std::int16_t>(d - 1);
    if (d >= kEditorParts || !m_model.Tarsen.CellPart(d).Include)
        return std::nullopt;
    return d;
}

} // namespace tarsen
