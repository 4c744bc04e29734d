// Builds bitmap files byte by byte for the texture tests, including deliberately broken ones.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace bmptest {

using Bytes = std::vector<std::uint8_t>;

struct BmpFile {
    std::uint32_t headerSize = 40;  // 12 (core) or 40 (info); other values are written as given
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: top-down
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> palette;    // 0xRRGGBB, written as 3 or 4 bytes per entry
    std::vector<std::uint32_t> masks;      // written right after the header when present
    std::size_t gap = 0;                   // junk bytes between palette and pixels
    Bytes pixels;                          // the pixel data exactly as stored
    std::optional<std::uint32_t> offBits;  // default: where the pixels actually start

    Bytes Build() const;
};

// Packs stored values (palette indices, or little-endian pixel values at 16, 24 and 32 bits)
// into rows padded to 4 bytes, in the order given.
Bytes PackRows(int width, int rows, int bitCount, const std::vector<std::uint32_t>& values);

// 0xRRGGBB colours to the reader's packed red-green-blue bytes.
Bytes RgbBytes(const std::vector<std::uint32_t>& colours);

void Put16(Bytes& bytes, std::size_t at, std::uint16_t value);
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value);

}  // namespace bmptest
