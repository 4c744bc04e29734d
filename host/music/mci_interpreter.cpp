#include "mci_interpreter.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <optional>

#include "mci_errors.h"

namespace quillmere {

namespace {

struct Keyword {
    const char* name;
    bool takesValue;
};

using KeywordValues = std::map<std::string, std::string>;

// Reads "keyword [value]" pairs from words[first...]; 0 or a result code.
std::int32_t ReadKeywords(const std::vector<MciWord>& words, std::size_t first,
                          std::initializer_list<Keyword> allowed, KeywordValues& values) {
    for (std::size_t i = first; i < words.size(); ++i) {
        const Keyword* match = nullptr;
        if (!words[i].quoted) {
            for (const Keyword& keyword : allowed) {
                if (SameWord(words[i].text, keyword.name)) {
                    match = &keyword;
                }
            }
        }
        if (match == nullptr) {
            return kMciErrUnrecognizedKeyword;
        }
        if (values.count(match->name) != 0) {
            return kMciErrDuplicateFlags;
        }
        std::string value;
        if (match->takesValue) {
            if (i + 1 >= words.size()) {
                return kMciErrMissingParameter;
            }
            value = words[++i].text;
        }
        values[match->name] = value;
    }
    return 0;
}

// Decimal digits only, as the command parser reads integers; nothing for anything else.
std::optional<std::int64_t> ReadUnsigned(std::string_view text) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// Up to max colon-separated unsigned fields; nothing when a field is not a number.
std::optional<std::vector<std::int64_t>> ReadFields(std::string_view text, std::size_t max) {
    std::vector<std::int64_t> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        const auto field = ReadUnsigned(text.substr(start, colon - start));
        if (!field || fields.size() == max) {
            return std::nullopt;
        }
        fields.push_back(*field);
        if (colon == std::string_view::npos) {
            return fields;
        }
        start = colon + 1;
    }
}

std::string Msf(std::int64_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                  static_cast<long long>(frames / (60 * kSectorsPerSecond)),
                  static_cast<long long>(frames / kSectorsPerSecond % 60),
                  static_cast<long long>(frames % kSectorsPerSecond));
    return text;
}

std::string Tmsf(int track, std::int64_t frames) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:", track % 100);
    return text + Msf(frames);
}

std::int64_t FramesToMs(std::int64_t frames) {
    return frames * 1000 / kSectorsPerSecond;
}

}  // namespace

MciInterpreter::MciInterpreter(MediaBackend& backend) : backend_(backend) {}

MciInterpreter::~MciInterpreter() {
    CloseAll();
}

void MciInterpreter::CloseAll() {
    devices_.clear();
}

bool MciInterpreter::IsOpen(std::string_view name) const {
    return devices_.count(LowerWord(name)) != 0;
}

MciInterpreter::Device* MciInterpreter::Find(std::string_view name) {
    const auto found = devices_.find(LowerWord(name));
    return found == devices_.end() ? nullptr : &found->second;
}

std::int32_t MciInterpreter::Send(std::string_view command, char* answer, std::uint32_t length) {
    const MciWords split = SplitMciCommand(command);
    if (split.error != 0) {
        return split.error;
    }
    const std::vector<MciWord>& words = split.words;
    if (words.empty()) {
        return kMciErrMissingCommandString;
    }
    const std::string& verb = words[0].text;
    if (words.size() < 2) {
        return kMciErrMissingDeviceName;
    }
    std::string text;
    std::int32_t result = 0;
    if (SameWord(verb, "open")) {
        result = Open(words, text);
    } else if (SameWord(verb, "close")) {
        result = Close(words);
    } else {
        const bool known = SameWord(verb, "play") || SameWord(verb, "stop") ||
                           SameWord(verb, "pause") || SameWord(verb, "resume") ||
                           SameWord(verb, "status") || SameWord(verb, "set");
        if (!known) {
            return kMciErrUnrecognizedCommand;
        }
        if (SameWord(words[1].text, "all")) {
            return kMciErrCannotUseAll;
        }
        Device* device = Find(words[1].text);
        if (device == nullptr) {
            return kMciErrInvalidDeviceName;
        }
        if (SameWord(verb, "play")) {
            result = Play(*device, words);
        } else if (SameWord(verb, "status")) {
            result = Status(*device, words, text);
        } else if (SameWord(verb, "set")) {
            result = Set(*device, words);
        } else {
            result = Transport(*device, verb, words);
        }
    }
    if (result == 0) {
        CopyAnswer(text.c_str(), answer, length);
    }
    return result;
}

std::int32_t MciInterpreter::Open(const std::vector<MciWord>& words, std::string& answer) {
    KeywordValues options;
    if (const std::int32_t error = ReadKeywords(words, 2,
                                                {{"type", true},
                                                 {"alias", true},
                                                 {"shareable", false},
                                                 {"notify", false},
                                                 {"wait", false}},
                                                options)) {
        return error;
    }
    const MciWord& target = words[1];
    std::string type;
    if (options.count("type") != 0) {
        type = LowerWord(options["type"]);
    } else if (!target.quoted && SameWord(target.text, "cdaudio")) {
        type = "cdaudio";
    } else {
        // No type: a file element played by its extension.
        const std::size_t dot = target.text.rfind('.');
        const std::string extension =
            dot == std::string::npos ? std::string() : LowerWord(target.text.substr(dot + 1));
        for (const char* known : {"mp3", "mp2", "mpg", "mpeg", "wav", "ogg", "flac"}) {
            if (extension == known) {
                type = "mpegvideo";
            }
        }
        if (type.empty()) {
            return kMciErrInvalidDeviceName;
        }
    }
    const bool aliased = options.count("alias") != 0;
    const std::string name = LowerWord(aliased ? options["alias"] : target.text);
    if (name.empty()) {
        return kMciErrMissingDeviceName;
    }
    if (devices_.count(name) != 0) {
        return aliased ? kMciErrDuplicateAlias : kMciErrDeviceOpen;
    }

    Device device;
    std::int32_t error = 0;
    if (type == "cdaudio") {
        device.cd = backend_.OpenCd(error);
        device.format = TimeFormat::Msf;
        if (!device.cd) {
            return error != 0 ? error : kMciErrCannotLoadDriver;
        }
    } else if (type == "mpegvideo" || type == "waveaudio") {
        device.file = backend_.OpenFile(target.text, error);
        if (!device.file) {
            return error != 0 ? error : kMciErrInvalidFile;
        }
    } else {
        return kMciErrInvalidDeviceName;
    }
    device.id = nextId_++;
    answer = std::to_string(device.id);
    devices_.emplace(name, std::move(device));
    return 0;
}

std::int32_t MciInterpreter::Close(const std::vector<MciWord>& words) {
    KeywordValues options;
    if (const std::int32_t error =
            ReadKeywords(words, 2, {{"notify", false}, {"wait", false}}, options)) {
        return error;
    }
    if (SameWord(words[1].text, "all")) {
        CloseAll();
        return 0;
    }
    const auto found = devices_.find(LowerWord(words[1].text));
    if (found == devices_.end()) {
        return kMciErrInvalidDeviceName;
    }
    devices_.erase(found);
    return 0;
}

std::int32_t MciInterpreter::ParseCdPosition(const Device& device, const CdToc& toc,
                                             std::string_view text, std::int32_t& lsn) const {
    std::int64_t position = 0;
    if (device.format == TimeFormat::Tmsf) {
        const auto fields = ReadFields(text, 4);
        if (!fields) {
            return kMciErrBadInteger;
        }
        const CdTrack* track = toc.Track((*fields)[0]);
        if (track == nullptr) {
            return kMciErrOutOfRange;
        }
        const std::int64_t minutes = fields->size() > 1 ? (*fields)[1] : 0;
        const std::int64_t seconds = fields->size() > 2 ? (*fields)[2] : 0;
        const std::int64_t frames = fields->size() > 3 ? (*fields)[3] : 0;
        if (seconds >= 60 || frames >= kSectorsPerSecond) {
            return kMciErrOutOfRange;
        }
        position = track->startLsn + (minutes * 60 + seconds) * kSectorsPerSecond + frames;
    } else if (device.format == TimeFormat::Msf) {
        const auto fields = ReadFields(text, 3);
        if (!fields) {
            return kMciErrBadInteger;
        }
        const std::int64_t minutes = (*fields)[0];
        const std::int64_t seconds = fields->size() > 1 ? (*fields)[1] : 0;
        const std::int64_t frames = fields->size() > 2 ? (*fields)[2] : 0;
        if (seconds >= 60 || frames >= kSectorsPerSecond) {
            return kMciErrOutOfRange;
        }
        position = (minutes * 60 + seconds) * kSectorsPerSecond + frames - kLeadInSectors;
    } else {
        const auto ms = ReadUnsigned(text);
        if (!ms) {
            return kMciErrBadInteger;
        }
        position = *ms * kSectorsPerSecond / 1000 - kLeadInSectors;
    }
    if (position < toc.tracks.front().startLsn || position > toc.leadoutLsn) {
        return kMciErrOutOfRange;
    }
    lsn = static_cast<std::int32_t>(position);
    return 0;
}

std::string MciInterpreter::FormatCdPosition(const Device& device, const CdToc& toc,
                                             std::int32_t lsn) const {
    switch (device.format) {
        case TimeFormat::Tmsf: {
            const CdTrack& track = toc.TrackAt(lsn);
            return Tmsf(track.number, std::max<std::int64_t>(0, lsn - track.startLsn));
        }
        case TimeFormat::Msf:
            return Msf(std::int64_t{lsn} + kLeadInSectors);
        case TimeFormat::Milliseconds:
            break;
    }
    return std::to_string(FramesToMs(std::int64_t{lsn} + kLeadInSectors));
}

std::int32_t MciInterpreter::Play(Device& device, const std::vector<MciWord>& words) {
    KeywordValues options;
    if (const std::int32_t error = ReadKeywords(
            words, 2, {{"from", true}, {"to", true}, {"notify", false}, {"wait", false}},
            options)) {
        return error;
    }
    if (options.count("wait") != 0) {
        return kMciErrUnsupportedFunction;  // playing never blocks the caller
    }
    if (device.file) {
        if (options.count("to") != 0) {
            return kMciErrUnsupportedFunction;
        }
        std::optional<std::int64_t> from;
        if (options.count("from") != 0) {
            from = ReadUnsigned(options["from"]);
            if (!from) {
                return kMciErrBadInteger;
            }
            const std::int64_t length = device.file->LengthMs();
            if (length >= 0 && *from > length) {
                return kMciErrOutOfRange;
            }
        }
        return device.file->Play(from);
    }

    const CdToc* toc = device.cd->Toc();
    if (toc == nullptr || toc->tracks.empty()) {
        return kMciErrDeviceNotReady;
    }
    std::int32_t to = toc->leadoutLsn;
    if (options.count("to") != 0) {
        if (const std::int32_t error = ParseCdPosition(device, *toc, options["to"], to)) {
            return error;
        }
    }
    std::int32_t from = 0;
    if (options.count("from") != 0) {
        if (const std::int32_t error = ParseCdPosition(device, *toc, options["from"], from)) {
            return error;
        }
    } else {
        if (device.cd->Mode() == PlayerMode::Playing && options.count("to") == 0) {
            return 0;
        }
        from = device.cd->PositionLsn();
        if (from >= to) {
            from = toc->tracks.front().startLsn;  // at the end: start the disc again
        }
    }
    if (from >= to) {
        return kMciErrOutOfRange;
    }
    if (!toc->HasAudioIn(from, to)) {
        return kMciErrHardware;
    }
    return device.cd->Play(from, to);
}

std::int32_t MciInterpreter::Transport(Device& device, std::string_view verb,
                                       const std::vector<MciWord>& words) {
    KeywordValues options;
    if (const std::int32_t error =
            ReadKeywords(words, 2, {{"notify", false}, {"wait", false}}, options)) {
        return error;
    }
    if (device.file) {
        if (SameWord(verb, "stop")) {
            device.file->Stop();
        } else if (SameWord(verb, "pause")) {
            device.file->Pause();
        } else if (device.file->Mode() == PlayerMode::Paused) {
            return device.file->Play(std::nullopt);
        }
        return 0;
    }
    const CdToc* toc = device.cd->Toc();
    if (toc == nullptr || toc->tracks.empty()) {
        return kMciErrDeviceNotReady;
    }
    if (SameWord(verb, "stop")) {
        device.cd->Stop();
    } else if (SameWord(verb, "pause")) {
        device.cd->Pause();
    } else if (device.cd->Mode() == PlayerMode::Paused) {
        const std::int32_t from = device.cd->PositionLsn();
        return from < toc->leadoutLsn ? device.cd->Play(from, toc->leadoutLsn) : 0;
    }
    return 0;
}

std::int32_t MciInterpreter::Status(Device& device, const std::vector<MciWord>& words,
                                    std::string& answer) {
    if (words.size() < 3) {
        return kMciErrMissingParameter;
    }
    std::string item;
    for (std::size_t i = 2; i < words.size(); ++i) {
        if (words[i].quoted) {
            return kMciErrUnrecognizedKeyword;
        }
        if (SameWord(words[i].text, "notify") || SameWord(words[i].text, "wait")) {
            continue;
        }
        item += (item.empty() ? "" : " ") + LowerWord(words[i].text);
    }
    if (item == "time format") {
        answer = device.format == TimeFormat::Tmsf  ? "tmsf"
                 : device.format == TimeFormat::Msf ? "msf"
                                                    : "milliseconds";
        return 0;
    }
    return device.file ? FileStatus(device, item, answer) : CdStatus(device, item, answer);
}

std::int32_t MciInterpreter::FileStatus(Device& device, const std::string& item,
                                        std::string& answer) {
    FilePlayer& file = *device.file;
    if (item == "mode") {
        answer = ModeWord(file.Mode());
    } else if (item == "position") {
        answer = std::to_string(file.PositionMs());
    } else if (item == "length") {
        const std::int64_t length = file.LengthMs();
        if (length < 0) {
            return kMciErrUnsupportedFunction;
        }
        answer = std::to_string(length);
    } else if (item == "ready" || item == "media present") {
        answer = "true";
    } else {
        return kMciErrUnrecognizedKeyword;
    }
    return 0;
}

std::int32_t MciInterpreter::CdStatus(Device& device, const std::string& item,
                                      std::string& answer) {
    CdPlayer& cd = *device.cd;
    const CdToc* toc = cd.Toc();
    const bool ready = toc != nullptr && !toc->tracks.empty();
    if (item == "mode") {
        answer = ready ? ModeWord(cd.Mode()) : ModeWord(PlayerMode::NotReady);
        return 0;
    }
    if (item == "ready" || item == "media present") {
        answer = ready ? "true" : "false";
        return 0;
    }

    // Every other item reads the disc; a trailing "track N" names a track.
    std::string base = item;
    std::optional<std::int64_t> trackNumber;
    const std::size_t trackAt = item.rfind(" track ");
    if (trackAt != std::string::npos &&
        (item.compare(0, trackAt, "position") == 0 || item.compare(0, trackAt, "length") == 0)) {
        base = item.substr(0, trackAt);
        trackNumber = ReadUnsigned(std::string_view(item).substr(trackAt + 7));
        if (!trackNumber) {
            return kMciErrBadInteger;
        }
    }
    const bool knownItem = base == "number of tracks" || base == "current track" ||
                           base == "position" || base == "length";
    if (!knownItem) {
        return kMciErrUnrecognizedKeyword;
    }
    if (!ready && cd.Opening() && !trackNumber) {
        // A drive still spinning up is not ready, but it is no fault yet: it answers as an
        // empty disc, so a watch that asks every tick sees the real answers once it is open.
        if (base == "number of tracks" || base == "current track") {
            answer = "0";
        } else if (base == "position") {
            answer = device.format == TimeFormat::Tmsf  ? "00:00:00:00"
                     : device.format == TimeFormat::Msf ? "00:00:00"
                                                        : "0";
        } else {
            answer = device.format == TimeFormat::Milliseconds ? "0" : "00:00:00";
        }
        return 0;
    }
    if (!ready) {
        return kMciErrDeviceNotReady;
    }
    const CdTrack* track = nullptr;
    if (trackNumber) {
        track = toc->Track(*trackNumber);
        if (track == nullptr) {
            return kMciErrOutOfRange;
        }
    }
    if (base == "number of tracks") {
        answer = std::to_string(toc->tracks.size());
    } else if (base == "current track") {
        answer = std::to_string(toc->TrackAt(cd.PositionLsn()).number);
    } else if (base == "position") {
        answer = FormatCdPosition(device, *toc, track ? track->startLsn : cd.PositionLsn());
    } else {
        const std::int64_t frames = track ? toc->TrackEnd(*track) - track->startLsn
                                          : toc->leadoutLsn - toc->tracks.front().startLsn;
        answer = device.format == TimeFormat::Milliseconds ? std::to_string(FramesToMs(frames))
                                                           : Msf(frames);
    }
    return 0;
}

std::int32_t MciInterpreter::Set(Device& device, const std::vector<MciWord>& words) {
    std::vector<std::string> rest;
    for (std::size_t i = 2; i < words.size(); ++i) {
        if (words[i].quoted) {
            return kMciErrUnrecognizedKeyword;
        }
        if (!SameWord(words[i].text, "notify") && !SameWord(words[i].text, "wait")) {
            rest.push_back(LowerWord(words[i].text));
        }
    }
    if (rest.empty()) {
        return kMciErrMissingParameter;
    }
    if (rest.size() < 2 || rest[0] != "time" || rest[1] != "format") {
        return kMciErrUnrecognizedKeyword;
    }
    if (rest.size() != 3) {
        return rest.size() < 3 ? kMciErrMissingParameter : kMciErrBadTimeFormat;
    }
    const std::string& format = rest[2];
    if (format == "milliseconds" || format == "ms") {
        device.format = TimeFormat::Milliseconds;
    } else if (device.cd && format == "msf") {
        device.format = TimeFormat::Msf;
    } else if (device.cd && format == "tmsf") {
        device.format = TimeFormat::Tmsf;
    } else {
        return kMciErrBadTimeFormat;
    }
    return 0;
}

}  // namespace quillmere
