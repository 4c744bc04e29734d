#include "audio_output.h"

#include <SDL.h>
#include <alsa/asoundlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace quillmere {

namespace {

// About 12 ms per buffer: closing the device waits for the buffer in play and then for two more
// to drain, and that wait is part of the end of a run; mixing twice as often costs next to nothing.
constexpr int kBufferFrames = 512;

// Tried in this order when SDL_AUDIODRIVER does not name one. SDL's own order would end at ALSA,
// which on a machine without a sound card opens nothing and prints a page of errors.
constexpr const char* kDriverOrder[] = {"pulseaudio", "pipewire", "alsa"};

void QuietAlsaError(const char*, int, const char*, int, const char*, ...) {}

// PipeWire's client library complains on stderr when it finds no configuration, which is the
// case wherever only the library is installed: ask it only when its server's socket is there.
bool PipeWireServerListens() {
    const char* remote = std::getenv("PIPEWIRE_REMOTE");
    std::string path = remote != nullptr && *remote != '\0' ? remote : "pipewire-0";
    if (path.front() != '/') {
        const char* folder = std::getenv("PIPEWIRE_RUNTIME_DIR");
        if (folder == nullptr || *folder == '\0') {
            folder = std::getenv("XDG_RUNTIME_DIR");
        }
        if (folder == nullptr || *folder == '\0') {
            return false;
        }
        path = std::string(folder) + "/" + path;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

SDL_AudioSpec WantedFormat(AudioOutput* output, SDL_AudioCallback fill) {
    SDL_AudioSpec wanted{};
    wanted.freq = kOutputRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kOutputChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = fill;
    wanted.userdata = output;
    return wanted;
}

bool DriverNamedByUser() {
    const char* named = std::getenv("SDL_AUDIODRIVER");
    return named != nullptr && *named != '\0';
}

// The driver that opened a device last time; remembered so that the choice is made once.
std::string& ChosenDriver() {
    static std::string chosen;
    return chosen;
}

// ALSA prints its errors (a missing card, an unknown device) to stderr unless told otherwise;
// SDL's ALSA driver shares this process's copy of the library.
void SilenceAlsa() {
    static const bool silenced = [] {
        snd_lib_error_set_handler(&QuietAlsaError);
        return true;
    }();
    (void)silenced;
}

// Starts SDL audio with the driver to use and opens its default device in the wanted format
// (SDL converts to whatever the device takes, so every source can count on this one format).
// 0, with SDL audio stopped again, when no driver can play.
SDL_AudioDeviceID StartAndOpen(const SDL_AudioSpec& wanted) {
    SilenceAlsa();
    auto open = [&]() -> SDL_AudioDeviceID {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            return 0;
        }
        const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
        if (device == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        return device;
    };
    if (DriverNamedByUser()) {
        return open();
    }
    std::string& chosen = ChosenDriver();
    if (!chosen.empty()) {
        SDL_SetHint(SDL_HINT_AUDIODRIVER, chosen.c_str());
        if (const SDL_AudioDeviceID device = open()) {
            return device;
        }
        chosen.clear();  // gone since (a sound server that ended): choose again
    }
    for (const char* driver : kDriverOrder) {
        if (std::strcmp(driver, "pipewire") == 0 && !PipeWireServerListens()) {
            continue;
        }
        SDL_SetHint(SDL_HINT_AUDIODRIVER, driver);
        if (const SDL_AudioDeviceID device = open()) {
            chosen = driver;
            return device;
        }
    }
    return 0;
}

}  // namespace

std::int16_t MixSample(std::int16_t mix, std::int16_t sample) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(
        std::int32_t{mix} + sample, std::numeric_limits<std::int16_t>::min(),
        std::numeric_limits<std::int16_t>::max()));
}

AudioOutput::~AudioOutput() {
    std::lock_guard lock(usersMutex_);
    if (users_ > 0) {
        users_ = 0;
        Close();
    }
}

bool AudioOutput::Acquire() {
    std::lock_guard lock(usersMutex_);
    if (users_ > 0) {
        ++users_;
        return true;
    }
    device_ = StartAndOpen(WantedFormat(this, &AudioOutput::Fill));
    if (device_ == 0) {
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    users_ = 1;
    return true;
}

void AudioOutput::Release() {
    std::lock_guard lock(usersMutex_);
    if (users_ > 0 && --users_ == 0) {
        Close();
    }
}

bool AudioOutput::IsOpen() {
    std::lock_guard lock(usersMutex_);
    return users_ > 0;
}

void AudioOutput::Close() {
    SDL_CloseAudioDevice(device_);  // waits for the audio thread to end
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioOutput::AddSource(AudioSource* source) {
    std::lock_guard lock(sourcesMutex_);
    sources_.push_back(source);
}

void AudioOutput::RemoveSource(AudioSource* source) {
    std::lock_guard lock(sourcesMutex_);
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

std::int32_t AudioOutput::DeviceCount() {
    std::lock_guard lock(usersMutex_);
    SilenceAlsa();
    if (users_ == 0 && !DriverNamedByUser() && ChosenDriver().empty()) {
        // Only a device that opens counts: a driver that starts may still have nothing to play on.
        const SDL_AudioDeviceID probe = StartAndOpen(WantedFormat(nullptr, nullptr));
        if (probe == 0) {
            return 0;
        }
        SDL_CloseAudioDevice(probe);
    } else if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return 0;
    }
    const int count = SDL_GetNumAudioDevices(0);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // A negative count means the driver cannot list its devices; it still has its default one.
    return count <= 0 ? 1 : count;
}

void AudioOutput::Fill(void* self, std::uint8_t* stream, int length) {
    std::memset(stream, 0, static_cast<std::size_t>(length));
    auto* output = static_cast<AudioOutput*>(self);
    std::lock_guard lock(output->sourcesMutex_);
    for (AudioSource* source : output->sources_) {
        source->MixInto(reinterpret_cast<std::int16_t*>(stream),
                        length / static_cast<int>(sizeof(std::int16_t) * kOutputChannels));
    }
}

}  // namespace quillmere
