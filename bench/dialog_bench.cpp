// Settings dialog benchmark on the current X display (bench/run-all starts an Xvfb 640x480x16):
// from starting `Quillmere.scr /c` to the dialog fully painted on screen, over several runs.
//   dialog_bench [runs] [program]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench_report.h"
#include "test_support.h"
#include "x11_test_support.h"

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr double kBudgetMs = 400.0;

struct Colour {
    int r = 0;
    int g = 0;
    int b = 0;
};

int Shift(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && ((mask >> shift) & 1u) == 0) {
        ++shift;
    }
    return shift;
}

int Channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = Shift(mask);
    return static_cast<int>(((pixel & mask) >> shift) * 255u / (mask >> shift));
}

// One pixel of a window, read from the server; nothing while the window is not viewable.
std::optional<Colour> PixelAt(Display* display, Window window, int x, int y) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable) {
        return std::nullopt;
    }
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return std::nullopt;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    const Visual* v = attributes.visual;
    return Colour{Channel(pixel, v->red_mask), Channel(pixel, v->green_mask),
                  Channel(pixel, v->blue_mask)};
}

bool Near(const Colour& c, int r, int g, int b) {
    // A 16-bit screen keeps 5 or 6 bits per channel.
    return std::abs(c.r - r) <= 9 && std::abs(c.g - g) <= 9 && std::abs(c.b - b) <= 9;
}

bool Light(const Colour& c) {
    return c.r > 180 && c.g > 180 && c.b > 180;
}

// The shaded background at its lightest line, the tiled panel and the store button's face are
// all on screen: the window has had its first complete paint.
bool FullyPainted(Display* display, Window window) {
    const auto background = PixelAt(display, window, 5, 123);
    const auto panel = PixelAt(display, window, 250, 170);
    const auto button = PixelAt(display, window, 330, 204);
    return background && panel && button && Near(*background, 220, 220, 250) && Light(*panel) &&
           Light(*button);
}

std::optional<double> OneRun(Display* display, const std::string& program) {
    const Clock::time_point start = Clock::now();
    testsupport::ChildProcess host(program, {"/c"});
    Window window = 0;
    std::optional<double> painted;
    testsupport::WaitUntil(
        [&] {
            if (window == 0) {
                window = testsupport::FindWindowByTitle(display, "Quillmere");
            }
            if (window != 0 && FullyPainted(display, window)) {
                painted = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                return true;
            }
            return !host.running();
        },
        10s);
    if (window != 0) {
        testsupport::SendDeleteWindow(display, window);
    }
    if (!host.Wait(10s)) {
        std::fprintf(stderr, "dialog_bench: the dialog did not close\n");
    }
    return painted;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::string program =
        argc > 2 ? argv[2] : std::string(QUILLMERE_BIN_DIR) + "/Quillmere.scr";
    testsupport::XClient client("");  // $DISPLAY
    if (!client.ok()) {
        std::fprintf(stderr, "dialog_bench: no X display\n");
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const std::optional<double> ms = OneRun(client.get(), program);
        if (!ms) {
            std::fprintf(stderr, "dialog_bench: run %d: the dialog was never painted\n", i + 1);
            return 1;
        }
        times.push_back(*ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf(
        "dialog Quillmere.scr /c to the dialog fully painted, %d runs: min %.1f ms, max %.1f ms\n",
        runs, times.front(), times.back());
    benchreport::AtMost(
        "dialog Quillmere.scr /c to the dialog fully painted, median of " + std::to_string(runs),
        median, "ms", kBudgetMs);
    return benchreport::ExitStatus();
}
