// Noise that tiles: every function here repeats exactly over its integer period, so pictures
// made from it wrap around without a seam when a renderer repeats them.
#pragma once

#include <cstdint>

namespace assetgen {

// A well-mixed 32-bit hash of a lattice point; the same inputs always give the same value.
std::uint32_t HashLattice(int x, int y, std::uint32_t seed);

// A deterministic generator for the few random numbers a picture needs outside the noise.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Next();
    // Uniform in [0, 1).
    double Uniform();
    double Uniform(double low, double high) { return low + (high - low) * Uniform(); }

  private:
    std::uint64_t state_;
};

// Gradient noise over a lattice of period x period cells; x and y are in lattice units and
// the result repeats every `period` units on both axes. Roughly in [-1, 1]; 0 at lattice points.
double GradientNoise(double x, double y, int period, std::uint32_t seed);

// A sum of gradient-noise octaves, each with twice the lattice period (and so twice the detail)
// of the one before, so the sum still tiles. u and v are in tile units: it repeats every 1.
struct Fractal {
    int basePeriod = 4;
    int octaves = 5;
    double gain = 0.5;
    std::uint32_t seed = 1;
};
// Normalised by the octave weights: roughly in [-1, 1].
double FractalNoise(double u, double v, const Fractal& fractal);

// Distances in a cellular pattern with one jittered feature point per cell on a
// period x period torus; x and y in cell units.
struct CellDistances {
    double f1 = 0.0;  // to the nearest feature point
    double f2 = 0.0;  // to the second-nearest
    // To the nearest border of the region closest to that point. Unlike f2 - f1 it does not
    // widen where two feature points lie close together, so lines drawn from it keep their width.
    double border = 0.0;
};
CellDistances CellNoise(double x, double y, int period, std::uint32_t seed);

}  // namespace assetgen
