// Picture geometry, the margin, material colours and brushes, and the small helpers of the
// picture settings.
#include "common/colour.h"
#include "common/numeric.h"
#include "common/textnum.h"
#include "graphics/colourmaps.h"
#include "graphics/picturegeometry_p.h"
#include "graphics/picturestate.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"

#include <QColor>

#include <algorithm>
#include <cmath>

namespace tarsen {

namespace {

QBrush SolidBrush(std::int32_t colour)
{
    return QBrush(QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
}

std::int32_t BrushColour(const QBrush& brush)
{
    const QColor c = brush.color();
    return RGB(c.red(), c.green(), c.blue());
}

} // namespace

int PixelRound(double v)
{
    if (!std::isfinite(v))
        return v > 0 ? kPixelLimit : -kPixelLimit;
    return static_cast<int>(
        std::clamp(round_half_even(v), double(-kPixelLimit), double(kPixelLimit)));
}

std::int32_t FillColour(const QBrush& brush) { return BrushColour(brush); }

PictureState::PictureState()
    : MarginBrush(SolidBrush(BorderColor)),
      RedBrush(SolidBrush(kRed)), ThermocoupleColors{RGB(50, 0, 150), RGB(150, 0, 150),
                                                     RGB(150, 0, 50)}
{}

void PictureState::Report(const PictureModel& model, std::string_view text) const
{
    if (model.WriteReport)
        model.WriteReport(text);
}

void PictureState::InitializePic(const PictureModel& model, const PictureSurface& pic)
{
    if (!(PicFrame > 0.0f) || !std::isfinite(PicFrame))
        PicFrame = 1.0f;
    const float rmax = model.grid.rmax;
    const float zmax = model.grid.zmax;
    const float M = rmax > zmax ? rmax : zmax;
    PicSide = Sng(2.0 * double(PicFrame) + double(M));
    const int height = std::max(pic.image.Height(), 1);
    PicToMM = Sng(double(PicSide) / double(height));
    PicFrameR = Sng((double(PicSide) - double(rmax)) / 2.0);
    PicFrameZ = Sng((double(PicSide) - double(zmax)) / 2.0);
}

float PictureState::PixelX(float r) const
{
    return Sng((double(r) + double(PicFrameR)) / double(PicToMM));
}

float PictureState::PixelY(float z) const
{
    return Sng((double(z) + double(PicFrameZ)) / double(PicToMM));
}

float PictureState::MMOfPixelX(double X) const
{
    return Sng(double(Sng(double(PicToMM) * X)) - double(PicFrameR));
}

float PictureState::MMOfPixelY(double Y) const
{
    return Sng(double(Sng(double(PicToMM) * Y)) - double(PicFrameZ));
}

void PictureState::ReDoOuterMargin(std::int32_t MarginColor, const QBrush& LocalBrush,
                                   const PictureModel& model, PictureSurface& pic)
{
    const int x1 = PixelRound(PixelX(0.0f));
    const int y1 = PixelRound(PixelY(0.0f));
    const int x2 = PixelRound(PixelX(model.grid.rmax));
    const int y2 = PixelRound(PixelY(model.grid.zmax));
    RasterSurface& s = pic.image;
    s.Line(x1, y1, x2, y1, MarginColor, m_drawWidth);
    s.Line(x2, y1, x2, y2, MarginColor, m_drawWidth);
    s.Line(x2, y2, x1, y2, MarginColor, m_drawWidth);
    s.Line(x1, y2, x1, y1, MarginColor, m_drawWidth);
    s.FloodFillBorder(0, 0, MarginColor, BrushColour(LocalBrush));
}

void PictureState::SetLocalMatColors(const PictureModel& model)
{
    const int n = std::max<int>(model.materialproperties.NumberOfMaterials(), 0);
    LocalMatColors.assign(static_cast<std::size_t>(n) + 2, 0);
    for (int m = -1; m <= n - 1; ++m)
        LocalMatColors[static_cast<std::size_t>(m + 1)] = model.Tarsen.MaterialColors(m);
    CreateBrushes(model);
}

void PictureState::CreateBrushes(const PictureModel& model)
{
    const int n = std::max<int>(model.materialproperties.NumberOfMaterials(), 0);
    MaterialBrushes.clear();
    MaterialBrushes.reserve(static_cast<std::size_t>(n));
    for (int m = 0; m < n; ++m) {
        std::int32_t c = model.Tarsen.MaterialColors(m);
        if (Greyscale)
            c = GreyOf(c);
        MaterialBrushes.push_back(SolidBrush(c));
    }
    RedBrush = SolidBrush(kRed);
    MarginBrush = SolidBrush(BorderColor);
}

std::int32_t PictureState::PartColors(int m) const
{
    // Entry N of the table is never set; it and every index outside -1 ... N - 1 take the
    // colour of unassigned cells.
    if (LocalMatColors.empty())
        return kRed;
    if (m < -1 || m + 2 >= static_cast<int>(LocalMatColors.size()))
        m = -1;
    return LocalMatColors[static_cast<std::size_t>(m + 1)];
}

QBrush PictureState::MaterialBrush(int m) const
{
    if (m >= 0 && m < static_cast<int>(MaterialBrushes.size()))
        return MaterialBrushes[static_cast<std::size_t>(m)];
    const std::int32_t c = PartColors(-1);
    return SolidBrush(Greyscale ? GreyOf(c) : c);
}

int LargePictureSize(std::string_view txtPixels)
{
    const auto v = ParseNumber(txtPixels);
    if (!v)
        return kDefaultLargePicture;
    const double n = round_half_even(*v);
    if (n < kMinPictureSide || n > kMaxPictureSide)
        return kDefaultLargePicture;
    return static_cast<int>(n);
}

void SetIbcs(std::array<std::int16_t, 5>& ibcs, int side, int value)
{
    const std::int16_t v = value != 0 ? 1 : 0;
    switch (side) {
    case 1:
        ibcs[1] = 0;
        break;
    case 2:
        ibcs[2] = (ibcs[3] != 0 || ibcs[4] != 0) ? v : std::int16_t{1};
        break;
    case 3:
        ibcs[3] = (ibcs[2] != 0 || ibcs[4] != 0) ? v : std::int16_t{1};
        break;
    case 4:
        ibcs[4] = (ibcs[2] != 0 || ibcs[3] != 0) ? v : std::int16_t{1};
        break;
    default:
        break;
    }
}

} // namespace tarsen
