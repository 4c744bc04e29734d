#include "media_platform.h"

namespace quillmere {

namespace {

MediaPlatform* g_platformInUse = nullptr;

}  // namespace

MediaPlatform& CurrentMediaPlatform() {
    return g_platformInUse != nullptr ? *g_platformInUse : OwnMediaPlatform();
}

void UseMediaPlatform(MediaPlatform* platform) {
    g_platformInUse = platform;
}

void ShutdownMediaPlatform() {
    ShutdownOwnMediaPlatform();
}

std::int32_t SendMediaString(std::string_view command, char* answer, std::uint32_t length) {
    return CurrentMediaPlatform().SendString(command, answer, length);
}

bool MediaErrorString(std::int32_t code, char* text, std::uint32_t length) {
    return CurrentMediaPlatform().GetErrorString(code, text, length);
}

std::int32_t PlayWaveSound(const char* name, std::uint32_t flags) {
    return CurrentMediaPlatform().PlayWaveSound(name, flags);
}

std::int32_t WaveOutputDeviceCount() {
    return CurrentMediaPlatform().WaveOutDeviceCount();
}

}  // namespace quillmere
