// The painter's arithmetic without a widget: colour texts, the vertical gradient fill, the border
// piece geometry in 16-bit twips and nearest-pixel stretching.
#include <gtest/gtest.h>

#include <QImage>

#include <vector>

#include "skin_painter.h"

namespace {

using namespace quillmere;

constexpr QRgb kMagenta = 0xFFFF00FF;

struct ColourTextCase {
    const char* text;
    std::optional<std::uint16_t> red, green, blue;
};

TEST(ColourText, ChannelsAreReadInWrittenOrder) {
    const ColourTextCase cases[] = {
        {"&HFFFFFF", 0xFF00, 0xFF00, 0xFF00},
        {"&HC6C5D7", 0xC600, 0xC500, 0xD700},  // red first, not the platform's low-byte red
        {"&hc6c5d7", 0xC600, 0xC500, 0xD700},
        {"&HFF", 0x0000, 0x0000, 0xFF00},  // short values are padded on the left
        {"C6C5D7", std::nullopt, std::nullopt, std::nullopt},
        {"&HXYZ", std::nullopt, std::nullopt, std::nullopt},
        {"&H1000000", std::nullopt, std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ChannelOfColourText(c.text, 0), c.red);
        EXPECT_EQ(ChannelOfColourText(c.text, 1), c.green);
        EXPECT_EQ(ChannelOfColourText(c.text, 2), c.blue);
    }
    GradientVertex vertex{3, 4, 1, 2, 3, 4};
    EXPECT_FALSE(SetVertexColour(vertex, "nonsense"));
    EXPECT_EQ(vertex.red, 1);  // a text that is no colour leaves the vertex as it was
}

QImage FilledFace(int w, int h, bool reversed) {
    QImage face(w, h, QImage::Format_ARGB32_Premultiplied);
    face.fill(kMagenta);
    const ButtonGradient g = MakeButtonGradient(w, h, reversed);
    EXPECT_TRUE(GradientFillRectV(face, g.vertices, g.span));
    return face;
}

struct RowCase {
    int y;
    QRgb colour;
};

// Row colours of a 25-row face, worked out by hand from the 16-bit channel values; the last
// filled row (23) stops short of the bottom colour, which a pixel-centre gradient would reach.
TEST(GradientFill, RowColoursOfA25RowFace) {
    const RowCase whiteTop[] = {
        {0, 0xFFFFFFFF}, {4, 0xFFF5F5F8}, {12, 0xFFE2E2EB}, {20, 0xFFCFCEDD}, {23, 0xFFC8C7D8}};
    const RowCase reversed[] = {
        {0, 0xFFC6C5D7}, {4, 0xFFCFCEDD}, {12, 0xFFE2E2EB}, {20, 0xFFF5F5F8}, {23, 0xFFFCFCFD}};
    const QImage plain = FilledFace(77, 25, false);
    const QImage turned = FilledFace(77, 25, true);
    for (const auto& row : whiteTop) {
        SCOPED_TRACE(row.y);
        EXPECT_EQ(plain.pixel(0, row.y), row.colour);
        EXPECT_EQ(plain.pixel(75, row.y), row.colour);
    }
    for (const auto& row : reversed) {
        SCOPED_TRACE(row.y);
        EXPECT_EQ(turned.pixel(40, row.y), row.colour);
    }
}

TEST(GradientFill, LeavesTheLastRowAndColumn) {
    const QImage face = FilledFace(9, 7, false);
    for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(face.pixel(x, 6), kMagenta) << x;
    }
    for (int y = 0; y < 7; ++y) {
        EXPECT_EQ(face.pixel(8, y), kMagenta) << y;
    }
    EXPECT_NE(face.pixel(7, 5), kMagenta);
}

TEST(GradientFill, TopColourComesFromTheHigherVertex) {
    // The span names the lower-right vertex first; the fill still puts vertex 0 (at the top)
    // in the top row, whichever way round the span is given.
    QImage a(10, 10, QImage::Format_RGB32);
    QImage b(10, 10, QImage::Format_RGB32);
    ButtonGradient g = MakeButtonGradient(10, 10, false);
    ASSERT_TRUE(GradientFillRectV(a, g.vertices, g.span));
    g.span = {0, 1};
    ASSERT_TRUE(GradientFillRectV(b, g.vertices, g.span));
    EXPECT_EQ(a.pixel(3, 0), 0xFFFFFFFF);
    EXPECT_EQ(a.copy(0, 0, 9, 9), b.copy(0, 0, 9, 9));
}

TEST(GradientFill, RejectsIndicesOutsideTheVertices) {
    QImage face(6, 6, QImage::Format_RGB32);
    face.fill(kMagenta);
    const ButtonGradient g = MakeButtonGradient(6, 6, false);
    EXPECT_FALSE(GradientFillRectV(face, g.vertices, GradientSpan{4, 0}));
    EXPECT_EQ(face.pixel(0, 0), kMagenta);
    // Faces of one row or column have nothing to fill and must not divide by zero.
    QImage thin(5, 1, QImage::Format_RGB32);
    thin.fill(kMagenta);
    const ButtonGradient t = MakeButtonGradient(5, 1, false);
    EXPECT_TRUE(GradientFillRectV(thin, t.vertices, t.span));
    EXPECT_EQ(thin.pixel(0, 0), kMagenta);
}

struct PieceCase {
    Rect dest;
    Rect source;
};

void ExpectPieces(int wTwips, int hTwips, const std::vector<PieceCase>& expected) {
    const auto pieces = SkinPieces(wTwips, hTwips);
    ASSERT_TRUE(pieces.has_value());
    ASSERT_EQ(pieces->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const PixelPiece p = ToPixels((*pieces)[i]);
        EXPECT_EQ(p.dest, expected[i].dest);
        EXPECT_EQ(p.source, expected[i].source);
    }
}

// 1155 x 375 twips (77 x 25): sides of 69 and 17 pixels, the skin at its natural height.
TEST(SkinPieces, SetButtonSize) {
    const auto pieces = SkinPieces(1155, 375);
    ASSERT_TRUE(pieces);
    EXPECT_EQ((*pieces)[1].destWidth, 1035);
    EXPECT_EQ((*pieces)[3].destHeight, 255);
    EXPECT_EQ((*pieces)[0].destX, 1);  // the offset of 1 twip ...
    ExpectPieces(1155, 375,
                 {
                     {Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}},  // ... falls on pixel 0
                     {Rect{4, 0, 69, 4}, Rect{4, 0, 56, 4}},
                     {Rect{73, 0, 4, 4}, Rect{60, 0, 4, 4}},
                     {Rect{73, 4, 4, 17}, Rect{60, 4, 4, 17}},
                     {Rect{73, 21, 4, 4}, Rect{60, 21, 4, 4}},
                     {Rect{4, 21, 69, 4}, Rect{4, 21, 56, 4}},
                     {Rect{0, 21, 4, 4}, Rect{0, 21, 4, 4}},
                     {Rect{0, 4, 4, 17}, Rect{0, 4, 4, 17}},
                 });
}

// 615 x 315 twips (41 x 21): the sides shrink from 17 to 13 pixels.
TEST(SkinPieces, FileButtonSize) {
    ExpectPieces(615, 315,
                 {
                     {Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}},
                     {Rect{4, 0, 33, 4}, Rect{4, 0, 56, 4}},
                     {Rect{37, 0, 4, 4}, Rect{60, 0, 4, 4}},
                     {Rect{37, 4, 4, 13}, Rect{60, 4, 4, 17}},
                     {Rect{37, 17, 4, 4}, Rect{60, 21, 4, 4}},
                     {Rect{4, 17, 33, 4}, Rect{4, 21, 56, 4}},
                     {Rect{0, 17, 4, 4}, Rect{0, 21, 4, 4}},
                     {Rect{0, 4, 4, 13}, Rect{0, 4, 4, 17}},
                 });
}

TEST(SkinPieces, SizesBeyond16BitsAreRefused) {
    EXPECT_TRUE(SkinPieces(32767, 32767).has_value());
    EXPECT_FALSE(SkinPieces(32768, 375).has_value());
    EXPECT_FALSE(SkinPieces(1155, 40000).has_value());
    // Tiny faces give empty or inverted sides, which drawing skips.
    const auto tiny = SkinPieces(90, 90);
    ASSERT_TRUE(tiny);
    EXPECT_LT(ToPixels((*tiny)[1]).dest.width, 0);
}

// A source whose pixel (x, y) encodes its own coordinates.
QImage CoordinateImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x, y, 0));
        }
    }
    return image;
}

TEST(DrawPiece, StretchesWithoutSmoothing) {
    const QImage skin = CoordinateImage(3, 1);
    QImage face(6, 1, QImage::Format_RGB32);
    face.fill(kMagenta);
    DrawPiece(face, QRect(0, 0, 6, 1), skin, QRect(0, 0, 3, 1));
    const int expected[] = {0, 0, 1, 1, 2, 2};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(qRed(face.pixel(x, 0)), expected[x]) << x;
    }
}

TEST(DrawPiece, ShrinksAKeepingEndsAndMiddle) {
    // The side rows 4..20 of a skin squeezed into 13 rows, as for a 21-pixel button.
    const QImage skin = CoordinateImage(4, 25);
    QImage face(4, 13, QImage::Format_RGB32);
    DrawPiece(face, QRect(0, 0, 4, 13), skin, QRect(0, 4, 4, 17));
    EXPECT_EQ(qGreen(face.pixel(0, 0)), 4);
    EXPECT_EQ(qGreen(face.pixel(0, 12)), 20);
    EXPECT_EQ(qGreen(face.pixel(0, 6)), 12);  // the middle row stays the skin's middle row
    for (int y = 1; y < 13; ++y) {
        EXPECT_GT(qGreen(face.pixel(0, y)), qGreen(face.pixel(0, y - 1))) << y;
    }
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(qRed(face.pixel(x, 5)), x);  // columns copied one to one
    }
}

TEST(DrawPiece, ClipsAndSkipsEmptyRectangles) {
    const QImage skin = CoordinateImage(8, 8);
    QImage face(5, 5, QImage::Format_RGB32);
    face.fill(kMagenta);
    DrawPiece(face, QRect(3, 3, 4, 4), skin, QRect(0, 0, 4, 4));
    EXPECT_EQ(face.pixel(4, 4), qRgb(1, 1, 0));
    EXPECT_EQ(face.pixel(2, 2), kMagenta);
    DrawPiece(face, QRect(0, 0, 0, 4), skin, QRect(0, 0, 4, 4));
    DrawPiece(face, QRect(0, 0, -3, 4), skin, QRect(0, 0, 4, 4));
    DrawPiece(face, QRect(0, 0, 4, 4), QImage(), QRect(0, 0, 4, 4));
    EXPECT_EQ(face.pixel(0, 0), kMagenta);
    // A source rectangle beyond the skin leaves those pixels alone.
    DrawPiece(face, QRect(0, 0, 2, 2), skin, QRect(7, 7, 2, 2));
    EXPECT_EQ(face.pixel(0, 0), qRgb(7, 7, 0));
    EXPECT_EQ(face.pixel(1, 1), kMagenta);
}

}  // namespace
