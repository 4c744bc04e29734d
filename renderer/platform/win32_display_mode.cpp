#include "win32_display_mode.h"

#include <windows.h>

namespace quillmere::win32 {

namespace {

bool Apply(int width, int height, int bits) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;  // 0x180000
    if (bits > 0) {
        mode.dmBitsPerPel = static_cast<DWORD>(bits);
        mode.dmFields |= DM_BITSPERPEL;  // 0x1C0000 in all
    }
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

bool CurrentMode(DEVMODEA& mode) {
    mode = DEVMODEA{};
    mode.dmSize = sizeof mode;
    return EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) != 0;
}

}  // namespace

bool Win32DisplayMode::Enter(int width, int height, int bits) {
    DEVMODEA before{};
    if (!switched_ && CurrentMode(before)) {
        widthBefore_ = before.dmPelsWidth;
        heightBefore_ = before.dmPelsHeight;
        bitsBefore_ = before.dmBitsPerPel;
    }
    if (Apply(width, height, bits) || Apply(width, height, 0)) {
        switched_ = true;
        return true;
    }
    return false;
}

void Win32DisplayMode::Restore() {
    if (!switched_.exchange(false)) {
        return;
    }
    ChangeDisplaySettingsA(nullptr, 0);
    DEVMODEA now{};
    if (widthBefore_ == 0 || !CurrentMode(now) ||
        (now.dmPelsWidth == widthBefore_ && now.dmPelsHeight == heightBefore_)) {
        return;
    }
    DEVMODEA before{};
    before.dmSize = sizeof before;
    before.dmPelsWidth = widthBefore_;
    before.dmPelsHeight = heightBefore_;
    before.dmBitsPerPel = bitsBefore_;
    before.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | (bitsBefore_ != 0 ? DM_BITSPERPEL : 0);
    ChangeDisplaySettingsA(&before, 0);
}

FramePacer::Duration Win32DisplayMode::CurrentRefreshPeriod() {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    // 0 and 1 stand for the hardware's default rate.
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) ||
        mode.dmDisplayFrequency <= 1 || mode.dmDisplayFrequency > 500) {
        return kDefaultRefreshPeriod;
    }
    return FramePacer::Duration{1'000'000'000 / mode.dmDisplayFrequency};
}

}  // namespace quillmere::win32
