// Frame pacing for displays whose buffer swap does not wait for the refresh (Xvfb, drivers
// without swap control): frames are held to the display rate instead of burning a core on
// frames nobody sees, and per-frame animations run at the same speed everywhere.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

namespace quillmere {

// Deadlines on the monotonic clock, one refresh period apart. A frame that comes late starts a
// new deadline series from that moment instead of running the missed frames back to back.
class FramePacer {
  public:
    using Duration = std::chrono::nanoseconds;
    using TimePoint = std::chrono::time_point<std::chrono::steady_clock, Duration>;

    explicit FramePacer(Duration period);

    // Called when a frame has been presented at now: the time the next frame may start.
    TimePoint NextFrameStart(TimePoint now);
    // The next frame starts a new series (after a pause, a new window or a new period).
    void Reset();
    void SetPeriod(Duration period);
    Duration period() const { return period_; }

  private:
    Duration period_;
    TimePoint deadline_{};
    bool started_ = false;
};

// Tells from the swaps of a drawable whether the swap waits for the display, as swap control
// promises. Drivers can be told to ignore it (Mesa's vblank_mode=0), and then frames must be
// paced by hand or the scene races. Waiting swaps come a whole period apart; swaps that do not
// wait come as fast as frames are drawn. Frames drawn almost a period apart look alike either
// way, so swaps judged waiting stay watched: once frames get faster, the check still catches
// them. The first few intervals are left out: a driver may queue a frame or two ahead before
// the swap starts to wait.
class SwapWaitCheck {
  public:
    enum class Verdict { Undecided, Waits, DoesNotWait };

    explicit SwapWaitCheck(FramePacer::Duration period);
    // Called when a swap has returned at now. Waits may later turn into DoesNotWait, never
    // the other way.
    Verdict Add(FramePacer::TimePoint now);
    Verdict verdict() const { return verdict_; }
    // Starts over (a new drawable, or a new refresh period).
    void Reset(FramePacer::Duration period);

    static constexpr std::size_t kSkipped = 3;
    static constexpr std::size_t kSamples = 15;

  private:
    FramePacer::Duration period_;
    FramePacer::TimePoint last_{};
    std::size_t swaps_ = 0;
    std::array<FramePacer::Duration, kSamples> intervals_{};
    std::size_t count_ = 0;
    Verdict verdict_ = Verdict::Undecided;
};

// Refresh period of a display mode from its timings; 60 Hz when they are unknown (Xvfb lists
// modes without a dot clock).
FramePacer::Duration RefreshPeriod(unsigned long dotClock, unsigned int hTotal, unsigned int vTotal,
                                   bool interlaced, bool doubleScan);

constexpr FramePacer::Duration kDefaultRefreshPeriod{16'666'667};

// Who holds one drawable's frames to the display's rate. Where the swap was asked to wait for
// the display it is the only pacing, as intended, but its first swaps tell whether it really
// waits; where it does not (or was never asked), the pacer holds the frames instead.
class SwapPacing {
  public:
    enum class Mode {
        Unpaced,    // nobody: frames back to back, on request
        Swap,       // the swap waits for the display (and is still watched)
        Checking,   // swap control was set; its first swaps tell whether it holds
        Ourselves,  // the pacer sleeps after each swap
    };

    // A drawable became current: frames start a fresh series at this refresh period.
    void Start(FramePacer::Duration refresh, bool swapControlSet, bool unpaced);
    // Called when a swap has returned at now: when the next frame may start, or nothing when
    // the frame need not wait.
    std::optional<FramePacer::TimePoint> AfterSwap(FramePacer::TimePoint now);
    Mode mode() const { return mode_; }

  private:
    Mode mode_ = Mode::Ourselves;
    FramePacer pacer_{kDefaultRefreshPeriod};
    // While checking, frames are held to twice the refresh rate at most: slow enough to keep
    // the start from racing, fast enough to tell a waiting swap from one that does not wait.
    FramePacer checkPacer_{kDefaultRefreshPeriod / 2};
    SwapWaitCheck swapCheck_{kDefaultRefreshPeriod};
};

}  // namespace quillmere
