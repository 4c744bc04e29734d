// The Qt half of the push button's painting: the vertical gradient fill and the stretched skin
// pieces drawn into a QImage, from the numbers of skin_geometry.h.
#pragma once

#include <QImage>
#include <QRect>

#include <span>

#include "skin_geometry.h"

namespace quillmere {

inline QRect QRectOf(const Rect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

// Fills the rectangle spanned by the span's two vertices (ResolveVerticalFill) row by row with
// GradientRowColour, clipped to the surface. False when an index is outside the vertex array.
bool GradientFillRectV(QImage& surface, std::span<const GradientVertex> vertices,
                       const GradientSpan& span);

// Copies the source rectangle of the skin into the destination rectangle of the surface,
// stretching or shrinking by nearest pixel (no smoothing), clipped to both images. Nothing is
// drawn for an empty or inverted rectangle.
void DrawPiece(QImage& surface, const QRect& dest, const QImage& skin, const QRect& source);

}  // namespace quillmere
