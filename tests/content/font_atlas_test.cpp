// The bitmap font atlas: the cell layout the Text effect samples, and the TextFade picture's two halves.
#include "generators/font_atlas.h"

#include <gtest/gtest.h>

namespace qv3rn {
namespace {

const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

int inkInCell(const Picture& atlas, int index, int* border = nullptr) {
    const int cellX = (index % 16) * kFontCellSize, cellY = (index / 16) * kFontCellSize;
    int ink = 0;
    for (int y = 0; y < kFontCellSize; ++y)
        for (int x = 0; x < kFontCellSize; ++x) {
            const int a = atlas.at(cellX + x, cellY + y)[3];
            ink += a;
            if (border && a && (x == 0 || y == 0 || x == kFontCellSize - 1 || y == kFontCellSize - 1)) ++*border;
        }
    return ink;
}

TEST(FontAtlas, EveryPrintableCharacterHasInkInItsOwnCellOnly) {
    Picture atlas;
    std::string error;
    ASSERT_TRUE(makeFontAtlas(kFont, atlas, error)) << error;
    ASSERT_EQ(atlas.width, 512);
    ASSERT_EQ(atlas.height, 512);
    ASSERT_EQ(atlas.channels, 4);
    int border = 0;
    for (int ch = '!'; ch <= '~'; ++ch) EXPECT_GT(inkInCell(atlas, ch - kFontFirstChar, &border), 0) << char(ch);
    EXPECT_EQ(border, 0);  // glyphs never touch their cell's edge, so filtering cannot bleed between cells
    EXPECT_EQ(inkInCell(atlas, 127 - kFontFirstChar), 0);
    // "." is small, "W" is wide: the ink matches the glyph, so the cells are in character order.
    EXPECT_GT(inkInCell(atlas, 'W' - kFontFirstChar), 3 * inkInCell(atlas, '.' - kFontFirstChar));
    // Colour is white wherever there is ink, so the Text effect's colour alone tints it.
    for (size_t i = 0; i < atlas.pixels.size(); i += 4) {
        if (atlas.pixels[i + 3]) {
            ASSERT_EQ(atlas.pixels[i], 255);
        }
    }
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

TEST(FontAtlas, MissingFontIsReportedByName) {
    Picture atlas;
    std::string error;
    EXPECT_FALSE(makeFontAtlas("no_such_font.ttf", atlas, error));
    EXPECT_NE(error.find("no_such_font.ttf"), std::string::npos);
}

}  // namespace
}  // namespace qv3rn
