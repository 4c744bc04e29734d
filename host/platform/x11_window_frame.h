// The window manager's frame around one of our top-level windows, on X11: what it will be before
// the window is mapped, and where it is once it is. Plain Xlib on the toolkit's own connection.
#pragma once

#include <chrono>
#include <optional>

struct _XDisplay;

namespace quillmere::x11 {

using WindowId = unsigned long;  // an X window

struct FrameExtents {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    friend bool operator==(const FrameExtents&, const FrameExtents&) = default;
};

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Asks the window manager which frame it will put around the window once mapped
// (_NET_REQUEST_FRAME_EXTENTS) and waits, at most for the deadline, for its answer
// (_NET_FRAME_EXTENTS). Nothing when no window manager that offers this runs, or none answered.
std::optional<FrameExtents> RequestFrameExtents(_XDisplay* display, WindowId window,
                                                std::chrono::milliseconds deadline);

// A mapped window's place: its outer rectangle on the screen (the frame the window manager put
// it in, or the window with its border when it has none) and where its own area begins.
struct WindowPlace {
    ScreenRect outer;
    int clientX = 0;
    int clientY = 0;
};

// Nothing while the window is not viewable: a window manager frames a window before it maps it.
std::optional<WindowPlace> PlaceOnScreen(_XDisplay* display, WindowId window);

}  // namespace quillmere::x11
