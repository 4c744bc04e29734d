// Any bytes as a bitmap file: the decoder must neither read outside them nor hand back an image
// whose pixels disagree with its size.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "bitmap_reader.h"
#include "error_report.h"

namespace {

std::int64_t Little(const std::uint8_t* data, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | data[i];
    }
    return bytes == 4 ? static_cast<std::int32_t>(value) : static_cast<std::int64_t>(value);
}

// Run-length data of a few bytes can fill a picture of hundreds of MiB, which decodes like a small
// one, only a thousand times slower. Such inputs are left out to keep the rate up; pictures
// beyond the decoder's limit are still tried, since it refuses them before allocating.
bool IsLargeButAllowed(const std::uint8_t* data, std::size_t size) {
    constexpr std::int64_t kLarge = 4 << 20;
    constexpr std::int64_t kDecoderLimit = 256 << 20;
    if (size < 26) {
        return false;
    }
    const std::int64_t headerSize = Little(data + 14, 4);
    const int field = headerSize == 12 ? 2 : 4;
    const std::int64_t width = std::abs(Little(data + 18, field));
    const std::int64_t height = std::abs(Little(data + 18 + field, field));
    if (width > kDecoderLimit || height > kDecoderLimit) {
        return false;
    }
    const std::int64_t bytes = width * height * 3;
    return bytes > kLarge && bytes <= kDecoderLimit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        quillmere::SetErrorReporter([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    if (IsLargeButAllowed(data, size)) {
        return 0;
    }
    const auto image = quillmere::DecodeBitmapRGB(std::span<const std::uint8_t>(data, size));
    if (image != nullptr &&
        (image->width <= 0 || image->height <= 0 ||
         image->pixels.size() != static_cast<std::size_t>(image->width) * image->height * 3)) {
        std::abort();
    }
    return 0;
}
