// Small colour arithmetic for the painted (non-grey) pictures.
#pragma once

#include <QColor>

#include <algorithm>
#include <cmath>

namespace assetgen {

struct Rgb {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

inline Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// From 0..255 channel values, as colours are usually written down.
inline Rgb Rgb255(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0};
}

inline int Channel(double v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

inline QRgb ToQRgb(const Rgb& c, double alpha = 1.0) {
    return qRgba(Channel(c.r), Channel(c.g), Channel(c.b), Channel(alpha));
}

}  // namespace assetgen
