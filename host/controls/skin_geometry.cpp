#include "skin_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillmere {

namespace {

bool Fits16(int value) {
    return value >= std::numeric_limits<std::int16_t>::min() &&
           value <= std::numeric_limits<std::int16_t>::max();
}

std::int16_t S16(int value) {
    return static_cast<std::int16_t>(value);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The value of a colour text "&H" + hexadecimal digits, up to 0xFFFFFF.
std::optional<std::uint32_t> ValueOfColourText(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() < 3 || text[0] != '&' || (text[1] != 'H' && text[1] != 'h')) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : text.substr(2)) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
        if (value > 0xFFFFFFu) {
            return std::nullopt;
        }
    }
    return value;
}

}  // namespace

int TwipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

std::optional<std::uint16_t> ChannelOfColourText(std::string_view text, int channel) {
    if (channel < 0 || channel > 2) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> value = ValueOfColourText(text);
    if (!value) {
        return std::nullopt;
    }
    // The digits are taken in the order they are written (six of them, padded on the left), so
    // red comes first.
    const std::uint32_t high = (*value >> (8 * (2 - channel))) & 0xFFu;
    return static_cast<std::uint16_t>(high << 8);
}

bool SetVertexColour(GradientVertex& vertex, std::string_view colourText) {
    const auto red = ChannelOfColourText(colourText, 0);
    const auto green = ChannelOfColourText(colourText, 1);
    const auto blue = ChannelOfColourText(colourText, 2);
    if (!red || !green || !blue) {
        return false;
    }
    vertex.red = *red;
    vertex.green = *green;
    vertex.blue = *blue;
    vertex.alpha = 0;
    return true;
}

ButtonGradient MakeButtonGradient(int clientWidth, int clientHeight, bool reversed) {
    ButtonGradient gradient;
    GradientVertex light;
    GradientVertex shade;
    SetVertexColour(light, kGradientLight);
    SetVertexColour(shade, kGradientShade);
    GradientVertex& v0 = gradient.vertices[0];
    GradientVertex& v1 = gradient.vertices[1];
    v0 = reversed ? shade : light;
    v1 = reversed ? light : shade;
    v0.x = 0;
    v0.y = 0;
    v1.x = clientWidth - 1;
    v1.y = clientHeight - 1;
    gradient.span = {1, 0};
    return gradient;
}

bool GradientReversedFor(std::uint8_t buttonState, bool previous) {
    switch (buttonState) {
        case 1:
        case 3:
            return false;
        case 2:
            return true;
        default:
            return previous;
    }
}

std::optional<VerticalFill> ResolveVerticalFill(std::span<const GradientVertex> vertices,
                                                const GradientSpan& span) {
    if (span.upperLeft >= vertices.size() || span.lowerRight >= vertices.size()) {
        return std::nullopt;
    }
    const GradientVertex& a = vertices[span.upperLeft];
    const GradientVertex& b = vertices[span.lowerRight];
    VerticalFill fill;
    fill.upper = a.y <= b.y ? a : b;
    fill.lower = a.y <= b.y ? b : a;
    fill.left = std::min(a.x, b.x);
    fill.right = std::max(a.x, b.x);
    fill.top = fill.upper.y;
    fill.bottom = fill.lower.y;
    return fill;
}

int GradientChannelAt(std::uint16_t top, std::uint16_t bottom, int dy, int height) {
    if (height <= 0) {
        return top >> 8;
    }
    const std::int64_t value =
        top + (static_cast<std::int64_t>(bottom) - top) * static_cast<std::int64_t>(dy) / height;
    return static_cast<int>(value >> 8) & 0xFF;
}

Rgb GradientRowColour(const VerticalFill& fill, int y) {
    const int dy = y - fill.top;
    const int height = fill.bottom - fill.top;
    return {
        static_cast<std::uint8_t>(GradientChannelAt(fill.upper.red, fill.lower.red, dy, height)),
        static_cast<std::uint8_t>(
            GradientChannelAt(fill.upper.green, fill.lower.green, dy, height)),
        static_cast<std::uint8_t>(GradientChannelAt(fill.upper.blue, fill.lower.blue, dy, height))};
}

std::optional<std::array<SkinPiece, 8>> SkinPieces(int widthTwips, int heightTwips) {
    if (!Fits16(widthTwips) || !Fits16(heightTwips)) {
        return std::nullopt;
    }
    const std::int16_t w = S16(widthTwips);
    const std::int16_t h = S16(heightTwips);
    constexpr std::int16_t c = kSkinCornerTwips;
    constexpr std::int16_t sideW = kSkinWidthTwips - 2 * c;   // 840
    constexpr std::int16_t sideH = kSkinHeightTwips - 2 * c;  // 255
    constexpr std::int16_t farX = kSkinWidthTwips - c;        // 900
    constexpr std::int16_t farY = kSkinHeightTwips - c;       // 315
    const std::int16_t rightX = S16(w - c);
    const std::int16_t bottomY = S16(h - c);
    const std::int16_t lengthX = S16(w - 2 * c);
    const std::int16_t lengthY = S16(h - 2 * c);
    return std::array<SkinPiece, 8>{{
        {1, 1, std::nullopt, std::nullopt, 0, 0, c, c},
        {c, 1, lengthX, std::nullopt, c, 1, sideW, c},
        {rightX, 1, std::nullopt, std::nullopt, farX, 1, c, c},
        {rightX, c, std::nullopt, lengthY, farX, c, c, sideH},
        {rightX, bottomY, std::nullopt, std::nullopt, farX, farY, c, c},
        {c, bottomY, lengthX, std::nullopt, c, farY, sideW, c},
        {1, bottomY, std::nullopt, std::nullopt, 0, farY, c, c},
        {1, c, std::nullopt, lengthY, 1, c, c, sideH},
    }};
}

PixelPiece ToPixels(const SkinPiece& piece) {
    const Rect source{TwipsToPixels(piece.srcX), TwipsToPixels(piece.srcY),
                      TwipsToPixels(piece.srcWidth), TwipsToPixels(piece.srcHeight)};
    const int width = piece.destWidth ? TwipsToPixels(*piece.destWidth) : source.width;
    const int height = piece.destHeight ? TwipsToPixels(*piece.destHeight) : source.height;
    return {Rect{TwipsToPixels(piece.destX), TwipsToPixels(piece.destY), width, height}, source};
}

int StretchSourceIndex(int i, int destLength, int sourceLength) {
    return ((2 * i + 1) * sourceLength) / (2 * destLength);
}

double CaptionTopTwips(double heightTwips, double labelHeightTwips) {
    return (heightTwips - labelHeightTwips - 20.0) / 2.0;
}

CaptionPlace PlaceCaption(double widthTwips, double heightTwips, double labelHeightTwips) {
    return {0.0, CaptionTopTwips(heightTwips, labelHeightTwips), widthTwips, labelHeightTwips};
}

Rect ToPixels(const CaptionPlace& place) {
    return {TwipsToPixels(place.left), TwipsToPixels(place.top), TwipsToPixels(place.width),
            TwipsToPixels(place.height)};
}

FacePlan PlanFace(int clientWidth, int clientHeight, bool gradientReversed,
                  double labelHeightTwips) {
    FacePlan plan;
    plan.gradient = MakeButtonGradient(clientWidth, clientHeight, gradientReversed);
    const int widthTwips = clientWidth * kTwipsPerPixel;
    const int heightTwips = clientHeight * kTwipsPerPixel;
    if (const auto pieces = SkinPieces(widthTwips, heightTwips)) {
        std::array<PixelPiece, 8> pixels;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = ToPixels((*pieces)[i]);
        }
        plan.pieces = pixels;
    }
    plan.caption = PlaceCaption(widthTwips, heightTwips, labelHeightTwips);
    return plan;
}

std::optional<ColourValue> DecodeColourValue(std::uint32_t value) {
    constexpr std::uint32_t kSystemFlag = 0x80000000u;
    constexpr std::uint32_t kLastSystemColour = 30;
    ColourValue colour;
    if ((value & 0xFF000000u) == 0) {
        colour.rgb = {static_cast<std::uint8_t>(value & 0xFF),
                      static_cast<std::uint8_t>((value >> 8) & 0xFF),
                      static_cast<std::uint8_t>((value >> 16) & 0xFF)};
        return colour;
    }
    if ((value & 0xFF000000u) == kSystemFlag && (value & 0x00FFFFFFu) <= kLastSystemColour) {
        colour.system = true;
        colour.systemIndex = static_cast<std::uint8_t>(value & 0xFF);
        return colour;
    }
    return std::nullopt;
}

}  // namespace quillmere
