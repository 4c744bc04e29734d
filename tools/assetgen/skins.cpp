// The six 64 x 25 button skins. The button only ever uses a ring four pixels wide: its corners
// are copied as they are and its sides stretched, so the ring colours at the middle of each side
// are exact and the rounded corners are blended from 4 x 4 samples per pixel.
#include <array>
#include <cmath>

#include "colour.h"
#include "pictures.h"

namespace assetgen {

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 25;
constexpr int kRing = 4;
constexpr double kCornerRadius = 4.0;
constexpr int kSamples = 4;

// The dialog face the skins were drawn against; it shows outside the rounded corners.
constexpr QRgb kBackground = 0xECE9D8;

// Colours of the four ring layers, outermost first.
using Layers = std::array<QRgb, kRing>;

// A vertical side changes along its length: from topEnd at row 4 through mid at row 12 to
// bottomEnd at row 20. Horizontal sides keep mid between columns 8 and 55 and lean half-way
// towards the neighbouring side's end colours at their ends.
struct Side {
    Layers mid;
    Layers topEnd;
    Layers bottomEnd;
};

Side Flat(const Layers& layers) {
    return {layers, layers, layers};
}

struct SkinDesign {
    Side top, bottom, left, right;
    QRgb faceTop;
    QRgb faceBottom;
};

Rgb FromQRgb(QRgb c) {
    return Rgb255(qRed(c), qGreen(c), qBlue(c));
}

Rgb MixRgb(QRgb a, QRgb b, double t) {
    return Mix(FromQRgb(a), FromQRgb(b), t);
}

enum class Edge { Top, Bottom, Left, Right };

Rgb VerticalSideColour(const Side& side, int layer, int row) {
    if (row <= 12) {
        const double t = std::clamp((row - 4) / 8.0, 0.0, 1.0);
        return MixRgb(side.topEnd[layer], side.mid[layer], t);
    }
    const double t = std::clamp((row - 12) / 8.0, 0.0, 1.0);
    return MixRgb(side.mid[layer], side.bottomEnd[layer], t);
}

Rgb HorizontalSideColour(const SkinDesign& d, bool top, int layer, int column) {
    const Side& side = top ? d.top : d.bottom;
    const QRgb leftEnd = top ? d.left.topEnd[layer] : d.left.bottomEnd[layer];
    const QRgb rightEnd = top ? d.right.topEnd[layer] : d.right.bottomEnd[layer];
    if (column < 8) {
        return MixRgb(side.mid[layer], leftEnd, std::min((8 - column) / 8.0, 0.5));
    }
    if (column > 55) {
        return MixRgb(side.mid[layer], rightEnd, std::min((column - 55) / 8.0, 0.5));
    }
    return FromQRgb(side.mid[layer]);
}

// Depth of a point inside the rounded outline (negative outside) and the side it belongs to.
struct Place {
    double depth;
    Edge edge;
};

Place Locate(double x, double y) {
    const double r = kCornerRadius;
    const double cx = x < r ? r : (x > kWidth - r ? kWidth - r : x);
    const double cy = y < r ? r : (y > kHeight - r ? kHeight - r : y);
    if (cx != x && cy != y) {
        // In a corner: depth from the arc, side by the steeper direction.
        const double dx = x - cx;
        const double dy = y - cy;
        const Edge edge = std::abs(dx) > std::abs(dy) ? (dx < 0 ? Edge::Left : Edge::Right)
                                                      : (dy < 0 ? Edge::Top : Edge::Bottom);
        return {r - std::hypot(dx, dy), edge};
    }
    const double left = x;
    const double right = kWidth - x;
    const double top = y;
    const double bottom = kHeight - y;
    const double nearest = std::min({left, right, top, bottom});
    if (nearest == top) {
        return {top, Edge::Top};
    }
    if (nearest == bottom) {
        return {bottom, Edge::Bottom};
    }
    return nearest == left ? Place{left, Edge::Left} : Place{right, Edge::Right};
}

Rgb SampleColour(const SkinDesign& d, double x, double y, int column, int row) {
    const Place place = Locate(x, y);
    if (place.depth < 0.0) {
        return FromQRgb(kBackground);
    }
    const int layer = static_cast<int>(place.depth);
    if (layer >= kRing) {
        // The inside is never drawn by the button; a plain face keeps the file honest to look at.
        return MixRgb(d.faceTop, d.faceBottom, (row - kRing) / double(kHeight - 2 * kRing - 1));
    }
    switch (place.edge) {
        case Edge::Top:
            return HorizontalSideColour(d, true, layer, column);
        case Edge::Bottom:
            return HorizontalSideColour(d, false, layer, column);
        case Edge::Left:
            return VerticalSideColour(d.left, layer, row);
        case Edge::Right:
            return VerticalSideColour(d.right, layer, row);
    }
    return FromQRgb(kBackground);
}

QImage Render(const SkinDesign& d) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int row = 0; row < kHeight; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int column = 0; column < kWidth; ++column) {
            Rgb sum;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgb c = SampleColour(d, column + (sx + 0.5) / kSamples,
                                               row + (sy + 0.5) / kSamples, column, row);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            constexpr double n = kSamples * kSamples;
            line[column] = ToQRgb({sum.r / n, sum.g / n, sum.b / n});
        }
    }
    return image;
}

constexpr QRgb kBlue = 0x003C74;

// Light outer ring and the dark blue line; what differs between these skins is the inner frame.
SkinDesign Raised(const Layers& top, const Layers& bottom, const Side& left, const Side& right,
                  QRgb faceTop, QRgb faceBottom) {
    return {Flat(top), Flat(bottom), left, right, faceTop, faceBottom};
}

Layers Ring(QRgb outer, QRgb line, QRgb inner1, QRgb inner2) {
    return {outer, line, inner1, inner2};
}

}  // namespace

QImage MakeSkinNormal() {
    return Render(Raised(
        Ring(0xE0DCC9, kBlue, 0xF3F3EE, 0xF3F3EE), Ring(0xF8F7F0, kBlue, 0xD6D0C5, 0xE2DFD6),
        {Ring(0xE2DECB, kBlue, 0xF4F4F0, 0xF4F4F0), Ring(0xE0DCC9, kBlue, 0xF3F3EE, 0xF3F3EE),
         Ring(0xE6E2D1, kBlue, 0xEEEDE7, 0xF0F0EA)},
        {Ring(0xF0EEE0, kBlue, 0xE8E5DF, 0xEEEDE7), Ring(0xECEADB, kBlue, 0xEFEEE8, 0xF2F1EC),
         Ring(0xF4F2E6, kBlue, 0xDDD9D0, 0xE6E3DB)},
        0xFFFFFF, 0xE3E2DC));
}

// Yellow to orange inner frame; the same picture serves the focused hover look.
QImage MakeSkinHighLight() {
    constexpr QRgb kTopEnd = 0xFEDF9A;
    constexpr QRgb kBottomEnd = 0xF9B435;
    return Render(
        Raised(Ring(0xE0DCC9, kBlue, 0xFFF0CF, 0xFDD889), Ring(0xF8F7F0, kBlue, 0xE59700, 0xF8B330),
               {Ring(0xE2DECB, kBlue, 0xFCCA69, 0xFBCA6A), Ring(0xE0DCC9, kBlue, kTopEnd, kTopEnd),
                Ring(0xE6E2D1, kBlue, kBottomEnd, kBottomEnd)},
               {Ring(0xF0EEE0, kBlue, 0xFCCA69, 0xFBCA6A), Ring(0xECEADB, kBlue, kTopEnd, kTopEnd),
                Ring(0xF4F2E6, kBlue, kBottomEnd, kBottomEnd)},
               0xFFFFFF, 0xE3E2DC));
}

QImage MakeSkinHighLightSelect() {
    return MakeSkinHighLight();
}

// Light to darker blue inner frame: the focus look.
QImage MakeSkinSelected() {
    constexpr QRgb kTopEnd = 0xB7D0F4;
    constexpr QRgb kBottomEnd = 0x8BADE4;
    return Render(
        Raised(Ring(0xE0DCC9, kBlue, 0xCEE7FF, 0xCEE7FF), Ring(0xF8F7F0, kBlue, 0x6982EE, 0x6982EE),
               {Ring(0xE2DECB, kBlue, 0xA9C5EF, 0xA8C6F0), Ring(0xE0DCC9, kBlue, kTopEnd, kTopEnd),
                Ring(0xE6E2D1, kBlue, kBottomEnd, kBottomEnd)},
               {Ring(0xF0EEE0, kBlue, 0xA9C5EF, 0xA9C5EF), Ring(0xECEADB, kBlue, kTopEnd, kTopEnd),
                Ring(0xF4F2E6, kBlue, kBottomEnd, kBottomEnd)},
               0xFFFFFF, 0xE3E2DC));
}

// The blue line one pixel further in, with a darker shade just inside it.
QImage MakeSkinPressed() {
    return Render({Flat(Ring(kBackground, 0xE0DCC9, kBlue, 0xD1CCC1)),
                   Flat(Ring(kBackground, 0xF8F7F0, kBlue, 0xF2F1EE)),
                   Flat(Ring(kBackground, 0xE2DECB, kBlue, 0xD7D4CB)),
                   Flat(Ring(kBackground, 0xF0EEE0, kBlue, 0xE4E3DC)), 0xE2E0D6, 0xEEEDE8});
}

QImage MakeSkinDisable() {
    const Side side = Flat(Ring(kBackground, 0xC9C7BA, 0xF5F4EA, 0xF5F4EA));
    return Render({side, side, side, side, 0xF5F4EA, 0xF5F4EA});
}

}  // namespace assetgen
