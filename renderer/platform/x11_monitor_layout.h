// Where the full-screen windows go, from the monitors the display reports: the scene on the
// main monitor, a black cover on every other one. Plain geometry, no display needed.
#pragma once

#include <span>
#include <vector>

#include "render_platform.h"

namespace quillmere::x11 {

struct MonitorInfo {
    ScreenRect rect;
    bool primary = false;          // the user's primary monitor
    bool showsMainOutput = false;  // shows the output a mode switch changes
};

struct FullScreenLayout {
    ScreenRect scene;
    std::vector<ScreenRect> covers;
    bool operator==(const FullScreenLayout&) const = default;
};

// The scene goes on the primary monitor, else on the one showing the main output, else on the
// first. Monitors are clipped to the screen; with none left, the scene covers the whole screen.
// A monitor that shows only part of the scene's area still gets a cover, which the scene window
// stays above; one lying wholly inside the scene's area, or repeating another, gets none.
FullScreenLayout PlanFullScreen(std::span<const MonitorInfo> monitors, int screenWidth,
                                int screenHeight);

}  // namespace quillmere::x11
