// The host's settings: the record every module reads, the settings file it comes from, and the
// path helpers the loading needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// Music kinds stored in BgmKind; any other value plays nothing.
inline constexpr std::int16_t kBgmNone = 0;
inline constexpr std::int16_t kBgmCd = 1;
inline constexpr std::int16_t kBgmFile = 2;

struct SettingsRecord {
    std::int16_t BgmKind = kBgmNone;
    std::int16_t BgmRepeat = 0;  // audio-CD track to loop; 0 plays the whole disc
    std::string BgmFile;         // path of the music file, empty when none
    std::string BgmFolder;       // where the file chooser starts; not stored
};

// The one record of the program, filled by LoadSettings and changed only by the settings dialog.
extern SettingsRecord Settings;

// Names in the settings file.
inline constexpr char kSettingsSection[] = "Section";
inline constexpr char kKeyBgmKind[] = "BGM区分";
inline constexpr char kKeyBgmRepeat[] = "BGMﾘﾋﾟｰﾄ";
inline constexpr char kKeyBgmFile[] = "BGMﾌｧｲﾙ";

// Linux: $XDG_CONFIG_HOME/Quillmere/Quillmere.ini (default ~/.config/Quillmere/Quillmere.ini).
// Windows: <program folder>\Quillmere.ini.
std::string SettingsFilePath();

// Where the file chooser starts when no music file is chosen: the home folder on Linux (the
// program's folder there is a system folder), the program folder on Windows.
std::string MusicFolderWhenNone();

// Fills Settings from the settings file; missing or bad values give the defaults.
void LoadSettings();

// The number text in the form the settings file uses: " 2", " 0", "-3".
std::string SignedNumberText(std::int32_t value);

// The largest integer not above the number in text (blanks around, optional sign, digits,
// optional fraction and exponent); nothing when text is no such number or the result does not
// fit 16 bits.
std::optional<std::int16_t> FloorOfNumberText(std::string_view text);

// The music file's extension as the runs test it: the last three characters of path with ASCII
// letters upper-cased, so "song.Mp3" gives "MP3" (no byte of a longer UTF-8 character is one).
std::string MusicFileExtension(std::string_view path);

// path without one trailing separator ("/" on Linux, "\" on Windows, a whole character there).
std::string WithoutTrailingSeparator(const std::string& path);

// True when path (less one trailing separator) can be opened for reading and is not a folder.
bool FileExists(const std::string& path);

// The folder part of path. Linux: without its trailing "/": "/music/a.mp3" gives "/music",
// "/a.mp3" gives "/", "a.mp3" gives "". Windows: up to the last ":" or "\" (whole characters of
// the ANSI code page), less a trailing "\": "C:\Music\a.mp3" gives "C:\Music", "C:\a.mp3"
// gives "C:", "a.mp3" gives "".
std::string FolderOfPath(const std::string& path);

}  // namespace quillmere
