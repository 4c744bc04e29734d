// Window messages on X11 that need no display to reason about: messages sent by other
// processes as ClientMessages, and what default handling does with a system command.
#pragma once

#include <cstdint>
#include <optional>

#include "saver_contract.h"
#include "window_messages.h"

namespace quillmere::x11 {

// The message carried by such a ClientMessage, or nothing when it cannot be accepted.
std::optional<WindowMessage> DecodeWindowMessage(WindowHandle window, int format,
                                                 const long (&data)[5]);

enum class SysCommandAction { Ignore, Close, Minimize, Restore, ScreenSave };

// Default handling of a system command looks only at the command bits (the low four bits are
// the platform's own).
SysCommandAction DefaultSysCommandAction(std::uintptr_t wParam);

}  // namespace quillmere::x11
