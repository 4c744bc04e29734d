#include "bitmap_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <optional>
#include <string>

#include "error_report.h"
#include "file_reading.h"

namespace quillmere {

namespace {

constexpr char kUnknownFormat[] = "Unknown DIB file format.";
constexpr char kOutOfMemory[] = "Out of memory.";
constexpr char kConversionError[] = "Image file conversion error.";

// Textures are a few hundred KiB; anything near these sizes is a broken or hostile file, and
// refusing it up front keeps a bad header from taking the machine's memory.
constexpr std::uint64_t kMaxPixelBytes = 256u << 20;
constexpr std::uint64_t kMaxFileBytes = 1u << 30;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

using Rgb = std::array<std::uint8_t, 3>;

// Every read of the file goes through here, so none can leave it.
class Bytes {
  public:
    explicit Bytes(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t size() const { return data_.size(); }
    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    std::uint8_t U8(std::size_t offset) const { return data_[offset]; }
    std::optional<std::uint16_t> U16(std::uint64_t offset) const {
        if (!Has(offset, 2)) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
    }
    std::optional<std::uint32_t> U32(std::uint64_t offset) const {
        if (!Has(offset, 4)) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(data_[offset]) |
               static_cast<std::uint32_t>(data_[offset + 1]) << 8 |
               static_cast<std::uint32_t>(data_[offset + 2]) << 16 |
               static_cast<std::uint32_t>(data_[offset + 3]) << 24;
    }

  private:
    std::span<const std::uint8_t> data_;
};

// One colour channel of a 16- or 32-bit pixel, widened or narrowed to 8 bits.
class Channel {
  public:
    Channel() = default;
    explicit Channel(std::uint32_t mask)
        : mask_(mask),
          shift_(mask ? std::countr_zero(mask) : 0),
          bits_(mask ? std::popcount(mask) : 0) {}

    std::uint8_t Extract(std::uint32_t pixel) const {
        if (bits_ == 0) {
            return 0;
        }
        const std::uint32_t value = (pixel & mask_) >> shift_;
        if (bits_ >= 8) {
            return static_cast<std::uint8_t>(value >> (bits_ - 8));
        }
        const std::uint32_t max = (1u << bits_) - 1;
        return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
    }

  private:
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
};

bool IsContiguous(std::uint32_t mask) {
    if (mask == 0) {
        return true;
    }
    const std::uint32_t low = mask >> std::countr_zero(mask);
    return (low & (low + 1)) == 0;
}

struct Layout {
    std::int32_t width = 0;
    std::int32_t height = 0;  // always positive here; topDown says how the rows are stored
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue
    std::vector<Rgb> palette;
    std::size_t pixelOffset = 0;
};

// Writes decoded pixels into the bottom-up, packed image.
class Canvas {
  public:
    explicit Canvas(RgbImage& image) : image_(image) {}
    void Put(std::int64_t x, std::int64_t row, const Rgb& rgb) {
        const std::size_t at = (static_cast<std::size_t>(row) * image_.width + x) * 3;
        image_.pixels[at] = rgb[0];
        image_.pixels[at + 1] = rgb[1];
        image_.pixels[at + 2] = rgb[2];
    }

  private:
    RgbImage& image_;
};

Rgb PaletteColour(const std::vector<Rgb>& palette, unsigned index) {
    return index < palette.size() ? palette[index] : Rgb{0, 0, 0};
}

bool IsRunLength(const Layout& layout) {
    return layout.compression == kBiRle8 || layout.compression == kBiRle4;
}

std::uint64_t RowStride(const Layout& layout) {
    return (static_cast<std::uint64_t>(layout.width) * layout.bitCount + 31) / 32 * 4;
}

// Checked before the pixel buffer is allocated, so a lying header costs nothing.
bool HasUncompressedPixels(const Bytes& file, const Layout& layout) {
    const std::uint64_t rowBits = static_cast<std::uint64_t>(layout.width) * layout.bitCount;
    const std::uint64_t lastRow = (rowBits + 7) / 8;  // the final row may lack its padding
    return file.Has(layout.pixelOffset, RowStride(layout) * (layout.height - 1) + lastRow);
}

const char* ParseHeaders(const Bytes& file, Layout& layout) {
    if (file.size() < 2 || file.U8(0) != 'B' || file.U8(1) != 'M') {
        return kUnknownFormat;
    }
    const auto offBits = file.U32(10);
    const auto headerSize = file.U32(kFileHeaderSize);
    if (!offBits || !headerSize) {
        return kConversionError;
    }
    if (*headerSize != kCoreHeaderSize && *headerSize != kInfoHeaderSize) {
        return kUnknownFormat;
    }
    if (!file.Has(kFileHeaderSize, *headerSize)) {
        return kConversionError;
    }

    const bool core = *headerSize == kCoreHeaderSize;
    const std::size_t h = kFileHeaderSize;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t colorsUsed = 0;
    if (core) {
        width = *file.U16(h + 4);
        height = *file.U16(h + 6);
        layout.bitCount = *file.U16(h + 10);
    } else {
        width = static_cast<std::int32_t>(*file.U32(h + 4));
        height = static_cast<std::int32_t>(*file.U32(h + 8));
        layout.bitCount = *file.U16(h + 14);
        layout.compression = *file.U32(h + 16);
        colorsUsed = *file.U32(h + 32);
    }

    switch (layout.bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return kConversionError;
    }
    switch (layout.compression) {
        case kBiRgb:
            break;
        case kBiRle8:
            if (layout.bitCount != 8) {
                return kConversionError;
            }
            break;
        case kBiRle4:
            if (layout.bitCount != 4) {
                return kConversionError;
            }
            break;
        case kBiBitfields:
            if (layout.bitCount != 16 && layout.bitCount != 32) {
                return kConversionError;
            }
            break;
        default:
            return kConversionError;
    }
    const bool rle = IsRunLength(layout);
    if (width <= 0 || height == 0 || (height < 0 && rle)) {
        return kConversionError;
    }
    layout.topDown = height < 0;
    height = height < 0 ? -height : height;  // 64-bit, so INT32_MIN flips safely
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3 >
        kMaxPixelBytes) {
        return kOutOfMemory;
    }
    layout.width = static_cast<std::int32_t>(width);
    layout.height = static_cast<std::int32_t>(height);

    std::uint64_t paletteOffset = kFileHeaderSize + *headerSize;
    if (layout.compression == kBiBitfields) {
        for (std::size_t i = 0; i < 3; ++i) {
            const auto mask = file.U32(paletteOffset + 4 * i);
            if (!mask) {
                return kConversionError;
            }
            layout.masks[i] = *mask;
        }
        paletteOffset += 12;
        const auto [r, g, b] = layout.masks;
        const bool fits = layout.bitCount == 32 || ((r | g | b) >> 16) == 0;
        if (!fits || (r & g) || (r & b) || (g & b) || (r | g | b) == 0 || !IsContiguous(r) ||
            !IsContiguous(g) || !IsContiguous(b)) {
            return kConversionError;
        }
    } else if (layout.bitCount == 16) {
        layout.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (layout.bitCount == 32) {
        layout.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    }

    std::uint64_t paletteCount = colorsUsed;
    if (paletteCount == 0 && layout.bitCount <= 8) {
        paletteCount = 1u << layout.bitCount;
    }
    const std::uint64_t entrySize = core ? 3 : 4;
    if (!file.Has(paletteOffset, paletteCount * entrySize)) {
        return kConversionError;
    }
    if (layout.bitCount <= 8) {
        // Entries past what an index can reach are never used.
        const std::uint64_t used = std::min<std::uint64_t>(paletteCount, 1u << layout.bitCount);
        layout.palette.reserve(used);
        for (std::uint64_t i = 0; i < used; ++i) {
            const std::size_t at = paletteOffset + i * entrySize;
            layout.palette.push_back({file.U8(at + 2), file.U8(at + 1), file.U8(at)});
        }
    }

    if (*offBits < kFileHeaderSize + *headerSize || *offBits >= file.size()) {
        return kConversionError;
    }
    layout.pixelOffset = *offBits;
    if (!IsRunLength(layout) && !HasUncompressedPixels(file, layout)) {
        return kConversionError;
    }
    return nullptr;
}

void DecodeUncompressed(const Bytes& file, const Layout& layout, RgbImage& image) {
    const std::uint64_t stride = RowStride(layout);
    const Channel red(layout.masks[0]);
    const Channel green(layout.masks[1]);
    const Channel blue(layout.masks[2]);
    Canvas canvas(image);
    for (std::int64_t stored = 0; stored < layout.height; ++stored) {
        const std::int64_t row = layout.topDown ? layout.height - 1 - stored : stored;
        const std::size_t base = layout.pixelOffset + stored * stride;
        for (std::int64_t x = 0; x < layout.width; ++x) {
            Rgb rgb{};
            switch (layout.bitCount) {
                case 1:
                case 4:
                case 8: {
                    const std::uint64_t bit = x * layout.bitCount;
                    const unsigned byte = file.U8(base + bit / 8);
                    const unsigned shift = 8 - layout.bitCount - bit % 8;
                    const unsigned index = (byte >> shift) & ((1u << layout.bitCount) - 1);
                    rgb = PaletteColour(layout.palette, index);
                    break;
                }
                case 16: {
                    const std::uint32_t v = *file.U16(base + x * 2);
                    rgb = {red.Extract(v), green.Extract(v), blue.Extract(v)};
                    break;
                }
                case 24: {
                    const std::size_t at = base + x * 3;
                    rgb = {file.U8(at + 2), file.U8(at + 1), file.U8(at)};
                    break;
                }
                case 32: {
                    const std::uint32_t v = *file.U32(base + x * 4);
                    rgb = {red.Extract(v), green.Extract(v), blue.Extract(v)};
                    break;
                }
            }
            canvas.Put(x, row, rgb);
        }
    }
}

// Run-length data: pairs of (count, value), or (0, escape) with 0 end of line, 1 end of
// bitmap, 2 delta and 3..255 an absolute run padded to 16 bits. Pixels that the data skips
// stay black.
const char* DecodeRunLength(const Bytes& file, const Layout& layout, RgbImage& image) {
    const bool fourBit = layout.compression == kBiRle4;
    const std::int64_t width = layout.width;
    const std::int64_t height = layout.height;
    Canvas canvas(image);
    const auto nibbleOrByte = [fourBit](unsigned byte, std::int64_t i) -> unsigned {
        if (!fourBit) {
            return byte;
        }
        return i % 2 == 0 ? byte >> 4 : byte & 0x0F;
    };

    std::size_t pos = layout.pixelOffset;
    std::int64_t x = 0;
    std::int64_t y = 0;
    for (;;) {
        if (!file.Has(pos, 2)) {
            // Data that stops once every row is done only lacks its end mark.
            return y >= height ? nullptr : kConversionError;
        }
        const unsigned count = file.U8(pos);
        const unsigned code = file.U8(pos + 1);
        pos += 2;
        if (count > 0) {
            if (y >= height || x + count > width) {
                return kConversionError;
            }
            for (unsigned i = 0; i < count; ++i) {
                canvas.Put(x++, y, PaletteColour(layout.palette, nibbleOrByte(code, i)));
            }
            continue;
        }
        switch (code) {
            case 0:
                x = 0;
                if (++y > height) {
                    return kConversionError;
                }
                break;
            case 1:
                return nullptr;
            case 2: {
                if (!file.Has(pos, 2)) {
                    return kConversionError;
                }
                x += file.U8(pos);
                y += file.U8(pos + 1);
                pos += 2;
                if (x > width || y > height) {
                    return kConversionError;
                }
                break;
            }
            default: {
                const std::size_t bytes = fourBit ? (code + 1) / 2 : code;
                if (!file.Has(pos, bytes)) {
                    return kConversionError;
                }
                if (y >= height || x + code > width) {
                    return kConversionError;
                }
                for (unsigned i = 0; i < code; ++i) {
                    const unsigned byte = file.U8(pos + (fourBit ? i / 2 : i));
                    canvas.Put(x++, y, PaletteColour(layout.palette, nibbleOrByte(byte, i)));
                }
                pos = std::min(pos + (bytes + 1) / 2 * 2, file.size());
                break;
            }
        }
    }
}

}  // namespace

std::unique_ptr<RgbImage> DecodeBitmapRGB(std::span<const std::uint8_t> data) {
    const Bytes file(data);
    Layout layout;
    if (const char* error = ParseHeaders(file, layout)) {
        ReportError(error);
        return nullptr;
    }
    auto image = std::make_unique<RgbImage>();
    image->width = layout.width;
    image->height = layout.height;
    try {
        image->pixels.assign(static_cast<std::size_t>(layout.width) * layout.height * 3, 0);
    } catch (const std::bad_alloc&) {
        ReportError(kOutOfMemory);
        return nullptr;
    }
    if (!IsRunLength(layout)) {
        DecodeUncompressed(file, layout, *image);
    } else if (const char* error = DecodeRunLength(file, layout, *image)) {
        ReportError(error);
        return nullptr;
    }
    return image;
}

std::unique_ptr<RgbImage> ReadBitmapRGB(const char* name) {
    const std::string fileName = name ? name : "";
    std::vector<std::uint8_t> bytes;
    switch (ReadWholeFile(fileName.c_str(), kMaxFileBytes, bytes)) {
        case FileReadResult::kOk:
            break;
        case FileReadResult::kFailed:
            ReportError("Failed to open DIB file " + fileName + ".\n");
            return nullptr;
        case FileReadResult::kTooLarge:
            ReportError(kOutOfMemory);
            return nullptr;
    }
    return DecodeBitmapRGB(bytes);
}

}  // namespace quillmere
