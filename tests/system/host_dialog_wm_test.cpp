// The settings dialog of the real host (/c) under real window managers (Debian's openbox, and twm
// for where the frame sits): where its frame sits, what happens when the settings cannot be
// stored, and where Qt's file dialog leaves its state. Clicks go through XTEST to the places the
// dialog's layout gives. The fixture first: it orders gtest before Xlib, whose macros clash with
// gtest's names.
#include "host_fixture.h"
// clang-format off
#include <X11/extensions/XTest.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace hosttest {
namespace {

constexpr const char* kDialogTitle = "Quillmere";
constexpr const char* kChooserTitle = "ﾌｧｲﾙを開く";

// Where the controls the tests press lie in the client area (their layout places).
constexpr int kPanelLeft = 12;
constexpr int kPanelTop = 16;
const XPoint kCdLabel{kPanelLeft + 44 + 8, kPanelTop + 56 + 6};
const XPoint kFileLabel{kPanelLeft + 44 + 8, kPanelTop + 96 + 6};
const XRectangle kFileButton{kPanelLeft + 112, kPanelTop + 92, 41, 21};
const XRectangle kStoreButton{324, 200, 77, 25};
const XRectangle kCancelButton{404, 200, 77, 25};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class DialogUnderWindowManagerTest : public HostSystemTest {
  protected:
    void SetUp() override {
        HostSystemTest::SetUp();
        StartWindowManager("/usr/bin/openbox", {"--sm-disable"});
    }

    void TearDown() override {
        HostSystemTest::TearDown();
        wm_.reset();
    }

    // Its own files go to a home of its own, away from the host's.
    void StartWindowManager(const std::string& program, const std::vector<std::string>& args) {
        wm_ = std::make_unique<ChildProcess>(
            program, args,
            std::map<std::string, std::string>{{"DISPLAY", display()},
                                               {"HOME", wmHome_.path()},
                                               {"XDG_CONFIG_HOME", wmHome_ / "config"},
                                               {"XDG_CACHE_HOME", wmHome_ / "cache"}},
            wmHome_ / "wm-stderr.txt");
        ASSERT_TRUE(WaitUntil([&] { return WindowManagerRuns(); })) << program << " did not start";
    }

    // A window manager is the one client that redirects the root window's children.
    bool WindowManagerRuns() const {
        XWindowAttributes root{};
        return XGetWindowAttributes(x(), DefaultRootWindow(x()), &root) &&
               (root.all_event_masks & SubstructureRedirectMask) != 0;
    }

    // The child of the root window that holds window: its frame, or itself when unframed.
    Window TopLevelOf(Window window) const {
        for (;;) {
            Window root = 0;
            Window parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(x(), window, &root, &parent, &children, &count)) {
                return 0;
            }
            if (children != nullptr) {
                XFree(children);
            }
            if (parent == root) {
                return window;
            }
            window = parent;
        }
    }

    // The window manager's frame around a viewable client window; nothing before it has one.
    std::optional<Rect> FrameOf(Window client) const {
        const auto info = testsupport::GetWindowInfo(x(), client);
        if (!info || !info->viewable) {
            return std::nullopt;
        }
        const Window outer = TopLevelOf(client);
        XWindowAttributes frame{};
        if (outer == 0 || outer == client || !XGetWindowAttributes(x(), outer, &frame)) {
            return std::nullopt;
        }
        return Rect{frame.x, frame.y, frame.width + 2 * frame.border_width,
                    frame.height + 2 * frame.border_width};
    }

    // Centred, a third of the free height from the top: the frame, not the client area.
    static bool AtItsPlace(const std::optional<Rect>& frame) {
        return frame && std::abs(frame->x - (640 - frame->width) / 2) <= 1 &&
               std::abs(frame->y - (480 - frame->height) / 3) <= 1;
    }

    // Starts /c and waits for its dialog in its frame at its place. A window manager that does
    // not tell its frame in time (twm never, openbox on a busy machine) frames the dialog where
    // it first asked to be, and the dialog then moves once: clicks aimed before that miss.
    Window StartDialog() {
        host_ = StartHost({"/c"}, *env_);
        const Window dialog = WaitForWindow(kDialogTitle);
        EXPECT_NE(dialog, 0u) << "no dialog";
        EXPECT_TRUE(WaitUntil([&] { return FrameOf(dialog).has_value(); })) << "never framed";
        WaitUntil([&] { return AtItsPlace(FrameOf(dialog)); });
        return dialog;
    }

    // Keys go to the window with the input focus, which the window manager gives a new window
    // in its own time.
    bool HasFocus(Window window) const {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(x(), &focus, &revert);
        return focus == window;
    }

    // Clicks window at a point of the screen, once window is what lies there: the frame of a box
    // that has just gone can stay there a moment longer. The click is taken in before the next
    // input (FakeClick).
    void ClickAt(Window window, int px, int py) {
        const Window root = DefaultRootWindow(x());
        EXPECT_TRUE(WaitUntil([&] {
            Window child = 0;
            int localX = 0;
            int localY = 0;
            return XTranslateCoordinates(x(), root, root, px, py, &localX, &localY, &child) &&
                   child != 0 && child == TopLevelOf(window);
        })) << "something else lies at "
            << px << "," << py;
        EXPECT_TRUE(testsupport::FakeClick(x(), px, py))
            << "the click at " << px << "," << py << " was never taken in";
    }

    void Click(Window window, XPoint at) {
        const auto info = testsupport::GetWindowInfo(x(), window);
        ASSERT_TRUE(info.has_value());
        ClickAt(window, info->x + at.x, info->y + at.y);
    }

    // Presses a button as a user does: the pointer moves onto it, then clicks. The button takes
    // a click only after it has seen the pointer move over it (from its focus alone it is merely
    // selected), so the pointer always moves to a new place on the button, one the toolkit
    // reports as a move, even when it already rests there.
    void PressButton(Window window, XRectangle button) {
        const auto info = testsupport::GetWindowInfo(x(), window);
        ASSERT_TRUE(info.has_value());
        Window root = 0;
        Window child = 0;
        int rootX = 0;
        int rootY = 0;
        int windowX = 0;
        int windowY = 0;
        unsigned int mask = 0;
        XQueryPointer(x(), window, &root, &child, &rootX, &rootY, &windowX, &windowY, &mask);
        const int centreX = button.x + button.width / 2;
        const int centreY = button.y + button.height / 2;
        const int px = info->x + centreX + (windowX == centreX && windowY == centreY ? 3 : 0);
        const int py = info->y + centreY;
        XTestFakeMotionEvent(x(), DefaultScreen(x()), px, py, CurrentTime);
        XSync(x(), False);
        ClickAt(window, px, py);
    }

    // The window titled title other than except: the box over the dialog, say.
    Window OtherWindowTitled(const std::string& title, Window except) const {
        for (Window w : testsupport::FindWindowsByTitle(x(), title)) {
            if (w != except) {
                return w;
            }
        }
        return 0;
    }

    void PressKey(unsigned long keysym) {
        testsupport::FakeKey(x(), keysym, true);
        testsupport::FakeKey(x(), keysym, false);
    }

    std::size_t ViewableWindowsTitled(const std::string& title) const {
        std::size_t viewable = 0;
        for (Window w : testsupport::FindWindowsByTitle(x(), title)) {
            const auto info = testsupport::GetWindowInfo(x(), w);
            viewable += info && info->viewable;
        }
        return viewable;
    }

    std::string SettingsFolder() const { return env_->ConfigFolder() + "/Quillmere"; }

    TempDir wmHome_;
    std::unique_ptr<ChildProcess> wm_;
    std::unique_ptr<ChildProcess> host_;
};

TEST_F(DialogUnderWindowManagerTest, FrameIsCentredAndAThirdDown) {
    // openbox tells its frame before the dialog is shown; twm, which keeps to older conventions,
    // only frames it.
    const struct {
        const char* program;
        std::vector<std::string> args;
    } managers[] = {{"/usr/bin/openbox", {"--sm-disable"}}, {"/usr/bin/twm", {}}};
    for (const auto& manager : managers) {
        if (std::string(manager.program) != "/usr/bin/openbox") {
            wm_.reset();
            RestartServer({});
            StartWindowManager(manager.program, manager.args);
        }
        const Window dialog = StartDialog();
        const std::optional<Rect> frame = FrameOf(dialog);
        EXPECT_TRUE(AtItsPlace(frame))
            << manager.program << ": frame at " << (frame ? frame->x : -1) << ","
            << (frame ? frame->y : -1) << " size " << (frame ? frame->width : -1) << "x"
            << (frame ? frame->height : -1);
        ASSERT_TRUE(frame.has_value()) << manager.program;
        EXPECT_GT(frame->height, 246 + 10) << manager.program << ": a frame with a title bar";
        PressButton(dialog, kCancelButton);
        EXPECT_EQ(host_->Wait(), 0) << manager.program;
    }
}

TEST_F(DialogUnderWindowManagerTest, UnwritableSettingsShowABoxAndKeepTheDialogAndItsChoice) {
    // A file where the settings folder goes: no one can write the settings, root included.
    std::filesystem::create_directories(env_->ConfigFolder());
    testsupport::WriteFile(SettingsFolder(), "x");
    const Window dialog = StartDialog();
    Click(dialog, kCdLabel);
    PressButton(dialog, kStoreButton);
    // The box, with the dialog's caption, over the dialog that stays.
    EXPECT_TRUE(WaitUntil([&] { return ViewableWindowsTitled(kDialogTitle) == 2; }))
        << "no message box";
    EXPECT_TRUE(host_->running());
    const Window box = OtherWindowTitled(kDialogTitle, dialog);
    EXPECT_TRUE(WaitUntil([&] { return HasFocus(box); })) << "the box never had the focus";
    PressKey(XK_Return);
    EXPECT_TRUE(WaitUntil([&] { return ViewableWindowsTitled(kDialogTitle) == 1; }))
        << "the box did not go";
    EXPECT_TRUE(host_->running());
    const auto info = testsupport::GetWindowInfo(x(), dialog);
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(info->viewable);

    // Storing again once the folder can be made stores the choice made before, and ends.
    std::filesystem::remove(SettingsFolder());
    PressButton(dialog, kStoreButton);
    EXPECT_EQ(host_->Wait(), 0);
    const std::string settings = SettingsFolder() + "/Quillmere.ini";
    const auto bytes = testsupport::ReadFileBytes(settings);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("BGM\x8B\xE6\x95\xAA= 1"), std::string::npos) << text;
}

TEST_F(DialogUnderWindowManagerTest, FileChooserStateStaysInTheSettingsFolder) {
    const Window dialog = StartDialog();
    Click(dialog, kFileLabel);
    PressButton(dialog, kFileButton);
    const Window chooser = WaitForWindow(kChooserTitle);
    ASSERT_NE(chooser, 0u) << "no file chooser";
    EXPECT_TRUE(WaitUntil([&] { return ViewableWindowsTitled(kChooserTitle) == 1; }));
    EXPECT_TRUE(WaitUntil([&] { return HasFocus(chooser); })) << "the chooser never had the focus";
    PressKey(XK_Escape);
    EXPECT_TRUE(WaitUntil([&] { return ViewableWindowsTitled(kChooserTitle) == 0; }))
        << "the chooser did not close";
    PressButton(dialog, kCancelButton);
    EXPECT_EQ(host_->Wait(), 0);

    std::vector<std::string> states;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(env_->home())) {
        if (entry.path().filename() == "QtProject.conf") {
            states.push_back(entry.path().string());
        }
    }
    EXPECT_EQ(states, std::vector<std::string>{SettingsFolder() + "/QtProject.conf"});
}

}  // namespace
}  // namespace hosttest
