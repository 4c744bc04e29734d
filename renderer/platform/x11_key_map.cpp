#include "x11_key_map.h"

#include <X11/X.h>
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <utility>

namespace quillmere::x11 {

namespace {

// Keysyms 0x20..0x7E whose virtual key is not the character itself (letters and digits are).
constexpr std::pair<unsigned long, std::uint32_t> kPunctuation[] = {
    {XK_semicolon, 0xBA}, {XK_equal, 0xBB},        {XK_comma, 0xBC},      {XK_minus, 0xBD},
    {XK_period, 0xBE},    {XK_slash, 0xBF},        {XK_grave, 0xC0},      {XK_bracketleft, 0xDB},
    {XK_backslash, 0xDC}, {XK_bracketright, 0xDD}, {XK_apostrophe, 0xDE},
};

constexpr std::pair<unsigned long, std::uint32_t> kFunctionKeys[] = {
    {XK_BackSpace, 0x08},
    {XK_Tab, 0x09},
    {XK_ISO_Left_Tab, 0x09},
    {XK_Clear, 0x0C},
    {XK_Return, 0x0D},
    {XK_KP_Enter, 0x0D},
    {XK_Shift_L, 0x10},
    {XK_Shift_R, 0x10},
    {XK_Control_L, 0x11},
    {XK_Control_R, 0x11},
    {XK_Alt_L, 0x12},
    {XK_Alt_R, 0x12},
    {XK_Meta_L, 0x12},
    {XK_Meta_R, 0x12},
    {XK_ISO_Level3_Shift, 0x12},
    {XK_Pause, 0x13},
    {XK_Caps_Lock, 0x14},
    {XK_Kana_Shift, 0x15},
    {XK_Kanji, 0x19},
    {XK_Escape, 0x1B},
    {XK_Henkan_Mode, 0x1C},
    {XK_Muhenkan, 0x1D},
    {XK_space, 0x20},
    {XK_Prior, 0x21},
    {XK_Next, 0x22},
    {XK_End, 0x23},
    {XK_Home, 0x24},
    {XK_Left, 0x25},
    {XK_Up, 0x26},
    {XK_Right, 0x27},
    {XK_Down, 0x28},
    {XK_Select, 0x29},
    {XK_Print, 0x2C},
    {XK_Execute, 0x2B},
    {XK_Insert, 0x2D},
    {XK_Delete, 0x2E},
    {XK_Help, 0x2F},
    {XK_Super_L, 0x5B},
    {XK_Super_R, 0x5C},
    {XK_Menu, 0x5D},
    {XK_KP_Home, 0x24},
    {XK_KP_Left, 0x25},
    {XK_KP_Up, 0x26},
    {XK_KP_Right, 0x27},
    {XK_KP_Down, 0x28},
    {XK_KP_Prior, 0x21},
    {XK_KP_Next, 0x22},
    {XK_KP_End, 0x23},
    {XK_KP_Begin, 0x0C},
    {XK_KP_Insert, 0x2D},
    {XK_KP_Delete, 0x2E},
    {XK_KP_Space, 0x20},
    {XK_KP_Tab, 0x09},
    {XK_KP_Multiply, 0x6A},
    {XK_KP_Add, 0x6B},
    {XK_KP_Separator, 0x6C},
    {XK_KP_Subtract, 0x6D},
    {XK_KP_Decimal, 0x6E},
    {XK_KP_Divide, 0x6F},
    {XK_KP_Equal, 0xBB},
    {XK_Num_Lock, 0x90},
    {XK_Scroll_Lock, 0x91},
    {XF86XK_Back, 0xA6},
    {XF86XK_Forward, 0xA7},
    {XF86XK_AudioMute, 0xAD},
    {XF86XK_AudioLowerVolume, 0xAE},
    {XF86XK_AudioRaiseVolume, 0xAF},
    {XF86XK_AudioNext, 0xB0},
    {XF86XK_AudioPrev, 0xB1},
    {XF86XK_AudioStop, 0xB2},
    {XF86XK_AudioPlay, 0xB3},
};

// The Unicode keysym range: what X itself uses for characters beyond the legacy tables.
constexpr unsigned long kUnicodeKeysymBase = 0x01000000;

}  // namespace

std::uint32_t VirtualKeyFromKeysym(unsigned long keysym) {
    if (keysym == NoSymbol) {
        return 0;
    }
    if (keysym >= XK_a && keysym <= XK_z) {
        return static_cast<std::uint32_t>(keysym - XK_a + 'A');
    }
    if ((keysym >= XK_A && keysym <= XK_Z) || (keysym >= XK_0 && keysym <= XK_9)) {
        return static_cast<std::uint32_t>(keysym);
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
        return static_cast<std::uint32_t>(0x60 + (keysym - XK_KP_0));
    }
    if (keysym >= XK_F1 && keysym <= XK_F24) {
        return static_cast<std::uint32_t>(0x70 + (keysym - XK_F1));
    }
    for (const auto& [sym, vk] : kPunctuation) {
        if (sym == keysym) {
            return vk;
        }
    }
    for (const auto& [sym, vk] : kFunctionKeys) {
        if (sym == keysym) {
            return vk;
        }
    }
    // Latin-1 keysyms share their numbers with virtual keys; move them to their Unicode keysym
    // so they stay above 255 like every other key without a virtual code.
    if (keysym <= 0xFF) {
        return static_cast<std::uint32_t>(kUnicodeKeysymBase | keysym);
    }
    return static_cast<std::uint32_t>(keysym);
}

bool IsAutoRepeatRelease(const KeyEventInfo& release, const KeyEventInfo& next) {
    return release.type == KeyEventType::Release && next.type == KeyEventType::Press &&
           next.keycode == release.keycode && next.time == release.time;
}

}  // namespace quillmere::x11
