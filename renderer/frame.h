// The renderer's frame: process-level records, the outer open/run/close loop, the message pump,
// the window procedure and the quit rules. It knows nothing of what is drawn; the scene plugs in
// through SceneHooks, the window system through RenderPlatform.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "render_platform.h"
#include "saver_contract.h"
#include "window_messages.h"

namespace quillmere {

struct AppIdentity {
    void* instance = nullptr;
    const char* className = "OpenGL";
};

// One flag per virtual-key code; 1 while the key is down.
struct KeyState {
    std::array<std::int32_t, 256> flags{};
};

struct WindowRequest {
    const AppIdentity* app = nullptr;
    const char* title = kRendererWindowTitle;
    std::int32_t width = 640;
    std::int32_t height = 480;
    std::int32_t colorBits = 16;
    bool fullScreen = true;
    // The display runs in the requested mode because this window switched it; only then does
    // closing the window switch it back. A full-screen window without it covers the monitor at
    // its own size.
    bool modeSwitched = false;
    // A window of another program to draw in, or 0. Embedded, nothing belongs to the scene but
    // what it draws: no display mode, cursor, keyboard or top-level window of its own.
    WindowHandle embedIn = 0;
};

class RendererFrame;

struct RenderWindow {
    KeyState* keys = nullptr;
    WindowHandle window = 0;
    DeviceContext deviceContext = 0;
    GLContextHandle glContext = 0;
    WindowRequest request;
    bool visible = false;
    std::uint32_t lastTick = 0;
    RendererFrame* frame = nullptr;  // the frame that owns this window, for RequestExit
};

// What the scene provides; called only by the frame, in this order over one window's life.
class SceneHooks {
  public:
    virtual ~SceneHooks() = default;
    virtual bool StartScene(RenderWindow& window, KeyState& keys) = 0;
    virtual void AdvanceClock(std::uint32_t milliseconds) = 0;
    virtual void RenderFrame() = 0;
    virtual void StopScene() = 0;
};

// Sets the GL viewport and projection for a client area; replaceable so the frame runs without GL.
using ViewportFunction = std::function<void(int width, int height)>;

// Viewport (0, 0, width, height), 45-degree perspective from 1 to 10000, identity model-view.
void ResizeViewport(int width, int height);

class RendererFrame final : public WindowProcedure {
  public:
    RendererFrame(RenderPlatform& platform, SceneHooks& scene,
                  ViewportFunction viewport = ResizeViewport);

    // The process entry: 0 normally, -1 when the window class cannot be registered. embedIn: a
    // window of another program to draw in instead of the full screen, or 0.
    int RunRenderer(void* instance, WindowHandle embedIn = 0);

    std::intptr_t RenderWindowProc(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam) override;

    // Posts WM_QUIT to the window and clears keepRunning.
    void RequestExit(RenderWindow& window);

    bool OpenRenderWindow(RenderWindow& window);
    bool CloseRenderWindow(RenderWindow& window);
    bool EnterFullScreenMode(int width, int height, int colorBits);

    bool keepRunning() const { return keepRunning_; }
    bool wantFullScreen() const { return wantFullScreen_; }
    const KeyState& keyState() const { return keys_; }
    const RenderWindow& renderWindow() const { return window_; }

  private:
    void RunMessagePump(RenderWindow& window);
    // A key released before any frame saw it pressed stays down until one has.
    void ReleaseSeenKeys(KeyState& keys);

    RenderPlatform& platform_;
    SceneHooks& scene_;
    ViewportFunction viewport_;
    AppIdentity app_;
    KeyState keys_;
    RenderWindow window_;
    bool keepRunning_ = false;
    bool wantFullScreen_ = true;
    std::array<bool, 256> unseenPress_{};
    std::array<bool, 256> releaseAfterFrame_{};
};

// For the scene: ends the run from inside a frame (the Escape check).
void RequestExit(RenderWindow& window);

}  // namespace quillmere
