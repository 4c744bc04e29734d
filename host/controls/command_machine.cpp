#include "command_machine.h"

namespace quillmere {

bool CommandMachine::HoverCanEnd() const {
    // Only a hovering look can end; in every other state, and while switched off, the answer
    // would change nothing.
    return enabledFlag_ != 0 && (buttonState_ == kHighLight || buttonState_ == kHighLightSelect);
}

void CommandMachine::TmrMouse_Timer() {
    if (!HoverCanEnd()) {
        return;
    }
    if (!view_.PointerOverControl()) {
        EndHover();
    }
}

void CommandMachine::EndHover() {
    if (!enabledFlag_) {
        return;
    }
    if (buttonState_ == kHighLight) {
        buttonState_ = kNormal;
        PaintSkin(CommandSkin::Normal);
    } else if (buttonState_ == kHighLightSelect) {
        buttonState_ = kSelected;
        PaintSkin(CommandSkin::Selected);
    }
}

void CommandMachine::PaintEnabledLook() {
    if (enabledFlag_) {
        PaintSkin(CommandSkin::Normal);
        view_.ShowCaptionEnabled(true);
    } else {
        PaintSkin(CommandSkin::Disable);
        view_.ShowCaptionEnabled(false);
    }
}

void CommandMachine::RefreshLook() {
    if (!enabledFlag_) {
        return;
    }
    view_.ShowCaptionEnabled(true);
    if (firstRunFlag_ == 0) {
        ApplyFontColour(0);
    }
    PaintSkin(CommandSkin::Normal);
}

void CommandMachine::PaintSkin(CommandSkin skin) {
    gradientReversed_ = GradientReversedFor(buttonState_, gradientReversed_ != 0) ? -1 : 0;
    view_.PaintSkin(skin, gradientReversed_ != 0);
}

bool CommandMachine::ApplyFontColour(std::uint32_t colour) {
    const std::optional<ColourValue> decoded = DecodeColourValue(colour);
    if (!decoded) {
        return false;
    }
    view_.ApplyCaptionColour(*decoded);
    fontColour_ = colour;
    return true;
}

bool CommandMachine::ApplyBodyStyle(std::int16_t style) {
    if (style != 0 && style != 1) {
        return false;
    }
    opaque_ = style == 1;
    view_.ApplyBodyStyle(opaque_);
    return true;
}

void CommandMachine::Initialize() {
    buttonState_ = kNormal;
    view_.StartPollTimer(kPollIntervalMs);
}

bool CommandMachine::Enabled() {
    // The first read is what turns a newly placed instance on; RefreshLook still sees the old
    // flag here.
    if (firstRunFlag_ == 0) {
        RefreshLook();
        firstRunFlag_ = 1;
        enabledFlag_ = -1;
    }
    const bool result = enabledFlag_ != 0;
    PaintEnabledLook();
    return result;
}

void CommandMachine::SetEnabled(bool enabled) {
    enabledFlag_ = enabled ? -1 : 0;
    view_.NotifyPropertyChanged(kSavedEnabled);
    PaintEnabledLook();
}

std::uint8_t CommandMachine::Visible() {
    if (!opaque_) {
        return 0;
    }
    RefreshLook();
    return 255;
}

void CommandMachine::SetVisible(std::uint8_t visible) {
    if (visible != 0) {
        ApplyBodyStyle(1);
        RefreshLook();
    } else {
        ApplyBodyStyle(0);
    }
    view_.NotifyPropertyChanged(kSavedVisible);
}

std::uint32_t CommandMachine::FontColour() {
    const std::uint32_t colour = fontColour_;
    RefreshLook();
    return colour;
}

void CommandMachine::SetFontColour(std::uint32_t colour) {
    const bool applied = ApplyFontColour(colour);
    RefreshLook();
    if (applied) {
        view_.NotifyPropertyChanged(kSavedFontColour);
    }
}

void CommandMachine::ReadProperties(const LoadedFlags& loaded) {
    if (loaded.enabled) {
        enabledFlag_ = *loaded.enabled ? -1 : 0;
    }
    if (loaded.firstRun) {
        firstRunFlag_ = *loaded.firstRun;
    }
    if (loaded.fontColour) {
        ApplyFontColour(*loaded.fontColour);
    }
    if (loaded.bodyStyle) {
        ApplyBodyStyle(*loaded.bodyStyle);
    }
    RefreshLook();
}

SavedFlags CommandMachine::WriteProperties() {
    const SavedFlags saved{enabledFlag_ != 0, firstRunFlag_, fontColour_,
                           static_cast<std::int16_t>(opaque_ ? 1 : 0)};
    RefreshLook();
    return saved;
}

void CommandMachine::UserControl_MouseDown(int button) {
    if (!enabledFlag_ || button != kLeftButton) {
        return;
    }
    PaintSkin(CommandSkin::Pressed);
    leftButtonDown_ = -1;
}

void CommandMachine::UserControl_MouseMove() {
    if (!enabledFlag_) {
        return;
    }
    if (buttonState_ == kNormal) {
        buttonState_ = kHighLight;
        PaintSkin(CommandSkin::HighLight);
    }
    if (buttonState_ == kSelected && !leftButtonDown_) {
        buttonState_ = kHighLightSelect;
        PaintSkin(CommandSkin::HighLightSelect);
    }
}

void CommandMachine::UserControl_MouseUp(int button) {
    if (!enabledFlag_) {
        return;
    }
    if (button == kLeftButton) {
        if (buttonState_ == kHighLight) {
            PaintSkin(CommandSkin::Normal);
        } else if (buttonState_ == kHighLightSelect) {
            PaintSkin(CommandSkin::HighLightSelect);
        }
        leftButtonDown_ = 0;
    }
    if (buttonState_ != kSelected) {
        view_.RaiseClick();  // last: the receiver may close the dialog that holds this button
    }
}

void CommandMachine::UserControl_GotFocus() {
    if (!enabledFlag_) {
        return;
    }
    if (buttonState_ != kHighLight) {
        buttonState_ = kSelected;
        PaintSkin(CommandSkin::Selected);
    } else {
        buttonState_ = kHighLightSelect;
        PaintSkin(CommandSkin::Pressed);
    }
}

void CommandMachine::UserControl_LostFocus() {
    if (!enabledFlag_) {
        return;
    }
    if (buttonState_ != kNormal) {
        buttonState_ = kNormal;
        PaintSkin(CommandSkin::Normal);
    }
}

void CommandMachine::UserControl_Resize() {
    PaintEnabledLook();
}

}  // namespace quillmere
