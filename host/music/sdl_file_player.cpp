#include "sdl_file_player.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "mci_errors.h"

namespace quillmere {

std::unique_ptr<FilePlayer> SdlFilePlayer::Open(AudioOutput& output, const std::string& path,
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
    if (!output.Acquire()) {
        error = kMciErrCannotLoadDriver;
        return nullptr;
    }
    std::unique_ptr<Mix_Music, MusicDeleter> music(Mix_LoadMUS(path.c_str()));
    // A decoder that finds no length found no real stream in the file.
    if (!music || Mix_MusicDuration(music.get()) <= 0.0) {
        music.reset();
        output.Release();
        error = kMciErrInvalidFile;
        return nullptr;
    }
    return std::make_unique<SdlFilePlayer>(OpenedTag{}, output, std::move(music));
}

SdlFilePlayer::SdlFilePlayer(OpenedTag, AudioOutput& output,
                             std::unique_ptr<Mix_Music, MusicDeleter> music)
    : output_(output), music_(std::move(music)) {}

SdlFilePlayer::~SdlFilePlayer() {
    if (output_.musicOwner == this) {
        Mix_HaltMusic();
        output_.musicOwner = nullptr;
    }
    music_.reset();
    output_.Release();
}

bool SdlFilePlayer::Sounding() {
    return output_.musicOwner == this && Mix_PlayingMusic() != 0 && Mix_PausedMusic() == 0;
}

bool SdlFilePlayer::Ended() {
    return state_ == State::Started && !(output_.musicOwner == this && Mix_PlayingMusic() != 0);
}

std::int32_t SdlFilePlayer::Play(std::optional<std::int64_t> fromMs) {
    if (!fromMs) {
        if (state_ == State::Fresh) {
            fromMs = 0;
        } else if (Ended() || Sounding()) {
            return 0;  // on from the end plays nothing; on from here is what already happens
        } else if (output_.musicOwner == this && Mix_PausedMusic() != 0) {
            Mix_ResumeMusic();
            state_ = State::Started;
            return 0;
        } else {
            fromMs = heldMs_;
        }
    }
    // Mix_RewindMusic does nothing once the music has ended: start it anew instead.
    const int played = *fromMs == 0 ? Mix_PlayMusic(music_.get(), 0)
                                    : Mix_FadeInMusicPos(music_.get(), 0, 0, *fromMs / 1000.0);
    if (played != 0) {
        return kMciErrHardware;
    }
    if (Mix_PausedMusic() != 0) {
        Mix_ResumeMusic();
    }
    output_.musicOwner = this;
    state_ = State::Started;
    return 0;
}

void SdlFilePlayer::Hold(State state) {
    if (state_ == State::Fresh) {
        return;
    }
    heldMs_ = PositionMs();
    if (Sounding()) {
        Mix_PauseMusic();
    }
    state_ = state;
}

void SdlFilePlayer::Stop() {
    Hold(State::Stopped);
}

void SdlFilePlayer::Pause() {
    if (Sounding()) {
        Hold(State::Paused);
    }
}

PlayerMode SdlFilePlayer::Mode() {
    if (Sounding()) {
        return PlayerMode::Playing;
    }
    return state_ == State::Paused ? PlayerMode::Paused : PlayerMode::Stopped;
}

std::int64_t SdlFilePlayer::PositionMs() {
    if (Ended()) {
        return LengthMs();
    }
    if (state_ == State::Started && output_.musicOwner == this) {
        const double seconds = Mix_GetMusicPosition(music_.get());
        if (seconds >= 0.0) {
            return std::llround(seconds * 1000.0);
        }
    }
    return heldMs_;
}

std::int64_t SdlFilePlayer::LengthMs() {
    const double seconds = Mix_MusicDuration(music_.get());
    return seconds < 0.0 ? -1 : std::llround(seconds * 1000.0);
}

}  // namespace quillmere
