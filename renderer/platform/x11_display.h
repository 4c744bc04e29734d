// The renderer's connection to the X server: the shared connection, with the RandR extension as
// the server offers it and the renderer's process-wide X error handling.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "x11_connection.h"
#include "x11_error_trap.h"

namespace quillmere::x11 {

// The RandR extension as the server offers it.
struct RandrInfo {
    bool present = false;
    int opcode = 0;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    bool AtLeast(int wantMajor, int wantMinor) const {
        return present && (major > wantMajor || (major == wantMajor && minor >= wantMinor));
    }
};

class X11Display final : public X11Connection {
  public:
    // Opens the display named by $DISPLAY and installs the error handlers: a vanished window or
    // drawable never kills the process, and a lost connection ends it with code 0 after putting
    // a switched display mode back over the connection kept for that (SignalWatch). Null, with
    // the reason in `reason`, when there is no display.
    static std::unique_ptr<X11Display> Open(std::string& reason);

    // Takes ownership of an open connection; Open() is the usual way in.
    explicit X11Display(Display* display);

    Display* get() const { return display(); }
    const RandrInfo& randr() const { return randr_; }

  private:
    RandrInfo randr_;
};

}  // namespace quillmere::x11
