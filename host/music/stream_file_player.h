// A music file opened through the media commands ("open ... type MPEGVideo"), played as it is
// decoded: MPEG audio through libmpg123, and RIFF WAVE, FLAC and Ogg files that carry an MP3's
// name through libsndfile, as the platform's player sniffs the content too.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio_output.h"
#include "media_players.h"
#include "streamed_audio.h"

namespace quillmere {

class StreamFilePlayer : public FilePlayer {
    struct OpenedTag {};  // only Open makes players

  public:
    // Nothing, with error set: 275 missing file, 296 not playable, 266 no audio output.
    static std::unique_ptr<FilePlayer> Open(AudioOutput& output, const std::string& path,
                                            std::int32_t& error);
    StreamFilePlayer(OpenedTag, AudioOutput& output, std::unique_ptr<SampleDecoder> decoder);
    ~StreamFilePlayer() override;

    std::int32_t Play(std::optional<std::int64_t> fromMs) override;
    void Stop() override;
    void Pause() override;
    PlayerMode Mode() override;
    std::int64_t PositionMs() override;
    std::int64_t LengthMs() override { return lengthMs_; }

  private:
    enum class State { Fresh, Started, Stopped, Paused };

    bool Ended() { return state_ == State::Started && audio_->Ended(); }

    AudioOutput& output_;
    std::int64_t lengthMs_;
    std::unique_ptr<StreamedAudio> audio_;
    State state_ = State::Fresh;
};

}  // namespace quillmere
