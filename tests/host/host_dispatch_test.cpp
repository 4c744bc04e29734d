// Start-up: help and version requests, the argument text, the mode letter, the preview handle
// and rectangle, and which steps Main takes for each command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_line.h"
#include "cursor_display_count.h"
#include "tormalune_b.h"

namespace quillmere {
namespace {

TEST(ArgumentTextTest, JoinsArgumentsWithSingleBlanks) {
    const char* none[] = {"Quillmere.scr"};
    const char* one[] = {"Quillmere.scr", "/s"};
    const char* split[] = {"Quillmere.scr", "/p", "1234"};
    const char* blanks[] = {"Quillmere.scr", "", "/c", ""};
    const char* title[] = {"Quillmere.scr", "-title", "x"};
    EXPECT_EQ(ArgumentText(1, none), "");
    EXPECT_EQ(ArgumentText(2, one), "/s");
    EXPECT_EQ(ArgumentText(3, split), "/p 1234");
    EXPECT_EQ(ArgumentText(4, blanks), " /c ");
    EXPECT_EQ(ArgumentText(3, title), "-title x");
    EXPECT_EQ(ArgumentText(0, none), "");
}

// Only a lone --help or --version asks for information; anything else is a switch.
TEST(InfoRequestTest, OnlyTheWholeSingleArgument) {
    const std::pair<std::vector<const char*>, InfoRequest> cases[] = {
        {{"quillmere", "--help"}, InfoRequest::Help},
        {{"quillmere", "--version"}, InfoRequest::Version},
        {{"quillmere"}, InfoRequest::None},
        {{"quillmere", "--help", "/s"}, InfoRequest::None},
        {{"quillmere", "--HELP"}, InfoRequest::None},
        {{"quillmere", "-help"}, InfoRequest::None},
        {{"quillmere", "--versions"}, InfoRequest::None},
    };
    for (const auto& [argv, request] : cases) {
        EXPECT_EQ(InfoRequestOf(static_cast<int>(argv.size()), argv.data()), request)
            << argv.size() << " " << argv.back();
    }
}

struct LetterCase {
    std::string text;
    std::string letter;
};

TEST(ModeLetterTest, SecondCharacterUpperCased) {
    const LetterCase cases[] = {
        {"", ""},
        {"s", ""},
        {"/s", "S"},
        {"/S", "S"},
        {"-s", "S"},
        {"xs", "S"},
        {"/p 1234", "P"},
        {"/c:1234", "C"},
        {"/a", "A"},
        {" /s", "/"},
        // Characters are whole UTF-8 sequences, so a non-ASCII first character still leaves the
        // switch letter second; a non-ASCII second character is no mode.
        {"\xC3\xA9s", "S"},
        {"/\xC3\xA9", "\xC3\xA9"},
        {"/\xE3\x81\x82", "\xE3\x81\x82"},
        // A stray byte counts as one character.
        {"\xFFs", "S"},
        {"\xE3\x81", "\x81"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ModeLetter(c.text), c.letter) << "text \"" << c.text << "\"";
    }
}

TEST(ModeLetterTest, VeryLongTextReadsOnlyTheSecondCharacter) {
    EXPECT_EQ(ModeLetter("/s" + std::string(100000, 'x')), "S");
    EXPECT_EQ(ModeLetter("/" + std::string(100000, 'c')), "C");
}

struct HandleCase {
    std::string text;
    std::uint32_t handle;
};

TEST(PreviewHandleTest, DecimalFromCharacterFour) {
    const HandleCase cases[] = {
        {"/p 1234", 1234},
        {"/p:1234", 1234},
        {"/P 1234", 1234},
        {"/pX1234", 1234},  // character 3 is never looked at
        {"/p", 0},
        {"/p ", 0},
        {"/p 0", 0},
        {"/p 0x1a", 26},  // hex as xwininfo prints it
        {"/p 0X1A00007", 0x1a00007},
        {"/p:0xffffffff", 4294967295u},
        {"/p 0x100000000", 0},
        {"/p 0x", 0},
        {"/p 0xg1", 0},
        {"/p 1a", 1},
        {"/p 00x1a", 0},
        {"/p 12ab", 12},
        {"/p   77", 77},
        {"/p 1 2 3", 123},  // blanks are skipped inside the number too
        {"/p -5", 0},
        {"/p 4294967295", 4294967295u},
        {"/p 4294967296", 0},
        {"/p 99999999999999999999999", 0},
        {"/p 0000042", 42},
        {"/\xC3\xA9 55", 55},  // characters, not bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PreviewHandle(c.text), c.handle) << "text \"" << c.text << "\"";
    }
}

TEST(PreviewRectTest, TwipsAndBackWithSixteenBitLimit) {
    struct Case {
        int width, height;
        std::int16_t twipsWidth, twipsHeight;
        int imageWidth, imageHeight;
    };
    const Case cases[] = {
        {152, 112, 2280, 1680, 152, 112},
        {1, 1, 15, 15, 1, 1},
        {2184, 2184, 32760, 32760, 2184, 2184},
        {2185, 100, 0, 1500, 0, 100},  // 32775 twips do not fit
        {100, 5000, 1500, 0, 100, 0},
        {0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const PreviewRect rect = PreviewRectFor(c.width, c.height);
        EXPECT_EQ(rect.PreviewLeft, 0);
        EXPECT_EQ(rect.PreviewTop, 0);
        EXPECT_EQ(rect.PreviewWidth, c.twipsWidth) << c.width;
        EXPECT_EQ(rect.PreviewHeight, c.twipsHeight) << c.height;
        EXPECT_EQ(rect.ImageWidth(), c.imageWidth);
        EXPECT_EQ(rect.ImageHeight(), c.imageHeight);
    }
}

// Records the steps Main takes, in order.
class RecordingOps : public MainOps {
  public:
    std::vector<std::string> steps;
    std::vector<std::string> existingTitles;
    bool previewShows = true;
    bool lockFree = true;

    bool WindowExists(const std::string& title) override {
        steps.push_back("find " + title);
        return std::find(existingTitles.begin(), existingTitles.end(), title) !=
               existingTitles.end();
    }
    bool ShowPreview(const std::string& text) override {
        steps.push_back("preview " + text);
        return previewShows;
    }
    bool TakeRunLock() override {
        steps.push_back("lock");
        return lockFree;
    }
    void CreateTextureFolder() override { steps.push_back("folder"); }
    void LoadSettings() override { steps.push_back("settings"); }
    void ShowSettingsDialog() override { steps.push_back("dialog"); }
    int HideCursor() override {
        steps.push_back("hide");
        return -1;
    }
    void LoadSaverWindow() override { steps.push_back("saver"); }
    bool LoadHackSession(const HackRequest&) override {
        steps.push_back("hack");
        return true;
    }
};

const std::vector<std::string> kGuard = {"find Tormalune_Main", "find <Quillmere>"};

std::vector<std::string> After(std::vector<std::string> tail) {
    std::vector<std::string> all = kGuard;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

struct DispatchCase {
    std::string text;
    std::vector<std::string> steps;
    MainResult result;
};

TEST(MainDispatchTest, StepsPerCommandLine) {
    const std::string longText = "/s" + std::string(50000, 'q');
    const DispatchCase cases[] = {
        {"/s", After({"lock", "folder", "settings", "hide", "saver"}), MainResult::RunWindow},
        {"/S", After({"lock", "folder", "settings", "hide", "saver"}), MainResult::RunWindow},
        {"-S", After({"lock", "folder", "settings", "hide", "saver"}), MainResult::RunWindow},
        {"xs", After({"lock", "folder", "settings", "hide", "saver"}), MainResult::RunWindow},
        {longText, After({"lock", "folder", "settings", "hide", "saver"}), MainResult::RunWindow},
        {"", After({"lock", "folder", "settings", "saver"}), MainResult::RunWindow},
        {"s", After({"folder", "settings"}), MainResult::UnknownSwitch},
        {"/a", After({"folder", "settings"}), MainResult::UnknownSwitch},
        {"/x", After({"folder", "settings"}), MainResult::UnknownSwitch},
        {" ", After({"folder", "settings"}), MainResult::UnknownSwitch},
        {"/\xC3\xA9", After({"folder", "settings"}), MainResult::UnknownSwitch},
        {"\xC3\xA9s", After({"lock", "folder", "settings", "hide", "saver"}),
         MainResult::RunWindow},
        {"/c", After({"folder", "settings", "dialog"}), MainResult::EndProgram},
        {"/C:1234", After({"folder", "settings", "dialog"}), MainResult::EndProgram},
        {"/p 1234", After({"preview /p 1234"}), MainResult::RunWindow},
        {"/P:1234", After({"preview /P:1234"}), MainResult::RunWindow},
        {"/p", After({"preview /p"}), MainResult::RunWindow},
    };
    for (const auto& c : cases) {
        RecordingOps recorder;
        SavedCursorCount.reset();
        EXPECT_EQ(Main(c.text, recorder), c.result) << "text \"" << c.text.substr(0, 20);
        EXPECT_EQ(recorder.steps, c.steps) << "text \"" << c.text.substr(0, 20) << "\"";
        const bool hid = std::find(c.steps.begin(), c.steps.end(), "hide") != c.steps.end();
        EXPECT_EQ(SavedCursorCount, hid ? std::optional<int>(-1) : std::nullopt)
            << c.text.substr(0, 20);
    }
}

TEST(MainDispatchTest, PreviewWithoutWindowEndsTheProgram) {
    RecordingOps recorder;
    recorder.previewShows = false;
    EXPECT_EQ(Main("/p 0", recorder), MainResult::NoPreviewWindow);
    EXPECT_EQ(recorder.steps, After({"preview /p 0"}));
}

// A full-screen run that starts at the same instant holds the lock: this start ends before it
// creates or reads anything. Other kinds of start take no lock.
TEST(MainDispatchTest, HeldRunLockEndsOnlyTheFullScreenRun) {
    for (const std::string text : {"/s", ""}) {
        RecordingOps recorder;
        recorder.lockFree = false;
        SavedCursorCount.reset();
        EXPECT_EQ(Main(text, recorder), MainResult::EndProgram) << text;
        EXPECT_EQ(recorder.steps, After({"lock"})) << text;
        EXPECT_FALSE(SavedCursorCount) << text;
    }
    RecordingOps recorder;
    recorder.lockFree = false;
    EXPECT_EQ(Main("/c", recorder), MainResult::EndProgram);
    EXPECT_EQ(recorder.steps, After({"folder", "settings", "dialog"}));
}

// While a run is on, every start ends after the two look-ups, which are both always made.
TEST(MainDispatchTest, RunningMarkerEndsEveryMode) {
    const std::vector<std::vector<std::string>> markers = {
        {"Tormalune_Main"}, {"<Quillmere>"}, {"Tormalune_Main", "<Quillmere>"}};
    for (const auto& existing : markers) {
        for (const std::string text : {"/s", "/p 1234", "/c", "", "/a", "s"}) {
            RecordingOps recorder;
            recorder.existingTitles = existing;
            EXPECT_EQ(Main(text, recorder), MainResult::EndProgram) << text;
            EXPECT_EQ(recorder.steps, kGuard) << text << " with " << existing.front();
        }
    }
}

// The display count of the hide and show calls: hidden below 0 only.
TEST(CursorDisplayCountTest, CountsLikeShowCursor) {
    CursorDisplayCount cursor;
    struct Step {
        bool hide;
        int count;
        bool hidden;
    };
    const Step steps[] = {{true, -1, true},  {true, -2, true},  {false, -1, true},
                          {false, 0, false}, {false, 1, false}, {true, 0, false},
                          {true, -1, true},  {false, 0, false}};
    for (const auto& step : steps) {
        EXPECT_EQ(step.hide ? cursor.Hide() : cursor.Show(), step.count);
        EXPECT_EQ(cursor.hidden(), step.hidden) << step.count;
    }
}

}  // namespace
}  // namespace quillmere
