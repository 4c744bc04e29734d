// The players behind the media-command interpreter. Each plays on a thread of its own (the
// audio library's, or a reader's); the interpreter calls them from the host's thread only and
// every call returns at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillmere {

enum class PlayerMode { NotReady, Stopped, Playing, Paused };

// The mode word a status query answers.
const char* ModeWord(PlayerMode mode);

// Sector addresses are logical sector numbers: 0 is the start of the program area (two seconds
// after the start of the disc), 75 sectors make one second.
inline constexpr std::int32_t kSectorsPerSecond = 75;
inline constexpr std::int32_t kLeadInSectors = 150;
inline constexpr std::int32_t kSamplesPerSector = 588;  // stereo 16-bit frames of 2352 bytes

struct CdTrack {
    int number = 0;
    std::int32_t startLsn = 0;
    bool audio = true;
};

// A disc's table of contents: tracks in ascending order with consecutive numbers.
struct CdToc {
    std::vector<CdTrack> tracks;
    std::int32_t leadoutLsn = 0;

    int FirstTrack() const { return tracks.empty() ? 0 : tracks.front().number; }
    int LastTrack() const { return tracks.empty() ? 0 : tracks.back().number; }
    // The track with that number; nullptr when the disc has none.
    const CdTrack* Track(std::int64_t number) const;
    // The sector after the track's last one.
    std::int32_t TrackEnd(const CdTrack& track) const;
    // The track holding lsn; before the first track the first, from the last on the last.
    const CdTrack& TrackAt(std::int32_t lsn) const;
    // True when an audio track has a sector in [from, to).
    bool HasAudioIn(std::int32_t from, std::int32_t to) const;
};

class CdPlayer {
  public:
    virtual ~CdPlayer() = default;
    // True while the drive is still being opened (spinning up, reading its table): there is no
    // table yet, but there may be one soon.
    virtual bool Opening() { return false; }
    // The disc's contents; nullptr while no disc is ready.
    virtual const CdToc* Toc() = 0;
    // Plays the audio sectors of [fromLsn, toLsn) and stops after them; 0 or a result code.
    virtual std::int32_t Play(std::int32_t fromLsn, std::int32_t toLsn) = 0;
    // Stop and Pause keep the position; they differ only in the mode they leave.
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual PlayerMode Mode() = 0;
    // The sector now heard, or where playing stopped.
    virtual std::int32_t PositionLsn() = 0;
};

class FilePlayer {
  public:
    virtual ~FilePlayer() = default;
    // From the position in milliseconds, or on from where it stopped when none is given;
    // 0 or a result code.
    virtual std::int32_t Play(std::optional<std::int64_t> fromMs) = 0;
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual PlayerMode Mode() = 0;
    virtual std::int64_t PositionMs() = 0;
    // Negative when the length cannot be known.
    virtual std::int64_t LengthMs() = 0;
};

// The simple sound player: one sound at a time, started asynchronously.
class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Starts the sound file (ending whatever played); false when it cannot be started.
    virtual bool Play(const std::string& path, bool loop) = 0;
    virtual void Stop() = 0;
};

class MediaBackend {
  public:
    virtual ~MediaBackend() = default;
    // The player of the CD drive (or image); nothing, with error set, when there is no drive.
    // A drive without a disc gives a player whose Toc() is nullptr.
    virtual std::unique_ptr<CdPlayer> OpenCd(std::int32_t& error) = 0;
    // A player of the music file; nothing, with error set, when it cannot be played.
    virtual std::unique_ptr<FilePlayer> OpenFile(const std::string& path, std::int32_t& error) = 0;
    virtual SoundPlayer& Sound() = 0;
    // Audio output devices present; 0 when there is no audio at all.
    virtual std::int32_t OutputDeviceCount() = 0;
};

}  // namespace quillmere
