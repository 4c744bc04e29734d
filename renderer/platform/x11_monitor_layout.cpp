#include "x11_monitor_layout.h"

#include <algorithm>

namespace quillmere::x11 {

namespace {

ScreenRect Clip(const ScreenRect& rect, int screenWidth, int screenHeight) {
    const int left = std::max(rect.x, 0);
    const int top = std::max(rect.y, 0);
    const int right = std::min(rect.x + rect.width, screenWidth);
    const int bottom = std::min(rect.y + rect.height, screenHeight);
    if (right <= left || bottom <= top) {
        return {};
    }
    return {left, top, right - left, bottom - top};
}

bool Contains(const ScreenRect& outer, const ScreenRect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

}  // namespace

FullScreenLayout PlanFullScreen(std::span<const MonitorInfo> monitors, int screenWidth,
                                int screenHeight) {
    std::vector<MonitorInfo> visible;
    for (const MonitorInfo& monitor : monitors) {
        MonitorInfo clipped = monitor;
        clipped.rect = Clip(monitor.rect, screenWidth, screenHeight);
        if (clipped.rect.width > 0) {
            visible.push_back(clipped);
        }
    }
    FullScreenLayout layout;
    if (visible.empty()) {
        layout.scene = {0, 0, std::max(screenWidth, 1), std::max(screenHeight, 1)};
        return layout;
    }
    auto scene = std::find_if(visible.begin(), visible.end(),
                              [](const MonitorInfo& m) { return m.primary; });
    if (scene == visible.end()) {
        scene = std::find_if(visible.begin(), visible.end(),
                             [](const MonitorInfo& m) { return m.showsMainOutput; });
    }
    if (scene == visible.end()) {
        scene = visible.begin();
    }
    layout.scene = scene->rect;
    for (const MonitorInfo& monitor : visible) {
        if (Contains(layout.scene, monitor.rect) ||
            std::find(layout.covers.begin(), layout.covers.end(), monitor.rect) !=
                layout.covers.end()) {
            continue;
        }
        layout.covers.push_back(monitor.rect);
    }
    return layout;
}

}  // namespace quillmere::x11
