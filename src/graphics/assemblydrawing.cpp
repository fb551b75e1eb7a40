// The assembly drawing: parts back to front in their material colours, the margin, the axis,
// the boundaries by their condition, the thermocouples, and the straight and smooth lines all
// of them are made of.
#include "common/colour.h"
#include "common/numeric.h"
#include "graphics/colourmaps.h"
#include "graphics/picturegeometry_p.h"
#include "graphics/picturestate.h"
#include "graphics/vectorops.h"
#include "model/clstarsen.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace tarsen {

namespace {

// Highest part index the cartoon draws; slot 31 exists besides the 31 parts 0 ... 30.
constexpr int kTopPartSlot = 31;

int RoundedWidth(float weight)
{
    const int w = PixelRound(weight);
    return w < 0 ? 0 : w;
}

bool AllFinite(std::initializer_list<float> values)
{
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

// The pixel box around a segment from (ax, ay) to (bx, by), widened by 3 w and clipped to the
// surface. Empty (lo > hi) when it lies outside.
struct PixelBox {
    int x0, x1, y0, y1;
};
PixelBox SegmentBox(float ax, float ay, float bx, float by, float w, const RasterSurface& s)
{
    const double margin = 3.0 * double(w);
    PixelBox b;
    b.x0 = std::max(0, PixelRound(double(PixelRound(std::min(ax, bx))) - margin));
    b.x1 = std::min(s.Width() - 1, PixelRound(double(PixelRound(std::max(ax, bx))) + margin));
    b.y0 = std::max(0, PixelRound(double(PixelRound(std::min(ay, by))) - margin));
    b.y1 = std::min(s.Height() - 1, PixelRound(double(PixelRound(std::max(ay, by))) + margin));
    return b;
}

} // namespace

void PictureState::DrawCartoon(const PictureModel& model, PictureSurface& pic)
{
    Report(model, kReportDrawCartoon);
    InitializePic(model, pic);
    pic.image.Clear(kWhite);
    // Higher indices first, so that part 0 ends up in front.
    for (int index = kTopPartSlot; index >= 0; --index) {
        if (model.Tarsen.CellPart(index).Include)
            DrawWholePart(index, model, pic);
    }
    ReDoOuterMargin(kRed, RedBrush, model, pic);
    ReDoOuterMargin(BorderColor, MarginBrush, model, pic);
    DrawAxis(model, pic);
    drawboundaries(model, pic);
    DrawThermocouples(model, pic);
}

void PictureState::DrawWholePart(int PartIndex, const PictureModel& model, PictureSurface& pic)
{
    const int m = model.Tarsen.CellPart(PartIndex).MaterialIndex;
    drawpart(PartIndex, PartColors(m), true, model, pic);
}

void PictureState::PartOutline(const std::array<float, 4>& X, const std::array<float, 4>& Y,
                               std::int32_t colour, int width, PictureSurface& pic) const
{
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) % 4;
        pic.image.Line(PixelRound(X[k]), PixelRound(Y[k]), PixelRound(X[n]), PixelRound(Y[n]),
                       colour, width);
    }
}

void PictureState::drawpart(int PartIndex, std::int32_t LocalColor, bool Filled,
                            const PictureModel& model, PictureSurface& pic)
{
    // "No part" (-1) has no outline to hold a fill, so nothing is drawn for it.
    if (PartIndex < 0 || PartIndex > kTopPartSlot)
        return;
    const clsAssemblyPart& part = model.Tarsen.CellPart(PartIndex);
    const float rmax = model.grid.rmax;
    const float zmax = model.grid.zmax;
    m_drawWidth = RoundedWidth(PartBorderWeight);
    std::array<float, 4> r{}, z{};
    part.FourCorners(r[0], z[0], r[1], z[1], r[2], z[2], r[3], z[3]);
    std::array<float, 4> X{}, Y{};
    for (int k = 0; k < 4; ++k) {
        X[static_cast<std::size_t>(k)] = PixelX(r[static_cast<std::size_t>(k)]);
        Y[static_cast<std::size_t>(k)] = PixelY(z[static_cast<std::size_t>(k)]);
    }

    if (Filled) {
        m_drawWidth = 1;
        PartOutline(X, Y, LocalColor, 1, pic);
    }

    // The fill's seed: the centre of the corners clipped to the model. A part starting beyond
    // the model has no inside there and keeps only its outline.
    if (r[0] > rmax || z[0] > zmax)
        return;
    std::array<float, 4> cr = r, cz = z;
    cz[3] = std::min(cz[3], zmax);
    cr[1] = std::min(cr[1], rmax);
    if (cr[2] > rmax || cz[2] > zmax) {
        cr[2] = cr[1];
        cz[2] = cz[3];
    }
    cr[2] = std::min(cr[2], rmax);
    cz[2] = std::min(cz[2], zmax);
    double sumX = 0.0, sumY = 0.0;
    for (std::size_t k = 0; k < 4; ++k) {
        sumX += PixelX(cr[k]);
        sumY += PixelY(cz[k]);
    }
    int seedX = PixelRound(sumX / 4.0);
    int seedY = PixelRound(sumY / 4.0);
    if (seedX >= pic.image.Width() || seedY >= pic.image.Height()) {
        seedX = PixelRound((10.0 * X[0] + seedX) / 11.0);
        seedY = PixelRound((10.0 * Y[0] + seedY) / 11.0);
    }
    if (seedY < 0)
        seedY = PixelRound(double(PicFrame) * 0.1 / double(PicToMM));

    if (Filled) {
        // In greyscale the brush is grey while the outline holding it keeps the part's colour.
        pic.image.FloodFillBorder(seedX, seedY, LocalColor,
                                  FillColour(MaterialBrush(part.MaterialIndex)));
    }

    m_drawWidth = RoundedWidth(PartBorderWeight);
    if (AntiAliasing)
        FourPath(X, Y, {false, false, false, false}, PartBorderWeight, kBlack, pic);
    else
        PartOutline(X, Y, kBlack, m_drawWidth, pic);
}

void PictureState::DrawAxis(const PictureModel& model, PictureSurface& pic)
{
    if (!(AxisWeight > 0.01f))
        return;
    const float x = Sng(double(PicFrameR) / double(PicToMM));
    const float y2 = Sng((2.0 * double(PicFrameZ) + double(model.grid.zmax)) / double(PicToMM));
    DrawTheLine(x, 0.0f, x, y2, kBlack, AxisWeight, false, pic);
}

void PictureState::drawboundaries(const PictureModel& model, PictureSurface& pic)
{
    if (!(BoundaryWeight > 0.1f))
        return;
    const float rmax = model.grid.rmax;
    const float zmax = model.grid.zmax;
    auto held = [&](int side) { return model.ibcs[static_cast<std::size_t>(side)] != 0; };
    if (!Greyscale) {
        auto colour = [&](int side) { return BoundaryColors[held(side) ? 1 : 0]; };
        DrawTheLine(PixelX(0.0f), PixelY(zmax), PixelX(0.0f), PixelY(0.0f), colour(1),
                    BoundaryWeight, false, pic);
        DrawTheLine(PixelX(rmax), PixelY(0.0f), PixelX(rmax), PixelY(zmax), colour(2),
                    BoundaryWeight, false, pic);
        DrawTheLine(PixelX(rmax), PixelY(zmax), PixelX(0.0f), PixelY(zmax), colour(3),
                    BoundaryWeight, false, pic);
        DrawTheLine(PixelX(0.0f), PixelY(0.0f), PixelX(rmax), PixelY(0.0f), colour(4),
                    BoundaryWeight, false, pic);
        return;
    }
    // Greyscale: one black path; each segment is dashed when its own side is isothermal. The
    // segments run along the axis, the top, the outer side and the bottom.
    const std::array<float, 4> X{PixelX(0.0f), PixelX(0.0f), PixelX(rmax), PixelX(rmax)};
    const std::array<float, 4> Y{PixelY(0.0f), PixelY(zmax), PixelY(zmax), PixelY(0.0f)};
    FourPath(X, Y, {held(1), held(3), held(2), held(4)}, BoundaryWeight, kBlack, pic);
}

void PictureState::DrawThermocouples(const PictureModel& model, PictureSurface& pic)
{
    if (!(ThermocouplePointSize > 0.1f))
        return;
    const int n = ThermocouplePointSize;
    auto centre = [&](int k, int& x, int& y) {
        float r = model.Tarsen.ThermocouplePosition(k, 0);
        float z = model.Tarsen.ThermocouplePosition(k, 1);
        if (model.ThermocouplePositions) {
            r = (*model.ThermocouplePositions)[static_cast<std::size_t>(k)][0];
            z = (*model.ThermocouplePositions)[static_cast<std::size_t>(k)][1];
        }
        x = PixelRound(PixelX(r));
        y = PixelRound(PixelY(z));
    };
    int x = 0, y = 0;
    if (!Greyscale) {
        for (int k = 0; k < 3; ++k) {
            centre(k, x, y);
            pic.image.Circle(x, y, n, ThermocoupleColors[static_cast<std::size_t>(k)], n);
        }
        return;
    }
    // The fill belongs to this one circle only; later circles are drawn open again.
    centre(0, x, y);
    pic.image.Circle(x, y, n, kBlack, n, kBlack);
}

void PictureState::DrawTheLine(float x1, float y1, float x2, float y2, std::int32_t LocalColor,
                               float LineWeight, bool Dotted, PictureSurface& pic)
{
    if (AntiAliasing && !FastPlot) {
        FineLine(x1, y1, x2, y2, LineWeight, LocalColor, Dotted, pic);
        return;
    }
    pic.image.Line(PixelRound(x1), PixelRound(y1), PixelRound(x2), PixelRound(y2), LocalColor,
                   RoundedWidth(LineWeight), Dotted);
}

void PictureState::FineLine(float x1, float y1, float x2, float y2, float LineWeight,
                            std::int32_t LocalColor, bool Dotted, PictureSurface& pic) const
{
    (void)LocalColor; // the band is black whatever the colour
    const float w = LineWeight;
    if (!(w > 0.0f) || !AllFinite({x1, y1, x2, y2, w}))
        return;
    const float vx = x2 - x1;
    const float vy = y2 - y1;
    const double L = Length(vx, vy);
    if (!(L > 0.0))
        return;
    const bool dashed = Dotted && DotLength > 0.0f;
    RasterSurface& s = pic.image;
    const PixelBox box = SegmentBox(x1, y1, x2, y2, w, s);
    const double band = 0.5 * double(w);
    std::uint32_t* bits = s.Bits();
    const std::ptrdiff_t stride = s.Stride();
    // Each pixel's new colour depends on its own old colour only, so it is written in place.
    for (int px = box.x0; px <= box.x1; ++px) {
        for (int py = box.y0; py <= box.y1; ++py) {
            const float pax = static_cast<float>(px) - x1;
            const float pay = static_cast<float>(py) - y1;
            const double d = Mag2DCrossProd(vx, vy, pax, pay) / L;
            const double t = std::floor(10.0 * d / band);
            if (!(t <= 10.0))
                continue;
            if (NormDotProd(pax, pay, vx, vy) < 0.0)
                continue;
            if (NormDotProd(static_cast<float>(px) - x2, static_cast<float>(py) - y2, -vx, -vy) <
                0.0)
                continue;
            if (dashed) {
                const double along = DotProd(pax, pay, vx, vy) / L;
                if (!IsEven(static_cast<long long>(std::floor(along / double(DotLength)))))
                    continue;
            }
            std::uint32_t& pixel = bits[py * stride + px];
            pixel = PixelOf(Blacken(ColourOf(pixel), 0.0f));
        }
    }
}

void PictureState::FourPath(const std::array<float, 4>& X, const std::array<float, 4>& Y,
                            const std::array<bool, 4>& Dotted, float LineWeight,
                            std::int32_t LocalColor, PictureSurface& pic) const
{
    (void)LocalColor; // the path is black whatever the colour
    const float w = LineWeight;
    if (!(w > 0.0f) || !AllFinite({X[0], X[1], X[2], X[3], Y[0], Y[1], Y[2], Y[3], w}))
        return;
    RasterSurface& s = pic.image;
    const double band = 0.5 * double(w);
    std::uint32_t* bits = s.Bits();
    const std::ptrdiff_t stride = s.Stride();
    auto same = [&](int a, int b) { return X[a] == X[b] && Y[a] == Y[b]; };
    // New colours are computed from the picture as it was before the path and applied at the
    // end, so a pixel claimed by two segments is darkened once.
    std::vector<std::pair<std::uint32_t*, std::uint32_t>> writes;
    for (int k = 0; k < 4; ++k) {
        const int a = k;
        const int b = (k + 1) % 4;
        if (same(a, b))
            continue; // a zero-length segment draws nothing
        // The corner is split with the nearest neighbouring point that differs from the
        // segment's end, so a zero-length neighbour does not swallow the segment.
        int prev = (k + 3) % 4;
        while (same(prev, a))
            prev = (prev + 3) % 4;
        int next = (k + 2) % 4;
        while (same(next, b))
            next = (next + 1) % 4;
        const float ax = X[a], ay = Y[a], bx = X[b], by = Y[b];
        const float vx = bx - ax;
        const float vy = by - ay;
        const double L = Length(vx, vy);
        if (!(L > 0.0))
            continue;
        const bool dashed = Dotted[static_cast<std::size_t>(k)] && DotLength > 0.0f;
        const PixelBox box = SegmentBox(ax, ay, bx, by, w, s);
        for (int px = box.x0; px <= box.x1; ++px) {
            for (int py = box.y0; py <= box.y1; ++py) {
                const float pax = static_cast<float>(px) - ax;
                const float pay = static_cast<float>(py) - ay;
                const double d = Mag2DCrossProd(vx, vy, pax, pay) / L;
                const double t = std::floor(10.0 * d / band);
                if (!(t <= 10.0))
                    continue;
                if (NormDotProd(pax, pay, vx, vy) <
                    NormDotProd(pax, pay, X[prev] - ax, Y[prev] - ay))
                    continue;
                const float pbx = static_cast<float>(px) - bx;
                const float pby = static_cast<float>(py) - by;
                if (NormDotProd(pbx, pby, -vx, -vy) <
                    NormDotProd(pbx, pby, X[next] - bx, Y[next] - by))
                    continue;
                if (dashed) {
                    const double along = DotProd(pax, pay, vx, vy) / L;
                    if (!IsEven(static_cast<long long>(std::floor(along / double(DotLength)))))
                        continue;
                }
                std::uint32_t* pixel = bits + py * stride + px;
                const float factor = kPathDarkening[static_cast<std::size_t>(t)];
                writes.emplace_back(pixel, PixelOf(Blacken(ColourOf(*pixel), factor)));
            }
        }
    }
    for (const auto& [pixel, value] : writes)
        *pixel = value;
}

} // namespace tarsen
