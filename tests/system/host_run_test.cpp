// The full-screen run with the real host and renderer: textures, the renderer's start and end,
// the single-instance guard during a run, closing the hidden window, a missing renderer.
#include <sys/stat.h>

#include "host_fixture.h"

namespace hosttest {
namespace {

using testsupport::ReadFileBytes;

// A 24-bit, bottom-up, uncompressed 256 x 256 file with a 40-byte header and all its pixels.
void ExpectTextureFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    const std::optional<BmpHeader> header = ReadBmpHeader(bytes);
    ASSERT_TRUE(header) << path;
    EXPECT_EQ(header->infoSize, 40u) << path;
    EXPECT_EQ(header->width, 256) << path;
    EXPECT_EQ(header->height, 256) << path;  // positive: rows bottom-up
    EXPECT_EQ(header->planes, 1) << path;
    EXPECT_EQ(header->bitsPerPixel, 24) << path;
    EXPECT_EQ(header->compression, 0u) << path;
    EXPECT_EQ(header->dataOffset, 54u) << path;
    EXPECT_EQ(bytes.size(), 54u + 256u * 256u * 3u) << path;
    EXPECT_EQ(header->fileSize, bytes.size()) << path;
}

// The pictures are grey-toned and differ from each other: the right picture went to each file.
void ExpectThreeGreyPictures(const HostEnvironment& env) {
    std::vector<std::vector<std::uint8_t>> pixels;
    for (int n = 1; n <= 3; ++n) {
        const auto bytes = ReadFileBytes(env.TexturePath(n));
        ASSERT_GT(bytes.size(), 54u);
        pixels.emplace_back(bytes.begin() + 54, bytes.end());
        int coloured = 0;
        for (std::size_t i = 0; i + 2 < pixels.back().size(); i += 3) {
            const auto& p = pixels.back();
            coloured += std::abs(p[i] - p[i + 1]) > 12 || std::abs(p[i + 1] - p[i + 2]) > 12;
        }
        EXPECT_LT(coloured, 100) << "texture " << n;
    }
    EXPECT_NE(pixels[0], pixels[1]);
    EXPECT_NE(pixels[1], pixels[2]);
}

TEST_F(HostSystemTest, FullRunWritesTexturesAndEndsAfterEscape) {
    auto host = StartHost({"/s"}, *env_);
    ASSERT_NE(WaitForWindow(kRendererTitle), 0u) << "the renderer's window never appeared";
    for (int n = 1; n <= 3; ++n) {
        ExpectTextureFile(env_->TexturePath(n));
    }
    ExpectThreeGreyPictures(*env_);
    struct stat folder {};
    ASSERT_EQ(::stat(env_->TextureFolder().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_TRUE(host->running());

    // The renderer ends on Escape; its window goes, and the host follows by itself.
    EXPECT_TRUE(HoldEscapeUntil([&] { return !host->running(); }));
    EXPECT_EQ(host->Wait(), 0);
    EXPECT_TRUE(WindowGone(kRendererTitle));
    EXPECT_TRUE(WindowGone(kSaverTitle));
}

// Every start during a run ends at once and creates, reads and writes nothing.
TEST_F(HostSystemTest, SecondStartDuringRunTouchesNothing) {
    auto first = StartHost({"/s"}, *env_);
    ASSERT_NE(WaitForWindow(kRendererTitle), 0u);
    ASSERT_NE(WaitForWindow(kSaverTitle), 0u);
    const Window previewHost = MakeWindow(152, 112, true, PixelOf(255, 0, 255));

    const std::vector<std::vector<std::string>> commandLines = {
        {"/s"}, {"/p", std::to_string(previewHost)}, {"/c"}, {}, {"/a"}, {"-S"}};
    for (const auto& args : commandLines) {
        const std::string shown = args.empty() ? "(empty)" : args.front();
        HostEnvironment fresh(display());
        auto second = StartHost(args, fresh);
        EXPECT_EQ(second->Wait(), 0) << shown;
        EXPECT_FALSE(testsupport::PathExists(fresh.CacheFolder())) << shown;
        EXPECT_FALSE(testsupport::PathExists(fresh.ConfigFolder())) << shown;
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        XQueryTree(x(), previewHost, &root, &parent, &children, &count);
        if (children != nullptr) {
            XFree(children);
        }
        EXPECT_EQ(count, 0u) << "a preview appeared for " << shown;
    }
    EXPECT_TRUE(first->running());
    EXPECT_TRUE(HoldEscapeUntil([&] { return !first->running(); }));
    EXPECT_EQ(first->Wait(), 0);
}

enum class CloseBy { DeleteWindow, CloseMessage, Destroy };

// A close of the hidden window from outside runs the shutdown and ends the host; the renderer is
// left running. (A termination request to the host ends the renderer too: host_end_test.)
TEST_F(HostSystemTest, ClosingTheHiddenWindowLeavesTheRenderer) {
    const std::pair<CloseBy, const char*> ways[] = {{CloseBy::DeleteWindow, "WM_DELETE_WINDOW"},
                                                    {CloseBy::CloseMessage, "WM_CLOSE message"},
                                                    {CloseBy::Destroy, "XDestroyWindow"}};
    for (const auto& [how, name] : ways) {
        auto host = StartHost({"/s"}, *env_);
        const Window renderer = WaitForWindow(kRendererTitle);
        const Window saver = WaitForWindow(kSaverTitle);
        ASSERT_NE(renderer, 0u) << name;
        ASSERT_NE(saver, 0u) << name;
        // The saver window is never shown.
        const auto info = testsupport::GetWindowInfo(x(), saver);
        ASSERT_TRUE(info);
        EXPECT_FALSE(info->viewable) << name;

        switch (how) {
            case CloseBy::DeleteWindow:
                testsupport::SendDeleteWindow(x(), saver);
                break;
            case CloseBy::CloseMessage:
                testsupport::SendWindowMessage(x(), saver, 0x0010);
                break;
            case CloseBy::Destroy:
                XDestroyWindow(x(), saver);
                XSync(x(), False);
                break;
        }
        EXPECT_EQ(host->Wait(), 0) << name;
        EXPECT_TRUE(WindowGone(kSaverTitle)) << name;
        EXPECT_NE(testsupport::FindWindowByTitle(x(), kRendererTitle), 0u)
            << name << ": the renderer was ended";

        testsupport::SendDeleteWindow(x(), renderer);
        EXPECT_TRUE(WindowGone(kRendererTitle)) << name;
        EndRenderers();
    }
}

struct MissingCase {
    const char* name;
    std::function<void(const std::string& folder)> prepare;
    const char* report;
};

// Without a renderer that can start, the host ends by itself after writing the textures, and
// says so with a failure code.
TEST_F(HostSystemTest, RendererMissingOrNotExecutable) {
    const MissingCase cases[] = {
        {"missing", [](const std::string&) {}, "cannot start the renderer"},
        {"not executable",
         [](const std::string& folder) {
             std::filesystem::copy_file(BinDir() + "/Quillmere.dll", folder + "/Quillmere.dll");
             ::chmod((folder + "/Quillmere.dll").c_str(), 0644);
         },
         "cannot start the renderer"},
        {"a folder",
         [](const std::string& folder) {
             std::filesystem::create_directory(folder + "/Quillmere.dll");
         },
         "cannot start the renderer"},
        {"ends without a window",
         [](const std::string& folder) {
             testsupport::WriteFile(folder + "/Quillmere.dll", "#!/bin/sh\nexit 0\n");
             ::chmod((folder + "/Quillmere.dll").c_str(), 0755);
         },
         "ended without opening its window"},
    };
    for (const auto& c : cases) {
        const std::string folder = HostWithoutRenderer();
        std::error_code ignored;
        std::filesystem::remove_all(folder + "/Quillmere.dll", ignored);
        c.prepare(folder);
        HostEnvironment env(display());
        auto host = StartHost({"/s"}, env, folder);
        EXPECT_EQ(host->Wait(), 1) << c.name;
        const auto errors = ReadFileBytes(env.home() + "/host-stderr.txt");
        EXPECT_NE(std::string(errors.begin(), errors.end()).find(c.report), std::string::npos)
            << c.name;
        for (int n = 1; n <= 3; ++n) {
            ExpectTextureFile(env.TexturePath(n));
        }
        EXPECT_TRUE(WindowGone(kRendererTitle)) << c.name;
    }
}

struct FolderCase {
    const char* name;
    std::function<void(const HostEnvironment&)> prepare;
    std::function<void(const HostEnvironment&)> check;
};

// A texture folder in a bad state costs textures, never the run, and nothing outside is touched.
TEST_F(HostSystemTest, TextureFolderInTheWay) {
    const std::string victim = scratch_ / "victim.txt";
    const FolderCase cases[] = {
        {"folder is a file",
         [](const HostEnvironment& env) {
             std::filesystem::create_directories(env.CacheFolder());
             testsupport::WriteFile(env.TextureFolder(), "not a folder");
         },
         [](const HostEnvironment& env) {
             EXPECT_EQ(ReadFileBytes(env.TextureFolder()).size(), 12u);
         }},
        {"link planted at a texture name",
         [&](const HostEnvironment& env) {
             testsupport::WriteFile(victim, "keep me");
             std::filesystem::create_directories(env.TextureFolder());
             std::filesystem::create_symlink(victim, env.TexturePath(1));
         },
         [&](const HostEnvironment& env) {
             EXPECT_EQ(ReadFileBytes(victim).size(), 7u);
             EXPECT_FALSE(std::filesystem::is_symlink(env.TexturePath(1)));
             ExpectTextureFile(env.TexturePath(1));
         }},
    };
    for (const auto& c : cases) {
        HostEnvironment env(display());
        c.prepare(env);
        auto host = StartHost({"/s"}, env);
        // The run goes on: the renderer starts all the same.
        EXPECT_NE(WaitForWindow(kRendererTitle), 0u) << c.name;
        EXPECT_TRUE(HoldEscapeUntil([&] { return !host->running(); })) << c.name;
        EXPECT_EQ(host->Wait(), 0) << c.name;
        EXPECT_TRUE(WindowGone(kSaverTitle)) << c.name;
        c.check(env);
        EXPECT_TRUE(WindowGone(kRendererTitle)) << c.name;
    }
}

}  // namespace
}  // namespace hosttest
