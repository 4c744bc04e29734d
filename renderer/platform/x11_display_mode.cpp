#include "x11_display_mode.h"

#include <X11/Xatom.h>
#include <X11/Xproto.h>
#include <X11/extensions/randr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "saver_contract.h"
#include "x11_monitors.h"
#include "x11_signals.h"

namespace quillmere::x11 {

namespace {

const XRRModeInfo* FindMode(XRRScreenResources* resources, RRMode id) {
    for (int i = 0; i < resources->nmode; ++i) {
        if (resources->modes[i].id == id) {
            return &resources->modes[i];
        }
    }
    return nullptr;
}

int LitCrtcCount(Display* display, XRRScreenResources* resources) {
    int count = 0;
    for (int i = 0; i < resources->ncrtc; ++i) {
        CrtcInfo crtc(XRRGetCrtcInfo(display, resources, resources->crtcs[i]));
        if (crtc && crtc->mode != 0) {
            ++count;
        }
    }
    return count;
}

void Append16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    std::uint8_t bytes[2];
    std::memcpy(bytes, &value, 2);  // the connection speaks this machine's byte order
    out.insert(out.end(), bytes, bytes + 2);
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

DisplayModeSwitch::DisplayModeSwitch(X11Display& display)
    : display_(display),
      haveRandr_(display.randr().AtLeast(1, 2)),
      randrOpcode_(display.randr().opcode) {}

DisplayModeSwitch::~DisplayModeSwitch() {
    Restore();
}

bool DisplayModeSwitch::Enter(int width, int height) {
    if (saved_) {
        return true;
    }
    Display* display = display_.get();
    const Window root = display_.root();
    XWindowAttributes rootAttributes{};
    XGetWindowAttributes(display, root, &rootAttributes);
    const bool screenMatches = rootAttributes.width == width && rootAttributes.height == height;
    if (!haveRandr_) {
        return screenMatches;
    }
    Resources resources(XRRGetScreenResourcesCurrent(display, root));
    if (!resources) {
        return screenMatches;
    }
    const RROutput output = MainOutput(display, root, resources.get());
    if (output == 0) {
        return screenMatches;
    }
    OutputInfo outputInfo(XRRGetOutputInfo(display, resources.get(), output));
    CrtcInfo crtc(XRRGetCrtcInfo(display, resources.get(), outputInfo->crtc));
    if (!crtc) {
        return screenMatches;
    }
    if (static_cast<int>(crtc->width) == width && static_cast<int>(crtc->height) == height) {
        return true;
    }

    RRMode wanted = 0;
    for (int i = 0; i < outputInfo->nmode && wanted == 0; ++i) {
        const XRRModeInfo* mode = FindMode(resources.get(), outputInfo->modes[i]);
        if (mode != nullptr && static_cast<int>(mode->width) == width &&
            static_cast<int>(mode->height) == height && (mode->modeFlags & RR_Interlace) == 0) {
            wanted = mode->id;
        }
    }
    if (wanted == 0) {
        return false;
    }

    SavedMode saved;
    saved.crtc = outputInfo->crtc;
    saved.mode = crtc->mode;
    saved.x = crtc->x;
    saved.y = crtc->y;
    saved.rotation = crtc->rotation;
    saved.outputs.assign(crtc->outputs, crtc->outputs + crtc->noutput);
    saved.screenWidth = rootAttributes.width;
    saved.screenHeight = rootAttributes.height;
    saved.screenWidthMm = DisplayWidthMM(display, display_.screen());
    saved.screenHeightMm = DisplayHeightMM(display, display_.screen());
    // The screen shrinks to the mode only when no other monitor needs it wider; then the one
    // output also moves to the corner so that it shows the whole screen.
    const bool shrinkScreen = LitCrtcCount(display, resources.get()) == 1;
    const int x = shrinkScreen ? 0 : crtc->x;
    const int y = shrinkScreen ? 0 : crtc->y;
    const bool rotated = (crtc->rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;

    ErrorTrap trap(display);
    XGrabServer(display);
    const Status status = XRRSetCrtcConfig(display, resources.get(), saved.crtc, CurrentTime, x, y,
                                           wanted, crtc->rotation, saved.outputs.data(),
                                           static_cast<int>(saved.outputs.size()));
    if (status == RRSetConfigSuccess && shrinkScreen && !rotated) {
        const int widthMm = saved.screenWidthMm * width / std::max(1, saved.screenWidth);
        const int heightMm = saved.screenHeightMm * height / std::max(1, saved.screenHeight);
        XRRSetScreenSize(display, root, width, height, widthMm, heightMm);
        saved.screenResized = true;
    }
    XUngrabServer(display);
    const bool failed = trap.Failed();
    if (status != RRSetConfigSuccess) {
        return false;
    }
    if (failed && saved.screenResized) {
        // The crtc switched but the screen kept its size: the mode still shows, from the corner.
        XWindowAttributes now{};
        XGetWindowAttributes(display, root, &now);
        saved.screenResized = now.width != saved.screenWidth || now.height != saved.screenHeight;
    }
    saved_ = std::move(saved);
    // The configuration time the restore must quote is the one after the switch; the switch's
    // own time tells the host whether anyone has changed the screen since.
    Resources after(XRRGetScreenResourcesCurrent(display, root));
    PublishSwitch(after ? after->timestamp : CurrentTime);
    ArmEmergencyRestore(*saved_, after ? after->configTimestamp : resources->configTimestamp);
    return true;
}

void DisplayModeSwitch::Restore() {
    if (!saved_) {
        return;
    }
    // The ready-made requests stay armed until the restore has reached the server: a second
    // signal in between still puts the mode back.
    const SavedMode saved = std::move(*saved_);
    saved_.reset();
    Display* display = display_.get();
    const Window root = display_.root();
    // No server grab here: if a second signal ends the process midway, the ready-made requests
    // on the other connection must not wait behind one.
    ErrorTrap trap(display);
    // Grow the screen first: the old mode does not fit the small one.
    if (saved.screenResized) {
        XRRSetScreenSize(display, root, saved.screenWidth, saved.screenHeight, saved.screenWidthMm,
                         saved.screenHeightMm);
    }
    Resources resources(XRRGetScreenResourcesCurrent(display, root));
    if (resources) {
        std::vector<RROutput> outputs = saved.outputs;
        XRRSetCrtcConfig(display, resources.get(), saved.crtc, CurrentTime, saved.x, saved.y,
                         saved.mode, saved.rotation, outputs.data(),
                         static_cast<int>(outputs.size()));
    }
    if (published_) {
        XDeleteProperty(display, root, display_.atom(kSwitchedModeAtom));
        published_ = false;
    }
    trap.Failed();
    SignalWatch::DisarmEmergencyWrite();
    emergency_.reset();
}

void DisplayModeSwitch::PublishSwitch(Time switchTimestamp) {
    const long values[2] = {static_cast<long>(getpid()), static_cast<long>(switchTimestamp)};
    XChangeProperty(display_.get(), display_.root(), display_.atom(kSwitchedModeAtom), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(values), 2);
    XFlush(display_.get());
    published_ = true;
}

FramePacer::Duration DisplayModeSwitch::CurrentRefreshPeriod() {
    if (!haveRandr_) {
        return kDefaultRefreshPeriod;
    }
    Display* display = display_.get();
    Resources resources(XRRGetScreenResourcesCurrent(display, display_.root()));
    if (!resources) {
        return kDefaultRefreshPeriod;
    }
    const RROutput output = MainOutput(display, display_.root(), resources.get());
    if (output == 0) {
        return kDefaultRefreshPeriod;
    }
    OutputInfo outputInfo(XRRGetOutputInfo(display, resources.get(), output));
    CrtcInfo crtc(XRRGetCrtcInfo(display, resources.get(), outputInfo->crtc));
    const XRRModeInfo* mode = crtc ? FindMode(resources.get(), crtc->mode) : nullptr;
    if (mode == nullptr) {
        return kDefaultRefreshPeriod;
    }
    return RefreshPeriod(mode->dotClock, mode->hTotal, mode->vTotal,
                         (mode->modeFlags & RR_Interlace) != 0,
                         (mode->modeFlags & RR_DoubleScan) != 0);
}

void DisplayModeSwitch::ArmEmergencyRestore(const SavedMode& saved, Time configTimestamp) {
    // Ready-made RandR requests on a connection of its own, so that a handler that may only
    // write(2) can still put the mode back.
    if (!emergency_) {
        emergency_.reset(XOpenDisplay(DisplayString(display_.get())));
        if (!emergency_) {
            return;
        }
        XSync(emergency_.get(), False);
    }
    std::vector<std::uint8_t> bytes;
    if (saved.screenResized) {
        bytes.push_back(static_cast<std::uint8_t>(randrOpcode_));
        bytes.push_back(X_RRSetScreenSize);
        Append16(bytes, 5);
        Append32(bytes, static_cast<std::uint32_t>(display_.root()));
        Append16(bytes, static_cast<std::uint16_t>(saved.screenWidth));
        Append16(bytes, static_cast<std::uint16_t>(saved.screenHeight));
        Append32(bytes, static_cast<std::uint32_t>(saved.screenWidthMm));
        Append32(bytes, static_cast<std::uint32_t>(saved.screenHeightMm));
    }
    bytes.push_back(static_cast<std::uint8_t>(randrOpcode_));
    bytes.push_back(X_RRSetCrtcConfig);
    Append16(bytes, static_cast<std::uint16_t>(7 + saved.outputs.size()));
    Append32(bytes, static_cast<std::uint32_t>(saved.crtc));
    Append32(bytes, CurrentTime);
    Append32(bytes, static_cast<std::uint32_t>(configTimestamp));
    Append16(bytes, static_cast<std::uint16_t>(saved.x));
    Append16(bytes, static_cast<std::uint16_t>(saved.y));
    Append32(bytes, static_cast<std::uint32_t>(saved.mode));
    Append16(bytes, static_cast<std::uint16_t>(saved.rotation));
    Append16(bytes, 0);
    for (RROutput output : saved.outputs) {
        Append32(bytes, static_cast<std::uint32_t>(output));
    }
    if (published_) {
        bytes.push_back(X_DeleteProperty);
        bytes.push_back(0);
        Append16(bytes, 3);
        Append32(bytes, static_cast<std::uint32_t>(display_.root()));
        Append32(bytes, static_cast<std::uint32_t>(display_.atom(kSwitchedModeAtom)));
    }
    SignalWatch::ArmEmergencyWrite(ConnectionNumber(emergency_.get()), bytes);
}

}  // namespace quillmere::x11
