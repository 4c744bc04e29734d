// Where the full-screen windows go for the monitors a display reports.
#include "x11_monitor_layout.h"

#include <gtest/gtest.h>

namespace quillmere::x11 {
namespace {

TEST(X11MonitorLayout, SceneOnTheMainMonitorAndACoverOnEveryOther) {
    struct Case {
        const char* name;
        std::vector<MonitorInfo> monitors;
        int screenWidth, screenHeight;
        FullScreenLayout expected;
    };
    const ScreenRect left{0, 0, 1280, 1024};
    const ScreenRect right{1280, 0, 1280, 1024};
    const std::vector<Case> cases = {
        {"no monitors reported: the whole screen", {}, 1280, 1024, {{0, 0, 1280, 1024}, {}}},
        {"one monitor", {{left, false, false}}, 1280, 1024, {left, {}}},
        {"primary on the right",
         {{left, false, true}, {right, true, false}},
         2560,
         1024,
         {right, {left}}},
        {"no primary: the main output's",
         {{left, false, false}, {right, false, true}},
         2560,
         1024,
         {right, {left}}},
        {"neither: the first",
         {{right, false, false}, {left, false, false}},
         2560,
         1024,
         {right, {left}}},
        {"mirrored monitors need no cover",
         {{left, true, true}, {left, false, false}},
         1280,
         1024,
         {left, {}}},
        {"one monitor inside another",
         {{left, true, true}, {{100, 100, 640, 480}, false, false}},
         1280,
         1024,
         {left, {}}},
        {"a monitor twice gets one cover",
         {{left, true, true}, {right, false, false}, {right, false, false}},
         2560,
         1024,
         {left, {right}}},
        {"partly overlapping: covered, scene above",
         {{{0, 0, 1024, 768}, true, true}, {{800, 0, 1024, 768}, false, false}},
         1824,
         768,
         {{0, 0, 1024, 768}, {{800, 0, 1024, 768}}}},
        // A 640 x 480 switch on a single-CRTC screen shrinks the screen under monitors that a
        // client defined at the old size.
        {"clipped to a shrunk screen",
         {{left, false, true}, {right, true, false}},
         640,
         480,
         {{0, 0, 640, 480}, {}}},
        {"every monitor off the screen",
         {{{3000, 0, 100, 100}, true, false}},
         800,
         600,
         {{0, 0, 800, 600}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FullScreenLayout layout = PlanFullScreen(c.monitors, c.screenWidth, c.screenHeight);
        EXPECT_EQ(layout.scene, c.expected.scene);
        EXPECT_EQ(layout.covers, c.expected.covers);
    }
}

}  // namespace
}  // namespace quillmere::x11
