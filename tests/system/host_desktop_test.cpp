// The full-screen run as desktops start it: xss-lock on the X server's idle timer, with a
// locker after the run, and a Wayland compositor's XWayland (weston).
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>

#include "host_fixture.h"

// After gtest (through the fixture): X.h defines None, which gtest uses as a name.
#include <X11/Xatom.h>

namespace hosttest {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every process below pid, children first.
std::vector<pid_t> Descendants(pid_t pid) {
    std::vector<pid_t> found;
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                           "/children");
    for (pid_t child = 0; children >> child;) {
        const auto below = Descendants(child);
        found.insert(found.end(), below.begin(), below.end());
        found.push_back(child);
    }
    return found;
}

// The processes xss-lock started outlive it: the run, or the locker after it.
void EndWithDescendants(ChildProcess& process) {
    for (const pid_t pid : Descendants(process.pid())) {
        ::kill(pid, SIGTERM);
    }
    process.Signal(SIGTERM);
    process.Wait(10s);
}

bool HasRootProperty(Display* display, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, name, False), 0, 1,
                       False, AnyPropertyType, &type, &format, &count, &after, &data);
    if (data != nullptr) {
        XFree(data);
    }
    return type != 0;
}

// The README's set-up with a locker: xss-lock -- sh -c 'quillmere /s; exec i3lock -n'. Debian's
// xss-lock needs a login manager's session (it aborts once it has started its command without
// one), so a stand-in serves it on a private bus.
TEST_F(HostSystemTest, XssLockStartsTheRunWhenIdleAndTheLockerAfterEscape) {
    const std::string busSocket = scratch_ / "bus";
    const std::string busAddress = "unix:path=" + busSocket;
    ChildProcess bus("/usr/bin/dbus-daemon", {"--session", "--nofork", "--address=" + busAddress},
                     {}, scratch_ / "bus-stderr.txt");
    ASSERT_TRUE(WaitUntil([&] { return testsupport::PathExists(busSocket); }));
    ChildProcess logind(QUILLMERE_FAKE_LOGIND, {busAddress, scratch_ / "logind-ready"});
    ASSERT_TRUE(WaitUntil([&] { return testsupport::PathExists(scratch_ / "logind-ready"); }));

    std::map<std::string, std::string> variables = env_->Variables();
    variables["DBUS_SYSTEM_BUS_ADDRESS"] = busAddress;
    variables["DBUS_SESSION_BUS_ADDRESS"] = "";
    ChildProcess xssLock(
        "/usr/bin/xss-lock",
        {"--", "sh", "-c", "\"$0\" /s; exec i3lock -n", BinDir() + "/Quillmere.scr"}, variables,
        env_->home() + "/xss-lock-stderr.txt");
    // Registered as the X server's screen saver: from now on the idle timer is xss-lock's.
    ASSERT_TRUE(WaitUntil([&] { return HasRootProperty(x(), "_MIT_SCREEN_SAVER_ID"); }));
    XSetScreenSaver(x(), 1, 0, DefaultBlanking, DefaultExposures);
    XSync(x(), False);

    const bool started = WaitForWindow(kRendererTitle, 30s) != 0;
    EXPECT_TRUE(started) << "the idle timer did not start the run";
    if (started) {
        EXPECT_TRUE(HoldEscapeUntil(
            [&] { return testsupport::FindWindowByTitle(x(), kRendererTitle) == 0; }));
        // Escape ends the saver, not the session's protection: the locker takes over.
        EXPECT_NE(WaitForWindow("i3lock", 30s), 0u)
            << ReadText(env_->home() + "/xss-lock-stderr.txt");
    }
    EXPECT_TRUE(xssLock.running()) << ReadText(env_->home() + "/xss-lock-stderr.txt");
    EndWithDescendants(xssLock);
}

// Where the compositor under test logs, for the message when its XWayland goes away.
std::string westonLog;

// The lost connection ends this test program (an Xlib rule): say why first.
int ReportCompositorLost(Display*) {
    std::fprintf(stderr, "XWayland went away; the compositor's log:\n%s\n",
                 ReadText(westonLog).c_str());
    std::_Exit(1);
}

// weston's window manager for XWayland acts on window-manager hints even on override-redirect
// windows; the wrong ones make it abort, and the whole session with it.
TEST(WestonXwaylandTest, FullRunShowsTheSceneAndTheCompositorSurvives) {
    testsupport::TempDir folder;
    const std::string runtime = folder / "runtime";
    std::filesystem::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    const std::string log = folder / "weston.txt";
    westonLog = log;
    ChildProcess weston("/usr/bin/weston",
                        {"--backend=headless-backend.so", "--xwayland", "--socket=quillmere-test",
                         "--idle-time=0", "--no-config"},
                        {{"XDG_RUNTIME_DIR", runtime}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}},
                        log);
    const auto compositorIntact = [&] {
        return weston.running() && ReadText(log).find("Assertion") == std::string::npos;
    };
    std::smatch announced;
    const std::regex announcement("xserver listening on display (:[0-9]+)");
    std::string text;
    ASSERT_TRUE(WaitUntil([&] {
        text = ReadText(log);
        return std::regex_search(text, announced, announcement);
    })) << text;
    const std::string display = announced[1];

    {
        testsupport::XClient client(display);  // the first X client starts XWayland
        ASSERT_TRUE(client.ok());
        const auto previousHandler = XSetIOErrorHandler(ReportCompositorLost);
        HostEnvironment env(display);
        ChildProcess host(BinDir() + "/Quillmere.scr", {"/s"}, env.Variables(),
                          env.home() + "/host-stderr.txt");
        Window window = 0;
        ASSERT_TRUE(WaitUntil(
            [&] {
                window = testsupport::FindWindowByTitle(client.get(), kRendererTitle);
                return window != 0;
            },
            60s))
            << ReadText(log);
        // The scene with its cloud textures, read back on the X side.
        EXPECT_TRUE(WaitUntil(
            [&] {
                const auto c = testsupport::CaptureWindow(client.get(), window);
                return c && c->at(c->width / 2, 2).r + c->at(c->width / 2, 2).g > 30 &&
                       testsupport::HorizontalDetail(*c, 10, c->height / 2 - 20) > 1.0;
            },
            60s));
        EXPECT_TRUE(compositorIntact()) << ReadText(log);

        testsupport::FakeKey(client.get(), XK_Escape, true);
        EXPECT_TRUE(WaitUntil([&] { return !host.running(); }, 30s));
        testsupport::FakeKey(client.get(), XK_Escape, false);
        EXPECT_EQ(host.Wait(), 0);
        XSetIOErrorHandler(previousHandler);
    }
    EXPECT_TRUE(compositorIntact()) << ReadText(log);
    // Ending the compositor ends XWayland, and with it any X client left.
    weston.Signal(SIGTERM);
    EXPECT_TRUE(weston.Wait(20s));
}

}  // namespace
}  // namespace hosttest
