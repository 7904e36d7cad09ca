// The bitmap font atlas: the cell layout the Text effect samples, and the TextFade picture's two halves.
#include "generators/font_atlas.h"

#include <gtest/gtest.h>

#include <array>

namespace qv3rn {
namespace {

const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The alpha in a character's cell; `border` counts the inked pixels on the cell's edge.
int inkInCell(const Picture& atlas, int character, int& border) {
    const int index = character - kFontFirstChar;
    const int cellX = (index % 16) * kFontCellSize, cellY = (index / 16) * kFontCellSize;
    int ink = 0;
    for (int y = 0; y < kFontCellSize; ++y)
        for (int x = 0; x < kFontCellSize; ++x) {
            const int a = atlas.at(cellX + x, cellY + y)[3];
            ink += a;
            border += a && (x == 0 || y == 0 || x == kFontCellSize - 1 || y == kFontCellSize - 1);
        }
    return ink;
}

TEST(FontAtlas, EveryPrintableCharacterHasWhiteInkInItsOwnCellOnly) {
    Picture atlas;
    std::string error;
    ASSERT_TRUE(makeFontAtlas(kFont, atlas, error)) << error;
    ASSERT_EQ((std::array<int, 3>{atlas.width, atlas.height, atlas.channels}), (std::array<int, 3>{512, 512, 4}));
    int border = 0;
    for (int ch = '!'; ch <= '~'; ++ch) EXPECT_GT(inkInCell(atlas, ch, border), 0) << char(ch);
    EXPECT_EQ(border, 0);  // glyphs never touch their cell's edge, so filtering cannot bleed between cells
    EXPECT_EQ(inkInCell(atlas, 127, border), 0);
    // "." is small, "W" is wide: the ink matches the glyph, so the cells are in character order.
    EXPECT_GT(inkInCell(atlas, 'W', border), 3 * inkInCell(atlas, '.', border));
    for (size_t i = 0; i < atlas.pixels.size(); i += 4) {  // the Text effect's colour alone tints the ink
        if (atlas.pixels[i + 3]) {
            ASSERT_EQ(atlas.pixels[i], 255);
        }
    }
    EXPECT_FALSE(makeFontAtlas("no_such_font.ttf", atlas, error));
    EXPECT_NE(error.find("no_such_font.ttf"), std::string::npos);
}

TEST(FontAtlas, TextFadePictureHasSharpTextAboveAndBlurredBelow) {
    Picture picture;
    std::string error;
    ASSERT_TRUE(makeTextFadePicture(kFont, "Dravinoke", picture, error)) << error;
    ASSERT_EQ(picture.width, 256);
    ASSERT_EQ(picture.height, 256);
    int sharpMax = 0, blurMax = 0, sharpCovered = 0, blurCovered = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x) {
            const int s = picture.at(x, y)[3], b = picture.at(x, y + 128)[3];
            sharpMax = std::max(sharpMax, s), blurMax = std::max(blurMax, b);
            sharpCovered += s > 0, blurCovered += b > 0;
        }
    EXPECT_EQ(sharpMax, 255);
    EXPECT_LT(blurMax, sharpMax);
    EXPECT_GT(blurCovered, sharpCovered);
}

}  // namespace
}  // namespace qv3rn
