// A native top-level window that is created with a title and never mapped: other programs find
// it by that title. It reports when it is asked to close or is destroyed from outside.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "x11_connection.h"

namespace quillmere::x11 {

class HiddenWindow {
  public:
    // icon: _NET_WM_ICON data (width, height, then ARGB pixels), or empty.
    static std::unique_ptr<HiddenWindow> Create(const X11Connection& connection,
                                                const std::string& title,
                                                const std::vector<unsigned long>& icon);
    HiddenWindow(const X11Connection& connection, WindowId window);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    WindowId id() const { return window_; }
    // Called for WM_DELETE_WINDOW, a close message (QUILLMERE_WINDOW_MESSAGE WM_CLOSE) or the
    // window's destruction by another client.
    void OnClose(std::function<void()> handler) { onClose_ = std::move(handler); }
    // Handles every queued event of the connection; run it when the connection's socket is
    // readable and after other requests on the connection.
    void Pump();

  private:
    const X11Connection& connection_;
    WindowId window_;
    bool destroyed_ = false;
    std::function<void()> onClose_;
};

}  // namespace quillmere::x11
