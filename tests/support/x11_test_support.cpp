#include "x11_test_support.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

#include "test_support.h"

namespace testsupport {

namespace {

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;  // windows of the program under test vanish while we look at them
}

std::string WindowTitle(Display* display, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && type == utf8) {
        std::string title(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    if (data != nullptr) {
        XFree(data);
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
        std::string title(name);
        XFree(name);
        return title;
    }
    return {};
}

}  // namespace

std::vector<Window> Children(Display* display, Window parent) {
    Window root = 0;
    Window parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, parent, &root, &parentOut, &children, &count) && children != nullptr) {
        result.assign(children, children + count);
        XFree(children);
    }
    return result;
}

XClient::XClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    XSetErrorHandler(IgnoreErrors);
}

XClient::~XClient() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

std::vector<Window> FindWindowsByTitle(Display* display, const std::string& title) {
    std::vector<Window> found;
    for (Window top : Children(display, DefaultRootWindow(display))) {
        if (WindowTitle(display, top) == title) {
            found.push_back(top);
            continue;
        }
        for (Window inner : Children(display, top)) {
            if (WindowTitle(display, inner) == title) {
                found.push_back(inner);
            }
        }
    }
    return found;
}

Window FindWindowByTitle(Display* display, const std::string& title) {
    const std::vector<Window> found = FindWindowsByTitle(display, title);
    return found.empty() ? 0 : found.back();
}

int StackingPosition(Display* display, Window window) {
    const std::vector<Window> stack = Children(display, DefaultRootWindow(display));
    for (std::size_t i = 0; i < stack.size(); ++i) {
        if (stack[i] == window) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Window FindChildByTitle(Display* display, Window parent, const std::string& title) {
    for (Window child : Children(display, parent)) {
        if (WindowTitle(display, child) == title) {
            return child;
        }
    }
    return 0;
}

std::optional<WindowInfo> GetWindowInfo(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return std::nullopt;
    }
    WindowInfo info;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &info.x, &info.y,
                          &child);
    info.width = attributes.width;
    info.height = attributes.height;
    info.viewable = attributes.map_state == IsViewable;
    info.overrideRedirect = attributes.override_redirect != 0;
    return info;
}

void FakeKey(Display* display, unsigned long keysym, bool press) {
    const KeyCode code = XKeysymToKeycode(display, keysym);
    XTestFakeKeyEvent(display, code, press ? True : False, CurrentTime);
    XSync(display, False);
}

bool FakeClick(Display* display, int x, int y) {
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    // A window manager can hold the press (openbox does, to focus and raise the window first):
    // the pointer is frozen and the release waits in the server, while a move made meanwhile
    // moves the pointer at once, so the release would be reported at the new place and the
    // click become a drag. The button is up once the release has been taken in.
    return WaitUntil([&] {
        Window root = 0;
        Window child = 0;
        int rootX = 0;
        int rootY = 0;
        int windowX = 0;
        int windowY = 0;
        unsigned int mask = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX,
                      &windowY, &mask);
        return (mask & Button1Mask) == 0;
    });
}

void SendWindowMessage(Display* display, Window window, std::uint32_t message,
                       std::uintptr_t wParam) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "QUILLMERE_WINDOW_MESSAGE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(message);
    event.xclient.data.l[1] = static_cast<long>(wParam);
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

void SendDeleteWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

ScreenMode CurrentScreenMode(Display* display) {
    ScreenMode mode;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, root, &attributes);
    mode.screenWidth = attributes.width;
    mode.screenHeight = attributes.height;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr) {
        return mode;
    }
    for (int i = 0; i < resources->ncrtc; ++i) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        if (crtc != nullptr && crtc->mode != 0 && mode.crtcWidth == 0) {
            mode.crtcWidth = static_cast<int>(crtc->width);
            mode.crtcHeight = static_cast<int>(crtc->height);
        }
        if (crtc != nullptr) {
            XRRFreeCrtcInfo(crtc);
        }
    }
    XRRFreeScreenResources(resources);
    return mode;
}

bool AddOutputMode(Display* display, int width, int height) {
    const Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr || resources->noutput == 0) {
        return false;
    }
    std::string name = std::to_string(width) + "x" + std::to_string(height);
    XRRModeInfo info{};
    info.width = static_cast<unsigned int>(width);
    info.height = static_cast<unsigned int>(height);
    // Standard VGA timings: 59.94 Hz.
    info.dotClock = 25175000;
    info.hSyncStart = 656;
    info.hSyncEnd = 752;
    info.hTotal = 800;
    info.vSyncStart = 490;
    info.vSyncEnd = 492;
    info.vTotal = 525;
    info.name = name.data();
    info.nameLength = static_cast<unsigned int>(name.size());
    const RRMode mode = XRRCreateMode(display, root, &info);
    if (mode != 0) {
        XRRAddOutputMode(display, resources->outputs[0], mode);
    }
    XSync(display, False);
    XRRFreeScreenResources(resources);
    return mode != 0;
}

std::optional<Capture> CaptureWindow(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable) {
        return std::nullopt;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned int>(attributes.width),
                              static_cast<unsigned int>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return std::nullopt;
    }
    const Visual* visual = attributes.visual;
    auto channel = [](unsigned long pixel, unsigned long mask) {
        if (mask == 0) {
            return 0;
        }
        int shift = 0;
        while (((mask >> shift) & 1u) == 0) {
            ++shift;
        }
        const unsigned long max = mask >> shift;
        return static_cast<int>(((pixel & mask) >> shift) * 255u / max);
    };
    Capture capture;
    capture.width = attributes.width;
    capture.height = attributes.height;
    capture.pixels.reserve(static_cast<std::size_t>(capture.width * capture.height));
    for (int y = 0; y < capture.height; ++y) {
        for (int x = 0; x < capture.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            capture.pixels.push_back(Rgb{channel(pixel, visual->red_mask),
                                         channel(pixel, visual->green_mask),
                                         channel(pixel, visual->blue_mask)});
        }
    }
    XDestroyImage(image);
    return capture;
}

double HorizontalDetail(const Capture& capture, int top, int bottom) {
    double sum = 0.0;
    long count = 0;
    for (int y = std::max(0, top); y < std::min(bottom, capture.height); ++y) {
        for (int x = 1; x < capture.width; ++x) {
            const Rgb& a = capture.at(x - 1, y);
            const Rgb& b = capture.at(x, y);
            sum += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
            ++count;
        }
    }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
}

std::vector<std::uint8_t> MakeBitmap24(int width, int height,
                                       const std::function<Rgb(int x, int y)>& colour) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(rowBytes * height);
    std::vector<std::uint8_t> file(54 + pixelBytes, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        file[at] = static_cast<std::uint8_t>(v);
        file[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, pixelBytes);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // bottom-up
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            const std::size_t at = 54 + static_cast<std::size_t>(row * rowBytes + x * 3);
            file[at] = static_cast<std::uint8_t>(c.b);
            file[at + 1] = static_cast<std::uint8_t>(c.g);
            file[at + 2] = static_cast<std::uint8_t>(c.r);
        }
    }
    return file;
}

}  // namespace testsupport
