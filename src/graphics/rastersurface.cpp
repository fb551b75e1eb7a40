#include "graphics/rastersurface.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <utility>

namespace tarsen {

namespace {

QColor QColourOf(std::int32_t colour)
{
    const auto c = static_cast<std::uint32_t>(colour);
    return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                  static_cast<int>((c >> 16) & 0xFFu));
}

// Coordinates handed to the painter stay far inside its fixed-point range; anything beyond
// the surface by more than this is off the picture anyway.
constexpr int kCoordLimit = 1 << 20;
int ClampCoord(int v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

} // namespace

RasterSurface::RasterSurface() = default;

RasterSurface::RasterSurface(int width, int height, std::int32_t background)
{
    Resize(width, height, background);
}

RasterSurface::~RasterSurface() { EndPainting(); }

RasterSurface::RasterSurface(RasterSurface&& other) noexcept
{
    other.EndPainting();
    m_image = std::move(other.m_image);
    m_font = std::move(other.m_font);
    other.m_image = QImage();
}

RasterSurface& RasterSurface::operator=(RasterSurface&& other) noexcept
{
    if (this != &other) {
        EndPainting();
        other.EndPainting();
        m_image = std::move(other.m_image);
        m_font = std::move(other.m_font);
        other.m_image = QImage();
    }
    return *this;
}

void RasterSurface::Resize(int width, int height, std::int32_t background)
{
    EndPainting();
    m_image = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    Clear(background);
}

QPainter& RasterSurface::Painter()
{
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>(&m_image);
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setRenderHint(QPainter::TextAntialiasing, false);
    }
    return *m_painter;
}

void RasterSurface::EndPainting() const
{
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
}

void RasterSurface::Clear(std::int32_t colour)
{
    EndPainting();
    if (!m_image.isNull())
        m_image.fill(PixelOf(colour));
}

void RasterSurface::SetPixel(int x, int y, std::int32_t colour)
{
    if (!Contains(x, y))
        return;
    if (m_painter) {
        // Between lines the pixel goes through the open painter rather than closing it.
        m_painter->fillRect(x, y, 1, 1, QColourOf(colour));
        return;
    }
    reinterpret_cast<std::uint32_t*>(m_image.scanLine(y))[x] = PixelOf(colour);
}

std::int32_t RasterSurface::Point(int x, int y) const
{
    if (!Contains(x, y))
        return -1;
    EndPainting();
    return ColourOf(reinterpret_cast<const std::uint32_t*>(m_image.constScanLine(y))[x]);
}

void RasterSurface::Line(int x1, int y1, int x2, int y2, std::int32_t colour, int width,
                         bool dotted)
{
    if (m_image.isNull())
        return;
    QPainter& p = Painter();
    QPen pen(QColourOf(colour));
    if (width <= 1) {
        // A cosmetic one-pixel pen; the square cap includes the last pixel of the line.
        pen.setWidth(0);
        pen.setCapStyle(Qt::SquareCap);
        pen.setStyle(dotted ? Qt::DotLine : Qt::SolidLine);
    } else {
        pen.setWidth(width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    x1 = ClampCoord(x1);
    y1 = ClampCoord(y1);
    x2 = ClampCoord(x2);
    y2 = ClampCoord(y2);
    if (x1 == x2 && y1 == y2) {
        if (width <= 1)
            p.drawPoint(x1, y1);
        else
            p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
        return;
    }
    p.drawLine(QPoint(x1, y1), QPoint(x2, y2));
}

void RasterSurface::Circle(int cx, int cy, int radius, std::int32_t colour, int width,
                           std::optional<std::int32_t> fill)
{
    if (m_image.isNull() || radius < 0)
        return;
    QPainter& p = Painter();
    QPen pen(QColourOf(colour));
    pen.setWidth(width <= 1 ? 0 : width);
    p.setPen(pen);
    if (fill)
        p.setBrush(QColourOf(*fill));
    else
        p.setBrush(Qt::NoBrush);
    const int r = std::min(radius, kCoordLimit);
    p.drawEllipse(QPoint(ClampCoord(cx), ClampCoord(cy)), r, r);
    p.setBrush(Qt::NoBrush);
}

void RasterSurface::Print(int x, int y, const QString& text, std::int32_t colour)
{
    if (m_image.isNull() || text.isEmpty())
        return;
    QPainter& p = Painter();
    // Glyphs in the one colour, like every other line of the picture.
    QFont font = m_font;
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    p.setPen(QColourOf(colour));
    // The text's top-left corner goes to (x, y); the painter places the baseline.
    const QFontMetrics metrics(font, &m_image);
    p.drawText(QPoint(ClampCoord(x), ClampCoord(y) + metrics.ascent()), text);
}

QSize RasterSurface::TextSize(const QString& text) const
{
    if (text.isEmpty())
        return QSize(0, 0);
    QFont font = m_font;
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font, &m_image);
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

void RasterSurface::FillRect(int x, int y, int width, int height, std::int32_t colour)
{
    const QRect area = QRect(x, y, width, height).intersected(m_image.rect());
    if (m_image.isNull() || area.isEmpty())
        return;
    Painter().fillRect(area, QColourOf(colour));
}

bool RasterSurface::FloodFillBorder(int x, int y, std::int32_t border, std::int32_t fill)
{
    if (!Contains(x, y))
        return false;
    EndPainting();
    const int w = m_image.width();
    const int h = m_image.height();
    const std::uint32_t borderPixel = PixelOf(border) & 0x00FFFFFFu;
    const std::uint32_t fillPixel = PixelOf(fill);
    auto row = [this](int yy) { return reinterpret_cast<std::uint32_t*>(m_image.scanLine(yy)); };
    if ((row(y)[x] & 0x00FFFFFFu) == borderPixel)
        return false;

    // A pixel is done once it has been filled; the mask keeps pixels that already had the fill
    // colour from being taken for unvisited ones.
    m_visited.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    auto blocked = [&](const std::uint32_t* line, std::size_t base, int xx) {
        return m_visited[base + static_cast<std::size_t>(xx)] != 0 ||
               (line[xx] & 0x00FFFFFFu) == borderPixel;
    };
    m_stack.clear();
    m_stack.emplace_back(x, y);
    while (!m_stack.empty()) {
        const auto [sx, sy] = m_stack.back();
        m_stack.pop_back();
        std::uint32_t* line = row(sy);
        const std::size_t base = static_cast<std::size_t>(sy) * static_cast<std::size_t>(w);
        if (blocked(line, base, sx))
            continue;
        int xl = sx;
        while (xl > 0 && !blocked(line, base, xl - 1))
            --xl;
        int xr = sx;
        while (xr + 1 < w && !blocked(line, base, xr + 1))
            ++xr;
        for (int xx = xl; xx <= xr; ++xx) {
            line[xx] = fillPixel;
            m_visited[base + static_cast<std::size_t>(xx)] = 1;
        }
        // One seed per run of open pixels in the rows above and below the span.
        for (const int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            const std::uint32_t* nline = row(ny);
            const std::size_t nbase = static_cast<std::size_t>(ny) * static_cast<std::size_t>(w);
            bool inRun = false;
            for (int xx = xl; xx <= xr; ++xx) {
                const bool open = !blocked(nline, nbase, xx);
                if (open && !inRun)
                    m_stack.emplace_back(xx, ny);
                inRun = open;
            }
        }
    }
    return true;
}

const QImage& RasterSurface::Image() const
{
    EndPainting();
    return m_image;
}

void RasterSurface::CopyFrom(const QImage& image)
{
    EndPainting();
    // A deep copy, so later drawing never reaches the caller's image.
    m_image = image.format() == QImage::Format_RGB32 ? image.copy()
                                                     : image.convertToFormat(QImage::Format_RGB32);
}

std::uint32_t* RasterSurface::Row(int y)
{
    EndPainting();
    return reinterpret_cast<std::uint32_t*>(m_image.scanLine(y));
}

std::uint32_t* RasterSurface::Bits()
{
    EndPainting();
    return reinterpret_cast<std::uint32_t*>(m_image.bits());
}

const std::uint32_t* RasterSurface::Row(int y) const
{
    EndPainting();
    return reinterpret_cast<const std::uint32_t*>(m_image.constScanLine(y));
}

} // namespace tarsen
