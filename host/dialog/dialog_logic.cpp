#include "dialog_logic.h"

#include "ini_file.h"
#include "last_api_result.h"
#include "repeat_text.h"
#include "screen_pointer.h"

namespace quillmere {

std::vector<std::string> RepeatListItems() {
    std::vector<std::string> items;
    items.reserve(kRepeatItemCount);
    for (int number = 0; number < kRepeatItemCount; ++number) {
        items.push_back(FormatRepeatNumber(number));
    }
    return items;
}

std::string StoreFailureText(std::string_view shownFile) {
    return "設定を保存できませんでした。\n\n設定ﾌｧｲﾙ:\n" + std::string(shownFile) +
           "\n\n書き込めるようにしてから、もう一度「設定」を押してください。";
}

std::string IniSettingsStore::FilePath() {
    return SettingsFilePath();
}

bool IniSettingsStore::WriteKey(const std::string& key, const std::string& value) {
    WriteIniString(kSettingsSection, key, value, FilePath());
    return LastApiResult != 0;
}

DialogLogic::DialogLogic(SettingsRecord& settings, DialogView& view, SettingsStore& store)
    : settings_(settings), view_(view), store_(store) {}

void DialogLogic::ShowMarks(int selected) {
    for (int kind = 0; kind < 3; ++kind) {
        view_.ShowMark(kind, false);
    }
    // A kind from a hand-edited file that names no mark leaves every mark unselected.
    if (selected >= 0 && selected < 3) {
        view_.ShowMark(selected, true);
    }
}

void DialogLogic::Form_Load() {
    view_.EnableRepeatBox(false);
    ShowMarks(settings_.BgmKind);
    if (settings_.BgmKind == kBgmCd) {
        view_.EnableRepeatBox(true);
    }
    view_.EnableFileButton(settings_.BgmKind == kBgmFile);
    view_.FillRepeatBox(FormatRepeatNumber(settings_.BgmRepeat), RepeatListItems());
    view_.ShowFileName(settings_.BgmFile);
}

void DialogLogic::Img_BGM_MouseDown(int index) {
    if (index < 0 || index > 2) {
        return;
    }
    settings_.BgmKind = static_cast<std::int16_t>(index);
    view_.EnableFileButton(false);
    view_.EnableRepeatBox(false);
    ShowMarks(index);
    if (index == kBgmCd) {
        view_.EnableRepeatBox(true);
    }
    if (index == kBgmFile) {
        view_.EnableFileButton(true);
    }
}

void DialogLogic::lbl_BGM_MouseDown(int index) {
    Img_BGM_MouseDown(index);
}

void DialogLogic::Cmd_File_Click() {
    const MusicFileRequest request{kFileChooserTitle, kMusicFilterName, kMusicFilterPattern,
                                   settings_.BgmFolder};
    const std::optional<std::string> chosen = view_.ChooseMusicFile(request);
    LastApiResult = chosen && !chosen->empty() ? 1 : 0;
    if (LastApiResult > 0) {
        settings_.BgmFile = *chosen;
        view_.ShowFileName(settings_.BgmFile);
        settings_.BgmFolder = FolderOfPath(settings_.BgmFile);
    }
}

void DialogLogic::Cmd_Set_Click() {
    if (unloaded_) {
        return;
    }
    // Each write replaces the whole file or leaves it as it was, so after a failure the file is
    // whole and holds the new values of the keys before it. The rest would fail the same way, so
    // storing stops there; the dialog stays with the whole choice, and storing again writes all
    // three keys.
    bool stored = store_.WriteKey(kKeyBgmKind, SignedNumberText(settings_.BgmKind));
    settings_.BgmRepeat = RepeatValueOfText(view_.RepeatText());
    stored = stored && store_.WriteKey(kKeyBgmRepeat, SignedNumberText(settings_.BgmRepeat));
    stored = stored && store_.WriteKey(kKeyBgmFile, settings_.BgmFile);
    if (!stored) {
        view_.ReportStoreFailure(store_.FilePath());
        return;
    }
    view_.CloseDialog();
}

void DialogLogic::Cmd_Can_Click() {
    view_.CloseDialog();
}

void DialogLogic::lbl_URL_Click() {
    view_.SetScreenPointer(kPointerHourglass);
    view_.OpenWebAddress();
    view_.SetScreenPointer(kPointerDefault);
}

void DialogLogic::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    view_.AnimateClose();
}

}  // namespace quillmere
