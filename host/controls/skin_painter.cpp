#include "skin_painter.h"

#include <algorithm>

namespace quillmere {

namespace {

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

bool GradientFillRectV(QImage& surface, std::span<const GradientVertex> vertices,
                       const GradientSpan& span) {
    const std::optional<VerticalFill> fill = ResolveVerticalFill(vertices, span);
    if (!fill) {
        return false;
    }
    const int x0 = std::max(fill->left, 0);
    const int x1 = std::min(fill->right, surface.width());
    for (int y = std::max(fill->top, 0); y < std::min(fill->bottom, surface.height()); ++y) {
        const Rgb row = GradientRowColour(*fill, y);
        const QRgb colour = qRgb(row.red, row.green, row.blue);
        for (int x = x0; x < x1; ++x) {
            PutPixel(surface, x, y, colour);
        }
    }
    return true;
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
        const int sy = source.y() + StretchSourceIndex(j, dest.height(), source.height());
        if (y < 0 || y >= surface.height() || sy < 0 || sy >= pixels.height()) {
            continue;
        }
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(sy));
        for (int i = 0; i < dest.width(); ++i) {
            const int x = dest.x() + i;
            const int sx = source.x() + StretchSourceIndex(i, dest.width(), source.width());
            if (x < 0 || x >= surface.width() || sx < 0 || sx >= pixels.width()) {
                continue;
            }
            PutPixel(surface, x, y, line[sx]);
        }
    }
}

}  // namespace quillmere
