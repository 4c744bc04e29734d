// The dialog's store button without a window: a write that fails part way stops storing, reports
// once and keeps the dialog open; storing again writes all three keys; after unloading nothing is
// stored.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialog_logic.h"

namespace {

using quillmere::DialogLogic;
using quillmere::SettingsRecord;

class RecordingView : public quillmere::DialogView {
  public:
    void EnableRepeatBox(bool) override {}
    void EnableFileButton(bool) override {}
    void ShowMark(int, bool) override {}
    void FillRepeatBox(const std::string&, const std::vector<std::string>&) override {}
    std::string RepeatText() override { return repeatText; }
    void ShowFileName(const std::string&) override {}
    std::optional<std::string> ChooseMusicFile(const quillmere::MusicFileRequest&) override {
        return std::nullopt;
    }
    void ReportStoreFailure(const std::string& file) override { reports.push_back(file); }
    void CloseDialog() override { ++closes; }
    void OpenWebAddress() override {}
    void SetScreenPointer(int) override {}
    void AnimateClose() override { ++closeAnimations; }

    std::string repeatText;
    std::vector<std::string> reports;
    int closes = 0;
    int closeAnimations = 0;
};

// Writes succeed until the one numbered failAt (0 first), which fails.
class FailingStore : public quillmere::SettingsStore {
  public:
    std::string FilePath() override { return "/conf/Quillmere.ini"; }
    bool WriteKey(const std::string& key, const std::string& value) override {
        if (attempts++ == failAt) {
            return false;
        }
        written.emplace_back(key, value);
        return true;
    }
    int failAt = -1;
    int attempts = 0;
    std::vector<std::pair<std::string, std::string>> written;
};

using Keys = std::vector<std::pair<std::string, std::string>>;
const Keys kAllThree = {{"BGM区分", " 1"}, {"BGMﾘﾋﾟｰﾄ", " 4"}, {"BGMﾌｧｲﾙ", "/m/a.wav"}};

TEST(DialogLogicStore, AFailedWriteStopsStoringAndKeepsTheDialog) {
    for (int failAt = 0; failAt < 3; ++failAt) {
        SCOPED_TRACE("write " + std::to_string(failAt) + " fails");
        SettingsRecord record{1, 9, "/m/a.wav", "/m"};
        RecordingView view;
        view.repeatText = "3.5";
        FailingStore store;
        store.failAt = failAt;
        DialogLogic logic(record, view, store);
        logic.Cmd_Set_Click();
        EXPECT_EQ(store.attempts, failAt + 1);
        EXPECT_EQ(store.written, Keys(kAllThree.begin(), kAllThree.begin() + failAt));
        EXPECT_EQ(view.reports, std::vector<std::string>{"/conf/Quillmere.ini"});
        EXPECT_EQ(view.closes, 0);
        EXPECT_EQ(record.BgmRepeat, 4);  // taken from the box whatever the first write did

        // Once the file can be written, storing again writes everything and closes.
        store.failAt = -1;
        store.written.clear();
        logic.Cmd_Set_Click();
        EXPECT_EQ(store.written, kAllThree);
        EXPECT_EQ(view.reports.size(), 1u);
        EXPECT_EQ(view.closes, 1);
    }
}

TEST(DialogLogicStore, NothingIsStoredOnceUnloaded) {
    SettingsRecord record{1, 9, "/m/a.wav", "/m"};
    RecordingView view;
    FailingStore store;
    DialogLogic logic(record, view, store);
    logic.Form_Unload();
    logic.Form_Unload();
    EXPECT_EQ(view.closeAnimations, 1);
    logic.Cmd_Set_Click();
    EXPECT_EQ(store.attempts, 0);
    EXPECT_EQ(view.closes, 0);
    EXPECT_EQ(record.BgmRepeat, 9);
}

}  // namespace
