// The Windows settings dialog under Wine, looked at and clicked from outside: its picture beside
// the Linux dialog's (docs/dialog.png) where fonts play no part, the button faces in each state
// against what the shared button logic asks for, and what the store and cancel buttons write.
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <QImage>

#include "command_machine.h"
#include "dialog_layout.h"
#include "ini_file.h"
#include "renderer_wine_fixture.h"
#include "settings.h"
#include "skin_geometry.h"

namespace {

using namespace std::chrono_literals;
using namespace quillmere;
namespace layout = quillmere::dialog_layout;
using testsupport::Capture;

constexpr int kClientWidth = 496;
constexpr int kClientHeight = 246;

// The CP932 form of a UTF-8 text (the settings file's names and this test's paths).
std::string Cp932(const std::string& utf8) {
    std::string out;
    FILE* pipe =
        popen(("printf %s " + winetest::Quoted(utf8) + " | iconv -f UTF-8 -t CP932").c_str(), "r");
    char buffer[256];
    std::size_t got = 0;
    while (pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, got);
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return out;
}

// A 24-bit bottom-up bitmap file, as the skins are.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;
    testsupport::Rgb at(int x, int y) const {
        const int stride = (width * 3 + 3) / 4 * 4;
        const std::uint8_t* p = bytes.data() + 54 + (height - 1 - y) * stride + x * 3;
        return {p[2], p[1], p[0]};
    }
};

Bitmap ReadSkin(CommandSkin skin) {
    static const char* names[] = {"normal",          "highlight", "selected",
                                  "highlightselect", "pressed",   "disable"};
    Bitmap b;
    b.bytes = testsupport::ReadFileBytes(std::string(QUILLMERE_SOURCE_DIR) + "/assets/skin_" +
                                         names[static_cast<int>(skin)] + ".bmp");
    if (b.bytes.size() > 54) {
        b.width = b.bytes[18] | (b.bytes[19] << 8);
        b.height = b.bytes[22] | (b.bytes[23] << 8);
    }
    return b;
}

// What the button logic last asked the face to be.
struct RecordingView final : CommandView {
    CommandSkin skin = CommandSkin::Normal;
    bool reversed = false;
    void PaintSkin(CommandSkin s, bool r) override {
        skin = s;
        reversed = r;
    }
    void ShowCaptionEnabled(bool) override {}
    void ApplyCaptionColour(const ColourValue&) override {}
    void ApplyBodyStyle(bool) override {}
    void StartPollTimer(int) override {}
    bool PointerOverControl() override { return true; }
    void NotifyPropertyChanged(std::string_view) override {}
    void RaiseClick() override {}
};

// The face a button of that size shows for the skin, pixel by pixel; caption rows left out.
struct Face {
    int width = 0;
    int height = 0;
    std::vector<std::optional<testsupport::Rgb>> pixels;
};
Face ExpectedFace(int width, int height, CommandSkin skin, bool reversed) {
    const FacePlan plan = PlanFace(width, height, reversed, kCaptionHeightTwips);
    Face face{width, height, std::vector<std::optional<testsupport::Rgb>>(width * height)};
    const auto fill = ResolveVerticalFill(plan.gradient.vertices, plan.gradient.span);
    for (int y = 0; fill && y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (x >= fill->left && x < fill->right && y >= fill->top && y < fill->bottom) {
                const Rgb c = GradientRowColour(*fill, y);
                face.pixels[y * width + x] = testsupport::Rgb{c.red, c.green, c.blue};
            }
        }
    }
    const Bitmap image = ReadSkin(skin);
    for (const PixelPiece& piece : *plan.pieces) {
        for (int dy = 0; dy < piece.dest.height; ++dy) {
            for (int dx = 0; dx < piece.dest.width; ++dx) {
                const int x = piece.dest.x + dx;
                const int y = piece.dest.y + dy;
                if (x < 0 || y < 0 || x >= width || y >= height) {
                    continue;
                }
                face.pixels[y * width + x] = image.at(
                    piece.source.x + StretchSourceIndex(dx, piece.dest.width, piece.source.width),
                    piece.source.y +
                        StretchSourceIndex(dy, piece.dest.height, piece.source.height));
            }
        }
    }
    const Rect caption = ToPixels(plan.caption);
    for (int y = std::max(caption.y, 0); y < std::min(caption.y + caption.height, height); ++y) {
        for (int x = 0; x < width; ++x) {
            face.pixels[y * width + x].reset();
        }
    }
    return face;
}

bool Same(const testsupport::Rgb& a, const testsupport::Rgb& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

// The dialog's X window and its client area's place on the screen.
struct DialogWindow {
    Window window = 0;
    int clientX = 0;
    int clientY = 0;
};

class WineDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(winetest::WindowsProgram("dialog_driver.exe")))
            << "no Windows build: make windows";
        server_ = std::make_unique<testsupport::XvfbServer>("1024x768x24");
        x_ = std::make_unique<testsupport::XClient>(server_->display());
        ASSERT_TRUE(x_->ok());
        wine_ = std::make_unique<winetest::WineSession>(server_->display());
        ASSERT_TRUE(wine_->ok());
        folder_ = wine_->DriveC("qdlg");
        // Wine keeps file names as UTF-8 on this side.
        std::filesystem::create_directories(folder_ + "/音楽");
        std::filesystem::copy_file(winetest::WindowsProgram("dialog_driver.exe"),
                                   folder_ + "/dialog_driver.exe");
        testsupport::WriteFile(folder_ + "/音楽/海の歌 1.mp3", std::string());
    }
    void TearDown() override {
        dialog_.reset();
        wine_.reset();
    }

    std::string IniPath() const { return folder_ + "/Quillmere.ini"; }

    // A settings file for kind 2, track 3 and the music file, as the Linux picture shows them.
    std::string WriteKindTwoSettings() {
        const std::string bytes = "[Section]\r\n" + Cp932("BGM区分") + "= 2\r\n" +
                                  Cp932("BGMﾘﾋﾟｰﾄ") + "= 3\r\n" + Cp932("BGMﾌｧｲﾙ") + "=" +
                                  Cp932(kMusicFile) + "\r\n";
        testsupport::WriteFile(IniPath(), bytes);
        return bytes;
    }

    DialogWindow Open() {
        dialog_ = wine_->Start(folder_ + "/dialog_driver.exe", {}, wine_->JapaneseLocale());
        DialogWindow found;
        testsupport::WaitUntil(
            [&] {
                for (Window w : testsupport::FindWindowsByTitle(x(), "Quillmere")) {
                    auto info = testsupport::GetWindowInfo(x(), w);
                    if (info && info->viewable && info->width >= kClientWidth) {
                        const int border = (info->width - kClientWidth) / 2;
                        found = {w, info->x + border,
                                 info->y + info->height - kClientHeight - border};
                        return true;
                    }
                }
                return false;
            },
            60s);
        return found;
    }

    Capture Screen() { return *testsupport::CaptureWindow(x(), DefaultRootWindow(x())); }

    void MoveTo(int x, int y) {
        XTestFakeMotionEvent(this->x(), DefaultScreen(this->x()), x, y, CurrentTime);
        XSync(this->x(), False);
    }
    void Button(bool press) {
        XTestFakeButtonEvent(x(), 1, press ? True : False, CurrentTime);
        XSync(x(), False);
    }
    void Key(KeySym key) {
        testsupport::FakeKey(x(), key, true);
        testsupport::FakeKey(x(), key, false);
    }

    // Whether the button at that place in the client area shows the face (caption rows aside);
    // the first difference in why.
    bool ShowsFace(const DialogWindow& d, const layout::PixelRect& at, const Face& face,
                   std::string* why = nullptr) {
        const Capture shot = Screen();
        for (int y = 0; y < face.height; ++y) {
            for (int x = 0; x < face.width; ++x) {
                const auto& want = face.pixels[y * face.width + x];
                const testsupport::Rgb got = shot.at(d.clientX + at.x + x, d.clientY + at.y + y);
                if (want && !Same(*want, got)) {
                    if (why != nullptr) {
                        *why = "pixel " + std::to_string(x) + "," + std::to_string(y);
                    }
                    return false;
                }
            }
        }
        return true;
    }

    bool WaitForFace(const DialogWindow& d, const layout::PixelRect& at, const Face& face) {
        std::string why;
        const bool shown =
            testsupport::WaitUntil([&] { return ShowsFace(d, at, face, &why); }, 20s);
        if (!shown) {
            ADD_FAILURE() << "face of the button at " << at.x << "," << at.y << " differs at "
                          << why;
        }
        return shown;
    }

    Display* x() const { return x_->get(); }

    static constexpr char kMusicFile[] = "C:\\qdlg\\音楽\\海の歌 1.mp3";
    std::unique_ptr<testsupport::XvfbServer> server_;
    std::unique_ptr<testsupport::XClient> x_;
    std::unique_ptr<winetest::WineSession> wine_;
    std::unique_ptr<testsupport::ChildProcess> dialog_;
    std::string folder_;
};

// A place inside Pic_C in client pixels.
layout::PixelRect InPanel(const layout::TwipRect& place) {
    const layout::PixelRect panel = layout::ToPixels(layout::Pic_C);
    layout::PixelRect r = layout::ToPixels(place);
    r.x += panel.x;
    r.y += panel.y;
    return r;
}

CommandMachine& Loaded(CommandMachine& machine) {
    machine.ReadProperties(LoadedFlags{});
    machine.UserControl_Resize();
    machine.Initialize();
    return machine;
}

TEST_F(WineDialogTest, LooksLikeTheLinuxDialogAndItsButtonsFollowTheLogic) {
    WriteKindTwoSettings();
    MoveTo(1000, 750);
    const DialogWindow d = Open();
    ASSERT_NE(d.window, 0u);
    const QImage linux(QString::fromUtf8(QUILLMERE_SOURCE_DIR "/docs/dialog.png"));
    ASSERT_EQ(linux.width(), kClientWidth);
    ASSERT_EQ(linux.height(), kClientHeight);

    const layout::PixelRect set = layout::ToPixels(layout::Cmd_Set);
    const layout::PixelRect cancel = layout::ToPixels(layout::Cmd_Can);
    const layout::PixelRect file = InPanel(layout::Cmd_File);
    const Face normalSet = ExpectedFace(set.width, set.height, CommandSkin::Normal, false);
    const Face normalFile = ExpectedFace(file.width, file.height, CommandSkin::Normal, false);
    ASSERT_TRUE(WaitForFace(d, set, normalSet));
    const Capture shot = Screen();
    const auto at = [&](int x, int y) { return shot.at(d.clientX + x, d.clientY + y); };
    const auto reference = [&](int x, int y) {
        const QRgb p = linux.pixel(x, y);
        return testsupport::Rgb{qRed(p), qGreen(p), qBlue(p)};
    };
    // Places where no text lies: the background's right column, the tiled panel right of the
    // repeat box's caption with the panel's frame, the three marks, the three button faces.
    std::vector<layout::PixelRect> places = {{490, 0, 6, kClientHeight}};
    const layout::PixelRect panel = layout::ToPixels(layout::Pic_C);
    places.push_back({panel.x + 260, panel.y, panel.width - 260, 112});
    places.push_back({panel.x, panel.y, panel.width, 1});
    places.push_back({panel.x, panel.y + panel.height - 1, panel.width, 1});
    places.push_back({panel.x, panel.y, 1, panel.height});
    for (const layout::TwipRect& mark : layout::Img_BGM) {
        places.push_back(InPanel(mark));
    }
    int compared = 0;
    for (const layout::PixelRect& r : places) {
        for (int y = r.y; y < r.y + r.height; ++y) {
            for (int x = r.x; x < r.x + r.width; ++x) {
                ASSERT_TRUE(Same(at(x, y), reference(x, y))) << "at " << x << "," << y;
                ++compared;
            }
        }
    }
    for (const auto& [place, face] : {std::pair{set, &normalSet}, std::pair{cancel, &normalSet},
                                      std::pair{file, &normalFile}}) {
        for (int y = 0; y < face->height; ++y) {
            for (int x = 0; x < face->width; ++x) {
                if (face->pixels[y * face->width + x]) {
                    ASSERT_TRUE(
                        Same(at(place.x + x, place.y + y), reference(place.x + x, place.y + y)))
                        << "button at " << place.x << "," << place.y << ": " << x << "," << y;
                }
            }
        }
    }
    EXPECT_GT(compared, 20000);
    const std::vector<layout::Rgb> lines = layout::BackgroundLineColours(kClientHeight);
    for (int y : {0, 60, 123, 200, kClientHeight - 1}) {
        EXPECT_TRUE(Same(at(493, y), {lines[y].red, lines[y].green, lines[y].blue}))
            << "line " << y;
    }

    // Kind 0 turns the small file button off.
    RecordingView fileView;
    CommandMachine fileMachine(fileView);
    Loaded(fileMachine).SetEnabled(true);
    fileMachine.SetEnabled(false);
    const layout::PixelRect none = InPanel(layout::lbl_BGM[0]);
    ASSERT_TRUE(testsupport::FakeClick(x(), d.clientX + none.x + 4, d.clientY + none.y + 6));
    WaitForFace(d, file, ExpectedFace(file.width, file.height, fileView.skin, fileView.reversed));
    EXPECT_EQ(fileView.skin, CommandSkin::Disable);
    // And its mark is the selected picture, the Linux picture's mark of kind 2.
    const layout::PixelRect mark0 = InPanel(layout::Img_BGM[0]);
    const layout::PixelRect mark2 = InPanel(layout::Img_BGM[2]);
    const Capture after = Screen();
    for (int y = 0; y < mark0.height; ++y) {
        for (int x = 0; x < mark0.width; ++x) {
            ASSERT_TRUE(Same(after.at(d.clientX + mark0.x + x, d.clientY + mark0.y + y),
                             reference(mark2.x + x, mark2.y + y)));
        }
    }
    EXPECT_TRUE(dialog_->running());

    // Under the pointer, then pressed: what the shared machine paints for the same events.
    RecordingView view;
    CommandMachine machine(view);
    Loaded(machine).UserControl_MouseMove();
    MoveTo(d.clientX + set.x + set.width / 2, d.clientY + set.y + 3);
    WaitForFace(d, set, ExpectedFace(set.width, set.height, view.skin, view.reversed));
    EXPECT_EQ(view.skin, CommandSkin::HighLight);
    machine.UserControl_GotFocus();
    machine.UserControl_MouseDown(kLeftButton);
    Button(true);
    WaitForFace(d, set, ExpectedFace(set.width, set.height, view.skin, view.reversed));
    EXPECT_EQ(view.skin, CommandSkin::Pressed);
    // Let go over it: the click, which stores and closes.
    Button(false);
    EXPECT_EQ(dialog_->Wait(60s), 0);
}

TEST_F(WineDialogTest, StoreWritesTheLinuxBytesCancelWritesNothingFailureKeepsTheDialog) {
    const layout::PixelRect set = layout::ToPixels(layout::Cmd_Set);
    const layout::PixelRect cancel = layout::ToPixels(layout::Cmd_Can);
    const auto clickAt = [&](const DialogWindow& d, const layout::PixelRect& r) {
        return testsupport::FakeClick(x(), d.clientX + r.x + r.width / 2,
                                      d.clientY + r.y + r.height / 2);
    };

    // Cancel: nothing written, the dialog ends.
    const std::string original = WriteKindTwoSettings();
    DialogWindow d = Open();
    ASSERT_NE(d.window, 0u);
    ASSERT_TRUE(clickAt(d, cancel));
    EXPECT_EQ(dialog_->Wait(60s), 0);
    const auto bytes = testsupport::ReadFileBytes(IniPath());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), original);

    // Kind 1 by its label, then the repeat number from the list (two down from 3) and typed: the
    // bytes the Linux build writes for the same choices.
    const layout::PixelRect cd = InPanel(layout::lbl_BGM[1]);
    const layout::PixelRect repeat = InPanel(layout::BGM_Repeat);
    for (const bool typed : {false, true}) {
        testsupport::WriteFile(IniPath(), original);
        d = Open();
        ASSERT_NE(d.window, 0u);
        ASSERT_TRUE(testsupport::FakeClick(x(), d.clientX + cd.x + 4, d.clientY + cd.y + 6));
        if (typed) {
            ASSERT_TRUE(
                testsupport::FakeClick(x(), d.clientX + repeat.x + 8, d.clientY + repeat.y + 8));
            Key(XK_End);
            for (int i = 0; i < 3; ++i) {
                Key(XK_BackSpace);
            }
            Key(XK_1);
            Key(XK_2);
        } else {
            // The arrow drops the list with the box's number chosen.
            ASSERT_TRUE(testsupport::FakeClick(x(), d.clientX + repeat.x + repeat.width - 6,
                                               d.clientY + repeat.y + 8));
            Key(XK_Down);
            Key(XK_Down);
            Key(XK_Return);
        }
        ASSERT_TRUE(clickAt(d, set));
        EXPECT_EQ(dialog_->Wait(60s), 0);
        std::string linux = original;
        for (const auto& [key, value] :
             {std::pair{kKeyBgmKind, std::string(" 1")},
              std::pair{kKeyBgmRepeat, std::string(typed ? " 12" : " 5")},
              std::pair{kKeyBgmFile, std::string(kMusicFile)}}) {
            linux = *SetIniValue(linux, kSettingsSection, key, value);
        }
        // Wine drops the blanks in front of a value it writes; Windows writes the value as given.
        for (std::size_t pos = linux.find("= "); pos != std::string::npos;
             pos = linux.find("= ", pos)) {
            linux.erase(pos + 1, 1);
        }
        const auto written = testsupport::ReadFileBytes(IniPath());
        EXPECT_EQ(std::string(written.begin(), written.end()), linux) << (typed ? "typed" : "list");
    }

    // A settings file that cannot be written: the report, and the dialog stays.
    std::filesystem::remove(IniPath());
    std::filesystem::create_directory(IniPath());
    d = Open();
    ASSERT_NE(d.window, 0u);
    ASSERT_TRUE(clickAt(d, set));
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return testsupport::FindWindowsByTitle(x(), "Quillmere").size() >= 2; }, 30s));
    Key(XK_Return);
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return testsupport::FindWindowsByTitle(x(), "Quillmere").size() == 1; }, 30s));
    EXPECT_TRUE(dialog_->running());
    auto info = testsupport::GetWindowInfo(x(), d.window);
    EXPECT_TRUE(info && info->viewable);
    ASSERT_TRUE(clickAt(d, cancel));
    EXPECT_EQ(dialog_->Wait(60s), 0);
}

}  // namespace
