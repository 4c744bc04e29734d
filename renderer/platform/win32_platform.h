// The renderer's window-system back end on Win32 with WGL: the window class "OpenGL", the
// temporary display mode, the scene window and the black covers a full-screen window puts over
// every other monitor, the message pump and the tick, each through the Win32 call made for it.
#pragma once

#include <windows.h>

#include <vector>

#include "render_platform.h"
#include "win32_display_mode.h"
#include "win32_gl_context.h"

namespace quillmere::win32 {

class Win32Platform final : public RenderPlatform {
  public:
    explicit Win32Platform(HINSTANCE instance);
    // Whatever stage the run reached: windows go, and a mode still switched goes back (a failed
    // open after the switch leaves it so).
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

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
    std::intptr_t DefaultWindowProc(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam) override;

    void SetWindowUserData(WindowHandle window, RenderWindow* data) override;
    RenderWindow* GetWindowUserData(WindowHandle window) override;

    std::uint32_t GetTickCount() override;

    // The scene window while one exists (for the report box and the end of a console session).
    HWND activeWindow() const { return window_; }
    // The display mode, which the end of a console session may put back from another thread.
    Win32DisplayMode& displayMode() { return mode_; }

  private:
    static LRESULT CALLBACK RenderWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam);
    // Black covers over every monitor but the primary one, which the scene fills.
    void PlaceCovers();
    void DestroyCovers();
    // The monitors changed: the full-screen window fills the primary monitor again.
    void FollowPrimaryMonitor();

    HINSTANCE instance_;
    Win32DisplayMode mode_;
    WglContexts gl_;
    const char* className_ = nullptr;
    bool classRegistered_ = false;
    bool coverClassRegistered_ = false;
    HWND window_ = nullptr;
    bool popup_ = false;
    std::vector<HWND> covers_;
};

}  // namespace quillmere::win32
