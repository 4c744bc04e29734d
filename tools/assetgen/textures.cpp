// The three sea-and-sky textures. All are built from noise that repeats every 1 in tile
// units, so the renderer's GL_REPEAT shows no seam.
#include <cmath>

#include "field.h"
#include "noise.h"
#include "pictures.h"

namespace assetgen {

namespace {

constexpr int kTextureSize = 256;

}  // namespace

QImage MakeCloudTexture() {
    const Fractal warpU{.basePeriod = 3, .octaves = 4, .gain = 0.5, .seed = 1101};
    const Fractal warpV{.basePeriod = 3, .octaves = 4, .gain = 0.5, .seed = 1202};
    const Fractal shape{.basePeriod = 4, .octaves = 6, .gain = 0.55, .seed = 1303};
    const Fractal detail{.basePeriod = 16, .octaves = 3, .gain = 0.5, .seed = 1404};
    constexpr int kPuffs = 10;

    Field density(kTextureSize, kTextureSize);
    density.Fill([&](double u, double v) {
        // A gentle warp rounds the blobs into billows instead of plain noise contours.
        const double wu = u + 0.07 * FractalNoise(u, v, warpU);
        const double wv = v + 0.07 * FractalNoise(u, v, warpV);
        // Rounded lobes from a cellular pattern give the heaped look of cumulus.
        const CellDistances puff = CellNoise(wu * kPuffs, wv * kPuffs, kPuffs, 1505);
        return FractalNoise(wu, wv, shape) + 0.18 * (0.55 - puff.f1);
    });

    // Cover about 45 % of the sky; the rest stays black.
    const double threshold = density.Quantile(0.55);
    const double peak = density.Quantile(0.995);
    density.Transform([&](double value, double, double) {
        const double d = std::max(value - threshold, 0.0) / (peak - threshold);
        // Exponential falloff: soft, thin edges and dense, bright centres.
        return 1.0 - std::exp(-4.5 * d);
    });

    // Sides facing the light are brighter than those turned away from it: a cheap self-shadow
    // from the density a few pixels towards the light, read across the tile edges.
    constexpr int kLightX = -3;
    constexpr int kLightY = -4;
    Field cloud(kTextureSize, kTextureSize);
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const double body = density.at(x, y);
            const double shadow = density.Wrapped(x + kLightX, y + kLightY) - body;
            const double u = (x + 0.5) / kTextureSize;
            const double v = (y + 0.5) / kTextureSize;
            const double shade = 0.86 + 0.14 * FractalNoise(u, v, detail) - 0.55 * shadow;
            cloud.at(x, y) = body * shade * 1.05;
        }
    }
    return cloud.ToImage();
}

QImage MakeCausticTexture() {
    constexpr int kCells = 5;
    constexpr int kSoftCells = 7;
    const Fractal warpU{.basePeriod = 2, .octaves = 1, .gain = 0.4, .seed = 2101};
    const Fractal warpV{.basePeriod = 2, .octaves = 1, .gain = 0.4, .seed = 2202};
    const Fractal bendU{.basePeriod = kCells, .octaves = 1, .gain = 0.5, .seed = 2111};
    const Fractal bendV{.basePeriod = kCells, .octaves = 1, .gain = 0.5, .seed = 2212};
    const Fractal ground{.basePeriod = 4, .octaves = 4, .gain = 0.5, .seed = 2303};
    const Fractal flicker{.basePeriod = 6, .octaves = 2, .gain = 0.5, .seed = 2606};

    Field field(kTextureSize, kTextureSize);
    field.Fill([&](double u, double v) {
        // Warping bends the straight cell borders into the curved lines of real caustics;
        // kept gentle enough that the plane never folds over itself.
        const double wu = u + 0.05 * FractalNoise(u, v, warpU) + 0.022 * FractalNoise(u, v, bendU);
        const double wv = v + 0.05 * FractalNoise(u, v, warpV) + 0.022 * FractalNoise(u, v, bendV);
        const CellDistances sharp = CellNoise(wu * kCells, wv * kCells, kCells, 2404);
        const CellDistances soft = CellNoise(wv * kSoftCells, wu * kSoftCells, kSoftCells, 2505);
        // A sharp core with a faint halo, brighter and dimmer along its length.
        const double change = FractalNoise(u, v, flicker);
        const double width = 0.03 * (1.0 + 0.35 * change);
        const double core = std::exp(-std::pow(sharp.border / width, 2.0));
        const double halo = std::exp(-sharp.border / 0.1);
        const double strength = 0.82 + 0.25 * change;
        // A second, blurred net, as from a ripple train deeper down.
        const double blurred = std::exp(-std::pow(soft.border / 0.09, 2.0));
        const double light = Clamp01(strength * (core + 0.2 * halo) + 0.16 * blurred);
        const double base = 0.40 + 0.05 * FractalNoise(u, v, ground);
        return base + (0.97 - base) * light;
    });
    return field.ToImage();
}

QImage MakeWaterTexture() {
    const Fractal ripples{.basePeriod = 16, .octaves = 4, .gain = 0.5, .seed = 3101};
    const Fractal swell{.basePeriod = 6, .octaves = 3, .gain = 0.5, .seed = 3202};
    const Fractal crinkle{.basePeriod = 12, .octaves = 2, .gain = 0.45, .seed = 3404};
    constexpr int kMottles = 20;

    Field field(kTextureSize, kTextureSize);
    field.Fill([&](double u, double v) {
        const CellDistances cell = CellNoise(u * kMottles, v * kMottles, kMottles, 3303);
        // Thin, faint ridges where the noise crosses zero read as glints on small ripples.
        const double ridge = std::pow(1.0 - std::abs(FractalNoise(u, v, crinkle)), 6.0);
        return FractalNoise(u, v, ripples) + 0.4 * FractalNoise(u, v, swell) - 0.35 * cell.f1 +
               0.3 * ridge;
    });
    field.Normalise(0.5, 0.075);
    return field.ToImage();
}

}  // namespace assetgen
