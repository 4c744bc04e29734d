#include <gtest/gtest.h>

#include <vector>

#include "dialog_layout.h"
#include "repeat_text.h"

namespace {

using quillmere::dialog_layout::BackgroundLineColour;
using quillmere::dialog_layout::BackgroundLineColours;
using quillmere::dialog_layout::DialogPlacement;
using quillmere::dialog_layout::Point;
using quillmere::dialog_layout::Rgb;
using quillmere::dialog_layout::TilePositions;
using quillmere::dialog_layout::TwipRect;
namespace layout = quillmere::dialog_layout;
using quillmere::dialog_layout::RoundHalfEven;

TEST(DialogLayout, RoundsHalvesToTheEvenNumber) {
    const struct {
        double value;
        double expected;
    } cases[] = {{2.5, 2},     {3.5, 4},   {0.5, 0},    {1.5, 2},    {-0.5, 0},
                 {-1.5, -2},   {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {219.5, 220},
                 {218.5, 218}, {0, 0},     {-0.49, 0},  {7, 7},      {32767.5, 32768}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundHalfEven(c.value), c.expected) << c.value;
    }
}

TEST(DialogLayout, BackgroundIsANavyBandLightestAtHalfHeight) {
    const std::vector<Rgb> lines = BackgroundLineColours(246);
    ASSERT_EQ(lines.size(), 247u);  // y = 0 to 246 inclusive
    EXPECT_EQ(lines[0], (Rgb{0, 0, 30}));
    EXPECT_EQ(lines[123], (Rgb{220, 220, 250}));
    EXPECT_EQ(lines[246], (Rgb{0, 0, 30}));
    for (int y = 0; y < 123; ++y) {
        // Rises to the middle, and every line is bluish grey.
        EXPECT_LE(lines[y].red, lines[y + 1].red) << y;
        EXPECT_EQ(lines[y].red, lines[y].green) << y;
        EXPECT_EQ(lines[y].blue, lines[y].red + 30) << y;
    }
    // |sin| over 0..pi: the lower half mirrors the upper within one step of rounding.
    for (int y = 0; y <= 246; ++y) {
        EXPECT_NEAR(lines[y].red, lines[246 - y].red, 1) << y;
    }
}

TEST(DialogLayout, BackgroundLinesFollowTheRoundedHeight) {
    EXPECT_EQ(BackgroundLineColours(10.5).size(), 11u);  // 10.5 rounds to 10: lines 0..10
    EXPECT_EQ(BackgroundLineColours(11.5).size(), 13u);  // 11.5 rounds to 12
    EXPECT_EQ(BackgroundLineColours(0).size(), 1u);
    EXPECT_EQ(BackgroundLineColour(0, 0), (Rgb{0, 0, 30}));  // no division by zero
    // sin(41 / (246 / 3.142)) * 220 = 110.007: a sixth of the way down is half as light.
    EXPECT_EQ(BackgroundLineColour(41, 246), (Rgb{110, 110, 140}));
}

TEST(DialogLayout, TilesCoverColumnByColumnOneBeyondEachEdge) {
    const struct {
        const char* what;
        int tileW, tileH, targetW, targetH;
        std::vector<Point> expected;
    } cases[] = {
        {"one column covers the panel",
         556,
         20,
         469,
         165,
         {{0, 0},    {0, 20},    {0, 40},    {0, 60},    {0, 80},    {0, 100},  {0, 120},
          {0, 140},  {0, 160},   {0, 180},   {556, 0},   {556, 20},  {556, 40}, {556, 60},
          {556, 80}, {556, 100}, {556, 120}, {556, 140}, {556, 160}, {556, 180}}},
        {"edges that meet a tile exactly still get one more",
         10,
         10,
         20,
         10,
         {{0, 0},
          {0, 10},
          {0, 20},
          {10, 0},
          {10, 10},
          {10, 20},
          {20, 0},
          {20, 10},
          {20, 20},
          {30, 0},
          {30, 10},
          {30, 20}}},
        {"empty target", 5, 5, 0, 0, {{0, 0}, {0, 5}, {5, 0}, {5, 5}}},
        {"tile without width", 0, 20, 469, 165, {}},
        {"tile without height", 556, 0, 469, 165, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TilePositions(c.tileW, c.tileH, c.targetW, c.targetH), c.expected) << c.what;
    }
}

TEST(DialogLayout, DialogSitsCentredAThirdDown) {
    const struct {
        long long screenW, screenH, dialogW, dialogH;
        Point expected;
    } cases[] = {
        {9600, 7200, 7530, 4200, {1035, 1000}},  // 640 x 480 screen, framed dialog
        {9601, 7202, 7440, 3690, {1080, 1170}},  // odd differences truncate
        {7440, 3690, 7440, 3690, {0, 0}},
        {6000, 3000, 7440, 3690, {-720, -230}},  // larger than the screen: truncates to zero
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DialogPlacement(c.screenW, c.screenH, c.dialogW, c.dialogH), c.expected)
            << c.screenW << "x" << c.screenH;
    }
}

bool Inside(const TwipRect& inner, int width, int height) {
    return inner.left >= 0 && inner.top >= 0 && inner.left + inner.width <= width &&
           inner.top + inner.height <= height;
}

TEST(DialogLayout, ControlsFitTheirContainersAndThePixelGrid) {
    for (const TwipRect& r :
         {layout::Pic_C, layout::lbl7, layout::lbl_URL, layout::Cmd_Set, layout::Cmd_Can}) {
        EXPECT_TRUE(Inside(r, layout::kClientWidth, layout::kClientHeight))
            << r.left << "," << r.top;
    }
    const TwipRect inPanel[] = {layout::Shape3,     layout::lbl15,      layout::Img_BGM[0],
                                layout::Img_BGM[1], layout::Img_BGM[2], layout::lbl_BGM[0],
                                layout::lbl_BGM[1], layout::lbl_BGM[2], layout::BGM_Repeat,
                                layout::lbl14,      layout::Cmd_File,   layout::lbl_Fname};
    for (const TwipRect& r : inPanel) {
        EXPECT_TRUE(Inside(r, layout::Pic_C.width, layout::Pic_C.height)) << r.left << "," << r.top;
        // Every place is whole pixels, so converting loses nothing.
        for (int v : {r.left, r.top, r.width, r.height}) {
            EXPECT_EQ(v % quillmere::kTwipsPerPixel, 0) << v;
        }
    }
    // The tile holder lies below the client area: never seen.
    EXPECT_GE(layout::Pic_Mbl.top, layout::kClientHeight);
    EXPECT_EQ(layout::ToPixels(layout::Pic_Mbl), (layout::PixelRect{8, 312, 556, 20}));
    // The three choices read from top to bottom: audio CD, none, music file.
    EXPECT_LT(layout::Img_BGM[1].top, layout::Img_BGM[0].top);
    EXPECT_LT(layout::Img_BGM[0].top, layout::Img_BGM[2].top);
}

TEST(RepeatText, ShowsNumbersInTheHashPattern) {
    const struct {
        int value;
        const char* text;
    } cases[] = {{0, ""},    {1, "1"},         {30, "30"},        {45, "45"},
                 {-3, "-3"}, {32767, "32767"}, {-32768, "-32768"}};
    for (const auto& c : cases) {
        EXPECT_EQ(quillmere::FormatRepeatNumber(c.value), c.text) << c.value;
    }
}

TEST(RepeatText, StoresTheRoundedNumberOrZero) {
    const struct {
        const char* text;
        int stored;
    } cases[] = {
        {"", 0},
        {"7", 7},
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"-3", -3},
        {"45", 45},
        {" 12 ", 12},
        {"+5", 5},
        {".5", 0},
        {"1.", 1},
        {"1e1", 10},
        {"2.5E0", 2},
        {"abc", 0},
        {"7a", 0},
        {"1.2.3", 0},
        {"5-", 0},
        {"-", 0},
        {".", 0},
        {"e5", 0},
        {"1e", 0},
        {"inf", 0},
        {"nan", 0},
        {"0x10", 0},
        {"１２", 12},           // full-width digits, as a Japanese input method types them
        {"－３", -3},           // full-width minus
        {"２．５", 2},          // full-width point
        {"\u3000７\u3000", 7},  // ideographic blanks
        {"１2", 12},
        {"十二", 0},
        {"32767", 32767},
        {"-32768", -32768},
        {"32767.4", 32767},
        {"32767.5", 0},        // rounds to 32768: beyond 16 bits
        {"-32768.5", -32768},  // rounds to the even -32768
        {"32768", 0},
        {"99999", 0},
        {"-99999", 0},
        {"1e400", 0},
        {"1e-400", 0},
        {"000000000000000000000000000000000000000000042", 42},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quillmere::RepeatValueOfText(c.text), c.stored) << '"' << c.text << '"';
    }
}

}  // namespace
