#include "skin_painter.h"

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

// Writes one opaque pixel; 32-bit surfaces are written directly.
void PutPixel(QImage& image, int x, int y, QRgb colour) {
    switch (image.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour | 0xFF000000u;
            break;
        default:
            image.setPixel(x, y, colour | 0xFF000000u);
            break;
    }
}

}  // namespace

std::optional<std::uint16_t> ChannelOfColourText(const QString& text, int channel) {
    if (channel < 0 || channel > 2) {
        return std::nullopt;
    }
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    bool ok = false;
    const uint value = trimmed.mid(2).toUInt(&ok, 16);
    if (!ok || value > 0xFFFFFFu) {
        return std::nullopt;
    }
    // The digits are taken in the order they are written, so red comes first.
    const QString digits = QStringLiteral("%1").arg(value, 6, 16, QLatin1Char('0'));
    const uint high = digits.mid(channel * 2, 2).toUInt(&ok, 16);
    if (!ok) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(high << 8);
}

bool SetVertexColour(GradientVertex& vertex, const QString& colourText) {
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

int GradientChannelAt(std::uint16_t top, std::uint16_t bottom, int dy, int height) {
    if (height <= 0) {
        return top >> 8;
    }
    const std::int64_t value =
        top + (static_cast<std::int64_t>(bottom) - top) * static_cast<std::int64_t>(dy) / height;
    return static_cast<int>(value >> 8) & 0xFF;
}

bool GradientFillRectV(QImage& surface, std::span<const GradientVertex> vertices,
                       const GradientSpan& span) {
    if (span.upperLeft >= vertices.size() || span.lowerRight >= vertices.size()) {
        return false;
    }
    const GradientVertex& a = vertices[span.upperLeft];
    const GradientVertex& b = vertices[span.lowerRight];
    const GradientVertex& upper = a.y <= b.y ? a : b;
    const GradientVertex& lower = a.y <= b.y ? b : a;
    const int left = std::min(a.x, b.x);
    const int right = std::max(a.x, b.x);
    const int top = upper.y;
    const int bottom = lower.y;
    const int height = bottom - top;
    const int x0 = std::max(left, 0);
    const int x1 = std::min(right, surface.width());
    for (int y = std::max(top, 0); y < std::min(bottom, surface.height()); ++y) {
        const int dy = y - top;
        const QRgb colour = qRgb(GradientChannelAt(upper.red, lower.red, dy, height),
                                 GradientChannelAt(upper.green, lower.green, dy, height),
                                 GradientChannelAt(upper.blue, lower.blue, dy, height));
        for (int x = x0; x < x1; ++x) {
            PutPixel(surface, x, y, colour);
        }
    }
    return true;
}

ButtonGradient MakeButtonGradient(int clientWidth, int clientHeight, bool reversed) {
    ButtonGradient gradient;
    GradientVertex light;
    GradientVertex shade;
    SetVertexColour(light, QString::fromLatin1(kGradientLight));
    SetVertexColour(shade, QString::fromLatin1(kGradientShade));
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

int TwipsToPixels(int twips) {
    return static_cast<int>(std::lround(twips / static_cast<double>(kTwipsPerPixel)));
}

PixelPiece ToPixels(const SkinPiece& piece) {
    const QRect source(TwipsToPixels(piece.srcX), TwipsToPixels(piece.srcY),
                       TwipsToPixels(piece.srcWidth), TwipsToPixels(piece.srcHeight));
    const int width = piece.destWidth ? TwipsToPixels(*piece.destWidth) : source.width();
    const int height = piece.destHeight ? TwipsToPixels(*piece.destHeight) : source.height();
    return {QRect(TwipsToPixels(piece.destX), TwipsToPixels(piece.destY), width, height), source};
}

void DrawPiece(QImage& surface, const QRect& dest, const QImage& skin, const QRect& source) {
    if (dest.width() <= 0 || dest.height() <= 0 || source.width() <= 0 || source.height() <= 0 ||
        skin.isNull()) {
        return;
    }
    const QImage pixels =
        skin.format() == QImage::Format_RGB32 || skin.format() == QImage::Format_ARGB32
            ? skin
            : skin.convertToFormat(QImage::Format_RGB32);
    for (int j = 0; j < dest.height(); ++j) {
        const int y = dest.y() + j;
        // Each destination pixel takes the source pixel under its centre.
        const int sy = source.y() + ((2 * j + 1) * source.height()) / (2 * dest.height());
        if (y < 0 || y >= surface.height() || sy < 0 || sy >= pixels.height()) {
            continue;
        }
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(sy));
        for (int i = 0; i < dest.width(); ++i) {
            const int x = dest.x() + i;
            const int sx = source.x() + ((2 * i + 1) * source.width()) / (2 * dest.width());
            if (x < 0 || x >= surface.width() || sx < 0 || sx >= pixels.width()) {
                continue;
            }
            PutPixel(surface, x, y, line[sx]);
        }
    }
}

double CaptionTopTwips(double heightTwips, double labelHeightTwips) {
    return (heightTwips - labelHeightTwips - 20.0) / 2.0;
}

}  // namespace quillmere
