// The X server goes away in the middle of a full-screen run with music: the host closes the
// music and ends in order, not through a crash or an abort at exit.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "ini_file.h"
#include "music_audio.h"
#include "settings.h"
#include "test_support.h"
#include "x11_test_support.h"

namespace {

using namespace std::chrono_literals;

std::string ReadText(const std::string& path) {
    const auto bytes = testsupport::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(HostServerLossTest, MusicClosedAndOrderlyEnd) {
    testsupport::TempDir home;
    auto server = std::make_unique<testsupport::XvfbServer>();
    auto client = std::make_unique<testsupport::XClient>(server->display());
    ASSERT_TRUE(client->ok());

    const std::string song = home / "sea.wav";
    musictest::WriteToneWav(song, 440.0, 2.0, 22050);
    const std::string ini = home / "config/Quillmere/Quillmere.ini";
    using namespace quillmere;
    WriteIniString(kSettingsSection, kKeyBgmKind, SignedNumberText(kBgmFile), ini);
    WriteIniString(kSettingsSection, kKeyBgmFile, song, ini);

    const std::string audio = home / "audio.raw";
    const std::string errors = home / "host-stderr.txt";
    testsupport::ChildProcess host(std::string(QUILLMERE_BIN_DIR) + "/Quillmere.scr", {"/s"},
                                   {{"DISPLAY", server->display()},
                                    {"HOME", home.path()},
                                    {"XDG_CACHE_HOME", home / "cache"},
                                    {"XDG_CONFIG_HOME", home / "config"},
                                    {"SDL_AUDIODRIVER", "disk"},
                                    {"SDL_DISKAUDIOFILE", audio},
                                    {"SDL_DISKAUDIODELAY", ""}},
                                   errors);
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return testsupport::FindWindowByTitle(client->get(), "Tormalune_VC") != 0; }, 30s));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return musictest::RawFrames(audio) > 44100; }, 30s))
        << "the music never played";

    client.reset();
    server.reset();
    const std::optional<int> code = host.Wait(30s);
    ASSERT_TRUE(code);
    // An exit code, not a signal (128 + signal here): no crash, no abort, no core.
    EXPECT_EQ(*code, 0);
    EXPECT_TRUE(musictest::OutputStops(audio, 5s));
    const std::string text = ReadText(errors);
    EXPECT_NE(text.find("Quillmere.scr: lost the connection to the X server"), std::string::npos)
        << text;
    for (const char* crash : {"abort", "terminate called", "Segmentation", "X connection to"}) {
        EXPECT_EQ(text.find(crash), std::string::npos) << text;
    }
}

}  // namespace
