#include "interpreting_platform.h"

#include "mci_errors.h"

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

std::int32_t InterpretingPlatform::PlayWaveSound(const char* name, std::uint32_t flags) {
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

}  // namespace quillmere
