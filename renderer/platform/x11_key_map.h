// Keyboard translation for the X11 back end: X keysyms to the virtual-key codes the frame's key
// flags are indexed by, and recognition of auto-repeat release/press pairs.
#pragma once

#include <cstdint>

namespace quillmere::x11 {

// The virtual-key code for a keysym. Keysyms without one come back as a value above 255, so the
// frame leaves its flags alone and passes them to default handling; NoSymbol gives 0.
std::uint32_t VirtualKeyFromKeysym(unsigned long keysym);

enum class KeyEventType { Press, Release };

struct KeyEventInfo {
    KeyEventType type = KeyEventType::Press;
    unsigned int keycode = 0;
    unsigned long time = 0;  // server milliseconds
};

// Without detectable auto-repeat the server sends a release and a press of the same key with one
// time stamp for every repeat. Such a release must not reach the frame: the key is still held.
bool IsAutoRepeatRelease(const KeyEventInfo& release, const KeyEventInfo& next);

}  // namespace quillmere::x11
