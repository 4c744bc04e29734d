// The renderer's connection to the X server and the process-wide X error handling.
#pragma once

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <string>

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

class X11Display {
  public:
    // Opens the display named by $DISPLAY and installs the error handlers: a vanished window or
    // drawable never kills the process, and a lost connection ends it with code 0 after putting
    // a switched display mode back over the connection kept for that (SignalWatch). Null, with
    // the reason in `reason`, when there is no display.
    static std::unique_ptr<X11Display> Open(std::string& reason);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    Display* get() const { return display_; }
    int screen() const { return DefaultScreen(display_); }
    Window root() const { return RootWindow(display_, screen()); }
    int fd() const { return ConnectionNumber(display_); }
    Atom atom(const char* name);
    const RandrInfo& randr() const { return randr_; }

    // Takes ownership of an open connection; Open() is the usual way in.
    explicit X11Display(Display* display);

  private:
    Display* display_;
    RandrInfo randr_;
    std::map<std::string, Atom> atoms_;
};

// Tells whether the requests made during its life raised X errors. Requests are asynchronous,
// so both ends sync with the server.
class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display);
    bool Failed();

  private:
    Display* display_;
    unsigned long errorsBefore_;
};

}  // namespace quillmere::x11
