// The still picture shown in the small preview: sky over a calm evening-blue sea.
#include <array>
#include <cmath>

#include "colour.h"
#include "field.h"
#include "noise.h"
#include "pictures.h"

namespace assetgen {

namespace {

constexpr int kWidth = 152;
constexpr int kHeight = 112;
constexpr double kHorizon = 54.5;  // in pixel rows

struct Streak {
    double x;  // centre, in pixels
    double y;  // row, in pixels
    double halfLength;
    double strength;
};

// Light lying on the water; nearer the horizon they are thinner and closer together.
constexpr std::array<Streak, 7> kStreaks{{
    {76.0, 57.0, 40.0, 0.55},
    {52.0, 60.0, 26.0, 0.35},
    {104.0, 63.5, 30.0, 0.30},
    {70.0, 69.0, 34.0, 0.28},
    {30.0, 77.0, 22.0, 0.20},
    {118.0, 85.0, 28.0, 0.18},
    {64.0, 98.0, 36.0, 0.14},
}};

Rgb Sky(double x, double y) {
    const Rgb zenith = Rgb255(28, 72, 160);
    const Rgb horizon = Rgb255(178, 206, 236);
    const double t = std::clamp(y / kHorizon, 0.0, 1.0);
    Rgb colour = Mix(zenith, horizon, std::pow(t, 1.8));

    // Faint clouds on a flat layer seen in perspective: large overhead, small and flattened
    // towards the horizon, where they fade into the haze.
    const double elevation = std::max(kHorizon - y, 0.5) / kHorizon * 0.6;  // radians
    const double distance = 1.0 / std::tan(elevation);
    const Fractal clouds{.basePeriod = 3, .octaves = 5, .gain = 0.55, .seed = 4101};
    const double n =
        FractalNoise(0.3 + (x / kWidth - 0.5) * distance * 0.5, 0.2 + distance * 0.18, clouds);
    const double cover = SmoothStep(0.0, 0.4, n) * 0.32 * std::exp(-distance * 0.12);
    return Mix(colour, Rgb255(236, 242, 250), cover);
}

Rgb Sea(double x, double y) {
    const double depth = std::clamp((y - kHorizon) / (kHeight - kHorizon), 0.0, 1.0);
    const Rgb far = Rgb255(52, 92, 140);
    const Rgb near = Rgb255(8, 28, 66);
    Rgb colour = Mix(far, near, std::pow(depth, 0.55));

    // Ripples: noise stretched along the rows, finer towards the horizon.
    const Fractal ripples{.basePeriod = 4, .octaves = 4, .gain = 0.5, .seed = 4202};
    const double row = 1.0 / (depth + 0.08);
    const double ripple = FractalNoise(x / kWidth * 2.0, row * 0.9, ripples);
    colour = Mix(colour, Rgb255(120, 160, 200), std::max(ripple, 0.0) * 0.22 * (1.0 - depth));

    double light = 0.0;
    for (const Streak& s : kStreaks) {
        const double thickness = 0.5 + 1.6 * (s.y - kHorizon) / (kHeight - kHorizon);
        const double across = (y - s.y) / thickness;
        const double along = (x - s.x) / s.halfLength;
        light += s.strength * std::exp(-across * across) * std::exp(-along * along * 2.0);
    }
    // A soft glow where sea meets sky.
    light += 0.35 * std::exp(-(y - kHorizon) * 0.6);
    return Mix(colour, Rgb255(205, 222, 240), std::clamp(light, 0.0, 1.0));
}

}  // namespace

QImage MakePreview() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int py = 0; py < kHeight; ++py) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(py));
        for (int px = 0; px < kWidth; ++px) {
            const double x = px + 0.5;
            const double y = py + 0.5;
            // Blend the row that straddles the horizon so the line stays crisp but not jagged.
            const double seaShare = std::clamp(y - kHorizon + 0.5, 0.0, 1.0);
            line[px] = ToQRgb(Mix(Sky(x, y), Sea(x, y), seaShare));
        }
    }
    return image;
}

}  // namespace assetgen
