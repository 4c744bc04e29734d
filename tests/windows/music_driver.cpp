// The music module on Windows, driven as the saver window drives it: music_driver mp3 FILE SECONDS
// (PlayMp3, then WatchMp3 every second), wav FILE SECONDS (PlayWav, StopWav at the end), or cd
// (OpenCD, then WatchCD). FILE is taken as a wide path and handed to the module as AnsiPathOf
// makes it, as the dialog hands over a chosen file. Every media command the module sends reaches
// the system's own calls and is printed with its result: "<command> -> <code>".
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "ansi_text_win32.h"
#include "last_api_result.h"
#include "media_platform.h"
#include "settings.h"
#include "tormalune_bgm.h"

namespace {

using namespace quillmere;

class PrintingPlatform final : public MediaPlatform {
  public:
    std::int32_t SendString(std::string_view command, char* answer, std::uint32_t length) override {
        const std::int32_t code = OwnMediaPlatform().SendString(command, answer, length);
        std::printf("%.*s -> %d%s%s\n", static_cast<int>(command.size()), command.data(), code,
                    answer != nullptr && code == 0 ? " " : "",
                    answer != nullptr && code == 0 ? answer : "");
        return code;
    }
    bool GetErrorString(std::int32_t code, char* text, std::uint32_t length) override {
        return OwnMediaPlatform().GetErrorString(code, text, length);
    }
    std::int32_t PlayWaveSound(const char* name, std::uint32_t flags) override {
        const std::int32_t result = OwnMediaPlatform().PlayWaveSound(name, flags);
        std::printf("PlaySoundA %s %u -> %d\n", name != nullptr ? "file" : "NULL", flags, result);
        return result;
    }
    std::int32_t WaveOutDeviceCount() override {
        const std::int32_t count = OwnMediaPlatform().WaveOutDeviceCount();
        std::printf("waveOutGetNumDevs -> %d\n", count);
        return count;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Lines end in LF alone, as the reader on the other side splits them.
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) {
        std::fputs("usage: music_driver mp3|wav FILE SECONDS | cd\n", stderr);
        return 2;
    }
    PrintingPlatform platform;
    UseMediaPlatform(&platform);
    const std::string mode = argv[1];
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 0;
    if (argc > 2) {
        int count = 0;
        wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
        const std::optional<std::string> file =
            wide != nullptr && count > 2 ? AnsiPathOf(wide[2]) : std::nullopt;
        LocalFree(wide);
        if (!file) {
            std::puts("no ANSI path for the file");
            return 3;
        }
        Settings.BgmFile = *file;
    }
    if (mode == "mp3") {
        PlayMp3();
        for (int tick = 0; tick < seconds; ++tick) {
            Sleep(1000);  // Timer1
            WatchMp3();
        }
        StopMp3();
    } else if (mode == "wav") {
        PlayWav();
        Sleep(static_cast<DWORD>(seconds) * 1000);
        StopWav();
    } else if (mode == "cd") {
        OpenCD();
        WatchCD();
        std::printf("CdWatchActive %d\n", CdWatchActive ? 1 : 0);
    } else {
        return 2;
    }
    std::printf("LastApiResult %d\n", LastApiResult);
    return 0;
}
