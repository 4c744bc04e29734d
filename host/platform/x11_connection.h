// The host's own X connection, opened before anything else so that a missing display ends the
// program cleanly, and kept for the whole run: the cursor hide belongs to it.
// Xlib's header stays out of here: its macros (None, Bool, Status, ...) break Qt's headers.
#pragma once

#include <memory>
#include <string>

struct _XDisplay;

namespace quillmere::x11 {

using WindowId = unsigned long;

class X11Connection {
  public:
    // Nothing when the display cannot be opened; reason says why. Once a display is open, losing
    // the X server ends the process in order: see OnServerLost.
    static std::unique_ptr<X11Connection> Open(std::string& reason);
    // Runs handler, says so in one line and ends the process with code 0 when any Xlib
    // connection of the process loses its server. Xlib cannot go on without it, and its own
    // default ends through exit(), which runs static destructors while sound threads still play.
    // handler runs inside an Xlib call and must not use Xlib. Call it again after a library
    // that installs its own Xlib handler (Qt's xcb platform does).
    static void OnServerLost(void (*handler)());
    // Takes over an open display.
    explicit X11Connection(_XDisplay* display) : display_(display) {}
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    _XDisplay* display() const { return display_; }
    WindowId root() const;
    int fd() const;
    // Sends everything queued and waits until the server has handled it.
    void Sync() const;

  private:
    _XDisplay* display_;
};

}  // namespace quillmere::x11
