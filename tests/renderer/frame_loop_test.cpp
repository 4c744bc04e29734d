// The frame's loop, pump and window procedure, driven through a scripted platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "frame.h"
#include "frame_fake_platform.h"

namespace quillmere {
namespace {

using testing::FakePlatform;
using testing::RecordingScene;

struct Harness {
    FakePlatform platform;
    RecordingScene scene;
    std::vector<std::pair<int, int>> viewports;
    RendererFrame frame{platform, scene, [this](int w, int h) { viewports.emplace_back(w, h); }};

    int Run() { return frame.RunRenderer(nullptr); }
};

// Ends the run from outside after the given number of frames, so a broken rule cannot hang.
void CloseAfter(Harness& h, int frames) {
    auto previous = h.platform.onIdle;
    h.platform.onIdle = [previous, frames](FakePlatform& p, int frame) {
        if (previous) {
            previous(p, frame);
        }
        if (frame == frames) {
            p.Send(kWmClose);
        }
    };
}

// A tap shorter than a frame (press and release between two frames) is seen down by exactly
// one frame, so a quick Escape still ends the run; a key pressed again before that frame stays
// down.
TEST(FrameLoop, KeyTapsBetweenFramesAreSeenByOneFrame) {
    struct Case {
        const char* name;
        int key;
        std::vector<std::uint32_t> messages;  // sent between frames 2 and 3
        int framesDrawn;                      // before the run ended
        std::vector<std::int32_t> seen;       // the key's flag at each frame's clock advance
    };
    const std::vector<Case> cases = {
        {"Escape tap", kVkEscape, {kWmKeyDown, kWmKeyUp}, 3, {0, 0, 1}},
        {"A tap", 'A', {kWmKeyDown, kWmKeyUp}, 6, {0, 0, 1, 0, 0, 0}},
        {"A tap, then held", 'A', {kWmKeyDown, kWmKeyUp, kWmKeyDown}, 6, {0, 0, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.scene.watchedKey = c.key;
        h.platform.onIdle = [&c](FakePlatform& p, int frame) {
            if (frame == 2) {
                for (std::uint32_t message : c.messages) {
                    p.Send(message, static_cast<std::uintptr_t>(c.key));
                }
            }
        };
        CloseAfter(h, 6);
        EXPECT_EQ(h.Run(), 0);
        EXPECT_EQ(h.platform.framesSwapped, c.framesDrawn);
        EXPECT_EQ(h.scene.watchedValues, c.seen);
    }
}

TEST(FrameLoop, EscapeHeldAtAFrameEndsTheRunAndRestoresTheDisplay) {
    Harness h;
    h.platform.onIdle = [](FakePlatform& p, int frame) {
        if (frame == 3) {
            p.Send(kWmKeyDown, kVkEscape);
        }
    };
    CloseAfter(h, 50);  // safety net
    EXPECT_EQ(h.Run(), 0);
    // The frame during which Escape was seen is still presented, then the pump ends.
    EXPECT_EQ(h.platform.framesSwapped, 4);
    EXPECT_EQ(h.scene.starts, 1);
    EXPECT_EQ(h.scene.stops, 1);
    EXPECT_EQ(h.platform.Count("RestoreDisplayMode"), 1);
    EXPECT_EQ(h.platform.Count("ShowCursor"), 1);
    EXPECT_EQ(h.platform.Count("HideCursor"), 1);
    EXPECT_EQ(h.platform.calls.back(), "UnregisterRenderClass");
    EXPECT_FALSE(h.frame.keepRunning());
}

TEST(FrameLoop, QuitFromOutsideReopensWithSceneRestartedAndClockRunningOn) {
    Harness h;
    h.platform.onIdle = [](FakePlatform& p, int frame) {
        p.tick += 16;
        if (frame == 3 && p.windowsCreated == 1) {
            p.Send(kWmQuit);
        }
    };
    CloseAfter(h, 8);
    EXPECT_EQ(h.Run(), 0);
    EXPECT_EQ(h.platform.windowsCreated, 2);
    EXPECT_EQ(h.scene.starts, 2);
    EXPECT_EQ(h.scene.stops, 2);
    EXPECT_EQ(h.platform.Count("ChangeDisplayMode"), 2);  // same mode again
    EXPECT_EQ(h.platform.lastStyle, WindowStyle::Popup);
    // Every frame, in both windows, advanced the clock by the time since the previous one.
    ASSERT_EQ(h.scene.deltas.size(), 8u);
    for (std::uint32_t d : h.scene.deltas) {
        EXPECT_LE(d, 32u);
    }
}

TEST(FrameLoop, SwitchModeMessageFlipsBetweenFullScreenAndWindowed) {
    Harness h;
    std::vector<WindowStyle> styles;
    h.platform.onIdle = [&styles](FakePlatform& p, int frame) {
        if (frame == 2 * static_cast<int>(styles.size()) + 1 && styles.size() < 3) {
            styles.push_back(p.lastStyle);
            p.Send(kSwitchModeMessage);
        }
    };
    CloseAfter(h, 9);
    EXPECT_EQ(h.Run(), 0);
    ASSERT_EQ(styles.size(), 3u);
    EXPECT_EQ(styles[0], WindowStyle::Popup);
    EXPECT_EQ(styles[1], WindowStyle::Overlapped);
    EXPECT_EQ(styles[2], WindowStyle::Popup);
    EXPECT_EQ(h.platform.windowsCreated, 4);
    // Each full-screen window was undone on its close; the windowed one needed a frame.
    EXPECT_EQ(h.platform.Count("RestoreDisplayMode"), 2);
    EXPECT_EQ(h.platform.Count("AdjustWindowRect"), 2);
    // The switch message still reaches default handling.
    EXPECT_NE(std::find(h.platform.defaultHandled.begin(), h.platform.defaultHandled.end(),
                        std::make_pair(kSwitchModeMessage, std::uintptr_t{0})),
              h.platform.defaultHandled.end());
}

TEST(FrameLoop, MinimisedDrawsNothingAndRestoreGetsTheWholeDelta) {
    Harness h;
    h.platform.onIdle = [](FakePlatform& p, int frame) {
        p.tick += 10;
        if (frame == 2 && p.waits == 0) {
            p.Send(kWmSize, kSizeMinimized);
        }
        if (p.waits == 3) {
            p.tick += 5000;
            p.Send(kWmSize, kSizeRestored, MakeSizeParam(320, 200));
        }
    };
    CloseAfter(h, 4);
    EXPECT_EQ(h.Run(), 0);
    EXPECT_EQ(h.platform.waits, 3);
    ASSERT_EQ(h.scene.deltas.size(), 4u);
    EXPECT_GE(h.scene.deltas[2], 5000u);
    EXPECT_EQ(h.viewports.back(), std::make_pair(320, 200));
}

TEST(FrameLoop, TickDifferencesWrapAround) {
    Harness h;
    h.platform.tick = 0xFFFFFFF0u;
    h.platform.onIdle = [](FakePlatform& p, int) { p.tick += 0x20; };
    CloseAfter(h, 2);
    h.Run();
    ASSERT_GE(h.scene.deltas.size(), 1u);
    EXPECT_EQ(h.scene.deltas[0], 0x20u);
}

// Full screen covers the main monitor where it is, in the switched mode or, where the display
// refuses the mode, at the monitor's own size; the viewport follows the window.
TEST(FrameLoop, FullScreenCoversTheMainMonitorWithOrWithoutTheMode) {
    struct Case {
        const char* name;
        bool refused;
        ScreenRect monitor;
    };
    for (const Case& c : {Case{"switched", false, {1280, 0, 640, 480}},
                          Case{"refused", true, {0, 0, 1280, 1024}}}) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.platform.failDisplayMode = c.refused;
        h.platform.monitorRect = c.monitor;
        CloseAfter(h, 1);
        EXPECT_EQ(h.Run(), 0);
        EXPECT_EQ(h.platform.lastStyle, WindowStyle::Popup);
        EXPECT_TRUE(h.platform.lastTopmost);
        EXPECT_EQ(h.platform.lastRect, c.monitor);
        ASSERT_FALSE(h.viewports.empty());
        EXPECT_EQ(h.viewports.front(), std::make_pair(c.monitor.width, c.monitor.height));
        EXPECT_EQ(h.platform.Count("AdjustWindowRect"), 0);
        EXPECT_EQ(h.platform.Count("HideCursor"), 1);
        EXPECT_EQ(h.platform.Count("ShowCursor"), 1);
        // Only a mode this window switched is switched back.
        EXPECT_EQ(h.platform.Count("RestoreDisplayMode"), c.refused ? 0 : 1);
        EXPECT_TRUE(h.frame.wantFullScreen());
    }
}

// Drawing inside another program's window: the scene takes that window's size and follows it,
// and nothing of the display is touched, not even by the mode-switch message.
TEST(FrameLoop, EmbeddedRunDrawsAtTheGivenWindowsSizeAndLeavesTheDisplayAlone) {
    Harness h;
    h.platform.onIdle = [](FakePlatform& p, int frame) {
        if (frame == 2 && p.windowsCreated == 1) {
            p.Send(kWmSize, kSizeRestored, MakeSizeParam(320, 240));
            p.Send(kSwitchModeMessage);
        }
    };
    CloseAfter(h, 5);
    EXPECT_EQ(h.frame.RunRenderer(nullptr, 55), 0);
    EXPECT_EQ(h.platform.windowsCreated, 2);
    EXPECT_EQ(h.platform.lastStyle, WindowStyle::Embedded);
    EXPECT_EQ(h.platform.lastEmbedIn, 55u);
    EXPECT_FALSE(h.platform.lastTopmost);
    EXPECT_EQ(h.platform.lastRect, (ScreenRect{0, 0, 200, 150}));
    const std::vector<std::pair<int, int>> viewports = {{200, 150}, {320, 240}, {200, 150}};
    EXPECT_EQ(h.viewports, viewports);
    for (const char* call : {"ChangeDisplayMode", "RestoreDisplayMode", "HideCursor", "ShowCursor",
                             "FullScreenRect", "AdjustWindowRect"}) {
        EXPECT_EQ(h.platform.Count(call), 0) << call;
    }

    // A window that is gone before the scene could open in it ends the run.
    Harness gone;
    gone.platform.embedRect = {};
    EXPECT_EQ(gone.frame.RunRenderer(nullptr, 55), 0);
    EXPECT_EQ(gone.platform.Count("CreateRenderWindow"), 0);
    EXPECT_EQ(gone.scene.starts, 0);
}

TEST(FrameLoop, RegistrationFailureEndsWithMinusOne) {
    Harness h;
    h.platform.failRegister = true;
    EXPECT_EQ(h.Run(), -1);
    EXPECT_EQ(h.platform.Count("CreateRenderWindow"), 0);
}

TEST(FrameLoop, StartSceneFailureSkipsThePumpButClosesEverything) {
    Harness h;
    h.scene.startResult = false;
    EXPECT_EQ(h.Run(), 0);
    EXPECT_EQ(h.scene.frames, 0);
    EXPECT_EQ(h.scene.stops, 1);
    EXPECT_EQ(h.platform.Count("DestroyRenderWindow"), 1);
    EXPECT_EQ(h.platform.Count("RestoreDisplayMode"), 1);
}

// Each failing step releases exactly what was acquired before it, in reverse order.
TEST(FrameLoop, OpenFailuresReleaseInReverseOrder) {
    struct Case {
        const char* name;
        bool FakePlatform::*flag;
        std::vector<std::string> tail;  // calls after the failing one
    };
    const std::vector<Case> cases = {
        {"window", &FakePlatform::failCreateWindow, {"UnregisterRenderClass"}},
        {"device context",
         &FakePlatform::failDeviceContext,
         {"DestroyRenderWindow", "UnregisterRenderClass"}},
        {"pixel format",
         &FakePlatform::failPixelFormat,
         {"ReleaseDeviceContext", "DestroyRenderWindow", "UnregisterRenderClass"}},
        {"context",
         &FakePlatform::failCreateContext,
         {"ReleaseDeviceContext", "DestroyRenderWindow", "UnregisterRenderClass"}},
        {"make current",
         &FakePlatform::failMakeCurrent,
         {"DeleteGLContext", "ReleaseDeviceContext", "DestroyRenderWindow",
          "UnregisterRenderClass"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.platform.*(c.flag) = true;
        EXPECT_EQ(h.Run(), 0);
        EXPECT_EQ(h.scene.starts, 0);
        ASSERT_GE(h.platform.calls.size(), c.tail.size());
        std::vector<std::string> tail(h.platform.calls.end() - static_cast<long>(c.tail.size()),
                                      h.platform.calls.end());
        EXPECT_EQ(tail, c.tail);
        // The switched mode is not switched back after a failed open.
        EXPECT_EQ(h.platform.Count("RestoreDisplayMode"), 0);
    }
}

TEST(FrameLoop, CloseMessageEndsTheRun) {
    Harness h;
    CloseAfter(h, 2);
    EXPECT_EQ(h.Run(), 0);
    EXPECT_EQ(h.platform.windowsCreated, 1);
    EXPECT_FALSE(h.frame.keepRunning());
}

TEST(FrameLoop, KeyFlagsAreClearedWhenAWindowOpens) {
    Harness h;
    h.platform.onIdle = [](FakePlatform& p, int frame) {
        if (frame == 1 && p.windowsCreated == 1) {
            p.Send(kWmKeyDown, 'A');
            p.Send(kWmQuit);
        }
    };
    CloseAfter(h, 3);
    h.Run();
    EXPECT_EQ(h.platform.windowsCreated, 2);
    EXPECT_EQ(h.frame.keyState().flags['A'], 0);
}

class WindowProcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Open one window so the procedure has its RenderWindow, then stop inside the pump.
        h.platform.onIdle = [this](FakePlatform&, int frame) {
            if (frame == 1 && check) {
                check();
                check = nullptr;
            }
        };
        CloseAfter(h, 2);
    }
    std::intptr_t Proc(std::uint32_t m, std::uintptr_t w, std::intptr_t l = 0) {
        return h.frame.RenderWindowProc(h.platform.lastWindow, m, w, l);
    }
    Harness h;
    std::function<void()> check;
};

TEST_F(WindowProcTest, SystemCommandsAreSwallowedOnlyForTheExactValues) {
    const std::vector<std::pair<std::uintptr_t, bool>> cases = {
        {0xF140, true},  {0xF170, true},  {0xF141, false},
        {0xF14F, false}, {0xF171, false}, {0xF060, false},
    };
    check = [&] {
        for (auto [command, swallowed] : cases) {
            h.platform.defaultHandled.clear();
            Proc(kWmSysCommand, command);
            EXPECT_EQ(h.platform.defaultHandled.empty(), swallowed) << std::hex << command;
        }
    };
    h.Run();
    EXPECT_EQ(check, nullptr);
}

TEST_F(WindowProcTest, KeyCodesAbove255ChangeNoFlagAndGetDefaultHandling) {
    check = [&] {
        KeyState before = h.frame.keyState();
        for (std::uintptr_t code : {256u, 300u, 0x1008FF11u}) {
            h.platform.defaultHandled.clear();
            Proc(kWmKeyDown, code);
            Proc(kWmKeyUp, code);
            EXPECT_EQ(h.platform.defaultHandled.size(), 2u);
        }
        EXPECT_EQ(h.frame.keyState().flags, before.flags);
        Proc(kWmKeyDown, 255);
        EXPECT_EQ(h.frame.keyState().flags[255], 1);
    };
    h.Run();
    EXPECT_EQ(check, nullptr);
}

TEST_F(WindowProcTest, SizeMessagesOtherThanRestoreMaximiseMinimiseGetDefaultHandling) {
    check = [&] {
        h.platform.defaultHandled.clear();
        Proc(kWmSize, 3, MakeSizeParam(10, 10));  // SIZE_MAXSHOW
        EXPECT_EQ(h.platform.defaultHandled.size(), 1u);
        Proc(kWmSize, kSizeMaximized, MakeSizeParam(800, 0));
        EXPECT_EQ(h.viewports.back(), std::make_pair(800, 0));
        EXPECT_TRUE(h.frame.renderWindow().visible);
    };
    h.Run();
    EXPECT_EQ(check, nullptr);
}

}  // namespace
}  // namespace quillmere
