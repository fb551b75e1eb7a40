// The values written on the picture: each isotherm level on one of its lines, so that the
// contours can be read without counting them from the hottest one.
#include "common/colour.h"
#include "common/textnum.h"
#include "common/units.h"
#include "graphics/clsconrec.h"
#include "graphics/colourmaps.h"
#include "graphics/picturegeometry_p.h"
#include "graphics/picturestate.h"

#include <QRect>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tarsen {

namespace {

/// White space left around a value inside its box, pixels.
constexpr int kValuePad = 1;
/// Most places tried for the value of one level.
constexpr std::size_t kMaxPlaces = 200;

struct Place {
    double x = 0.0;
    double y = 0.0;
    double score = 0.0;
};

} // namespace

void PictureState::LabelIsotherms(const PictureModel& model, PictureSurface& pic)
{
    const ModelGrid& g = model.grid;
    const int count = std::min(ContourCount, static_cast<int>(ContourLevels.size()));
    if (count <= 0 || !TemperatureOfGrid(g))
        return;
    // Each level once: major and minor lists may hold the same level twice.
    std::vector<float> levels;
    for (int k = 0; k < count; ++k)
        if (std::isfinite(ContourLevels[static_cast<std::size_t>(k)]))
            levels.push_back(ContourLevels[static_cast<std::size_t>(k)]);
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    if (levels.empty())
        return;

    float tmin = 0.0f, tmax = 0.0f;
    TLimits(g.t, g.nr, g.nz, tmin, tmax);
    std::vector<float> x, y;
    CellPixelTables(g, x, y);
    // Candidate places: the middle of every segment, at most kMaxPlaces per level spread
    // along its isotherms.
    std::vector<std::vector<Place>> places(levels.size());
    const clsConrec tracer;
    tracer.conrec(
        g.t, x, y, static_cast<int>(levels.size()), levels, -1, g.nr, -1, g.nz, tmin, tmax,
        [&](double x1, double y1, double x2, double y2, int k) {
            places[static_cast<std::size_t>(k)].push_back({0.5 * (x1 + x2), 0.5 * (y1 + y2), 0.0});
        });
    for (std::vector<Place>& p : places) {
        if (p.size() <= kMaxPlaces)
            continue;
        std::vector<Place> spread;
        for (std::size_t n = 0; n < kMaxPlaces; ++n)
            spread.push_back(p[n * p.size() / kMaxPlaces]);
        p = std::move(spread);
    }
    // A value reads best where its isotherm runs far from the others: each place is scored by
    // its distance to the nearest place of another level, the largest first.
    for (std::size_t k = 0; k < places.size(); ++k) {
        for (Place& p : places[k]) {
            double nearest = std::numeric_limits<double>::max();
            for (std::size_t m = 0; m < places.size(); ++m) {
                if (m == k)
                    continue;
                for (const Place& q : places[m])
                    nearest =
                        std::min(nearest, (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y));
            }
            p.score = -nearest;
        }
    }

    const QRect frame(QPoint(PixelRound(PixelX(0.0f)), PixelRound(PixelY(0.0f))),
                      QPoint(PixelRound(PixelX(g.rmax)), PixelRound(PixelY(g.zmax))));
    RasterSurface& surface = pic.image;
    surface.SetFont(PictureFont);
    std::vector<QRect> taken;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        std::vector<Place>& candidates = places[k];
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const Place& a, const Place& b) { return a.score < b.score; });
        const QString text =
            QString::fromStdString(ShortestSingle(levels[k]) + std::string(kUnitTemperature));
        const QSize size = surface.TextSize(text) + QSize(2 * kValuePad, 2 * kValuePad);
        for (const Place& p : candidates) {
            const QRect box(PixelRound(p.x - size.width() / 2.0),
                            PixelRound(p.y - size.height() / 2.0), size.width(), size.height());
            if (!frame.contains(box))
                continue;
            const QRect clear = box.adjusted(-2, -2, 2, 2);
            if (std::any_of(taken.begin(), taken.end(),
                            [&](const QRect& t) { return t.intersects(clear); }))
                continue;
            surface.FillRect(box.x(), box.y(), box.width(), box.height(), kWhite);
            surface.Print(box.x() + kValuePad, box.y() + kValuePad, text, kBlack);
            taken.push_back(box);
            break;
        }
    }
}

} // namespace tarsen
