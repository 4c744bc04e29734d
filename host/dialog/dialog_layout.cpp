#include "dialog_layout.h"

#include <cmath>

namespace quillmere::dialog_layout {

double RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5) {
        return lower;
    }
    if (fraction > 0.5) {
        return lower + 1;
    }
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

Rgb BackgroundLineColour(int y, double height) {
    // The divisor is a deliberately rough pi: the band ends a hair past zero, which rounds away.
    const double d = height / 3.142;
    const double v = d == 0 ? 0 : RoundHalfEven(std::fabs(std::sin(y / d)) * 220);
    const auto level = static_cast<std::uint8_t>(v);
    return {level, level, static_cast<std::uint8_t>(level + 30)};
}

std::vector<Rgb> BackgroundLineColours(double height) {
    std::vector<Rgb> lines;
    const double last = RoundHalfEven(height);
    for (int y = 0; y <= last; ++y) {
        lines.push_back(BackgroundLineColour(y, height));
    }
    return lines;
}

std::vector<Point> TilePositions(int tileWidth, int tileHeight, int targetWidth, int targetHeight) {
    std::vector<Point> positions;
    if (tileWidth <= 0 || tileHeight <= 0) {
        return positions;
    }
    int x = 0;
    int y = 0;
    for (;;) {
        positions.push_back({x, y});
        if (y <= targetHeight) {
            y += tileHeight;
        } else if (x > targetWidth) {
            break;
        } else {
            x += tileWidth;
            y = 0;
        }
    }
    return positions;
}

Point DialogPlacement(long long screenWidth, long long screenHeight, long long dialogWidth,
                      long long dialogHeight) {
    return {static_cast<int>((screenWidth - dialogWidth) / 2),
            static_cast<int>((screenHeight - dialogHeight) / 3)};
}

}  // namespace quillmere::dialog_layout
