// Window messages on X11 that need no display to reason about: messages sent by other
// processes as ClientMessages, and what default handling does with a system command.
#pragma once

#include <cstdint>
#include <optional>

#include "window_messages.h"

namespace quillmere::x11 {

// Type atom of a ClientMessage (format 32) that carries a window message from another process:
// data.l[0] is the message number, data.l[1] wParam, data.l[2] lParam.
inline constexpr const char* kWindowMessageAtom = "QUILLMERE_WINDOW_MESSAGE";

// The message carried by such a ClientMessage, or nothing when it cannot be accepted.
std::optional<WindowMessage> DecodeWindowMessage(WindowHandle window, int format,
                                                 const long (&data)[5]);

enum class SysCommandAction { Ignore, Close, Minimize, Restore, ScreenSave };

// Default handling of a system command looks only at the command bits (the low four bits are
// the platform's own).
SysCommandAction DefaultSysCommandAction(std::uintptr_t wParam);

}  // namespace quillmere::x11
