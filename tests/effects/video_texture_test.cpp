// Video textures on short MJPEG files the tests write, and the Stream effect that shows them.
#include "effects/video_texture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "overlay_test_support.h"
#include "test_video_file.h"

namespace qv3rn::test {
namespace {

constexpr float oneFrame = 1.0f / 24.0f + 1e-6f;

class VideoTextureTest : public OverlayTest {
protected:
    // A video of solid frames in the palette's colours, written once per test under the test's name.
    static std::string solidVideo(int frames, int framesPerSecond = 25, int width = 64, int height = 48) {
        const std::string path = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".avi";
        EXPECT_EQ(writeTestVideo(path, width, height, frames, framesPerSecond,
                                 [](int n, int, int) { return frameColour(n); }),
                  "");
        return path;
    }
    // The frame the texture's store shows, judged by the colour at its centre.
    static int shownFrame(const VideoTexture& video) {
        const int w = video.width(), h = video.height();
        return frameOfColour(video.pixels().data() + (static_cast<std::size_t>(h / 2) * w + w / 2) * 3);
    }
    static int frameOnScreen(float x, float y) {
        const Rgba rgba = screenPixel(x, y);
        const std::uint8_t bgr[3] = {rgba[2], rgba[1], rgba[0]};
        return frameOfColour(bgr);
    }
};

TEST_F(VideoTextureTest, OpenLearnsTheFramesAndScalesTheFirstIntoTheWholeStore) {
    VideoTexture video;
    ASSERT_TRUE(video.open(solidVideo(6, 25), 256, 128)) << video.lastError();
    EXPECT_EQ((std::array{video.sourceWidth(), video.sourceHeight(), video.frameCount()}), (std::array{64, 48, 6}));
    EXPECT_NEAR(video.framePeriod(), 0.04f, 1e-5f);
    EXPECT_EQ(video.pixels().size(), 256u * 128u * 3u);
    EXPECT_EQ(frameOfColour(video.pixels().data() + video.pixels().size() - 3), 0);
}

TEST_F(VideoTextureTest, ItAdvancesAtMostOneFramePerStepAndPaysTheTimeOwedLater) {
    VideoTexture late;
    ASSERT_TRUE(late.open(solidVideo(8, 10))) << late.lastError();
    late.advance(10.0f);  // ten seconds in one step
    EXPECT_EQ(late.frameIndex(), 1);
    EXPECT_EQ(shownFrame(late), 1);
    late.advance(0.0f);  // the time owed is paid one frame per step
    EXPECT_EQ(late.frameIndex(), 2);
    EXPECT_EQ(late.framesShown(), 3);
}

TEST_F(VideoTextureTest, FilesThatCannotBePlayedFailCleanlyWithALogLine) {
    CapturedLog log("video_failures.log");
    VideoTexture video;
    EXPECT_FALSE(video.open("no_such_video.avi"));
    EXPECT_FALSE(video.isOpen());
    // A RIFF file with sound and no pictures: 8 kHz mono 16-bit, 400 samples.
    std::ofstream("tone.wav", std::ios::binary)
        << std::string(
               "RIFF\x44\x03\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0data\x20\x03\0\0", 44)
        << std::string(800, '\x11');
    EXPECT_FALSE(video.open("tone.wav"));
    EXPECT_EQ(video.lastError(), "it holds no video stream");
    EXPECT_FALSE(video.open(solidVideo(2), 0, 256));  // no texture of zero width
    // Sources wider than 4096, or of more than 2048 x 2048 pixels, are refused before any frame is decoded.
    for (const auto& [width, height] : {std::pair{4100, 8}, std::pair{2100, 2100}}) {
        ASSERT_EQ(writeTestVideo("big.avi", width, height, 1, 25, [](int n, int, int) { return frameColour(n); }), "");
        EXPECT_FALSE(video.open("big.avi")) << width << "x" << height;
        EXPECT_EQ(video.lastError(), "the frame size is missing or out of range");
    }

    EXPECT_NE(log.text().find("ERROR! VideoTexture unable to open \"tone.wav\": it holds no video stream"),
              std::string::npos);
}

TEST_F(VideoTextureTest, AFileWithFewerFramesThanItAnnouncesLoopsOverTheFramesItHas) {
    const std::string path = solidVideo(16);
    // Cut the file in the middle of its pictures: the header still announces 16 frames, the index at the end
    // is gone.
    const std::string bytes = readFile(path);
    const std::size_t pictures = bytes.find("movi");
    ASSERT_NE(pictures, std::string::npos);
    std::filesystem::resize_file(path, pictures + (bytes.size() - pictures) / 2);
    VideoTexture video;
    ASSERT_TRUE(video.open(path)) << video.lastError();
    EXPECT_EQ(video.frameCount(), 16);
    int wrappedAt = -1;
    for (int step = 1; step <= 40 && wrappedAt < 0; ++step) {
        video.advance(oneFrame);
        if (video.frameIndex() == 0) wrappedAt = step;
        EXPECT_EQ(shownFrame(video), video.frameIndex() % 8) << step;
    }
    ASSERT_GT(wrappedAt, 2);
    EXPECT_LT(wrappedAt, 16);
    EXPECT_EQ(video.frameCount(), wrappedAt);
    video.advance(oneFrame);  // it goes on playing from the start
    EXPECT_EQ(shownFrame(video), 1);
}

TEST_F(VideoTextureTest, AStreamShowsTheVideoUprightInItsRectangleAtTwentyFourFramesPerDemoSecond) {
    // Frames in the palette's colours, except that the top quarter of every frame is black.
    ASSERT_EQ(writeTestVideo("clip.avi", 64, 64, 4, 25,
                             [](int n, int, int y) { return y < 16 ? Rgb{0, 0, 0} : frameColour(n); }), "");
    Effect& stream = load("Stream", "Stream \"clip.avi\"\n}\n");
    draw(stream, 30.0f);
    EXPECT_EQ(frameOnScreen(320, 200), 0);
    EXPECT_TRUE(nearColour(screenPixel(320, 470), {0, 0, 0}, 24)) << "the frame's top rows at the top";
    for (int frame = 1; frame <= 5; ++frame) {
        draw(stream, 30.0f + frame / 24.0f + 1e-4f);
        EXPECT_EQ(frameOnScreen(320, 200), frame % 4) << frame;
    }

    clearScreen(0, 0, 0);
    draw(load("Stream", "Stream \"clip.avi\"\nRect 320 0 320 240\n" + constantField("Alpha { ", 0.5f) + "}\n"), 0.0f);
    const Rgb red = frameColour(0);
    EXPECT_TRUE(nearColour(screenPixel(480, 100), {red.r / 2, red.g / 2, red.b / 2}, 14));
    EXPECT_TRUE(nearColour(screenPixel(200, 100), {0, 0, 0}, 0));

    // At alpha 0, or without a video, nothing is drawn.
    draw(load("Stream", "Stream \"clip.avi\"\n" + constantField("Alpha { ", 0.0f) + "}\n"), 1.0f);
    draw(load("Stream", "Rect 0 0 640 480\n}\n"), 1.0f);
    EXPECT_TRUE(nearColour(screenPixel(200, 100), {0, 0, 0}, 0));
}

}  // namespace
}  // namespace qv3rn::test
