#include "stream_file_player.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "mci_errors.h"
#include "mpg123_decoder.h"
#include "sndfile_decoder.h"
#include "unique_fd.h"

namespace quillmere {

namespace {

// Files that begin like a RIFF WAVE, FLAC or Ogg file go to libsndfile, everything else to the
// MPEG decoder, which finds its frames after any tag.
bool LooksLikeSndfileAudio(int fd) {
    char head[12] = {};
    if (::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head)) {
        return false;
    }
    return (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) ||
           std::memcmp(head, "fLaC", 4) == 0 || std::memcmp(head, "OggS", 4) == 0;
}

}  // namespace

std::unique_ptr<FilePlayer> StreamFilePlayer::Open(AudioOutput& output, const std::string& path,
                                                   std::int32_t& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode) ||
        ::access(path.c_str(), R_OK) != 0) {
        error = kMciErrFileNotFound;
        return nullptr;
    }
    if (!S_ISREG(info.st_mode) || info.st_size == 0) {
        error = kMciErrInvalidFile;
        return nullptr;
    }
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) {
        error = kMciErrFileNotFound;
        return nullptr;
    }
    std::unique_ptr<SampleDecoder> decoder = LooksLikeSndfileAudio(file.get())
                                                 ? SndfileDecoder::Open(std::move(file))
                                                 : Mpg123Decoder::Open(std::move(file));
    if (!decoder || decoder->LengthFrames() <= 0) {
        error = kMciErrInvalidFile;
        return nullptr;
    }
    if (!output.Acquire()) {
        error = kMciErrCannotLoadDriver;
        return nullptr;
    }
    return std::make_unique<StreamFilePlayer>(OpenedTag{}, output, std::move(decoder));
}

StreamFilePlayer::StreamFilePlayer(OpenedTag, AudioOutput& output,
                                   std::unique_ptr<SampleDecoder> decoder)
    : output_(output), lengthMs_(decoder->LengthFrames() * 1000 / decoder->Rate()) {
    audio_ = std::make_unique<StreamedAudio>(output_, std::move(decoder), false);
}

StreamFilePlayer::~StreamFilePlayer() {
    audio_.reset();
    output_.Release();
}

std::int32_t StreamFilePlayer::Play(std::optional<std::int64_t> fromMs) {
    if (!fromMs && state_ != State::Fresh && (Ended() || audio_->Sounding())) {
        return 0;  // on from the end plays nothing; on from here is what already happens
    }
    audio_->Start(fromMs);  // without a position: from the start, or on from where it was held
    state_ = State::Started;
    return 0;
}

void StreamFilePlayer::Stop() {
    if (state_ != State::Fresh) {
        audio_->Hold();
        state_ = State::Stopped;
    }
}

void StreamFilePlayer::Pause() {
    if (audio_->Sounding()) {
        audio_->Hold();
        state_ = State::Paused;
    }
}

PlayerMode StreamFilePlayer::Mode() {
    if (audio_->Sounding()) {
        return PlayerMode::Playing;
    }
    return state_ == State::Paused ? PlayerMode::Paused : PlayerMode::Stopped;
}

std::int64_t StreamFilePlayer::PositionMs() {
    return Ended() ? lengthMs_ : audio_->PositionMs();
}

}  // namespace quillmere
