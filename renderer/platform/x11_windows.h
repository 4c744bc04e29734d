// The renderer's windows on X11: the scene windows, and the black covers a full-screen window
// puts over every other monitor, with their cursor, keyboard grab and screen-saver suspension;
// or, embedded, the window another program gave (or a child covering it), which is drawn in and
// nothing else. The GL side of a window lives in GlxContexts.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <map>
#include <string>
#include <vector>

#include "render_platform.h"
#include "x11_display.h"
#include "x11_monitor_layout.h"

namespace quillmere::x11 {

class X11Windows {
  public:
    struct State {
        GLXFBConfig config = nullptr;
        Colormap colormap = 0;
        bool popup = false;  // full-screen: override-redirect, covers, keyboard grab
        ScreenRect rect;     // as last placed by us or reported by the server
        bool mapped = false;
        bool minimized = false;
        bool keyboardGrabbed = false;
        bool gone = false;  // destroyed by someone else
        bool screenSaverSuspended = false;
        // Embedded: drawn in another program's window itself, which is never changed or
        // destroyed here ...
        bool foreign = false;
        // ... or in a child of ours covering that window.
        Window embedParent = 0;
        RenderWindow* userData = nullptr;
        std::vector<Window> covers;
        std::vector<ScreenRect> coverRects;
    };

    explicit X11Windows(X11Display& display);
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    // Destroys every window and frees the cursor; safe at any stage of set-up, and more than
    // once.
    void Teardown();

    // Where a full-screen window goes now: the main monitor.
    ScreenRect FullScreenRect();

    // A window of the config's visual at rect. A popup also gets a black cover over every other
    // monitor. 0 on failure.
    Window Create(const WindowRequest& request, const std::string& className, bool popup,
                  bool topmost, const ScreenRect& rect, GLXFBConfig config,
                  const XVisualInfo& visual);
    // Draws in target itself (drawInTarget: its visual is the config's) or in a child of the
    // config's visual covering it; either way its size and destruction are followed, and its
    // input, cursor and stacking stay with its owner. 0 when target is gone.
    Window CreateEmbedded(Window target, bool drawInTarget, const ScreenRect& rect,
                          GLXFBConfig config, const XVisualInfo& visual);
    // The other program's window has a new size: the covering child takes it too.
    void FollowEmbedParent(Window window, int width, int height);
    void Destroy(Window window);
    // Maps the window (covers first, so the scene stays above them), focuses it, and grabs the
    // keyboard for a popup.
    void Show(Window window);
    void GrabKeyboard(Window window);
    // A full-screen window takes the keyboard back after a report box had it.
    void RestoreKeyboard();

    // Cursor display count, as ShowCursor keeps it: hidden over our windows while below 0.
    void ShowCursor(bool show);
    bool cursorHidden() const { return cursorCount_ < 0; }

    // The monitors changed: every popup moves to the main monitor, and the covers follow.
    // Returns the popups whose size changed, so that the frame learns it before it draws
    // again.
    std::vector<Window> FollowMonitors();

    State* Find(Window window);
    bool Embedded(const State& state) const { return state.foreign || state.embedParent != 0; }
    // Our child covering that window of another program, or 0.
    Window ChildCovering(Window parent) const;
    bool empty() const { return windows_.empty(); }
    // The newest window, or 0; the report box belongs to it.
    Window newest() const { return newest_; }

  private:
    void SetProperties(Window window, const WindowRequest& request, const std::string& className,
                       bool popup, bool topmost, const ScreenRect& rect);
    void ApplyCursor(Window window);
    void PlaceCovers(Window scene, State& state, const std::vector<ScreenRect>& rects);

    X11Display& display_;
    bool haveScreenSaverExtension_ = false;
    int cursorCount_ = 0;
    Cursor invisibleCursor_ = 0;
    std::map<Window, State> windows_;
    Window newest_ = 0;
};

}  // namespace quillmere::x11
