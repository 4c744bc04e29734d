// The window of the renderer this host started, and the close message that asks it to end the
// way its own close does: display mode put back first.
#pragma once

#include <cstdint>

#include "x11_connection.h"

namespace quillmere::x11 {

// A top-level window titled as the renderer's whose _NET_WM_PID is pid; 0 when it has none.
WindowId FindRendererWindow(_XDisplay* display, std::int32_t pid);

// A QUILLMERE_WINDOW_MESSAGE ClientMessage carrying WM_CLOSE, sent to the window's owner.
void SendCloseMessage(_XDisplay* display, WindowId window);

}  // namespace quillmere::x11
