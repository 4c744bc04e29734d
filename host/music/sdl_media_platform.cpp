// The process's own media platform on Linux: the interpreter over SDL audio and libcdio.
#include "interpreting_platform.h"
#include "sdl_media_backend.h"

namespace quillmere {

namespace {

// Destroyed at exit after everything it opened is closed, so no audio thread outlives it.
std::unique_ptr<InterpretingPlatform>& OwnPlatform() {
    static std::unique_ptr<InterpretingPlatform> platform;
    return platform;
}

}  // namespace

MediaPlatform& OwnMediaPlatform() {
    auto& own = OwnPlatform();
    if (!own) {
        own = std::make_unique<InterpretingPlatform>(MakeSdlMediaBackend());
    }
    return *own;
}

void ShutdownOwnMediaPlatform() {
    if (auto& own = OwnPlatform()) {
        own->Shutdown();
    }
}

}  // namespace quillmere
