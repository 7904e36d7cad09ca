// Tests of the inverting rectangle: it inverts exactly the area under it, by its alpha, and reads as an
// ordinary rectangle with another draw mode.
#include "effects/invert_effect.h"

#include <gtest/gtest.h>

#include "effects/blend.h"
#include "overlay_test_support.h"

namespace qv3rn {
namespace {

using test::constantField;
using test::loadBlock;
using test::nearColour;

class InvertEffectTest : public test::OverlayTest {
protected:
    // Left half of the screen (200, 60, 0), right half (20, 240, 128).
    static void paintHalves() {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, framebufferWidth / 2, framebufferHeight);
        clearScreen(200, 60, 0);
        glScissor(framebufferWidth / 2, 0, framebufferWidth / 2, framebufferHeight);
        clearScreen(20, 240, 128);
        glDisable(GL_SCISSOR_TEST);
    }
    InvertEffectLoader loader;
};

TEST_F(InvertEffectTest, ItInvertsTheAreaUnderItAndNothingElse) {
    paintHalves();
    test::LoadedBlock block = loadBlock(loader, "Rect 0 0 320 480\n}\n");
    ASSERT_TRUE(block.loaded);
    auto& invert = test::as<InvertEffect>(block);
    EXPECT_EQ(invert.drawMode(), static_cast<std::uint32_t>(DrawModeInvert));
    invert.update(2.0f);
    EXPECT_FLOAT_EQ(invert.alpha, 1.0f);
    invert.render();
    EXPECT_TRUE(nearColour(screenPixel(100, 100), {55, 195, 255}, 1));
    EXPECT_TRUE(nearColour(screenPixel(300, 470), {55, 195, 255}, 1));
    EXPECT_TRUE(nearColour(screenPixel(340, 100), {20, 240, 128}, 0));
    // Inverting twice gives the picture back.
    invert.render();
    EXPECT_TRUE(nearColour(screenPixel(100, 100), {200, 60, 0}, 1));
}

TEST_F(InvertEffectTest, TheAlphaSetsHowFarItInverts) {
    paintHalves();
    test::LoadedBlock block = loadBlock(loader, constantField("Alpha {", 0.5f) + "}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(0.0f);
    block.effect->render();
    // Halfway between a colour and its inverse is grey whatever the colour.
    EXPECT_TRUE(nearColour(screenPixel(100, 100), {128, 128, 128}, 2));
    EXPECT_TRUE(nearColour(screenPixel(500, 100), {128, 128, 128}, 2));
}

TEST_F(InvertEffectTest, AnotherDrawModeDrawsAGreyRectangle) {
    paintHalves();
    test::LoadedBlock block = loadBlock(loader, "DrawMode NORMAL\nRect 320 0 320 240\n}\n");
    ASSERT_TRUE(block.loaded);
    EXPECT_EQ(block.effect->drawMode(), 0u);
    block.effect->update(0.0f);
    block.effect->render();
    EXPECT_TRUE(nearColour(screenPixel(500, 100), {255, 255, 255}, 1));
    EXPECT_TRUE(nearColour(screenPixel(500, 300), {20, 240, 128}, 0));
}

TEST_F(InvertEffectTest, UnknownLinesFailTheBlockWithoutAnError) {
    test::LoadedBlock block;
    EXPECT_NO_THROW(block = loadBlock(loader, "Color 1 1 1 1\n}\n"));
    EXPECT_FALSE(block.loaded);
}

TEST_F(InvertEffectTest, TheScriptReaderMakesInvertBlocks) {
    test::ParsedScript script = test::parseScript("Invert {\n  Start 1\n  End 2\n  Rect 1 2 3 4\n}\n");
    ASSERT_TRUE(script.parsed) << script.failure;
    ASSERT_EQ(script.effects().size(), 1u);
    auto* invert = dynamic_cast<InvertEffect*>(script.effects()[0]);
    ASSERT_NE(invert, nullptr);
    EXPECT_EQ(invert->kind(), static_cast<std::uint32_t>(EffectKind::Invert));
    EXPECT_FLOAT_EQ(invert->height, 4.0f);
}

}  // namespace
}  // namespace qv3rn
