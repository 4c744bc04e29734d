// The simple sound player: one WAV file at a time on a mixer channel of its own, looping by
// itself when asked. The file is read and decoded on a loader thread, so a long file never
// holds the caller.
#pragma once

#include <SDL_mixer.h>

#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "audio_output.h"
#include "media_players.h"

namespace quillmere {

class SdlSoundPlayer : public SoundPlayer {
  public:
    explicit SdlSoundPlayer(AudioOutput& output);
    ~SdlSoundPlayer() override;
    SdlSoundPlayer(const SdlSoundPlayer&) = delete;
    SdlSoundPlayer& operator=(const SdlSoundPlayer&) = delete;

    // False when the file cannot be opened or there is no audio output. A file that then turns
    // out not to be a RIFF WAVE file plays nothing.
    bool Play(const std::string& path, bool loop) override;
    void Stop() override;

  private:
    struct ChunkDeleter {
        void operator()(Mix_Chunk* chunk) const { Mix_FreeChunk(chunk); }
    };

    void Load(std::stop_token stop, std::string path, bool loop);

    AudioOutput& output_;
    bool acquired_ = false;
    std::mutex chunkMutex_;
    std::unique_ptr<Mix_Chunk, ChunkDeleter> chunk_;  // the sound on the channel
    std::jthread loader_;
};

}  // namespace quillmere
