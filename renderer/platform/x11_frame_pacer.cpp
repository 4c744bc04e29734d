#include "x11_frame_pacer.h"

namespace quillmere::x11 {

FramePacer::FramePacer(Duration period)
    : period_(period > Duration::zero() ? period : kDefaultRefreshPeriod) {}

FramePacer::TimePoint FramePacer::NextFrameStart(TimePoint now) {
    if (!started_) {
        started_ = true;
        deadline_ = now + period_;
        return deadline_;
    }
    deadline_ += period_;
    // Late: the missed slots are dropped, not made up in a burst. Early by more than a period
    // (the clock cannot do that, but a changed period can): never wait longer than one period.
    if (deadline_ <= now) {
        deadline_ = now;
    } else if (deadline_ > now + period_) {
        deadline_ = now + period_;
    }
    return deadline_;
}

void FramePacer::Reset() {
    started_ = false;
}

void FramePacer::SetPeriod(Duration period) {
    if (period > Duration::zero() && period != period_) {
        period_ = period;
        started_ = false;
    }
}

FramePacer::Duration RefreshPeriod(unsigned long dotClock, unsigned int hTotal, unsigned int vTotal,
                                   bool interlaced, bool doubleScan) {
    if (dotClock == 0 || hTotal == 0 || vTotal == 0) {
        return kDefaultRefreshPeriod;
    }
    double lines = static_cast<double>(vTotal);
    if (interlaced) {
        lines /= 2.0;
    }
    if (doubleScan) {
        lines *= 2.0;
    }
    const double hz = static_cast<double>(dotClock) / (static_cast<double>(hTotal) * lines);
    // Timings that give an absurd rate are treated as unknown.
    if (hz < 20.0 || hz > 500.0) {
        return kDefaultRefreshPeriod;
    }
    return FramePacer::Duration{static_cast<FramePacer::Duration::rep>(1e9 / hz)};
}

}  // namespace quillmere::x11
