// The renderer's report box on X11: a small modal window titled "Error" with the report text and
// an OK button, above the full-screen window, drawn with core X fonts.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "x11_display.h"
#include "x11_platform.h"
#include "x11_signals.h"

namespace quillmere::x11 {

class X11ErrorBox {
  public:
    X11ErrorBox(X11Display& display, SignalWatch& signals, X11Platform& platform);

    // Returns when the user closes the box (OK, Enter, Escape or Space) or a termination signal
    // ends the run. Other windows' events stay queued meanwhile.
    void Show(const std::string& text);

  private:
    void RunBox(const std::string& text);

    X11Display& display_;
    SignalWatch& signals_;
    X11Platform& platform_;
};

}  // namespace quillmere::x11
