// The window-system services the renderer frame needs. One back end per platform implements
// them (X11/GLX now); the tests drive the frame through a scripted fake.
#pragma once

#include <cstdint>

#include "window_messages.h"

namespace quillmere {

struct AppIdentity;
struct WindowRequest;
struct RenderWindow;

// The procedure that receives every dispatched message, WM_CREATE included.
class WindowProcedure {
  public:
    virtual ~WindowProcedure() = default;
    virtual std::intptr_t RenderWindowProc(WindowHandle window, std::uint32_t message,
                                           std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// Embedded: the scene draws inside a window another program gave (a screen-saver daemon's, a
// settings preview): in that window itself where its visual suits GL, else in a child that
// exactly covers it.
enum class WindowStyle { Overlapped, Popup, Embedded };

// A rectangle in screen pixels, from the top-left corner of the whole screen.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ScreenRect&) const = default;
};

class RenderPlatform {
  public:
    virtual ~RenderPlatform() = default;

    virtual bool RegisterRenderClass(const AppIdentity& app, WindowProcedure& procedure) = 0;
    virtual void UnregisterRenderClass(const AppIdentity& app) = 0;

    // Temporary display mode: true only when the display now runs at width x height.
    virtual bool ChangeDisplayMode(int width, int height, int colorBits) = 0;
    virtual void RestoreDisplayMode() = 0;
    virtual void ShowCursor(bool show) = 0;
    // Where a full-screen window goes: the whole main monitor as it shows now (after a switch,
    // in the switched mode).
    virtual ScreenRect FullScreenRect() = 0;

    // The size of a window another program gave to draw in, at (0, 0); empty when it is gone.
    virtual ScreenRect EmbedRect(WindowHandle target) = 0;

    // Outer window size for a client area of width x height (windowed mode only).
    virtual void AdjustWindowRect(int& width, int& height) = 0;

    // Creates the window with the given outer rectangle; the procedure receives WM_CREATE with
    // lParam pointing at createParam before this returns. A topmost popup also covers every
    // other monitor in black while it lives, and follows the main monitor when the monitors
    // change (WM_SIZE tells the new size). An embedded window draws in request.embedIn and
    // follows its size (WM_SIZE); its destruction closes the window (WM_CLOSE). 0 on failure.
    virtual WindowHandle CreateRenderWindow(const WindowRequest& request, WindowStyle style,
                                            bool topmost, const ScreenRect& rect,
                                            RenderWindow* createParam) = 0;
    virtual void DestroyRenderWindow(WindowHandle window) = 0;
    virtual void ShowRenderWindow(WindowHandle window) = 0;

    virtual DeviceContext GetDeviceContext(WindowHandle window) = 0;
    virtual void ReleaseDeviceContext(WindowHandle window, DeviceContext dc) = 0;
    // Double-buffered RGBA format with the given colour and depth bits, chosen as close as the
    // display allows.
    virtual bool SetPixelFormat(DeviceContext dc, int colorBits, int depthBits) = 0;
    virtual GLContextHandle CreateGLContext(DeviceContext dc) = 0;
    // glContext 0 makes no context current.
    virtual bool MakeCurrent(DeviceContext dc, GLContextHandle glContext) = 0;
    virtual void DeleteGLContext(GLContextHandle glContext) = 0;
    // Presents the frame. Also paces frames to the display when the swap itself does not.
    virtual void SwapBuffers(DeviceContext dc) = 0;

    // Takes one message for the window off the queue without waiting.
    virtual bool PeekWindowMessage(WindowHandle window, WindowMessage& message) = 0;
    virtual void WaitMessage() = 0;
    virtual void DispatchWindowMessage(const WindowMessage& message) = 0;
    virtual void PostWindowMessage(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual std::intptr_t DefaultWindowProc(WindowHandle window, std::uint32_t message,
                                            std::uintptr_t wParam, std::intptr_t lParam) = 0;

    virtual void SetWindowUserData(WindowHandle window, RenderWindow* data) = 0;
    virtual RenderWindow* GetWindowUserData(WindowHandle window) = 0;

    // Millisecond tick, 32 bits; differences are taken with unsigned wrap-around.
    virtual std::uint32_t GetTickCount() = 0;
};

}  // namespace quillmere
