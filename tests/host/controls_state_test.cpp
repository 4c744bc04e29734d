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
    Disable,
    Enable,
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
        case Step::Disable:
            b.SetEnabled(false);
            break;
        case Step::Enable:
            b.SetEnabled(true);
            break;
    }
    QApplication::processEvents();
}

struct Sequence {
    const char* name;
    std::vector<Step> steps;
    int state;
    Skin skin;
    int clicks;
    bool leftDown;
    bool reversed;
};

class ButtonSequence : public ::testing::TestWithParam<Sequence> {};

TEST_P(ButtonSequence, EndsInTheExpectedLook) {
    const Sequence& s = GetParam();
    ButtonWindow w;
    for (const Step step : s.steps) {
        Perform(w, step);
    }
    EXPECT_EQ(w.button->ButtonState(), s.state);
    EXPECT_EQ(w.button->LastSkin(), s.skin);
    EXPECT_EQ(w.clicks, s.clicks);
    EXPECT_EQ(w.button->LeftButtonDown(), s.leftDown);
    EXPECT_EQ(w.button->GradientReversed(), s.reversed);
}

using S = Step;
const Sequence kSequences[] = {
    {"EnterShowsHighLightReversed", {S::Initialize, S::Enter}, 2, Skin::HighLight, 0, false, true},
    {"CaptionCountsAsButton",
     {S::Initialize, S::EnterCaption, S::Poll},
     2,
     Skin::HighLight,
     0,
     false,
     true},
    {"PollOverContainerEndsHover",
     {S::Initialize, S::Enter, S::LeaveToContainer, S::Poll},
     1,
     Skin::Normal,
     0,
     false,
     false},
    {"PollOutsideEveryWindowEndsHover",
     {S::Initialize, S::Enter, S::LeaveWindow, S::Poll},
     1,
     Skin::Normal,
     0,
     false,
     false},
    {"LeavingIsOnlySeenByThePoll",
     {S::Initialize, S::Enter, S::LeaveToContainer},
     2,
     Skin::HighLight,
     0,
     false,
     true},
    {"TypicalPress",
     {S::Initialize, S::Enter, S::PressLeft, S::ReleaseLeft},
     4,
     Skin::HighLightSelect,
     1,
     false,
     true},
    {"PressPaintsPressedAndHolds",
     {S::Initialize, S::Enter, S::PressLeft},
     4,
     Skin::Pressed,
     0,
     true,
     true},
    {"PressOnCaption",
     {S::Initialize, S::EnterCaption, S::PressCaptionLeft, S::ReleaseCaptionLeft},
     4,
     Skin::HighLightSelect,
     1,
     false,
     true},
    {"CancelledPressComesBackWithoutClick",
     {S::Initialize, S::Enter, S::PressLeft, S::LeaveToContainer, S::Poll, S::MoveAgain,
      S::ReleaseLeft},
     3,
     Skin::Selected,
     0,
     false,
     false},
    {"MoveAfterCancelledPressHighlightsWhiteTop",
     {S::Initialize, S::Enter, S::PressLeft, S::LeaveToContainer, S::Poll, S::ReleaseLeft,
      S::Enter},
     4,
     Skin::HighLightSelect,
     0,
     false,
     false},
    {"ReleaseOutside",
     {S::Initialize, S::Enter, S::PressLeft, S::LeaveWindow, S::Poll, S::ReleaseLeftOutside},
     3,
     Skin::Selected,
     0,
     false,
     false},
    {"RightButtonClicksWhenNotSelected",
     {S::Initialize, S::Enter, S::PressRight, S::ReleaseRight},
     4,
     Skin::Pressed,
     1,
     false,
     true},
    {"RightReleaseWithoutFocus",
     {S::Initialize, S::Enter, S::ReleaseRight},
     2,
     Skin::HighLight,
     1,
     false,
     true},
    {"MiddleReleaseInSelectedDoesNotClick",
     {S::Initialize, S::FocusByKeyboard, S::ReleaseMiddle},
     3,
     Skin::Selected,
     0,
     false,
     false},
    {"LeftReleaseInHighLightPaintsNormal",
     {S::Initialize, S::Enter, S::PressLeftKeepFocus, S::ReleaseLeft},
     2,
     Skin::Normal,
     1,
     false,
     true},
    {"KeyboardFocusWhileHovering",
     {S::Initialize, S::Enter, S::FocusByKeyboard},
     4,
     Skin::Pressed,
     0,
     false,
     true},
    {"KeyboardFocusWithoutPointer",
     {S::Initialize, S::FocusByKeyboard},
     3,
     Skin::Selected,
     0,
     false,
     false},
    {"SelectedThenPointerEnters",
     {S::Initialize, S::FocusByKeyboard, S::Enter},
     4,
     Skin::HighLightSelect,
     0,
     false,
     false},
    {"FocusLost",
     {S::Initialize, S::Enter, S::PressLeft, S::ReleaseLeft, S::FocusAway},
     1,
     Skin::Normal,
     1,
     false,
     false},
    {"ResizeWhileFocusedShowsNormal",
     {S::Initialize, S::FocusByKeyboard, S::Resize},
     3,
     Skin::Normal,
     0,
     false,
     false},
    {"DisableWhileHoveringIsReversed",
     {S::Initialize, S::Enter, S::Disable},
     2,
     Skin::Disable,
     0,
     false,
     true},
    {"DisableAtRestHasWhiteTop", {S::Initialize, S::Disable}, 1, Skin::Disable, 0, false, false},
    {"EnableAgainPaintsNormal",
     {S::Initialize, S::FocusByKeyboard, S::Disable, S::Enable},
     3,
     Skin::Normal,
     0,
     false,
     false},
    {"BeforeInitializeMovesDoNothing", {S::Enter, S::MoveAgain}, 0, Skin::Normal, 0, false, false},
    {"BeforeInitializeFocusGoesTo3", {S::FocusByKeyboard}, 3, Skin::Selected, 0, false, false},
    {"BeforeInitializeLeavingIn4GoesUnnoticed",
     {S::FocusByKeyboard, S::Enter, S::LeaveToContainer},
     4,
     Skin::HighLightSelect,
     0,
     false,
     false},
    {"BeforeInitializeFocusLossGoesTo1",
     {S::FocusByKeyboard, S::FocusAway},
     1,
     Skin::Normal,
     0,
     false,
     false},
};

INSTANTIATE_TEST_SUITE_P(Command, ButtonSequence, ::testing::ValuesIn(kSequences),
                         [](const auto& info) { return std::string(info.param.name); });

// While switched off, nothing the user does changes, paints or clicks anything.
TEST(CommandDisabled, IgnoresMouseFocusAndPoll) {
    ButtonWindow w;
    w.button->Initialize();
    w.button->SetEnabled(false);
    const int paints = w.button->PaintCount();
    const QImage face = w.button->Face();
    for (const Step step : {S::Enter, S::PressLeft, S::LeaveToContainer, S::Poll, S::ReleaseLeft,
                            S::PressRight, S::ReleaseRight, S::FocusByKeyboard, S::FocusAway,
                            S::EnterCaption, S::PressCaptionLeft, S::ReleaseCaptionLeft}) {
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
    Perform(w, S::Enter);
    const int paints = w.button->PaintCount();
    w.button->PollHover();
    w.button->PollHover();
    EXPECT_EQ(w.button->PaintCount(), paints);
    Perform(w, S::LeaveToContainer);
    w.button->PollHover();
    w.button->PollHover();
    EXPECT_EQ(w.button->PaintCount(), paints + 1);
}

// Over the button's rectangle but under another widget is not over the button.
TEST(CommandPoll, CoveredButtonIsNotHovered) {
    ButtonWindow w;
    w.button->Initialize();
    Perform(w, S::Enter);
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

    Perform(w, S::Enter);
    ASSERT_EQ(w.button->ButtonState(), Command::kHighLight);
    Perform(w, S::LeaveToContainer);
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
    Perform(w, S::FocusByKeyboard);
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
