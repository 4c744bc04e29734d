// Reader for the Windows bitmap (BMP/DIB) file format.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quillmere {

// 24-bit pixels, rows from the bottom row of the picture to the top, each pixel red, green,
// blue, rows packed without alignment bytes.
struct RgbImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

// Decodes the file, or reports why it cannot (through ReportError) and returns null.
std::unique_ptr<RgbImage> ReadBitmapRGB(const char* name);

// Decodes a whole bitmap file already in memory; reports and returns null like ReadBitmapRGB.
// Never reads outside `file`.
std::unique_ptr<RgbImage> DecodeBitmapRGB(std::span<const std::uint8_t> file);

}  // namespace quillmere
