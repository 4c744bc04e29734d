// Window message numbers and parameters the renderer understands. The numbers are those of the
// platform the saver was first made for; other processes send them by number, so they are fixed.
#pragma once

#include <cstdint>

#include "saver_contract.h"

namespace quillmere {

using WindowHandle = std::uintptr_t;
using DeviceContext = std::uintptr_t;
using GLContextHandle = std::uintptr_t;

constexpr std::uint32_t kWmCreate = 0x0001;
constexpr std::uint32_t kWmSize = 0x0005;
// kWmClose (0x0010) crosses between the programs: saver_contract.h.
constexpr std::uint32_t kWmQuit = 0x0012;
constexpr std::uint32_t kWmKeyDown = 0x0100;
constexpr std::uint32_t kWmKeyUp = 0x0101;
constexpr std::uint32_t kWmSysCommand = 0x0112;
// WM_USER + 1: flips between full-screen and windowed mode. Nothing inside the program sends it.
constexpr std::uint32_t kSwitchModeMessage = 0x0401;

constexpr std::uintptr_t kSizeRestored = 0;
constexpr std::uintptr_t kSizeMinimized = 1;
constexpr std::uintptr_t kSizeMaximized = 2;

constexpr std::uintptr_t kScClose = 0xF060;
constexpr std::uintptr_t kScMinimize = 0xF020;
constexpr std::uintptr_t kScRestore = 0xF120;
constexpr std::uintptr_t kScScreenSave = 0xF140;
constexpr std::uintptr_t kScMonitorPower = 0xF170;

constexpr int kVkEscape = 27;

// What WM_CREATE's lParam points at. Win32 hands a CREATESTRUCTA, whose first member is the
// creation parameter; the other back ends hand this record, which begins the same way.
struct CreateStruct {
    void* lpCreateParams = nullptr;
};

struct WindowMessage {
    WindowHandle window = 0;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// lParam of a WM_SIZE message: width in the low word, height in the high word.
constexpr std::intptr_t MakeSizeParam(int width, int height) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(height & 0xFFFF) << 16) |
                                      static_cast<std::uint32_t>(width & 0xFFFF));
}
constexpr int LowWord(std::intptr_t value) {
    return static_cast<int>(value & 0xFFFF);
}
constexpr int HighWord(std::intptr_t value) {
    return static_cast<int>((value >> 16) & 0xFFFF);
}

}  // namespace quillmere
