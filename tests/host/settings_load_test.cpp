#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "ini_file.h"
#include "settings.h"
#include "test_support.h"
#include "xdg_paths.h"

namespace {

using namespace quillmere;
using testsupport::TempDir;

// The settings file's place from the XDG variables, and POSIX paths. On Windows the file is beside
// the program and paths are Windows': tests/windows/settings_win32_test.cpp.
#ifndef _WIN32
std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SaveEnv("XDG_CONFIG_HOME", savedConfig_);
        SaveEnv("HOME", savedHome_);
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("HOME", home_.c_str(), 1);
        std::filesystem::create_directories(home_);
        std::filesystem::create_directories(dir_ / "music");
        testsupport::WriteFile(dir_ / "music/a.mp3", "ID3");
    }
    void TearDown() override {
        RestoreEnv("XDG_CONFIG_HOME", savedConfig_);
        RestoreEnv("HOME", savedHome_);
    }
    static void SaveEnv(const char* name, std::optional<std::string>& saved) {
        const char* value = std::getenv(name);
        saved = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }
    static void RestoreEnv(const char* name, const std::optional<std::string>& saved) {
        saved ? setenv(name, saved->c_str(), 1) : unsetenv(name);
    }
    void LoadFresh() {
        Settings = {7, 7, "stale", "stale"};
        LoadSettings();
    }

    TempDir dir_;
    std::string home_ = dir_ / "home";
    std::optional<std::string> savedConfig_, savedHome_;
};

struct LoadCase {
    const char* what;
    std::optional<std::string> file;  // settings file content; nothing: no file
    std::int16_t kind;
    std::int16_t repeat;
    std::string bgmFile;  // {A}: music/a.mp3, {J}: the Japanese one
    std::string folder;   // {D}, {JD}: their folders, {H}: home
};

TEST_F(SettingsTest, LoadAppliesDefaultsAndCorrections) {
    const std::string japanese = dir_ / "音楽 フォルダ/曲 1.mp3";
    std::filesystem::create_directories(dir_ / "音楽 フォルダ");
    testsupport::WriteFile(japanese, "RIFF");
    // The same path as the original platform stores it.
    const std::string japaneseCp932 = dir_.path() +
                                      "/\x89\xB9\x8A\x79 \x83\x74\x83\x48\x83\x8B\x83\x5F/"
                                      "\x8B\xC8 1.mp3";
    const std::string k = "BGM\x8B\xE6\x95\xAA=", r = "BGM\xD8\xCB\xDF\xB0\xC4=",
                      f = "BGM\xCC\xA7\xB2\xD9=";
    const std::string s = "[Section]\n";
    const LoadCase cases[] = {
        {"no file", std::nullopt, 0, 0, "", "{H}"},
        {"empty file", "", 0, 0, "", "{H}"},
        {"garbage", std::string("\0\xFF\xFE\x80\n=\n[\n", 9), 0, 0, "", "{H}"},
        {"CD without file", s + k + " 1\n" + r + " 3\n" + f + "\n", 1, 3, "", "{H}"},
        {"fractions", s + k + "2.9\n" + r + "-1.5\n" + f + "{A}\n", 2, -2, "{A}", "{D}"},
        {"not numbers", s + k + "abc\n" + r + "99999\n" + f + "{A}\n", 0, 0, "{A}", "{D}"},
        {"too small", s + k + "-40000\n", 0, 0, "", "{H}"},
        {"missing music file", s + k + " 2\n" + f + "{A}.gone\n", 0, 0, "", "{H}"},
        {"CD with missing file", s + k + " 1\n" + f + "{A}.gone\n", 1, 0, "", "{H}"},
        {"trailing slash", s + k + " 2\n" + f + "{A}/\n", 2, 0, "{A}", "{D}"},
        {"folder as music file", s + k + " 2\n" + f + "{D}\n", 0, 0, "", "{H}"},
        {"Japanese path, CRLF", "[Section]\r\n" + k + " 2\r\n" + f + japaneseCp932 + "\r\n", 2, 0,
         "{J}", "{JD}"},
        {"UTF-8 file", "\xEF\xBB\xBF[section]\nBGM区分= 2\nBGMﾌｧｲﾙ={J}\n", 2, 0, "{J}", "{JD}"},
    };
    auto expand = [&](std::string text) {
        text = Replace(text, "{A}", dir_ / "music/a.mp3");
        text = Replace(text, "{D}", dir_ / "music");
        text = Replace(text, "{JD}", dir_ / "音楽 フォルダ");
        text = Replace(text, "{J}", japanese);
        return Replace(text, "{H}", home_);
    };
    for (const LoadCase& c : cases) {
        std::filesystem::remove(SettingsFilePath());
        if (c.file) {
            std::filesystem::create_directories(SettingsFolder());
            testsupport::WriteFile(SettingsFilePath(), expand(*c.file));
        }
        LoadFresh();
        EXPECT_EQ(Settings.BgmKind, c.kind) << c.what;
        EXPECT_EQ(Settings.BgmRepeat, c.repeat) << c.what;
        EXPECT_EQ(Settings.BgmFile, expand(c.bgmFile)) << c.what;
        EXPECT_EQ(Settings.BgmFolder, expand(c.folder)) << c.what;
    }
}

TEST_F(SettingsTest, StoredChoicesLoadBack) {
    EXPECT_EQ(SettingsFilePath(), dir_ / "config/Quillmere/Quillmere.ini");
    for (const std::string& folder : {std::string("音楽 フォルダ"), std::string("絵文字😀"),
                                      std::string("raw\xFF\xFE"), std::string("a\nb")}) {
        const std::string path = dir_ / folder + "/曲 ¬.wav";
        std::filesystem::create_directories(dir_ / folder);
        testsupport::WriteFile(path, "RIFF");
        // As the settings dialog stores them.
        WriteIniString(kSettingsSection, kKeyBgmKind, SignedNumberText(kBgmFile),
                       SettingsFilePath());
        WriteIniString(kSettingsSection, kKeyBgmRepeat, SignedNumberText(5), SettingsFilePath());
        WriteIniString(kSettingsSection, kKeyBgmFile, path, SettingsFilePath());
        LoadFresh();
        EXPECT_EQ(Settings.BgmKind, kBgmFile) << folder;
        EXPECT_EQ(Settings.BgmRepeat, 5) << folder;
        EXPECT_EQ(Settings.BgmFile, path) << folder;
        EXPECT_EQ(Settings.BgmFolder, dir_ / folder) << folder;
    }
}

#endif

TEST(SettingsNumbers, FloorOfNumberText) {
    const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
        {" 2", 2},
        {"2.7", 2},
        {"2.9", 2},
        {"-1.5", -2},
        {"-0.5", -1},
        {"+3", 3},
        {"1e2", 100},
        {"2.5E-1", 0},
        {".5", 0},
        {"5.", 5},
        {" 32767 ", 32767},
        {"32767.9", 32767},
        {"-32768", -32768},
        {"32768", {}},
        {"-32768.5", {}},
        {"99999", {}},
        {"1e999", {}},
        {"abc", {}},
        {"", {}},
        {"12abc", {}},
        {"1.2.3", {}},
        {".", {}},
        {"-", {}},
        {"1e", {}},
        {"+-1", {}},
        {"--1", {}},
        {"0x10", {}},
        {"inf", {}},
        {"nan", {}},
        {"1 2", {}},
        // Below the smallest double: a denormal still reads, what rounds to 0 is no number.
        {"1e-310", 0},
        {"-1e-310", -1},
        {"1e-400", {}},
        {"0.0e-999", 0},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(FloorOfNumberText(text), expected) << "'" << text << "'";
    }
    EXPECT_EQ(SignedNumberText(2), " 2");
    EXPECT_EQ(SignedNumberText(0), " 0");
    EXPECT_EQ(SignedNumberText(-3), "-3");
}

// POSIX paths and permission bits; Windows: tests/windows/settings_win32_test.cpp.
#ifndef _WIN32
TEST(SettingsPaths, FileExists) {
    TempDir dir;
    testsupport::WriteFile(dir / "a.mp3", "x");
    testsupport::WriteFile(dir / "曲 1.mp3", "x");
    const std::pair<std::string, bool> cases[] = {
        {dir / "a.mp3", true},
        {dir / "a.mp3/", true},
        {dir / "曲 1.mp3", true},
        {dir / "missing.mp3", false},
        {dir.path(), false},
        {dir.path() + "/", false},
        {"", false},
        {"/", false},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(FileExists(path), expected) << path;
    }
    if (geteuid() != 0) {
        testsupport::WriteFile(dir / "locked.mp3", "x");
        chmod((dir / "locked.mp3").c_str(), 0);
        EXPECT_FALSE(FileExists(dir / "locked.mp3"));
    }
}

TEST(SettingsPaths, FolderOfPath) {
    const std::pair<const char*, const char*> cases[] = {
        {"/music/a.mp3", "/music"},
        {"/a.mp3", "/"},
        {"a.mp3", ""},
        {"/music/", "/music"},
        {"/m:x/a.mp3", "/m:x"},
        {"C:a.mp3", ""},
        {"rel/a.mp3", "rel"},
        {"", ""},
        {"//a.mp3", "/"},
        {"/music//a.mp3", "/music"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(FolderOfPath(path), expected) << path;
    }
}
#endif

}  // namespace
