// Frame pacing for displays whose buffer swap does not wait for the refresh (Xvfb, drivers
// without swap control): frames are held to the display rate instead of burning a core on
// frames nobody sees, and per-frame animations run at the same speed everywhere.
#pragma once

#include <chrono>

namespace quillmere::x11 {

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

// Refresh period of a display mode from its timings; 60 Hz when they are unknown (Xvfb lists
// modes without a dot clock).
FramePacer::Duration RefreshPeriod(unsigned long dotClock, unsigned int hTotal, unsigned int vTotal,
                                   bool interlaced, bool doubleScan);

constexpr FramePacer::Duration kDefaultRefreshPeriod{16'666'667};

}  // namespace quillmere::x11
