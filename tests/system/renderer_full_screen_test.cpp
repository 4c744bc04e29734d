// The full-screen run on any display: every monitor covered with or without a 640 x 480 mode,
// the mode back after the renderer dies abnormally, quick Escape taps, pacing where the swap
// does not wait, and the cursor hidden only over the saver's own windows.
#include "renderer_fixture.h"

// After gtest (through the fixture): X.h defines None, which gtest uses as a name.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace rendertest {
namespace {

using testsupport::ScreenMode;
using testsupport::WindowInfo;

constexpr ScreenMode kLargeMode{1024, 768, 1024, 768};
constexpr ScreenMode kSmallMode{640, 480, 640, 480};

struct Rect {
    int x, y, width, height;
    bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.width << "x" << r.height << "+" << r.x << "+" << r.y;
}

Rect RectOf(const WindowInfo& info) {
    return {info.x, info.y, info.width, info.height};
}

// A mapped white window over the whole screen standing in for the desktop, watched for how much
// of it shows.
class Desktop {
  public:
    explicit Desktop(Display* display) : display_(display) {
        const int screen = DefaultScreen(display);
        window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0,
                                      static_cast<unsigned int>(DisplayWidth(display, screen)),
                                      static_cast<unsigned int>(DisplayHeight(display, screen)), 0,
                                      0, WhitePixel(display, screen));
        XSelectInput(display, window_, VisibilityChangeMask);
        XMapWindow(display, window_);
        XSync(display, False);
    }
    // True once the server reports that no part of it can be seen.
    bool WaitHidden() {
        return testsupport::WaitUntil(
            [&] {
                XEvent event;
                while (XCheckTypedWindowEvent(display_, window_, VisibilityNotify, &event)) {
                    state_ = event.xvisibility.state;
                }
                return state_ == VisibilityFullyObscured;
            },
            30s);
    }

  private:
    Display* display_;
    Window window_ = 0;
    int state_ = VisibilityUnobscured;
};

// A second client that defines RandR monitors and stays connected while they are in use.
class MonitorClient {
  public:
    explicit MonitorClient(const std::string& display) : client_(display) {}
    // A monitor named name; withOutput puts the screen's only output in it (replacing the
    // monitor the server makes for that output).
    void Set(const char* name, Rect rect, bool primary, bool withOutput) {
        Display* d = client_.get();
        const Window root = DefaultRootWindow(d);
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(d, root);
        XRRMonitorInfo* monitor = XRRAllocateMonitor(d, withOutput ? 1 : 0);
        monitor->name = XInternAtom(d, name, False);
        monitor->x = rect.x;
        monitor->y = rect.y;
        monitor->width = rect.width;
        monitor->height = rect.height;
        monitor->mwidth = rect.width / 4;
        monitor->mheight = rect.height / 4;
        monitor->primary = primary ? True : False;
        if (withOutput) {
            monitor->outputs[0] = resources->outputs[0];
        }
        XRRSetMonitor(d, root, monitor);
        XSync(d, False);
        XRRFreeMonitors(monitor);
        XRRFreeScreenResources(resources);
    }
    void Remove(const char* name) {
        Display* d = client_.get();
        XRRDeleteMonitor(d, DefaultRootWindow(d), XInternAtom(d, name, False));
        XSync(d, False);
    }

  private:
    testsupport::XClient client_;
};

class FullScreenTest : public RendererTest {
  protected:
    Window Root() const { return DefaultRootWindow(x()); }

    // Viewable override-redirect windows on the screen other than the scene window: the covers.
    std::vector<Rect> Covers(Window scene) {
        std::vector<Rect> covers;
        for (Window w : testsupport::Children(x(), Root())) {
            auto info = testsupport::GetWindowInfo(x(), w);
            if (w != scene && info && info->viewable && info->overrideRedirect) {
                covers.push_back(RectOf(*info));
            }
        }
        return covers;
    }

    // True once the scene window sits at scene and exactly the given covers show.
    bool WaitForLayout(Window window, Rect scene, std::vector<Rect> covers) {
        const bool placed = testsupport::WaitUntil(
            [&] {
                auto info = testsupport::GetWindowInfo(x(), window);
                return info && RectOf(*info) == scene && Covers(window) == covers;
            },
            30s);
        auto info = testsupport::GetWindowInfo(x(), window);
        EXPECT_TRUE(placed) << "scene " << (info ? RectOf(*info) : Rect{}) << ", "
                            << Covers(window).size() << " covers";
        return placed;
    }

    // The scene window has drawn a whole frame at its current size: its corners show the scene,
    // not the black of a new window nor the white the scene clears to.
    bool WaitForSceneAt(Window window, Rect scene) {
        return WaitForCapture(window, [&](const Capture& c) {
            if (c.width != scene.width || c.height != scene.height) {
                return false;
            }
            for (const auto& [px, py] : {std::pair{2, 2},
                                         {c.width - 3, 2},
                                         {2, c.height - 3},
                                         {c.width - 3, c.height - 3}}) {
                const Rgb& p = c.at(px, py);
                if (p.r + p.g + p.b <= 30 || (p.r == 255 && p.g == 255 && p.b == 255)) {
                    return false;
                }
            }
            return true;
        });
    }

    // Pixels of the whole screen as it shows now that are pure white (the desktop's colour,
    // which the untextured scene never draws), and that are not black inside rect.
    std::pair<int, int> WhiteAndNonBlack(Rect rect) {
        auto screen = testsupport::CaptureWindow(x(), Root());
        EXPECT_TRUE(screen);
        int white = 0;
        int notBlack = 0;
        for (int y = 0; screen && y < screen->height; ++y) {
            for (int px = 0; px < screen->width; ++px) {
                const Rgb& p = screen->at(px, y);
                white += p.r == 255 && p.g == 255 && p.b == 255;
                const bool inside = px >= rect.x && px < rect.x + rect.width && y >= rect.y &&
                                    y < rect.y + rect.height;
                notBlack += inside && p.r + p.g + p.b != 0;
            }
        }
        return {white, notBlack};
    }

    // True while the pointer, moved to (px, py), shows no cursor image at all.
    bool CursorInvisibleAt(int px, int py) {
        XTestFakeMotionEvent(x(), DefaultScreen(x()), px, py, CurrentTime);
        XSync(x(), False);
        XFixesCursorImage* image = XFixesGetCursorImage(x());
        if (image == nullptr) {
            ADD_FAILURE() << "no cursor image";
            return false;
        }
        bool invisible = true;
        for (int i = 0; i < image->width * image->height; ++i) {
            invisible = invisible && (image->pixels[i] >> 24) == 0;
        }
        XFree(image);
        return invisible;
    }

    // The switched-mode property on the root window, empty when there is none.
    std::vector<long> SwitchedModeProperty() {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::vector<long> values;
        if (XGetWindowProperty(x(), Root(), XInternAtom(x(), "QUILLMERE_SWITCHED_MODE", False), 0,
                               16, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            data != nullptr && format == 32) {
            const long* longs = reinterpret_cast<const long*>(data);
            values.assign(longs, longs + count);
        }
        if (data != nullptr) {
            XFree(data);
        }
        return values;
    }
};

TEST_F(FullScreenTest, ScreenWithoutTheModeIsCoveredAtItsOwnSize) {
    StartServer("1280x1024x16");
    Desktop desktop(x());
    StartRenderer();
    const Window window = WaitForWindow();
    ASSERT_NE(window, 0u);
    auto info = testsupport::GetWindowInfo(x(), window);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->overrideRedirect);
    EXPECT_EQ(RectOf(*info), (Rect{0, 0, 1280, 1024}));
    EXPECT_TRUE(Covers(window).empty());
    // The scene fills the window: the projection follows its size.
    ASSERT_TRUE(WaitForSceneAt(window, {0, 0, 1280, 1024}));
    EXPECT_TRUE(desktop.WaitHidden());
    EXPECT_EQ(WhiteAndNonBlack({}).first, 0);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), (ScreenMode{1280, 1024, 1280, 1024}));
    EXPECT_TRUE(CursorInvisibleAt(640, 512));

    EXPECT_EQ(PressEscapeUntilExit(), 0);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), (ScreenMode{1280, 1024, 1280, 1024}));
}

// Two monitors side by side on one screen: the scene on the primary one, black on the other,
// the cursor gone over both; when the monitors change during the run, the windows follow.
TEST_F(FullScreenTest, EveryMonitorIsCoveredAndTheCoverFollowsChanges) {
    StartServer("2560x1024x16");
    Desktop desktop(x());
    MonitorClient monitors(server_->display());
    const Rect left{0, 0, 1280, 1024};
    const Rect right{1280, 0, 1280, 1024};
    monitors.Set("LEFT", left, false, true);
    monitors.Set("RIGHT", right, true, false);
    StartRenderer();
    const Window window = WaitForWindow();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(WaitForLayout(window, right, {left}));
    ASSERT_TRUE(WaitForSceneAt(window, right));
    EXPECT_TRUE(desktop.WaitHidden());
    const auto [white, notBlack] = WhiteAndNonBlack(left);
    EXPECT_EQ(white, 0);
    EXPECT_EQ(notBlack, 0);
    EXPECT_TRUE(CursorInvisibleAt(1920, 512));
    EXPECT_TRUE(CursorInvisibleAt(640, 512));

    // The right monitor goes: the scene moves to the one left, and no cover is needed.
    monitors.Remove("RIGHT");
    ASSERT_TRUE(WaitForLayout(window, left, {}));
    ASSERT_TRUE(WaitForSceneAt(window, left));
    // No monitor left but the one the server makes for the whole screen.
    monitors.Remove("LEFT");
    ASSERT_TRUE(WaitForLayout(window, {0, 0, 2560, 1024}, {}));
    ASSERT_TRUE(WaitForSceneAt(window, {0, 0, 2560, 1024}));
    EXPECT_EQ(WhiteAndNonBlack({}).first, 0);

    EXPECT_EQ(PressEscapeUntilExit(), 0);
    EXPECT_TRUE(Covers(0).empty());
}

// The windowed form (after 0x0401) shows the pointer: the cursor was never hidden screen-wide.
TEST_F(FullScreenTest, WindowedRunShowsThePointer) {
    StartServer();
    StartRenderer();
    const Window fullScreen = WaitForWindow();
    ASSERT_TRUE(WaitForFrame(fullScreen));
    EXPECT_TRUE(CursorInvisibleAt(320, 240));
    testsupport::SendWindowMessage(x(), fullScreen, kSwitchMode);
    const Window windowed = WaitForWindow(fullScreen);
    ASSERT_TRUE(WaitForFrame(windowed));
    auto info = testsupport::GetWindowInfo(x(), windowed);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->overrideRedirect);
    EXPECT_FALSE(CursorInvisibleAt(info->x + 100, info->y + 100));
    testsupport::SendWindowMessage(x(), windowed, kWmClose);
    EXPECT_EQ(renderer_->Wait(30s), 0);
}

// What cannot be undone by the renderer's normal way out: it dies of a fatal signal, or its X
// connection is killed. The mode comes back all the same, and the switched-mode property goes.
TEST_F(FullScreenTest, ModeComesBackWhenTheRendererDiesAbnormally) {
    // Fatal signals still write a core where the limit allows; not in the test's folder.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    StartServer("1024x768x16");
    ASSERT_TRUE(testsupport::AddOutputMode(x(), 640, 480));
    struct Case {
        const char* name;
        int signal;  // 0: XKillClient
        int exitCode;
    };
    for (const Case& c : {Case{"SIGSEGV", SIGSEGV, 128 + SIGSEGV},
                          Case{"SIGABRT", SIGABRT, 128 + SIGABRT}, Case{"XKillClient", 0, 0}}) {
        SCOPED_TRACE(c.name);
        StartRenderer();
        const Window window = WaitForWindow();
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(WaitForFrame(window));
        ASSERT_EQ(testsupport::CurrentScreenMode(x()), kSmallMode);
        // The renderer's process id and the configuration time of its switch.
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(x(), Root());
        ASSERT_NE(resources, nullptr);
        const std::vector<long> expected{static_cast<long>(renderer_->pid()),
                                         static_cast<long>(resources->timestamp)};
        XRRFreeScreenResources(resources);
        EXPECT_EQ(SwitchedModeProperty(), expected);

        if (c.signal != 0) {
            renderer_->Signal(c.signal);
        } else {
            XKillClient(x(), window);
            XSync(x(), False);
        }
        EXPECT_EQ(renderer_->Wait(30s), c.exitCode);
        EXPECT_TRUE(testsupport::WaitUntil(
            [&] { return testsupport::CurrentScreenMode(x()) == kLargeMode; }, 10s));
        EXPECT_TRUE(testsupport::WaitUntil([&] { return SwitchedModeProperty().empty(); }, 10s));
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] { return testsupport::FindWindowsByTitle(x(), kTitle).empty(); }, 30s));
    }
}

// A tap as xdotool sends it (press and release about 12 ms apart, often between two frames)
// ends the run every time.
TEST_F(FullScreenTest, ShortEscapeTapsEndTheRunEveryTime) {
    StartServer();
    for (int run = 1; run <= 10; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        StartRenderer();
        const Window window = WaitForWindow();
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(WaitForFrame(window));
        testsupport::ChildProcess tap("/usr/bin/xdotool", {"key", "Escape"},
                                      {{"DISPLAY", server_->display()}});
        EXPECT_EQ(tap.Wait(30s), 0);
        ASSERT_EQ(renderer_->Wait(30s), 0);
    }
}

// Swap control listed and set, but swaps that do not wait: the renderer notices and paces the
// frames itself, so the scene never races. Load only ever lowers the rate measured here.
TEST_F(FullScreenTest, SwapsThatDoNotWaitArePacedToTheRefresh) {
    StartServer();
    const std::string countFile = home_ / "swaps.txt";
    StartRenderer({{"LD_PRELOAD", QUILLMERE_SWAP_SHIM}, {"QUILLMERE_TEST_SWAP_COUNT", countFile}});
    const Window window = WaitForWindow();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(WaitForFrame(window));
    auto swaps = [&] {
        const auto bytes = testsupport::ReadFileBytes(countFile);
        return std::atol(std::string(bytes.begin(), bytes.end()).c_str());
    };
    // Past the first swaps, which tell whether the swap waits.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return swaps() >= 40; }, 30s));
    const long first = swaps();
    const auto start = std::chrono::steady_clock::now();
    testsupport::WaitUntil([] { return false; }, 2s);
    const long last = swaps();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = static_cast<double>(last - first) / seconds;
    // Xvfb's modes have no timings: 60 Hz.
    EXPECT_LE(rate, 60.0 * 1.25) << last - first << " swaps in " << seconds << " s";
    EXPECT_GT(last, first);
    EXPECT_EQ(PressEscapeUntilExit(), 0);
}

}  // namespace
}  // namespace rendertest
