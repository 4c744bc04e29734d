#include "x11_message_translation.h"

namespace quillmere::x11 {

std::optional<WindowMessage> DecodeWindowMessage(WindowHandle window, int format,
                                                 const long (&data)[5]) {
    if (format != 32 || window == 0) {
        return std::nullopt;
    }
    // The slots travel as 32 bits and arrive sign-extended into longs.
    const auto number = static_cast<std::uint32_t>(data[0]);
    // WM_CREATE carries a pointer into this process: from outside it could only ever be a
    // forgery that the window procedure would follow.
    if (number == kWmCreate) {
        return std::nullopt;
    }
    WindowMessage message;
    message.window = window;
    message.message = number;
    message.wParam = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(data[1]));
    message.lParam = static_cast<std::intptr_t>(static_cast<std::int32_t>(data[2]));
    return message;
}

SysCommandAction DefaultSysCommandAction(std::uintptr_t wParam) {
    switch (wParam & 0xFFF0) {
        case kScClose:
            return SysCommandAction::Close;
        case kScMinimize:
            return SysCommandAction::Minimize;
        case kScRestore:
            return SysCommandAction::Restore;
        case kScScreenSave:
            return SysCommandAction::ScreenSave;
        default:
            return SysCommandAction::Ignore;
    }
}

}  // namespace quillmere::x11
