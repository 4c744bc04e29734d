// The host's own texts on Windows. They are Japanese and live in the program as UTF-8; the windows
// take them through the A functions as bytes of the ANSI code page, which on a Japanese system is
// CP932. A system whose ANSI code page lacks a text's characters would read those bytes as other
// characters, so such a text goes through the W function instead: the same text on every system.
// Paths are not texts of the program: they are already ANSI bytes and are drawn as they are.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace quillmere::win32 {

// The text in the ANSI code page when that holds it exactly.
std::optional<std::string> AnsiTextOf(std::string_view utf8);

// UTF-8 to UTF-16 and back; invalid input gives what could be converted (our own texts are
// valid).
std::wstring WideTextOf(std::string_view utf8);
std::string Utf8TextOf(std::wstring_view wide);

// ANSI bytes (a path) as UTF-8, for a report that names it.
std::string Utf8OfAnsi(std::string_view ansi);

// DrawTextA with the ANSI bytes, else DrawTextW.
int DrawUiText(HDC dc, std::string_view utf8, RECT& rect, UINT format);
// DrawTextA with bytes of the ANSI code page, as they are.
int DrawAnsiText(HDC dc, std::string_view ansi, RECT& rect, UINT format);

void SetUiWindowText(HWND window, std::string_view utf8);
// A window's text as UTF-8 (through the W function, so nothing typed is lost on the way).
std::string UiWindowText(HWND window);

int UiMessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type);

// A font as the host's controls take it: the face name (UTF-8), the cell height in pixels
// (negative: the character height, as CreateFont takes it), weight, style and character set.
struct UiFont {
    std::string face;
    int height = -13;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    BYTE charSet = SHIFTJIS_CHARSET;
    friend bool operator==(const UiFont&, const UiFont&) = default;
};

// CreateFontA with the face name in the ANSI code page (so "ＭＳ Ｐゴシック" as CP932 bytes on a
// Japanese system), else CreateFontW. Null when the system makes no font.
HFONT CreateUiFont(const UiFont& font);

// The first of the Gothic faces the dialog's texts are set in that the system has, as the Linux
// dialog picks it: "ＭＳ Ｐゴシック" (its English name "MS PGothic"), else IPAPGothic, else
// Noto Sans CJK JP; else the first name, leaving the choice of a stand-in to the system.
std::string DialogFontFace();

// The dialog's font: that face, 9.75 points (13 pixels at 96 dots per inch), normal weight,
// character set 128.
UiFont DialogFont();

// Whether the system lists a proportional face under that name for the character set.
bool FontFaceInstalled(std::string_view faceUtf8, BYTE charSet);

}  // namespace quillmere::win32
