// Host benchmarks on a private Xvfb 640x480x16, with the real host and renderer:
//   Quillmere.scr /s to the renderer's first drawn frame (target <= 300 ms),
//   renderer window gone to host process ended (target <= 150 ms),
//   host CPU over a 20 s run (target <= 1 % of one core) and its peak RSS (target <= 80 MB).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_report.h"
#include "reference_saver.h"
#include "test_support.h"
#include "x11_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const std::string kHost = std::string(QUILLMERE_BIN_DIR) + "/Quillmere.scr";

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Polls faster than WaitUntil: the measured spans are tens of milliseconds.
bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    while (Clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(500us);
    }
    return condition();
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// True once the window is mapped and its centre column shows more than one colour.
bool FrameDrawn(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) {
        return false;
    }
    XImage* image = XGetImage(display, window, attributes.width / 2, 0, 1,
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    const unsigned long first = XGetPixel(image, 0, 0);
    bool varied = false;
    for (int y = 0; y < attributes.height && !varied; y += 8) {
        varied = XGetPixel(image, 0, y) != first;
    }
    XDestroyImage(image);
    return varied;
}

class Bench {
  public:
    Bench() : client_(server_.display()) {
        XSetErrorHandler(IgnoreErrors);
        std::filesystem::create_directory(home_ / "runtime");
        ::chmod((home_ / "runtime").c_str(), 0700);
    }

    bool ok() const { return client_.ok(); }

    std::unique_ptr<testsupport::ChildProcess> StartHost() {
        return std::make_unique<testsupport::ChildProcess>(
            kHost, std::vector<std::string>{"/s"},
            std::map<std::string, std::string>{{"DISPLAY", server_.display()},
                                               {"HOME", home_.path()},
                                               {"XDG_CACHE_HOME", home_ / "cache"},
                                               {"XDG_CONFIG_HOME", home_ / "config"},
                                               {"XDG_RUNTIME_DIR", home_ / "runtime"},
                                               {"SDL_AUDIODRIVER", "dummy"}},
            home_ / "host-stderr.txt");
    }

    Window RendererWindow() const { return testsupport::FindWindowByTitle(x(), "Tormalune_VC"); }

    // Ends the run as the user does, and waits until the renderer has gone.
    bool EndRun(testsupport::ChildProcess& host, Clock::time_point* windowGone = nullptr,
                Clock::time_point* hostEnded = nullptr) {
        testsupport::FakeKey(x(), XK_Escape, true);
        bool gone = PollUntil([&] { return RendererWindow() == 0; }, 10s);
        if (windowGone != nullptr) {
            *windowGone = Clock::now();
        }
        const bool ended = PollUntil([&] { return !host.running(); }, 10s);
        if (hostEnded != nullptr) {
            *hostEnded = Clock::now();
        }
        testsupport::FakeKey(x(), XK_Escape, false);
        // Let the renderer finish restoring the screen before the next run.
        std::this_thread::sleep_for(200ms);
        return gone && ended;
    }

    Display* x() const { return client_.get(); }

  private:
    testsupport::TempDir home_;
    testsupport::XvfbServer server_;
    testsupport::XClient client_;
};

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int main() {
    Bench bench;
    if (!bench.ok()) {
        std::fprintf(stderr, "host_bench: cannot open the private X server\n");
        return 1;
    }

    std::vector<double> toFrame;
    std::vector<double> toEnd;
    for (int run = 0; run < 7; ++run) {
        const auto start = Clock::now();
        auto host = bench.StartHost();
        Window window = 0;
        const bool drawn = PollUntil(
            [&] {
                if (window == 0) {
                    window = bench.RendererWindow();
                }
                return window != 0 && FrameDrawn(bench.x(), window);
            },
            10s);
        const auto frame = Clock::now();
        Clock::time_point gone;
        Clock::time_point ended;
        const bool endedOk = bench.EndRun(*host, &gone, &ended);
        if (!drawn || !endedOk) {
            std::fprintf(stderr, "host_bench: run %d: %s\n", run,
                         drawn ? "the host did not end" : "no frame drawn");
            return 1;
        }
        toFrame.push_back(Ms(start, frame));
        toEnd.push_back(Ms(gone, ended));
    }
    const double frameMs = Median(toFrame);
    const double endMs = Median(toEnd);
    std::printf("host Quillmere.scr /s to first drawn frame: worst %.0f ms\n",
                *std::max_element(toFrame.begin(), toFrame.end()));
    benchreport::AtMost("host Quillmere.scr /s to first drawn frame, median of 7", frameMs, "ms",
                        300, 0);
    std::printf("host renderer window gone to host ended: worst %.0f ms\n",
                *std::max_element(toEnd.begin(), toEnd.end()));
    benchreport::AtMost("host renderer window gone to host ended, median of 7", endMs, "ms", 150,
                        0);

    auto host = bench.StartHost();
    if (!PollUntil([&] { return bench.RendererWindow() != 0; }, 10s)) {
        std::fprintf(stderr, "host_bench: no renderer window for the 20 s run\n");
        return 1;
    }
    const double cpuBefore = benchref::CpuSeconds(host->pid());
    std::this_thread::sleep_for(20s);
    const double cpuAfter = benchref::CpuSeconds(host->pid());
    const long rssKb = benchref::PeakRssKb(host->pid());
    bench.EndRun(*host);
    const double share = (cpuAfter - cpuBefore) / 20.0 * 100.0;
    benchreport::AtMost("host CPU over a 20 s run", share, "% of one core", 1, 2);
    benchreport::AtMost("host peak RSS over a 20 s run", static_cast<double>(rssKb) / 1024.0, "MB",
                        80);
    return benchreport::ExitStatus();
}
