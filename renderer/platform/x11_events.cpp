#include "x11_events.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>

#include "saver_contract.h"
#include "x11_key_map.h"
#include "x11_message_translation.h"

namespace quillmere::x11 {

namespace {

unsigned int NumLockMask(Display* display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr) {
        return Mod2Mask;
    }
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock) {
                mask = 1u << modifier;
            }
        }
    }
    XFreeModifiermap(map);
    return mask != 0 ? mask : Mod2Mask;
}

}  // namespace

X11MessageQueue::X11MessageQueue(X11Display& display, SignalWatch& signals, X11Windows& windows)
    : display_(display), signals_(signals), windows_(windows) {
    Display* d = display_.get();
    // Held keys then send presses only, so a key flag never drops to 0 while the key is down.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(d, True, &supported);
    numLockMask_ = NumLockMask(d);
}

void X11MessageQueue::Enqueue(Window window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    queue_.push_back(WindowMessage{window, message, wParam, lParam});
}

void X11MessageQueue::DeliverSignals(WindowHandle window) {
    if (signals_.count() == signalsDelivered_) {
        return;
    }
    signals_.DrainWake();
    // Closing the window is the way out that restores the display mode; without a window the
    // signal waits for the next one.
    if (window != 0 && windows_.Find(static_cast<Window>(window)) != nullptr) {
        signalsDelivered_ = signals_.count();
        Enqueue(static_cast<Window>(window), kWmClose, 0, 0);
    }
}

void X11MessageQueue::ReadXEvents() {
    Display* d = display_.get();
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        TranslateEvent(event);
    }
    // Once for a burst of changes: a mode switch alone reports several.
    if (monitorsChanged_) {
        monitorsChanged_ = false;
        for (Window window : windows_.FollowMonitors()) {
            const X11Windows::State* state = windows_.Find(window);
            if (state != nullptr && !state->minimized) {
                Enqueue(window, kWmSize, kSizeRestored,
                        MakeSizeParam(state->rect.width, state->rect.height));
            }
        }
    }
}

bool X11MessageQueue::TranslateRootEvent(XEvent& event) {
    if (event.xany.window != display_.root()) {
        return false;
    }
    const RandrInfo& randr = display_.randr();
    if (event.type == ConfigureNotify ||
        (randr.present && event.type == randr.eventBase + RRScreenChangeNotify)) {
        XRRUpdateConfiguration(&event);
        monitorsChanged_ = true;
    }
    return true;
}

void X11MessageQueue::TranslateEvent(XEvent& event) {
    // The root window is also the window drawn in, or covered, for `-root`.
    const bool embeddedInRoot =
        windows_.Find(display_.root()) != nullptr || windows_.ChildCovering(display_.root()) != 0;
    if (TranslateRootEvent(event) && !embeddedInRoot) {
        return;
    }
    X11Windows::State* state = windows_.Find(event.xany.window);
    if (state == nullptr) {
        if (const Window child = windows_.ChildCovering(event.xany.window); child != 0) {
            TranslateCoveredEvent(event, child, *windows_.Find(child));
        }
        return;  // a report box, a cover, or a window already destroyed
    }
    const Window window = event.xany.window;
    switch (event.type) {
        case KeyPress:
        case KeyRelease:
            TranslateKey(event.xkey, event.type == KeyPress);
            break;
        case ConfigureNotify: {
            const XConfigureEvent& configure = event.xconfigure;
            state->rect.x = configure.x;
            state->rect.y = configure.y;
            if (configure.width != state->rect.width || configure.height != state->rect.height) {
                state->rect.width = configure.width;
                state->rect.height = configure.height;
                if (!state->minimized) {
                    Enqueue(window, kWmSize, kSizeRestored,
                            MakeSizeParam(state->rect.width, state->rect.height));
                }
            }
            break;
        }
        case UnmapNotify:
            // Only a window manager unmaps our window while it lives: it was iconified.
            if (!state->minimized) {
                state->minimized = true;
                Enqueue(window, kWmSize, kSizeMinimized, 0);
            }
            break;
        case MapNotify:
            if (state->minimized) {
                state->minimized = false;
                Enqueue(window, kWmSize, kSizeRestored,
                        MakeSizeParam(state->rect.width, state->rect.height));
                if (state->popup) {
                    windows_.GrabKeyboard(window);
                }
            }
            break;
        case DestroyNotify:
            // Destroyed by another client: end the run the normal way so the mode comes back.
            if (event.xdestroywindow.window == window && !state->gone) {
                state->gone = true;
                Enqueue(window, kWmClose, 0, 0);
            }
            break;
        case ClientMessage: {
            const XClientMessageEvent& client = event.xclient;
            if (client.message_type == display_.atom("WM_PROTOCOLS") && client.format == 32) {
                const Atom protocol = static_cast<Atom>(client.data.l[0]);
                if (protocol == display_.atom("WM_DELETE_WINDOW")) {
                    Enqueue(window, kWmClose, 0, 0);
                } else if (protocol == display_.atom("_NET_WM_PING")) {
                    XEvent reply = event;
                    reply.xclient.window = display_.root();
                    XSendEvent(display_.get(), display_.root(), False,
                               SubstructureNotifyMask | SubstructureRedirectMask, &reply);
                }
            } else if (client.message_type == display_.atom(kWindowMessageAtom)) {
                if (auto message = DecodeWindowMessage(window, client.format, client.data.l)) {
                    queue_.push_back(*message);
                }
            }
            break;
        }
        default:
            break;
    }
}

void X11MessageQueue::TranslateCoveredEvent(XEvent& event, Window child, X11Windows::State& state) {
    switch (event.type) {
        case ConfigureNotify: {
            const XConfigureEvent& configure = event.xconfigure;
            if (configure.width != state.rect.width || configure.height != state.rect.height) {
                windows_.FollowEmbedParent(child, configure.width, configure.height);
                if (!state.minimized) {
                    Enqueue(child, kWmSize, kSizeRestored,
                            MakeSizeParam(configure.width, configure.height));
                }
            }
            break;
        }
        // Hidden with the window it covers: nothing to draw until that shows again.
        case UnmapNotify:
            if (!state.minimized) {
                state.minimized = true;
                Enqueue(child, kWmSize, kSizeMinimized, 0);
            }
            break;
        case MapNotify:
            if (state.minimized) {
                state.minimized = false;
                Enqueue(child, kWmSize, kSizeRestored,
                        MakeSizeParam(state.rect.width, state.rect.height));
            }
            break;
        case DestroyNotify:
            // The child went with it; its own DestroyNotify usually came first.
            if (!state.gone) {
                state.gone = true;
                Enqueue(child, kWmClose, 0, 0);
            }
            break;
        default:
            break;
    }
}

void X11MessageQueue::TranslateKey(XKeyEvent& event, bool press) {
    Display* d = display_.get();
    if (!press && XEventsQueued(d, QueuedAfterReading) > 0) {
        XEvent next;
        XPeekEvent(d, &next);
        if (next.type == KeyPress) {
            const KeyEventInfo release{KeyEventType::Release, event.keycode, event.time};
            const KeyEventInfo following{KeyEventType::Press, next.xkey.keycode, next.xkey.time};
            if (IsAutoRepeatRelease(release, following)) {
                return;
            }
        }
    }
    KeySym keysym = XLookupKeysym(&event, 0);
    if (IsKeypadKey(keysym) && (event.state & numLockMask_) != 0) {
        const KeySym shifted = XLookupKeysym(&event, 1);
        if (IsKeypadKey(shifted)) {
            keysym = shifted;
        }
    }
    const std::uint32_t virtualKey = VirtualKeyFromKeysym(keysym);
    if (virtualKey == 0) {
        return;
    }
    // Repeat count 1 and the scan code, as key messages carry them; bits 30-31 mark a release.
    std::uint32_t lParam = 1u | ((event.keycode & 0xFFu) << 16);
    if (!press) {
        lParam |= 0xC0000000u;
    }
    Enqueue(event.window, press ? kWmKeyDown : kWmKeyUp, virtualKey,
            static_cast<std::intptr_t>(static_cast<std::int32_t>(lParam)));
}

bool X11MessageQueue::Peek(WindowHandle window, WindowMessage& message) {
    DeliverSignals(window);
    ReadXEvents();
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (window == 0 || it->window == window || it->window == 0) {
            message = *it;
            queue_.erase(it);
            return true;
        }
    }
    return false;
}

void X11MessageQueue::Wait() {
    Display* d = display_.get();
    while (true) {
        if (signals_.count() != signalsDelivered_ || !queue_.empty() || XPending(d) > 0) {
            return;
        }
        pollfd fds[2] = {{display_.fd(), POLLIN, 0}, {signals_.wakeFd(), POLLIN, 0}};
        poll(fds, signals_.wakeFd() >= 0 ? 2 : 1, -1);
    }
}

void X11MessageQueue::Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) {
    if (window != 0 && windows_.Find(static_cast<Window>(window)) == nullptr) {
        return;
    }
    Enqueue(static_cast<Window>(window), message, wParam, lParam);
}

void X11MessageQueue::Forget(Window window) {
    std::erase_if(queue_, [window](const WindowMessage& m) { return m.window == window; });
}

std::intptr_t X11MessageQueue::DefaultHandling(WindowHandle window, std::uint32_t message,
                                               std::uintptr_t wParam) {
    if (message != kWmSysCommand || windows_.Find(static_cast<Window>(window)) == nullptr) {
        return 0;
    }
    Display* d = display_.get();
    switch (DefaultSysCommandAction(wParam)) {
        case SysCommandAction::Close:
            Post(window, kWmClose, 0, 0);
            break;
        case SysCommandAction::Minimize:
            XIconifyWindow(d, static_cast<Window>(window), display_.screen());
            break;
        case SysCommandAction::Restore:
            XMapRaised(d, static_cast<Window>(window));
            break;
        case SysCommandAction::ScreenSave:
            XForceScreenSaver(d, ScreenSaverActive);
            break;
        case SysCommandAction::Ignore:
            break;
    }
    XFlush(d);
    return 0;
}

}  // namespace quillmere::x11
