// Labels and scale bar over the off-screen copy of the picture, and the probe of a point of the
// picture.
#include "common/colour.h"
#include "common/numeric.h"
#include "common/textnum.h"
#include "common/units.h"
#include "graphics/picturegeometry_p.h"
#include "graphics/picturestate.h"
#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace tarsen {

namespace {

// The first four characters of a number: the probe's position field, in mm.
std::string Field4(float v) { return ShortestSingle(v).substr(0, 4) + std::string(kUnitLength); }

bool ValidSlot(int k) { return k >= 0 && k < kLabelSlots; }

} // namespace

void PictureState::StartScaleBar(const PictureModel& model)
{
    // The frame offsets do not depend on the picture's size, so the bar's place can be fixed
    // before any picture is drawn.
    if (!(PicFrame > 0.0f) || !std::isfinite(PicFrame))
        PicFrame = 1.0f;
    const float rmax = model.grid.rmax;
    const float zmax = model.grid.zmax;
    const float M = rmax > zmax ? rmax : zmax;
    const float side = Sng(2.0 * double(PicFrame) + double(M));
    const float frameR = Sng((double(side) - double(rmax)) / 2.0);
    const float frameZ = Sng((double(side) - double(zmax)) / 2.0);
    LabelX[kScaleBarSlot] = Sng(double(rmax) / 2.0 + double(frameR));
    LabelY[kScaleBarSlot] = Sng(double(zmax) + 1.5 * double(frameZ));
}

void PictureState::DrawScaleBar(PictureSurface& pic, float ScaleBarLength)
{
    const double x = LabelX[kScaleBarSlot];
    const double half = double(ScaleBarLength) / 2.0;
    const float y = Sng(double(LabelY[kScaleBarSlot]) / double(PicToMM));
    const float right = Sng((x + half) / double(PicToMM));
    DrawTheLine(Sng((x - half) / double(PicToMM)), y, right, y, kBlack, ScaleBarWeight, false, pic);
    if (ShowValues) {
        // The length to the right of the bar, centred on its line.
        const QString text =
            QString::fromStdString(ShortestSingle(ScaleBarLength) + std::string(kUnitLength));
        pic.image.SetFont(PictureFont);
        const QSize size = pic.image.TextSize(text);
        const double gap = 4.0 + std::max(0.0, double(ScaleBarWeight)) / 2.0;
        pic.image.Print(PixelRound(double(right) + gap),
                        PixelRound(double(y) - size.height() / 2.0), text, kBlack);
    }
}

void PictureState::Relabel(const PictureModel& model, PictureSurface& pic)
{
    // The copy must be of this surface and its size; otherwise the picture is drawn anew
    // (which brings its own copy and comes back here).
    if (pic.BufferBitmap.isNull() || pic.BufferBitmap.size() != pic.image.Image().size()) {
        ReplotPicture(model, pic);
        return;
    }
    pic.image.Clear(kWhite);
    pic.image.CopyFrom(pic.BufferBitmap);
    pic.image.SetFont(PictureFont);
    for (int k = 1; k <= LabelCount && k < kLabelSlots; ++k) {
        const std::size_t s = static_cast<std::size_t>(k);
        pic.image.Print(PixelRound(double(LabelX[s]) / double(PicToMM)),
                        PixelRound(double(LabelY[s]) / double(PicToMM)), LabelText[s], kBlack);
    }
    if (ShowScaleBar)
        DrawScaleBar(pic, 1.0f);
}

void PictureState::NearestLabel(float& X, float& Y, int& Index) const
{
    X = Sng(double(X) * double(PicToMM));
    Y = Sng(double(Y) * double(PicToMM));
    double best = 1e6;
    auto test = [&](int k) {
        const double dx = double(LabelX[static_cast<std::size_t>(k)]) - X;
        const double dy = double(LabelY[static_cast<std::size_t>(k)]) - Y;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < best) {
            best = d;
            Index = k;
        }
    };
    for (int k = 1; k <= LabelCount && k < kLabelSlots; ++k)
        test(k);
    if (ShowScaleBar) {
        test(kScaleBarSlot);
        test(kScaleBarSlot + 1);
    }
}

void PictureState::ChangeLabel(const QString& text, const PictureModel& model, PictureSurface& pic)
{
    if (ValidSlot(SelectedLabel))
        LabelText[static_cast<std::size_t>(SelectedLabel)] = text;
    Relabel(model, pic);
}

void PictureState::ClearLabels(const PictureModel& model, PictureSurface& pic)
{
    for (int k = 1; k <= LabelCount && k < kLabelSlots; ++k)
        LabelText[static_cast<std::size_t>(k)].clear();
    LabelCount = 0;
    Relabel(model, pic);
}

void PictureState::MoveLabel(int dx, int dy, const PictureModel& model, PictureSurface& pic)
{
    if (ValidSlot(SelectedLabel)) {
        const std::size_t s = static_cast<std::size_t>(SelectedLabel);
        LabelX[s] = Sng(double(LabelX[s]) + dx * double(LabelStep));
        LabelY[s] = Sng(double(LabelY[s]) + dy * double(LabelStep));
    }
    Relabel(model, pic);
}

ProbeResult PictureState::ProbeText(const PictureModel& model, int X, int Y) const
{
    ProbeResult result;
    const ModelGrid& g = model.grid;
    const float r = MMOfPixelX(X);
    const float z = MMOfPixelY(Y);
    std::int16_t mat = -1;
    const std::int16_t part = model.Tarsen.CellPartAtPoint(r, z, g.rmax, g.zmax, mat);
    const double Ir = round_half_even(double(g.nr) * r / double(g.rmax) - 0.5 + 0.1);
    const double Jr = round_half_even(double(g.nz) * z / double(g.zmax) - 0.5 + 0.1);
    if (!(Ir >= -1.0 && Ir <= g.nr && Jr >= -1.0 && Jr <= g.nz))
        return result; // outside the grid: an empty probe line
    const int I = static_cast<int>(Ir);
    const int J = static_cast<int>(Jr);
    result.insideGrid = true;
    if (part >= 0) {
        result.PartIndex = part;
        result.MaterialIndex = mat;
    }
    // The accessors read 0 (or material -1) where an array does not cover the cell.
    const float tIJ = g.tmatrix(I, J);
    float T0 = 0.0f;
    if (g.TemperatureReady)
        T0 = model.BoundaryT ? model.tbc : tIJ;
    const auto resistivity = [&] {
        const double rho = model.materialproperties.Resistivity(g.pubMatMat(I, J), T0);
        return ShortestSingle(Sng(rho / 1000.0)) + std::string(kUnitResistivity);
    };
    std::string text = "I = " + std::to_string(I) + "; J = " + std::to_string(J) + ".\n" +
                       "r = " + Field4(r) + "; z = " + Field4(z) + ".";
    if (g.Initialized) {
        const float fIJ = g.f.InRange(I, J) ? g.f(I, J) : 0.0f;
        // The grid holds conductivities in W/mm/K; the probe shows them in the materials
        // file's W/m/K.
        text += "\nHeat output = " + ShortestSingle(fIJ) + std::string(kUnitHeatOutput) + ".";
        text += "\nThermal conductivity = " +
                ShortestSingle(Sng(kConductivityDisplayFactor * g.cmatrix(I, J))) +
                std::string(kUnitConductivity) + ".";
        text += "\nTemperature = " + ShortestSingle(tIJ) + std::string(kUnitTemperature) + ".";
        text += "\nElectrical resistivity = " + resistivity();
    } else if (g.TemperatureReady) {
        text += "\nTemperature = " + ShortestSingle(tIJ) + std::string(kUnitTemperature) + ".";
        text += "\nElectrical resistivity = " + resistivity();
    }
    result.text = std::move(text);
    return result;
}

PictureClick PictureState::MouseUp(const PictureModel& model, PictureSurface& pic, int X, int Y,
                                   const QString& txtA)
{
    PictureClick click;
    if (!MouseDown)
        return click;
    click.probe = ProbeText(model, X, Y);
    if (AddLabelMode) {
        // Slots 99 and 100 belong to the scale bar, so labels stop at 98.
        if (LabelCount < kMaxLabels) {
            pic.image.SetFont(PictureFont);
            pic.image.Print(X, Y, txtA, kBlack);
            ++LabelCount;
            const std::size_t s = static_cast<std::size_t>(LabelCount);
            LabelX[s] = Sng(double(PicToMM) * X);
            LabelY[s] = Sng(double(PicToMM) * Y);
            LabelText[s] = txtA;
            SelectedLabel = LabelCount;
            click.labelAdded = true;
        }
        AddLabelMode = false;
    } else if (SelectLabelMode) {
        float x = static_cast<float>(X);
        float y = static_cast<float>(Y);
        NearestLabel(x, y, SelectedLabel);
        if (ValidSlot(SelectedLabel))
            click.labelText = LabelText[static_cast<std::size_t>(SelectedLabel)];
        click.labelSelected = true;
        SelectLabelMode = false;
    }
    MouseDown = false;
    return click;
}

} // namespace tarsen
