#include "x11_message_translation.h"

#include <gtest/gtest.h>

namespace quillmere::x11 {
namespace {

TEST(X11MessageTranslation, DecodesMessagesFromOtherProcesses) {
    const long close[5] = {static_cast<long>(kWmClose), 0, 0, 0, 0};
    const long quit[5] = {static_cast<long>(kWmQuit), 0, 0, 0, 0};
    const long switchMode[5] = {static_cast<long>(kSwitchModeMessage), 0, 0, 0, 0};
    const long sysCommand[5] = {static_cast<long>(kWmSysCommand), 0xF141, 7, 0, 0};
    // The server carries 32-bit slots; a receiver sees them sign-extended.
    const long highBits[5] = {static_cast<long>(static_cast<std::int32_t>(0x80000401u)),
                              static_cast<long>(static_cast<std::int32_t>(0xFFFFFFFFu)), -2, 0, 0};
    struct Case {
        const long (*data)[5];
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    } cases[] = {
        {&close, kWmClose, 0, 0},
        {&quit, kWmQuit, 0, 0},
        {&switchMode, kSwitchModeMessage, 0, 0},
        {&sysCommand, kWmSysCommand, 0xF141, 7},
        {&highBits, 0x80000401u, 0xFFFFFFFFu, -2},
    };
    for (const Case& c : cases) {
        auto decoded = DecodeWindowMessage(0x400001, 32, *c.data);
        ASSERT_TRUE(decoded.has_value()) << c.message;
        EXPECT_EQ(decoded->window, 0x400001u);
        EXPECT_EQ(decoded->message, c.message);
        EXPECT_EQ(decoded->wParam, c.wParam);
        EXPECT_EQ(decoded->lParam, c.lParam);
    }
}

TEST(X11MessageTranslation, RefusesWhatCannotBeTrusted) {
    const long close[5] = {static_cast<long>(kWmClose), 0, 0, 0, 0};
    EXPECT_FALSE(DecodeWindowMessage(0x400001, 8, close).has_value());
    EXPECT_FALSE(DecodeWindowMessage(0x400001, 16, close).has_value());
    EXPECT_FALSE(DecodeWindowMessage(0, 32, close).has_value());
    // Its lParam would be taken for a pointer into this process.
    const long create[5] = {static_cast<long>(kWmCreate), 0, 0x12345678, 0, 0};
    EXPECT_FALSE(DecodeWindowMessage(0x400001, 32, create).has_value());
}

TEST(X11MessageTranslation, SystemCommandsByCommandBits) {
    struct Case {
        std::uintptr_t wParam;
        SysCommandAction action;
    } cases[] = {
        {kScClose, SysCommandAction::Close},
        {kScClose | 0x2, SysCommandAction::Close},
        {kScMinimize, SysCommandAction::Minimize},
        {kScRestore, SysCommandAction::Restore},
        {kScScreenSave, SysCommandAction::ScreenSave},
        {kScScreenSave | 0x1, SysCommandAction::ScreenSave},
        {kScMonitorPower, SysCommandAction::Ignore},
        {0xF030, SysCommandAction::Ignore},
        {0, SysCommandAction::Ignore},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DefaultSysCommandAction(c.wParam), c.action) << std::hex << c.wParam;
    }
}

}  // namespace
}  // namespace quillmere::x11
