#include "tormalune_bgm.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "decimal_number.h"
#include "last_api_result.h"
#include "mci_command.h"
#include "media_platform.h"
#include "settings.h"

namespace quillmere {

bool CdWatchActive = false;
std::string MciAnswer;
char MciAnswerBuffer[kMciAnswerBufferLength] = {};
char MciErrorBuffer[kMciErrorBufferLength] = {};
char CdModeBuffer[kCdModeBufferLength] = {};
char Mp3ModeBuffer[kMp3ModeBufferLength] = {};

namespace {

std::string BufferText(const char* buffer, std::size_t length) {
    return std::string(buffer, strnlen(buffer, length));
}

std::string UpperText(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

bool HasErr(const std::string& answer) {
    return UpperText(answer).find("ERR") != std::string::npos;
}

// A text compared with a number is converted the way the runtime converts it: blanks around,
// then &H / &O digits, or a decimal number whose exponent may also start with D. Anything else
// is a conversion fault, and so is a number beyond the range of double.
std::optional<double> RuntimeNumber(std::string_view text) {
    text = TrimmedOf(text, " \t");
    if (text.size() > 2 && text[0] == '&' &&
        (text[1] == 'H' || text[1] == 'h' || text[1] == 'O' || text[1] == 'o')) {
        const int base = (text[1] == 'H' || text[1] == 'h') ? 16 : 8;
        double value = 0;
        for (char c : text.substr(2)) {
            const int digit = std::isdigit(static_cast<unsigned char>(c))
                                  ? c - '0'
                                  : (std::isxdigit(static_cast<unsigned char>(c))
                                         ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                                         : 99);
            if (digit >= base) {
                return std::nullopt;
            }
            value = value * base + digit;
        }
        return value;
    }
    const std::optional<DecimalNumber> number = ReadDecimalNumber(text, "eEdD");
    if (!number || std::isinf(number->value)) {
        return std::nullopt;
    }
    return number->value;
}

}  // namespace

std::int32_t SendMci(const std::string& command, std::string& answer) {
    if (command.empty()) {
        answer = "コマンド文字列が指定されていません";
        return -1;
    }
    const std::int32_t code = SendMediaString(command, MciAnswerBuffer, kMciAnswerBufferLength);
    LastApiResult = code;
    if (code == 0) {
        answer = BufferText(MciAnswerBuffer, kMciAnswerBufferLength);
        return 0;
    }
    if (MediaErrorString(code, MciErrorBuffer, kMciErrorBufferLength)) {
        answer = BufferText(MciErrorBuffer, kMciErrorBufferLength);
    } else {
        answer = "Error (文字列が取れません)";
    }
    return code;
}

std::string QueryMci(const std::string& command) {
    const std::int32_t result = SendMci(command, MciAnswer);
    LastApiResult = result;
    if (result != 0) {
        return "Error:" + std::to_string(result);
    }
    return MciAnswer;
}

std::int32_t PlayMciDevice(const std::string& device, const std::string& from,
                           const std::string& to) {
    std::string command = "play " + device;
    if (!from.empty()) {
        command += " from " + from;
    }
    if (!to.empty()) {
        command += " to " + to;
    }
    return SendMci(command, MciAnswer);
}

void OpenCD() {
    LastApiResult = SendMediaString("open cdaudio", nullptr, 0);
    LastApiResult = SendMediaString("set cdaudio time format tmsf", nullptr, 0);
}

void WatchCD() {
    CdWatchActive = true;

    const std::string track = QueryMci("status cdaudio current track");
    if (HasErr(track)) {
        CdWatchActive = false;
        return;
    }
    if (HasErr(QueryMci("status cdaudio number of tracks"))) {
        CdWatchActive = false;
        return;
    }
    QueryMci("status cdaudio position");
    QueryMci("status cdaudio length");

    LastApiResult = SendMediaString("status cdaudio mode", CdModeBuffer, kCdModeBufferLength);
    const std::string mode = BufferText(CdModeBuffer, kCdModeBufferLength).substr(0, 7);

    const std::int16_t repeat = Settings.BgmRepeat;
    if (repeat != 0) {
        const bool stopped = mode == "stopped";
        const std::optional<double> current = RuntimeNumber(track);
        if (!current) {
            CdWatchActive = false;  // the track answer is no number: the watch ends
            return;
        }
        if (stopped || *current != repeat) {
            const std::string start =
                QueryMci("status cdaudio position track " + std::to_string(repeat));
            PlayMciDevice("cdaudio", start, "");
        }
    } else if (mode == "stopped") {
        PlayMciDevice("cdaudio", "", "");
    }
}

void StopCD() {
    LastApiResult = SendMediaString("stop cdaudio", nullptr, 0);
    LastApiResult = SendMediaString("close cdaudio", nullptr, 0);
}

void PlayMp3() {
    // A double quote that would end the quoted path early is doubled, so the path comes through
    // whole whatever it holds; any other path goes into the command exactly as it is.
    const std::string open =
        "open " + QuotedMciWord(Settings.BgmFile) + " type MPEGVideo Alias MP3Play";
    if (SendMediaString(open, nullptr, 0) == 0) {
        SendMediaString("play MP3Play", nullptr, 0);
    }
}

bool IsMp3Playing() {
    // A failed query counts as not playing, whatever an earlier answer left in the buffer.
    if (SendMediaString("status MP3Play mode", Mp3ModeBuffer, kMp3ModeBufferLength) != 0) {
        return false;
    }
    return BufferText(Mp3ModeBuffer, kMp3ModeBufferLength).substr(0, 7) == "playing";
}

void WatchMp3() {
    if (IsMp3Playing()) {
        return;
    }
    SendMediaString("stop MP3Play", nullptr, 0);
    SendMediaString("play MP3Play from 0", nullptr, 0);
}

void StopMp3() {
    SendMediaString("stop MP3Play", nullptr, 0);
    SendMediaString("close MP3Play", nullptr, 0);
}

void PlayWav() {
    if (WaveOutputDeviceCount() <= 0) {
        return;
    }
    LastApiResult = PlayWaveSound(Settings.BgmFile.c_str(), kSndAsync | kSndLoop);
}

void StopWav() {
    LastApiResult = PlayWaveSound(nullptr, 0);
}

namespace {

class ModuleRoutines final : public MusicRoutines {
  public:
    void OpenCD() override { quillmere::OpenCD(); }
    void WatchCD() override { quillmere::WatchCD(); }
    bool CdWatchActive() override { return quillmere::CdWatchActive; }
    void StopCD() override { quillmere::StopCD(); }
    void PlayMp3() override { quillmere::PlayMp3(); }
    void WatchMp3() override { quillmere::WatchMp3(); }
    void StopMp3() override { quillmere::StopMp3(); }
    void PlayWav() override { quillmere::PlayWav(); }
    void StopWav() override { quillmere::StopWav(); }
};

}  // namespace

MusicRoutines& ModuleMusicRoutines() {
    static ModuleRoutines routines;
    return routines;
}

void CloseAllMusic() {
    ShutdownMediaPlatform();
}

}  // namespace quillmere
