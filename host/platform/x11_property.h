// Reading a window's 32-bit property. Xlib hands the items over as longs.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <vector>

namespace quillmere::x11 {

// The items of the property when it is there, of that type and format 32, with at most
// maxItems items; nothing otherwise, or when the window is gone.
std::optional<std::vector<unsigned long>> ReadProperty32(Display* display, Window window, Atom name,
                                                         Atom type, long maxItems);

}  // namespace quillmere::x11
