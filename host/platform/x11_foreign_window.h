// Another program's window that the preview lives in: its size, and notice of its resizes and of
// its destruction.
#pragma once

#include <functional>
#include <optional>

#include "x11_connection.h"

namespace quillmere::x11 {

struct WindowSize {
    int width = 0;
    int height = 0;
};

// The window's size in pixels; nothing when no such window exists.
std::optional<WindowSize> ForeignWindowSize(_XDisplay* display, WindowId window);

// Watches one foreign window on the host's connection. Pump() must run whenever the connection's
// socket is readable and after other requests on the connection, which may queue events.
class ForeignWindowWatch {
  public:
    struct Handlers {
        std::function<void(WindowSize)> Resized;
        std::function<void()> Destroyed;
    };

    ForeignWindowWatch(const X11Connection& connection, WindowId window, Handlers handlers);
    ~ForeignWindowWatch();
    ForeignWindowWatch(const ForeignWindowWatch&) = delete;
    ForeignWindowWatch& operator=(const ForeignWindowWatch&) = delete;

    // Starts watching; false when the window is already gone.
    bool Start();
    // Handles every queued event of the connection.
    void Pump();

  private:
    const X11Connection& connection_;
    WindowId window_;
    Handlers handlers_;
    bool watching_ = false;
    bool gone_ = false;
};

}  // namespace quillmere::x11
