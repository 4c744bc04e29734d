// The renderer's only file access: reading the texture bitmaps. One file per platform
// (file_reading_posix.cpp, file_reading_win32.cpp) opens and reads; the callers decide.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillmere {

enum class FileReadResult { kOk, kFailed, kTooLarge };

// Reads up to into.size() bytes from the start of a regular file: how many it got, or nothing
// when the file cannot be opened or read. Never waits on a pipe or device put in its place.
std::optional<std::size_t> ReadFileStart(const char* name, std::span<std::uint8_t> into);

// The whole regular file, at most maxBytes of it (kTooLarge beyond, or when memory runs out).
FileReadResult ReadWholeFile(const char* name, std::uint64_t maxBytes,
                             std::vector<std::uint8_t>& bytes);

}  // namespace quillmere
