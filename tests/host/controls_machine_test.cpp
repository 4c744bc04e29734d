// The button's state machine without any widget: every event from every state, enabled and
// switched off, against the transition table, with a view that records what it is asked.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "command_machine.h"

namespace {

using quillmere::CommandMachine;
using quillmere::CommandSkin;
using quillmere::CommandView;

class RecordingView : public CommandView {
  public:
    void PaintSkin(CommandSkin skin, bool reversed) override {
        paints.push_back({skin, reversed});
        calls.push_back("paint");
    }
    void ShowCaptionEnabled(bool) override {}
    void ApplyCaptionColour(const quillmere::ColourValue&) override {}
    void ApplyBodyStyle(bool) override {}
    void StartPollTimer(int interval) override { timer = interval; }
    bool PointerOverControl() override {
        ++pointerAsks;
        return pointerOver;
    }
    void NotifyPropertyChanged(std::string_view) override {}
    void RaiseClick() override {
        ++clicks;
        calls.push_back("click");
    }
    void Forget() {
        paints.clear();
        calls.clear();
        clicks = 0;
        pointerAsks = 0;
    }

    struct Paint {
        CommandSkin skin;
        bool reversed;
    };
    std::vector<Paint> paints;
    std::vector<std::string> calls;
    std::optional<int> timer;
    int clicks = 0;
    int pointerAsks = 0;
    bool pointerOver = false;
};

enum class Event {
    Move,
    DownLeft,
    DownRight,
    UpLeft,
    UpRight,
    UpMiddle,
    GotFocus,
    LostFocus,
    PollAway,  // pointer not over the control
    PollOver,
    Resize,
    ReadEnabled,
};

void Fire(CommandMachine& m, RecordingView& view, Event event) {
    switch (event) {
        case Event::Move:
            m.UserControl_MouseMove();
            break;
        case Event::DownLeft:
            m.UserControl_MouseDown(quillmere::kLeftButton);
            break;
        case Event::DownRight:
            m.UserControl_MouseDown(quillmere::kRightButton);
            break;
        case Event::UpLeft:
            m.UserControl_MouseUp(quillmere::kLeftButton);
            break;
        case Event::UpRight:
            m.UserControl_MouseUp(quillmere::kRightButton);
            break;
        case Event::UpMiddle:
            m.UserControl_MouseUp(quillmere::kMiddleButton);
            break;
        case Event::GotFocus:
            m.UserControl_GotFocus();
            break;
        case Event::LostFocus:
            m.UserControl_LostFocus();
            break;
        case Event::PollAway:
        case Event::PollOver:
            view.pointerOver = event == Event::PollOver;
            m.TmrMouse_Timer();
            break;
        case Event::Resize:
            m.UserControl_Resize();
            break;
        case Event::ReadEnabled:
            (void)m.Enabled();
            break;
    }
}

// Brings a loaded (enabled) machine into a state: 0 as loaded, 1 after Initialize, 2 pointer
// over, 3 focus, 4 pointer over and then focus (so its gradient is reversed).
void Reach(CommandMachine& m, RecordingView& view, int state, bool leftDown) {
    m.ReadProperties({});
    if (state >= 1) {
        m.Initialize();
    }
    if (state == 2 || state == 4) {
        Fire(m, view, Event::Move);
    }
    if (state == 3 || state == 4) {
        Fire(m, view, Event::GotFocus);
    }
    if (leftDown) {
        Fire(m, view, Event::DownLeft);
    }
    ASSERT_EQ(m.ButtonState(), state);
    ASSERT_EQ(m.LeftButtonDown(), leftDown);
    view.Forget();
}

struct Outcome {
    int state;
    std::optional<CommandSkin> skin;  // what was painted last, if anything
    bool click;
    bool reversed;  // the gradient's orientation afterwards
};

struct Row {
    const char* name;
    Event event;
    bool leftDown;    // held before the event
    Outcome from[5];  // starting in state 0, 1, 2, 3, 4
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

using enum Event;
using enum CommandSkin;
constexpr auto kNone = std::nullopt;
// clang-format off
const Row kRows[] = {
    {"Move", Move, false,
     {{0, kNone, false, false}, {2, HighLight, false, true}, {2, kNone, false, true},
      {4, HighLightSelect, false, false}, {4, kNone, false, true}}},
    {"MoveHoldingLeft", Move, true,
     {{0, kNone, false, false}, {2, HighLight, false, true}, {2, kNone, false, true},
      {3, kNone, false, false}, {4, kNone, false, true}}},
    {"DownLeft", DownLeft, false,
     {{0, Pressed, false, false}, {1, Pressed, false, false}, {2, Pressed, false, true},
      {3, Pressed, false, false}, {4, Pressed, false, true}}},
    {"DownRight", DownRight, false,
     {{0, kNone, false, false}, {1, kNone, false, false}, {2, kNone, false, true},
      {3, kNone, false, false}, {4, kNone, false, true}}},
    {"UpLeft", UpLeft, true,
     {{0, kNone, true, false}, {1, kNone, true, false}, {2, Normal, true, true},
      {3, kNone, false, false}, {4, HighLightSelect, true, true}}},
    {"UpLeftNotHeld", UpLeft, false,
     {{0, kNone, true, false}, {1, kNone, true, false}, {2, Normal, true, true},
      {3, kNone, false, false}, {4, HighLightSelect, true, true}}},
    {"UpRight", UpRight, false,
     {{0, kNone, true, false}, {1, kNone, true, false}, {2, kNone, true, true},
      {3, kNone, false, false}, {4, kNone, true, true}}},
    {"UpMiddleHoldingLeft", UpMiddle, true,
     {{0, kNone, true, false}, {1, kNone, true, false}, {2, kNone, true, true},
      {3, kNone, false, false}, {4, kNone, true, true}}},
    {"GotFocus", GotFocus, false,
     {{3, Selected, false, false}, {3, Selected, false, false}, {4, Pressed, false, true},
      {3, Selected, false, false}, {3, Selected, false, false}}},
    {"LostFocus", LostFocus, false,
     {{1, Normal, false, false}, {1, kNone, false, false}, {1, Normal, false, false},
      {1, Normal, false, false}, {1, Normal, false, false}}},
    {"PollAway", PollAway, false,
     {{0, kNone, false, false}, {1, kNone, false, false}, {1, Normal, false, false},
      {3, kNone, false, false}, {3, Selected, false, false}}},
    {"PollAwayHoldingLeft", PollAway, true,
     {{0, kNone, false, false}, {1, kNone, false, false}, {1, Normal, false, false},
      {3, kNone, false, false}, {3, Selected, false, false}}},
    {"PollOver", PollOver, false,
     {{0, kNone, false, false}, {1, kNone, false, false}, {2, kNone, false, true},
      {3, kNone, false, false}, {4, kNone, false, true}}},
    {"Resize", Resize, false,
     {{0, Normal, false, false}, {1, Normal, false, false}, {2, Normal, false, true},
      {3, Normal, false, false}, {4, Normal, false, true}}},
    {"ReadEnabled", ReadEnabled, true,
     {{0, Normal, false, false}, {1, Normal, false, false}, {2, Normal, false, true},
      {3, Normal, false, false}, {4, Normal, false, true}}},
};
// clang-format on

class Transition : public ::testing::TestWithParam<Row> {};

TEST_P(Transition, FromEveryState) {
    const Row& row = GetParam();
    for (int start = 0; start <= 4; ++start) {
        SCOPED_TRACE("from state " + std::to_string(start));
        RecordingView view;
        CommandMachine m(view);
        Reach(m, view, start, row.leftDown);
        Fire(m, view, row.event);
        const Outcome& want = row.from[start];
        EXPECT_EQ(m.ButtonState(), want.state);
        ASSERT_EQ(view.paints.empty(), !want.skin.has_value());
        if (want.skin) {
            EXPECT_EQ(view.paints.back().skin, *want.skin);
            EXPECT_EQ(view.paints.back().reversed, want.reversed);
        }
        EXPECT_EQ(m.GradientReversed(), want.reversed);
        EXPECT_EQ(view.clicks, want.click ? 1 : 0);
        if (want.click) {
            EXPECT_EQ(view.calls.back(), "click") << "Click must be the last step";
        }
        const bool leftAfter = row.event == DownLeft || (row.leftDown && row.event != UpLeft);
        EXPECT_EQ(m.LeftButtonDown(), leftAfter);
        // The pointer is asked only while a hover can end.
        const bool polled = row.event == PollAway || row.event == PollOver;
        EXPECT_EQ(view.pointerAsks, polled && (start == 2 || start == 4) ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(CommandMachine, Transition, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Switched off, no user event changes, paints or clicks anything, nor asks for the pointer;
// a resize or a read of Enabled paints the switched-off look.
TEST(CommandMachineOff, IgnoresEveryUserEvent) {
    for (int start = 0; start <= 4; ++start) {
        for (const Event event : {Move, DownLeft, DownRight, UpLeft, UpRight, UpMiddle, GotFocus,
                                  LostFocus, PollAway, PollOver}) {
            SCOPED_TRACE("state " + std::to_string(start) + " event " +
                         std::to_string(static_cast<int>(event)));
            RecordingView view;
            CommandMachine m(view);
            Reach(m, view, start, false);
            m.SetEnabled(false);
            view.Forget();
            Fire(m, view, event);
            EXPECT_EQ(m.ButtonState(), start);
            EXPECT_TRUE(view.calls.empty());
            EXPECT_EQ(view.pointerAsks, 0);
        }
        for (const Event event : {Resize, ReadEnabled}) {
            RecordingView view;
            CommandMachine m(view);
            Reach(m, view, start, false);
            m.SetEnabled(false);
            view.Forget();
            Fire(m, view, event);
            ASSERT_EQ(view.paints.size(), 1u);
            EXPECT_EQ(view.paints[0].skin, Disable);
            EXPECT_EQ(m.ButtonState(), start);
        }
    }
}

}  // namespace
