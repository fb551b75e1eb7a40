#include "simulation/sectionplot.h"

#include "common/numeric.h"
#include "common/textnum.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarsen {

namespace {

bool FieldUsable(const SectionSource& source, std::string& message)
{
    if (!source.TemperatureReady || source.t == nullptr || source.t->Empty()) {
        message = kMsgNoTemperature;
        return false;
    }
    // The window may have stayed open across a change of grid: never read the old field with
    // the new bounds.
    if (source.nr < 1 || source.nz < 1 || source.t->N1() != source.nr ||
        source.t->N2() != source.nz || !(source.rmax > 0.0f) || !(source.zmax > 0.0f)) {
        message = kMsgFieldMismatch;
        return false;
    }
    return true;
}

float MaximumFrom0(float a, float b) { return std::isfinite(b) && b > a ? b : a; }

} // namespace

SectionSource SectionSourceOf(const ModelGrid& grid, std::function<float(float R, float Z)> TInterp)
{
    SectionSource source;
    source.nr = grid.nr;
    source.nz = grid.nz;
    source.rmax = grid.rmax;
    source.zmax = grid.zmax;
    source.TemperatureReady = grid.TemperatureReady;
    source.t = &grid.t;
    source.TInterp = std::move(TInterp);
    return source;
}

SectionRange SetUpIJ(SectionDirection direction, std::int16_t nr, std::int16_t nz)
{
    const int n = direction == SectionDirection::Axial ? nz : nr;
    return {"0", std::to_string(n - 1), "1"};
}

SectionRange SetUpMM(SectionDirection direction, float rmax, float zmax, std::int16_t nr,
                     std::int16_t nz)
{
    const bool axial = direction == SectionDirection::Axial;
    const double extent = axial ? zmax : rmax;
    const int n = axial ? nz : nr;
    if (n < 1)
        return {"0", ShortestSingle(Sng(extent)), ShortestSingle(Sng(extent))};
    const float d = Sng(extent / n); // cell size, a Single
    return {ShortestSingle(Sng(double(d) / 2.0)), ShortestSingle(Sng(extent - double(d) / 2.0)),
            ShortestSingle(d)};
}

float RadialMaximum(const GhostField<float>& t, std::int16_t nr)
{
    float tmax = 0.0f;
    for (int i = 0; i < nr && i <= t.N1(); ++i)
        tmax = MaximumFrom0(tmax, t(i, 0));
    return tmax;
}

float AxialMaximum(const GhostField<float>& t, std::int16_t nz)
{
    float tmax = 0.0f;
    for (int j = 0; j < nz && j <= t.N2(); ++j)
        tmax = MaximumFrom0(tmax, t(0, j));
    return tmax;
}

SectionProfile ComputeSection(const SectionSource& source, SectionDirection direction,
                              SectionUnits units, std::string_view start, std::string_view finish,
                              std::string_view step)
{
    SectionProfile profile;
    profile.direction = direction;
    profile.units = units;
    if (!FieldUsable(source, profile.message))
        return profile;
    const auto startValue = ParseNumber(start);
    const auto finishValue = ParseNumber(finish);
    if (!startValue || !finishValue) {
        profile.message = kMsgRangeNotNumber;
        return profile;
    }
    const double s = *startValue;
    const double f = *finishValue;
    const bool axial = direction == SectionDirection::Axial;
    const GhostField<float>& t = *source.t;
    profile.Tmax = axial ? AxialMaximum(t, source.nz) : RadialMaximum(t, source.nr);
    const double tmax = profile.Tmax;

    if (units == SectionUnits::Indices) {
        // Step is not used: every index of the line, ghosts included, within Start ... Finish.
        const double span = f - s + 1.0;
        profile.axisLeft = s - 0.5;
        profile.axisRight = f + 0.5;
        profile.plottable = span > 0.0 && tmax > 0.0;
        const int n = axial ? source.nz : source.nr;
        for (int k = -1; k <= n; ++k) {
            if (!(k >= s && k <= f))
                continue;
            SectionPoint p;
            p.position = k;
            p.label = std::to_string(k);
            p.T = axial ? t(0, k) : t(k, 0);
            if (profile.plottable) {
                p.xFraction = (k + 0.5 - s) / span;
                p.yFraction = (tmax - double(p.T)) / tmax;
            }
            profile.points.push_back(std::move(p));
        }
        profile.ok = true;
        return profile;
    }

    const auto stepValue = ParseNumber(step);
    if (!stepValue) {
        profile.message = kMsgRangeNotNumber;
        return profile;
    }
    const double st = *stepValue;
    if (!(st > 0.0)) {
        profile.message = kMsgStepNotPositive;
        return profile;
    }
    const auto count = TryCLng((f - s) / st);
    if (!count || *count > kMaxSectionPoints) {
        profile.message = kMsgTooManyPoints;
        return profile;
    }
    if (!source.TInterp) {
        profile.message = kMsgFieldMismatch;
        return profile;
    }
    const double extent = axial ? source.zmax : source.rmax;
    const double d = Sng(extent / (axial ? source.nz : source.nr));
    const double span = f - s + d;
    profile.axisLeft = 0.0;
    profile.axisRight = span;
    profile.plottable = span > 0.0 && tmax > 0.0;
    for (std::int32_t k = 0; k <= *count; ++k) {
        const float pos = Sng(s + double(k) * st);
        if (!(pos >= 0.0f && double(pos) <= extent))
            continue;
        SectionPoint p;
        p.position = pos;
        p.label = ShortestSingle(pos);
        p.T = axial ? source.TInterp(0.0f, pos) : source.TInterp(pos, 0.0f);
        if (profile.plottable) {
            p.xFraction = double(pos) / span;
            p.yFraction = (tmax - double(p.T)) / tmax;
        }
        profile.points.push_back(std::move(p));
    }
    profile.ok = true;
    return profile;
}

bool SameAxisKind(const SectionProfile& a, const SectionProfile& b)
{
    return a.direction == b.direction && a.units == b.units;
}

std::optional<SectionAxes> CommonAxes(const std::vector<SectionProfile>& profiles)
{
    std::optional<SectionAxes> axes;
    for (const SectionProfile& p : profiles) {
        if (!p.ok || !p.plottable)
            continue;
        if (!axes) {
            axes = SectionAxes{p.direction, p.units, p.axisLeft, p.axisRight, p.Tmax};
            continue;
        }
        axes->left = std::min(axes->left, p.axisLeft);
        axes->right = std::max(axes->right, p.axisRight);
        axes->Tmax = std::max(axes->Tmax, p.Tmax);
    }
    return axes;
}

std::pair<double, double> PlaceOnAxes(const SectionPoint& point, const SectionAxes& axes)
{
    // The same mapping as a profile's own: the point's index or position along the range, the
    // temperature down from Tmax at the top to 0 at the bottom.
    return {(point.position - axes.left) / (axes.right - axes.left),
            (double(axes.Tmax) - double(point.T)) / double(axes.Tmax)};
}

bool ExportProfile(Sheet& sheet, int column, const SectionProfile& profile)
{
    if (column < 0 || column + 1 >= kSheetColumns ||
        profile.points.size() > static_cast<std::size_t>(kSheetRows))
        return false;
    int row = 1;
    for (const SectionPoint& p : profile.points) {
        sheet.SetText(CellAddress{column, row}, p.label);
        sheet.SetNumber(CellAddress{column + 1, row}, SheetNumber(p.T));
        ++row;
    }
    return true;
}

std::string ProfileAsTabText(const SectionProfile& profile)
{
    std::string text;
    for (const SectionPoint& p : profile.points) {
        text += p.label;
        text += '\t';
        text += ShortestSingle(p.T);
        text += '\n';
    }
    return text;
}

} // namespace tarsen
