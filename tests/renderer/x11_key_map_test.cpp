#include <gtest/gtest.h>

// After gtest: X.h defines None, which gtest uses as a name.
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include "x11_key_map.h"

namespace quillmere::x11 {
namespace {

struct KeyCase {
    unsigned long keysym;
    std::uint32_t virtualKey;
};

TEST(X11KeyMap, KeysymsWithVirtualKeys) {
    const KeyCase cases[] = {
        {XK_Escape, 27},       {XK_a, 'A'},          {XK_z, 'Z'},
        {XK_Q, 'Q'},           {XK_0, '0'},          {XK_9, '9'},
        {XK_F1, 0x70},         {XK_F12, 0x7B},       {XK_F24, 0x87},
        {XK_Left, 0x25},       {XK_Up, 0x26},        {XK_Right, 0x27},
        {XK_Down, 0x28},       {XK_Return, 13},      {XK_KP_Enter, 13},
        {XK_space, 32},        {XK_Tab, 9},          {XK_BackSpace, 8},
        {XK_Shift_L, 0x10},    {XK_Shift_R, 0x10},   {XK_Control_L, 0x11},
        {XK_Control_R, 0x11},  {XK_Alt_L, 0x12},     {XK_Alt_R, 0x12},
        {XK_KP_0, 0x60},       {XK_KP_9, 0x69},      {XK_KP_Add, 0x6B},
        {XK_KP_Left, 0x25},    {XK_Delete, 0x2E},    {XK_Insert, 0x2D},
        {XK_Prior, 0x21},      {XK_Next, 0x22},      {XK_Home, 0x24},
        {XK_End, 0x23},        {XK_semicolon, 0xBA}, {XK_minus, 0xBD},
        {XK_comma, 0xBC},      {XK_slash, 0xBF},     {XK_bracketleft, 0xDB},
        {XK_apostrophe, 0xDE}, {XK_Pause, 0x13},     {XK_Num_Lock, 0x90},
        {XK_Super_L, 0x5B},    {XK_Menu, 0x5D},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(VirtualKeyFromKeysym(c.keysym), c.virtualKey) << std::hex << c.keysym;
    }
}

// A key without a virtual code must never land on a flag: it comes back above 255, Latin-1
// keysyms (which share their numbers with virtual keys) included.
TEST(X11KeyMap, KeysWithoutVirtualKeyStayAbove255) {
    const unsigned long keysyms[] = {XK_eacute,     XK_exclam,      XK_at,     XK_yen,
                                     XK_section,    XK_Greek_alpha, XK_kana_A, XF86XK_Calculator,
                                     XK_dead_acute, 0x1000430 /* Cyrillic a as Unicode */};
    for (unsigned long keysym : keysyms) {
        const std::uint32_t vk = VirtualKeyFromKeysym(keysym);
        EXPECT_GT(vk, 255u) << std::hex << keysym;
    }
    EXPECT_NE(VirtualKeyFromKeysym(XK_eacute), VirtualKeyFromKeysym(XK_egrave));
    EXPECT_EQ(VirtualKeyFromKeysym(0 /* NoSymbol */), 0u);
}

TEST(X11KeyMap, AutoRepeatReleaseNeedsSameKeyAndTime) {
    struct Case {
        KeyEventInfo release;
        KeyEventInfo next;
        bool repeat;
    } cases[] = {
        {{KeyEventType::Release, 9, 1000}, {KeyEventType::Press, 9, 1000}, true},
        {{KeyEventType::Release, 9, 1000}, {KeyEventType::Press, 9, 1001}, false},
        {{KeyEventType::Release, 9, 1000}, {KeyEventType::Press, 10, 1000}, false},
        {{KeyEventType::Release, 9, 1000}, {KeyEventType::Release, 9, 1000}, false},
        {{KeyEventType::Press, 9, 1000}, {KeyEventType::Press, 9, 1000}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsAutoRepeatRelease(c.release, c.next), c.repeat)
            << c.next.keycode << " " << c.next.time;
    }
}

}  // namespace
}  // namespace quillmere::x11
