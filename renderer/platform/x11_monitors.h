// The monitors of the X screen, through RandR: its monitors (1.5), else its lit CRTCs (1.2),
// else the whole screen as one.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>
#include <vector>

#include "x11_display.h"
#include "x11_monitor_layout.h"

namespace quillmere::x11 {

// RandR replies, freed the way RandR wants.
struct RandrFree {
    void operator()(XRRScreenResources* p) const { XRRFreeScreenResources(p); }
    void operator()(XRROutputInfo* p) const { XRRFreeOutputInfo(p); }
    void operator()(XRRCrtcInfo* p) const { XRRFreeCrtcInfo(p); }
    void operator()(XRRMonitorInfo* p) const { XRRFreeMonitors(p); }
};
using Resources = std::unique_ptr<XRRScreenResources, RandrFree>;
using OutputInfo = std::unique_ptr<XRROutputInfo, RandrFree>;
using CrtcInfo = std::unique_ptr<XRRCrtcInfo, RandrFree>;
using Monitors = std::unique_ptr<XRRMonitorInfo, RandrFree>;

// The output a display-mode switch changes: the primary output when it is lit, else the first
// lit one; 0 when none is.
RROutput MainOutput(Display* display, Window root, XRRScreenResources* resources);

// The monitors as the display shows them now; empty when it reports none.
std::vector<MonitorInfo> ReadMonitors(X11Display& display);

// The current size of the screen, asked of the server (Xlib's own copy lags behind a change).
void ReadScreenSize(X11Display& display, int& width, int& height);

// Where the full-screen windows go now.
FullScreenLayout ReadFullScreenLayout(X11Display& display);

}  // namespace quillmere::x11
