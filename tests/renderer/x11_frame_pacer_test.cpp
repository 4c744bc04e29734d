#include "frame_pacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillmere::x11 {
namespace {

using namespace std::chrono_literals;
using TimePoint = FramePacer::TimePoint;

TimePoint At(std::chrono::nanoseconds t) {
    return TimePoint(t);
}

TEST(X11FramePacer, DeadlinesAreAbsoluteSoShortFramesDoNotDrift) {
    FramePacer pacer(10ms);
    EXPECT_EQ(pacer.NextFrameStart(At(100ms)), At(110ms));
    // Frames that end at uneven times still get deadlines on the 10 ms grid.
    EXPECT_EQ(pacer.NextFrameStart(At(113ms)), At(120ms));
    EXPECT_EQ(pacer.NextFrameStart(At(121ms)), At(130ms));
    EXPECT_EQ(pacer.NextFrameStart(At(130ms)), At(140ms));
}

TEST(X11FramePacer, LateFramesDoNotCatchUpInBursts) {
    FramePacer pacer(10ms);
    pacer.NextFrameStart(At(0ms));  // deadline 10
    // A 35 ms stall: the next frame starts at once, and the one after a full period later
    // rather than three frames back to back.
    EXPECT_EQ(pacer.NextFrameStart(At(45ms)), At(45ms));
    EXPECT_EQ(pacer.NextFrameStart(At(47ms)), At(55ms));
    EXPECT_EQ(pacer.NextFrameStart(At(55ms)), At(65ms));
}

TEST(X11FramePacer, ResetAndNewPeriodStartAFreshSeries) {
    FramePacer pacer(10ms);
    pacer.NextFrameStart(At(0ms));
    pacer.NextFrameStart(At(10ms));
    pacer.Reset();
    EXPECT_EQ(pacer.NextFrameStart(At(500ms)), At(510ms));
    pacer.SetPeriod(20ms);
    EXPECT_EQ(pacer.period(), 20ms);
    EXPECT_EQ(pacer.NextFrameStart(At(505ms)), At(525ms));
    // A deadline is never more than one period away, even when the period shrinks.
    pacer.SetPeriod(5ms);
    EXPECT_EQ(pacer.NextFrameStart(At(506ms)), At(511ms));
}

TEST(X11FramePacer, RefreshPeriodFromModeTimings) {
    struct Case {
        unsigned long dotClock;
        unsigned int hTotal;
        unsigned int vTotal;
        bool interlaced;
        bool doubleScan;
        double hz;
    } cases[] = {
        {25175000, 800, 525, false, false, 59.94},    // VGA 640 x 480
        {148500000, 2200, 1125, false, false, 60.0},  // 1080p
        {148500000, 2200, 1125, true, false, 120.0},  // interlaced: fields, twice the rate
        {25175000, 800, 525, false, true, 29.97},
        {0, 800, 525, false, false, 60.0},  // Xvfb: no dot clock
        {25175000, 0, 525, false, false, 60.0},
        {1000, 800, 525, false, false, 60.0},  // absurd timings
    };
    for (const Case& c : cases) {
        const auto period =
            RefreshPeriod(c.dotClock, c.hTotal, c.vTotal, c.interlaced, c.doubleScan);
        EXPECT_NEAR(1e9 / static_cast<double>(period.count()), c.hz, 0.01) << c.dotClock;
    }
    EXPECT_EQ(FramePacer(0ns).period(), kDefaultRefreshPeriod);
}

// Swap control can be listed and set and still not wait (a driver told to ignore it): the first
// swaps' intervals tell, and only a median well under the period means "does not wait".
TEST(X11SwapWaitCheck, TellsWaitingSwapsFromSwapsThatDoNotWait) {
    using Verdict = SwapWaitCheck::Verdict;
    struct Case {
        const char* name;
        std::vector<std::chrono::microseconds> intervals;  // repeated as needed
        Verdict verdict;
    };
    const std::vector<Case> cases = {
        // The driver lets two frames through before the swap starts to wait.
        {"waits, after a queue of two", {100us, 100us, 16600us, 16700us, 16750us}, Verdict::Waits},
        {"waits, at every other refresh", {33333us}, Verdict::Waits},
        {"does not wait, held at twice the rate", {8333us}, Verdict::DoesNotWait},
        {"does not wait, with stalls", {2000us, 2000us, 40000us}, Verdict::DoesNotWait},
        {"does not wait, slow frames", {13000us}, Verdict::DoesNotWait},
    };
    constexpr std::size_t kSwapsNeeded = SwapWaitCheck::kSkipped + SwapWaitCheck::kSamples + 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SwapWaitCheck check(16667us);
        auto now = At(1s);
        for (std::size_t swap = 0; swap < kSwapsNeeded; ++swap) {
            const Verdict verdict = check.Add(now);
            EXPECT_EQ(verdict, swap + 1 < kSwapsNeeded ? Verdict::Undecided : c.verdict) << swap;
            now += c.intervals[swap % c.intervals.size()];
        }
        // A new drawable starts the check over.
        check.Reset(16667us);
        EXPECT_EQ(check.Add(now + 1h), Verdict::Undecided);
    }
}

// Frames drawn almost a period apart pass for waiting swaps; once they get faster, the next
// round of swaps catches that. A verdict of not waiting stays.
TEST(X11SwapWaitCheck, SwapsJudgedWaitingStayWatched) {
    using Verdict = SwapWaitCheck::Verdict;
    SwapWaitCheck check(16667us);
    auto now = At(1s);
    auto run = [&](std::chrono::microseconds interval, std::size_t swaps) {
        Verdict verdict = Verdict::Undecided;
        for (std::size_t i = 0; i < swaps; ++i) {
            verdict = check.Add(now);
            now += interval;
        }
        return verdict;
    };
    EXPECT_EQ(run(15000us, SwapWaitCheck::kSkipped + SwapWaitCheck::kSamples + 1), Verdict::Waits);
    EXPECT_EQ(run(15000us, 3 * SwapWaitCheck::kSamples), Verdict::Waits);
    EXPECT_EQ(run(5000us, SwapWaitCheck::kSamples), Verdict::DoesNotWait);
    EXPECT_EQ(run(16667us, 3 * SwapWaitCheck::kSamples), Verdict::DoesNotWait);
}

}  // namespace
}  // namespace quillmere::x11
