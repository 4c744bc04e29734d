#include "media_platform.h"

#include "mci_errors.h"
#include "sdl_media_backend.h"

namespace quillmere {

InterpretingPlatform::InterpretingPlatform(std::unique_ptr<MediaBackend> backend)
    : backend_(std::move(backend)), interpreter_(*backend_) {}

InterpretingPlatform::~InterpretingPlatform() {
    Shutdown();
}

std::int32_t InterpretingPlatform::SendString(std::string_view command, char* answer,
                                              std::uint32_t length) {
    return interpreter_.Send(command, answer, length);
}

bool InterpretingPlatform::GetErrorString(std::int32_t code, char* text, std::uint32_t length) {
    return MciGetErrorString(code, text, length);
}

std::int32_t InterpretingPlatform::PlaySound(const char* name, std::uint32_t flags) {
    if (name == nullptr || *name == '\0') {
        backend_->Sound().Stop();
        return 1;
    }
    // A synchronous sound would hold the caller's thread for its whole length.
    if ((flags & kSndAsync) == 0) {
        return 0;
    }
    return backend_->Sound().Play(name, (flags & kSndLoop) != 0) ? 1 : 0;
}

std::int32_t InterpretingPlatform::WaveOutDeviceCount() {
    return backend_->OutputDeviceCount();
}

void InterpretingPlatform::Shutdown() {
    backend_->Sound().Stop();
    interpreter_.CloseAll();
}

namespace {

MediaPlatform* g_platformInUse = nullptr;

// Destroyed at exit after everything it opened is closed, so no audio thread outlives it.
std::unique_ptr<InterpretingPlatform>& OwnPlatform() {
    static std::unique_ptr<InterpretingPlatform> platform;
    return platform;
}

}  // namespace

MediaPlatform& CurrentMediaPlatform() {
    if (g_platformInUse != nullptr) {
        return *g_platformInUse;
    }
    auto& own = OwnPlatform();
    if (!own) {
        own = std::make_unique<InterpretingPlatform>(MakeSdlMediaBackend());
    }
    return *own;
}

void UseMediaPlatform(MediaPlatform* platform) {
    g_platformInUse = platform;
}

void ShutdownMediaPlatform() {
    if (auto& own = OwnPlatform()) {
        own->Shutdown();
    }
}

std::int32_t mciSendString(std::string_view command, char* answer, std::uint32_t length) {
    return CurrentMediaPlatform().SendString(command, answer, length);
}

bool mciGetErrorString(std::int32_t code, char* text, std::uint32_t length) {
    return CurrentMediaPlatform().GetErrorString(code, text, length);
}

std::int32_t PlaySound(const char* name, std::uint32_t flags) {
    return CurrentMediaPlatform().PlaySound(name, flags);
}

std::int32_t waveOutGetNumDevs() {
    return CurrentMediaPlatform().WaveOutDeviceCount();
}

}  // namespace quillmere
