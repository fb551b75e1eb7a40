// The replot sequence with its off-screen copy, the point-by-point field pictures, and the
// writing of a picture to a bitmap file.
#include "common/colour.h"
#include "common/numeric.h"
#include "graphics/picturegeometry_p.h"
#include "graphics/picturestate.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace tarsen {

namespace {

bool FieldOfGrid(const GhostField<float>& field, const ModelGrid& grid)
{
    return !field.Empty() && field.N1() == grid.nr && field.N2() == grid.nz;
}

} // namespace

void PictureState::ReplotPicture(const PictureModel& model, PictureSurface& pic)
{
    DrawCartoon(model, pic);
    DrawAllContours(model, pic);
    pic.BufferBitmap = pic.image.Image().copy();
    Relabel(model, pic);
}

void PictureState::PlotAll(const PictureModel& model, PictureSurface& pic)
{
    FastPlot = !AntiAliasing;
    ReplotPicture(model, pic);
}

void PictureState::PlotFast(const PictureModel& model, PictureSurface& pic)
{
    FastPlot = true;
    ReplotPicture(model, pic);
}

void PictureState::ToggleGreyscale(const PictureModel& model, PictureSurface& pic)
{
    Greyscale = !Greyscale;
    CreateBrushes(model);
    FastPlot = true;
    ReplotPicture(model, pic);
}

void PictureState::DrawModel(const PictureModel& model, PictureSurface& pic)
{
    Report(model, kReportDrawModel);
    InitializePic(model, pic);
    pic.image.Clear(kWhite);
    DrawAxis(model, pic);
    const ModelGrid& g = model.grid;
    const GhostField<std::int16_t>& MatMat = g.MatMat;
    if (!MatMat.Empty() && MatMat.N1() == g.nr && MatMat.N2() == g.nz && g.nr > 0 && g.nz > 0) {
        const double s = double(pic.image.Height()) / double(PicSide); // pixels per mm
        const double dr = double(g.rmax) / g.nr;
        const double dz = double(g.zmax) / g.nz;
        for (int i = -1; i <= g.nr; ++i) {
            const float ri = Sng((i + 0.5) * dr);
            const int x = PixelRound((double(ri) + PicFrameR) * s);
            for (int j = -1; j <= g.nz; ++j) {
                const float zj = Sng((j + 0.5) * dz);
                const int y = PixelRound((double(zj) + PicFrameZ) * s);
                pic.image.SetPixel(x, y, PartColors(MatMat(i, j)));
            }
        }
    }
    drawboundaries(model, pic);
    DrawThermocouples(model, pic);
}

void PictureState::DrawHeatOutput(const PictureModel& model, PictureSurface& pic,
                                  const std::function<bool()>& initialize)
{
    Report(model, kReportDrawF);
    m_drawWidth = 1;
    pic.image.Clear(kWhite);
    const ModelGrid& g = model.grid;
    bool ready = g.Initialized;
    if (!ready && initialize)
        ready = initialize();
    // A failed initialization can leave f missing or of another size: then there is no heat
    // source to show.
    if (ready && FieldOfGrid(g.f, g) && g.nr > 0 && g.nz > 0) {
        float fmax = 0.0f;
        for (int i = -1; i <= g.nr; ++i)
            for (int j = -1; j <= g.nz; ++j)
                fmax = std::max(fmax, g.f(i, j));
        if (fmax > 0.0f && std::isfinite(fmax)) {
            const double dr = double(g.rmax) / g.nr;
            const double dz = double(g.zmax) / g.nz;
            for (int i = -1; i <= g.nr; ++i) {
                const int x = PixelRound(PixelX(Sng((i + 0.5) * dr)));
                for (int j = -1; j <= g.nz; ++j) {
                    const int y = PixelRound(PixelY(Sng((j + 0.5) * dz)));
                    const double red = round_half_even(double(g.f(i, j)) * 255.0 / fmax);
                    const int channel = red > 0.0 ? static_cast<int>(std::min(red, 255.0)) : 0;
                    pic.image.SetPixel(x, y, RGB(channel, 0, 0));
                }
            }
        }
    }
    drawboundaries(model, pic);
}

bool SaveBitmap(const QImage& image, const QString& fileName, QString& error)
{
    const char* format =
        fileName.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ? "PNG" : "BMP";
    auto fail = [&](const QString& reason) {
        error =
            QStringLiteral("The picture could not be saved to \"%1\": %2").arg(fileName, reason);
        return false;
    };
    if (image.isNull())
        return fail(QStringLiteral("there is no picture."));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (!image.save(&file, format)) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("the image could not be encoded.");
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

bool WriteAssemblyPicture(const PictureModel& model, const QString& fileName, int side,
                          bool antialias, QString& error)
{
    EnsureGuiApplication();
    PictureState state;
    state.AntiAliasing = antialias;
    state.ShowScaleBar = true;
    state.ContourIntervals = {100.0f, 0.0f};
    PictureSurface pic(std::clamp(side, kMinPictureSide, kMaxPictureSide));
    state.SetLocalMatColors(model);
    state.InitializePic(model, pic);
    state.StartScaleBar(model);
    state.PrepareContours(model);
    state.FastPlot = !antialias;
    state.ReplotPicture(model, pic);
    return SaveBitmap(pic.image.Image(), fileName, error);
}

void EnsureGuiApplication()
{
    if (QGuiApplication::instance() != nullptr)
        return;
    // Drawing text needs a GUI application but no window system.
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    static int argc = 1;
    static char name[] = "tarsen";
    static char* argv[] = {name, nullptr};
    // Kept for the life of the program: destroying it while static objects go away is unsafe.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

} // namespace tarsen
