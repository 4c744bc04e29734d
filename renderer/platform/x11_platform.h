// The renderer's window-system back end on X11 with GLX. It puts together one part per concern:
// windows and monitors (X11Windows), GL contexts and pacing (GlxContexts), events and messages
// (X11MessageQueue) and the display mode (DisplayModeSwitch), and tears them down in one place.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <string>

#include "render_platform.h"
#include "x11_display.h"
#include "x11_display_mode.h"
#include "x11_events.h"
#include "x11_gl_context.h"
#include "x11_signals.h"
#include "x11_windows.h"

namespace quillmere::x11 {

class X11Platform final : public RenderPlatform {
  public:
    X11Platform(X11Display& display, SignalWatch& signals);
    ~X11Platform() override;
    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

    bool RegisterRenderClass(const AppIdentity& app, WindowProcedure& procedure) override;
    void UnregisterRenderClass(const AppIdentity& app) override;

    bool ChangeDisplayMode(int width, int height, int colorBits) override;
    void RestoreDisplayMode() override;
    void ShowCursor(bool show) override;
    ScreenRect FullScreenRect() override;
    ScreenRect EmbedRect(WindowHandle target) override;
    void AdjustWindowRect(int& width, int& height) override;

    WindowHandle CreateRenderWindow(const WindowRequest& request, WindowStyle style, bool topmost,
                                    const ScreenRect& rect, RenderWindow* createParam) override;
    void DestroyRenderWindow(WindowHandle window) override;
    void ShowRenderWindow(WindowHandle window) override;

    DeviceContext GetDeviceContext(WindowHandle window) override;
    void ReleaseDeviceContext(WindowHandle window, DeviceContext dc) override;
    bool SetPixelFormat(DeviceContext dc, int colorBits, int depthBits) override;
    GLContextHandle CreateGLContext(DeviceContext dc) override;
    bool MakeCurrent(DeviceContext dc, GLContextHandle glContext) override;
    void DeleteGLContext(GLContextHandle glContext) override;
    void SwapBuffers(DeviceContext dc) override;

    bool PeekWindowMessage(WindowHandle window, WindowMessage& message) override;
    void WaitMessage() override;
    void DispatchWindowMessage(const WindowMessage& message) override;
    void PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) override;
    std::intptr_t DefaultWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;

    void SetWindowUserData(WindowHandle window, RenderWindow* data) override;
    RenderWindow* GetWindowUserData(WindowHandle window) override;

    std::uint32_t GetTickCount() override;

    // A full-screen window takes the keyboard back after a report box had it.
    void RestoreKeyboard();
    // The window the report box belongs to: the newest render window, or 0.
    Window activeWindow() const;
    // Where that window is; the whole screen when there is none.
    ScreenRect activeWindowRect();

  private:
    WindowHandle CreateEmbeddedWindow(const WindowRequest& request, const ScreenRect& rect,
                                      RenderWindow* createParam);

    X11Display& display_;
    // Declared in the order of set-up; the destructor takes them down in reverse.
    DisplayModeSwitch mode_;
    X11Windows windows_;
    GlxContexts gl_;
    X11MessageQueue queue_;
    WindowProcedure* procedure_ = nullptr;
    std::string className_;
};

}  // namespace quillmere::x11
