#include "frame_pacer.h"

#include <algorithm>

namespace quillmere {

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

SwapWaitCheck::SwapWaitCheck(FramePacer::Duration period) {
    Reset(period);
}

void SwapWaitCheck::Reset(FramePacer::Duration period) {
    period_ = period > FramePacer::Duration::zero() ? period : kDefaultRefreshPeriod;
    swaps_ = 0;
    count_ = 0;
    verdict_ = Verdict::Undecided;
}

SwapWaitCheck::Verdict SwapWaitCheck::Add(FramePacer::TimePoint now) {
    if (verdict_ == Verdict::DoesNotWait) {
        return verdict_;
    }
    if (swaps_ <= kSkipped + 1) {
        ++swaps_;
    }
    if (swaps_ > kSkipped + 1) {
        intervals_[count_++] = now - last_;
    }
    last_ = now;
    if (count_ < intervals_.size()) {
        return verdict_;
    }
    count_ = 0;
    // The median shrugs off a stall or two; a waiting swap's intervals are whole periods,
    // give or take the clock's jitter.
    std::nth_element(intervals_.begin(), intervals_.begin() + kSamples / 2, intervals_.end());
    const FramePacer::Duration median = intervals_[kSamples / 2];
    verdict_ = median * 20 < period_ * 17 ? Verdict::DoesNotWait : Verdict::Waits;
    return verdict_;
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

void SwapPacing::Start(FramePacer::Duration refresh, bool swapControlSet, bool unpaced) {
    pacer_.SetPeriod(refresh);
    pacer_.Reset();
    checkPacer_.SetPeriod(refresh / 2);
    checkPacer_.Reset();
    swapCheck_.Reset(refresh);
    if (unpaced) {
        mode_ = Mode::Unpaced;
    } else {
        mode_ = swapControlSet ? Mode::Checking : Mode::Ourselves;
    }
}

std::optional<FramePacer::TimePoint> SwapPacing::AfterSwap(FramePacer::TimePoint now) {
    switch (mode_) {
        case Mode::Unpaced:
            return std::nullopt;
        case Mode::Checking:
        case Mode::Swap:
            switch (swapCheck_.Add(now)) {
                case SwapWaitCheck::Verdict::Waits:
                    mode_ = Mode::Swap;
                    return std::nullopt;
                case SwapWaitCheck::Verdict::DoesNotWait:
                    mode_ = Mode::Ourselves;
                    return pacer_.NextFrameStart(now);
                case SwapWaitCheck::Verdict::Undecided:
                    return checkPacer_.NextFrameStart(now);
            }
            return std::nullopt;
        case Mode::Ourselves:
            return pacer_.NextFrameStart(now);
    }
    return std::nullopt;
}

}  // namespace quillmere
