// Renderer benchmarks on the current X display (bench/run-all starts an Xvfb 640x480x16):
//   renderer_bench frame    uncapped frame time of the real frame, scene and GLX back end
//   renderer_bench startup  process start to the first drawn frame of Quillmere.dll
//   renderer_bench paced    CPU share and peak memory of a paced 20 s run of Quillmere.dll
// The frame and paced figures are also given as ratios to XScreenSaver's gflux, run between the
// renderer's rounds (bench/reference_saver.h).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench_report.h"
#include "error_report.h"
#include "frame.h"
#include "horizon_scene.h"
#include "reference_saver.h"
#include "test_support.h"
#include "x11_display.h"
#include "x11_error_box.h"
#include "x11_platform.h"
#include "x11_signals.h"

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

const std::string kRenderer = std::string(QUILLMERE_BIN_DIR) + "/Quillmere.dll";

// CPU seconds of this process, all its threads (Mesa's rasterizer workers too).
double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Forwards to the real scene, times frames and ends the run after a fixed count.
class TimedScene : public quillmere::SceneHooks {
  public:
    TimedScene(quillmere::HorizonScene& scene, int warmup, int frames)
        : scene_(scene), warmup_(warmup), frames_(frames) {}
    bool StartScene(quillmere::RenderWindow& window, quillmere::KeyState& keys) override {
        window_ = &window;
        return scene_.StartScene(window, keys);
    }
    void AdvanceClock(std::uint32_t ms) override { scene_.AdvanceClock(ms); }
    void RenderFrame() override {
        scene_.RenderFrame();
        ++count_;
        if (count_ == warmup_) {
            start_ = Clock::now();
            cpuStart_ = OwnCpuSeconds();
        }
        if (count_ == warmup_ + frames_) {
            // Finish the GL work of the timed frames before the clock stops.
            glFinish();
            end_ = Clock::now();
            cpuEnd_ = OwnCpuSeconds();
            quillmere::RequestExit(*window_);
        }
    }
    void StopScene() override { scene_.StopScene(); }
    double MillisecondsPerFrame() const {
        return std::chrono::duration<double, std::milli>(end_ - start_).count() / frames_;
    }
    double CpuMillisecondsPerFrame() const { return (cpuEnd_ - cpuStart_) * 1000.0 / frames_; }

  private:
    quillmere::HorizonScene& scene_;
    quillmere::RenderWindow* window_ = nullptr;
    int warmup_, frames_, count_ = 0;
    Clock::time_point start_, end_;
    double cpuStart_ = 0, cpuEnd_ = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Targets for the ratios to gflux, from the renderer's own targets. Paced: 45 % of one core at
// 60 frames/s is 7.5 ms of CPU per frame, and gflux's paced frame takes about 2.3 ms of CPU on
// this machine when it is least loaded. Uncapped: the 4.5 ms frame-time target is 1.12 times
// the 4.0 ms this renderer takes on a quiet machine, and its CPU per frame is about 3.0 times
// gflux's, busy or not.
constexpr double kUncappedRatioLimit = 3.4;
constexpr double kPacedRatioLimit = 3.3;

// CPU milliseconds per frame of the renderer and of gflux in the rounds that have both.
struct Comparison {
    std::vector<double> own;
    std::vector<double> gflux;
    std::vector<double> ratios;
    double Add(double ownMs, double gfluxMs) {
        own.push_back(ownMs);
        gflux.push_back(gfluxMs);
        ratios.push_back(ownMs / gfluxMs);
        return ratios.back();
    }
};

// Both CPU figures per frame (no targets: gflux's is the yardstick) and the renderer's as a
// ratio to gflux's, each the median over the rounds. Without gflux or its frames the ratio is a
// miss: it was not measured.
void ReportReference(const std::string& run, const Comparison& comparison, double limit) {
    const std::vector<double>& ratios = comparison.ratios;
    const std::string rounds = ", median of " + std::to_string(ratios.size());
    const std::string ratioName = "renderer " + run + " CPU per frame / gflux's" + rounds;
    if (!benchref::GfluxInstalled()) {
        std::printf("%s is missing (Debian's xscreensaver-gl; make bench installs it)\n",
                    benchref::kGfluxProgram.c_str());
    }
    if (ratios.empty()) {
        benchreport::NotMeasured(ratioName, "x", limit);
        return;
    }
    benchreport::Info("renderer " + run + " CPU per frame" + rounds, Median(comparison.own), "ms",
                      2);
    benchreport::Info("gflux " + run + " CPU per frame (reference)" + rounds,
                      Median(comparison.gflux), "ms", 2);
    benchreport::AtMost(ratioName, Median(ratios), "x", limit, 2);
}

// Three rounds of 600 timed frames, each in a new window and GL context; the median round is
// held against the target. Each round is followed by 5 s of gflux drawing undelayed (-delay 0)
// with Mesa's default threads, as here. The two are compared by CPU per frame: on this shared
// machine the wall time per frame follows how much of the cores each one got, not its work.
int BenchFrame() {
    setenv("QUILLMERE_UNPACED", "1", 1);
    std::string reason;
    auto display = quillmere::x11::X11Display::Open(reason);
    if (!display) {
        std::fprintf(stderr, "no display: %s\n", reason.c_str());
        return 1;
    }
    quillmere::x11::SignalWatch signals;
    constexpr int kRounds = 3;
    const bool reference = benchref::GfluxInstalled();
    std::vector<double> rounds;
    Comparison comparison;
    for (int round = 0; round < kRounds; ++round) {
        quillmere::x11::X11Platform platform(*display, signals);
        quillmere::HorizonScene scene;
        TimedScene timed(scene, 60, 600);
        quillmere::RendererFrame frame(platform, timed);
        frame.RunRenderer(nullptr);
        rounds.push_back(timed.MillisecondsPerFrame());
        const double cpuMs = timed.CpuMillisecondsPerFrame();
        std::printf("renderer uncapped frame time, round %d: %.2f ms per frame (CPU %.2f ms)\n",
                    round + 1, rounds.back(), cpuMs);
        if (reference) {
            const benchref::RunFigures gflux = benchref::RunGflux({0, false}, 1s, 5s);
            if (gflux.framesPerSecond > 0) {
                const double ratio = comparison.Add(cpuMs, gflux.CpuMsPerFrame());
                std::printf(
                    "gflux uncapped frame time, round %d: %.2f ms per frame (CPU %.2f ms); CPU "
                    "per frame ratio %.2f\n",
                    round + 1, 1000.0 / gflux.framesPerSecond, gflux.CpuMsPerFrame(), ratio);
            } else {
                std::printf("gflux uncapped, round %d: gflux drew no frame\n", round + 1);
            }
        }
    }
    const double ms = Median(rounds);
    std::printf("renderer uncapped frame time: %.0f frames/s at the median\n", 1000.0 / ms);
    benchreport::AtMost("renderer uncapped frame time, median of 3 rounds", ms, "ms per frame", 4.5,
                        2);
    ReportReference("uncapped", comparison, kUncappedRatioLimit);
    return benchreport::ExitStatus();
}

// The top-level window titled exactly Tormalune_VC, or 0.
Window FindRendererWindow(Display* dpy) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && found == 0; ++i) {
            char* name = nullptr;
            if (XFetchName(dpy, children[i], &name) && name != nullptr) {
                if (std::strcmp(name, "Tormalune_VC") == 0) {
                    found = children[i];
                }
                XFree(name);
            }
        }
        XFree(children);
    }
    return found;
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// True once the centre row of the window shows more than one colour: a scene frame is up.
bool FrameDrawn(Display* dpy, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, window, &attributes) || attributes.map_state != IsViewable) {
        return false;
    }
    XImage* image =
        XGetImage(dpy, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    const unsigned long first = XGetPixel(image, 0, 0);
    bool varied = false;
    for (int y = 0; y < attributes.height && !varied; y += 16) {
        varied = XGetPixel(image, attributes.width / 2, y) != first;
    }
    XDestroyImage(image);
    return varied;
}

int BenchStartup() {
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    std::vector<double> samples;
    for (int run = 0; run < 10; ++run) {
        const auto start = Clock::now();
        testsupport::ChildProcess renderer(kRenderer, {});
        Window window = 0;
        const bool ok = testsupport::WaitUntil(
            [&] {
                if (window == 0) {
                    window = FindRendererWindow(dpy);
                }
                return window != 0 && FrameDrawn(dpy, window);
            },
            10s);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        renderer.Signal(SIGTERM);
        renderer.Wait(10s);
        if (!ok) {
            std::fprintf(stderr, "run %d: no frame\n", run);
            return 1;
        }
        samples.push_back(ms);
        testsupport::WaitUntil([&] { return FindRendererWindow(dpy) == 0; }, 5s);
    }
    std::sort(samples.begin(), samples.end());
    std::printf("renderer start to first drawn frame: worst %.0f ms\n", samples.back());
    XCloseDisplay(dpy);
    benchreport::AtMost("renderer start to first drawn frame, median of 10",
                        samples[samples.size() / 2], "ms", 250, 0);
    return benchreport::ExitStatus();
}

// One paced run: the CPU share of one core and the frames shown over 20 s, and the peak RSS.
struct PacedFigures {
    benchref::RunFigures run;
    long peakRssKb = -1;
};

PacedFigures PacedRun(Display* dpy) {
    testsupport::ChildProcess renderer(kRenderer, {});
    std::this_thread::sleep_for(1s);  // past start-up
    benchref::FrameCounter frames(FindRendererWindow(dpy));
    PacedFigures figures;
    figures.run = benchref::Measure(renderer.pid(), frames, 20s);
    figures.peakRssKb = benchref::PeakRssKb(renderer.pid());
    renderer.Signal(SIGTERM);
    renderer.Wait(10s);
    testsupport::WaitUntil([&] { return FindRendererWindow(dpy) == 0; }, 5s);
    return figures;
}

// The machine's speed drifts by a tenth or more from minute to minute, so three runs are made
// and the median is held against the target. Each run is followed by a run of gflux on one
// rasterizer thread, measured over the same 20 s after the same second to settle. Its -delay is
// a sleep after each frame, not a period: it is set from a short run to bring gflux to the
// renderer's 60 frames/s and corrected after each run. Both are compared per frame shown, so a
// run that falls short of 60 frames/s on a busy machine still compares fairly.
int BenchPaced() {
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        std::fprintf(stderr, "renderer_bench: no display\n");
        return 1;
    }
    constexpr int kRuns = 3;
    const bool reference = benchref::GfluxInstalled();
    int delay = reference ? benchref::DelayForSixtyFramesPerSecond(true) : 0;
    std::vector<double> shares;
    std::vector<double> gfluxShares;
    Comparison comparison;
    long rss = 0;
    for (int run = 0; run < kRuns; ++run) {
        const PacedFigures paced = PacedRun(dpy);
        const benchref::RunFigures& own = paced.run;
        shares.push_back(own.cpuPercent);
        rss = std::max(rss, paced.peakRssKb);
        std::printf("renderer paced 20 s run %d: %.1f%% of one core, %.1f frames/s\n", run + 1,
                    own.cpuPercent, own.framesPerSecond);
        if (reference) {
            const benchref::RunFigures gflux = benchref::RunGflux({delay, true}, 1s, 20s);
            if (gflux.framesPerSecond > 0 && own.framesPerSecond > 0) {
                gfluxShares.push_back(gflux.cpuPercent);
                const double ratio = comparison.Add(own.CpuMsPerFrame(), gflux.CpuMsPerFrame());
                std::printf(
                    "gflux paced 20 s run %d (-delay %d): %.1f%% of one core, %.1f frames/s; CPU "
                    "per frame: renderer %.2f ms, gflux %.2f ms, ratio %.2f\n",
                    run + 1, delay, gflux.cpuPercent, gflux.framesPerSecond, own.CpuMsPerFrame(),
                    gflux.CpuMsPerFrame(), ratio);
                // Hold the next run nearer 60 frames/s as the machine's pace changes.
                delay = benchref::DelayTowardSixtyFramesPerSecond(delay, gflux.framesPerSecond);
            } else {
                std::printf("gflux paced 20 s run %d: %s drew no frame\n", run + 1,
                            own.framesPerSecond > 0 ? "gflux" : "the renderer");
            }
        }
    }
    XCloseDisplay(dpy);
    benchreport::AtMost("renderer paced CPU, median of 3 runs of 20 s", Median(shares),
                        "% of one core", 45);
    benchreport::AtMost("renderer peak RSS over the paced runs", rss / 1024.0, "MB", 100);
    if (!gfluxShares.empty()) {
        benchreport::Info("gflux paced CPU (reference), median of " +
                              std::to_string(gfluxShares.size()) + " runs of 20 s",
                          Median(gfluxShares), "% of one core");
    }
    ReportReference("paced", comparison, kPacedRatioLimit);
    return benchreport::ExitStatus();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "frame") {
        return BenchFrame();
    }
    if (mode == "startup") {
        return BenchStartup();
    }
    if (mode == "paced") {
        return BenchPaced();
    }
    std::fprintf(stderr, "usage: renderer_bench frame|startup|paced\n");
    return 1;
}
