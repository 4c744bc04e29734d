// A music file (MP3 and whatever else SDL2_mixer's music decoders take) played as mixer music.
#pragma once

#include <SDL_mixer.h>

#include <memory>
#include <string>

#include "audio_output.h"
#include "media_players.h"

namespace quillmere {

class SdlFilePlayer : public FilePlayer {
    struct OpenedTag {};  // only Open makes players

  public:
    // Nothing, with error set: 275 missing file, 296 not playable, 266 no audio output.
    static std::unique_ptr<FilePlayer> Open(AudioOutput& output, const std::string& path,
                                            std::int32_t& error);
    ~SdlFilePlayer() override;

    std::int32_t Play(std::optional<std::int64_t> fromMs) override;
    void Stop() override;
    void Pause() override;
    PlayerMode Mode() override;
    std::int64_t PositionMs() override;
    std::int64_t LengthMs() override;

    struct MusicDeleter {
        void operator()(Mix_Music* music) const { Mix_FreeMusic(music); }
    };
    SdlFilePlayer(OpenedTag, AudioOutput& output, std::unique_ptr<Mix_Music, MusicDeleter> music);

  private:
    enum class State { Fresh, Started, Stopped, Paused };

    bool Sounding();  // the mixer is playing this music, not paused
    bool Ended();     // started and then ran to its end
    void Hold(State state);

    AudioOutput& output_;
    std::unique_ptr<Mix_Music, MusicDeleter> music_;
    State state_ = State::Fresh;
    std::int64_t heldMs_ = 0;
};

}  // namespace quillmere
