#include "reference_saver.h"

#include <X11/extensions/Xdamage.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace benchref {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) {
        return -1;
    }
    // The fields after the command name (which may hold blanks) start after the last ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    // State is field 3; utime and stime are fields 14 and 15.
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stoull(field);
        } else if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long PeakRssKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

namespace {

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

FrameCounter::FrameCounter(Window window) {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        return;
    }
    int errorBase = 0;
    if (!XDamageQueryExtension(display_, &eventBase_, &errorBase)) {
        return;
    }
    // The window may already be gone. The handler is the whole process's: the one in place
    // (the renderer's own, in an in-process bench) comes back at once.
    const auto previous = XSetErrorHandler(IgnoreErrors);
    damage_ = XDamageCreate(display_, window, XDamageReportRawRectangles);
    XSync(display_, False);
    XSetErrorHandler(previous);
}

FrameCounter::~FrameCounter() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);  // frees the damage object
    }
}

long FrameCounter::Frames() {
    if (display_ == nullptr) {
        return 0;
    }
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == eventBase_ + XDamageNotify) {
            // One image put into the window arrives as one rectangle; "more" marks the rest of
            // a region drawn in pieces.
            if (!reinterpret_cast<XDamageNotifyEvent&>(event).more) {
                ++frames_;
            }
        }
    }
    return frames_;
}

void FrameCounter::Restart() {
    Frames();
    frames_ = 0;
}

RunFigures Measure(pid_t pid, FrameCounter& frames, std::chrono::milliseconds length) {
    frames.Restart();
    const double cpu0 = CpuSeconds(pid);
    const auto t0 = Clock::now();
    const auto end = t0 + length;
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::min<Clock::duration>(250ms, end - Clock::now()));
        frames.Frames();
    }
    const double cpu1 = CpuSeconds(pid);
    const long count = frames.Frames();
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    if (cpu0 < 0 || cpu1 < 0) {
        return {};
    }
    return {100.0 * (cpu1 - cpu0) / wall, static_cast<double>(count) / wall};
}

bool GfluxInstalled() {
    return access(kGfluxProgram.c_str(), X_OK) == 0;
}

Gflux::Gflux(const GfluxPacing& pacing) {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        return;
    }
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
    attributes.override_redirect = True;
    window_ =
        XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, 640, 480, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
    XMapRaised(display_, window_);
    XSync(display_, False);

    std::map<std::string, std::string> env;
    if (pacing.oneRasterizerThread && std::getenv("LP_NUM_THREADS") == nullptr) {
        env["LP_NUM_THREADS"] = "1";
    }
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", window_);
    // Checkerboard: a texture-mapped mesh like our scene's, and no picture to fetch (the
    // default, "grab", starts another program to find one).
    process_ = std::make_unique<testsupport::ChildProcess>(
        kGfluxProgram,
        std::vector<std::string>{"-window-id", id, "-delay",
                                 std::to_string(pacing.delayMicroseconds), "-mode", "checker"},
        env);
}

Gflux::~Gflux() {
    if (process_) {
        process_->Signal(SIGTERM);
        process_->Wait(10s);
        process_.reset();
    }
    if (display_ != nullptr) {
        XCloseDisplay(display_);  // the window goes with the connection
    }
}

RunFigures RunGflux(const GfluxPacing& pacing, std::chrono::milliseconds warmup,
                    std::chrono::milliseconds length) {
    Gflux gflux(pacing);
    if (!gflux.ok()) {
        return {};
    }
    FrameCounter frames(gflux.window());
    if (!frames.ok()) {
        return {};
    }
    std::this_thread::sleep_for(warmup);
    return Measure(gflux.pid(), frames, length);
}

namespace {
constexpr int kPeriodMicroseconds = 16'667;
}

int DelayTowardSixtyFramesPerSecond(int delay, double framesPerSecond) {
    if (framesPerSecond <= 0) {
        return delay;
    }
    const double ownFrame = 1e6 / framesPerSecond - delay;
    return std::clamp(static_cast<int>(kPeriodMicroseconds - ownFrame), 0, kPeriodMicroseconds);
}

int DelayForSixtyFramesPerSecond(bool oneRasterizerThread) {
    const RunFigures run = RunGflux({kPeriodMicroseconds, oneRasterizerThread}, 1s, 3s);
    return DelayTowardSixtyFramesPerSecond(kPeriodMicroseconds, run.framesPerSecond);
}

}  // namespace benchref
