// Quillmere.dll: the renderer program. Started by the host with no arguments, it shows the
// horizon scene full-screen until Escape or a close request. With --window-id ID it draws inside
// that window instead (an XScreenSaver hack's way) until the window goes or it is asked to end.
#include <X11/Xlib.h>

#include <cstdio>
#include <string>

#include "error_report.h"
#include "frame.h"
#include "horizon_scene.h"
#include "renderer_options.h"
#include "x11_display.h"
#include "x11_error_box.h"
#include "x11_platform.h"
#include "x11_signals.h"

namespace {

constexpr char kProgram[] = "Quillmere.dll";

// True when the window exists and can be drawn in.
bool DrawableWindow(quillmere::x11::X11Display& display, Window window) {
    XWindowAttributes attributes{};
    quillmere::x11::ErrorTrap trap(display.get());
    const bool found = XGetWindowAttributes(display.get(), window, &attributes) != 0;
    return !trap.Failed() && found && attributes.c_class == InputOutput;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quillmere;

    const RendererOptions options = ParseRendererOptions(argc, argv);
    if (!options.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, options.error.c_str());
        return 2;
    }

    std::string reason;
    std::unique_ptr<x11::X11Display> display = x11::X11Display::Open(reason);
    if (!display) {
        // Nothing to show on: not a failure of the saver, so the exit code stays 0.
        std::fprintf(stderr, "%s: cannot open the X display (%s)\n", kProgram, reason.c_str());
        return options.windowId != 0 ? 1 : 0;
    }
    if (options.windowId != 0 && !DrawableWindow(*display, options.windowId)) {
        std::fprintf(stderr, "%s: no window 0x%x to draw in\n", kProgram, options.windowId);
        return 1;
    }
    x11::SignalWatch signals;
    x11::X11Platform platform(*display, signals);
    // Embedded, the program opens no window of its own: reports go to stderr.
    x11::X11ErrorBox box(*display, signals, platform);
    if (options.windowId == 0) {
        SetErrorReporter([&box](const std::string& text) { box.Show(text); });
    }

    HorizonScene scene;
    RendererFrame frame(platform, scene);
    const int code = frame.RunRenderer(nullptr, options.windowId);
    SetErrorReporter({});
    return code;
}
