// What the push button Command decides, apart from any window system: its state from the
// pointer (over or not), the focus, the left button and Enabled; which skin is painted when and
// on which gradient; when Click is raised; when the hover poll runs; the first-run turn-on and
// the properties' effects. A platform widget feeds its events to a CommandMachine and carries out
// what the machine asks of its CommandView.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "saved_values.h"
#include "skin_geometry.h"

namespace quillmere {

// The six skin images; Pressed and Disable are looks painted over a state, never states.
enum class CommandSkin : std::uint8_t {
    Normal,
    HighLight,
    Selected,
    HighLightSelect,
    Pressed,
    Disable
};

// Mouse button codes as the handlers take them; only the left button is told apart.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

// The hover poll's interval.
inline constexpr int kPollIntervalMs = 100;

// What the machine asks of the widget. Every call runs on the widget's one thread, inside one of
// the machine's methods.
class CommandView {
  public:
    virtual ~CommandView() = default;
    // Paints the whole face from the skin (PlanFace with the given orientation: gradient, the
    // eight border pieces, the caption placed) and presents it.
    virtual void PaintSkin(CommandSkin skin, bool gradientReversed) = 0;
    // The caption's enabled look, or greyed.
    virtual void ShowCaptionEnabled(bool enabled) = 0;
    // Gives the caption that colour (a decoded, valid value).
    virtual void ApplyCaptionColour(const ColourValue& colour) = 0;
    // Opaque: the painted face shows; transparent: only the caption over the container.
    virtual void ApplyBodyStyle(bool opaque) = 0;
    // Starts (or restarts) the hover poll timer, whose ticks go to TmrMouse_Timer.
    virtual void StartPollTimer(int intervalMs) = 0;
    // Whether the window under the pointer is the control's own (its caption counts as part of
    // it); asked by the poll only while a hover can end.
    virtual bool PointerOverControl() = 0;
    // A saved property has a new value; the container must save it again.
    virtual void NotifyPropertyChanged(std::string_view name) = 0;
    // The button's one event. Always the machine's last step, so a receiver may destroy the
    // widget (and the machine with it).
    virtual void RaiseClick() = 0;
};

// The values the machine keeps of a saved set, each converted (saved_values.h). A missing key
// gives its default, as the defaults here do; nothing (a value that did not convert) leaves the
// field as it was. So ReadProperties({}) is loading a set without keys.
struct LoadedFlags {
    std::optional<bool> enabled = kDefaultEnabled;
    std::optional<std::uint8_t> firstRun = 1;
    std::optional<std::uint32_t> fontColour = 0;
    std::optional<std::int16_t> bodyStyle = 1;  // 1 opaque, 0 transparent; nothing else loads
};

// The values the machine gives for saving; each is left out when it equals its default.
struct SavedFlags {
    bool enabled = false;
    std::uint8_t firstRun = 0;
    std::uint32_t fontColour = 0;
    std::int16_t bodyStyle = 1;
};

class CommandMachine {
  public:
    // Values of ButtonState.
    static constexpr std::uint8_t kUnset = 0;
    static constexpr std::uint8_t kNormal = 1;
    static constexpr std::uint8_t kHighLight = 2;
    static constexpr std::uint8_t kSelected = 3;
    static constexpr std::uint8_t kHighLightSelect = 4;

    // All fields zero, as the platform creates an instance: state 0, not enabled, firstRunFlag 0;
    // the caption colour 0 (black) and an opaque body. Calls nothing on the view.
    explicit CommandMachine(CommandView& view) : view_(view) {}
    CommandMachine(const CommandMachine&) = delete;
    CommandMachine& operator=(const CommandMachine&) = delete;

    // Events on the control or its caption; the button code as above.
    void UserControl_MouseDown(int button);
    void UserControl_MouseMove();
    void UserControl_MouseUp(int button);
    void UserControl_GotFocus();
    void UserControl_LostFocus();
    // Every resize, the first layout included.
    void UserControl_Resize();
    // A tick of TmrMouse.
    void TmrMouse_Timer();

    // The method and the properties the container sees.
    void Initialize();
    // Reading turns a new instance on once, and repaints Normal or Disable every time.
    bool Enabled();
    void SetEnabled(bool enabled);
    // 255 while the body is opaque (and then refreshes the look), 0 while it is transparent.
    std::uint8_t Visible();
    void SetVisible(std::uint8_t visible);
    // 0x00BBGGRR, or 0x80000000 + n for a system colour; a value the caption cannot take is
    // refused (no change, no notification; the look is refreshed all the same).
    std::uint32_t FontColour();
    void SetFontColour(std::uint32_t colour);
    // Loading: the flags after the caption and font have been loaded by the widget.
    void ReadProperties(const LoadedFlags& loaded);
    // Saving: the values to save (before the refresh that follows saving).
    SavedFlags WriteProperties();

    // The fields, for the widget's observers and tests; they change nothing.
    std::uint8_t ButtonState() const { return buttonState_; }
    bool EnabledFlag() const { return enabledFlag_ != 0; }
    std::uint8_t FirstRunFlag() const { return firstRunFlag_; }
    bool LeftButtonDown() const { return leftButtonDown_ != 0; }
    bool GradientReversed() const { return gradientReversed_ != 0; }
    bool Opaque() const { return opaque_; }
    // Whether a poll could change anything now; while it could not, the platform is not asked.
    bool HoverCanEnd() const;

  private:
    void EndHover();
    void PaintEnabledLook();
    void RefreshLook();
    void PaintSkin(CommandSkin skin);
    bool ApplyFontColour(std::uint32_t colour);
    bool ApplyBodyStyle(std::int16_t style);

    CommandView& view_;
    std::int16_t enabledFlag_ = 0;  // 16-bit boolean: -1 true, 0 false
    std::uint8_t firstRunFlag_ = 0;
    std::uint8_t buttonState_ = kUnset;
    std::int16_t leftButtonDown_ = 0;
    std::int16_t gradientReversed_ = 0;
    std::uint32_t fontColour_ = 0;
    bool opaque_ = true;
};

}  // namespace quillmere
