#include "texture_bmp_writer.h"

namespace bmptest {

namespace {
void Append16(Bytes& out, std::uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}
void Append32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back((v >> (8 * i)) & 0xFF);
    }
}
}  // namespace

void Put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = value & 0xFF;
    bytes.at(at + 1) = value >> 8;
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(at + i) = (value >> (8 * i)) & 0xFF;
    }
}

Bytes BmpFile::Build() const {
    Bytes out = {'B', 'M'};
    Append32(out, 0);  // file size, filled in below
    Append32(out, 0);  // reserved
    Append32(out, 0);  // pixel offset, filled in below
    Append32(out, headerSize);
    if (headerSize == 12) {
        Append16(out, static_cast<std::uint16_t>(width));
        Append16(out, static_cast<std::uint16_t>(height));
        Append16(out, 1);
        Append16(out, bitCount);
    } else {
        Append32(out, static_cast<std::uint32_t>(width));
        Append32(out, static_cast<std::uint32_t>(height));
        Append16(out, 1);
        Append16(out, bitCount);
        Append32(out, compression);
        Append32(out, static_cast<std::uint32_t>(pixels.size()));
        Append32(out, 2835);
        Append32(out, 2835);
        Append32(out, colorsUsed);
        Append32(out, 0);
        // Larger headers get zero padding so their declared size is honest.
        for (std::uint32_t i = 40; i < headerSize && i < 4096; ++i) {
            out.push_back(0);
        }
    }
    for (std::uint32_t mask : masks) {
        Append32(out, mask);
    }
    for (std::uint32_t colour : palette) {
        out.push_back(colour & 0xFF);
        out.push_back((colour >> 8) & 0xFF);
        out.push_back((colour >> 16) & 0xFF);
        if (headerSize != 12) {
            out.push_back(0);
        }
    }
    out.insert(out.end(), gap, 0xA5);
    const auto start = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), pixels.begin(), pixels.end());
    Put32(out, 2, static_cast<std::uint32_t>(out.size()));
    Put32(out, 10, offBits.value_or(start));
    return out;
}

Bytes PackRows(int width, int rows, int bitCount, const std::vector<std::uint32_t>& values) {
    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    Bytes out(stride * rows, 0);
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* row = out.data() + r * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = values.at(static_cast<std::size_t>(r) * width + x);
            if (bitCount < 8) {
                const int bit = x * bitCount;
                row[bit / 8] |= v << (8 - bitCount - bit % 8);
            } else {
                for (int i = 0; i < bitCount / 8; ++i) {
                    row[x * (bitCount / 8) + i] = (v >> (8 * i)) & 0xFF;
                }
            }
        }
    }
    return out;
}

Bytes RgbBytes(const std::vector<std::uint32_t>& colours) {
    Bytes out;
    for (std::uint32_t c : colours) {
        out.push_back((c >> 16) & 0xFF);
        out.push_back((c >> 8) & 0xFF);
        out.push_back(c & 0xFF);
    }
    return out;
}

}  // namespace bmptest
