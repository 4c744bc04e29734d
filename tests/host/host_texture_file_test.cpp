// Replacing a texture file: whole or not at all, and never through a planted link.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <string>

#include "test_support.h"
#include "texture_file.h"

namespace quillmere {
namespace {

using testsupport::PathExists;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFile;

std::string ReadText(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Only the named entry may be there afterwards: no temporary file is left behind.
std::size_t EntryCount(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

TEST(TextureFileTest, CreatesAndReplaces) {
    TempDir dir;
    ASSERT_TRUE(ReplaceFileAtomically(dir.path(), "Tormalune1.bmp", "first"));
    EXPECT_EQ(ReadText(dir / "Tormalune1.bmp"), "first");
    ASSERT_TRUE(ReplaceFileAtomically(dir.path(), "Tormalune1.bmp", std::string(300000, 'x')));
    EXPECT_EQ(ReadText(dir / "Tormalune1.bmp"), std::string(300000, 'x'));
    EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(TextureFileTest, PlantedLinkIsReplacedNotFollowed) {
    TempDir dir;
    const std::string victim = dir / "victim";
    WriteFile(victim, "keep me");
    std::filesystem::create_directory(dir / "q_vorn");
    std::filesystem::create_symlink(victim, dir / "q_vorn/Tormalune2.bmp");
    // A link to a place that does not exist yet must not create it either.
    std::filesystem::create_symlink(dir / "created", dir / "q_vorn/Tormalune3.bmp");

    ASSERT_TRUE(ReplaceFileAtomically(dir / "q_vorn", "Tormalune2.bmp", "texture"));
    ASSERT_TRUE(ReplaceFileAtomically(dir / "q_vorn", "Tormalune3.bmp", "texture"));
    EXPECT_EQ(ReadText(victim), "keep me");
    EXPECT_FALSE(PathExists(dir / "created"));
    for (const char* name : {"q_vorn/Tormalune2.bmp", "q_vorn/Tormalune3.bmp"}) {
        EXPECT_FALSE(std::filesystem::is_symlink(dir / name)) << name;
        EXPECT_EQ(ReadText(dir / name), "texture") << name;
    }
}

struct FailureCase {
    const char* name;
    std::function<void(const TempDir&)> prepare;
    std::string folder;
    bool rootDefeats;  // root writes anyway
};

// A write that cannot happen fails cleanly: false, the old entry kept, no temporary file.
TEST(TextureFileTest, FailuresLeaveNothingBehind) {
    const FailureCase cases[] = {
        {"folder is a file", [](const TempDir& d) { WriteFile(d / "q_vorn", "a file"); }, "q_vorn",
         false},
        {"folder missing", [](const TempDir&) {}, "q_vorn", false},
        {"name taken by a folder",
         [](const TempDir& d) {
             std::filesystem::create_directories(d / "q_vorn/Tormalune1.bmp/inside");
         },
         "q_vorn", false},
#ifndef _WIN32
        // Permission bits are POSIX's.
        {"folder not writable",
         [](const TempDir& d) {
             std::filesystem::create_directory(d / "q_vorn");
             WriteFile(d / "q_vorn/Tormalune1.bmp", "old");
             ::chmod((d / "q_vorn").c_str(), 0500);
         },
         "q_vorn", true},
#endif
    };
    for (const auto& c : cases) {
#ifndef _WIN32
        if (c.rootDefeats && ::geteuid() == 0) {
            continue;  // permissions do not bind root
        }
#endif
        TempDir dir;
        c.prepare(dir);
        const std::string folder = dir / c.folder;
        const bool wasFolder = std::filesystem::is_directory(folder);
        const std::size_t entries = wasFolder ? EntryCount(folder) : 0;
        EXPECT_FALSE(ReplaceFileAtomically(folder, "Tormalune1.bmp", "new")) << c.name;
        if (wasFolder) {
            EXPECT_EQ(EntryCount(folder), entries) << c.name;
        }
        if (std::filesystem::is_regular_file(folder + "/Tormalune1.bmp")) {
            EXPECT_EQ(ReadText(folder + "/Tormalune1.bmp"), "old") << c.name;
        }
    }
}

}  // namespace
}  // namespace quillmere
