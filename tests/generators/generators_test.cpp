// texture_set_test.cpp -- The procedural pictures: textures reproducible, tiling where they must and with the
// ranges the effects rely on, and the bitmap font atlas with the cell layout the Text effect samples.
#include "generators/texture_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include "generators/font_atlas.h"
#include "generators/noise.h"

namespace qv3rn {
namespace {

TEST(ProceduralTextures, NoiseIsReproducibleSeededAndTiles) {
    EXPECT_EQ(makeNoise(64, 3u).pixels, makeNoise(64, 3u).pixels);
    EXPECT_NE(makeNoise(64, 3u).pixels, makeNoise(64, 4u).pixels);
    for (float x : {0.3f, 1.7f, 5.25f})
        for (float y : {0.1f, 2.9f}) {
            EXPECT_FLOAT_EQ(valueNoise(x, y, 4, 9u), valueNoise(x + 4.0f, y, 4, 9u));
            EXPECT_FLOAT_EQ(valueNoise(x, y, 4, 9u), valueNoise(x, y - 8.0f, 4, 9u));
            const float v = fractalNoise(x, y, 4, 5, 9u);
            EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << v;
        }
}

TEST(ProceduralTextures, BrushesAndFlaresSpanTheirRangesAndFadeToNothingAtTheirEdges) {
    const Picture dissolve = makeDissolveBrush(128, 61u);
    ASSERT_EQ(dissolve.channels, 4);
    std::set<int> alphas;  // every alpha level, so that a dissolve reveals all
    for (size_t i = 0; i < dissolve.pixels.size(); i += 4) {
        ASSERT_EQ(dissolve.pixels[i], 255);  // white: the revealed picture keeps its colours
        alphas.insert(dissolve.pixels[i + 3]);
    }
    EXPECT_EQ((std::array{*alphas.begin(), *alphas.rbegin()}), (std::array{0, 255}));
    const Picture soft = makeSoftBrush(64);
    EXPECT_GT(soft.at(32, 32)[3], 240);
    EXPECT_EQ(soft.at(0, 0)[3] + soft.at(63, 32)[3], 0);
    for (int index = 1; index <= 6; ++index) {
        const Picture flare = makeLensFlare(index, 64);
        EXPECT_GT(*std::max_element(flare.pixels.begin(), flare.pixels.end()), 60) << "sprite " << index;
        for (int i = 0; i < 64; ++i)  // additive sprites must not show their square outline
            ASSERT_EQ(flare.at(i, 0)[0] + flare.at(0, i)[1] + flare.at(63, i)[2], 0) << "sprite " << index;
    }
}

TEST(ProceduralTextures, LightMapsFollowTheirShapes) {
    const Picture attenuation = makeAttenuation1D(256);
    ASSERT_EQ(attenuation.height, 1);
    EXPECT_EQ(attenuation.at(0, 0)[0] - attenuation.at(255, 0)[0], 255);
    for (int x = 1; x < 256; ++x) EXPECT_LE(attenuation.at(x, 0)[0], attenuation.at(x - 1, 0)[0]) << x;
    // The spot cone looks down -Z: the centre of that face is lit, the opposite face and the side faces' far
    // edges are dark.
    EXPECT_GT(makeSpotFace(5, 64).at(32, 32)[0], 240);
    EXPECT_EQ(makeSpotFace(4, 64).at(32, 32)[0], 0);
    EXPECT_EQ(makeSpotFace(0, 64).at(2, 32)[0], 0);
}

TEST(ProceduralTextures, RecipesHaveUniqueNamesTheDecodersKnow) {
    std::set<std::string> names, extensions;
    for (const TextureRecipe& recipe : textureRecipes()) {
        const std::string name = recipe.fileName;
        EXPECT_TRUE(names.insert(name).second) << name;
        extensions.insert(name.substr(name.rfind('.') + 1));
    }
    EXPECT_EQ(extensions, (std::set<std::string>{"jpg", "png", "tga"}));  // the show's scripts name each file
    const Picture loading = makeLoadingPicture();
    EXPECT_EQ(loading.width * 3, loading.height * 4);
}

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
    for (size_t i = 0; i < atlas.pixels.size(); i += 4)  // the Text effect's colour alone tints the ink
        ASSERT_TRUE(!atlas.pixels[i + 3] || atlas.pixels[i] == 255) << i;
    EXPECT_FALSE(makeFontAtlas("no_such_font.ttf", atlas, error));
    EXPECT_NE(error.find("no_such_font.ttf"), std::string::npos);
}

TEST(FontAtlas, TextFadePictureHasSharpTextAboveAndBlurredBelow) {
    Picture picture;
    std::string error;
    ASSERT_TRUE(makeTextFadePicture(kFont, "Dravinoke", picture, error)) << error;
    ASSERT_EQ((std::array{picture.width, picture.height}), (std::array{256, 256}));
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
