// Isotherms: the contour list with its automatic levels and commands, and its drawing by
// straight segments through the grid cells or by darkening the pixels near each isotherm.
#include "common/colour.h"
#include "common/numeric.h"
#include "common/textnum.h"
#include "graphics/clsconrec.h"
#include "graphics/colourmaps.h"
#include "graphics/picturegeometry_p.h"
#include "graphics/picturestate.h"
#include "graphics/temperaturesampler.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarsen {

/// What the smooth method needs of the field at every pixel of the model frame, computed once
/// for all contours of one drawing: the interpolation weights of every column and row at the
/// pixel and one pixel to the right (columns) or up (rows), and the temperature at each pixel.
struct PictureState::SmoothField {
    int px0 = 0, px1 = -1, py0 = 0, py1 = -1;
    std::vector<TemperatureSampler::AxisWeight> r0, r1; // column px - px0: at r and r + PicToMM
    std::vector<TemperatureSampler::AxisWeight> z0, z1; // row py - py0: at z and z - PicToMM
    std::vector<float> T0; // temperature at pixel (px, py): [(px - px0) * Rows() + py - py0]
    TemperatureSampler sampler;
    explicit SmoothField(const ModelGrid& grid) : sampler(grid) {}
    int Rows() const { return py1 - py0 + 1; }
};

namespace {} // namespace

bool TemperatureOfGrid(const ModelGrid& g)
{
    return g.TemperatureReady && !g.t.Empty() && g.t.N1() == g.nr && g.t.N2() == g.nz && g.nr > 0 &&
           g.nz > 0;
}

std::vector<float> AutomaticLevels(float tmin, float tmax, float D)
{
    std::vector<float> levels;
    if (!(D > 0.0f) || !std::isfinite(D) || !std::isfinite(tmin) || !std::isfinite(tmax) ||
        tmin > tmax)
        return levels;
    const double d = D;
    double k = round_half_even(double(tmin) / d);
    // The smallest multiple above tmin as a Single; an interval too fine to be resolved in
    // Single at this temperature gives up instead of counting for ever.
    int tries = 0;
    while (!(Sng(k * d) > tmin)) {
        k += 1.0;
        if (++tries > kMaxContourLevelsPerClass)
            return levels;
    }
    const float first = Sng(k * d);
    for (int m = 0; m < kMaxContourLevelsPerClass; ++m) {
        const float level = Sng(double(first) + m * d);
        if (!(level <= tmax))
            break;
        levels.push_back(level);
    }
    return levels;
}

void PictureState::SetContourList(std::vector<float> levels, std::vector<float> weights)
{
    ContourCount = static_cast<int>(levels.size());
    ContourLevels = std::move(levels);
    ContourWeights = std::move(weights);
    ContourWeights.resize(ContourLevels.size(), 0.0f);
    ContourColors.assign(ContourLevels.size(), kBlack);
    // The arrays always have one entry beyond the count.
    ContourLevels.push_back(0.0f);
    ContourWeights.push_back(0.0f);
    ContourColors.push_back(kBlack);
}

void PictureState::PrepareContours(const PictureModel& model)
{
    Report(model, kReportMakingContours);
    std::vector<float> levels, weights;
    if (TemperatureOfGrid(model.grid)) {
        float tmin = 0.0f, tmax = 0.0f;
        TLimits(model.grid.t, model.grid.nr, model.grid.nz, tmin, tmax);
        for (std::size_t v = 0; v < 2; ++v) {
            const std::vector<float> l = AutomaticLevels(tmin, tmax, ContourIntervals[v]);
            levels.insert(levels.end(), l.begin(), l.end());
            weights.insert(weights.end(), l.size(), ContourSize[v]);
        }
    }
    SetContourList(std::move(levels), std::move(weights));
}

void PictureState::DrawAllContours(const PictureModel& model, PictureSurface& pic)
{
    if (!model.grid.TemperatureReady)
        return;
    ContourDraw(ContourCount, ContourLevels, ContourWeights, ContourColors, model, pic);
    if (ShowValues)
        LabelIsotherms(model, pic);
}

void PictureState::CellPixelTables(const ModelGrid& g, std::vector<float>& x,
                                   std::vector<float>& y) const
{
    // Cell points in pixels, ghost ring included.
    x.clear();
    y.clear();
    const double dr = double(g.rmax) / g.nr;
    const double dz = double(g.zmax) / g.nz;
    for (int i = -1; i <= g.nr; ++i)
        x.push_back(Sng((dr * (i + 0.5) + PicFrameR) / double(PicToMM)));
    for (int j = -1; j <= g.nz; ++j)
        y.push_back(Sng((dz * (j + 0.5) + PicFrameZ) / double(PicToMM)));
}

void PictureState::ContourDraw(int count, const std::vector<float>& levels,
                               const std::vector<float>& weights,
                               const std::vector<std::int32_t>& colours, const PictureModel& model,
                               PictureSurface& pic)
{
    const ModelGrid& g = model.grid;
    count = std::min({count, static_cast<int>(levels.size()), static_cast<int>(weights.size())});
    if (count <= 0 || !TemperatureOfGrid(g))
        return;
    float tmin = 0.0f, tmax = 0.0f;
    TLimits(g.t, g.nr, g.nz, tmin, tmax);

    if (AntiAliasing && !FastPlot) {
        SmoothField field(g);
        if (!BuildSmoothField(pic, field))
            return;
        for (int k = 0; k < count; ++k) {
            Report(model, kReportFineContour);
            FineContour(levels[static_cast<std::size_t>(k)], weights[static_cast<std::size_t>(k)],
                        field, pic);
        }
        (void)colours; // contours are black
        return;
    }

    std::vector<float> x, y;
    CellPixelTables(g, x, y);
    RasterSurface& surface = pic.image;
    const clsConrec tracer;
    tracer.conrec(g.t, x, y, count, levels, -1, g.nr, -1, g.nz, tmin, tmax,
                  [&](double x1, double y1, double x2, double y2, int k) {
                      const int width =
                          std::max(0, PixelRound(weights[static_cast<std::size_t>(k)]));
                      const int ex = PixelRound(x2);
                      const int ey = PixelRound(y2);
                      surface.Line(PixelRound(x1), PixelRound(y1), ex, ey, kBlack, width);
                      surface.SetPixel(ex, ey, kBlack);
                  });
}

void PictureState::drawfinecontour3(float TContour, std::int32_t colour, float weight,
                                    const PictureModel& model, PictureSurface& pic)
{
    (void)colour; // contours are black
    Report(model, kReportFineContour);
    if (!TemperatureOfGrid(model.grid))
        return;
    SmoothField field(model.grid);
    if (BuildSmoothField(pic, field))
        FineContour(TContour, weight, field, pic);
}

bool PictureState::BuildSmoothField(const PictureSurface& pic, SmoothField& field) const
{
    const TemperatureSampler& sampler = field.sampler;
    const double s = double(pic.image.Height()) / double(PicSide); // pixels per mm
    field.px0 = std::max(0, PixelRound(s * PicFrameR));
    field.px1 =
        std::min(pic.image.Width() - 1, PixelRound(s * (double(PicSide) - double(PicFrameR))) - 1);
    field.py0 = std::max(0, PixelRound(s * PicFrameZ));
    field.py1 =
        std::min(pic.image.Height() - 1, PixelRound(s * (double(PicSide) - double(PicFrameZ))) - 1);
    if (field.px1 < field.px0 || field.py1 < field.py0 || !sampler.Ready())
        return false;
    for (int px = field.px0; px <= field.px1; ++px) {
        const float r = MMOfPixelX(px);
        field.r0.push_back(sampler.RAxis(r));
        field.r1.push_back(sampler.RAxis(Sng(double(r) + double(PicToMM))));
    }
    for (int py = field.py0; py <= field.py1; ++py) {
        const float z = MMOfPixelY(py);
        field.z0.push_back(sampler.ZAxis(z));
        field.z1.push_back(sampler.ZAxis(Sng(double(z) - double(PicToMM))));
    }
    const std::size_t rows = static_cast<std::size_t>(field.Rows());
    field.T0.resize(field.r0.size() * rows);
    for (std::size_t c = 0; c < field.r0.size(); ++c)
        for (std::size_t q = 0; q < rows; ++q)
            field.T0[c * rows + q] = sampler.At(field.r0[c], field.z0[q]);
    return true;
}

void PictureState::FineContour(float TContour, float weight, const SmoothField& field,
                               PictureSurface& pic) const
{
    // A weight that is not above 0 counts as one pixel.
    const double w = weight > 0.0f && std::isfinite(weight) ? double(weight) : 1.0;
    const TemperatureSampler& sampler = field.sampler;
    std::uint32_t* bits = pic.image.Bits();
    const std::ptrdiff_t stride = pic.image.Stride();
    const std::size_t rows = static_cast<std::size_t>(field.Rows());
    // Every pixel is computed from its own colour only, so it is darkened in place; the next
    // contour reads the result.
    for (int px = field.px0; px <= field.px1; ++px) {
        const std::size_t c = static_cast<std::size_t>(px - field.px0);
        const float* T0col = field.T0.data() + c * rows;
        for (int py = field.py0; py <= field.py1; ++py) {
            const std::size_t q = static_cast<std::size_t>(py - field.py0);
            const float T0 = T0col[q];
            const double dT = double(TContour) - double(T0);
            if (!(std::fabs(dT) < 50.0))
                continue;
            const float Tr = sampler.At(field.r1[c], field.z0[q]);
            const float Tz = sampler.At(field.r0[c], field.z1[q]);
            const double ddr = double(Tr) - double(T0);
            const double ddz = double(Tz) - double(T0);
            const float gr = Sng(std::fabs(ddr));
            const float gz = Sng(std::fabs(ddz));
            double d = 0.0;
            if (gr > 0.01f && gz > 0.01f) {
                // Distance to the straight line through the crossings along both axes.
                const double a = std::fabs(dT / ddr);
                const double b = std::fabs(dT / ddz);
                d = (a != 0.0 && b != 0.0) ? 1.0 / std::sqrt(1.0 / (a * a) + 1.0 / (b * b)) : 0.0;
            } else if (gr <= 0.01f && gz <= 0.01f) {
                continue; // flat field
            } else if (gr <= 0.01f) {
                d = std::fabs(dT / ddz);
            } else {
                d = std::fabs(dT / ddr);
            }
            if (!(d <= w))
                continue;
            const auto index = static_cast<std::size_t>(std::floor(10.0 * d / w));
            std::uint32_t& pixel = bits[py * stride + px];
            pixel = PixelOf(Blacken(
                ColourOf(pixel),
                kContourDarkening[std::min<std::size_t>(index, kContourDarkening.size() - 1)]));
        }
    }
}

void PictureState::cmdAllContours(const PictureModel& model, PictureSurface& pic)
{
    PrepareContours(model);
    FastPlot = false;
    ReplotPicture(model, pic);
}

void PictureState::CmdContour(float level, const PictureModel& model, PictureSurface& pic)
{
    const float weight = static_cast<float>(scrContourSize[1]);
    if (!AntiAliasing) {
        std::vector<float> levels(ContourLevels.begin(), ContourLevels.begin() + ContourCount);
        std::vector<float> weights(ContourWeights.begin(), ContourWeights.begin() + ContourCount);
        levels.push_back(level);
        weights.push_back(weight);
        SetContourList(std::move(levels), std::move(weights));
        FastPlot = true;
        ReplotPicture(model, pic);
    } else {
        SetContourList({level}, {weight});
    }
    // Drawn once more over the labels; without a field the level is only stored.
    if (model.grid.TemperatureReady)
        ContourDraw(ContourCount, ContourLevels, ContourWeights, ContourColors, model, pic);
}

void PictureState::cmdClearContours(const PictureModel& model, PictureSurface& pic)
{
    SetContourList({}, {});
    FastPlot = true;
    ReplotPicture(model, pic);
}

bool PictureState::SetContourInterval(int v, std::string_view text)
{
    const auto value = ParseNumber(text);
    if (v < 0 || v > 1 || !value || !std::isfinite(Sng(*value)))
        return false;
    ContourIntervals[static_cast<std::size_t>(v)] = Sng(*value);
    return true;
}

bool PictureState::SetContourSize(int v, std::string_view text)
{
    const auto value = ParseNumber(text);
    if (v < 0 || v > 1 || !value || !std::isfinite(Sng(*value)))
        return false;
    ContourSize[static_cast<std::size_t>(v)] = Sng(*value);
    return true;
}

void PictureState::SetContourScroll(int v, int value)
{
    if (v < 0 || v > 1)
        return;
    value = std::clamp(value, kContourScrollMin, kContourScrollMax);
    scrContourSize[static_cast<std::size_t>(v)] = value;
    ContourSize[static_cast<std::size_t>(v)] = static_cast<float>(value);
}

} // namespace tarsen
