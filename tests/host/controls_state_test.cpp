// The button's state machine over event sequences: real mouse and focus events through the
// application, the pointer placed on the offscreen platform, and the hover poll run by hand.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>

#include <chrono>
#include <string>
#include <vector>

#include "controls_test_window.h"
#include "test_support.h"

namespace {

using controlstest::ButtonWindow;
using quillmere::Command;
using Skin = quillmere::Command::Skin;

enum class Step {
    Initialize,
    Enter,         // pointer moves onto the button
    EnterCaption,  // pointer moves onto the caption
    MoveAgain,     // another move over the button
    LeaveToContainer,
    LeaveWindow,
    Poll,
    PressLeft,  // through the application: the press gives the focus as the platform does
    ReleaseLeft,
    ReleaseLeftOutside,
    PressRight,
    ReleaseRight,
    ReleaseMiddle,
    PressLeftKeepFocus,  // a press that does not move the focus
    PressCaptionLeft,
    ReleaseCaptionLeft,
    FocusByKeyboard,
    FocusAway,
    Resize,
    SwitchOff,
    SwitchOn,
};

void Send(QWidget& target, QEvent::Type type, Qt::MouseButton button, QPoint local) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent event(type, QPointF(local), QPointF(target.mapToGlobal(local)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &event);
}

void Perform(ButtonWindow& w, Step step) {
    Command& b = *w.button;
    QWidget& caption = const_cast<QLabel&>(b.CaptionLabel());
    const QPoint inside(8, 4);
    switch (step) {
        case Step::Initialize:
            b.Initialize();
            break;
        case Step::Enter:
            w.PointerOverButton();
            break;
        case Step::EnterCaption:
            w.PointerOverCaption();
            break;
        case Step::MoveAgain:
            w.PointerOverButton(3);
            break;
        case Step::LeaveToContainer:
            w.PointerOverContainer();
            break;
        case Step::LeaveWindow:
            w.PointerAway();
            break;
        case Step::Poll:
            b.PollHover();
            break;
        case Step::PressLeft:
            QTest::mousePress(&b, Qt::LeftButton, {}, inside);
            break;
        case Step::ReleaseLeft:
            QTest::mouseRelease(&b, Qt::LeftButton, {}, inside);
            break;
        case Step::ReleaseLeftOutside:
            // The button holds the pointer while a button is down: the release comes to it.
            QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(-40, 60));
            break;
        case Step::PressRight:
            QTest::mousePress(&b, Qt::RightButton, {}, inside);
            break;
        case Step::ReleaseRight:
            QTest::mouseRelease(&b, Qt::RightButton, {}, inside);
            break;
        case Step::ReleaseMiddle:
            QTest::mouseRelease(&b, Qt::MiddleButton, {}, inside);
            break;
        case Step::PressLeftKeepFocus:
            Send(b, QEvent::MouseButtonPress, Qt::LeftButton, inside);
            break;
        case Step::PressCaptionLeft:
            QTest::mousePress(&caption, Qt::LeftButton, {}, QPoint(4, 4));
            break;
        case Step::ReleaseCaptionLeft:
            QTest::mouseRelease(&caption, Qt::LeftButton, {}, QPoint(4, 4));
            break;
        case Step::FocusByKeyboard:
            b.setFocus(Qt::TabFocusReason);
            break;
        case Step::FocusAway:
            w.other->setFocus(Qt::TabFocusReason);
            break;
        case Step::Resize:
            b.resize(b.width() + 2, b.height());
            break;
        case Step::SwitchOff:
            b.SetEnabled(false);
            break;
        case Step::SwitchOn:
            b.SetEnabled(true);
            break;
    }
    QApplication::processEvents();
}

struct Outcome {
    int state;
    Skin skin;
    int clicks;
    bool leftDown;
    bool reversed;
};

struct Sequence {
    const char* name;
    std::vector<Step> steps;
    Outcome expected;
};

class ButtonSequence : public ::testing::TestWithParam<Sequence> {};

TEST_P(ButtonSequence, EndsInTheExpectedLook) {
    const Sequence& s = GetParam();
    ButtonWindow w;
    for (const Step step : s.steps) {
        Perform(w, step);
    }
    EXPECT_EQ(w.button->ButtonState(), s.expected.state);
    EXPECT_EQ(w.button->LastSkin(), s.expected.skin);
    EXPECT_EQ(w.clicks, s.expected.clicks);
    EXPECT_EQ(w.button->LeftButtonDown(), s.expected.leftDown);
    EXPECT_EQ(w.button->GradientReversed(), s.expected.reversed);
}

using enum Step;
using enum Command::Skin;
// Outcome: state, last skin painted, clicks, left button held, gradient reversed.
// clang-format off
const Sequence kSequences[] = {
    {"EnterShowsHighLightReversed", {Initialize, Enter}, {2, HighLight, 0, false, true}},
    {"CaptionCountsAsButton", {Initialize, EnterCaption, Poll}, {2, HighLight, 0, false, true}},
    {"PollOverContainerEndsHover", {Initialize, Enter, LeaveToContainer, Poll},
     {1, Normal, 0, false, false}},
    {"PollOutsideEveryWindowEndsHover", {Initialize, Enter, LeaveWindow, Poll},
     {1, Normal, 0, false, false}},
    {"LeavingIsOnlySeenByThePoll", {Initialize, Enter, LeaveToContainer},
     {2, HighLight, 0, false, true}},
    {"TypicalPress", {Initialize, Enter, PressLeft, ReleaseLeft},
     {4, HighLightSelect, 1, false, true}},
    {"PressPaintsPressedAndHolds", {Initialize, Enter, PressLeft}, {4, Pressed, 0, true, true}},
    {"PressOnCaption", {Initialize, EnterCaption, PressCaptionLeft, ReleaseCaptionLeft},
     {4, HighLightSelect, 1, false, true}},
    {"CancelledPressComesBackWithoutClick",
     {Initialize, Enter, PressLeft, LeaveToContainer, Poll, MoveAgain, ReleaseLeft},
     {3, Selected, 0, false, false}},
    {"MoveAfterCancelledPressHighlightsWhiteTop",
     {Initialize, Enter, PressLeft, LeaveToContainer, Poll, ReleaseLeft, Enter},
     {4, HighLightSelect, 0, false, false}},
    {"ReleaseOutside", {Initialize, Enter, PressLeft, LeaveWindow, Poll, ReleaseLeftOutside},
     {3, Selected, 0, false, false}},
    {"RightButtonClicksWhenNotSelected", {Initialize, Enter, PressRight, ReleaseRight},
     {4, Pressed, 1, false, true}},
    {"RightReleaseWithoutFocus", {Initialize, Enter, ReleaseRight}, {2, HighLight, 1, false, true}},
    {"MiddleReleaseInSelectedDoesNotClick", {Initialize, FocusByKeyboard, ReleaseMiddle},
     {3, Selected, 0, false, false}},
    {"LeftReleaseInHighLightPaintsNormal", {Initialize, Enter, PressLeftKeepFocus, ReleaseLeft},
     {2, Normal, 1, false, true}},
    {"KeyboardFocusWhileHovering", {Initialize, Enter, FocusByKeyboard},
     {4, Pressed, 0, false, true}},
    {"KeyboardFocusWithoutPointer", {Initialize, FocusByKeyboard}, {3, Selected, 0, false, false}},
    {"SelectedThenPointerEnters", {Initialize, FocusByKeyboard, Enter},
     {4, HighLightSelect, 0, false, false}},
    {"FocusLost", {Initialize, Enter, PressLeft, ReleaseLeft, FocusAway},
     {1, Normal, 1, false, false}},
    {"ResizeWhileFocusedShowsNormal", {Initialize, FocusByKeyboard, Resize},
     {3, Normal, 0, false, false}},
    {"DisableWhileHoveringIsReversed", {Initialize, Enter, SwitchOff},
     {2, Disable, 0, false, true}},
    {"DisableAtRestHasWhiteTop", {Initialize, SwitchOff}, {1, Disable, 0, false, false}},
    {"EnableAgainPaintsNormal", {Initialize, FocusByKeyboard, SwitchOff, SwitchOn},
     {3, Normal, 0, false, false}},
    {"BeforeInitializeMovesDoNothing", {Enter, MoveAgain}, {0, Normal, 0, false, false}},
    {"BeforeInitializeFocusGoesTo3", {FocusByKeyboard}, {3, Selected, 0, false, false}},
    {"BeforeInitializeLeavingIn4GoesUnnoticed", {FocusByKeyboard, Enter, LeaveToContainer},
     {4, HighLightSelect, 0, false, false}},
    {"BeforeInitializeFocusLossGoesTo1", {FocusByKeyboard, FocusAway},
     {1, Normal, 0, false, false}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Command, ButtonSequence, ::testing::ValuesIn(kSequences),
                         [](const auto& info) { return std::string(info.param.name); });

// While switched off, nothing the user does changes, paints or clicks anything.
TEST(CommandDisabled, IgnoresMouseFocusAndPoll) {
    ButtonWindow w;
    w.button->Initialize();
    w.button->SetEnabled(false);
    const int paints = w.button->PaintCount();
    const QImage face = w.button->Face();
    for (const Step step :
         {Enter, PressLeft, LeaveToContainer, Poll, ReleaseLeft, PressRight, ReleaseRight,
          FocusByKeyboard, FocusAway, EnterCaption, PressCaptionLeft, ReleaseCaptionLeft}) {
        Perform(w, step);
    }
    EXPECT_EQ(w.button->ButtonState(), Command::kNormal);
    EXPECT_EQ(w.button->PaintCount(), paints);
    EXPECT_EQ(w.button->Face(), face);
    EXPECT_EQ(w.clicks, 0);
    EXPECT_FALSE(w.button->LeftButtonDown());
    EXPECT_FALSE(w.button->CaptionLabel().isEnabled());
}

// A poll that finds nothing new paints nothing.
TEST(CommandPoll, PaintsOnlyOnAChange) {
    ButtonWindow w;
    w.button->Initialize();
    Perform(w, Enter);
    const int paints = w.button->PaintCount();
    w.button->PollHover();
    w.button->PollHover();
    EXPECT_EQ(w.button->PaintCount(), paints);
    Perform(w, LeaveToContainer);
    w.button->PollHover();
    w.button->PollHover();
    EXPECT_EQ(w.button->PaintCount(), paints + 1);
}

// Over the button's rectangle but under another widget is not over the button.
TEST(CommandPoll, CoveredButtonIsNotHovered) {
    ButtonWindow w;
    w.button->Initialize();
    Perform(w, Enter);
    ASSERT_EQ(w.button->ButtonState(), Command::kHighLight);
    QWidget cover(w.window.get());
    cover.setGeometry(w.button->geometry());
    cover.show();
    cover.raise();
    QApplication::processEvents();
    w.button->PollHover();
    EXPECT_EQ(w.button->ButtonState(), Command::kNormal);
}

// Initialize starts the 100 ms poll and paints nothing; the timer then ends the hover by itself.
TEST(CommandPoll, InitializeStartsTheTimer) {
    ButtonWindow w;
    EXPECT_FALSE(w.button->MouseTimerActive());
    const int paints = w.button->PaintCount();
    w.button->Initialize();
    EXPECT_EQ(w.button->ButtonState(), Command::kNormal);
    EXPECT_EQ(w.button->PaintCount(), paints);
    EXPECT_TRUE(w.button->MouseTimerActive());
    EXPECT_EQ(w.button->MouseTimerInterval(), 100);

    Perform(w, Enter);
    ASSERT_EQ(w.button->ButtonState(), Command::kHighLight);
    Perform(w, LeaveToContainer);
    EXPECT_TRUE(testsupport::WaitUntil([&] {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        return w.button->ButtonState() == Command::kNormal;
    }));
    EXPECT_EQ(w.button->LastSkin(), Skin::Normal);
}

// Switching to another window and back is no focus change of the button.
TEST(CommandFocus, WindowActivationIsIgnored) {
    ButtonWindow w;
    w.button->Initialize();
    Perform(w, FocusByKeyboard);
    ASSERT_EQ(w.button->ButtonState(), Command::kSelected);
    const int paints = w.button->PaintCount();
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w.button.get(), &out);
    QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w.button.get(), &in);
    EXPECT_EQ(w.button->ButtonState(), Command::kSelected);
    EXPECT_EQ(w.button->PaintCount(), paints);
}

}  // namespace
