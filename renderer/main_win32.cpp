// Quillmere.dll on Windows: started by the host with no arguments (a command line, should there
// be one, is ignored), it shows the horizon scene full-screen until Escape or a close request.
#include <windows.h>

#include <string>

#include "error_report.h"
#include "frame.h"
#include "horizon_scene.h"
#include "win32_error_box.h"
#include "win32_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace quillmere;

    win32::Win32Platform platform(instance);
    SetErrorReporter([&platform](const std::string& text) {
        win32::ShowErrorBox(platform.activeWindow(), text);
    });

    HorizonScene scene;
    RendererFrame frame(platform, scene);
    const int code = frame.RunRenderer(instance);
    SetErrorReporter({});
    return code;
}
