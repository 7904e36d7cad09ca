// Tests of the full-screen flash: colour at alpha 1 over the whole screen, no flash without an Alpha field,
// blending, the alpha keyed in demo seconds and the unknown-token error.
#include "effects/flash_effect.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "overlay_test_support.h"

namespace qv3rn {
namespace {

using test::constantField;
using test::loadBlock;
using test::nearColour;

class FlashEffectTest : public test::OverlayTest {
protected:
    FlashEffectLoader loader;
};

TEST_F(FlashEffectTest, AFlashAtAlphaOneCoversTheWholeScreenWithItsColour) {
    clearScreen(255, 255, 255);
    test::LoadedBlock block = loadBlock(loader, "Color 0.2 0.4 0.6 1\n" + constantField("Alpha {", 1.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(5.0f);
    block.effect->render();
    for (int y : {0, 60, 119})
        for (int x : {0, 80, 159}) {
            test::Rgba rgba{};
            glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
            EXPECT_TRUE(nearColour(rgba, {51, 102, 153}, 1)) << x << ", " << y;
        }
}

TEST_F(FlashEffectTest, WithoutAnAlphaFieldItNeverShows) {
    clearScreen(10, 20, 30);
    test::LoadedBlock block = loadBlock(loader, "Color 1 1 1 1\nDrawMode ADDITIVE\n}\n");
    ASSERT_TRUE(block.loaded);
    auto& flash = test::as<FlashEffect>(block);
    flash.update(1.0f);
    EXPECT_EQ(flash.color[3], 0.0f);
    flash.render();
    EXPECT_TRUE(nearColour(screenPixel(320, 240), {10, 20, 30}, 0));
}

TEST_F(FlashEffectTest, TheAlphaFollowsItsEnvelopeInDemoSecondsAndBlendsWithTheDrawMode) {
    clearScreen(0, 0, 100);
    test::LoadedBlock block =
        loadBlock(loader, "Start 12\nEnd 12.5\nDrawMode ADDITIVE\nColor 1 1 1 1\n" +
                              test::envelopeField("Alpha {", {{12.0f, 1.0f}, {12.5f, 0.0f}}) + "}\n");
    ASSERT_TRUE(block.loaded);
    auto& flash = test::as<FlashEffect>(block);
    flash.update(12.25f);
    EXPECT_NEAR(flash.color[3], 0.5f, 1e-5f);
    flash.render();
    EXPECT_TRUE(nearColour(screenPixel(100, 100), {128, 128, 228}));
    flash.update(12.5f);
    EXPECT_NEAR(flash.color[3], 0.0f, 1e-6f);
}

TEST_F(FlashEffectTest, AnUnknownLineRaisesTheFlashError) {
    try {
        loadBlock(loader, "Color 1 1 1 1\nGlow 3\n}\n");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "FlashEffect unknown token Glow 3");
    }
}

TEST_F(FlashEffectTest, ReleaseDropsTheTracks) {
    test::LoadedBlock block = loadBlock(loader, constantField("Visible {", 1.0f) + constantField("Alpha {", 1.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    auto& flash = test::as<FlashEffect>(block);
    EXPECT_NE(flash.visibleTrack(), nullptr);
    EXPECT_TRUE(flash.release());
    EXPECT_EQ(flash.alphaTrack, nullptr);
    EXPECT_EQ(flash.visibleTrack(), nullptr);
}

}  // namespace
}  // namespace qv3rn
