// The host's X11 services against a private Xvfb: window look-up by exact title, the foreign
// window watch, and the Linux process helpers.
// gtest first: Xlib's macros (None, Bool) clash with its names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
// clang-format on
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "linux_process.h"
#include "test_support.h"
#include "x11_connection.h"
#include "x11_foreign_window.h"
#include "x11_hidden_window.h"
#include "x11_window_lookup.h"

namespace quillmere {
namespace {

using namespace std::chrono_literals;
using testsupport::WaitUntil;

class X11Test : public ::testing::Test {
  protected:
    void SetUp() override {
        xvfb_ = std::make_unique<testsupport::XvfbServer>();
        Display* display = XOpenDisplay(xvfb_->display().c_str());
        ASSERT_NE(display, nullptr);
        connection_ = std::make_unique<x11::X11Connection>(display);
        // Xlib's own handler ends the process on any error, so an unguarded request on a vanished
        // window fails the test program.
        XSetErrorHandler(nullptr);
    }

    Display* display() const { return connection_->display(); }

    Window MakeWindow(Window parent, bool map = false) {
        const Window window = XCreateSimpleWindow(display(), parent, 0, 0, 40, 30, 0, 0, 0);
        if (map) {
            XMapWindow(display(), window);
        }
        XSync(display(), False);
        return window;
    }

    void SetNetName(Window window, const std::string& title) {
        XChangeProperty(display(), window, XInternAtom(display(), "_NET_WM_NAME", False),
                        XInternAtom(display(), "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()),
                        static_cast<int>(title.size()));
        XSync(display(), False);
    }

    void SetWmName(Window window, const std::string& title) {
        XChangeProperty(display(), window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()),
                        static_cast<int>(title.size()));
        XSync(display(), False);
    }

    void PublishClientList(const std::vector<Window>& windows) {
        std::vector<long> items(windows.begin(), windows.end());
        XChangeProperty(display(), root(), XInternAtom(display(), "_NET_CLIENT_LIST", False),
                        XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(items.data()),
                        static_cast<int>(items.size()));
        XSync(display(), False);
    }

    Window root() const { return DefaultRootWindow(display()); }

    std::unique_ptr<testsupport::XvfbServer> xvfb_;
    std::unique_ptr<x11::X11Connection> connection_;
};

struct TitleCase {
    const char* name;
    bool mapped;
    bool netName;  // else WM_NAME
    std::string stored;
    std::string wanted;
    bool found;
};

TEST_F(X11Test, TopLevelTitleMatchesExactly) {
    const TitleCase cases[] = {
        {"mapped", true, true, "Tormalune_VC", "Tormalune_VC", true},
        {"unmapped", false, true, "Tormalune_Main", "Tormalune_Main", true},
        {"WM_NAME only", false, false, "<Quillmere>", "<Quillmere>", true},
        {"case differs", true, true, "tormalune_vc", "Tormalune_VC", false},
        {"case differs WM_NAME", false, false, "TORMALUNE_MAIN", "Tormalune_Main", false},
        {"longer", true, true, "Tormalune_VC2", "Tormalune_VC", false},
        {"shorter", true, false, "Tormalune_V", "Tormalune_VC", false},
        {"trailing blank", false, true, "Tormalune_Main ", "Tormalune_Main", false},
        {"utf-8", false, true, "海_Main", "海_Main", true},
    };
    for (const auto& c : cases) {
        const Window window = MakeWindow(root(), c.mapped);
        if (c.netName) {
            SetNetName(window, c.stored);
        } else {
            SetWmName(window, c.stored);
        }
        const Window found = x11::FindTopLevelWindow(display(), c.wanted);
        EXPECT_EQ(found, c.found ? window : 0) << c.name;
        EXPECT_EQ(x11::WindowHasTitle(display(), window, c.wanted), c.found) << c.name;
        XDestroyWindow(display(), window);
        XSync(display(), False);
    }
}

TEST_F(X11Test, EitherNameCounts) {
    const Window window = MakeWindow(root());
    SetNetName(window, "Tormalune_VC");
    SetWmName(window, "something else");
    EXPECT_EQ(x11::FindTopLevelWindow(display(), "Tormalune_VC"), window);
    EXPECT_EQ(x11::FindTopLevelWindow(display(), "something else"), window);
    EXPECT_EQ(x11::FindTopLevelWindow(display(), ""), 0u);
}

// Window-manager frames: one level down counts, deeper never; with a published client list the
// list decides instead.
TEST_F(X11Test, FramesAndClientList) {
    const Window frame = MakeWindow(root(), true);
    const Window client = MakeWindow(frame, true);
    const Window inner = MakeWindow(client, true);
    SetNetName(client, "Tormalune_VC");
    SetNetName(inner, "<Quillmere>");
    EXPECT_EQ(x11::FindTopLevelWindow(display(), "Tormalune_VC"), client);
    EXPECT_EQ(x11::FindTopLevelWindow(display(), "<Quillmere>"), 0u);

    const Window listedDeep = MakeWindow(inner);
    SetNetName(listedDeep, "Listed");
    PublishClientList({listedDeep});
    EXPECT_EQ(x11::FindTopLevelWindow(display(), "Listed"), listedDeep);
    // The client list replaces the walk one level down.
    EXPECT_EQ(x11::FindTopLevelWindow(display(), "Tormalune_VC"), 0u);
    // Root's own children are always looked at.
    const Window hidden = MakeWindow(root());
    SetNetName(hidden, "Tormalune_Main");
    EXPECT_EQ(x11::FindTopLevelWindow(display(), "Tormalune_Main"), hidden);
}

TEST_F(X11Test, ClientListNamingAVanishedWindow) {
    const Window gone = MakeWindow(root());
    const Window kept = MakeWindow(MakeWindow(root()));
    SetNetName(kept, "Tormalune_VC");
    PublishClientList({gone, kept});
    XDestroyWindow(display(), gone);
    XSync(display(), False);
    EXPECT_EQ(x11::FindTopLevelWindow(display(), "Tormalune_VC"), kept);
    EXPECT_FALSE(x11::WindowHasTitle(display(), gone, "Tormalune_VC"));
}

// Another client keeps creating and destroying windows during the walks: the look-up skips those
// that vanish and still finds the one that stays.
TEST_F(X11Test, WindowsDestroyedMidWalk) {
    const Window stay = MakeWindow(root());
    SetNetName(stay, "Tormalune_VC");
    std::atomic<bool> stop = false;
    std::atomic<int> churned = 0;
    std::thread churn([&] {
        Display* other = XOpenDisplay(xvfb_->display().c_str());
        ASSERT_NE(other, nullptr);
        while (!stop) {
            std::vector<Window> batch;
            for (int i = 0; i < 20; ++i) {
                const Window w =
                    XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 5, 5, 0, 0, 0);
                XStoreName(other, w, "churn");
                XCreateSimpleWindow(other, w, 0, 0, 2, 2, 0, 0, 0);
                batch.push_back(w);
            }
            XSync(other, False);
            for (const Window w : batch) {
                XDestroyWindow(other, w);
            }
            XSync(other, False);
            ++churned;
        }
        XCloseDisplay(other);
    });
    int lookups = 0;
    while (lookups < 300 || churned < 20) {
        ASSERT_EQ(x11::FindTopLevelWindow(display(), "Tormalune_VC"), stay);
        ASSERT_EQ(x11::FindTopLevelWindow(display(), "missing"), 0u);
        ++lookups;
    }
    stop = true;
    churn.join();
}

TEST_F(X11Test, ForeignWindowSizeAndWatch) {
    const Window host = MakeWindow(root(), true);
    XResizeWindow(display(), host, 152, 112);
    XSync(display(), False);
    const auto size = x11::ForeignWindowSize(display(), host);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 152);
    EXPECT_EQ(size->height, 112);
    EXPECT_FALSE(x11::ForeignWindowSize(display(), 0));
    EXPECT_FALSE(x11::ForeignWindowSize(display(), 1234));

    // The host window belongs to another client, as it does for the real preview.
    Display* owner = XOpenDisplay(xvfb_->display().c_str());
    ASSERT_NE(owner, nullptr);
    const Window foreign =
        XCreateSimpleWindow(owner, DefaultRootWindow(owner), 0, 0, 100, 80, 0, 0, 0);
    XMapWindow(owner, foreign);
    XSync(owner, False);

    std::vector<x11::WindowSize> sizes;
    int destroyed = 0;
    x11::ForeignWindowWatch watch(*connection_, foreign,
                                  {.Resized = [&](x11::WindowSize s) { sizes.push_back(s); },
                                   .Destroyed = [&] { ++destroyed; }});
    ASSERT_TRUE(watch.Start());
    XResizeWindow(owner, foreign, 300, 200);
    XSync(owner, False);
    EXPECT_TRUE(WaitUntil([&] {
        watch.Pump();
        return !sizes.empty() && sizes.back().width == 300 && sizes.back().height == 200;
    }));
    XDestroyWindow(owner, foreign);
    XSync(owner, False);
    EXPECT_TRUE(WaitUntil([&] {
        watch.Pump();
        return destroyed == 1;
    }));
    XCloseDisplay(owner);

    x11::ForeignWindowWatch late(*connection_, foreign, {});
    EXPECT_FALSE(late.Start());
}

// The marker window is found by its title while never mapped, and reports closes from outside.
TEST_F(X11Test, HiddenWindowIsFoundAndReportsCloses) {
    Display* other = XOpenDisplay(xvfb_->display().c_str());
    ASSERT_NE(other, nullptr);
    const auto send = [&](Window target, const char* type, long value) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = target;
        event.xclient.message_type = XInternAtom(other, type, False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = value;
        XSendEvent(other, target, False, NoEventMask, &event);
        XSync(other, False);
    };
    const auto deleteWindow = static_cast<long>(XInternAtom(other, "WM_DELETE_WINDOW", False));
    struct Case {
        const char* name;
        std::function<void(Window)> close;
        bool closes;
    };
    const Case cases[] = {
        {"WM_DELETE_WINDOW", [&](Window w) { send(w, "WM_PROTOCOLS", deleteWindow); }, true},
        {"WM_CLOSE message", [&](Window w) { send(w, "QUILLMERE_WINDOW_MESSAGE", 0x0010); }, true},
        {"destroyed",
         [&](Window w) {
             XDestroyWindow(other, w);
             XSync(other, False);
         },
         true},
        {"other protocol", [&](Window w) { send(w, "WM_PROTOCOLS", 1); }, false},
        {"other message", [&](Window w) { send(w, "QUILLMERE_WINDOW_MESSAGE", 0x0401); }, false},
    };
    for (const auto& c : cases) {
        auto window = x11::HiddenWindow::Create(*connection_, "Tormalune_Main", {2, 1, 0, 0});
        ASSERT_TRUE(window) << c.name;
        int closes = 0;
        window->OnClose([&] { ++closes; });
        EXPECT_TRUE(WaitUntil([&] {
            return x11::FindTopLevelWindow(other, "Tormalune_Main") == window->id();
        })) << c.name;
        XWindowAttributes attributes{};
        ASSERT_NE(XGetWindowAttributes(other, window->id(), &attributes), 0);
        EXPECT_EQ(attributes.map_state, IsUnmapped) << c.name;

        c.close(window->id());
        if (c.closes) {
            EXPECT_TRUE(WaitUntil([&] {
                window->Pump();
                return closes == 1;
            })) << c.name;
        } else {
            XSync(display(), False);
            window->Pump();
            EXPECT_EQ(closes, 0) << c.name;
        }
    }
    XCloseDisplay(other);
}

TEST(LinuxProcessTest, ProgramFolderIsTheExecutablesFolder) {
    EXPECT_EQ(std::filesystem::canonical(platform::ProgramFolder()),
              std::filesystem::canonical(QUILLMERE_BIN_DIR));
}

TEST(LinuxProcessTest, ProcessRunningUntilEnded) {
    EXPECT_TRUE(platform::ProcessRunning(::getpid()));
    EXPECT_FALSE(platform::ProcessRunning(0));
    EXPECT_FALSE(platform::ProcessRunning(-1));
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    // Ended but not yet reaped: a zombie no longer runs.
    EXPECT_TRUE(WaitUntil([&] { return !platform::ProcessRunning(child); }));
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(platform::ProcessRunning(child));
}

}  // namespace
}  // namespace quillmere
