#include "hack_mode.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "command_line.h"
#include "file_writing.h"
#include "saver_contract.h"
#include "window_id.h"

namespace quillmere {

namespace {

// The option without its dashes: "-root" and "--root" both give "root"; nothing for a text
// that is no hack option.
std::optional<std::string_view> HackOption(std::string_view argument) {
    if (argument.starts_with("--")) {
        argument.remove_prefix(2);
    } else if (argument.starts_with("-")) {
        argument.remove_prefix(1);
    } else {
        return std::nullopt;
    }
    for (const std::string_view name : {"root", "window-id", "music", "no-music"}) {
        if (argument == name || (name == "window-id" && argument.starts_with(name) &&
                                 argument.size() > name.size() && argument[name.size()] == '=')) {
            return argument;
        }
    }
    return std::nullopt;
}

HackCommand Refuse(std::string error, int exitCode) {
    HackCommand command;
    command.kind = HackCommand::Kind::Refused;
    command.error = std::move(error);
    command.exitCode = exitCode;
    return command;
}

}  // namespace

HackCommand ParseHackCommand(const std::vector<std::string>& args, const char* environmentWindow) {
    const std::string_view environment = environmentWindow != nullptr ? environmentWindow : "";
    if (!args.empty() && !HackOption(args.front())) {
        return {};
    }
    if (args.empty() && environment.empty()) {
        return {};
    }

    HackCommand command;
    command.kind = HackCommand::Kind::Run;
    bool root = false;
    std::optional<std::uint32_t> window;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto option = HackOption(args[i]);
        if (!option) {
            return Refuse("unknown option '" + args[i] + "'", kExitUsage);
        }
        if (*option == "root") {
            root = true;
        } else if (*option == "music") {
            command.request.music = true;
        } else if (*option == "no-music") {
            command.request.music = false;
        } else {
            std::string_view value;
            if (*option == "window-id") {
                if (i + 1 >= args.size()) {
                    return Refuse(args[i] + " needs the id of a window to draw in", kExitUsage);
                }
                value = args[++i];
            } else {
                value = option->substr(option->find('=') + 1);
            }
            window = ParseWindowId(value);
            if (!window) {
                return Refuse("'" + std::string(value) +
                                  "' is no window id (decimal, or hexadecimal after 0x)",
                              kExitUsage);
            }
        }
    }
    if (!window && !environment.empty()) {
        // The daemon's own window wins over -root, which older set-ups pass along with it.
        window = ParseWindowId(environment);
        if (!window) {
            return Refuse(
                "XSCREENSAVER_WINDOW holds no window id: '" + std::string(environment) + "'",
                kExitFailure);
        }
    }
    if (!window && !root) {
        return Refuse("-music and -no-music go with -root or -window-id", kExitUsage);
    }
    command.request.window = window.value_or(0);
    return command;
}

int IntervalOf(HackTimer timer) {
    switch (timer) {
        case HackTimer::Mp3Watch:
            return kMp3WatchIntervalMs;
        case HackTimer::CdWatch:
            return kCdWatchIntervalMs;
        case HackTimer::EndLimit:
            return kEndLimitMs;
    }
    return kEndLimitMs;
}

HackSequence::HackSequence(const SettingsRecord& settings, const HackRequest& request,
                           std::uint32_t windowId, HackOps& ops, MusicRoutines& music)
    : settings_(settings), request_(request), windowId_(windowId), ops_(ops), music_(music) {}

void HackSequence::SetEnabled(HackTimer timer, bool enabled) {
    enabled_[static_cast<int>(timer)] = enabled;
    ops_.SetTimerEnabled(timer, enabled);
}

HackSequence::Music HackSequence::Chosen() const {
    if (!request_.music) {
        return Music::None;
    }
    if (settings_.BgmKind == kBgmCd) {
        return Music::Cd;
    }
    if (settings_.BgmKind != kBgmFile) {
        return Music::None;
    }
    // The same test as the full-screen run's.
    const std::string extension = MusicFileExtension(settings_.BgmFile);
    if (extension == "WAV") {
        return Music::Wav;
    }
    return extension == "MP3" ? Music::Mp3 : Music::None;
}

void HackSequence::Start() {
    for (int index = 0; index < 3; ++index) {
        ops_.SaveDisplayPicture(index);
    }
    // The renderer before the music: it starts drawing sooner, and inherits none of the sound
    // output's files.
    rendererPath_ = ops_.ProgramFolder() + kPathSeparator + kRendererFileName;
    char id[16];
    std::snprintf(id, sizeof id, "0x%x", windowId_);
    if (!ops_.StartRenderer(rendererPath_, {kWindowIdOption, id})) {
        Finish(kExitFailure, "cannot start the renderer " + rendererPath_);
        return;
    }
    // Instances that find the music taken stay silent, until its holder goes.
    if (Chosen() != Music::None && ops_.TakeMusic()) {
        StartMusic();
    }
}

void HackSequence::StartMusic() {
    switch (Chosen()) {
        case Music::Cd:
            music_.OpenCD();
            SetEnabled(HackTimer::CdWatch, true);
            break;
        case Music::Wav:
            music_.PlayWav();
            break;
        case Music::Mp3:
            music_.PlayMp3();
            SetEnabled(HackTimer::Mp3Watch, true);
            break;
        case Music::None:
            return;
    }
    playing_ = true;
}

void HackSequence::StopMusic() {
    if (!playing_) {
        return;
    }
    playing_ = false;
    switch (Chosen()) {
        case Music::Cd:
            // A watch that gave up (no disc) left nothing playing.
            if (enabled_[static_cast<int>(HackTimer::CdWatch)]) {
                SetEnabled(HackTimer::CdWatch, false);
                music_.StopCD();
            }
            break;
        case Music::Wav:
            music_.StopWav();
            break;
        case Music::Mp3:
            SetEnabled(HackTimer::Mp3Watch, false);
            music_.StopMp3();
            break;
        case Music::None:
            break;
    }
}

void HackSequence::MusicReleased() {
    if (ending_ || playing_ || Chosen() == Music::None) {
        return;
    }
    if (ops_.TakeMusic()) {
        StartMusic();
    }
}

void HackSequence::Mp3Watch_Timer() {
    if (enabled_[static_cast<int>(HackTimer::Mp3Watch)]) {
        music_.WatchMp3();
    }
}

void HackSequence::CdWatch_Timer() {
    if (enabled_[static_cast<int>(HackTimer::CdWatch)]) {
        music_.WatchCD();
        SetEnabled(HackTimer::CdWatch, music_.CdWatchActive());
    }
}

void HackSequence::Terminate() {
    if (ending_) {
        return;
    }
    ending_ = true;
    // The renderer first: it ends while the music is being stopped.
    ops_.TerminateRenderer();
    StopMusic();
    SetEnabled(HackTimer::EndLimit, true);
}

void HackSequence::EndLimit_Timer() {
    if (enabled_[static_cast<int>(HackTimer::EndLimit)]) {
        ops_.KillRenderer();
        Finish(0, "");
    }
}

void HackSequence::RendererEnded(int exitCode) {
    // A renderer that failed has said why on its own.
    Finish(ending_ || exitCode == 0 ? 0 : kExitFailure, "");
}

void HackSequence::Finish(int code, const std::string& failure) {
    if (finished_) {
        return;
    }
    finished_ = true;
    ending_ = true;
    StopMusic();
    if (enabled_[static_cast<int>(HackTimer::EndLimit)]) {
        SetEnabled(HackTimer::EndLimit, false);
    }
    ops_.EndProgram(code, failure);
}

}  // namespace quillmere
