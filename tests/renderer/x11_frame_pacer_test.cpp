#include "x11_frame_pacer.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quillmere::x11
