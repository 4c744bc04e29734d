// GLX for the renderer's windows: the framebuffer configuration, one GLX drawable per window
// (its "device context"), the GL contexts, the buffer swap and frame pacing.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <map>
#include <optional>

#include "frame_pacer.h"
#include "window_messages.h"
#include "x11_display.h"
#include "x11_glx_choice.h"

namespace quillmere::x11 {

class GlxContexts {
  public:
    explicit GlxContexts(X11Display& display);
    ~GlxContexts();
    GlxContexts(const GlxContexts&) = delete;
    GlxContexts& operator=(const GlxContexts&) = delete;

    // Releases every context and drawable; safe at any stage of set-up, and more than once.
    void Teardown();

    // Double-buffered RGBA, with exactly the wanted bits where the display has them, else the
    // closest. With a visual: only that visual's configurations, and none without a depth
    // buffer of at least depthBits (the scene needs one).
    std::optional<GLXFBConfig> ChooseConfig(int colorBits, int depthBits, VisualID visual = 0);

    DeviceContext CreateDrawable(Window window, GLXFBConfig config);
    void ReleaseDrawable(DeviceContext dc);
    void ReleaseDrawablesOf(Window window);
    // The format was fixed with the window's visual; this only confirms the drawable has one.
    bool ConfirmFormat(DeviceContext dc);

    GLContextHandle CreateContext(DeviceContext dc);
    // Context 0 makes none current. A new current drawable starts pacing afresh at the given
    // refresh period.
    bool MakeCurrent(DeviceContext dc, GLContextHandle context, FramePacer::Duration refresh);
    void DeleteContext(GLContextHandle context);

    // Presents the frame, then waits for the next frame's start where the swap does not.
    void Swap(DeviceContext dc);

  private:
    struct DrawableState {
        Window window = 0;
        GLXFBConfig config = nullptr;
        bool formatSet = false;
        bool swapIntervalSet = false;
    };
    void EnableSwapControl(GLXDrawable drawable, DrawableState& state);

    X11Display& display_;
    std::map<GLXDrawable, DrawableState> drawables_;
    std::map<GLContextHandle, GLXContext> contexts_;
    GLXContext currentContext_ = nullptr;
    SwapControl swapControl_ = SwapControl::Unavailable;
    bool unpaced_ = false;
    SwapPacing pacing_;
};

}  // namespace quillmere::x11
