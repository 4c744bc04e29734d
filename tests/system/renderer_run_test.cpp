// The renderer program end to end: its window, the display mode, every way a run ends, window
// re-opens and the texture layers.
#include "renderer_fixture.h"

// After gtest (through the fixture): X.h defines None, which gtest uses as a name.
#include <X11/Xutil.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

namespace rendertest {
namespace {

using testsupport::ScreenMode;

constexpr ScreenMode kLargeMode{1024, 768, 1024, 768};
constexpr ScreenMode kSmallMode{640, 480, 640, 480};

TEST_F(RendererTest, FullScreenWindowOnA640x480Screen) {
    StartServer();
    WriteTextures();
    StartRenderer();
    const Window window = WaitForWindow();
    ASSERT_NE(window, 0u);

    auto info = testsupport::GetWindowInfo(x(), window);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->x, 0);
    EXPECT_EQ(info->y, 0);
    EXPECT_EQ(info->width, 640);
    EXPECT_EQ(info->height, 480);
    EXPECT_TRUE(info->overrideRedirect);
    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(x(), window, &hint));
    EXPECT_STREQ(hint.res_class, "OpenGL");
    XFree(hint.res_name);
    XFree(hint.res_class);
    // Exact title only: the look-up is case-sensitive, as the host's is.
    EXPECT_EQ(testsupport::FindWindowByTitle(x(), "tormalune_vc"), 0u);

    auto frame = WaitForFrame(window);
    ASSERT_TRUE(frame);
    EXPECT_GT(UpperDetail(*frame), kTexturedDetail);
    EXPECT_GT(LowerDetail(*frame), kTexturedDetail);

    EXPECT_EQ(PressEscapeUntilExit(), 0);
    EXPECT_EQ(Stderr(), "");
}

// Threads of the running renderer whose name starts with prefix.
int ThreadsNamed(pid_t pid, const std::string& prefix) {
    int count = 0;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        const auto bytes = testsupport::ReadFileBytes(task.path() / "comm");
        if (std::string(bytes.begin(), bytes.end()).rfind(prefix, 0) == 0) {
            ++count;
        }
    }
    return count;
}

// Paced frames keep Mesa's software rasterizer to one worker thread; a user's own choice of
// LP_NUM_THREADS stands. Skipped where another GL driver draws.
TEST_F(RendererTest, PacedRunUsesOneSoftwareRasterizerWorkerUnlessTheUserChose) {
    StartServer();
    WriteTextures();
    const std::pair<std::string, int> cases[] = {{"", 1}, {"2", 2}};
    for (const auto& [setting, workers] : cases) {
        SCOPED_TRACE("LP_NUM_THREADS=" + setting);
        StartRenderer({{"LP_NUM_THREADS", setting}});
        const Window window = WaitForWindow();
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(WaitForFrame(window));
        const int found = ThreadsNamed(renderer_->pid(), "llvmpipe-");
        if (found == 0 && setting.empty()) {
            EXPECT_EQ(PressEscapeUntilExit(), 0);
            GTEST_SKIP() << "the GL driver is not llvmpipe";
        }
        EXPECT_EQ(found, workers);
        EXPECT_EQ(PressEscapeUntilExit(), 0);
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] { return testsupport::FindWindowsByTitle(x(), kTitle).empty(); }, 30s));
    }
}

TEST_F(RendererTest, UntexturedWithoutFiles) {
    StartServer();
    StartRenderer();
    const Window window = WaitForWindow();
    auto frame = WaitForFrame(window);
    ASSERT_TRUE(frame);
    EXPECT_LT(UpperDetail(*frame), kSmoothDetail);
    EXPECT_LT(LowerDetail(*frame), kSmoothDetail);
    EXPECT_LT(SeaDetail(*frame), kSmoothDetail);
    EXPECT_TRUE(renderer_->running());
    EXPECT_EQ(PressEscapeUntilExit(), 0);
}

TEST_F(RendererTest, SwitchesToListedModeAndRestoresItOnEscape) {
    StartServer("1024x768x16");
    ASSERT_EQ(testsupport::CurrentScreenMode(x()), kLargeMode);
    ASSERT_TRUE(testsupport::AddOutputMode(x(), 640, 480));
    StartRenderer();
    const Window window = WaitForWindow();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), kSmallMode);
    auto info = testsupport::GetWindowInfo(x(), window);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 640);
    EXPECT_EQ(info->height, 480);
    EXPECT_TRUE(info->overrideRedirect);
    ASSERT_TRUE(WaitForFrame(window));

    EXPECT_EQ(PressEscapeUntilExit(), 0);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), kLargeMode);
}

TEST_F(RendererTest, CloseRequestsFromOtherProcessesEndTheRun) {
    enum class Request { DeleteWindow, CloseMessage, CloseCommand };
    StartServer();
    for (const Request request :
         {Request::DeleteWindow, Request::CloseMessage, Request::CloseCommand}) {
        StartRenderer();
        const Window window = WaitForWindow();
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(WaitForFrame(window));
        switch (request) {
            case Request::DeleteWindow:
                testsupport::SendDeleteWindow(x(), window);
                break;
            case Request::CloseMessage:
                testsupport::SendWindowMessage(x(), window, kWmClose);
                break;
            case Request::CloseCommand:
                // Default handling of the close command, low bits and all.
                testsupport::SendWindowMessage(x(), window, kWmSysCommand, 0xF063);
                break;
        }
        EXPECT_EQ(renderer_->Wait(30s), 0) << static_cast<int>(request);
    }
}

TEST_F(RendererTest, HiddenWindowRestoredByAnotherClientDrawsAndTakesKeysAgain) {
    StartServer();
    StartRenderer();
    const Window window = WaitForWindow();
    ASSERT_NE(window, 0u);
    auto frame = WaitForFrame(window);
    ASSERT_TRUE(frame);
    // A screen-saver request is swallowed; the run goes on.
    testsupport::SendWindowMessage(x(), window, kWmSysCommand, 0xF140);

    // What a window manager does to iconify and restore it.
    XUnmapWindow(x(), window);
    XSync(x(), False);
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        auto info = testsupport::GetWindowInfo(x(), window);
        return info && !info->viewable;
    }));
    XMapRaised(x(), window);
    XSync(x(), False);
    ASSERT_TRUE(WaitForNewFrame(window, *frame));
    EXPECT_TRUE(renderer_->running());
    // The keyboard grab came back with the window.
    EXPECT_EQ(PressEscapeUntilExit(), 0);
}

TEST_F(RendererTest, QuitMessageReopensTheWindowWithTexturesKept) {
    StartServer();
    WriteTextures();
    StartRenderer();
    const Window first = WaitForWindow();
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(WaitForFrame(first));
    // The files go away: the new window must get its textures without reading them again.
    std::filesystem::remove_all(TextureFolder());

    testsupport::SendWindowMessage(x(), first, kWmQuit);
    const Window second = WaitForWindow(first);
    ASSERT_NE(second, 0u);
    EXPECT_TRUE(renderer_->running());
    EXPECT_TRUE(testsupport::FindWindowsByTitle(x(), kTitle) == std::vector<Window>{second});
    auto frame = WaitForFrame(second);
    ASSERT_TRUE(frame);
    EXPECT_GT(UpperDetail(*frame), kTexturedDetail);
    EXPECT_GT(LowerDetail(*frame), kTexturedDetail);

    EXPECT_EQ(PressEscapeUntilExit(), 0);
}

TEST_F(RendererTest, SwitchModeMessageGoesWindowedAndBack) {
    StartServer("1024x768x16");
    ASSERT_TRUE(testsupport::AddOutputMode(x(), 640, 480));
    StartRenderer();
    const Window fullScreen = WaitForWindow();
    ASSERT_NE(fullScreen, 0u);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), kSmallMode);

    testsupport::SendWindowMessage(x(), fullScreen, kSwitchMode);
    const Window windowed = WaitForWindow(fullScreen);
    ASSERT_NE(windowed, 0u);
    auto info = testsupport::GetWindowInfo(x(), windowed);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->overrideRedirect);
    EXPECT_EQ(info->width, 640);
    EXPECT_EQ(info->height, 480);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), kLargeMode);
    ASSERT_TRUE(WaitForFrame(windowed));

    testsupport::SendWindowMessage(x(), windowed, kSwitchMode);
    const Window again = WaitForWindow(windowed);
    ASSERT_NE(again, 0u);
    info = testsupport::GetWindowInfo(x(), again);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->overrideRedirect);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), kSmallMode);
    ASSERT_TRUE(WaitForFrame(again));

    EXPECT_EQ(PressEscapeUntilExit(), 0);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), kLargeMode);
}

TEST_F(RendererTest, TerminationSignalsRestoreTheModeAndExitZero) {
    StartServer("1024x768x16");
    ASSERT_TRUE(testsupport::AddOutputMode(x(), 640, 480));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        StartRenderer();
        const Window window = WaitForWindow();
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(WaitForFrame(window));
        ASSERT_EQ(testsupport::CurrentScreenMode(x()), kSmallMode);
        renderer_->Signal(signal);
        EXPECT_EQ(renderer_->Wait(30s), 0) << signal;
        EXPECT_EQ(testsupport::CurrentScreenMode(x()), kLargeMode) << signal;
        // Its window is gone, not just hidden.
        EXPECT_TRUE(testsupport::FindWindowsByTitle(x(), kTitle).empty());
    }
}

TEST_F(RendererTest, SecondSignalEndsAtOnceAndStillRestoresTheMode) {
    StartServer("1024x768x16");
    ASSERT_TRUE(testsupport::AddOutputMode(x(), 640, 480));
    StartRenderer();
    const Window window = WaitForWindow();
    ASSERT_TRUE(WaitForFrame(window));
    ASSERT_EQ(testsupport::CurrentScreenMode(x()), kSmallMode);
    // Two different signals: two of one kind may merge into one while pending.
    renderer_->Signal(SIGTERM);
    renderer_->Signal(SIGINT);
    EXPECT_EQ(renderer_->Wait(30s), 0);
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return testsupport::CurrentScreenMode(x()) == kLargeMode; }, 10s));
}

TEST_F(RendererTest, WithoutADisplayOneLineAndExitZero) {
    testsupport::ChildProcess renderer(std::string(QUILLMERE_BIN_DIR) + "/Quillmere.dll", {},
                                       {{"DISPLAY", ""}, {"HOME", home_.path()}},
                                       home_ / "stderr.txt");
    EXPECT_EQ(renderer.Wait(30s), 0);
    const std::string text = Stderr();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("Quillmere.dll: cannot open the X display"), std::string::npos) << text;
}

TEST_F(RendererTest, ServerGoingAwayEndsTheRunQuietly) {
    StartServer();
    StartRenderer();
    const Window window = WaitForWindow();
    ASSERT_TRUE(WaitForFrame(window));
    x_.reset();
    server_.reset();
    EXPECT_EQ(renderer_->Wait(30s), 0);
    const std::string text = Stderr();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

}  // namespace
}  // namespace rendertest
