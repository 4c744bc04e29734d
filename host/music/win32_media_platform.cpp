// The process's own media platform on Windows: the system's media control interface, its error
// texts, the sound player and the wave output count, called exactly as the module asks.
#include <windows.h>
// After <windows.h>, which it needs.
#include <mmsystem.h>

#include <string>

#include "media_platform.h"

namespace quillmere {

namespace {

class Win32MediaPlatform final : public MediaPlatform {
  public:
    std::int32_t SendString(std::string_view command, char* answer, std::uint32_t length) override {
        used_ = true;
        return static_cast<std::int32_t>(
            mciSendStringA(std::string(command).c_str(), answer, length, nullptr));
    }
    bool GetErrorString(std::int32_t code, char* text, std::uint32_t length) override {
        return mciGetErrorStringA(static_cast<MCIERROR>(code), text, length) != FALSE;
    }
    std::int32_t PlayWaveSound(const char* name, std::uint32_t flags) override {
        used_ = true;
        return PlaySoundA(name, nullptr, flags);
    }
    std::int32_t WaveOutDeviceCount() override {
        return static_cast<std::int32_t>(waveOutGetNumDevs());
    }

    // Before an immediate end: whatever the module left open is stopped and closed.
    void Shutdown() {
        if (!used_) {
            return;
        }
        PlaySoundA(nullptr, nullptr, 0);
        mciSendStringA("close all", nullptr, 0, nullptr);
    }

  private:
    bool used_ = false;
};

Win32MediaPlatform& Own() {
    static Win32MediaPlatform platform;
    return platform;
}

}  // namespace

MediaPlatform& OwnMediaPlatform() {
    return Own();
}

void ShutdownOwnMediaPlatform() {
    Own().Shutdown();
}

}  // namespace quillmere
