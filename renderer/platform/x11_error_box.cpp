#include "x11_error_box.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "x11_report_text.h"

namespace quillmere::x11 {

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kMinimumWidth = 200;
constexpr const char* kTitle = "Error";

// Fonts tried in turn: a Unicode "fixed" for file names in any script, then plain "fixed".
constexpr const char* kFonts[] = {
    "-misc-fixed-medium-r-semicondensed--13-*-*-*-c-60-iso10646-1",
    "-misc-fixed-medium-r-normal--13-*-*-*-c-*-iso10646-1",
    "fixed",
};

struct FontFree {
    Display* display;
    void operator()(XFontStruct* font) const { XFreeFont(display, font); }
};

std::vector<XChar2b> ToChar2b(const std::u16string& line) {
    std::vector<XChar2b> chars;
    chars.reserve(line.size());
    for (char16_t c : line) {
        chars.push_back(
            XChar2b{static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c & 0xFF)});
    }
    return chars;
}

// Everything one box owns on the server; released in the destructor whatever way the box ends.
class BoxWindows {
  public:
    explicit BoxWindows(Display* display) : display_(display) {}
    ~BoxWindows() {
        if (gc_ != nullptr) {
            XFreeGC(display_, gc_);
        }
        if (box_ != 0) {
            XDestroyWindow(display_, box_);
        }
        if (!pixels_.empty()) {
            XFreeColors(display_, DefaultColormap(display_, DefaultScreen(display_)),
                        pixels_.data(), static_cast<int>(pixels_.size()), 0);
        }
        XSync(display_, False);
    }
    BoxWindows(const BoxWindows&) = delete;
    BoxWindows& operator=(const BoxWindows&) = delete;

    unsigned long Color(const char* name, unsigned long fallback) {
        XColor color{};
        const Colormap map = DefaultColormap(display_, DefaultScreen(display_));
        if (XParseColor(display_, map, name, &color) && XAllocColor(display_, map, &color)) {
            pixels_.push_back(color.pixel);
            return color.pixel;
        }
        return fallback;
    }

    Window box_ = 0;
    Window button_ = 0;
    GC gc_ = nullptr;

  private:
    Display* display_;
    std::vector<unsigned long> pixels_;
};

struct BoxLayout {
    std::vector<std::vector<XChar2b>> lines;
    int lineHeight = 0;
    int ascent = 0;
    int width = 0;
    int height = 0;
    int buttonX = 0;
    int buttonY = 0;
};

}  // namespace

X11ErrorBox::X11ErrorBox(X11Display& display, SignalWatch& signals, X11Platform& platform)
    : display_(display), signals_(signals), platform_(platform) {}

void X11ErrorBox::Show(const std::string& text) {
    // A signal means the run is already ending: nobody should have to dismiss a box for that.
    if (signals_.count() != 0) {
        return;
    }
    RunBox(text);
    platform_.RestoreKeyboard();
}

void X11ErrorBox::RunBox(const std::string& text) {
    Display* d = display_.get();
    const Window root = display_.root();
    // Over the scene: on the monitor it covers, not straddling two.
    const ScreenRect screen = platform_.activeWindowRect();

    std::unique_ptr<XFontStruct, FontFree> font(nullptr, FontFree{d});
    for (const char* name : kFonts) {
        font.reset(XLoadQueryFont(d, name));
        if (font) {
            break;
        }
    }

    BoxLayout layout;
    const int charWidth = font ? std::max<int>(1, font->max_bounds.width) : 6;
    const int maxColumns = std::max(1, (screen.width - 2 * kMargin - 2) / charWidth);
    const char32_t maxCharacter = (font && font->max_byte1 > 0) ? 0xFFFF : 0xFF;
    int textWidth = 0;
    for (const std::u16string& line :
         ReportLines(text, static_cast<std::size_t>(maxColumns), maxCharacter)) {
        layout.lines.push_back(ToChar2b(line));
        if (font) {
            textWidth = std::max(textWidth, XTextWidth16(font.get(), layout.lines.back().data(),
                                                         static_cast<int>(line.size())));
        }
    }
    layout.ascent = font ? font->ascent : 10;
    layout.lineHeight = font ? font->ascent + font->descent + 2 : 15;
    layout.width =
        std::min(std::max({textWidth + 2 * kMargin, kButtonWidth + 2 * kMargin, kMinimumWidth}),
                 std::max(1, screen.width - 2));
    const int textHeight = static_cast<int>(layout.lines.size()) * layout.lineHeight;
    layout.height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
    layout.buttonX = (layout.width - kButtonWidth) / 2;
    layout.buttonY = layout.height - kMargin - kButtonHeight;

    BoxWindows windows(d);
    const int screenNumber = display_.screen();
    const unsigned long black = BlackPixel(d, screenNumber);
    const unsigned long white = WhitePixel(d, screenNumber);
    const unsigned long face = windows.Color("#f0f0f0", white);
    const unsigned long buttonFace = windows.Color("#e1e1e1", white);
    const unsigned long buttonEdge = windows.Color("#0078d7", black);
    const unsigned long shadow = windows.Color("#a0a0a0", black);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // above the full-screen window, which is one too
    attributes.background_pixel = face;
    attributes.border_pixel = shadow;
    attributes.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask;
    windows.box_ = XCreateWindow(
        d, root, screen.x + std::max(0, (screen.width - layout.width) / 2),
        screen.y + std::max(0, (screen.height - layout.height) / 2),
        static_cast<unsigned int>(layout.width), static_cast<unsigned int>(layout.height), 1,
        CopyFromParent, InputOutput, CopyFromParent,
        CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    XStoreName(d, windows.box_, kTitle);
    XChangeProperty(d, windows.box_, display_.atom("_NET_WM_NAME"), display_.atom("UTF8_STRING"), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(kTitle), 5);
    const Atom dialogType = display_.atom("_NET_WM_WINDOW_TYPE_DIALOG");
    XChangeProperty(d, windows.box_, display_.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&dialogType), 1);
    if (platform_.activeWindow() != 0) {
        XSetTransientForHint(d, windows.box_, platform_.activeWindow());
    }

    XSetWindowAttributes buttonAttributes{};
    buttonAttributes.background_pixel = buttonFace;
    buttonAttributes.border_pixel = buttonEdge;
    buttonAttributes.event_mask =
        ExposureMask | ButtonPressMask | ButtonReleaseMask | EnterWindowMask | LeaveWindowMask;
    windows.button_ =
        XCreateWindow(d, windows.box_, layout.buttonX, layout.buttonY, kButtonWidth - 2,
                      kButtonHeight - 2, 1, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWBorderPixel | CWEventMask, &buttonAttributes);
    XStoreName(d, windows.button_, "OK");

    XGCValues gcValues{};
    gcValues.foreground = black;
    gcValues.background = face;
    unsigned long gcMask = GCForeground | GCBackground;
    if (font) {
        gcValues.font = font->fid;
        gcMask |= GCFont;
    }
    windows.gc_ = XCreateGC(d, windows.box_, gcMask, &gcValues);

    XMapSubwindows(d, windows.box_);
    XMapRaised(d, windows.box_);
    XSync(d, False);
    XSetInputFocus(d, windows.box_, RevertToParent, CurrentTime);
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (XGrabKeyboard(d, windows.box_, True, GrabModeAsync, GrabModeAsync, CurrentTime) ==
            GrabSuccess) {
            break;
        }
        poll(nullptr, 0, 20);
    }

    bool buttonDown = false;
    bool pointerInside = false;
    unsigned int armedKey = 0;
    auto draw = [&] {
        XClearWindow(d, windows.box_);
        XSetForeground(d, windows.gc_, black);
        for (std::size_t i = 0; i < layout.lines.size(); ++i) {
            const auto& line = layout.lines[i];
            if (!line.empty()) {
                XDrawString16(d, windows.box_, windows.gc_, kMargin,
                              kMargin + layout.ascent + static_cast<int>(i) * layout.lineHeight,
                              line.data(), static_cast<int>(line.size()));
            }
        }
        XClearWindow(d, windows.button_);
        const bool sunken = buttonDown && pointerInside;
        const XChar2b ok[2] = {{0, 'O'}, {0, 'K'}};
        const int okWidth = font ? XTextWidth16(font.get(), ok, 2) : 12;
        const int offset = sunken ? 1 : 0;
        XDrawString16(d, windows.button_, windows.gc_, (kButtonWidth - 2 - okWidth) / 2 + offset,
                      (kButtonHeight - 2 + layout.ascent) / 2 + offset, ok, 2);
        XSetForeground(d, windows.gc_, sunken ? shadow : buttonEdge);
        XDrawRectangle(d, windows.button_, windows.gc_, 1, 1, kButtonWidth - 5, kButtonHeight - 5);
        XFlush(d);
    };

    struct Filter {
        Window box;
        Window button;
    } filter{windows.box_, windows.button_};
    auto ours = [](Display*, XEvent* event, XPointer arg) -> Bool {
        const auto* f = reinterpret_cast<const Filter*>(arg);
        return event->xany.window == f->box || event->xany.window == f->button;
    };

    bool done = false;
    while (!done && signals_.count() == 0) {
        XEvent event;
        if (!XCheckIfEvent(d, &event, ours, reinterpret_cast<XPointer>(&filter))) {
            pollfd fds[2] = {{display_.fd(), POLLIN, 0}, {signals_.wakeFd(), POLLIN, 0}};
            poll(fds, signals_.wakeFd() >= 0 ? 2 : 1, -1);
            continue;
        }
        switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0) {
                    draw();
                }
                break;
            case KeyPress: {
                const KeySym key = XLookupKeysym(&event.xkey, 0);
                if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space) {
                    armedKey = event.xkey.keycode;
                }
                break;
            }
            case KeyRelease:
                // Closing on the release keeps the key's press and release together: a held
                // Escape must not go on into the scene, which would end the run.
                if (armedKey != 0 && event.xkey.keycode == armedKey) {
                    done = true;
                }
                break;
            case ButtonPress:
                if (event.xbutton.window == windows.button_ && event.xbutton.button == Button1) {
                    buttonDown = true;
                    pointerInside = true;
                    draw();
                }
                break;
            case ButtonRelease:
                if (event.xbutton.button == Button1 && buttonDown) {
                    buttonDown = false;
                    done = event.xbutton.window == windows.button_ && event.xbutton.x >= 0 &&
                           event.xbutton.y >= 0 && event.xbutton.x < kButtonWidth &&
                           event.xbutton.y < kButtonHeight;
                    draw();
                }
                break;
            case EnterNotify:
            case LeaveNotify:
                pointerInside = event.type == EnterNotify;
                if (buttonDown) {
                    draw();
                }
                break;
            case DestroyNotify:
                if (event.xdestroywindow.window == windows.box_) {
                    windows.box_ = 0;  // gone already
                    done = true;
                }
                break;
            default:
                break;
        }
    }

    XUngrabKeyboard(d, CurrentTime);
}

}  // namespace quillmere::x11
