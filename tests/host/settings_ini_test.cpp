#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "file_writing.h"
#include "ini_file.h"
#include "last_api_result.h"
#include "test_support.h"

namespace {

using quillmere::CreateFolderWithParents;
using quillmere::LastApiResult;
using quillmere::ReadIniString;
using quillmere::ReadIniValue;
using quillmere::SetIniValue;
using quillmere::WriteIniString;
using testsupport::TempDir;

// The key names as the original platform writes them (CP932).
const std::string kKindCp = "BGM\x8B\xE6\x95\xAA";
const std::string kRepeatCp = "BGM\xD8\xCB\xDF\xB0\xC4";
const std::string kFileCp = "BGM\xCC\xA7\xB2\xD9";
const std::string kBom = "\xEF\xBB\xBF";

std::string FileText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = testsupport::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

[[maybe_unused]] std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

struct ReadCase {
    const char* what;
    std::string file;
    std::string key;
    std::string expected;
};

TEST(IniRead, FollowsTheProfileRules) {
    const std::string longA(300, 'a');
    const ReadCase cases[] = {
        {"CRLF, sign-reserving number", "[Section]\r\n" + kKindCp + "= 2\r\n", "BGM区分", "2"},
        {"no section", kKindCp + "=2\n", "BGM区分", ""},
        {"keys before any section", kKindCp + "=1\n[Section]\n" + kKindCp + "=2\n", "BGM区分", "2"},
        {"names ignore ASCII case and blanks", "  [ sECTION ]  \n  bgm\x8B\xE6\x95\xAA  =  7  \n",
         "BGM区分", "7"},
        {"trail byte is not folded", "[Section]\nBGM\x83\x41=1\n", "BGMヂ", ""},
        {"lead+trail pair matches", "[Section]\nbgm\x83\x41=1\n", "BGMア", "1"},
        {"first key wins", "[Section]\nK=1\nK=2\n", "K", "1"},
        {"first section wins", "[Section]\nK=1\n[Section]\nK=2\n", "K", "1"},
        {"key only in a later duplicate is not read",
         "[Section]\nX=1\n[Other]\nK=9\n[section]\nK=2\n", "K", ""},
        {"lone CR ends lines", "[Section]\r" + kKindCp + "=1\r" + kFileCp + "=/a.mp3\r", "BGM区分",
         "1"},
        {"lone CR before a key", "[Other]\rK=9\r[Section]\rK=2", "K", "2"},
        {"lone CR ends a section header", "[Section]\rK=4\n", "K", "4"},
        {"other section only", "[Other]\nK=9\n", "K", ""},
        {"comment is no key", "[Section]\n;K=5\nK=6\n", "K", "6"},
        {"line without '='", "[Section]\nK\n", "K", ""},
        {"quotes dropped", "[Section]\nK=\"/a b.mp3\"\n", "K", "/a b.mp3"},
        {"CP932 value", "[Section]\n" + kFileCp + "=/\x89\xB9\x8A\x79/\x8B\xC8 1.mp3\n", "BGMﾌｧｲﾙ",
         "/音楽/曲 1.mp3"},
        {"UTF-8 file with mark", kBom + "[Section]\r\nBGMﾌｧｲﾙ=/音楽/曲.mp3\r\n", "BGMﾌｧｲﾙ",
         "/音楽/曲.mp3"},
        {"CP932 key in a UTF-8 file", kBom + "[Section]\n" + kKindCp + "=2\n", "BGM区分", ""},
        {"garbage and NUL bytes", std::string("\0\xFF\x80x\n[Section]\nK=4\0junk\n", 24), "K", "4"},
        {"not CP932: bytes kept", "[Section]\nK=\x80\xFF\n", "K", "\x80\xFF"},
        {"marked value", "[Section]\nK=" + kBom + "/m%25/x%0Ay%20\n", "K", "/m%/x\ny "},
        {"cut at 255 bytes", "[Section]\nK=" + longA + "\n", "K", longA.substr(0, 255)},
        {"cut keeps CP932 pairs whole", "[Section]\nK=" + longA.substr(0, 254) + "\x89\xB9\n", "K",
         longA.substr(0, 254)},
        {"cut keeps UTF-8 whole", kBom + "[Section]\nK=" + longA.substr(0, 254) + "音\n", "K",
         longA.substr(0, 254)},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(ReadIniValue(c.file, "Section", c.key), c.expected) << c.what;
    }
}

TEST(IniWrite, ValuesComeBackUnchanged) {
    const std::string values[] = {
        "",
        "/home/u/音楽/曲 1.mp3",
        "/home/u/ﾊﾝｶｸ/a.wav",
        "/home/u/😀/a.mp3",           // CP932 lacks it
        "/home/u/\xC2\xAC.mp3",      // U+00AC would read back as U+FFE2
        "/home/u/\xFF\xFE\x80.mp3",  // not UTF-8 at all
        "/tmp/a\nb\r\tc",
        "/tmp/trailing  ",
        "'/quoted'",
        "100% sure",
        kBom + "/starts with the mark",
    };
    for (const std::string& fileStart : {std::string(), kBom}) {
        for (const std::string& value : values) {
            const std::optional<std::string> file =
                SetIniValue(fileStart + "[Section]\nA=1\n", "Section", "BGMﾌｧｲﾙ", value);
            ASSERT_TRUE(file.has_value()) << value;
            EXPECT_EQ(ReadIniValue(*file, "Section", "BGMﾌｧｲﾙ"), value) << value;
            EXPECT_EQ(ReadIniValue(*file, "Section", "A"), "1") << value;
            EXPECT_EQ(std::count(file->begin(), file->end(), '\n'), 3) << value;
        }
    }
}

TEST(IniWrite, LeadingSpacesAreSkippedAndTheRestComesBack) {
    const std::pair<std::string, std::string> cases[] = {
        {" 2", "2"},
        {"   ", ""},
        {"  'abc'", "'abc'"},
        {" \"/a b.mp3\"", "\"/a b.mp3\""},
        {"  /x\ty ", "/x\ty "},
        {" " + kBom + "x", kBom + "x"},
    };
    for (const std::string& fileStart : {std::string(), kBom}) {
        for (const auto& [value, reads] : cases) {
            const std::optional<std::string> file =
                SetIniValue(fileStart + "[Section]\n", "Section", "K", value);
            ASSERT_TRUE(file.has_value()) << value;
            EXPECT_EQ(ReadIniValue(*file, "Section", "K"), reads) << value;
        }
    }
}

TEST(IniWrite, StoresTheOriginalBytes) {
    EXPECT_EQ(SetIniValue("", "Section", "BGM区分", " 2"), "[Section]\r\n" + kKindCp + "= 2\r\n");
    EXPECT_EQ(SetIniValue("", "Section", "BGMﾘﾋﾟｰﾄ", "-3"),
              "[Section]\r\n" + kRepeatCp + "=-3\r\n");
    EXPECT_EQ(SetIniValue("", "Section", "BGMﾌｧｲﾙ", "/音楽"),
              "[Section]\r\n" + kFileCp + "=/\x89\xB9\x8A\x79\r\n");
    EXPECT_EQ(SetIniValue(kBom, "Section", "BGMﾌｧｲﾙ", "/音楽"),
              kBom + "[Section]\r\nBGMﾌｧｲﾙ=/音楽\r\n");
}

struct KeepCase {
    const char* what;
    std::string before;
    std::string key;
    std::string after;
};

TEST(IniWrite, KeepsEverythingElseByteForByte) {
    const std::string head = "; note\r\n[Other]\r\nx = 1\r\n\r\n[section]\r\n";
    const std::string tail = "\r\n[Tail]\r\ny=2";
    const KeepCase cases[] = {
        {"update keeps the line's prefix and ending",
         head + kKindCp + " = 1\r\n" + kFileCp + "=/old\r\n" + tail, "BGM区分",
         head + kKindCp + " =9\r\n" + kFileCp + "=/old\r\n" + tail},
        {"new key goes after the section's last line, with CRLF", head + kKindCp + "=1\r\n" + tail,
         "BGMﾘﾋﾟｰﾄ", head + kKindCp + "=1\r\n" + kRepeatCp + "=9\r\n" + tail},
        {"update of a last line without ending", "[Section]\n" + kKindCp + "=1", "BGM区分",
         "[Section]\n" + kKindCp + "=9"},
        {"new key after a last line without ending", "[Section]\nA=1", "BGM区分",
         "[Section]\nA=1\n" + kKindCp + "=9\n"},
        {"new section at the end", "a=1\n\n[Other]\nb=2", "BGM区分",
         "a=1\n\n[Other]\nb=2\n[Section]\n" + kKindCp + "=9\n"},
        {"garbage kept", std::string("\0\xFF\n", 3), "BGM区分",
         std::string("\0\xFF\n[Section]\n", 13) + kKindCp + "=9\n"},
        {"lone CR endings kept and used", "[Section]\rA=1\r[Other]\rb=2\r", "BGM区分",
         "[Section]\rA=1\r" + kKindCp + "=9\r[Other]\rb=2\r"},
        {"new key goes to the first of two sections, which reads search",
         "[Section]\nA=1\n[SECTION]\n" + kKindCp + "=1\n", "BGM区分",
         "[Section]\nA=1\n" + kKindCp + "=9\n[SECTION]\n" + kKindCp + "=1\n"},
        {"update in the first of two sections",
         "[Section]\n" + kKindCp + "=1\n[Section]\n" + kKindCp + "=2\n", "BGM区分",
         "[Section]\n" + kKindCp + "=9\n[Section]\n" + kKindCp + "=2\n"},
    };
    for (const KeepCase& c : cases) {
        EXPECT_EQ(SetIniValue(c.before, "Section", c.key, "9"), c.after) << c.what;
    }
}

TEST(IniWrite, RefusesNamesThatWouldNotReadBack) {
    for (const char* key : {"", "a=b", "a\nb", " a", ";a", "[a"}) {
        EXPECT_FALSE(SetIniValue("", "Section", key, "1").has_value()) << key;
    }
    EXPECT_FALSE(SetIniValue("", "Sec\ntion", "K", "1").has_value());
    EXPECT_FALSE(SetIniValue("", "Section", "😀", "1").has_value());  // not in CP932
}

class IniFileTest : public ::testing::Test {
  protected:
    TempDir dir_;
    std::string folder_ = dir_ / "config/Quillmere";
    std::string file_ = folder_ + "/Quillmere.ini";
};

// Our own INI code's files and POSIX folders. On Windows ReadIniString and WriteIniString are the
// profile functions, and folders have no permission bits: tests/windows/settings_win32_test.cpp.
#ifndef _WIN32
TEST(FileWritingTest, CreateFolderWithParents) {
    testsupport::TempDir dir;
    const std::string nested = dir / "cache/deeper/q_vorn";
    EXPECT_TRUE(CreateFolderWithParents(nested, 0700));
    struct stat info {};
    ASSERT_EQ(::stat(nested.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(CreateFolderWithParents(nested, 0700));  // exists: fine

    testsupport::WriteFile(dir / "file", "x");
    EXPECT_FALSE(CreateFolderWithParents(dir / "file", 0700));
    EXPECT_FALSE(CreateFolderWithParents(dir / "file/sub", 0700));
    EXPECT_FALSE(CreateFolderWithParents("", 0700));
}

TEST_F(IniFileTest, FirstWriteCreatesFolderAndFileAtomically) {
    EXPECT_EQ(ReadIniString("Section", "BGM区分", file_), "");
    LastApiResult = 0;
    EXPECT_EQ(WriteIniString("Section", "BGM区分", " 2", file_), "");
    EXPECT_NE(LastApiResult, 0);
    WriteIniString("Section", "BGMﾌｧｲﾙ", "/音楽/a.mp3", file_);
    EXPECT_NE(LastApiResult, 0);
    EXPECT_EQ(FileText(file_),
              "[Section]\r\n" + kKindCp + "= 2\r\n" + kFileCp + "=/\x89\xB9\x8A\x79/a.mp3\r\n");
    EXPECT_EQ(ReadIniString("Section", "BGM区分", file_), "2");
    struct stat info {};
    ASSERT_EQ(stat(folder_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"Quillmere.ini"});
}

TEST_F(IniFileTest, WriteThroughSymbolicLinkUpdatesTarget) {
    std::filesystem::create_directories(folder_);
    testsupport::WriteFile(dir_ / "real.ini", "[Section]\r\nA=1\r\n");
    std::filesystem::create_symlink(dir_ / "real.ini", file_);
    WriteIniString("Section", "BGM区分", " 1", file_);
    EXPECT_NE(LastApiResult, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(file_));
    EXPECT_EQ(FileText(dir_ / "real.ini"), "[Section]\r\nA=1\r\n" + kKindCp + "= 1\r\n");
}

#endif

TEST_F(IniFileTest, FailedWritesAreQuietAndLoseNothing) {
    // A folder where the file should be, and a file where the folder should be.
    std::filesystem::create_directories(file_);
    LastApiResult = 1;
    EXPECT_EQ(WriteIniString("Section", "K", "1", file_), "");
    EXPECT_EQ(LastApiResult, 0);
    EXPECT_EQ(ReadIniString("Section", "K", file_), "");
    testsupport::WriteFile(dir_ / "plain", "x");
    LastApiResult = 1;
    WriteIniString("Section", "K", "1", dir_ / "plain/Quillmere.ini");
    EXPECT_EQ(LastApiResult, 0);
    EXPECT_EQ(FileText(dir_ / "plain"), "x");
}

// Permission bits and FIFOs are POSIX's.
#ifndef _WIN32
TEST_F(IniFileTest, ReadOnlyFolderKeepsOldFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    std::filesystem::create_directories(folder_);
    testsupport::WriteFile(file_, "[Section]\nK=old\n");
    ASSERT_EQ(chmod(folder_.c_str(), 0500), 0);
    LastApiResult = 1;
    WriteIniString("Section", "K", "new", file_);
    EXPECT_EQ(LastApiResult, 0);
    EXPECT_EQ(FileText(file_), "[Section]\nK=old\n");
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"Quillmere.ini"});
}

TEST_F(IniFileTest, FifoInPlaceOfTheFileDoesNotHang) {
    std::filesystem::create_directories(folder_);
    ASSERT_EQ(mkfifo(file_.c_str(), 0600), 0);
    EXPECT_EQ(ReadIniString("Section", "K", file_), "");
    LastApiResult = 1;
    WriteIniString("Section", "K", "1", file_);
    EXPECT_EQ(LastApiResult, 0);
}
#endif

}  // namespace
