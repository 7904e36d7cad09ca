// Tests of the image overlay: its keywords and log lines, where the quad lands for Rect, Position, Pivot,
// Rotation and Scale, the image's orientation, the MULTIPLY colour rule, alpha and the state it leaves.
#include "effects/image_effect.h"

#include <gtest/gtest.h>

#include "effects/blend.h"
#include "overlay_test_support.h"

namespace qv3rn {
namespace {

using test::constantField;
using test::loadBlock;
using test::nearColour;

class ImageEffectTest : public test::OverlayTest {
protected:
    // Loads the block, runs one update at `time` and draws it.
    std::unique_ptr<Effect> draw(const std::string& body, float time = 1.0f) {
        test::LoadedBlock block = loadBlock(loader, body);
        EXPECT_TRUE(block.loaded) << loader.rejectedLine();
        block.effect->init();
        block.effect->update(time);
        block.effect->render();
        return std::move(block.effect);
    }
    static bool lit(float x, float y) { return screenPixel(x, y)[0] > 128; }

    ImageEffectLoader loader;
};

TEST_F(ImageEffectTest, KeywordsFillTheirFieldsAndTexRectIsNotReadAsRect) {
    addImage("logo.png", 4, 4, [](int, int) { return 0xFFFFFFFFu; });
    test::LoadedBlock block = loadBlock(loader,
                                        "Name \"logo\"\n"
                                        "TexRect 0.25 0.5 0.75 1\n"
                                        "Rect 10 20 300 200\n"
                                        "Image \"logo.png\"\n"
                                        "Color 0.1 0.2 0.3 0.4\n" +
                                            constantField("Rotation {", 45.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    auto& image = test::as<ImageEffect>(block);
    EXPECT_EQ(image.kind(), static_cast<std::uint32_t>(EffectKind::Image));
    EXPECT_EQ(image.name(), "logo");
    EXPECT_FLOAT_EQ(image.texLeft, 0.25f);
    EXPECT_FLOAT_EQ(image.texTop, 0.5f);
    EXPECT_FLOAT_EQ(image.texRight, 0.75f);
    EXPECT_FLOAT_EQ(image.texBottom, 1.0f);
    EXPECT_FLOAT_EQ(image.pivotX.value, 10.0f);
    EXPECT_FLOAT_EQ(image.pivotY.value, 20.0f);
    EXPECT_FLOAT_EQ(image.width, 300.0f);
    EXPECT_FLOAT_EQ(image.height, 200.0f);
    EXPECT_EQ(image.color, (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
    ASSERT_NE(image.image(), nullptr);
    EXPECT_EQ(image.image()->name(), "logo.png");
    ASSERT_NE(image.rotation.track, nullptr);
    image.update(3.0f);
    EXPECT_FLOAT_EQ(image.rotation.value, 45.0f);
    EXPECT_TRUE(block.rest.empty());
    EXPECT_TRUE(image.release());
    EXPECT_EQ(image.image(), nullptr);
    EXPECT_EQ(image.rotation.track, nullptr);
}

TEST_F(ImageEffectTest, DefaultsCoverTheScreenFromItsLowerLeftCorner) {
    ImageEffect image;
    EXPECT_FLOAT_EQ(image.width, 640.0f);
    EXPECT_FLOAT_EQ(image.height, 480.0f);
    EXPECT_FLOAT_EQ(image.pivotX.value, 320.0f);
    EXPECT_FLOAT_EQ(image.pivotY.value, 240.0f);
    EXPECT_FLOAT_EQ(image.scaleX.value, 1.0f);
    EXPECT_EQ(image.color, (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_EQ(image.drawMode(), 0u);
}

TEST_F(ImageEffectTest, AMissingImageIsLoggedAndLoadingGoesOn) {
    test::CapturedLog log("image_missing.log");
    test::LoadedBlock block = loadBlock(loader, "Name \"intro\"\nImage \"nowhere.tga\"\nRect 1 2 3 4\n}\n");
    EXPECT_TRUE(block.loaded);
    EXPECT_FLOAT_EQ(test::as<ImageEffect>(block).width, 3.0f);
    EXPECT_EQ(test::as<ImageEffect>(block).image(), nullptr);
    EXPECT_NE(log.text().find("ERROR! ImageEffect \"intro\" unable to find image \"nowhere.tga\""),
              std::string::npos);
}

TEST_F(ImageEffectTest, AnUnknownLineFailsTheBlockWithoutAnError) {
    test::LoadedBlock block;
    EXPECT_NO_THROW(block = loadBlock(loader, "Rect 1 2 3 4\nSparkle 3\n}\n"));
    EXPECT_FALSE(block.loaded);
    EXPECT_EQ(loader.rejectedLine(), "Sparkle 3");
}

TEST_F(ImageEffectTest, EnvelopeFieldsEvaluateAtTheDemoTimeAndAlphaDrivesTheColour) {
    test::LoadedBlock block = loadBlock(loader, test::envelopeField("Alpha {", {{10.0f, 0.0f}, {12.0f, 1.0f}}) +
                                                    test::envelopeField("PositionX {", {{10.0f, 0.0f}, {12.0f, 100.0f}}) +
                                                    constantField("PositionY {", 7.0f) +
                                                    constantField("PivotX {", 8.0f) + constantField("PivotY {", 9.0f) +
                                                    constantField("ScaleX {", 2.0f) + constantField("ScaleY {", 3.0f) +
                                                    "}\n");
    ASSERT_TRUE(block.loaded);
    auto& image = test::as<ImageEffect>(block);
    image.update(11.0f);
    EXPECT_NEAR(image.color[3], 0.5f, 1e-5f);
    EXPECT_NEAR(image.positionX.value, 50.0f, 1e-4f);
    EXPECT_FLOAT_EQ(image.positionY.value, 7.0f);
    EXPECT_FLOAT_EQ(image.pivotX.value, 8.0f);
    EXPECT_FLOAT_EQ(image.pivotY.value, 9.0f);
    EXPECT_FLOAT_EQ(image.scaleX.value, 2.0f);
    EXPECT_FLOAT_EQ(image.scaleY.value, 3.0f);
}

TEST_F(ImageEffectTest, RectCentredOnTheOriginCoversTheLowerLeftQuarterAndPositionsMoveItToFillTheScreen) {
    draw("Rect 320 240 640 480\n}\n");
    EXPECT_TRUE(lit(10, 10));
    EXPECT_TRUE(lit(310, 230));
    EXPECT_FALSE(lit(330, 250));
    EXPECT_FALSE(lit(630, 10));
    EXPECT_FALSE(lit(10, 470));

    clearScreen(0, 0, 0);
    draw("Rect 320 240 640 480\n" + constantField("PositionX {", 320.0f) + constantField("PositionY {", 240.0f) +
         "}\n");
    for (auto [x, y] : {std::pair{2.0f, 2.0f}, {638.0f, 2.0f}, {2.0f, 478.0f}, {638.0f, 478.0f}, {320.0f, 240.0f}})
        EXPECT_TRUE(lit(x, y)) << x << ", " << y;
}

TEST_F(ImageEffectTest, RotationTurnsAboutThePivotAwayFromTheCentre) {
    // A 100 x 20 bar centred on (320, 240), pivot 50 to its right: a quarter turn stands it upright on x = 370,
    // from y = 140 to 240, instead of about its own centre.
    draw("Rect 50 0 100 20\n" + constantField("PositionX {", 320.0f) + constantField("PositionY {", 240.0f) +
         constantField("Rotation {", 90.0f) + "}\n");
    EXPECT_TRUE(lit(370, 150));
    EXPECT_TRUE(lit(370, 230));
    EXPECT_FALSE(lit(370, 260));
    EXPECT_FALSE(lit(320, 240));
    EXPECT_FALSE(lit(390, 190));
}

TEST_F(ImageEffectTest, ScaleActsAlongTheScreensAxesAfterTheRotation) {
    // The upright bar of the quarter turn, scaled by 2 in x: it is now 40 wide (350 .. 390) and still 100 high.
    draw("Rect 50 0 100 20\n" + constantField("PositionX {", 320.0f) + constantField("PositionY {", 240.0f) +
         constantField("Rotation {", 90.0f) + constantField("ScaleX {", 2.0f) + "}\n");
    EXPECT_TRUE(lit(354, 190));
    EXPECT_TRUE(lit(386, 190));
    EXPECT_TRUE(lit(370, 150));
    EXPECT_FALSE(lit(370, 40));
    EXPECT_FALSE(lit(396, 190));
}

TEST_F(ImageEffectTest, ScaleStretchesAwayFromThePivot) {
    // The same bar twice as wide about its pivot at x = 370: it now spans 170 .. 370.
    draw("Rect 50 0 100 20\n" + constantField("PositionX {", 320.0f) + constantField("PositionY {", 240.0f) +
         constantField("ScaleX {", 2.0f) + "}\n");
    EXPECT_TRUE(lit(180, 240));
    EXPECT_TRUE(lit(360, 240));
    EXPECT_FALSE(lit(385, 240));
    EXPECT_FALSE(lit(160, 240));
    EXPECT_FALSE(lit(270, 256));
}

TEST_F(ImageEffectTest, TheImageShowsItsTopRowAtTheTopAndTexRectPicksAPart) {
    // Top half red, bottom half blue.
    addImage("halves.png", 8, 8, [](int, int y) { return y < 4 ? 0xFF0000FFu : 0x0000FFFFu; });
    draw("Image \"halves.png\"\n" + constantField("PositionX {", 320.0f) + constantField("PositionY {", 240.0f) +
         "}\n");
    EXPECT_TRUE(nearColour(screenPixel(320, 400), {255, 0, 0}));
    EXPECT_TRUE(nearColour(screenPixel(320, 80), {0, 0, 255}));

    clearScreen(0, 0, 0);
    draw("Image \"halves.png\"\nTexRect 0 0.75 1 1\n" + constantField("PositionX {", 320.0f) +
         constantField("PositionY {", 240.0f) + "}\n");
    EXPECT_TRUE(nearColour(screenPixel(320, 400), {0, 0, 255}));
}

TEST_F(ImageEffectTest, MultiplyTurnsTheColourIntoItsAlphaAndDarkensWhatIsUnder) {
    clearScreen(200, 100, 40);
    auto effect = draw("DrawMode MULTIPLY\nColor 1 0 0 0.5\n" + constantField("PositionX {", 320.0f) +
                       constantField("PositionY {", 240.0f) + "}\n");
    auto& image = dynamic_cast<ImageEffect&>(*effect);
    EXPECT_EQ(image.drawMode(), static_cast<std::uint32_t>(DrawModeMultiply));
    EXPECT_EQ(image.color, (std::array<float, 4>{0.5f, 0.5f, 0.5f, 0.5f}));
    EXPECT_TRUE(nearColour(screenPixel(320, 240), {100, 50, 20}));
}

TEST_F(ImageEffectTest, NormalAndAdditiveBlendWithTheAlpha) {
    clearScreen(0, 0, 200);
    draw("Color 1 1 1 0.25\n" + constantField("PositionX {", 320.0f) + constantField("PositionY {", 240.0f) + "}\n");
    EXPECT_TRUE(nearColour(screenPixel(320, 240), {64, 64, 214}));

    clearScreen(0, 0, 200);
    draw("DrawMode ADDITIVE\nColor 1 0 0 0.5\n" + constantField("PositionX {", 320.0f) +
         constantField("PositionY {", 240.0f) + "}\n");
    EXPECT_TRUE(nearColour(screenPixel(320, 240), {128, 0, 200}));
}

TEST_F(ImageEffectTest, ZeroAlphaDrawsNothingEvenAdditively) {
    clearScreen(10, 20, 30);
    draw("DrawMode ADDITIVE\n" + constantField("Alpha {", 0.0f) + constantField("PositionX {", 320.0f) +
         constantField("PositionY {", 240.0f) + "}\n");
    EXPECT_TRUE(nearColour(screenPixel(320, 240), {10, 20, 30}, 0));
}

TEST_F(ImageEffectTest, DrawingRestoresMatricesAndEnableBits) {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    draw("Image \"absent.png\"\n}\n");
    GLint depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    EXPECT_FLOAT_EQ(modelView[12], 1.0f);
    EXPECT_FLOAT_EQ(modelView[14], 3.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace qv3rn
