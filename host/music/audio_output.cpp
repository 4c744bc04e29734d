#include "audio_output.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>

namespace quillmere {

namespace {

// About 23 ms per buffer: short enough for a quick start, long enough to be cheap.
constexpr int kBufferFrames = 1024;

}  // namespace

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
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    Mix_Init(MIX_INIT_MP3);
    // No changes allowed: SDL converts to whatever the device takes, so every source can count
    // on this one format.
    if (Mix_OpenAudioDevice(kOutputRate, AUDIO_S16SYS, kOutputChannels, kBufferFrames, nullptr,
                            0) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_SetPostMix(&AudioOutput::PostMix, this);
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
    Mix_SetPostMix(nullptr, nullptr);
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    musicOwner = nullptr;
    Mix_CloseAudio();  // waits for the audio thread to end
    Mix_Quit();
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
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return 0;
    }
    const int count = SDL_GetNumAudioDevices(0);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // A negative count means the driver cannot list its devices; it still has its default one.
    return count < 0 ? 1 : count;
}

void AudioOutput::PostMix(void* self, std::uint8_t* stream, int length) {
    auto* output = static_cast<AudioOutput*>(self);
    std::lock_guard lock(output->sourcesMutex_);
    for (AudioSource* source : output->sources_) {
        source->MixInto(reinterpret_cast<std::int16_t*>(stream),
                        length / static_cast<int>(sizeof(std::int16_t) * kOutputChannels));
    }
}

}  // namespace quillmere
