// What another Windows process sees of the renderer, for the system tests (which run it under
// Wine beside the renderer). One command per run; the answer goes to standard output.
//
//   wintool find TITLE             the top-level window's handle (exit 1 when there is none)
//   wintool post TITLE MSG [WPARAM]
//                                  PostMessageA to that window (numbers decimal or 0x hex)
//   wintool info TITLE             handle, style, extended style and rectangle of the window
//   wintool client TITLE           the screen position of that window's client area, as X Y
//   wintool box CAPTION            the text of the message box with that caption (exit 1: none)
//   wintool press-ok CAPTION       presses OK in that message box
//   wintool mode                   the display mode now, as WIDTHxHEIGHT
//   wintool restore-mode           ChangeDisplaySettingsA(NULL, 0), as a watching host might
//   wintool child TITLE            the first child of that window: caption, style, rectangle
//   wintool host-window W H        a black pop-up window "Preview Host" of W x H at (100, 100),
//                                  as the display settings hand one to a preview; runs until it
//                                  is closed
//   wintool monitors               what EnumDisplayMonitors reports: X Y WIDTH HEIGHT of each
//                                  monitor, "primary" after the primary one, "; " between them
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

unsigned long Number(const char* text) {
    return std::strtoul(text, nullptr, 0);
}

// Message boxes are dialogs of the class "#32770".
HWND FindBox(const char* caption) {
    return FindWindowA("#32770", caption);
}

struct BoxText {
    std::string text;
};

BOOL CALLBACK CollectStatic(HWND child, LPARAM data) {
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        if (text[0] != '\0') {
            reinterpret_cast<BoxText*>(data)->text = text;
        }
    }
    return TRUE;
}

LRESULT CALLBACK HostWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunHostWindow(int width, int height) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HostWindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "PreviewHost";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, "PreviewHost", "Preview Host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                        100, 100, width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}

BOOL CALLBACK ListMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        char line[96];
        std::snprintf(line, sizeof line, "%s%ld %ld %ld %ld%s",
                      reinterpret_cast<std::string*>(data)->empty() ? "" : "; ", r.left, r.top,
                      r.right - r.left, r.bottom - r.top,
                      (info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? " primary" : "");
        *reinterpret_cast<std::string*>(data) += line;
    }
    return TRUE;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: wintool find|post|info|client|box|press-ok|mode|restore-mode|"
                 "host-window|child|monitors ...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::string command = argv[1];
    if ((command == "find" || command == "info") && argc == 3) {
        HWND window = FindWindowA(nullptr, argv[2]);
        if (window == nullptr) {
            return 1;
        }
        if (command == "find") {
            std::printf("%#llx\n",
                        static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
            return 0;
        }
        RECT rect{};
        GetWindowRect(window, &rect);
        std::printf("%#llx %#lx %#lx %ld %ld %ld %ld\n",
                    static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)),
                    static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                    static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)), rect.left,
                    rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (command == "client" && argc == 3) {
        HWND window = FindWindowA(nullptr, argv[2]);
        POINT origin{0, 0};
        if (window == nullptr || !ClientToScreen(window, &origin)) {
            return 1;
        }
        std::printf("%ld %ld\n", origin.x, origin.y);
        return 0;
    }
    if (command == "post" && (argc == 4 || argc == 5)) {
        HWND window = FindWindowA(nullptr, argv[2]);
        if (window == nullptr) {
            return 1;
        }
        const WPARAM wParam = argc == 5 ? Number(argv[4]) : 0;
        return PostMessageA(window, static_cast<UINT>(Number(argv[3])), wParam, 0) ? 0 : 1;
    }
    if (command == "box" && argc == 3) {
        HWND box = FindBox(argv[2]);
        if (box == nullptr) {
            return 1;
        }
        BoxText text;
        EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&text));
        std::printf("%s\n", text.text.c_str());
        return 0;
    }
    if (command == "press-ok" && argc == 3) {
        HWND box = FindBox(argv[2]);
        if (box == nullptr) {
            return 1;
        }
        return PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) ? 0 : 1;
    }
    if (command == "mode" && argc == 2) {
        DEVMODEA mode{};
        mode.dmSize = sizeof mode;
        if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
            return 1;
        }
        std::printf("%lux%lu\n", mode.dmPelsWidth, mode.dmPelsHeight);
        return 0;
    }
    if (command == "restore-mode" && argc == 2) {
        return ChangeDisplaySettingsA(nullptr, 0) == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
    }
    if (command == "child" && argc == 3) {
        HWND parent = FindWindowA(nullptr, argv[2]);
        HWND child = parent != nullptr ? GetWindow(parent, GW_CHILD) : nullptr;
        if (child == nullptr) {
            return 1;
        }
        char caption[256] = {};
        GetWindowTextA(child, caption, sizeof caption);
        RECT rect{};
        GetWindowRect(child, &rect);
        std::printf("%s|%#lx|%ld %ld %ld %ld\n", caption,
                    static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)), rect.left,
                    rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (command == "host-window" && argc == 4) {
        return RunHostWindow(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    if (command == "monitors" && argc == 2) {
        std::string monitors;
        if (!EnumDisplayMonitors(nullptr, nullptr, ListMonitor,
                                 reinterpret_cast<LPARAM>(&monitors))) {
            return 1;
        }
        std::printf("%s\n", monitors.c_str());
        return 0;
    }
    return Usage();
}
