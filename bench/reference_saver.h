// The yardstick for the renderer's CPU figures: XScreenSaver's gflux from Debian's
// xscreensaver-gl, a GL hack of the same kind as ours (a texture-mapped, rippling mesh on
// Mesa's software rasterizer), run on the same X server in a window the size of the renderer's,
// between the renderer's own runs. This machine's speed drifts by a third from hour to hour; the
// ratio of two programs measured a minute apart survives that where their absolute figures do
// not.
//
// Frames are counted the same way for both programs, on the X server, so that CPU can be
// compared per frame shown.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "test_support.h"

namespace benchref {

// User plus system CPU seconds a process has used so far, from /proc; -1 when it is gone.
double CpuSeconds(pid_t pid);
// The process's peak resident size in kB, from /proc; -1 when it is gone.
long PeakRssKb(pid_t pid);

// Counts the frames a window shows. Each buffer swap of Mesa's software GL on Xvfb puts one
// image into the window, which the DAMAGE extension reports as one event (raw rectangles: none
// is lost when this side reads late). Uses a connection of its own to $DISPLAY.
class FrameCounter {
  public:
    explicit FrameCounter(Window window);
    ~FrameCounter();
    FrameCounter(const FrameCounter&) = delete;
    FrameCounter& operator=(const FrameCounter&) = delete;

    bool ok() const { return damage_ != 0; }
    // Frames since construction or the last Restart.
    long Frames();
    void Restart();

  private:
    Display* display_ = nullptr;
    unsigned long damage_ = 0;
    int eventBase_ = 0;
    long frames_ = 0;
};

// CPU share and frame rate of one process over a timed interval.
struct RunFigures {
    double cpuPercent = 0;  // of one core
    double framesPerSecond = 0;
    double CpuMsPerFrame() const {
        return framesPerSecond > 0 ? cpuPercent * 10.0 / framesPerSecond : 0;
    }
};

// Measures the process over the next `length`, reading the counter as it goes.
RunFigures Measure(pid_t pid, FrameCounter& frames, std::chrono::milliseconds length);

inline const std::string kGfluxProgram = "/usr/libexec/xscreensaver/gflux";
bool GfluxInstalled();

// How gflux is run. Its -delay is a sleep after each frame (after an XSync), not a frame
// period: it draws at 1 / (its frame time + delay).
struct GfluxPacing {
    int delayMicroseconds = 0;
    // One rasterizer thread, as the renderer's paced run has (it sets LP_NUM_THREADS=1 itself
    // unless the user chose a number); otherwise Mesa's default, as in the uncapped run.
    bool oneRasterizerThread = false;
};

// gflux drawing, in its checkerboard mode, into a 640 x 480 window at the screen's origin of
// the default visual, as the renderer's full-screen window on the bench's 640 x 480 x 16 Xvfb.
// At depth 16 its checkerboard comes out scrambled (its own texture conversion); the mesh and
// the texturing are the same, and so is its CPU per frame as on a 24-bit screen.
class Gflux {
  public:
    explicit Gflux(const GfluxPacing& pacing);
    ~Gflux();  // ends gflux, then removes the window
    Gflux(const Gflux&) = delete;
    Gflux& operator=(const Gflux&) = delete;

    bool ok() const { return process_ != nullptr; }
    pid_t pid() const { return process_->pid(); }
    Window window() const { return window_; }

  private:
    Display* display_ = nullptr;
    Window window_ = 0;
    std::unique_ptr<testsupport::ChildProcess> process_;
};

// One gflux run: started, left to settle for `warmup`, then measured for `length`.
// Nothing (zero frames) when gflux did not start or draw.
RunFigures RunGflux(const GfluxPacing& pacing, std::chrono::milliseconds warmup,
                    std::chrono::milliseconds length);

// The -delay that would have brought a run at `delay` that drew `framesPerSecond` to 60 frames/s:
// the frame period less gflux's own frame time. 0 when gflux cannot keep 60 frames/s at all.
int DelayTowardSixtyFramesPerSecond(int delay, double framesPerSecond);

// A first -delay for 60 frames/s on this machine now, from a short run at a whole frame period.
int DelayForSixtyFramesPerSecond(bool oneRasterizerThread);

}  // namespace benchref
