// The settings file and its paths on Windows: the profile functions against the Linux build's own
// INI code, values byte for byte, paths taken apart by whole characters, files the ANSI code page
// cannot name. The program runs twice, in code page 932 and in 1252 (QUILLMERE_EXPECTED_ACP says
// which), since what the A functions do depends on it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ansi_text_win32.h"
#include "cp932.h"
#include "file_writing.h"
#include "ini_file.h"
#include "last_api_result.h"
#include "program_folder.h"
#include "settings.h"
#include "test_support.h"

namespace {

using namespace quillmere;
using testsupport::TempDir;

const std::string kKindCp = "BGM\x8B\xE6\x95\xAA";
// "C:\音楽\表 1.mp3" in CP932; in 1252 it is text too. The second byte of 表 is '\'.
const std::string kJapanesePath = "C:\\\x89\xB9\x8A\x79\\\x95\x5C 1.mp3";

bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

std::string FileText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = testsupport::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string Utf8OfCp932(const std::string& bytes) {
    return Cp932ToUtf8(bytes).value();
}

std::optional<std::wstring> WideOfAnsi(const std::string& text) {
    return WideOf(text, CP_ACP);
}

TEST(CodePage, IsTheOneThisRunIsFor) {
    const char* expected = std::getenv("QUILLMERE_EXPECTED_ACP");
    ASSERT_NE(expected, nullptr) << "run through ctest, which names the code page";
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

TEST(ProfileFile, WritesTheBytesTheLinuxBuildWrites) {
    TempDir dir;
    const std::string profile = dir / "profile.ini";
    const std::string own = dir / "own.ini";
    // As the settings dialog stores a music file choice.
    const std::pair<const char*, std::string> choices[] = {
        {kKeyBgmKind, SignedNumberText(kBgmFile)},
        {kKeyBgmRepeat, SignedNumberText(5)},
        {kKeyBgmFile, kJapanesePath},
    };
    for (const auto& [key, value] : choices) {
        LastApiResult = 0;
        WriteIniString(kSettingsSection, key, value, profile);
        EXPECT_NE(LastApiResult, 0) << key;
        // The Linux build holds the path as UTF-8 and writes it as CP932.
        ASSERT_TRUE(WriteIniFile(kSettingsSection, key, Utf8OfCp932(value), own)) << key;
    }
    std::string expected = FileText(own);
    ASSERT_EQ(expected, "[Section]\r\n" + kKindCp + "= 2\r\nBGM\xD8\xCB\xDF\xB0\xC4= 5\r\n" +
                            "BGM\xCC\xA7\xB2\xD9=" + kJapanesePath + "\r\n");
    if (UnderWine()) {
        // Wine drops the blanks in front of a value it writes; Windows writes the value as given.
        for (std::size_t pos = expected.find("= "); pos != std::string::npos;
             pos = expected.find("= ", pos)) {
            expected.erase(pos + 1, 1);
        }
    }
    EXPECT_EQ(FileText(profile), expected);
}

TEST(ProfileFile, FilesOfEitherPlatformReadTheSame) {
    TempDir dir;
    // As the Linux build wrote files before they had CR LF, with a value too long to read whole.
    const std::string linuxFile = dir / "linux.ini";
    const std::string longValue(300, 'a');
    testsupport::WriteFile(linuxFile, "[Section]\n" + kKindCp + "= 2\nBGM\xCC\xA7\xB2\xD9=" +
                                          kJapanesePath + "\n[Other]\nK=" + longValue + "\n");
    EXPECT_EQ(ReadIniString(kSettingsSection, kKeyBgmKind, linuxFile), "2");
    EXPECT_EQ(ReadIniString(kSettingsSection, kKeyBgmFile, linuxFile), kJapanesePath);
    EXPECT_EQ(ReadIniString("Other", "K", linuxFile), longValue.substr(0, 255));
    EXPECT_EQ(ReadIniString(kSettingsSection, kKeyBgmRepeat, linuxFile), "");

    const std::string windowsFile = dir / "windows.ini";
    WriteIniString(kSettingsSection, kKeyBgmKind, " 1", windowsFile);
    WriteIniString(kSettingsSection, kKeyBgmFile, kJapanesePath, windowsFile);
    EXPECT_EQ(ReadIniFile(kSettingsSection, kKeyBgmKind, windowsFile), "1");
    EXPECT_EQ(ReadIniFile(kSettingsSection, kKeyBgmFile, windowsFile), Utf8OfCp932(kJapanesePath));
}

TEST(ProfileFile, ValueBytesPassUnchanged) {
    // Every text of the ANSI code page: in 1252 each byte, in 932 each character that reads back
    // as itself (the NEC and IBM rows hold some characters twice).
    std::vector<std::string> values;
    if (GetACP() == 1252) {
        std::string all;
        for (int byte = 0x21; byte <= 0xFF; ++byte) {
            all += static_cast<char>(byte);
        }
        values.push_back(all);
    } else if (GetACP() == 932) {
        std::string chunk;
        for (int single = 0x21; single <= 0xDF; ++single) {
            if (single <= 0x7E || single >= 0xA1) {
                chunk += static_cast<char>(single);
            }
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40;
                 trail <= 0xFC && IsCp932LeadByte(static_cast<unsigned char>(lead)); ++trail) {
                const std::string character{static_cast<char>(lead), static_cast<char>(trail)};
                const std::optional<std::wstring> wide = WideOfAnsi(character);
                if (wide && NarrowOf(*wide, CP_ACP) == character) {
                    chunk += character;
                }
                if (chunk.size() >= 250) {
                    values.push_back(std::exchange(chunk, {}));
                }
            }
        }
        values.push_back(chunk);
    } else {
        GTEST_SKIP() << "code page " << GetACP();
    }
    TempDir dir;
    for (const std::string& value : values) {
        WriteIniString(kSettingsSection, kKeyBgmFile, value, dir / "bytes.ini");
        ASSERT_NE(LastApiResult, 0);
        EXPECT_EQ(ReadIniString(kSettingsSection, kKeyBgmFile, dir / "bytes.ini"), value);
    }
}

// The identity of the file a name opens: volume and file index.
std::optional<std::pair<DWORD, ULONGLONG>> FileIdentity(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info)) {
        return std::nullopt;
    }
    CloseHandle(file);
    return std::make_pair(info.dwVolumeSerialNumber,
                          (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow);
}

TEST(AnsiPath, AFileTheCodePageCannotNameIsReachedOrRefusedNeverMangled) {
    TempDir dir;
    const std::wstring folder = WideOfAnsi(dir.path()).value();
    // 曲 is in 932 only, é in 1252 only, 한 in neither.
    for (const std::wstring name : {L"\u66F2 1.mp3", L"caf\u00E9.mp3", L"\uD55C.wav"}) {
        const std::wstring path = folder + L"\\" + name;
        const auto created = FileIdentity(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(created.has_value());
        const std::optional<std::string> ansi = AnsiPathOf(path);
        if (const std::optional<std::string> exact = NarrowOf(path, CP_ACP)) {
            EXPECT_EQ(ansi, exact);
        }
        if (ansi) {
            EXPECT_EQ(FileIdentity(CreateFileA(ansi->c_str(), GENERIC_READ, FILE_SHARE_READ,
                                               nullptr, OPEN_EXISTING, 0, nullptr)),
                      created)
                << *ansi;
            EXPECT_TRUE(FileExists(*ansi)) << *ansi;
        }
    }
}

TEST(AnsiPath, TheSettingsFileIsBesideTheProgram) {
    wchar_t module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::wstring program(module, length);
    const std::string folder = AnsiPathOf(program.substr(0, program.rfind(L'\\'))).value();
    EXPECT_EQ(platform::ProgramFolder(), folder);
    EXPECT_EQ(SettingsFilePath(), folder + "\\Quillmere.ini");
    EXPECT_EQ(MusicFolderWhenNone(), folder);
}

TEST(WindowsPaths, AreTakenApartByWholeCharacters) {
    const bool dbcs = GetACP() == 932;
    // A file named 表 in C:\m: in 932 its second byte is no separator.
    const std::string hyou = "C:\\m\\\x95\x5C";
    struct Case {
        std::string path;
        std::string folderOfPath;  // FolderOfPath
        std::string withoutTrailing;
        std::string folderPart;  // FolderPart
    };
    const Case cases[] = {
        {"C:\\Music\\a.mp3", "C:\\Music", "C:\\Music\\a.mp3", "C:\\Music"},
        {"C:\\a.mp3", "C:", "C:\\a.mp3", "C:"},
        {"C:a.mp3", "C:", "C:a.mp3", "."},
        {"a.mp3", "", "a.mp3", "."},
        {"C:\\Music\\", "C:\\Music", "C:\\Music", "C:\\Music"},
        {"\\\\server\\music\\a.wav", "\\\\server\\music", "\\\\server\\music\\a.wav",
         "\\\\server\\music"},
        {"C:/Music/a.mp3", "C:", "C:/Music/a.mp3", "C:/Music"},
        {hyou, dbcs ? "C:\\m" : hyou.substr(0, 6), dbcs ? hyou : hyou.substr(0, 6),
         dbcs ? "C:\\m" : hyou.substr(0, 6)},
        {hyou + "\\", hyou, hyou, hyou},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderOfPath(c.path), c.folderOfPath) << c.path;
        EXPECT_EQ(WithoutTrailingSeparator(c.path), c.withoutTrailing) << c.path;
        EXPECT_EQ(FolderPart(c.path), c.folderPart) << c.path;
    }
}

TEST(WindowsFiles, ReplaceCreateAndRead) {
    TempDir dir;
    const std::string folder = dir / "a\\b\\q_vorn";
    EXPECT_TRUE(CreateFolderWithParents(folder, 0700));
    EXPECT_TRUE(CreateFolderWithParents(folder, 0700));  // exists: fine
    testsupport::WriteFile(dir / "file", "x");
    EXPECT_FALSE(CreateFolderWithParents(dir / "file", 0700));
    EXPECT_FALSE(CreateFolderWithParents(dir / "file\\sub", 0700));

    const std::string path = folder + "\\Tormalune1.bmp";
    EXPECT_TRUE(ReplaceFileBytes(path, "old", 0600, Durability::PowerLoss));
    EXPECT_TRUE(ReplaceFileBytes(path, std::string("new\0bytes", 9), 0600, Durability::NextReader));
    std::string bytes;
    EXPECT_EQ(ReadRegularFile(path, bytes), FileRead::Ok);
    EXPECT_EQ(bytes, std::string("new\0bytes", 9));
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        entries.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(entries, std::vector<std::string>{"Tormalune1.bmp"});
    // A folder in place of the file is not replaced, and leaves no temporary file.
    EXPECT_FALSE(ReplaceFileBytes(dir / "a", "x", 0600, Durability::NextReader));

    EXPECT_EQ(ReadRegularFile(dir / "missing", bytes), FileRead::Missing);
    EXPECT_EQ(ReadRegularFile(dir / "nofolder\\missing", bytes), FileRead::Missing);
    EXPECT_EQ(ReadRegularFile(folder, bytes), FileRead::Failed);
    EXPECT_TRUE(CanOpenForReading(path));
    EXPECT_FALSE(CanOpenForReading(folder));
    EXPECT_FALSE(CanOpenForReading(dir / "missing"));
}

// LoadSettings on the file beside the program: the test program's folder.
class WindowsSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = ReadRegularFile(file_, savedBytes_) == FileRead::Ok;
        testsupport::WriteFile(dir_.path() + "\\song.wav", "RIFF");
    }
    void TearDown() override {
        if (saved_) {
            testsupport::WriteFile(file_, savedBytes_);
        } else {
            DeleteFileA(file_.c_str());
        }
    }
    void Load(const std::optional<std::string>& text) {
        DeleteFileA(file_.c_str());
        if (text) {
            testsupport::WriteFile(file_, *text);
        }
        Settings = {7, 7, "stale", "stale"};
        LoadSettings();
    }

    const std::string file_ = SettingsFilePath();
    std::string savedBytes_;
    bool saved_ = false;
    TempDir dir_;
};

TEST_F(WindowsSettings, LoadReadsTheFileBesideTheProgram) {
    const std::string song = dir_.path() + "\\song.wav";
    const std::string k = "[Section]\r\n" + kKindCp + "=";
    const std::string f = "BGM\xCC\xA7\xB2\xD9=";
    const std::string program = platform::ProgramFolder();
    struct Case {
        std::optional<std::string> file;
        std::int16_t kind;
        std::string bgmFile;
        std::string folder;
    };
    const Case cases[] = {
        {std::nullopt, 0, "", program},
        {k + " 2\r\n" + f + song + "\r\n", 2, song, dir_.path()},
        {k + " 2\r\n" + f + song + "\\\r\n", 2, song, dir_.path()},
        {k + " 2\r\n" + f + song + ".gone\r\n", 0, "", program},
        {k + " 1\r\n", 1, "", program},
    };
    for (const Case& c : cases) {
        Load(c.file);
        EXPECT_EQ(Settings.BgmKind, c.kind) << c.file.value_or("no file");
        EXPECT_EQ(Settings.BgmRepeat, 0) << c.file.value_or("no file");
        EXPECT_EQ(Settings.BgmFile, c.bgmFile) << c.file.value_or("no file");
        EXPECT_EQ(Settings.BgmFolder, c.folder) << c.file.value_or("no file");
    }
}

}  // namespace
