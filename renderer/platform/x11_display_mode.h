// The temporary 640 x 480 display mode through XRandR, on the output of the main monitor. X11
// does not undo a mode switch when the client goes away, so the old mode is put back on close,
// on normal exit, on signals and when the X connection is lost. While switched, the root window
// carries the switched-mode property, so that the host can put the mode back if even that fails.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>
#include <optional>
#include <vector>

#include "x11_display.h"
#include "frame_pacer.h"

namespace quillmere::x11 {

class DisplayModeSwitch {
  public:
    explicit DisplayModeSwitch(X11Display& display);
    ~DisplayModeSwitch();
    DisplayModeSwitch(const DisplayModeSwitch&) = delete;
    DisplayModeSwitch& operator=(const DisplayModeSwitch&) = delete;

    // True when the screen now shows width x height: the output was switched to a mode of that
    // size that it lists, or it already showed one. Colour depth cannot change on X11.
    bool Enter(int width, int height);
    // Puts the mode from before Enter back; nothing when Enter changed nothing.
    void Restore();
    bool switched() const { return saved_.has_value(); }

    // Refresh period of the mode the main output shows now.
    FramePacer::Duration CurrentRefreshPeriod();

  private:
    struct SavedMode {
        RRCrtc crtc = 0;
        RRMode mode = 0;
        int x = 0;
        int y = 0;
        Rotation rotation = RR_Rotate_0;
        std::vector<RROutput> outputs;
        bool screenResized = false;
        int screenWidth = 0;
        int screenHeight = 0;
        int screenWidthMm = 0;
        int screenHeightMm = 0;
    };
    struct DisplayCloser {
        void operator()(Display* display) const { XCloseDisplay(display); }
    };

    void PublishSwitch(Time switchTimestamp);
    void ArmEmergencyRestore(const SavedMode& saved, Time configTimestamp);

    X11Display& display_;
    bool haveRandr_ = false;
    int randrOpcode_ = 0;
    bool published_ = false;
    std::optional<SavedMode> saved_;
    // A connection used only by the signal handler, which may not call Xlib.
    std::unique_ptr<Display, DisplayCloser> emergency_;
};

}  // namespace quillmere::x11
