// The settings dialog Tormalune_P on Win32 and GDI: a fixed window with the shaded background,
// the tiled panel Pic_C with its labels, marks, repeat box and file button, the web label and the
// two buttons. What the controls do is DialogLogic's; this file only draws and forwards events.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "dialog_layout.h"
#include "dialog_logic.h"
#include "settings.h"
#include "win32_command.h"
#include "win32_surface.h"
#include "win32_ui_text.h"

namespace quillmere::win32 {

inline constexpr char kDialogClassName[] = "Tormalune_P";
inline constexpr char kPanelClassName[] = "Tormalune_P.Pic_C";

// Control numbers, so other programs (the tests) find the controls.
inline constexpr int kIdPanel = 100;
inline constexpr int kIdRepeatBox = 101;
inline constexpr int kIdFileButton = 102;
inline constexpr int kIdSetButton = 103;
inline constexpr int kIdCancelButton = 104;

class Tormalune_P final : public DialogView {
  public:
    Tormalune_P(SettingsRecord& settings, SettingsStore& store);
    ~Tormalune_P() override;
    Tormalune_P(const Tormalune_P&) = delete;
    Tormalune_P& operator=(const Tormalune_P&) = delete;

    // Shows the dialog modally over the owner (which may be null) and returns once it is closed:
    // 1 when it was shown, 0 when its window could not be made.
    int Run(HWND owner);

    // DialogView
    void EnableRepeatBox(bool enabled) override;
    void EnableFileButton(bool enabled) override;
    void ShowMark(int kind, bool selected) override;
    void FillRepeatBox(const std::string& text, const std::vector<std::string>& items) override;
    std::string RepeatText() override;
    void ShowFileName(const std::string& path) override;
    std::optional<std::string> ChooseMusicFile(const MusicFileRequest& request) override;
    void ReportStoreFailure(const std::string& settingsFile) override;
    void CloseDialog() override;
    void OpenWebAddress() override;
    void SetScreenPointer(int pointer) override;
    void AnimateClose() override;

    static LRESULT CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    bool Create(HWND owner);
    void BuildControls();
    void Form_Load();
    void Form_Resize();
    void PlaceDialog();
    void DrawPanel();
    void PaintDialog(HDC dc);
    LRESULT HandleDialog(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandlePanel(UINT message, WPARAM wParam, LPARAM lParam);
    // The kind whose mark or label lies under the panel's point, or -1.
    int KindAt(POINT point) const;
    bool OverAddress(POINT clientPoint) const;
    RECT LabelRect(const dialog_layout::TwipRect& place, std::string_view text, HFONT font) const;
    void Close();

    SettingsRecord& settings_;
    SettingsStore& store_;
    DialogLogic logic_;
    HWND owner_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND panel_ = nullptr;
    HWND repeatBox_ = nullptr;
    std::unique_ptr<Command> Cmd_File;
    std::unique_ptr<Command> Cmd_Set;
    std::unique_ptr<Command> Cmd_Can;
    HFONT font_ = nullptr;
    HFONT underlined_ = nullptr;
    HICON icon_ = nullptr;
    HCURSOR hand_ = nullptr;
    Surface background_;
    Surface panelFace_;
    Surface tile_;
    Surface markUnselected_;
    Surface markSelected_;
    std::array<bool, 3> marked_{};
    std::string fileName_;
    std::string webAddress_;
    RECT addressRect_{};
    std::array<RECT, 3> kindLabelRects_{};
    int screenPointer_ = 0;
    POINT animationPoint_{};
    bool closed_ = false;
};

}  // namespace quillmere::win32
