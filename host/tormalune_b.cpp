#include "tormalune_b.h"

#include <limits>

#include "utf8.h"
#include "window_id.h"

namespace quillmere {

std::optional<int> SavedCursorCount;

namespace {

// Length of the UTF-8 sequence starting at pos; a byte that starts no complete sequence is one
// character on its own, so any byte string splits into characters.
std::size_t CharLength(std::string_view text, std::size_t pos) {
    return NextUtf8Char(text, pos).length;
}

// Byte offset of character number n (1-based), or the text's size when it has fewer.
std::size_t OffsetOfChar(std::string_view text, std::size_t n) {
    std::size_t pos = 0;
    for (std::size_t i = 1; i < n && pos < text.size(); ++i) {
        pos += CharLength(text, pos);
    }
    return pos;
}

bool IsNumberBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

std::string ArgumentText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            text += ' ';
        }
        text += argv[i];
    }
    return text;
}

std::string ModeLetter(std::string_view argumentText) {
    const std::size_t pos = OffsetOfChar(argumentText, 2);
    if (pos >= argumentText.size()) {
        return {};
    }
    std::string letter(argumentText.substr(pos, CharLength(argumentText, pos)));
    if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'z') {
        letter[0] = static_cast<char>(letter[0] - 'a' + 'A');
    }
    return letter;
}

bool UnknownSwitch(std::string_view argumentText) {
    const std::string mode = ModeLetter(argumentText);
    return !argumentText.empty() && mode != "P" && mode != "C" && mode != "S";
}

std::uint32_t PreviewHandle(std::string_view argumentText) {
    std::string number;
    for (const char c : argumentText.substr(OffsetOfChar(argumentText, 4))) {
        if (!IsNumberBlank(c)) {
            number += c;
        }
    }
    return ReadWindowIdDigits(number).value.value_or(0);
}

PreviewRect PreviewRectFor(int widthPixels, int heightPixels) {
    const auto toTwips = [](int pixels) -> std::int16_t {
        const long long twips = static_cast<long long>(pixels) * kTwipsPerPixel;
        if (twips < std::numeric_limits<std::int16_t>::min() ||
            twips > std::numeric_limits<std::int16_t>::max()) {
            return 0;
        }
        return static_cast<std::int16_t>(twips);
    };
    PreviewRect rect;
    rect.PreviewWidth = toTwips(widthPixels);
    rect.PreviewHeight = toTwips(heightPixels);
    return rect;
}

namespace {

bool FullScreenRunUnderWay(MainOps& ops) {
    // Both markers are always looked up, so a start costs the same whichever one exists.
    const bool saverRunning = ops.WindowExists(kSaverWindowTitle);
    const bool markerFound = ops.WindowExists(kSecondMarkerTitle);
    return saverRunning || markerFound;
}

}  // namespace

MainResult Main(const std::string& argumentText, MainOps& ops) {
    if (FullScreenRunUnderWay(ops)) {
        return MainResult::EndProgram;
    }

    const std::string mode = ModeLetter(argumentText);
    if (mode == "P") {
        return ops.ShowPreview(argumentText) ? MainResult::RunWindow : MainResult::NoPreviewWindow;
    }

    // The title look-up above misses a run that is starting at the same instant; the lock does
    // not, and the start that loses it ends before it has created or read anything.
    const bool fullScreenRun = mode == "S" || argumentText.empty();
    if (fullScreenRun && !ops.TakeRunLock()) {
        return MainResult::EndProgram;
    }

    ops.CreateTextureFolder();
    ops.LoadSettings();

    if (mode == "C") {
        ops.ShowSettingsDialog();
        return MainResult::EndProgram;
    }
    if (UnknownSwitch(argumentText)) {
        return MainResult::UnknownSwitch;
    }
    if (mode == "S") {
        SavedCursorCount = ops.HideCursor();
    }
    ops.LoadSaverWindow();
    return MainResult::RunWindow;
}

MainResult HackMain(const HackRequest& request, MainOps& ops) {
    if (FullScreenRunUnderWay(ops)) {
        return MainResult::EndProgram;
    }
    ops.CreateTextureFolder();
    ops.LoadSettings();
    return ops.LoadHackSession(request) ? MainResult::RunWindow : MainResult::NoHackWindow;
}

}  // namespace quillmere
