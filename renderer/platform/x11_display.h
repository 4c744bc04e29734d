// The renderer's connection to the X server and the process-wide X error handling.
#pragma once

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <string>

namespace quillmere::x11 {

class X11Display {
  public:
    // Opens the display named by $DISPLAY and installs the error handlers: a vanished window or
    // drawable never kills the process, and a lost server ends it with code 0. Null, with the
    // reason in `reason`, when there is no display.
    static std::unique_ptr<X11Display> Open(std::string& reason);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    Display* get() const { return display_; }
    int screen() const { return DefaultScreen(display_); }
    Window root() const { return RootWindow(display_, screen()); }
    int fd() const { return ConnectionNumber(display_); }
    Atom atom(const char* name);

    // Takes ownership of an open connection; Open() is the usual way in.
    explicit X11Display(Display* display) : display_(display) {}

  private:
    Display* display_;
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
