// What the settings dialog Tormalune_P decides, apart from any window system: the control states
// on loading and after choosing a kind, the file chooser's request and what its answer changes,
// the three keys the store button writes (or the report when they cannot be written), and that
// cancelling writes nothing. A platform dialog implements DialogView, hands in a SettingsStore,
// and calls the handlers of DialogLogic from its events.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings.h"

namespace quillmere {

// The music file chooser's title and its one filter (UTF-8).
inline constexpr char kFileChooserTitle[] = "ﾌｧｲﾙを開く";
inline constexpr char kMusicFilterName[] = "BGMﾌｧｲﾙ (MP3 WAV)";
inline constexpr char kMusicFilterPattern[] = "*.MP3;*.WAV";

// The repeat box's list: empty (0), then 1 to 30.
inline constexpr int kRepeatItemCount = 31;
std::vector<std::string> RepeatListItems();

// What the music file button asks the open-file dialog for. The folder is BgmFolder (path bytes),
// empty when none is known.
struct MusicFileRequest {
    std::string title;
    std::string filterName;
    std::string filterPattern;
    std::string folder;
};

// The report of a store that failed, naming the settings file as the user sees its path (UTF-8).
inline constexpr char kStoreFailureTitle[] = "Quillmere";
std::string StoreFailureText(std::string_view shownFile);

// What the logic asks of the dialog's window. Texts are UTF-8; paths are the record's bytes.
class DialogView {
  public:
    virtual ~DialogView() = default;
    virtual void EnableRepeatBox(bool enabled) = 0;   // BGM_Repeat
    virtual void EnableFileButton(bool enabled) = 0;  // Enabled of Cmd_File
    // Img_BGM(kind) shows the selected (Img_Ra(1)) or the unselected (Img_Ra(0)) picture.
    virtual void ShowMark(int kind, bool selected) = 0;
    // The repeat box's text and its list items, replacing what it had.
    virtual void FillRepeatBox(const std::string& text, const std::vector<std::string>& items) = 0;
    // The repeat box's text as typed or chosen.
    virtual std::string RepeatText() = 0;
    virtual void ShowFileName(const std::string& path) = 0;  // lbl_Fname
    // The open-file dialog, modal; the chosen file's path, or nothing when cancelled or failed.
    virtual std::optional<std::string> ChooseMusicFile(const MusicFileRequest& request) = 0;
    // Tells the user, modally, that the settings file could not be written (kStoreFailureTitle,
    // StoreFailureText); the dialog stays open.
    virtual void ReportStoreFailure(const std::string& settingsFile) = 0;
    // Closes the dialog; the platform then runs DialogLogic::Form_Unload.
    virtual void CloseDialog() = 0;
    // Asks the shell to open the web label's address; its result is not looked at.
    virtual void OpenWebAddress() = 0;
    // The application-wide mouse pointer (kPointerDefault, kPointerHourglass).
    virtual void SetScreenPointer(int pointer) = 0;
    // The closing zoom back into the point where the cursor was on loading.
    virtual void AnimateClose() = 0;
};

// Where the store button writes: keys of the section "Section" of the settings file.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The settings file, as the failure report names it.
    virtual std::string FilePath() = 0;
    // False when the file could not be written; the file is then as it was.
    virtual bool WriteKey(const std::string& key, const std::string& value) = 0;
};

// The settings file at SettingsFilePath, written with WriteIniString.
class IniSettingsStore final : public SettingsStore {
  public:
    std::string FilePath() override;
    bool WriteKey(const std::string& key, const std::string& value) override;
};

class DialogLogic {
  public:
    // Works on the record in place; only Cmd_Set_Click writes it to the store.
    DialogLogic(SettingsRecord& settings, DialogView& view, SettingsStore& store);
    DialogLogic(const DialogLogic&) = delete;
    DialogLogic& operator=(const DialogLogic&) = delete;

    // The control states of loading: the marks, BGM_Repeat enabled exactly for kind 1, Cmd_File
    // exactly for kind 2, the repeat box's text and list, the file name. A kind outside 0 to 2
    // marks nothing and enables neither. (Placing, the buttons' Initialize, the tiling and the
    // opening zoom are the platform's steps around it.)
    void Form_Load();
    // Choosing a kind; any mouse button, on the mark or its label. Other indexes do nothing.
    void Img_BGM_MouseDown(int index);
    void lbl_BGM_MouseDown(int index);
    // The file chooser; a chosen file becomes BgmFile and its folder BgmFolder.
    void Cmd_File_Click();
    // Writes the three keys and closes; when a write fails, storing stops there, the failure is
    // reported and the dialog stays with the whole choice. Nothing once the dialog is unloaded.
    void Cmd_Set_Click();
    // Closes without writing.
    void Cmd_Can_Click();
    void lbl_URL_Click();
    // The dialog is being closed, for whatever reason: the closing zoom, once. Writes nothing.
    void Form_Unload();

    bool Unloaded() const { return unloaded_; }

  private:
    void ShowMarks(int selected);

    SettingsRecord& settings_;
    DialogView& view_;
    SettingsStore& store_;
    bool unloaded_ = false;
};

}  // namespace quillmere
