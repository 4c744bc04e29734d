// The simple sound player: one RIFF WAVE file at a time, looping by itself when asked. The file is
// opened and decoded on a reader thread as it plays, so neither a long file nor a slow disk holds
// the caller, and a file of any size takes little memory.
#pragma once

#include <memory>
#include <string>

#include "audio_output.h"
#include "media_players.h"
#include "streamed_audio.h"

namespace quillmere {

class StreamSoundPlayer : public SoundPlayer {
  public:
    explicit StreamSoundPlayer(AudioOutput& output);
    ~StreamSoundPlayer() override;
    StreamSoundPlayer(const StreamSoundPlayer&) = delete;
    StreamSoundPlayer& operator=(const StreamSoundPlayer&) = delete;

    // False when the file cannot be opened or there is no audio output. A file that then turns
    // out not to be a RIFF WAVE file plays nothing.
    bool Play(const std::string& path, bool loop) override;
    void Stop() override;

  private:
    AudioOutput& output_;
    std::unique_ptr<StreamedAudio> sound_;  // holds the output while it is there
};

}  // namespace quillmere
