// A program's X connection, opened before anything else so that a missing display ends the
// program cleanly, and kept for the whole run. Both programs use it: the host for its windows,
// look-ups and cursor, the renderer for its window and GL context.
// Xlib's header stays out of here: its macros (None, Bool, Status, ...) break Qt's headers.
#pragma once

#include <map>
#include <memory>
#include <string>

struct _XDisplay;

namespace quillmere::x11 {

using WindowId = unsigned long;
using AtomId = unsigned long;

class X11Connection {
  public:
    // Nothing when the display cannot be opened; reason says why. Once a display is open, losing
    // the X server ends the process in order: see OnServerLost.
    static std::unique_ptr<X11Connection> Open(std::string& reason);
    // The same for a connection class of a program's own; null when there is no display.
    static _XDisplay* OpenDisplay(std::string& reason);
    // Runs handler, says "<program>: lost the connection to the X server" and ends the process
    // with code 0 when any Xlib connection of the process loses its server (it ended, or this
    // client was killed). Xlib cannot go on without it, and its own default ends through exit(),
    // which runs static destructors while other threads still work. handler runs inside an Xlib
    // call and must not use Xlib. Call it again after a library that installs its own Xlib
    // handler (Qt's xcb platform does).
    static void OnServerLost(const char* program, void (*handler)());
    // Takes over an open display.
    explicit X11Connection(_XDisplay* display) : display_(display) {}
    virtual ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    _XDisplay* display() const { return display_; }
    int screen() const;
    WindowId root() const;
    int fd() const;
    // The atom of that name, asked of the server once.
    AtomId atom(const char* name);
    // Sends everything queued and waits until the server has handled it.
    void Sync() const;

  private:
    _XDisplay* display_;
    std::map<std::string, AtomId> atoms_;
};

}  // namespace quillmere::x11
