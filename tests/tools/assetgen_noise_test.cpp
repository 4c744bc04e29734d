// The noise behind the textures must repeat exactly over its period (or the renderer's
// repeated textures show seams) and must not depend on anything but its seed.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "noise.h"

namespace {

using assetgen::CellNoise;
using assetgen::Fractal;
using assetgen::FractalNoise;
using assetgen::GradientNoise;

struct Sample {
    double x;
    double y;
};

// Inside cells, on lattice lines and on the last cell before the wrap, where a missing
// wrap of the far corner shows first.
const std::vector<Sample> kSamples = {
    {0.0, 0.0}, {0.37, 0.81}, {1.0, 2.5}, {2.99, 0.01}, {3.5, 3.999}, {0.001, 3.75}, {2.25, 1.0},
};

TEST(GradientNoiseTest, RepeatsOverItsPeriodOnBothAxes) {
    for (const int period : {1, 3, 4, 16}) {
        for (const Sample& s : kSamples) {
            const double x = s.x * period / 4.0;
            const double y = s.y * period / 4.0;
            const double here = GradientNoise(x, y, period, 77);
            SCOPED_TRACE(testing::Message() << "period " << period << " at " << x << ", " << y);
            EXPECT_NEAR(GradientNoise(x + period, y, period, 77), here, 1e-9);
            EXPECT_NEAR(GradientNoise(x, y + period, period, 77), here, 1e-9);
            EXPECT_NEAR(GradientNoise(x - period, y - 2 * period, period, 77), here, 1e-9);
        }
    }
}

// Periodic values alone would not show a seam made of a jump; the field must also be
// continuous across every lattice line, the wrap line included.
TEST(GradientNoiseTest, IsContinuousAcrossEveryLatticeLineIncludingTheWrap) {
    constexpr int kPeriod = 5;
    constexpr double kStep = 1e-6;
    for (int line = 1; line <= kPeriod; ++line) {
        for (const double along : {0.2, 0.5, 0.9}) {
            SCOPED_TRACE(testing::Message() << "line " << line << " at " << along);
            EXPECT_NEAR(GradientNoise(line - kStep, along, kPeriod, 9),
                        GradientNoise(line + kStep, along, kPeriod, 9), 1e-4);
            EXPECT_NEAR(GradientNoise(along, line - kStep, kPeriod, 9),
                        GradientNoise(along, line + kStep, kPeriod, 9), 1e-4);
        }
    }
}

TEST(FractalNoiseTest, RepeatsOverOneTileAndStaysInRange) {
    const Fractal fractal{.basePeriod = 3, .octaves = 5, .gain = 0.55, .seed = 1303};
    double sum = 0.0;
    double sumSquares = 0.0;
    int count = 0;
    for (int j = 0; j < 64; ++j) {
        for (int i = 0; i < 64; ++i) {
            const double u = (i + 0.5) / 64.0;
            const double v = (j + 0.5) / 64.0;
            const double here = FractalNoise(u, v, fractal);
            ASSERT_NEAR(FractalNoise(u + 1.0, v, fractal), here, 1e-9);
            ASSERT_NEAR(FractalNoise(u, v - 1.0, fractal), here, 1e-9);
            ASSERT_LE(std::abs(here), 1.0);
            sum += here;
            sumSquares += here * here;
            ++count;
        }
    }
    // A broken hash gives a flat or nearly flat field, which tiles perfectly but is useless.
    const double mean = sum / count;
    EXPECT_GT(std::sqrt(sumSquares / count - mean * mean), 0.1);
}

TEST(CellNoiseTest, RepeatsOverItsPeriodAndKeepsItsDistancesConsistent) {
    for (const int period : {2, 5, 9}) {
        for (const Sample& s : kSamples) {
            const double x = s.x * period / 4.0;
            const double y = s.y * period / 4.0;
            const auto here = CellNoise(x, y, period, 2404);
            const auto shifted = CellNoise(x + period, y - period, period, 2404);
            SCOPED_TRACE(testing::Message() << "period " << period << " at " << x << ", " << y);
            EXPECT_NEAR(shifted.f1, here.f1, 1e-9);
            EXPECT_NEAR(shifted.f2, here.f2, 1e-9);
            EXPECT_NEAR(shifted.border, here.border, 1e-9);
            EXPECT_LE(here.f1, here.f2);
            // The bisector with the second-nearest point lies between these distances, and
            // no border is closer than half the gap between the two nearest points.
            EXPECT_GE(here.border, (here.f2 - here.f1) / 2.0 - 1e-9);
            EXPECT_LE(here.border, (here.f2 + here.f1) / 2.0 + 1e-9);
            // Every cell holds a point, so the nearest one is never farther than a diagonal.
            EXPECT_LE(here.f1, std::sqrt(2.0));
        }
    }
}

TEST(NoiseTest, DependsOnlyOnTheSeed) {
    const Fractal a{.basePeriod = 4, .octaves = 4, .gain = 0.5, .seed = 11};
    Fractal b = a;
    b.seed = 12;
    int differing = 0;
    for (const Sample& s : kSamples) {
        const double u = s.x / 4.0 + 0.013;
        const double v = s.y / 4.0 + 0.029;
        EXPECT_EQ(FractalNoise(u, v, a), FractalNoise(u, v, a));
        EXPECT_EQ(CellNoise(s.x, s.y, 4, 5).f1, CellNoise(s.x, s.y, 4, 5).f1);
        if (FractalNoise(u, v, a) != FractalNoise(u, v, b)) {
            ++differing;
        }
    }
    EXPECT_GE(differing, static_cast<int>(kSamples.size()) - 1);

    assetgen::Random first(42);
    assetgen::Random second(42);
    assetgen::Random other(43);
    int otherDiffers = 0;
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t value = first.Next();
        EXPECT_EQ(second.Next(), value);
        otherDiffers += other.Next() != value;
    }
    EXPECT_GE(otherDiffers, 15);

    // Neighbouring lattice points must not share a hash, or the noise shows a grid of repeats.
    std::set<std::uint32_t> hashes;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            hashes.insert(assetgen::HashLattice(x, y, 1));
        }
    }
    EXPECT_EQ(hashes.size(), 64u);
}

}  // namespace
