// Scripted players for the music tests: a CD whose mode and position the test sets, a file
// player that records its commands, and a platform that records every command sent and can
// answer chosen commands itself.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "interpreting_platform.h"
#include "media_players.h"

namespace musictest {

using quillmere::CdToc;
using quillmere::PlayerMode;

// Ten one-minute audio tracks from sector 0 unless told otherwise.
CdToc EvenDisc(int tracks = 10, std::int32_t sectorsPerTrack = 4500);

struct FakeCdState {
    CdToc toc = EvenDisc();
    bool discPresent = true;
    bool opening = false;  // the drive is still spinning up: no table yet
    PlayerMode mode = PlayerMode::Stopped;
    std::int32_t position = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> plays;
    bool open = false;

    // Puts the head at a track's start plus some seconds, as a playing drive moves on.
    void MoveTo(int track, int seconds = 0);
};

class FakeCdPlayer : public quillmere::CdPlayer {
  public:
    explicit FakeCdPlayer(std::shared_ptr<FakeCdState> state);
    ~FakeCdPlayer() override;
    bool Opening() override { return state_->opening; }
    const CdToc* Toc() override;
    std::int32_t Play(std::int32_t from, std::int32_t to) override;
    void Stop() override { state_->mode = PlayerMode::Stopped; }
    void Pause() override { state_->mode = PlayerMode::Paused; }
    PlayerMode Mode() override { return state_->mode; }
    std::int32_t PositionLsn() override { return state_->position; }

  private:
    std::shared_ptr<FakeCdState> state_;
};

struct FakeFileState {
    std::int64_t length = 1500;
    PlayerMode mode = PlayerMode::Stopped;
    std::int64_t position = 0;
    std::vector<std::optional<std::int64_t>> plays;
    int stops = 0;
    bool open = false;
};

class FakeFilePlayer : public quillmere::FilePlayer {
  public:
    explicit FakeFilePlayer(std::shared_ptr<FakeFileState> state);
    ~FakeFilePlayer() override;
    std::int32_t Play(std::optional<std::int64_t> from) override;
    void Stop() override;
    void Pause() override { state_->mode = PlayerMode::Paused; }
    PlayerMode Mode() override { return state_->mode; }
    std::int64_t PositionMs() override { return state_->position; }
    std::int64_t LengthMs() override { return state_->length; }

  private:
    std::shared_ptr<FakeFileState> state_;
};

struct FakeSound : quillmere::SoundPlayer {
    bool Play(const std::string& path, bool loop) override;
    void Stop() override { playing.reset(); }
    std::optional<std::pair<std::string, bool>> playing;
    bool playResult = true;
};

class FakeBackend : public quillmere::MediaBackend {
  public:
    std::unique_ptr<quillmere::CdPlayer> OpenCd(std::int32_t& error) override;
    std::unique_ptr<quillmere::FilePlayer> OpenFile(const std::string& path,
                                                    std::int32_t& error) override;
    quillmere::SoundPlayer& Sound() override { return sound; }
    std::int32_t OutputDeviceCount() override { return deviceCount; }

    std::shared_ptr<FakeCdState> cd = std::make_shared<FakeCdState>();
    std::int32_t cdOpenError = 0;
    std::shared_ptr<FakeFileState> file = std::make_shared<FakeFileState>();
    std::map<std::string, std::int32_t> fileErrors;  // path -> result code of its open
    std::vector<std::string> openedFiles;
    FakeSound sound;
    std::int32_t deviceCount = 1;
};

// The interpreter over a FakeBackend, with a log of what the module sends.
class RecordingPlatform : public quillmere::MediaPlatform {
  public:
    RecordingPlatform();
    ~RecordingPlatform() override;

    std::int32_t SendString(std::string_view command, char* answer, std::uint32_t length) override;
    bool GetErrorString(std::int32_t code, char* text, std::uint32_t length) override;
    std::int32_t PlayWaveSound(const char* name, std::uint32_t flags) override;
    std::int32_t WaveOutDeviceCount() override;

    // Commands sent since the last call.
    std::vector<std::string> TakeCommands();

    FakeBackend* backend;  // owned by the platform below
    quillmere::InterpretingPlatform platform;
    std::vector<std::string> commands;
    std::vector<std::pair<std::string, std::uint32_t>> sounds;  // name ("" for none), flags
    // Commands answered here instead of by the interpreter: code and answer.
    std::map<std::string, std::pair<std::int32_t, std::string>> scripted;
};

}  // namespace musictest
