#include "settings.h"

#include <cmath>

#include "decimal_number.h"
#include "file_writing.h"
#include "ini_file.h"

namespace quillmere {

SettingsRecord Settings;

namespace {

// The blanks readers skip around a value.
constexpr std::string_view kBlanks = " \t\r\v\f";

std::int16_t NumberSetting(const std::string& text) {
    return FloorOfNumberText(text).value_or(0);
}

}  // namespace

std::string SignedNumberText(std::int32_t value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::optional<std::int16_t> FloorOfNumberText(std::string_view text) {
    // A number beyond the range of double, or so small that it reads as 0, is no number here.
    const std::optional<DecimalNumber> number = ReadDecimalNumber(TrimmedOf(text, kBlanks));
    if (!number || number->outOfRange) {
        return std::nullopt;
    }
    const double floor = std::floor(number->value);
    if (!(floor >= -32768.0 && floor <= 32767.0)) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(floor);
}

std::string MusicFileExtension(std::string_view path) {
    std::string extension(path.size() > 3 ? path.substr(path.size() - 3) : path);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension;
}

bool FileExists(const std::string& path) {
    const std::string name = WithoutTrailingSeparator(path);
    return !name.empty() && CanOpenForReading(name);
}

void LoadSettings() {
    const std::string file = SettingsFilePath();
    Settings.BgmKind = NumberSetting(ReadIniString(kSettingsSection, kKeyBgmKind, file));
    Settings.BgmRepeat = NumberSetting(ReadIniString(kSettingsSection, kKeyBgmRepeat, file));
    Settings.BgmFolder = MusicFolderWhenNone();
    const std::string path = ReadIniString(kSettingsSection, kKeyBgmFile, file);
    if (!path.empty() && FileExists(path)) {
        // Keep the path that was tested: with its trailing separator it would name no file to
        // open.
        Settings.BgmFile = WithoutTrailingSeparator(path);
        Settings.BgmFolder = FolderOfPath(Settings.BgmFile);
        return;
    }
    Settings.BgmFile.clear();
    if (Settings.BgmKind == kBgmFile) {
        Settings.BgmKind = kBgmNone;
    }
}

}  // namespace quillmere
