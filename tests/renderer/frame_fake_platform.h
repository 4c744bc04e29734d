// A scripted stand-in for the window system: records every call, hands out queued messages and
// lets a test act between frames.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "frame.h"

namespace quillmere::testing {

class FakePlatform : public RenderPlatform {
  public:
    // Failure switches, one per step that can fail.
    bool failRegister = false;
    bool failDisplayMode = false;
    bool failCreateWindow = false;
    bool failDeviceContext = false;
    bool failPixelFormat = false;
    bool failCreateContext = false;
    bool failMakeCurrent = false;

    std::vector<std::string> calls;
    std::uint32_t tick = 1000;
    // Runs when the queue is empty and the frame is about to draw or wait; a test injects
    // messages or advances the tick here. Given the number of frames swapped so far.
    std::function<void(FakePlatform&, int frame)> onIdle;
    int framesSwapped = 0;
    int waits = 0;
    WindowHandle lastWindow = 0;
    WindowStyle lastStyle = WindowStyle::Overlapped;
    bool lastTopmost = false;
    int lastWidth = 0;
    int lastHeight = 0;
    ScreenRect lastRect;
    int windowsCreated = 0;
    // What the main monitor shows: the mode when the switch succeeds, else its own size.
    ScreenRect monitorRect{0, 0, 640, 480};
    // The window another program gave to draw in; empty once it is gone.
    ScreenRect embedRect{0, 0, 200, 150};
    WindowHandle lastEmbedIn = 0;

    // Puts a message at the end of the queue of the current window.
    void Send(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        queue_.push_back({lastWindow, message, wParam, lParam});
    }
    int Count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) {
            n += c == call ? 1 : 0;
        }
        return n;
    }

    bool RegisterRenderClass(const AppIdentity&, WindowProcedure& procedure) override {
        calls.push_back("RegisterRenderClass");
        procedure_ = &procedure;
        return !failRegister;
    }
    void UnregisterRenderClass(const AppIdentity&) override {
        calls.push_back("UnregisterRenderClass");
    }
    bool ChangeDisplayMode(int, int, int) override {
        calls.push_back("ChangeDisplayMode");
        return !failDisplayMode;
    }
    void RestoreDisplayMode() override { calls.push_back("RestoreDisplayMode"); }
    void ShowCursor(bool show) override { calls.push_back(show ? "ShowCursor" : "HideCursor"); }
    ScreenRect FullScreenRect() override {
        calls.push_back("FullScreenRect");
        return monitorRect;
    }
    ScreenRect EmbedRect(WindowHandle) override {
        calls.push_back("EmbedRect");
        return embedRect;
    }
    void AdjustWindowRect(int& width, int& height) override {
        calls.push_back("AdjustWindowRect");
        width += 10;
        height += 30;
    }
    WindowHandle CreateRenderWindow(const WindowRequest& request, WindowStyle style, bool topmost,
                                    const ScreenRect& rect, RenderWindow* createParam) override {
        calls.push_back("CreateRenderWindow");
        if (failCreateWindow) {
            return 0;
        }
        lastEmbedIn = request.embedIn;
        lastWindow = 100 + static_cast<WindowHandle>(++windowsCreated);
        lastStyle = style;
        lastTopmost = topmost;
        lastRect = rect;
        lastWidth = rect.width;
        lastHeight = rect.height;
        // As Win32 does: lParam points at a record whose first member is the parameter.
        CreateStruct create{createParam};
        procedure_->RenderWindowProc(lastWindow, kWmCreate, 0,
                                     reinterpret_cast<std::intptr_t>(&create));
        return lastWindow;
    }
    void DestroyRenderWindow(WindowHandle window) override {
        calls.push_back("DestroyRenderWindow");
        userData_.erase(window);
        // Messages for a destroyed window are gone with it.
        std::erase_if(queue_, [window](const WindowMessage& m) { return m.window == window; });
    }
    void ShowRenderWindow(WindowHandle) override { calls.push_back("ShowRenderWindow"); }
    DeviceContext GetDeviceContext(WindowHandle) override {
        calls.push_back("GetDeviceContext");
        return failDeviceContext ? 0 : 7;
    }
    void ReleaseDeviceContext(WindowHandle, DeviceContext) override {
        calls.push_back("ReleaseDeviceContext");
    }
    bool SetPixelFormat(DeviceContext, int, int) override {
        calls.push_back("SetPixelFormat");
        return !failPixelFormat;
    }
    GLContextHandle CreateGLContext(DeviceContext) override {
        calls.push_back("CreateGLContext");
        return failCreateContext ? 0 : 9;
    }
    bool MakeCurrent(DeviceContext, GLContextHandle context) override {
        calls.push_back(context != 0 ? "MakeCurrent" : "MakeNoneCurrent");
        return context == 0 || !failMakeCurrent;
    }
    void DeleteGLContext(GLContextHandle) override { calls.push_back("DeleteGLContext"); }
    void SwapBuffers(DeviceContext) override {
        calls.push_back("SwapBuffers");
        ++framesSwapped;
    }
    bool PeekWindowMessage(WindowHandle window, WindowMessage& message) override {
        // Once per drawn frame or wait, so a script that queues messages cannot loop.
        if (queue_.empty() && onIdle && std::make_pair(framesSwapped, waits) != lastIdle_) {
            lastIdle_ = {framesSwapped, waits};
            onIdle(*this, framesSwapped);
        }
        for (auto it = queue_.begin(); it != queue_.end(); ++it) {
            if (it->window == window) {
                message = *it;
                queue_.erase(it);
                return true;
            }
        }
        return false;
    }
    void WaitMessage() override {
        calls.push_back("WaitMessage");
        ++waits;
    }
    void DispatchWindowMessage(const WindowMessage& m) override {
        procedure_->RenderWindowProc(m.window, m.message, m.wParam, m.lParam);
    }
    void PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
        calls.push_back(message == kWmQuit ? "PostQuit" : "PostMessage");
        queue_.push_back({window, message, wParam, lParam});
    }
    std::intptr_t DefaultWindowProc(WindowHandle, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t) override {
        defaultHandled.push_back({message, wParam});
        return 0;
    }
    void SetWindowUserData(WindowHandle window, RenderWindow* data) override {
        userData_[window] = data;
    }
    RenderWindow* GetWindowUserData(WindowHandle window) override {
        auto it = userData_.find(window);
        return it == userData_.end() ? nullptr : it->second;
    }
    std::uint32_t GetTickCount() override { return tick; }

    std::vector<std::pair<std::uint32_t, std::uintptr_t>> defaultHandled;

  private:
    WindowProcedure* procedure_ = nullptr;
    std::deque<WindowMessage> queue_;
    std::map<WindowHandle, RenderWindow*> userData_;
    std::pair<int, int> lastIdle_{-1, -1};
};

// A scene that records its hooks and does the Escape check the way the real one does.
class RecordingScene : public SceneHooks {
  public:
    std::vector<std::uint32_t> deltas;
    int starts = 0;
    int stops = 0;
    int frames = 0;
    bool startResult = true;
    // The flag of this key at each clock advance, when it is 0..255.
    int watchedKey = -1;
    std::vector<std::int32_t> watchedValues;

    bool StartScene(RenderWindow& window, KeyState& keys) override {
        window_ = &window;
        keys_ = &keys;
        ++starts;
        return startResult;
    }
    void AdvanceClock(std::uint32_t ms) override {
        deltas.push_back(ms);
        if (watchedKey >= 0) {
            watchedValues.push_back(keys_->flags[static_cast<std::size_t>(watchedKey)]);
        }
        if (keys_->flags[kVkEscape] == 1) {
            RequestExit(*window_);
        }
    }
    void RenderFrame() override { ++frames; }
    void StopScene() override { ++stops; }

  private:
    RenderWindow* window_ = nullptr;
    KeyState* keys_ = nullptr;
};

}  // namespace quillmere::testing
