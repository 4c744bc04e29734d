#include "field.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

void Field::Fill(const std::function<double(double u, double v)>& sample) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            at(x, y) = sample((x + 0.5) / width_, (y + 0.5) / height_);
        }
    }
}

void Field::Transform(const std::function<double(double value, double u, double v)>& change) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            at(x, y) = change(at(x, y), (x + 0.5) / width_, (y + 0.5) / height_);
        }
    }
}

double Field::Quantile(double share) const {
    if (values_.empty()) {
        return 0.0;
    }
    std::vector<double> sorted = values_;
    const auto index = static_cast<std::size_t>(std::clamp(share, 0.0, 1.0) *
                                                static_cast<double>(sorted.size() - 1));
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(index),
                     sorted.end());
    return sorted[index];
}

double Field::Mean() const {
    double sum = 0.0;
    for (double v : values_) {
        sum += v;
    }
    return values_.empty() ? 0.0 : sum / static_cast<double>(values_.size());
}

double Field::Deviation() const {
    const double mean = Mean();
    double sum = 0.0;
    for (double v : values_) {
        sum += (v - mean) * (v - mean);
    }
    return values_.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(values_.size()));
}

void Field::Normalise(double mean, double deviation) {
    const double oldMean = Mean();
    const double oldDeviation = Deviation();
    const double scale = oldDeviation > 0.0 ? deviation / oldDeviation : 0.0;
    for (double& v : values_) {
        v = mean + (v - oldMean) * scale;
    }
}

QImage Field::ToImage() const {
    QImage image(width_, height_, QImage::Format_RGB32);
    for (int y = 0; y < height_; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width_; ++x) {
            const int g = static_cast<int>(std::lround(Clamp01(at(x, y)) * 255.0));
            line[x] = qRgb(g, g, g);
        }
    }
    return image;
}

double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

double SmoothStep(double edge0, double edge1, double v) {
    const double t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

}  // namespace assetgen
