// Tests of the video overlay: its keywords (TexRect with the bottom edge second), a video that cannot be
// opened failing the block and the script, the frames drawn upright at 24 per demo second, alpha and release.
#include "effects/stream_effect.h"

#include <gtest/gtest.h>

#include "effects/video_texture.h"
#include "overlay_test_support.h"
#include "test_video_file.h"

namespace qv3rn {
namespace {

using test::constantField;
using test::loadBlock;
using test::nearColour;

class StreamEffectTest : public test::OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        // Frames in the palette's colours, except that the top quarter of every frame is black.
        ASSERT_EQ(test::writeTestVideo("clip.avi", 64, 64, 4, 25,
                                       [](int n, int, int y) { return y < 16 ? test::Rgb{0, 0, 0} : test::frameColour(n); }),
                  "");
    }
    static int frameOnScreen(float x, float y) {
        const test::Rgba rgba = screenPixel(x, y);
        const std::uint8_t bgr[3] = {rgba[2], rgba[1], rgba[0]};
        return test::frameOfColour(bgr);
    }

    StreamEffectLoader loader;
};

TEST_F(StreamEffectTest, KeywordsReadTheRectanglesAndOpenTheVideo) {
    test::LoadedBlock block = loadBlock(loader, "TexRect 0.1 0.2 0.9 0.8\nRect 10 20 300 200\nStream \"clip.avi\"\n}\n");
    ASSERT_TRUE(block.loaded);
    auto& stream = test::as<StreamEffect>(block);
    EXPECT_EQ(stream.kind(), static_cast<std::uint32_t>(EffectKind::Stream));
    EXPECT_FLOAT_EQ(stream.leftU, 0.1f);
    EXPECT_FLOAT_EQ(stream.bottomV, 0.2f);
    EXPECT_FLOAT_EQ(stream.rightU, 0.9f);
    EXPECT_FLOAT_EQ(stream.topV, 0.8f);
    EXPECT_FLOAT_EQ(stream.x, 10.0f);
    EXPECT_FLOAT_EQ(stream.y, 20.0f);
    EXPECT_FLOAT_EQ(stream.width, 300.0f);
    EXPECT_FLOAT_EQ(stream.height, 200.0f);
    ASSERT_NE(stream.video(), nullptr);
    EXPECT_EQ(stream.video()->width(), 256);
    EXPECT_EQ(stream.video()->height(), 256);
    EXPECT_EQ(stream.video()->frameCount(), 4);
    EXPECT_TRUE(stream.release());
    EXPECT_EQ(stream.video(), nullptr);
}

TEST_F(StreamEffectTest, AVideoThatCannotBeOpenedFailsTheBlockAndTheScript) {
    test::LoadedBlock block = loadBlock(loader, "Stream \"missing.avi\"\nRect 0 0 1 1\n}\n");
    EXPECT_FALSE(block.loaded);
    EXPECT_EQ(test::as<StreamEffect>(block).video(), nullptr);

    test::ParsedScript script = test::parseScript("Flash {\n}\nStream {\n  Stream \"missing.avi\"\n}\nFlash {\n}\n");
    EXPECT_FALSE(script.parsed);
    EXPECT_EQ(script.effects().size(), 1u);
    // The failure names the line and says that the video is what could not be used.
    EXPECT_NE(script.failure.find(":4: the Stream block cannot use the line \"Stream \"missing.avi\"\": the video "
                                  "cannot be opened: "),
              std::string::npos)
        << script.failure;
}

TEST_F(StreamEffectTest, TheVideoIsDrawnUprightAndAdvancesAtTwentyFourFramesPerSecond) {
    test::LoadedBlock block = loadBlock(loader, "Stream \"clip.avi\"\n}\n");
    ASSERT_TRUE(block.loaded);
    Effect& stream = *block.effect;
    stream.update(30.0f);
    stream.render();
    EXPECT_EQ(frameOnScreen(320, 200), 0);
    // The frame's top rows are black: they are at the top of the screen.
    EXPECT_TRUE(nearColour(screenPixel(320, 470), {0, 0, 0}, 24));
    EXPECT_NE(frameOnScreen(320, 10), -1);
    for (int frame = 1; frame <= 5; ++frame) {
        stream.update(30.0f + frame / 24.0f + 1e-4f);
        stream.render();
        EXPECT_EQ(frameOnScreen(320, 200), frame % 4) << frame;
    }
}

TEST_F(StreamEffectTest, TheAlphaTrackFadesTheVideoAndAtZeroNothingIsDrawn) {
    test::LoadedBlock block = loadBlock(loader, "Stream \"clip.avi\"\n" + constantField("Alpha { ", 0.0f) + "}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(1.0f);
    clearScreen(9, 9, 9);
    block.effect->render();
    EXPECT_TRUE(nearColour(screenPixel(320, 200), {9, 9, 9}, 0));

    test::LoadedBlock half = loadBlock(loader, "Stream \"clip.avi\"\n" + constantField("Alpha { ", 0.5f) + "}\n");
    ASSERT_TRUE(half.loaded);
    half.effect->update(1.0f);
    clearScreen(0, 0, 0);
    half.effect->render();
    const test::Rgb red = test::frameColour(0);
    EXPECT_TRUE(nearColour(screenPixel(320, 200), {red.r / 2, red.g / 2, red.b / 2}, 14));
}

TEST_F(StreamEffectTest, TheRectanglePlacesTheVideo) {
    test::LoadedBlock block = loadBlock(loader, "Stream \"clip.avi\"\nRect 320 0 320 240\n}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(0.0f);
    block.effect->render();
    EXPECT_EQ(frameOnScreen(480, 100), 0);
    EXPECT_TRUE(nearColour(screenPixel(200, 100), {0, 0, 0}, 0));
    EXPECT_TRUE(nearColour(screenPixel(480, 300), {0, 0, 0}, 0));
}

TEST_F(StreamEffectTest, WithoutAVideoNothingIsDrawn) {
    test::LoadedBlock block = loadBlock(loader, "Rect 0 0 640 480\n}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->update(0.0f);
    block.effect->render();
    EXPECT_TRUE(nearColour(screenPixel(320, 240), {0, 0, 0}, 0));
}

}  // namespace
}  // namespace qv3rn
