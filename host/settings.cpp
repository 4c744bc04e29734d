#include "settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "ini_file.h"
#include "unique_fd.h"
#include "xdg_paths.h"

namespace quillmere {

SettingsRecord Settings;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::int16_t NumberSetting(const std::string& text) {
    return FloorOfNumberText(text).value_or(0);
}

std::string WithoutTrailingSlash(const std::string& path) {
    if (!path.empty() && path.back() == '/') {
        return path.substr(0, path.size() - 1);
    }
    return path;
}

}  // namespace

std::string SettingsFilePath() {
    return SettingsFolder() + "/Quillmere.ini";
}

std::string SignedNumberText(std::int32_t value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::optional<std::int16_t> FloorOfNumberText(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    // from_chars takes no '+' and is independent of the locale (Qt sets the user's).
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    std::size_t pos = text.starts_with('-') ? 1 : 0;
    std::size_t digits = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        ++digits;
    }
    if (pos < text.size() && text[pos] == '.') {
        for (++pos; pos < text.size() && IsDigit(text[pos]); ++pos) {
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        std::size_t exponentDigits = 0;
        for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    const double floor = std::floor(number);
    if (!(floor >= -32768.0 && floor <= 32767.0)) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(floor);
}

bool FileExists(const std::string& path) {
    const std::string name = WithoutTrailingSlash(path);
    if (name.empty()) {
        return false;
    }
    // Non-blocking so that a FIFO does not hang the start.
    UniqueFd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) {
        return false;
    }
    // Linux opens folders for reading too.
    struct stat info {};
    return ::fstat(fd.get(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    std::string folder = path.substr(0, slash + 1);
    // The root keeps its "/": an empty folder would mean "no folder" to the file chooser.
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return "/";
}

void LoadSettings() {
    const std::string file = SettingsFilePath();
    Settings.BgmKind = NumberSetting(ReadIniString(kSettingsSection, kKeyBgmKind, file));
    Settings.BgmRepeat = NumberSetting(ReadIniString(kSettingsSection, kKeyBgmRepeat, file));
    Settings.BgmFolder = HomeFolder();
    const std::string path = ReadIniString(kSettingsSection, kKeyBgmFile, file);
    if (!path.empty() && FileExists(path)) {
        // Keep the path that was tested: with its trailing "/" it would name no file to open.
        Settings.BgmFile = WithoutTrailingSlash(path);
        Settings.BgmFolder = FolderOfPath(Settings.BgmFile);
        return;
    }
    Settings.BgmFile.clear();
    if (Settings.BgmKind == kBgmFile) {
        Settings.BgmKind = kBgmNone;
    }
}

}  // namespace quillmere
