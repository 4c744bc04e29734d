// The renderer's window-system back end on X11 with GLX: windows, display mode, cursor,
// framebuffer configuration, GL contexts, the message queue and the tick.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <deque>
#include <map>
#include <optional>
#include <string>

#include "render_platform.h"
#include "x11_display.h"
#include "x11_display_mode.h"
#include "x11_frame_pacer.h"
#include "x11_glx_choice.h"
#include "x11_signals.h"

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
    void AdjustWindowRect(int& width, int& height) override;

    WindowHandle CreateRenderWindow(const WindowRequest& request, WindowStyle style, bool topmost,
                                    int width, int height, RenderWindow* createParam) override;
    void DestroyRenderWindow(WindowHandle window) override;
    void ShowRenderWindow(WindowHandle window) override;

    DeviceContext GetDeviceContext(WindowHandle window) override;
    void ReleaseDeviceContext(WindowHandle window, DeviceContext dc) override;
    bool SetPixelFormat(DeviceContext dc, int colorBits, int depthBits) override;
    GLContextHandle CreateGLContext(DeviceContext dc) override;
    bool MakeCurrent(DeviceContext dc, GLContextHandle glContext) override;
    void DeleteGLContext(GLContextHandle glContext) override;
    void SwapBuffers(DeviceContext dc) override;

    bool PeekMessage(WindowHandle window, WindowMessage& message) override;
    void WaitMessage() override;
    void DispatchMessage(const WindowMessage& message) override;
    void PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) override;
    std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;

    void SetWindowUserData(WindowHandle window, RenderWindow* data) override;
    RenderWindow* GetWindowUserData(WindowHandle window) override;

    std::uint32_t GetTickCount() override;

    // A full-screen window takes the keyboard back after a report box had it.
    void RestoreKeyboard();
    // The window the report box belongs to: the newest render window, or 0.
    Window activeWindow() const;

  private:
    struct WindowState {
        GLXFBConfig config = nullptr;
        Colormap colormap = 0;
        bool popup = false;
        int width = 0;
        int height = 0;
        bool minimized = false;
        bool keyboardGrabbed = false;
        bool gone = false;  // destroyed by someone else
        bool screenSaverSuspended = false;
        RenderWindow* userData = nullptr;
    };
    struct DrawableState {
        Window window = 0;
        GLXFBConfig config = nullptr;
        bool formatSet = false;
        bool swapIntervalSet = false;
    };

    std::optional<GLXFBConfig> ChooseConfig(int colorBits, int depthBits);
    void SetWindowProperties(Window window, const WindowRequest& request, bool popup, bool topmost);
    void GrabKeyboard(Window window, WindowState& state);
    void ApplyCursor(Window window);
    void EnableSwapControl(GLXDrawable drawable, DrawableState& state);

    void ReadXEvents();
    void TranslateEvent(XEvent& event);
    void TranslateKey(XKeyEvent& event, bool press);
    void DeliverSignals(WindowHandle window);
    void Enqueue(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    X11Display& display_;
    SignalWatch& signals_;
    DisplayModeSwitch mode_;
    WindowProcedure* procedure_ = nullptr;
    std::string className_;
    unsigned int numLockMask_ = 0;
    bool haveScreenSaverExtension_ = false;
    int cursorCount_ = 0;
    Cursor invisibleCursor_ = 0;
    std::map<Window, WindowState> windows_;
    Window newestWindow_ = 0;
    std::map<GLXDrawable, DrawableState> drawables_;
    std::map<GLContextHandle, GLXContext> contexts_;
    GLXContext currentContext_ = nullptr;
    std::deque<WindowMessage> queue_;
    unsigned int signalsDelivered_ = 0;
    SwapControl swapControl_ = SwapControl::Unavailable;
    bool unpaced_ = false;
    bool pacing_ = true;
    FramePacer pacer_{kDefaultRefreshPeriod};
};

}  // namespace quillmere::x11
