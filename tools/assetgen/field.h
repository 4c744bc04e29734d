// A grey value per pixel while a picture is being composed, turned into a QImage at the end.
#pragma once

#include <QImage>

#include <functional>
#include <vector>

namespace assetgen {

class Field {
  public:
    Field(int width, int height) : width_(width), height_(height), values_(width * height) {}

    int width() const { return width_; }
    int height() const { return height_; }
    double& at(int x, int y) { return values_[static_cast<std::size_t>(y * width_ + x)]; }
    double at(int x, int y) const { return values_[static_cast<std::size_t>(y * width_ + x)]; }

    // Reads across the edges as if the picture repeated, the way a tiled texture is seen.
    double Wrapped(int x, int y) const {
        const int wx = ((x % width_) + width_) % width_;
        const int wy = ((y % height_) + height_) % height_;
        return at(wx, wy);
    }

    // Sets each pixel from its centre in tile units (0..1 across the picture), so a
    // function that repeats every 1 gives a picture that tiles.
    void Fill(const std::function<double(double u, double v)>& sample);

    // Replaces each value by a function of it and the pixel's centre in tile units.
    void Transform(const std::function<double(double value, double u, double v)>& change);

    // The value below which the given share (0..1) of pixels lies.
    double Quantile(double share) const;
    double Mean() const;
    double Deviation() const;

    // Shifts and scales the values to the given mean and standard deviation.
    void Normalise(double mean, double deviation);

    // Grey image, values clamped to 0..1.
    QImage ToImage() const;

  private:
    int width_;
    int height_;
    std::vector<double> values_;
};

double Clamp01(double v);
double SmoothStep(double edge0, double edge1, double v);

}  // namespace assetgen
