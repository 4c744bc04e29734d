// Renderer benchmarks on the current X display (bench/run-all starts an Xvfb 640x480x16):
//   renderer_bench frame    uncapped frame time of the real frame, scene and GLX back end
//   renderer_bench startup  process start to the first drawn frame of Quillmere.dll
//   renderer_bench paced    CPU share and peak memory of a paced 20 s run of Quillmere.dll
//   renderer_bench setup    time the full-screen set-up (display mode, monitors, windows) takes
//                           on private displays of several kinds
// The frame and paced figures are also given as ratios to XScreenSaver's gflux, run between the
// renderer's rounds (bench/reference_saver.h).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
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
#include "x11_test_support.h"

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

// Runs f and adds the milliseconds it took to total.
template <typename F>
auto Timed(double& total, F f) {
    const auto start = Clock::now();
    auto result = f();
    total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return result;
}

// Forwards to the real back end and adds up the time spent in the calls that make up the
// full-screen set-up.
class SetupTimer final : public quillmere::RenderPlatform {
  public:
    explicit SetupTimer(quillmere::RenderPlatform& real) : real_(real) {}
    double modeMs = 0, monitorsMs = 0, windowMs = 0, restoreMs = 0;

    bool RegisterRenderClass(const quillmere::AppIdentity& app,
                             quillmere::WindowProcedure& procedure) override {
        return real_.RegisterRenderClass(app, procedure);
    }
    void UnregisterRenderClass(const quillmere::AppIdentity& app) override {
        real_.UnregisterRenderClass(app);
    }
    bool ChangeDisplayMode(int width, int height, int bits) override {
        return Timed(modeMs, [&] { return real_.ChangeDisplayMode(width, height, bits); });
    }
    void RestoreDisplayMode() override {
        Timed(restoreMs, [&] {
            real_.RestoreDisplayMode();
            return 0;
        });
    }
    void ShowCursor(bool show) override { real_.ShowCursor(show); }
    quillmere::ScreenRect FullScreenRect() override {
        return Timed(monitorsMs, [&] { return real_.FullScreenRect(); });
    }
    quillmere::ScreenRect EmbedRect(quillmere::WindowHandle target) override {
        return real_.EmbedRect(target);
    }
    void AdjustWindowRect(int& width, int& height) override {
        real_.AdjustWindowRect(width, height);
    }
    quillmere::WindowHandle CreateRenderWindow(const quillmere::WindowRequest& request,
                                               quillmere::WindowStyle style, bool topmost,
                                               const quillmere::ScreenRect& rect,
                                               quillmere::RenderWindow* param) override {
        return Timed(windowMs, [&] {
            return real_.CreateRenderWindow(request, style, topmost, rect, param);
        });
    }
    void DestroyRenderWindow(quillmere::WindowHandle w) override { real_.DestroyRenderWindow(w); }
    void ShowRenderWindow(quillmere::WindowHandle w) override { real_.ShowRenderWindow(w); }
    quillmere::DeviceContext GetDeviceContext(quillmere::WindowHandle w) override {
        return real_.GetDeviceContext(w);
    }
    void ReleaseDeviceContext(quillmere::WindowHandle w, quillmere::DeviceContext dc) override {
        real_.ReleaseDeviceContext(w, dc);
    }
    bool SetPixelFormat(quillmere::DeviceContext dc, int colorBits, int depthBits) override {
        return real_.SetPixelFormat(dc, colorBits, depthBits);
    }
    quillmere::GLContextHandle CreateGLContext(quillmere::DeviceContext dc) override {
        return real_.CreateGLContext(dc);
    }
    bool MakeCurrent(quillmere::DeviceContext dc, quillmere::GLContextHandle gl) override {
        return real_.MakeCurrent(dc, gl);
    }
    void DeleteGLContext(quillmere::GLContextHandle gl) override { real_.DeleteGLContext(gl); }
    void SwapBuffers(quillmere::DeviceContext dc) override { real_.SwapBuffers(dc); }
    bool PeekWindowMessage(quillmere::WindowHandle w, quillmere::WindowMessage& m) override {
        return real_.PeekWindowMessage(w, m);
    }
    void WaitMessage() override { real_.WaitMessage(); }
    void DispatchWindowMessage(const quillmere::WindowMessage& m) override { real_.DispatchWindowMessage(m); }
    void PostWindowMessage(quillmere::WindowHandle w, std::uint32_t m, std::uintptr_t wp,
                     std::intptr_t lp) override {
        real_.PostWindowMessage(w, m, wp, lp);
    }
    std::intptr_t DefaultWindowProc(quillmere::WindowHandle w, std::uint32_t m, std::uintptr_t wp,
                                std::intptr_t lp) override {
        return real_.DefaultWindowProc(w, m, wp, lp);
    }
    void SetWindowUserData(quillmere::WindowHandle w, quillmere::RenderWindow* d) override {
        real_.SetWindowUserData(w, d);
    }
    quillmere::RenderWindow* GetWindowUserData(quillmere::WindowHandle w) override {
        return real_.GetWindowUserData(w);
    }
    std::uint32_t GetTickCount() override { return real_.GetTickCount(); }

  private:
    quillmere::RenderPlatform& real_;
};

// Ends the run after its first frame.
class OneFrameScene : public quillmere::SceneHooks {
  public:
    bool StartScene(quillmere::RenderWindow& window, quillmere::KeyState&) override {
        window_ = &window;
        return true;
    }
    void AdvanceClock(std::uint32_t) override { quillmere::RequestExit(*window_); }
    void RenderFrame() override {}
    void StopScene() override {}

  private:
    quillmere::RenderWindow* window_ = nullptr;
};

// The renderer's full-screen set-up on one kind of display, in the renderer's own process:
// the median of ten window opens, and the time the mode takes to come back.
bool BenchSetupOn(const char* kind, const std::string& screen, bool add640, bool twoMonitors) {
    testsupport::XvfbServer server(screen);
    testsupport::XClient client(server.display());
    if (add640) {
        testsupport::AddOutputMode(client.get(), 640, 480);
    }
    if (twoMonitors) {
        Display* d = client.get();
        const Window root = DefaultRootWindow(d);
        const int half = DisplayWidth(d, DefaultScreen(d)) / 2;
        for (const bool right : {false, true}) {
            XRRMonitorInfo* monitor = XRRAllocateMonitor(d, 0);
            monitor->name = XInternAtom(d, right ? "RIGHT" : "LEFT", False);
            monitor->x = right ? half : 0;
            monitor->width = half;
            monitor->height = DisplayHeight(d, DefaultScreen(d));
            monitor->mwidth = 300;
            monitor->mheight = 240;
            monitor->primary = right ? True : False;
            XRRSetMonitor(d, root, monitor);
            XRRFreeMonitors(monitor);
        }
        XSync(d, False);
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    std::string reason;
    auto display = quillmere::x11::X11Display::Open(reason);
    if (!display) {
        std::fprintf(stderr, "no display: %s\n", reason.c_str());
        return false;
    }
    quillmere::x11::SignalWatch signals;
    std::vector<double> setups;
    std::vector<double> modes;
    std::vector<double> monitors;
    std::vector<double> windows;
    std::vector<double> restores;
    for (int round = 0; round < 10; ++round) {
        quillmere::x11::X11Platform platform(*display, signals);
        SetupTimer timer(platform);
        OneFrameScene scene;
        quillmere::RendererFrame frame(timer, scene, [](int, int) {});
        frame.RunRenderer(nullptr);
        setups.push_back(timer.modeMs + timer.monitorsMs + timer.windowMs);
        modes.push_back(timer.modeMs);
        monitors.push_back(timer.monitorsMs);
        windows.push_back(timer.windowMs);
        restores.push_back(timer.restoreMs);
    }
    auto median = [](std::vector<double>& v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double setup = median(setups);
    std::printf(
        "renderer full-screen set-up on %s: worst %.1f ms; medians: mode %.1f, monitors %.1f, "
        "windows %.1f, mode restore %.1f ms\n",
        kind, setups.back(), median(modes), median(monitors), median(windows), median(restores));
    benchreport::AtMost(std::string("renderer full-screen set-up on ") + kind + ", median of 10",
                        setup, "ms", 20, 1);
    return true;
}

int BenchSetup() {
    bool ok = true;
    ok = BenchSetupOn("a 640x480 screen", "640x480x16", false, false) && ok;
    ok = BenchSetupOn("1024x768 switched to 640x480", "1024x768x16", true, false) && ok;
    ok = BenchSetupOn("1280x1024 without the mode", "1280x1024x16", false, false) && ok;
    ok = BenchSetupOn("two monitors on 2560x1024", "2560x1024x16", false, true) && ok;
    return ok ? benchreport::ExitStatus() : 1;
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
    if (mode == "setup") {
        return BenchSetup();
    }
    std::fprintf(stderr, "usage: renderer_bench frame|startup|paced|setup\n");
    return 1;
}
