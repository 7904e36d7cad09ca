// Tests of bitmap-font text: glyph cells of the font grid, glyphs placed about the pen, per-glyph rotation,
// the alpha that starts at 0, keyword order and the error for an unknown line.
#include "effects/text_effect.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "overlay_test_support.h"

namespace qv3rn {
namespace {

using test::constantField;
using test::loadBlock;
using test::nearColour;

constexpr float cell = 1.0f / 16.0f;

class TextEffectTest : public test::OverlayTest {
protected:
    // A 512 x 512 font whose "A" cell (column 0, row 2) is opaque red and "B" cell (column 1, row 2) opaque
    // green; every other texel is transparent.
    void addFont() {
        addImage("font.png", 512, 512, [](int x, int y) -> std::uint32_t {
            if (y < 64 || y >= 96) return 0;
            if (x < 32) return 0xFF0000FFu;
            if (x < 64) return 0x00FF00FFu;
            return 0;
        });
    }
    static bool blank(float x, float y) { return screenPixel(x, y)[0] < 30 && screenPixel(x, y)[1] < 30; }

    TextEffectLoader loader;
};

TEST(TextGlyphCell, CellsStartWithTheExclamationMarkInTheTopLeftCorner) {
    auto expectCell = [](signed char ch, float left, float top, float right, float bottom) {
        const TextEffect::GlyphCell glyph = TextEffect::glyphCell(ch);
        EXPECT_FLOAT_EQ(glyph.leftU, left) << int(ch);
        EXPECT_FLOAT_EQ(glyph.topV, top) << int(ch);
        EXPECT_FLOAT_EQ(glyph.rightU, right) << int(ch);
        EXPECT_FLOAT_EQ(glyph.bottomV, bottom) << int(ch);
    };
    expectCell('!', 0.0f, 0.0f, cell, cell);
    expectCell('A', 0.0f, 2 * cell, cell, 3 * cell);  // 65 - 33 = 32: column 0, row 2
    expectCell('B', cell, 2 * cell, 2 * cell, 3 * cell);
    expectCell('0', 15 * cell, 0.0f, 1.0f, cell);  // the last column ends at the picture's edge
    // Below "!" the cells lie before the grid: the space is column -1 of row 0 (C division keeps the sign).
    expectCell(' ', -cell, 0.0f, 0.0f, cell);
    // A byte above 127 is negative: -56 - 33 = -89 gives column -9, row -5.
    expectCell(static_cast<signed char>(200), -9 * cell, -5 * cell, -8 * cell, -4 * cell);
}

TEST_F(TextEffectTest, KeywordsAreTestedLongestFirstWhereOneContainsAnother) {
    addFont();
    test::LoadedBlock block = loadBlock(loader, "Message \"HELLO\"\nFont \"font.png\"\nFontSize 16 24\nColor 1 0.5 0.25 0.8\n" +
                                                    constantField("FontRotation {", 30.0f) +
                                                    constantField("Rotation {", 10.0f) +
                                                    constantField("FontScaleX {", 2.0f) +
                                                    constantField("FontScaleY {", 3.0f) +
                                                    constantField("ScaleX {", 4.0f) + constantField("ScaleY {", 5.0f) +
                                                    constantField("Alpha {", 0.5f) + constantField("PositionX {", 6.0f) +
                                                    constantField("PositionY {", 7.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    auto& text = test::as<TextEffect>(block);
    EXPECT_EQ(text.message, "HELLO");
    ASSERT_NE(text.font(), nullptr);
    EXPECT_FLOAT_EQ(text.fontWidth, 16.0f);
    EXPECT_FLOAT_EQ(text.fontHeight, 24.0f);
    EXPECT_EQ(text.color, (std::array<float, 4>{1.0f, 0.5f, 0.25f, 0.8f}));
    EXPECT_TRUE(text.init());
    text.update(1.0f);
    EXPECT_FLOAT_EQ(text.fontRotation.value, 30.0f);
    EXPECT_FLOAT_EQ(text.rotation.value, 10.0f);
    EXPECT_FLOAT_EQ(text.fontScaleX.value, 2.0f);
    EXPECT_FLOAT_EQ(text.fontScaleY.value, 3.0f);
    EXPECT_FLOAT_EQ(text.scaleX.value, 4.0f);
    EXPECT_FLOAT_EQ(text.scaleY.value, 5.0f);
    EXPECT_FLOAT_EQ(text.alpha.value, 0.5f);
    EXPECT_FLOAT_EQ(text.positionX.value, 6.0f);
    EXPECT_FLOAT_EQ(text.positionY.value, 7.0f);
}

TEST_F(TextEffectTest, AnUnknownLineRaisesAnErrorThatIsTheLineItself) {
    try {
        loadBlock(loader, "Message \"x\"\nKerning 2\n}\n");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Kerning 2");
    }
}

TEST_F(TextEffectTest, AMissingFontIsLoggedAndInitFails) {
    test::CapturedLog log("text_missing_font.log");
    test::LoadedBlock block = loadBlock(loader, "Name \"credits\"\nFont \"missing.png\"\nMessage \"x\"\n}\n");
    ASSERT_TRUE(block.loaded);
    EXPECT_EQ(test::as<TextEffect>(block).message, "x");
    EXPECT_FALSE(block.effect->init());
    EXPECT_NE(log.text().find("ERROR! TextEffect \"credits\" unable to find font \"missing.png\""), std::string::npos);
}

TEST_F(TextEffectTest, TwoGlyphsSitOnThePenAtMinusOneWidthAndZero) {
    addFont();
    test::LoadedBlock block = loadBlock(loader, "Message \"AB\"\nFont \"font.png\"\nFontSize 32 32\n" +
                                                    constantField("Alpha {", 1.0f) + constantField("PositionX {", 320.0f) +
                                                    constantField("PositionY {", 240.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(0.0f);
    block.effect->render();
    // The pen starts at x = -32, y = -16 from the position: "A" covers 272 .. 304, "B" 304 .. 336, both
    // 208 .. 240 high.
    EXPECT_TRUE(nearColour(screenPixel(288, 224), {255, 0, 0}, 8));
    EXPECT_TRUE(nearColour(screenPixel(320, 224), {0, 255, 0}, 8));
    EXPECT_TRUE(blank(264, 224));
    EXPECT_TRUE(blank(344, 224));
    EXPECT_TRUE(blank(288, 248));
    EXPECT_TRUE(blank(320, 200));
}

TEST_F(TextEffectTest, WithoutAnAlphaTrackTheTextIsInvisible) {
    addFont();
    test::LoadedBlock block = loadBlock(loader, "Message \"AB\"\nFont \"font.png\"\n" +
                                                    constantField("PositionX {", 320.0f) +
                                                    constantField("PositionY {", 240.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(0.0f);
    block.effect->render();
    EXPECT_TRUE(blank(288, 224));
    EXPECT_TRUE(blank(320, 224));
}

TEST_F(TextEffectTest, EachGlyphTurnsAboutItsOwnCentre) {
    // One untextured glyph twice as wide as high, turned a quarter: it stands 32 wide and 64 high on its centre
    // (304, 224).
    test::LoadedBlock block = loadBlock(loader, "Message \"A\"\nFontSize 32 32\n" + constantField("Alpha {", 1.0f) +
                                                    constantField("FontScaleX {", 2.0f) +
                                                    constantField("FontRotation {", 90.0f) +
                                                    constantField("PositionX {", 320.0f) +
                                                    constantField("PositionY {", 240.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(0.0f);
    block.effect->render();
    EXPECT_FALSE(blank(304, 224 + 28));
    EXPECT_FALSE(blank(304, 224 - 28));
    EXPECT_TRUE(blank(304 + 28, 224));
    EXPECT_TRUE(blank(304 - 28, 224));
}

TEST_F(TextEffectTest, TheLineTurnsAndScalesAboutItsPosition) {
    // "AB" scaled by 2 in x about (320, 240): "A" now covers 224 .. 288 and "B" 288 .. 352.
    addFont();
    test::LoadedBlock block = loadBlock(loader, "Message \"AB\"\nFont \"font.png\"\n" + constantField("Alpha {", 1.0f) +
                                                    constantField("ScaleX {", 2.0f) +
                                                    constantField("PositionX {", 320.0f) +
                                                    constantField("PositionY {", 240.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(0.0f);
    block.effect->render();
    EXPECT_TRUE(nearColour(screenPixel(236, 224), {255, 0, 0}, 8));
    EXPECT_TRUE(nearColour(screenPixel(340, 224), {0, 255, 0}, 8));
    EXPECT_TRUE(blank(216, 224));
}

TEST_F(TextEffectTest, TheScriptReaderMakesTextBlocksAndKeepsTextFadeApart) {
    test::ParsedScript script = test::parseScript("Text {\n  Message \"hi\"\n}\nTextFade {\n  ScreenRect 0 0 10 10\n}\n");
    ASSERT_TRUE(script.parsed) << script.failure;
    ASSERT_EQ(script.effects().size(), 2u);
    EXPECT_EQ(script.effects()[0]->kind(), static_cast<std::uint32_t>(EffectKind::Text));
    EXPECT_EQ(script.effects()[1]->kind(), static_cast<std::uint32_t>(EffectKind::TextFade));
}

}  // namespace
}  // namespace qv3rn
