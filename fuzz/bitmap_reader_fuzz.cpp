// Any bytes as a bitmap file: the decoder must neither read outside them nor hand back an image
// whose pixels disagree with its size.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "bitmap_reader.h"
#include "error_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        quillmere::SetErrorReporter([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    const auto image = quillmere::DecodeBitmapRGB(std::span<const std::uint8_t>(data, size));
    if (image != nullptr &&
        (image->width <= 0 || image->height <= 0 ||
         image->pixels.size() != static_cast<std::size_t>(image->width) * image->height * 3)) {
        std::abort();
    }
    return 0;
}
