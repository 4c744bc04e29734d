// Where the settings dialog puts its controls, what they say, and the arithmetic of its drawn
// background and tiled panel. Plain C++ so the numbers can be checked without a display.
#pragma once

#include <cstdint>
#include <vector>

#include "twips.h"

namespace quillmere::dialog_layout {

// A control's place in twips, relative to the client area of its container.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Twips to pixels, truncating like the platform does for whole-pixel positions.
constexpr int TwipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}

constexpr PixelRect ToPixels(const TwipRect& r) {
    return {TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width),
            TwipsToPixels(r.height)};
}

// Placement of every control of the dialog, in twips.

inline constexpr int kClientWidth = 7440;   // 496 px
inline constexpr int kClientHeight = 3690;  // 246 px

// On the dialog.
inline constexpr TwipRect Pic_C{180, 240, 7035, 2475};
inline constexpr TwipRect lbl7{180, 2880, 2475, 195};
inline constexpr TwipRect lbl_URL{180, 3120, 3285, 195};
inline constexpr TwipRect Cmd_Set{4860, 3000, 1155, 375};
inline constexpr TwipRect Cmd_Can{6060, 3000, 1155, 375};

// Inside Pic_C.
inline constexpr TwipRect Shape3{300, 300, 1695, 315};
inline constexpr TwipRect lbl15{300, 360, 1665, 195};
inline constexpr TwipRect Img_BGM[3] = {
    {420, 1140, 195, 195},  // no music
    {420, 840, 195, 195},   // audio CD
    {420, 1440, 195, 195},  // music file
};
inline constexpr TwipRect lbl_BGM[3] = {
    {660, 1140, 330, 195},
    {660, 840, 645, 195},
    {660, 1440, 900, 195},
};
inline constexpr TwipRect BGM_Repeat{1680, 780, 615, 300};
inline constexpr TwipRect lbl14{2340, 840, 990, 195};
inline constexpr TwipRect Cmd_File{1680, 1380, 615, 315};
inline constexpr TwipRect lbl_Fname{660, 1740, 6135, 495};

// Never shown: the holder of the panel tile.
inline constexpr TwipRect Pic_Mbl{120, 4680, 8340, 300};

// The texts of the window and its controls (UTF-8).
inline constexpr char kDialogCaption[] = "Quillmere";
inline constexpr const char* kKindNames[3] = {"なし", "音楽CD", "MP3、WAV"};  // lbl_BGM
inline constexpr char kRepeatCaption[] = "曲目をﾘﾋﾟｰﾄ";                       // lbl14
inline constexpr char kPanelHeading[] = "BGM";                                // lbl15
inline constexpr char kCreditLine[] = "Quillmere  Ver.1.0.0";                 // lbl7
inline constexpr char kSetCaption[] = "設定";                                 // Cmd_Set
inline constexpr char kCancelCaption[] = "ｷｬﾝｾﾙ";                             // Cmd_Can
inline constexpr char kFileButtonCaption[] = "...";                           // Cmd_File

// Colours as 0xRRGGBB.
inline constexpr std::uint32_t kDialogBackColour = 0xC0C0C0;
inline constexpr std::uint32_t kPanelBackColour = 0xE0E0E0;

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Rounds to the nearest whole number, halves to the even one (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// Colour of line y of the shaded background of a client area height pixels high.
Rgb BackgroundLineColour(int y, double height);

// The colours of every line of the shaded background: lines 0 to height rounded, inclusive.
std::vector<Rgb> BackgroundLineColours(double height);

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Where tiles are copied to cover a target, column by column from the top-left corner, until the
// first column and row beyond the target's edges. Empty for a tile without area.
std::vector<Point> TilePositions(int tileWidth, int tileHeight, int targetWidth, int targetHeight);

// Top-left corner of the dialog in twips: centred horizontally, a third of the free height from
// the top (truncating divisions). Sizes are outer sizes in twips.
Point DialogPlacement(long long screenWidth, long long screenHeight, long long dialogWidth,
                      long long dialogHeight);

}  // namespace quillmere::dialog_layout
