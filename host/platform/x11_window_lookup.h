// Finding a top-level window by its exact title, hidden windows included, the way the host's
// single-instance guard and renderer watch need it.
#pragma once

#include <functional>
#include <string_view>

#include "x11_connection.h"

namespace quillmere::x11 {

// True when the window's _NET_WM_NAME or WM_NAME is exactly title (bytes, case counts).
// A window that no longer exists has no title.
bool WindowHasTitle(_XDisplay* display, WindowId window, std::string_view title);

// A window titled exactly title among the root window's children; then among the windows of
// _NET_CLIENT_LIST when a window manager publishes it, else among the children of root's
// children (window-manager frames). 0 when there is none. Windows that vanish during the walk
// are skipped.
WindowId FindTopLevelWindow(_XDisplay* display, std::string_view title);
// The same, among the windows with that title that accept takes.
WindowId FindTopLevelWindow(_XDisplay* display, std::string_view title,
                            const std::function<bool(WindowId)>& accept);

}  // namespace quillmere::x11
