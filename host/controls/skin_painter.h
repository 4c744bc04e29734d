// How the push button paints its face: the two-colour vertical gradient, the four-pixel border
// cut from a skin image, and where the caption goes. Plain image arithmetic, no widgets, so all
// of it is checked without a display.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "twips.h"

namespace quillmere {

// The skin images are 64 x 25 pixels; the painter reasons about them in twips.
inline constexpr std::int16_t kSkinWidthTwips = 960;
inline constexpr std::int16_t kSkinHeightTwips = 375;
inline constexpr std::int16_t kSkinCornerTwips = 60;

// The texts the gradient colours are read from.
inline constexpr char kGradientLight[] = "&HFFFFFF";
inline constexpr char kGradientShade[] = "&HC6C5D7";

// One corner of a gradient: 8-bit colour values in the high byte of each channel.
struct GradientVertex {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;
    std::uint16_t alpha = 0;
};

struct GradientSpan {
    std::uint32_t upperLeft = 0;
    std::uint32_t lowerRight = 0;
};

// Reads one channel of a colour text such as "&HC6C5D7" in written order (0 red, 1 green,
// 2 blue) as a 16-bit value with the two digits in the high byte; nothing when the text is not
// a colour.
std::optional<std::uint16_t> ChannelOfColourText(const QString& text, int channel);

// Fills the vertex's colour from a colour text; false (vertex unchanged) when it is not one.
bool SetVertexColour(GradientVertex& vertex, const QString& colourText);

// A vertical two-colour fill of the rectangle spanned by the span's two vertices. The vertex
// higher up gives the top row its colour, the lower one is reached at the rectangle's bottom
// edge; the rectangle excludes its right column and bottom row. Each row's channels run
// c0 + (c1 - c0) * dy / height on the 16-bit values, of which the high byte is written.
// False when an index is outside the vertex array.
bool GradientFillRectV(QImage& surface, std::span<const GradientVertex> vertices,
                       const GradientSpan& span);

// The channel value of row dy of such a fill, as an 8-bit colour value.
int GradientChannelAt(std::uint16_t top, std::uint16_t bottom, int dy, int height);

// The colours of the button's gradient: vertices 0 (top, at 0,0) and 1 (bottom, at CW-1,CH-1)
// swapped when reversed, span 1 -> 0, entries 2 and 3 left zero.
struct ButtonGradient {
    std::array<GradientVertex, 4> vertices{};
    GradientSpan span{};
};
ButtonGradient MakeButtonGradient(int clientWidth, int clientHeight, bool reversed);

// Where the button's look turns the gradient over: true in state 2 (pointer over, no focus),
// false in states 1 and 3; states 0 and 4 keep what the previous paint used.
bool GradientReversedFor(std::uint8_t buttonState, bool previous);

// One of the eight border pieces, in twips. A destination size left empty is the source's.
struct SkinPiece {
    std::int16_t destX = 0;
    std::int16_t destY = 0;
    std::optional<std::int16_t> destWidth;
    std::optional<std::int16_t> destHeight;
    std::int16_t srcX = 0;
    std::int16_t srcY = 0;
    std::int16_t srcWidth = 0;
    std::int16_t srcHeight = 0;
};

// The eight pieces for a face of W x H twips, in the order they are drawn: top-left corner,
// top side, top-right corner, right side, bottom-right, bottom side, bottom-left, left side.
// Computed in 16-bit arithmetic; nothing when W or H does not fit 16 bits.
std::optional<std::array<SkinPiece, 8>> SkinPieces(int widthTwips, int heightTwips);

// Twips to whole pixels at 15 twips per pixel, to the nearest pixel (so 1 twip is pixel 0).
int TwipsToPixels(int twips);

struct PixelPiece {
    QRect dest;
    QRect source;
};
// The piece in pixels, with "as the source" sizes filled in.
PixelPiece ToPixels(const SkinPiece& piece);

// Copies the source rectangle of the skin into the destination rectangle of the surface,
// stretching or shrinking by nearest pixel (no smoothing), clipped to both images. Nothing is
// drawn for an empty or inverted rectangle.
void DrawPiece(QImage& surface, const QRect& dest, const QImage& skin, const QRect& source);

// The caption label's top in twips: 10 twips above the vertical centre.
double CaptionTopTwips(double heightTwips, double labelHeightTwips);

}  // namespace quillmere
