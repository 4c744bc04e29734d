// The window icon: a round emblem of sky, a low sun and the sea.
#include <cmath>

#include "colour.h"
#include "pictures.h"

namespace assetgen {

namespace {

constexpr int kSize = 32;
constexpr int kSamples = 4;  // per axis and pixel, for smooth edges
constexpr double kCentre = 16.0;
constexpr double kRadius = 15.0;
constexpr double kRim = 1.4;
constexpr double kHorizon = 18.0;

Rgb EmblemColour(double x, double y) {
    const double r = std::hypot(x - kCentre, y - kCentre);
    if (r > kRadius - kRim) {
        return Rgb255(14, 38, 84);
    }
    if (y < kHorizon) {
        const double t = (y - (kCentre - kRadius)) / (kHorizon - (kCentre - kRadius));
        Rgb sky = Mix(Rgb255(36, 96, 196), Rgb255(184, 214, 242), std::clamp(t, 0.0, 1.0));
        const double sun = std::hypot(x - 20.5, y - 14.0);
        if (sun < 3.6) {
            return Rgb255(255, 242, 196);
        }
        return Mix(sky, Rgb255(255, 236, 190), std::exp(-(sun - 3.6) * 0.6) * 0.6);
    }
    const double depth = (y - kHorizon) / (kCentre + kRadius - kHorizon);
    Rgb sea = Mix(Rgb255(40, 96, 160), Rgb255(10, 40, 96), std::clamp(depth, 0.0, 1.0));
    // Two gentle wave crests and the sun's glitter below it.
    for (const double crest : {22.0, 26.5}) {
        const double wave = crest + 0.8 * std::sin(x * 0.8 + crest);
        sea = Mix(sea, Rgb255(150, 192, 230), std::exp(-std::pow((y - wave) / 0.55, 2.0)) * 0.8);
    }
    const double glitter = std::exp(-std::pow((x - 20.5) / 2.0, 2.0)) * std::exp(-depth * 2.5);
    return Mix(sea, Rgb255(250, 236, 200), glitter * 0.7);
}

}  // namespace

QImage MakeIcon() {
    return SupersampledDisc(kSize, kSamples, kCentre, kRadius,
                            [](double x, double y) { return EmblemColour(x, y); });
}

}  // namespace assetgen
