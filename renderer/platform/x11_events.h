// The renderer's message queue on X11: X events and termination signals become the window
// messages the frame understands, and messages posted by the frame wait here too.
#pragma once

#include <X11/Xlib.h>

#include <deque>

#include "window_messages.h"
#include "x11_display.h"
#include "x11_signals.h"
#include "x11_windows.h"

namespace quillmere::x11 {

class X11MessageQueue {
  public:
    X11MessageQueue(X11Display& display, SignalWatch& signals, X11Windows& windows);

    // Takes one message for the window (0: any) without waiting.
    bool Peek(WindowHandle window, WindowMessage& message);
    // Returns when a message, an X event or a signal is there.
    void Wait();
    void Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
              std::intptr_t lParam);
    // Like the platform the frame was made for: a destroyed window's messages go with it.
    void Forget(Window window);
    // Default handling: system commands act on the window; everything else is ignored.
    std::intptr_t DefaultHandling(WindowHandle window, std::uint32_t message,
                                  std::uintptr_t wParam);

  private:
    void ReadXEvents();
    void TranslateEvent(XEvent& event);
    bool TranslateRootEvent(XEvent& event);
    // An event of another program's window that an embedded child of ours covers.
    void TranslateCoveredEvent(XEvent& event, Window child, X11Windows::State& state);
    void TranslateKey(XKeyEvent& event, bool press);
    void DeliverSignals(WindowHandle window);
    void Enqueue(Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    X11Display& display_;
    SignalWatch& signals_;
    X11Windows& windows_;
    unsigned int numLockMask_ = 0;
    std::deque<WindowMessage> queue_;
    unsigned int signalsDelivered_ = 0;
    bool monitorsChanged_ = false;
};

}  // namespace quillmere::x11
