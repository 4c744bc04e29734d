// The painted face read back pixel by pixel: the ring of every skin at the middle of each side,
// the gradient rows and their orientation per look, the two button sizes of the dialog, the
// caption's place, the kept image and the transparent body; and the skin files themselves.
#include <gtest/gtest.h>

#include <QFile>
#include <QMouseEvent>
#include <QTest>

#include <array>
#include <string>

#include "controls_test_window.h"
#include "test_support.h"

namespace {

using controlstest::ButtonWindow;
using controlstest::PixelAt;
using quillmere::Command;
using Skin = quillmere::Command::Skin;
using Ring = std::array<QRgb, 4>;  // outermost first

struct SkinRing {
    Skin skin;
    const char* name;
    Ring top, bottom, left, right;
};

const SkinRing kRings[] = {
    {Skin::Normal,
     "Normal",
     {0xE0DCC9, 0x003C74, 0xF3F3EE, 0xF3F3EE},
     {0xF8F7F0, 0x003C74, 0xD6D0C5, 0xE2DFD6},
     {0xE2DECB, 0x003C74, 0xF4F4F0, 0xF4F4F0},
     {0xF0EEE0, 0x003C74, 0xE8E5DF, 0xEEEDE7}},
    {Skin::HighLight,
     "HighLight",
     {0xE0DCC9, 0x003C74, 0xFFF0CF, 0xFDD889},
     {0xF8F7F0, 0x003C74, 0xE59700, 0xF8B330},
     {0xE2DECB, 0x003C74, 0xFCCA69, 0xFBCA6A},
     {0xF0EEE0, 0x003C74, 0xFCCA69, 0xFBCA6A}},
    {Skin::HighLightSelect,
     "HighLightSelect",
     {0xE0DCC9, 0x003C74, 0xFFF0CF, 0xFDD889},
     {0xF8F7F0, 0x003C74, 0xE59700, 0xF8B330},
     {0xE2DECB, 0x003C74, 0xFCCA69, 0xFBCA6A},
     {0xF0EEE0, 0x003C74, 0xFCCA69, 0xFBCA6A}},
    {Skin::Selected,
     "Selected",
     {0xE0DCC9, 0x003C74, 0xCEE7FF, 0xCEE7FF},
     {0xF8F7F0, 0x003C74, 0x6982EE, 0x6982EE},
     {0xE2DECB, 0x003C74, 0xA9C5EF, 0xA8C6F0},
     {0xF0EEE0, 0x003C74, 0xA9C5EF, 0xA9C5EF}},
    {Skin::Pressed,
     "Pressed",
     {0xECE9D8, 0xE0DCC9, 0x003C74, 0xD1CCC1},
     {0xECE9D8, 0xF8F7F0, 0x003C74, 0xF2F1EE},
     {0xECE9D8, 0xE2DECB, 0x003C74, 0xD7D4CB},
     {0xECE9D8, 0xF0EEE0, 0x003C74, 0xE4E3DC}},
    {Skin::Disable,
     "Disable",
     {0xECE9D8, 0xC9C7BA, 0xF5F4EA, 0xF5F4EA},
     {0xECE9D8, 0xC9C7BA, 0xF5F4EA, 0xF5F4EA},
     {0xECE9D8, 0xC9C7BA, 0xF5F4EA, 0xF5F4EA},
     {0xECE9D8, 0xC9C7BA, 0xF5F4EA, 0xF5F4EA}},
};

void PressWithoutFocus(Command& b) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(8, 4), QPointF(b.mapToGlobal(QPoint(8, 4))),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&b, &press);
}

// Brings the button to paint the given look through the user's own events.
void ShowLook(ButtonWindow& w, Skin skin) {
    Command& b = *w.button;
    b.Initialize();
    switch (skin) {
        case Skin::Normal:
            b.resize(b.size());
            (void)b.Enabled();
            break;
        case Skin::HighLight:
            w.PointerOverButton();
            break;
        case Skin::Selected:
            b.setFocus(Qt::TabFocusReason);
            break;
        case Skin::HighLightSelect:
            b.setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            w.PointerOverButton();
            break;
        case Skin::Pressed:
            PressWithoutFocus(b);
            break;
        case Skin::Disable:
            b.SetEnabled(false);
            break;
    }
    QApplication::processEvents();
    ASSERT_EQ(b.LastSkin(), skin);
}

void ExpectRing(const QImage& face, const SkinRing& ring) {
    const int w = face.width();
    const int h = face.height();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("layer " + std::to_string(i));
        EXPECT_EQ(PixelAt(face, w / 2, i), controlstest::Rgb(ring.top[i]));
        EXPECT_EQ(PixelAt(face, w / 2, h - 1 - i), controlstest::Rgb(ring.bottom[i]));
        EXPECT_EQ(PixelAt(face, i, h / 2), controlstest::Rgb(ring.left[i]));
        EXPECT_EQ(PixelAt(face, w - 1 - i, h / 2), controlstest::Rgb(ring.right[i]));
    }
}

class RingPerSkin : public ::testing::TestWithParam<std::tuple<SkinRing, QSize>> {};

TEST_P(RingPerSkin, MiddleOfEachSide) {
    const auto& [ring, size] = GetParam();
    ButtonWindow w(size.width(), size.height());
    ShowLook(w, ring.skin);
    ExpectRing(w.button->Face(), ring);
}

INSTANTIATE_TEST_SUITE_P(Command, RingPerSkin,
                         ::testing::Combine(::testing::ValuesIn(kRings),
                                            ::testing::Values(QSize(77, 25), QSize(41, 21),
                                                              QSize(117, 28))),
                         [](const auto& info) {
                             const QSize size = std::get<1>(info.param);
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::to_string(size.width()) + "x" +
                                    std::to_string(size.height());
                         });

// The gradient shows inside the ring: white on top unless the look is reversed.
struct GradientCase {
    const char* name;
    void (*reach)(ButtonWindow&);
    Skin skin;
    bool whiteTop;
};

const GradientCase kGradients[] = {
    {"Normal", [](ButtonWindow& w) { w.button->Initialize(); }, Skin::Normal, true},
    {"HighLight",
     [](ButtonWindow& w) {
         w.button->Initialize();
         w.PointerOverButton();
     },
     Skin::HighLight, false},
    {"HighLightSelectFromSelected",
     [](ButtonWindow& w) {
         w.button->Initialize();
         w.button->setFocus(Qt::TabFocusReason);
         w.PointerOverButton();
     },
     Skin::HighLightSelect, true},
    {"HighLightSelectAfterAClick",
     [](ButtonWindow& w) {
         w.button->Initialize();
         w.PointerOverButton();
         QTest::mouseClick(w.button.get(), Qt::LeftButton, {}, QPoint(8, 4));
     },
     Skin::HighLightSelect, false},
    {"DisableWhileHovering",
     [](ButtonWindow& w) {
         w.button->Initialize();
         w.PointerOverButton();
         w.button->SetEnabled(false);
     },
     Skin::Disable, false},
};

class GradientPerLook : public ::testing::TestWithParam<GradientCase> {};

TEST_P(GradientPerLook, RowsInsideTheRing) {
    const GradientCase& c = GetParam();
    ButtonWindow w;
    c.reach(w);
    QApplication::processEvents();
    ASSERT_EQ(w.button->LastSkin(), c.skin);
    const QImage& face = w.button->Face();
    // Rows worked out from the 16-bit channels for a 25-row face.
    const QRgb row4 = c.whiteTop ? 0xFFF5F5F8 : 0xFFCFCEDD;
    const QRgb row12 = 0xFFE2E2EB;
    const QRgb row20 = c.whiteTop ? 0xFFCFCEDD : 0xFFF5F5F8;
    for (const int x : {4, 38, 72}) {
        EXPECT_EQ(PixelAt(face, x, 4), row4) << x;
        EXPECT_EQ(PixelAt(face, x, 12), row12) << x;
        EXPECT_EQ(PixelAt(face, x, 20), row20) << x;
    }
}

INSTANTIATE_TEST_SUITE_P(Command, GradientPerLook, ::testing::ValuesIn(kGradients),
                         [](const auto& info) { return std::string(info.param.name); });

// Corners are copied as they are: the 77 x 25 face has the skin's own corner blocks and, at its
// natural height, the skin's left column from top to bottom.
TEST(CommandFace, CornersAndSidesComeFromTheSkin) {
    QImage skin(QStringLiteral(":/controls/skin_normal.bmp"));
    ASSERT_FALSE(skin.isNull());
    ButtonWindow w(77, 25);
    const QImage& face = w.button->Face();
    for (int y = 0; y < 25; ++y) {
        EXPECT_EQ(PixelAt(face, 0, y), PixelAt(skin, 0, y)) << y;
        EXPECT_EQ(PixelAt(face, 76, y), PixelAt(skin, 63, y)) << y;
    }
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(PixelAt(face, x, 21 + y), PixelAt(skin, x, 21 + y));
            EXPECT_EQ(PixelAt(face, 73 + x, y), PixelAt(skin, 60 + x, y));
        }
    }
}

TEST(CommandFace, CaptionSitsTenTwipsAboveTheCentre) {
    struct Case {
        QSize size;
        double topTwips;
        int topPixels;
    };
    for (const Case& c : {Case{QSize(77, 25), 80.0, 5}, Case{QSize(117, 28), 102.5, 7},
                          Case{QSize(41, 21), 50.0, 3}}) {
        ButtonWindow w(c.size.width(), c.size.height());
        SCOPED_TRACE(c.size.width());
        const QRectF twips = w.button->CaptionRectTwips();
        EXPECT_DOUBLE_EQ(twips.top(), c.topTwips);
        EXPECT_DOUBLE_EQ(twips.left(), 0.0);
        EXPECT_DOUBLE_EQ(twips.width(), c.size.width() * 15.0);
        EXPECT_DOUBLE_EQ(twips.height(), 195.0);
        const QRect label = w.button->CaptionLabel().geometry();
        EXPECT_EQ(label, QRect(0, c.topPixels, c.size.width(), 13));
        // Pressing changes only the skin.
        w.button->Initialize();
        PressWithoutFocus(*w.button);
        EXPECT_EQ(w.button->CaptionLabel().geometry(), label);
    }
}

// A new instance, before anything has placed it, keeps the caption where it was created.
TEST(CommandFace, NewCaptionLabel) {
    Command b;
    EXPECT_EQ(b.size(), QSize(117, 28));
    EXPECT_EQ(b.Caption(), QStringLiteral("Command"));
    EXPECT_EQ(b.CaptionRectTwips(), QRectF(0, 90, 1635, 195));
    EXPECT_EQ(b.CaptionLabel().geometry(), QRect(0, 6, 109, 13));
    EXPECT_EQ(b.FontColour(), 0u);
    EXPECT_EQ(b.Font().pixelSize(), 13);
    EXPECT_EQ(b.CaptionLabel().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_FALSE(b.CaptionLabel().autoFillBackground());
}

// The window shows the kept image, and only the caption while the body is transparent.
TEST(CommandFace, ShowsTheKeptImageAndTheTransparentBody) {
    ButtonWindow w;
    w.window->setAutoFillBackground(true);
    QPalette palette = w.window->palette();
    palette.setColor(QPalette::Window, QColor(0x12, 0x34, 0x56));
    w.window->setPalette(palette);
    QApplication::processEvents();

    const QImage shown = w.button->grab().toImage();
    const QImage& face = w.button->Face();
    for (const QPoint p : {QPoint(0, 0), QPoint(38, 1), QPoint(2, 12), QPoint(74, 22)}) {
        EXPECT_EQ(PixelAt(shown, p.x(), p.y()), PixelAt(face, p.x(), p.y()));
    }

    const int paints = w.button->PaintCount();
    w.button->SetVisible(0);
    EXPECT_EQ(w.button->PaintCount(), paints);
    EXPECT_EQ(w.button->Visible(), 0);
    const QImage hidden = w.window->grab().toImage();
    EXPECT_EQ(PixelAt(hidden, 20 + 38, 20 + 1), 0xFF123456u);
    EXPECT_TRUE(w.button->CaptionLabel().isVisible());

    w.button->SetVisible(1);
    EXPECT_EQ(w.button->PaintCount(), paints + 1);
    const QImage again = w.window->grab().toImage();
    EXPECT_EQ(PixelAt(again, 20 + 38, 20 + 1), controlstest::Rgb(0x003C74));
}

// The carried skins: 24-bit 64 x 25 files, HighLight and HighLightSelect the same byte for byte,
// flat along the middle of the top and bottom sides, rounded corners.
TEST(SkinFiles, SizesFormatAndRing) {
    const std::string folder = std::string(QUILLMERE_SOURCE_DIR) + "/assets/";
    const char* names[] = {"skin_normal.bmp",          "skin_highlight.bmp", "skin_selected.bmp",
                           "skin_highlightselect.bmp", "skin_pressed.bmp",   "skin_disable.bmp"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const auto bytes = testsupport::ReadFileBytes(folder + name);
        ASSERT_EQ(bytes.size(), 4854u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(bytes[28], 24);  // bits per pixel
        const QImage image(QString::fromStdString(folder + name));
        ASSERT_EQ(image.size(), QSize(64, 25));
        for (int x = 8; x < 56; ++x) {
            for (int layer = 0; layer < 4; ++layer) {
                EXPECT_EQ(image.pixel(x, layer), image.pixel(32, layer)) << x;
                EXPECT_EQ(image.pixel(x, 24 - layer), image.pixel(32, 24 - layer)) << x;
            }
        }
        // The corner is rounded: its diagonal pixel is neither side's line colour.
        EXPECT_NE(image.pixel(1, 1), image.pixel(32, 1));
        EXPECT_NE(image.pixel(1, 1), image.pixel(1, 12));
    }
    EXPECT_EQ(testsupport::ReadFileBytes(folder + "skin_highlight.bmp"),
              testsupport::ReadFileBytes(folder + "skin_highlightselect.bmp"));
    // The program carries the same pictures.
    for (const char* name : names) {
        EXPECT_EQ(QImage(QStringLiteral(":/controls/") + QLatin1String(name)),
                  QImage(QString::fromStdString(folder + name)))
            << name;
    }
}

}  // namespace
