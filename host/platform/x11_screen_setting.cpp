#include "x11_screen_setting.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>
#include <vector>

#include "saver_contract.h"
#include "x11_error_trap.h"
#include "x11_property.h"

namespace quillmere::x11 {

namespace {

struct ResourcesFree {
    void operator()(XRRScreenResources* p) const { XRRFreeScreenResources(p); }
};
struct CrtcFree {
    void operator()(XRRCrtcInfo* p) const { XRRFreeCrtcInfo(p); }
};
using Resources = std::unique_ptr<XRRScreenResources, ResourcesFree>;
using CrtcInfo = std::unique_ptr<XRRCrtcInfo, CrtcFree>;

ScreenSetting ReadSetting(Display* display, XRRScreenResources* resources) {
    ScreenSetting setting;
    XWindowAttributes root{};
    XGetWindowAttributes(display, DefaultRootWindow(display), &root);
    setting.size.width = root.width;
    setting.size.height = root.height;
    // Xlib keeps the millimetres of connection time, which is when the host records them; no
    // request tells them later without making the server probe its outputs.
    setting.size.widthMm = DisplayWidthMM(display, DefaultScreen(display));
    setting.size.heightMm = DisplayHeightMM(display, DefaultScreen(display));
    for (int i = 0; i < resources->ncrtc; ++i) {
        CrtcInfo info(XRRGetCrtcInfo(display, resources, resources->crtcs[i]));
        if (!info) {
            continue;
        }
        CrtcSetting crtc;
        crtc.crtc = static_cast<std::uint32_t>(resources->crtcs[i]);
        crtc.mode = static_cast<std::uint32_t>(info->mode);
        crtc.x = info->x;
        crtc.y = info->y;
        crtc.rotation = info->rotation;
        crtc.width = static_cast<int>(info->width);
        crtc.height = static_cast<int>(info->height);
        for (int o = 0; o < info->noutput; ++o) {
            crtc.outputs.push_back(static_cast<std::uint32_t>(info->outputs[o]));
        }
        setting.crtcs.push_back(std::move(crtc));
    }
    return setting;
}

std::optional<SwitchedModeMark> ReadMark(Display* display) {
    // One item more than the mark holds tells a longer property from it.
    const auto items =
        ReadProperty32(display, DefaultRootWindow(display),
                       XInternAtom(display, kSwitchedModeAtom, True), XA_CARDINAL, 3);
    return items ? MarkFromItems(*items) : std::nullopt;
}

void Apply(Display* display, XRRScreenResources* resources, const RestorePlan& plan) {
    const Window root = DefaultRootWindow(display);
    for (const std::uint32_t crtc : plan.switchOff) {
        XRRSetCrtcConfig(display, resources, crtc, CurrentTime, 0, 0, None, RR_Rotate_0, nullptr,
                         0);
    }
    if (plan.screen) {
        XRRSetScreenSize(display, root, plan.screen->width, plan.screen->height,
                         plan.screen->widthMm, plan.screen->heightMm);
    }
    for (const CrtcSetting& crtc : plan.crtcs) {
        std::vector<RROutput> outputs(crtc.outputs.begin(), crtc.outputs.end());
        XRRSetCrtcConfig(display, resources, crtc.crtc, CurrentTime, crtc.x, crtc.y, crtc.mode,
                         crtc.rotation, outputs.data(), static_cast<int>(outputs.size()));
    }
}

}  // namespace

ScreenSettingKeeper::ScreenSettingKeeper(const X11Connection& connection)
    : connection_(connection) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    Display* display = connection_.display();
    haveRandr_ = XRRQueryExtension(display, &eventBase, &errorBase) &&
                 XRRQueryVersion(display, &major, &minor) &&
                 (major > 1 || (major == 1 && minor >= 2));
}

void ScreenSettingKeeper::Record() {
    if (!haveRandr_) {
        return;
    }
    Display* display = connection_.display();
    ErrorTrap trap(display);
    Resources resources(XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display)));
    if (resources) {
        recorded_ = ReadSetting(display, resources.get());
    }
}

bool ScreenSettingKeeper::MarkedBy(std::int32_t pid) {
    Display* display = connection_.display();
    ErrorTrap trap(display);
    return quillmere::MarkedBy(ReadMark(display), pid);
}

bool ScreenSettingKeeper::PutBack(std::int32_t pid) {
    Display* display = connection_.display();
    const Window root = DefaultRootWindow(display);
    ErrorTrap trap(display);
    XGrabServer(display);
    const std::optional<SwitchedModeMark> mark = ReadMark(display);
    bool putBack = false;
    if (quillmere::MarkedBy(mark, pid)) {
        Resources resources(haveRandr_ ? XRRGetScreenResourcesCurrent(display, root) : nullptr);
        if (resources && recorded_ &&
            ShouldPutBack(mark, pid, static_cast<std::uint32_t>(resources->timestamp))) {
            Apply(display, resources.get(),
                  PlanRestore(*recorded_, ReadSetting(display, resources.get())));
            putBack = true;
        }
        XDeleteProperty(display, root, XInternAtom(display, kSwitchedModeAtom, False));
    }
    XUngrabServer(display);
    return putBack && !trap.Failed();
}

}  // namespace quillmere::x11
