#include "x11_property.h"

namespace quillmere::x11 {

std::optional<std::vector<unsigned long>> ReadProperty32(Display* display, Window window, Atom name,
                                                         Atom type, long maxItems) {
    if (name == None) {
        return std::nullopt;
    }
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long bytesAfter = 0;
    unsigned char* raw = nullptr;
    const int status = XGetWindowProperty(display, window, name, 0, maxItems, False, type,
                                          &actualType, &format, &count, &bytesAfter, &raw);
    std::optional<std::vector<unsigned long>> items;
    if (status == Success && actualType == type && format == 32 && bytesAfter == 0) {
        const auto* data = reinterpret_cast<const unsigned long*>(raw);
        items.emplace(data, data + count);
    }
    if (raw != nullptr) {
        XFree(raw);
    }
    return items;
}

}  // namespace quillmere::x11
