#include "win32_ui_text.h"

#include <climits>
#include <cstring>

#include "ansi_text_win32.h"

namespace quillmere::win32 {

namespace {

constexpr const char* kGothicFaces[] = {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic",
                                        "Noto Sans CJK JP"};

int Length(std::size_t size) {
    return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

struct FaceSearch {
    bool found = false;
    bool proportional = false;
};

int CALLBACK NoteFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
    auto* search = reinterpret_cast<FaceSearch*>(data);
    search->found = true;
    search->proportional = search->proportional || (font->lfPitchAndFamily & 3) == VARIABLE_PITCH;
    return 1;
}

}  // namespace

std::optional<std::string> AnsiTextOf(std::string_view utf8) {
    return NarrowOf(WideTextOf(utf8), CP_ACP);
}

std::wstring WideTextOf(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = Length(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8TextOf(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = Length(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

std::string Utf8OfAnsi(std::string_view ansi) {
    if (const std::optional<std::wstring> wide = WideOf(ansi, CP_ACP)) {
        return Utf8TextOf(*wide);
    }
    return std::string(ansi);
}

int DrawUiText(HDC dc, std::string_view utf8, RECT& rect, UINT format) {
    if (const std::optional<std::string> ansi = AnsiTextOf(utf8)) {
        return DrawAnsiText(dc, *ansi, rect, format);
    }
    const std::wstring wide = WideTextOf(utf8);
    return DrawTextW(dc, wide.c_str(), Length(wide.size()), &rect, format);
}

int DrawAnsiText(HDC dc, std::string_view ansi, RECT& rect, UINT format) {
    return DrawTextA(dc, ansi.data(), Length(ansi.size()), &rect, format);
}

void SetUiWindowText(HWND window, std::string_view utf8) {
    if (const std::optional<std::string> ansi = AnsiTextOf(utf8)) {
        SetWindowTextA(window, ansi->c_str());
        return;
    }
    SetWindowTextW(window, WideTextOf(utf8).c_str());
}

std::string UiWindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return Utf8TextOf(text);
}

int UiMessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type) {
    const std::optional<std::string> ansiText = AnsiTextOf(text);
    const std::optional<std::string> ansiCaption = AnsiTextOf(caption);
    if (ansiText && ansiCaption) {
        return MessageBoxA(owner, ansiText->c_str(), ansiCaption->c_str(), type);
    }
    return MessageBoxW(owner, WideTextOf(text).c_str(), WideTextOf(caption).c_str(), type);
}

HFONT CreateUiFont(const UiFont& font) {
    if (const std::optional<std::string> face = AnsiTextOf(font.face);
        face && face->size() < LF_FACESIZE) {
        return CreateFontA(font.height, 0, 0, 0, font.weight, font.italic, font.underline,
                           font.strikeOut, font.charSet, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face->c_str());
    }
    std::wstring face = WideTextOf(font.face);
    face.resize(std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    return CreateFontW(font.height, 0, 0, 0, font.weight, font.italic, font.underline,
                       font.strikeOut, font.charSet, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
}

bool FontFaceInstalled(std::string_view faceUtf8, BYTE charSet) {
    const std::wstring face = WideTextOf(faceUtf8);
    if (face.empty() || face.size() >= LF_FACESIZE) {
        return false;
    }
    LOGFONTW wanted{};
    wanted.lfCharSet = charSet;
    std::memcpy(wanted.lfFaceName, face.c_str(), (face.size() + 1) * sizeof(wchar_t));
    FaceSearch search;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&search), 0);
    ReleaseDC(nullptr, screen);
    // The wanted faces are proportional; a system that lists one of their names for a fixed-pitch
    // stand-in (Wine gives "MS PGothic" the fixed-width IPAGothic) does not have it.
    return search.found && search.proportional;
}

std::string DialogFontFace() {
    static const std::string face = [] {
        for (const char* name : kGothicFaces) {
            if (FontFaceInstalled(name, SHIFTJIS_CHARSET)) {
                return std::string(name);
            }
        }
        return std::string(kGothicFaces[0]);
    }();
    return face;
}

UiFont DialogFont() {
    UiFont font;
    font.face = DialogFontFace();
    return font;
}

}  // namespace quillmere::win32
