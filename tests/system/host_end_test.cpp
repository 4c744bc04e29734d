// How a full-screen run ends from outside, with the real host and renderer on a 1024 x 768 screen
// that also lists a 640 x 480 mode: termination requests to the host, a renderer killed outright,
// and two starts at the same instant.
#include "host_fixture.h"

// After gtest (through the fixture): X.h defines None, which gtest uses as a name.
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

namespace hosttest {
namespace {

using testsupport::ScreenMode;

constexpr ScreenMode kLargeMode{1024, 768, 1024, 768};
constexpr ScreenMode kSmallMode{640, 480, 640, 480};
constexpr ScreenMode kOtherMode{800, 600, 800, 600};
constexpr const char* kMarkName = "QUILLMERE_SWITCHED_MODE";

struct Mark {
    unsigned long pid = 0;
    unsigned long timestamp = 0;
};

std::optional<Mark> ReadMark(Display* display) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, kMarkName, False),
                       0, 2, False, XA_CARDINAL, &type, &format, &count, &after, &data);
    std::optional<Mark> mark;
    if (type == XA_CARDINAL && format == 32 && count == 2) {
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        mark = Mark{items[0], items[1]};
    }
    if (data != nullptr) {
        XFree(data);
    }
    return mark;
}

void WriteMark(Display* display, const Mark& mark) {
    const long items[2] = {static_cast<long>(mark.pid), static_cast<long>(mark.timestamp)};
    XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, kMarkName, False),
                    XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(items),
                    2);
    XSync(display, False);
}

unsigned long ConfigTimestamp(Display* display) {
    XRRScreenResources* resources =
        XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    const unsigned long timestamp = resources->timestamp;
    XRRFreeScreenResources(resources);
    return timestamp;
}

// What a user's own xrandr call does: the screen takes the size of a listed mode and the first
// CRTC shows it.
bool SwitchScreenTo(Display* display, int width, int height) {
    const Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    RRMode mode = 0;
    for (int i = 0; i < resources->nmode; ++i) {
        if (static_cast<int>(resources->modes[i].width) == width &&
            static_cast<int>(resources->modes[i].height) == height) {
            mode = resources->modes[i].id;
        }
    }
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[0]);
    XGrabServer(display);
    XRRSetCrtcConfig(display, resources, resources->crtcs[0], CurrentTime, 0, 0, None, RR_Rotate_0,
                     nullptr, 0);
    XRRSetScreenSize(display, root, width, height, width / 4, height / 4);
    const Status status = XRRSetCrtcConfig(display, resources, resources->crtcs[0], CurrentTime, 0,
                                           0, mode, RR_Rotate_0, crtc->outputs, crtc->noutput);
    XUngrabServer(display);
    XSync(display, False);
    XRRFreeCrtcInfo(crtc);
    XRRFreeScreenResources(resources);
    return mode != 0 && status == RRSetConfigSuccess;
}

// Gone, or ended and not yet reaped by whoever adopted it.
bool ProcessEnded(pid_t pid) {
    const auto stat = testsupport::ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
    const std::string text(stat.begin(), stat.end());
    const std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() || text[close + 2] == 'Z';
}

class HostEndTest : public HostSystemTest {
  protected:
    void SetUp() override { StartLargeScreen(); }

    void StartLargeScreen() {
        RestartServer({}, "1024x768x16");
        ASSERT_EQ(testsupport::CurrentScreenMode(x()), kLargeMode);
        ASSERT_TRUE(testsupport::AddOutputMode(x(), 640, 480));
        ASSERT_TRUE(testsupport::AddOutputMode(x(), 800, 600));
    }

    // Starts a full-screen run and waits until the renderer has switched the display.
    std::unique_ptr<ChildProcess> StartRun() {
        auto host = StartHost({"/s"}, *env_);
        EXPECT_NE(WaitForWindow(kRendererTitle), 0u);
        EXPECT_TRUE(WaitUntil([&] { return testsupport::CurrentScreenMode(x()) == kSmallMode; }));
        return host;
    }

    pid_t OnlyRenderer() {
        const std::vector<pid_t> pids = RendererPids();
        EXPECT_EQ(pids.size(), 1u);
        return pids.empty() ? 0 : pids.front();
    }

    bool ModeBecomes(const ScreenMode& mode) {
        return WaitUntil([&] { return testsupport::CurrentScreenMode(x()) == mode; });
    }
};

// SIGTERM, SIGINT and SIGHUP end the whole run: the renderer closes and puts the mode back
// itself, and the host ends after it.
TEST_F(HostEndTest, TerminationRequestEndsRendererAndHost) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        auto host = StartRun();
        const pid_t renderer = OnlyRenderer();
        host->Signal(signal);
        EXPECT_EQ(host->Wait(), 0) << signal;
        EXPECT_TRUE(WindowGone(kRendererTitle)) << signal;
        EXPECT_TRUE(WaitUntil([&] { return ProcessEnded(renderer); })) << signal;
        EXPECT_TRUE(ModeBecomes(kLargeMode)) << signal;
        EXPECT_TRUE(WindowGone(kSaverTitle)) << signal;
    }
}

// The renderer cannot put its mode back after SIGKILL; the host that started it does.
TEST_F(HostEndTest, RendererKilledOutrightModeComesBack) {
    auto host = StartRun();
    const pid_t renderer = OnlyRenderer();
    ASSERT_TRUE(WaitUntil([&] { return ReadMark(x()).has_value(); }, 5s))
        << "the renderer did not mark its switched mode on the root window";
    EXPECT_EQ(ReadMark(x())->pid, static_cast<unsigned long>(renderer));
    ::kill(renderer, SIGKILL);
    EXPECT_EQ(host->Wait(), 0);
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), kLargeMode);
    EXPECT_FALSE(ReadMark(x()));
}

enum class Meanwhile { Nothing, UserPicksAnotherMode, ForeignMark };

struct KilledCase {
    const char* name;
    Meanwhile meanwhile;
    ScreenMode after;
    bool markLeft;
};

// The host puts back only what its own renderer left: never a configuration that someone set
// during the run, nor on another program's word. The mark is written here where the renderer
// has not yet, exactly as the renderer writes it, so the host's part is checked on its own.
TEST_F(HostEndTest, KilledRendererPutBackOnlyWhenNobodyChangedTheScreen) {
    const KilledCase cases[] = {
        {"nothing changed", Meanwhile::Nothing, kLargeMode, false},
        {"user picks another mode", Meanwhile::UserPicksAnotherMode, kOtherMode, false},
        {"another program's mark", Meanwhile::ForeignMark, kSmallMode, true},
    };
    for (const auto& c : cases) {
        StartLargeScreen();
        auto host = StartRun();
        const pid_t renderer = OnlyRenderer();
        if (!ReadMark(x())) {
            WriteMark(x(), {static_cast<unsigned long>(renderer), ConfigTimestamp(x())});
        }
        switch (c.meanwhile) {
            case Meanwhile::Nothing:
                break;
            case Meanwhile::UserPicksAnotherMode:
                ASSERT_TRUE(SwitchScreenTo(x(), 800, 600)) << c.name;
                break;
            case Meanwhile::ForeignMark:
                WriteMark(x(), {static_cast<unsigned long>(::getpid()), ConfigTimestamp(x())});
                break;
        }
        ::kill(renderer, SIGKILL);
        EXPECT_EQ(host->Wait(), 0) << c.name;
        EXPECT_EQ(testsupport::CurrentScreenMode(x()), c.after) << c.name;
        EXPECT_EQ(ReadMark(x()).has_value(), c.markLeft) << c.name;
    }
}

// Two starts at the same instant: one runs, with one renderer; the other ends at once.
TEST_F(HostEndTest, TwoStartsAtTheSameInstantMakeOneRun) {
    for (int round = 0; round < 3; ++round) {
        HostEnvironment other(display());
        auto first = StartHost({"/s"}, *env_);
        auto second = StartHost({"/s"}, other);
        ASSERT_NE(WaitForWindow(kRendererTitle), 0u) << round;
        ASSERT_TRUE(WaitUntil([&] { return !first->running() || !second->running(); }))
            << "both ran, round " << round;
        ChildProcess& ended = first->running() ? *second : *first;
        ChildProcess& running = first->running() ? *first : *second;
        EXPECT_EQ(ended.Wait(), 0) << round;
        EXPECT_EQ(testsupport::FindWindowsByTitle(x(), kRendererTitle).size(), 1u) << round;
        EXPECT_EQ(RendererPids().size(), 1u) << round;
        EXPECT_TRUE(HoldEscapeUntil([&] { return !running.running(); })) << round;
        EXPECT_EQ(running.Wait(), 0) << round;
        EXPECT_TRUE(WindowGone(kRendererTitle)) << round;
        EXPECT_TRUE(WindowGone(kSaverTitle)) << round;
    }
}

}  // namespace
}  // namespace hosttest
