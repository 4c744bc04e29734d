// X11 helpers for the system tests: a client connection, exact-title window look-up, XTEST input,
// window messages, RandR modes, pixel capture and a small 24-bit bitmap writer.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class XClient {
  public:
    explicit XClient(const std::string& display);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;
    Display* get() const { return display_; }
    bool ok() const { return display_ != nullptr; }

  private:
    Display* display_ = nullptr;
};

// Top-level windows (root's children, and one level deeper for window-manager frames) whose
// _NET_WM_NAME or WM_NAME is exactly title, in stacking order from bottom to top.
std::vector<Window> FindWindowsByTitle(Display* display, const std::string& title);
Window FindWindowByTitle(Display* display, const std::string& title);
// Position of a top-level window in the stacking order of root's children (higher is nearer the
// top), or -1.
int StackingPosition(Display* display, Window window);
// The first child of parent named exactly title, or 0.
Window FindChildByTitle(Display* display, Window parent, const std::string& title);
// The children of a window, bottom first; empty when it has none or is gone.
std::vector<Window> Children(Display* display, Window parent);

struct WindowInfo {
    int x = 0;  // relative to the root window
    int y = 0;
    int width = 0;
    int height = 0;
    bool viewable = false;
    bool overrideRedirect = false;
};
std::optional<WindowInfo> GetWindowInfo(Display* display, Window window);

// XTEST input, flushed to the server. A click returns once the server has taken its release in,
// false when it never did.
void FakeKey(Display* display, unsigned long keysym, bool press);
bool FakeClick(Display* display, int x, int y);

// A window message from another process (a QUILLMERE_WINDOW_MESSAGE ClientMessage).
void SendWindowMessage(Display* display, Window window, std::uint32_t message,
                       std::uintptr_t wParam = 0);
// What a window manager sends for the close button.
void SendDeleteWindow(Display* display, Window window);

struct ScreenMode {
    int screenWidth = 0;
    int screenHeight = 0;
    int crtcWidth = 0;  // what the first lit output shows
    int crtcHeight = 0;
    bool operator==(const ScreenMode&) const = default;
};
ScreenMode CurrentScreenMode(Display* display);
// Lists a width x height mode on the first output, as xrandr --newmode/--addmode would.
bool AddOutputMode(Display* display, int width, int height);

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // rows from the top
    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};
std::optional<Capture> CaptureWindow(Display* display, Window window);
// Mean absolute difference of horizontally neighbouring pixels (all channels) inside the rows
// [top, bottom): near 0 for smooth shading, large where a texture shows.
double HorizontalDetail(const Capture& capture, int top, int bottom);

// A 24-bit bottom-up bitmap file with a 40-byte header; colour(x, y) with y counted from the top.
std::vector<std::uint8_t> MakeBitmap24(int width, int height,
                                       const std::function<Rgb(int x, int y)>& colour);

}  // namespace testsupport
