// Quillmere.dll: the renderer program. Started by the host with no arguments; shows the horizon
// scene full-screen until Escape or a close request.
#include <cstdio>
#include <string>

#include "error_report.h"
#include "frame.h"
#include "horizon_scene.h"
#include "x11_display.h"
#include "x11_error_box.h"
#include "x11_platform.h"
#include "x11_signals.h"

int main() {
    using namespace quillmere;

    std::string reason;
    std::unique_ptr<x11::X11Display> display = x11::X11Display::Open(reason);
    if (!display) {
        // Nothing to show on: not a failure of the saver, so the exit code stays 0.
        std::fprintf(stderr, "Quillmere.dll: cannot open the X display (%s)\n", reason.c_str());
        return 0;
    }
    x11::SignalWatch signals;
    x11::X11Platform platform(*display, signals);
    x11::X11ErrorBox box(*display, signals, platform);
    SetErrorReporter([&box](const std::string& text) { box.Show(text); });

    HorizonScene scene;
    RendererFrame frame(platform, scene);
    const int code = frame.RunRenderer(nullptr);
    SetErrorReporter({});
    return code;
}
