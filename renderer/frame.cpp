#include "frame.h"

#include <utility>

namespace quillmere {

RendererFrame::RendererFrame(RenderPlatform& platform, SceneHooks& scene, ViewportFunction viewport)
    : platform_(platform), scene_(scene), viewport_(std::move(viewport)) {}

int RendererFrame::RunRenderer(void* instance, WindowHandle embedIn) {
    app_ = AppIdentity{instance, "OpenGL"};
    keys_ = KeyState{};
    window_ = RenderWindow{};
    window_.keys = &keys_;
    window_.request.app = &app_;
    window_.request.fullScreen = embedIn == 0;
    window_.request.embedIn = embedIn;
    window_.frame = this;

    if (!platform_.RegisterRenderClass(app_, *this)) {
        return -1;
    }
    keepRunning_ = true;
    wantFullScreen_ = window_.request.fullScreen;

    while (keepRunning_) {
        window_.request.fullScreen = wantFullScreen_;
        if (!OpenRenderWindow(window_)) {
            // The failed open has released whatever it acquired.
            keepRunning_ = false;
            break;
        }
        if (scene_.StartScene(window_, keys_)) {
            RunMessagePump(window_);
        } else {
            RequestExit(window_);
        }
        scene_.StopScene();
        CloseRenderWindow(window_);
    }

    platform_.UnregisterRenderClass(app_);
    return 0;
}

void RendererFrame::RunMessagePump(RenderWindow& window) {
    WindowMessage message;
    while (true) {
        if (platform_.PeekWindowMessage(window.window, message)) {
            if (message.message == kWmQuit) {
                return;
            }
            platform_.DispatchWindowMessage(message);
            continue;
        }
        if (!window.visible) {
            platform_.WaitMessage();
            continue;
        }
        const std::uint32_t now = platform_.GetTickCount();
        scene_.AdvanceClock(now - window.lastTick);  // unsigned: wraps correctly
        window.lastTick = now;
        ReleaseSeenKeys(*window.keys);
        scene_.RenderFrame();
        platform_.SwapBuffers(window.deviceContext);
    }
}

void RendererFrame::ReleaseSeenKeys(KeyState& keys) {
    for (std::size_t key = 0; key < keys.flags.size(); ++key) {
        if (releaseAfterFrame_[key]) {
            keys.flags[key] = 0;
        }
    }
    unseenPress_.fill(false);
    releaseAfterFrame_.fill(false);
}

bool RendererFrame::EnterFullScreenMode(int width, int height, int colorBits) {
    return platform_.ChangeDisplayMode(width, height, colorBits);
}

namespace {

// Releases whatever of the window exists, in reverse order of acquiring it; each handle is set to
// none when released.
void ReleaseWindowParts(RenderPlatform& platform, RenderWindow& window, bool contextCurrent) {
    if (window.window == 0) {
        return;
    }
    if (window.deviceContext != 0) {
        if (contextCurrent) {
            platform.MakeCurrent(window.deviceContext, 0);
        }
        if (window.glContext != 0) {
            platform.DeleteGLContext(window.glContext);
            window.glContext = 0;
        }
        platform.ReleaseDeviceContext(window.window, window.deviceContext);
        window.deviceContext = 0;
    }
    platform.DestroyRenderWindow(window.window);
    window.window = 0;
}

}  // namespace

bool RendererFrame::OpenRenderWindow(RenderWindow& window) {
    WindowRequest& request = window.request;
    WindowStyle style = WindowStyle::Overlapped;
    bool topmost = false;
    ScreenRect rect{0, 0, request.width, request.height};

    request.modeSwitched = false;
    if (request.embedIn != 0) {
        // Another program's window decides the size; the mode switch stays out of it.
        request.fullScreen = false;
        rect = platform_.EmbedRect(request.embedIn);
        style = WindowStyle::Embedded;
        if (rect.width <= 0 || rect.height <= 0) {
            return false;  // that window is gone
        }
    } else if (request.fullScreen) {
        // Without the mode the scene still covers the monitor, at the size it has: a screen
        // saver must never leave the desktop showing around a corner window.
        request.modeSwitched =
            EnterFullScreenMode(request.width, request.height, request.colorBits);
        platform_.ShowCursor(false);
        rect = platform_.FullScreenRect();
        style = WindowStyle::Popup;
        topmost = true;
    } else {
        platform_.AdjustWindowRect(rect.width, rect.height);
    }

    // Each step needs the one before it. When one fails, what was acquired goes again by the
    // closing path; the mode switch and the hidden cursor are left to the end of the process,
    // which undoes them.
    const bool acquired = [&] {
        window.window = platform_.CreateRenderWindow(request, style, topmost, rect, &window);
        if (window.window == 0) {
            return false;
        }
        window.deviceContext = platform_.GetDeviceContext(window.window);
        if (window.deviceContext == 0 ||
            !platform_.SetPixelFormat(window.deviceContext, request.colorBits, 16)) {
            return false;
        }
        window.glContext = platform_.CreateGLContext(window.deviceContext);
        return window.glContext != 0 &&
               platform_.MakeCurrent(window.deviceContext, window.glContext);
    }();
    if (!acquired) {
        // No context was made current, so none needs to be made not current.
        ReleaseWindowParts(platform_, window, false);
        return false;
    }

    platform_.ShowRenderWindow(window.window);
    window.visible = true;
    if (request.fullScreen || request.embedIn != 0) {
        viewport_(rect.width, rect.height);
    } else {
        viewport_(request.width, request.height);
    }
    window.keys->flags.fill(0);
    unseenPress_.fill(false);
    releaseAfterFrame_.fill(false);
    window.lastTick = platform_.GetTickCount();
    return true;
}

bool RendererFrame::CloseRenderWindow(RenderWindow& window) {
    ReleaseWindowParts(platform_, window, true);
    if (window.request.fullScreen) {
        if (window.request.modeSwitched) {
            platform_.RestoreDisplayMode();
            window.request.modeSwitched = false;
        }
        platform_.ShowCursor(true);
    }
    return true;
}

void RendererFrame::RequestExit(RenderWindow& window) {
    platform_.PostWindowMessage(window.window, kWmQuit, 0, 0);
    keepRunning_ = false;
}

std::intptr_t RendererFrame::RenderWindowProc(WindowHandle handle, std::uint32_t message,
                                              std::uintptr_t wParam, std::intptr_t lParam) {
    RenderWindow* window = platform_.GetWindowUserData(handle);
    switch (message) {
        case kWmCreate: {
            const auto* create = reinterpret_cast<const CreateStruct*>(lParam);
            platform_.SetWindowUserData(
                handle,
                create != nullptr ? static_cast<RenderWindow*>(create->lpCreateParams) : nullptr);
            return 0;
        }
        case kWmClose:
            if (window != nullptr) {
                RequestExit(*window);
            }
            return 0;
        case kWmSize:
            if (window == nullptr) {
                break;
            }
            if (wParam == kSizeRestored || wParam == kSizeMaximized) {
                window->visible = true;
                viewport_(LowWord(lParam), HighWord(lParam));
                return 0;
            }
            if (wParam == kSizeMinimized) {
                window->visible = false;
                return 0;
            }
            break;
        case kWmKeyDown:
        case kWmKeyUp:
            if (window == nullptr || wParam > 255) {
                break;
            }
            if (message == kWmKeyDown) {
                window->keys->flags[wParam] = 1;
                unseenPress_[wParam] = true;
                releaseAfterFrame_[wParam] = false;
            } else if (unseenPress_[wParam]) {
                // A tap shorter than a frame still counts once: the next frame sees it down.
                releaseAfterFrame_[wParam] = true;
            } else {
                window->keys->flags[wParam] = 0;
            }
            return 0;
        case kWmSysCommand:
            // Exact values only: the screen saver and monitor power-down stay away while the
            // scene shows.
            if (wParam == kScScreenSave || wParam == kScMonitorPower) {
                return 0;
            }
            break;
        case kSwitchModeMessage:
            wantFullScreen_ = !wantFullScreen_;
            platform_.PostWindowMessage(handle, kWmQuit, 0, 0);
            break;
        default:
            break;
    }
    return platform_.DefaultWindowProc(handle, message, wParam, lParam);
}

void RequestExit(RenderWindow& window) {
    if (window.frame != nullptr) {
        window.frame->RequestExit(window);
    }
}

}  // namespace quillmere
