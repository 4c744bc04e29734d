// Small colour arithmetic for the painted (non-grey) pictures.
#pragma once

#include <QColor>
#include <QImage>

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

// A round picture of size x size: each pixel averages the colour of its sub-samples that fall
// inside the circle, and its coverage becomes its alpha, so edges stay their true colour.
template <typename ColourAt>
QImage SupersampledDisc(int size, int samples, double centre, double radius, ColourAt colourAt) {
    QImage image(size, size, QImage::Format_ARGB32);
    for (int py = 0; py < size; ++py) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(py));
        for (int px = 0; px < size; ++px) {
            Rgb sum;
            int covered = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double x = px + (sx + 0.5) / samples;
                    const double y = py + (sy + 0.5) / samples;
                    if (std::hypot(x - centre, y - centre) > radius) {
                        continue;
                    }
                    const Rgb c = colourAt(x, y);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                    ++covered;
                }
            }
            if (covered == 0) {
                line[px] = qRgba(0, 0, 0, 0);
                continue;
            }
            const Rgb mean{sum.r / covered, sum.g / covered, sum.b / covered};
            line[px] = ToQRgb(mean, static_cast<double>(covered) / (samples * samples));
        }
    }
    return image;
}

}  // namespace assetgen
