// The private-profile (INI) read and write of the settings file, and our own INI code behind them
// on Linux (on Windows they are the system's profile functions, ini_profile_win32.cpp).
//
// Our own INI code: "[section]" header lines and "key=value" lines, read and written
// the way the Windows profile functions do, so settings files from there read unchanged.
//
// Reading: a line ends at LF, CR LF or a lone CR; blanks around names and values are ignored, one
// pair of matching quotes around a value is dropped, section and key names match without regard
// to ASCII letter case, only the first section of a name is searched (and written), the first
// matching key in it wins, and a value comes back cut to kIniValueLimit bytes (never inside a
// character). A missing or unreadable file reads as empty.
//
// Encoding: the file is CP932 and values are converted to and from UTF-8. A file that starts with
// the UTF-8 byte-order mark is UTF-8 throughout (names included) and stays so on writing.
//
// Values that the plain form cannot carry (characters CP932 lacks, bytes that are not UTF-8,
// control characters, trailing blanks, a pair of enclosing quotes, a leading byte-order mark;
// each after any leading spaces) are stored as those spaces, the UTF-8 byte-order mark EF BB BF
// and the rest of the value's bytes, with '%', control bytes and trailing blanks written as %XX. No
// CP932 text starts with EF BB BF (the EF row is unassigned), so the mark cannot be confused with a
// plain value.
//
// So a stored value reads back exactly as stored, except that leading spaces never read back
// (readers skip them; number values are written with one) and a value longer than kIniValueLimit
// bytes reads back cut.
//
// Writing replaces the file atomically and keeps every other byte of it: other sections, keys,
// comments, blank lines and line endings. New lines take the file's line ending, CR LF in a file
// that has none yet (as Windows writes it). A symbolic link is followed and its final target is
// replaced, so the link stays.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

inline constexpr std::size_t kIniValueLimit = 255;

// The value stored under key in section of file; empty when the file, section or key is missing.
// Names are UTF-8; in the file they are CP932 (Windows: the same CP932 bytes, whatever the ANSI
// code page). Values are UTF-8 on Linux and bytes of the ANSI code page on Windows, as the
// profile functions hand them over.
std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& file);

// Stores value under key in section of file, creating the file, the section or the key as needed.
// Always returns empty text; LastApiResult is left non-zero on success and 0 on failure.
std::string WriteIniString(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& file);

// Our own reading and writing of a file by the rules above: the Linux side of ReadIniString and
// WriteIniString. The write creates the file's folder (mode 0700) as needed and leaves the file
// unchanged when it fails.
std::string ReadIniFile(const std::string& section, const std::string& key,
                        const std::string& file);
bool WriteIniFile(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file);

// The reading rules applied to a file's bytes.
std::string ReadIniValue(std::string_view fileBytes, std::string_view section,
                         std::string_view key);

// The file's bytes after storing value under key in section; nothing when the names cannot be
// stored (empty key, line breaks, '=' in the key, or not encodable in the file's encoding).
std::optional<std::string> SetIniValue(std::string_view fileBytes, std::string_view section,
                                       std::string_view key, std::string_view value);

}  // namespace quillmere
