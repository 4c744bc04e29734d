#include "noise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace assetgen {

namespace {

int Wrap(int i, int period) {
    const int r = i % period;
    return r < 0 ? r + period : r;
}

// Quintic fade: continuous second derivative, so no creases show along cell borders.
double Fade(double t) {
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

double ToUnit(std::uint32_t h) {
    return h / 4294967296.0;
}

double GradientDot(int ix, int iy, double dx, double dy, std::uint32_t seed) {
    const double angle = ToUnit(HashLattice(ix, iy, seed)) * 2.0 * std::numbers::pi;
    return std::cos(angle) * dx + std::sin(angle) * dy;
}

}  // namespace

std::uint32_t HashLattice(int x, int y, std::uint32_t seed) {
    // Two rounds of a murmur-style finaliser over the combined coordinates.
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h = (h ^ (h >> 13)) * 0x297A2D39u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

std::uint32_t Random::Next() {
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

double Random::Uniform() {
    return ToUnit(Next());
}

double GradientNoise(double x, double y, int period, std::uint32_t seed) {
    period = std::max(period, 1);
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const double tx = x - fx;
    const double ty = y - fy;
    // Wrap the lattice indices, never the coordinates: both corners of a cell must come from
    // the wrapped lattice or the last column of cells breaks the tiling.
    const int x0 = Wrap(static_cast<int>(fx), period);
    const int y0 = Wrap(static_cast<int>(fy), period);
    const int x1 = Wrap(x0 + 1, period);
    const int y1 = Wrap(y0 + 1, period);

    const double n00 = GradientDot(x0, y0, tx, ty, seed);
    const double n10 = GradientDot(x1, y0, tx - 1.0, ty, seed);
    const double n01 = GradientDot(x0, y1, tx, ty - 1.0, seed);
    const double n11 = GradientDot(x1, y1, tx - 1.0, ty - 1.0, seed);
    const double sx = Fade(tx);
    const double sy = Fade(ty);
    const double top = n00 + (n10 - n00) * sx;
    const double bottom = n01 + (n11 - n01) * sx;
    // Unit gradients reach at most 1/sqrt(2) in two dimensions.
    return (top + (bottom - top) * sy) * std::numbers::sqrt2;
}

double FractalNoise(double u, double v, const Fractal& fractal) {
    double sum = 0.0;
    double weight = 0.0;
    double amplitude = 1.0;
    int period = std::max(fractal.basePeriod, 1);
    for (int octave = 0; octave < fractal.octaves; ++octave) {
        const std::uint32_t seed = fractal.seed + static_cast<std::uint32_t>(octave) * 7919u;
        sum += amplitude * GradientNoise(u * period, v * period, period, seed);
        weight += amplitude;
        amplitude *= fractal.gain;
        period *= 2;
    }
    return weight > 0.0 ? sum / weight : 0.0;
}

CellDistances CellNoise(double x, double y, int period, std::uint32_t seed) {
    period = std::max(period, 1);
    const int cx = static_cast<int>(std::floor(x));
    const int cy = static_cast<int>(std::floor(y));
    // Two rings of neighbours: with one point anywhere in a cell, the second-nearest point
    // and the points that bound the nearest one's region can lie two cells away.
    constexpr int kReach = 2;
    constexpr int kSide = 2 * kReach + 1;
    std::array<double, kSide * kSide> px{};
    std::array<double, kSide * kSide> py{};
    CellDistances result{1e30, 1e30, 1e30};
    std::size_t nearest = 0;
    for (int dy = -kReach; dy <= kReach; ++dy) {
        for (int dx = -kReach; dx <= kReach; ++dx) {
            const int ix = cx + dx;
            const int iy = cy + dy;
            const int wx = Wrap(ix, period);
            const int wy = Wrap(iy, period);
            const std::size_t n = static_cast<std::size_t>((dy + kReach) * kSide + dx + kReach);
            px[n] = ix + ToUnit(HashLattice(wx, wy, seed));
            py[n] = iy + ToUnit(HashLattice(wx, wy, seed ^ 0xA511E9B3u));
            const double d = std::hypot(px[n] - x, py[n] - y);
            if (d < result.f1) {
                result.f2 = result.f1;
                result.f1 = d;
                nearest = n;
            } else if (d < result.f2) {
                result.f2 = d;
            }
        }
    }
    // The region is convex, so the distance to its border is the least distance to the
    // bisectors between its point and every other point.
    for (std::size_t n = 0; n < px.size(); ++n) {
        if (n == nearest) {
            continue;
        }
        const double ax = px[nearest];
        const double ay = py[nearest];
        const double length = std::hypot(px[n] - ax, py[n] - ay);
        if (length <= 0.0) {
            continue;
        }
        const double midX = 0.5 * (ax + px[n]);
        const double midY = 0.5 * (ay + py[n]);
        const double d = ((midX - x) * (px[n] - ax) + (midY - y) * (py[n] - ay)) / length;
        result.border = std::min(result.border, d);
    }
    return result;
}

}  // namespace assetgen
