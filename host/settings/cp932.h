// Conversion between UTF-8 (our texts in memory) and CP932 (Shift-JIS as Windows writes it, the
// encoding of the settings file). Both directions are strict: nothing is substituted or dropped.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// Nothing when the bytes are not valid CP932.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);

// Nothing when the text is not valid UTF-8 or holds a character that CP932 lacks.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Like Utf8ToCp932, but also nothing when the CP932 bytes would read back as other characters
// (CP932 maps several characters, such as U+00AC and U+FFE2, onto the same bytes).
std::optional<std::string> Utf8ToCp932Exact(std::string_view utf8);

// First byte of a double-byte CP932 character.
bool IsCp932LeadByte(unsigned char byte);

// Length of the longest prefix of at most limit bytes that ends on a character boundary.
std::size_t Cp932PrefixLength(std::string_view cp932, std::size_t limit);

}  // namespace quillmere
