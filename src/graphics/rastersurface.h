// The raster surface every picture of the assembly is drawn on: an RGB32 image with the
// operations the drawing code needs (clear, set and read a pixel, lines of a width with an
// optional dot style, circles, text placed by its top-left corner, whole-image copies) and a
// border flood fill. Colours are colour Longs (red + 256 green + 65536 blue); lines and outlines
// are drawn on whole pixels without anti-aliasing, so a closed outline holds a fill.
#pragma once

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace tarsen {

/// The RGB32 pixel value of a colour Long (only its low 24 bits count).
constexpr std::uint32_t PixelOf(std::int32_t colour)
{
    const auto c = static_cast<std::uint32_t>(colour);
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
/// The colour Long of an RGB32 pixel value.
constexpr std::int32_t ColourOf(std::uint32_t pixel)
{
    return static_cast<std::int32_t>(((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) |
                                     ((pixel & 0xFFu) << 16));
}

class RasterSurface {
public:
    /// An empty surface (0 x 0); every operation on it does nothing.
    RasterSurface();
    /// A width x height surface cleared to background. Sizes below 0 count as 0.
    RasterSurface(int width, int height, std::int32_t background = 16777215);
    ~RasterSurface();
    RasterSurface(RasterSurface&& other) noexcept;
    RasterSurface& operator=(RasterSurface&& other) noexcept;
    RasterSurface(const RasterSurface&) = delete;
    RasterSurface& operator=(const RasterSurface&) = delete;

    /// A new image of the given size cleared to background; the old content is gone.
    void Resize(int width, int height, std::int32_t background = 16777215);
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    bool Contains(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height();
    }

    /// The font text is printed with (the picture's font).
    void SetFont(const QFont& font) { m_font = font; }
    const QFont& Font() const { return m_font; }

    /// Every pixel becomes colour.
    void Clear(std::int32_t colour);
    /// Sets one pixel; a position outside the surface is ignored.
    void SetPixel(int x, int y, std::int32_t colour);
    /// The colour of one pixel, or -1 outside the surface.
    std::int32_t Point(int x, int y) const;

    /// A straight line from (x1, y1) to (x2, y2), both end pixels included. Width 0 or 1 gives
    /// a one-pixel line; wider lines have round ends. dotted draws the dot style, which only a
    /// one-pixel line has (wider dotted lines are drawn solid).
    void Line(int x1, int y1, int x2, int y2, std::int32_t colour, int width, bool dotted = false);
    /// A circle of the given radius centred on (cx, cy), its outline width pixels wide; with
    /// fill the inside is painted in that colour as well.
    void Circle(int cx, int cy, int radius, std::int32_t colour, int width,
                std::optional<std::int32_t> fill = std::nullopt);
    /// Text in the surface's font, its top-left corner at (x, y).
    void Print(int x, int y, const QString& text, std::int32_t colour);
    /// Width and height in pixels that Print takes for text.
    QSize TextSize(const QString& text) const;
    /// The width x height rectangle with its top-left corner at (x, y) in colour; the part
    /// outside the surface is ignored.
    void FillRect(int x, int y, int width, int height, std::int32_t colour);

    /// Fills everything 4-connected to the seed that does not have the border colour with the
    /// fill colour (the border itself stays). Nothing happens, and false is returned, when the
    /// seed lies outside the surface or has the border colour. Iterative scanline fill, safe
    /// for any surface size.
    bool FloodFillBorder(int x, int y, std::int32_t border, std::int32_t fill);

    /// The whole image (drawing so far included), e.g. to keep a copy or to save it.
    const QImage& Image() const;
    /// Replaces the whole content by image, which takes the surface's size and format.
    void CopyFrom(const QImage& image);

    /// Direct access to the pixels for code that computes them one by one: row y starts at
    /// Row(y), Width() values of PixelOf form. Valid until the next other call.
    std::uint32_t* Row(int y);
    const std::uint32_t* Row(int y) const;
    /// The first pixel of row 0 and the distance between rows, in pixels.
    std::uint32_t* Bits();
    std::ptrdiff_t Stride() const { return m_image.bytesPerLine() / 4; }

private:
    QPainter& Painter();
    void EndPainting() const;

    mutable QImage m_image;
    mutable std::unique_ptr<QPainter> m_painter; // open while lines and shapes are being drawn
    QFont m_font;
    std::vector<std::uint8_t> m_visited; // scratch of the flood fill, kept between fills
    std::vector<std::pair<int, int>> m_stack;
};

} // namespace tarsen
