// The screen configuration the host records before the renderer switches the display, and the
// rules for putting it back when the renderer could not (it was killed outright). Plain C++: the
// XRandR calls live in platform/x11_screen_setting.h.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace quillmere {

// One CRTC as RandR reports it. width and height are the area it covers on the screen (rotation
// applied); mode 0 is a CRTC that is off.
struct CrtcSetting {
    std::uint32_t crtc = 0;
    std::uint32_t mode = 0;
    int x = 0;
    int y = 0;
    std::uint16_t rotation = 1;
    std::vector<std::uint32_t> outputs;
    int width = 0;
    int height = 0;

    // Same picture on the same outputs; the covered area follows from the mode.
    bool SameAs(const CrtcSetting& other) const {
        return crtc == other.crtc && mode == other.mode && x == other.x && y == other.y &&
               rotation == other.rotation && outputs == other.outputs;
    }
};

struct ScreenSize {
    int width = 0;
    int height = 0;
    int widthMm = 0;
    int heightMm = 0;
    bool operator==(const ScreenSize&) const = default;
};

struct ScreenSetting {
    ScreenSize size;
    std::vector<CrtcSetting> crtcs;
};

// The renderer's mark on the root window while it holds its switched mode: its process id and
// the RandR configuration timestamp right after its switch.
struct SwitchedModeMark {
    std::uint32_t pid = 0;
    std::uint32_t timestamp = 0;
};

// The mark read from the property's 32-bit items; nothing unless it holds both.
std::optional<SwitchedModeMark> MarkFromItems(const std::vector<unsigned long>& items);

// True when the mark is that of the renderer this host started.
bool MarkedBy(const std::optional<SwitchedModeMark>& mark, std::int32_t rendererPid);

// True when the recorded configuration is to go back: the renderer this host started left its
// mark, and the configuration is still the one it switched to. Any later change, by the user or
// another program, moves the timestamp on, and that configuration is theirs to keep.
bool ShouldPutBack(const std::optional<SwitchedModeMark>& mark, std::int32_t rendererPid,
                   std::uint32_t currentTimestamp);

// The requests that turn the current configuration back into the recorded one, in order: CRTCs
// that would not fit the recorded screen go off first, then the screen takes its recorded size,
// then every CRTC that differs takes its recorded setting.
struct RestorePlan {
    std::vector<std::uint32_t> switchOff;
    std::optional<ScreenSize> screen;
    std::vector<CrtcSetting> crtcs;

    bool empty() const { return switchOff.empty() && !screen && crtcs.empty(); }
};

RestorePlan PlanRestore(const ScreenSetting& recorded, const ScreenSetting& current);

// A display mode as Windows reports it for the whole desktop.
struct DisplayModeSetting {
    unsigned long width = 0;
    unsigned long height = 0;
    unsigned long bits = 0;
    unsigned long frequency = 0;
    bool operator==(const DisplayModeSetting&) const = default;
};

// Windows leaves no mark of whose mode is current, so the host follows the changes it is told of
// (WM_DISPLAYCHANGE): one made while the renderer runs, to a mode other than the one recorded
// before it started, is the renderer's switched mode.
class SwitchedModeWatch {
  public:
    void Record(const DisplayModeSetting& before) {
        recorded_ = before;
        current_ = before;
        switched_.reset();
    }
    void Changed(const DisplayModeSetting& now, bool rendererRunning) {
        current_ = now;
        if (rendererRunning && recorded_ && !(now == *recorded_)) {
            switched_ = now;
        }
    }
    // True when the mode now is still the renderer's switched one: put back the recorded one.
    // A mode set after the renderer's (the user's choice) is not the renderer's, and stays.
    bool ShouldPutBack() const { return recorded_ && switched_ && current_ == *switched_; }
    void Forget() { switched_.reset(); }

  private:
    std::optional<DisplayModeSetting> recorded_;
    DisplayModeSetting current_;
    std::optional<DisplayModeSetting> switched_;
};

}  // namespace quillmere
