// The push button Command on Win32: a window class of its own that feeds its messages to the
// shared CommandMachine and paints what the machine asks: the gradient with GradientFill, the
// eight skin pieces stretched by nearest pixel, and the caption, a windowless label the control
// draws itself (so the mouse over the caption is the mouse over the control).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "command_machine.h"
#include "win32_surface.h"
#include "win32_ui_text.h"

namespace quillmere::win32 {

inline constexpr char kCommandClassName[] = "Command";

class Command final : public CommandView {
  public:
    // A child window of the parent at that place (pixels); the caption is UTF-8.
    Command(HWND parent, int id, const RECT& place, std::string caption, const UiFont& font);
    ~Command() override;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    HWND hwnd() const { return hwnd_; }
    CommandMachine& machine() { return machine_; }
    void Initialize() { machine_.Initialize(); }
    bool Enabled() { return machine_.Enabled(); }
    void SetEnabled(bool enabled) { machine_.SetEnabled(enabled); }
    // Called as the machine's last step of a click.
    void OnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

    // The last skin painted, for the tests' observers.
    CommandSkin LastSkin() const { return lastSkin_; }

    // CommandView
    void PaintSkin(CommandSkin skin, bool gradientReversed) override;
    void ShowCaptionEnabled(bool enabled) override;
    void ApplyCaptionColour(const ColourValue& colour) override;
    void ApplyBodyStyle(bool opaque) override;
    void StartPollTimer(int intervalMs) override;
    bool PointerOverControl() override;
    void NotifyPropertyChanged(std::string_view name) override;
    void RaiseClick() override;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void DrawCaption(HDC dc, const RECT& place);
    // Whether the other window of a focus change lies outside this control's top-level window:
    // the top-level window itself was activated or deactivated, no control's focus changed.
    bool FocusFromOutside(HWND other) const;

    HWND hwnd_ = nullptr;
    CommandMachine machine_{*this};
    std::string caption_;
    HFONT font_ = nullptr;
    COLORREF captionColour_ = RGB(0, 0, 0);
    bool captionEnabled_ = true;
    Surface face_;  // gradient and skin, without the caption
    RECT captionPlace_{};
    CommandSkin lastSkin_ = CommandSkin::Normal;
    std::function<void()> onClick_;
};

// Registers the window class once; false when the system refuses.
bool RegisterCommandClass();

}  // namespace quillmere::win32
