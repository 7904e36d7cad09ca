// Tests of the blurred-to-sharp text fade: the alphas of both pictures over the fade range, the parts of the
// picture drawn, the Alpha field that ends the block, and the rectangles' keywords.
#include "effects/text_fade_effect.h"

#include <gtest/gtest.h>

#include "overlay_test_support.h"

namespace qv3rn {
namespace {

using test::constantField;
using test::loadBlock;
using test::nearColour;

class TextFadeEffectTest : public test::OverlayTest {
protected:
    // Left half of the picture (the blurred text) red, right half (the sharp text) green.
    void addPicture() {
        addImage("title.png", 256, 256, [](int x, int) { return x < 128 ? 0xFF0000FFu : 0x00FF00FFu; });
    }
    test::Rgba drawAt(float fade) {
        test::LoadedBlock block = loadBlock(loader,
                                            "Image \"title.png\"\nBlurRect 0 0 128 256\nTextRect 128 0 128 256\n"
                                            "ScreenRect 160 120 320 240\n" +
                                                constantField("Alpha { ", fade) + "}\n");
        EXPECT_TRUE(block.loaded);
        clearScreen(0, 0, 0);
        block.effect->update(3.0f);
        block.effect->render();
        return screenPixel(320, 240);
    }

    TextFadeEffectLoader loader;
};

TEST(TextFadeAlphas, TheBlurredPictureFadesInThenGivesWayToTheSharpOne) {
    auto expectAlphas = [](float fade, float blurred, float sharp) {
        const TextFadeEffect::Alphas alphas = TextFadeEffect::alphasAt(fade);
        EXPECT_FLOAT_EQ(alphas.blurred, blurred) << fade;
        EXPECT_FLOAT_EQ(alphas.sharp, sharp) << fade;
    };
    expectAlphas(0.5f, 0.5f, 0.0f);
    expectAlphas(1.0f, 1.0f, 0.0f);
    expectAlphas(1.5f, 0.5f, 0.5f);
    expectAlphas(2.0f, 0.0f, 1.0f);
}

TEST_F(TextFadeEffectTest, RectanglesAreReadInTexelsAndScreenUnits) {
    test::LoadedBlock block = loadBlock(loader, "TextRect 0 128 256 64\nBlurRect 64 0 32 16\nScreenRect 10 20 300 40\n}\n");
    ASSERT_TRUE(block.loaded);
    auto& fade = test::as<TextFadeEffect>(block);
    EXPECT_FLOAT_EQ(fade.textRect.leftU, 0.0f);
    EXPECT_FLOAT_EQ(fade.textRect.topV, 0.5f);
    EXPECT_FLOAT_EQ(fade.textRect.rightU, 1.0f);
    EXPECT_FLOAT_EQ(fade.textRect.bottomV, 0.75f);
    EXPECT_FLOAT_EQ(fade.blurRect.leftU, 0.25f);
    EXPECT_FLOAT_EQ(fade.blurRect.rightU, 0.375f);
    EXPECT_FLOAT_EQ(fade.blurRect.bottomV, 0.0625f);
    EXPECT_FLOAT_EQ(fade.screenRect.left, 10.0f);
    EXPECT_FLOAT_EQ(fade.screenRect.bottom, 20.0f);
    EXPECT_FLOAT_EQ(fade.screenRect.right, 310.0f);
    EXPECT_FLOAT_EQ(fade.screenRect.top, 60.0f);
}

TEST_F(TextFadeEffectTest, AtHalfOnlyTheBlurredPictureShowsAtHalfAlpha) {
    addPicture();
    EXPECT_TRUE(nearColour(drawAt(0.5f), {128, 0, 0}));
}

TEST_F(TextFadeEffectTest, AtOneAndAHalfBothPicturesShowAtHalfAlpha) {
    addPicture();
    // The blurred picture first at 0.5, the sharp one over it at 0.5.
    EXPECT_TRUE(nearColour(drawAt(1.5f), {64, 128, 0}));
}

TEST_F(TextFadeEffectTest, AtTwoOnlyTheSharpPictureShowsAndAtZeroNothing) {
    addPicture();
    EXPECT_TRUE(nearColour(drawAt(2.0f), {0, 255, 0}));
    EXPECT_TRUE(nearColour(drawAt(0.0f), {0, 0, 0}, 0));
}

TEST_F(TextFadeEffectTest, OnlyTheScreenRectIsCovered) {
    addPicture();
    drawAt(2.0f);
    EXPECT_TRUE(nearColour(screenPixel(150, 240), {0, 0, 0}, 0));
    EXPECT_TRUE(nearColour(screenPixel(490, 240), {0, 0, 0}, 0));
    EXPECT_TRUE(nearColour(screenPixel(470, 350), {0, 255, 0}));
}

TEST_F(TextFadeEffectTest, WithoutATrackTheFadeIsOne) {
    test::LoadedBlock block = loadBlock(loader, "ScreenRect 0 0 10 10\n}\n");
    ASSERT_TRUE(block.loaded);
    auto& fade = test::as<TextFadeEffect>(block);
    fade.update(4.0f);
    EXPECT_FLOAT_EQ(fade.fade, 1.0f);
}

TEST_F(TextFadeEffectTest, TheAlphaFieldsClosingBraceEndsTheBlock) {
    // Lines after the field are no longer part of the block: the field's brace closes it, and the block's own
    // brace is left for the script reader to skip.
    test::LoadedBlock block =
        loadBlock(loader, "ScreenRect 0 0 10 10\n" + constantField("Alpha { ", 1.0f) + "ScreenRect 0 0 99 99\n}\n");
    ASSERT_TRUE(block.loaded);
    EXPECT_FLOAT_EQ(test::as<TextFadeEffect>(block).screenRect.right, 10.0f);
    EXPECT_EQ(block.rest, "ScreenRect 0 0 99 99\n}\n");
}

TEST_F(TextFadeEffectTest, AnAlphaFieldWithoutTheTrailingSpaceIsNotAKeyword) {
    test::LoadedBlock block = loadBlock(loader, constantField("Alpha {", 1.0f) + "}\n");
    EXPECT_FALSE(block.loaded);
}

TEST_F(TextFadeEffectTest, AScriptWithTheAlphaFieldLastReadsOnToTheNextBlock) {
    test::ParsedScript script = test::parseScript("TextFade {\n  Name \"a\"\n" + constantField("  Alpha { ", 1.0f) +
                                                  "}\nTextFade {\n  Name \"b\"\n}\n");
    ASSERT_TRUE(script.parsed) << script.failure;
    ASSERT_EQ(script.effects().size(), 2u);
    EXPECT_EQ(script.effects()[1]->name(), "b");
}

}  // namespace
}  // namespace qv3rn
