// The push button's face in numbers: the two-colour vertical gradient, the eight border pieces
// cut from a skin image, where the caption goes, and the caption's colour values. Plain C++ over
// small plain types, so every back end draws the same face from the same numbers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "twips.h"

namespace quillmere {

// A rectangle in pixels; a negative size is an inverted rectangle, which drawing skips.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// An 8-bit colour.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A new instance: 1755 x 420 twips (117 x 28 pixels).
inline constexpr int kCommandWidthTwips = 1755;
inline constexpr int kCommandHeightTwips = 420;

// The caption label as a new instance has it, in twips.
inline constexpr char kInitialCaption[] = "Command";
inline constexpr double kCaptionLeftTwips = 0;
inline constexpr double kCaptionTopTwips = 90;
inline constexpr double kCaptionWidthTwips = 1635;
inline constexpr double kCaptionHeightTwips = 195;

// The skin images are 64 x 25 pixels; the painter reasons about them in twips.
inline constexpr std::int16_t kSkinWidthTwips = 960;
inline constexpr std::int16_t kSkinHeightTwips = 375;
inline constexpr std::int16_t kSkinCornerTwips = 60;

// The texts the gradient colours are read from.
inline constexpr char kGradientLight[] = "&HFFFFFF";
inline constexpr char kGradientShade[] = "&HC6C5D7";

// Twips to whole pixels at 15 twips per pixel, to the nearest pixel (so 1 twip is pixel 0).
int TwipsToPixels(double twips);

// One corner of a gradient: 8-bit colour values in the high byte of each channel. The field
// order and sizes are those the platform's gradient fill takes.
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
std::optional<std::uint16_t> ChannelOfColourText(std::string_view text, int channel);

// Fills the vertex's colour from a colour text; false (vertex unchanged) when it is not one.
bool SetVertexColour(GradientVertex& vertex, std::string_view colourText);

// The colours of the button's gradient: vertices 0 (top, at 0,0) and 1 (bottom, at CW-1,CH-1)
// swapped when reversed, span 1 -> 0, entries 2 and 3 left zero. The whole array goes to the fill.
struct ButtonGradient {
    std::array<GradientVertex, 4> vertices{};
    GradientSpan span{};
};
ButtonGradient MakeButtonGradient(int clientWidth, int clientHeight, bool reversed);

// Where the button's look turns the gradient over: true in state 2 (pointer over, no focus),
// false in states 1 and 3; states 0 and 4 keep what the previous paint used.
bool GradientReversedFor(std::uint8_t buttonState, bool previous);

// A vertical two-colour fill of the rectangle spanned by two vertices: the vertex higher up gives
// the top row its colour, the lower one is reached at the bottom edge. Right and bottom are
// exclusive, so the rectangle leaves out its right column and bottom row.
struct VerticalFill {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    GradientVertex upper;
    GradientVertex lower;
};
// Nothing when an index of the span is outside the vertex array.
std::optional<VerticalFill> ResolveVerticalFill(std::span<const GradientVertex> vertices,
                                                const GradientSpan& span);

// The channel value of row dy of such a fill, as an 8-bit colour value: c0 + (c1 - c0) * dy /
// height on the 16-bit values, of which the high byte counts.
int GradientChannelAt(std::uint16_t top, std::uint16_t bottom, int dy, int height);

// The colour of row y (in the surface's coordinates) of the fill.
Rgb GradientRowColour(const VerticalFill& fill, int y);

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

struct PixelPiece {
    Rect dest;
    Rect source;
};
// The piece in pixels, with "as the source" sizes filled in.
PixelPiece ToPixels(const SkinPiece& piece);

// Stretching a piece by nearest pixel: the source pixel (counted from the source's start) that
// destination pixel i of destLength takes, the one under its centre. Painters that stretch by
// themselves must map the same way for the faces to match pixel for pixel.
int StretchSourceIndex(int i, int destLength, int sourceLength);

// The caption label's top in twips: 10 twips above the vertical centre.
double CaptionTopTwips(double heightTwips, double labelHeightTwips);

// Where the caption label goes, in twips: the whole width, at CaptionTopTwips.
struct CaptionPlace {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const CaptionPlace&, const CaptionPlace&) = default;
};
CaptionPlace PlaceCaption(double widthTwips, double heightTwips, double labelHeightTwips);
Rect ToPixels(const CaptionPlace& place);

// Everything one paint of the face needs, for a client area of the given pixels: the gradient,
// the eight pieces in pixels (nothing when the face is too large for 16-bit twips: it then goes
// without border) and the caption's place.
struct FacePlan {
    ButtonGradient gradient;
    std::optional<std::array<PixelPiece, 8>> pieces;
    CaptionPlace caption;
};
FacePlan PlanFace(int clientWidth, int clientHeight, bool gradientReversed,
                  double labelHeightTwips);

// A 32-bit colour value as the caption takes it: 0x00BBGGRR, or 0x80000000 + n for the
// system's colour n (0 to 30). Nothing for any other value.
struct ColourValue {
    bool system = false;
    std::uint8_t systemIndex = 0;
    Rgb rgb;
};
std::optional<ColourValue> DecodeColourValue(std::uint32_t value);

}  // namespace quillmere
