// What the CP932 conversion of every platform shares (cp932_iconv.cpp, cp932_win32.cpp convert).
#include "cp932.h"

namespace quillmere {

std::optional<std::string> Utf8ToCp932Exact(std::string_view utf8) {
    std::optional<std::string> cp932 = Utf8ToCp932(utf8);
    if (!cp932) {
        return std::nullopt;
    }
    std::optional<std::string> back = Cp932ToUtf8(*cp932);
    if (!back || *back != utf8) {
        return std::nullopt;
    }
    return cp932;
}

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::size_t Cp932PrefixLength(std::string_view cp932, std::size_t limit) {
    std::size_t pos = 0;
    while (pos < cp932.size()) {
        const std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(cp932[pos])) ? 2 : 1;
        if (pos + width > limit) {
            break;
        }
        pos += width;
    }
    return pos < cp932.size() ? pos : cp932.size();
}

}  // namespace quillmere
