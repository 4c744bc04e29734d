// Any text typed in the repeat box: it is read without fault, a number that fits 16 bits is stored
// as that number, and every number the box shows reads back as itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "repeat_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<double> number = quillmere::RepeatNumberOfText(text);
    const std::int16_t stored = quillmere::RepeatValueOfText(text);
    if (number && *number >= -32768.0 && *number <= 32767.0) {
        if (stored != static_cast<std::int16_t>(*number)) {
            std::abort();
        }
    } else if (stored != 0) {
        std::abort();
    }
    if (size >= 2) {
        const auto shown = static_cast<std::int16_t>(data[0] | data[1] << 8);
        if (quillmere::RepeatValueOfText(quillmere::FormatRepeatNumber(shown)) != shown) {
            std::abort();
        }
    }
    return 0;
}
