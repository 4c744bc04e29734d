#include "x11_monitors.h"

#include <algorithm>

namespace quillmere::x11 {

namespace {

bool Lit(const XRROutputInfo* info) {
    return info != nullptr && info->crtc != 0 && info->connection != RR_Disconnected;
}

std::vector<MonitorInfo> FromMonitors(X11Display& display) {
    Display* d = display.get();
    int count = 0;
    Monitors monitors(XRRGetMonitors(d, display.root(), True, &count));
    std::vector<MonitorInfo> result;
    if (!monitors || count <= 0) {
        return result;
    }
    const bool anyPrimary = std::any_of(monitors.get(), monitors.get() + count,
                                        [](const XRRMonitorInfo& m) { return m.primary != 0; });
    RROutput mainOutput = 0;
    if (!anyPrimary) {
        Resources resources(XRRGetScreenResourcesCurrent(d, display.root()));
        if (resources) {
            mainOutput = MainOutput(d, display.root(), resources.get());
        }
    }
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = monitors.get()[i];
        MonitorInfo info;
        info.rect = {m.x, m.y, m.width, m.height};
        info.primary = m.primary != 0;
        info.showsMainOutput = mainOutput != 0 && std::find(m.outputs, m.outputs + m.noutput,
                                                            mainOutput) != m.outputs + m.noutput;
        result.push_back(info);
    }
    return result;
}

std::vector<MonitorInfo> FromCrtcs(X11Display& display) {
    Display* d = display.get();
    std::vector<MonitorInfo> result;
    Resources resources(XRRGetScreenResourcesCurrent(d, display.root()));
    if (!resources) {
        return result;
    }
    const RROutput primary = XRRGetOutputPrimary(d, display.root());
    const RROutput mainOutput = MainOutput(d, display.root(), resources.get());
    for (int i = 0; i < resources->ncrtc; ++i) {
        CrtcInfo crtc(XRRGetCrtcInfo(d, resources.get(), resources->crtcs[i]));
        if (!crtc || crtc->mode == 0) {
            continue;
        }
        auto shows = [&](RROutput output) {
            return output != 0 && std::find(crtc->outputs, crtc->outputs + crtc->noutput, output) !=
                                      crtc->outputs + crtc->noutput;
        };
        MonitorInfo info;
        info.rect = {crtc->x, crtc->y, static_cast<int>(crtc->width),
                     static_cast<int>(crtc->height)};
        info.primary = shows(primary);
        info.showsMainOutput = shows(mainOutput);
        result.push_back(info);
    }
    return result;
}

}  // namespace

RROutput MainOutput(Display* display, Window root, XRRScreenResources* resources) {
    const RROutput primary = XRRGetOutputPrimary(display, root);
    RROutput firstLit = 0;
    for (int i = 0; i < resources->noutput; ++i) {
        const RROutput output = resources->outputs[i];
        if (firstLit != 0 && output != primary) {
            continue;
        }
        OutputInfo info(XRRGetOutputInfo(display, resources, output));
        if (!Lit(info.get())) {
            continue;
        }
        if (output == primary) {
            return primary;
        }
        if (firstLit == 0) {
            firstLit = output;
        }
    }
    return firstLit;
}

std::vector<MonitorInfo> ReadMonitors(X11Display& display) {
    if (display.randr().AtLeast(1, 5)) {
        std::vector<MonitorInfo> monitors = FromMonitors(display);
        if (!monitors.empty()) {
            return monitors;
        }
    }
    if (display.randr().AtLeast(1, 3)) {
        return FromCrtcs(display);
    }
    return {};
}

void ReadScreenSize(X11Display& display, int& width, int& height) {
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int w = 0;
    unsigned int h = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (XGetGeometry(display.get(), display.root(), &root, &x, &y, &w, &h, &border, &depth)) {
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    } else {
        width = DisplayWidth(display.get(), display.screen());
        height = DisplayHeight(display.get(), display.screen());
    }
}

FullScreenLayout ReadFullScreenLayout(X11Display& display) {
    const std::vector<MonitorInfo> monitors = ReadMonitors(display);
    int width = 0;
    int height = 0;
    ReadScreenSize(display, width, height);
    return PlanFullScreen(monitors, width, height);
}

}  // namespace quillmere::x11
