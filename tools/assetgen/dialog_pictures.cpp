// The settings dialog's small pictures: the tile of its music panel, the two choice marks and
// the pointing-hand cursor of the web page label.
#include <cmath>

#include "colour.h"
#include "pictures.h"

namespace assetgen {

namespace {

// Light diagonal pin-stripes on the panel's E0E0E0. The period (4) divides both tile sides, so
// tiles laid edge to edge continue the stripes without a seam.
QRgb TileColour(int x, int y) {
    switch ((x + y) % 4) {
        case 0:
            return qRgb(0xEA, 0xEA, 0xEA);
        case 1:
            return qRgb(0xE4, 0xE4, 0xE4);
        default:
            return qRgb(0xE0, 0xE0, 0xE0);
    }
}

constexpr int kMarkSize = 12;
constexpr int kMarkSamples = 4;
constexpr double kMarkCentre = 6.0;
constexpr double kMarkRadius = 5.5;
constexpr double kMarkRim = 1.1;
constexpr double kDotRadius = 2.6;

Rgb MarkColour(double x, double y, bool selected) {
    const double r = std::hypot(x - kMarkCentre, y - kMarkCentre);
    if (r > kMarkRadius - kMarkRim) {
        return Rgb255(0x1C, 0x51, 0x80);
    }
    if (selected && r < kDotRadius) {
        // A green dot, lighter towards its upper left.
        const double t =
            std::clamp((x + y - 2 * kMarkCentre + kDotRadius) / (2 * kDotRadius), 0.0, 1.0);
        return Mix(Rgb255(0x55, 0xD5, 0x51), Rgb255(0x21, 0xA1, 0x21), t);
    }
    // A hollow that darkens towards its upper left.
    const double t = std::clamp((x + y) / (4 * kMarkCentre), 0.0, 1.0);
    return Mix(Rgb255(0xDC, 0xDC, 0xD7), Rgb255(0xFF, 0xFF, 0xFF), t);
}

QImage MakeMark(bool selected) {
    return SupersampledDisc(kMarkSize, kMarkSamples, kMarkCentre, kMarkRadius,
                            [selected](double x, double y) { return MarkColour(x, y, selected); });
}

constexpr int kCursorSize = 32;

struct Box {
    int left, top, right, bottom;  // right and bottom exclusive
    bool roundTop;                 // the two top corner pixels cut off
    bool Contains(int x, int y) const {
        if (x < left || x >= right || y < top || y >= bottom) {
            return false;
        }
        return !(roundTop && y == top && (x == left || x == right - 1));
    }
};

// The hand: a raised index finger whose tip is at (12, 10), three curled fingers, the palm, the
// wrist and a thumb reaching out to the left.
constexpr Box kHandBoxes[] = {
    {11, 10, 15, 22, true},   // index finger
    {14, 15, 18, 22, true},   // middle finger
    {17, 16, 21, 22, true},   // ring finger
    {20, 17, 24, 23, true},   // little finger
    {11, 21, 24, 28, false},  // palm
    {12, 28, 23, 31, false},  // wrist
};

bool InHand(int x, int y) {
    for (const Box& box : kHandBoxes) {
        if (box.Contains(x, y)) {
            return true;
        }
    }
    // The thumb: a thick stroke from the palm's left edge up and out.
    const double ax = 8.0, ay = 21.0, bx = 12.0, by = 25.0;
    const double px = x + 0.5, py = y + 0.5;
    const double t = std::clamp(((px - ax) * (bx - ax) + (py - ay) * (by - ay)) /
                                    ((bx - ax) * (bx - ax) + (by - ay) * (by - ay)),
                                0.0, 1.0);
    return std::hypot(px - (ax + t * (bx - ax)), py - (ay + t * (by - ay))) <= 2.2;
}

bool FingerGap(int x, int y) {
    return (x == 14 && y >= 15 && y < 21) || (x == 17 && y >= 16 && y < 21) ||
           (x == 20 && y >= 17 && y < 21);
}

}  // namespace

QImage MakePanelTile() {
    QImage image(556, 20, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] = TileColour(x, y);
        }
    }
    return image;
}

QImage MakeMarkUnselected() {
    return MakeMark(false);
}

QImage MakeMarkSelected() {
    return MakeMark(true);
}

QImage MakeHandCursor() {
    QImage image(kCursorSize, kCursorSize, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 0));
    for (int y = 0; y < kCursorSize; ++y) {
        for (int x = 0; x < kCursorSize; ++x) {
            if (!InHand(x, y)) {
                continue;
            }
            const bool edge =
                !InHand(x - 1, y) || !InHand(x + 1, y) || !InHand(x, y - 1) || !InHand(x, y + 1);
            image.setPixel(x, y, edge || FingerGap(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return image;
}

}  // namespace assetgen
