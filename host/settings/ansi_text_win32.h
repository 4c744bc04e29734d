// Text and paths between Windows' wide (UTF-16) form and its narrow code pages, exactly: nothing
// is replaced by a look-alike or a default character, and a text that a code page cannot hold is
// reported as such. The host works in the ANSI code page (the A functions); these are its ways in
// from wide text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// The wide text of narrow text in the code page; nothing when it is no valid text of that page.
std::optional<std::wstring> WideOf(std::string_view text, unsigned codePage);

// The narrow text in the code page; nothing when the page lacks a character of it (or holds it
// only as a look-alike), or when the text is no valid UTF-16.
std::optional<std::string> NarrowOf(std::wstring_view text, unsigned codePage);

// A path that the ANSI functions (CreateFileA, mciSendStringA, PlaySoundA,
// GetPrivateProfileStringA, ...) take for the same file: the path in the ANSI code page when it
// holds every character, else the file's short (8.3) name when the volume keeps one and that
// fits; nothing when neither does. So a file whose name the ANSI code page cannot hold is still
// reached, or refused, but never mangled into another name.
std::optional<std::string> AnsiPathOf(const std::wstring& path);

// Byte offset of the last character of text that is one of chars (ASCII), or npos. Characters of
// the ANSI code page are stepped over whole: the second byte of a double-byte character (in CP932
// it can be '\', as in 表) is never taken for one of chars.
std::size_t FindLastAnsiChar(std::string_view text, std::string_view chars);

}  // namespace quillmere
