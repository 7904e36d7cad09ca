// Tests of the video texture on short MJPEG videos the tests write: frame size, length and period, the
// picture's orientation, 24 frames per demo second at most one per step, looping, uploads, files that cannot
// be played, and files that hold fewer frames than they announce.
#include "effects/video_texture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "overlay_test_support.h"
#include "test_video_file.h"

namespace qv3rn {
namespace {

using test::frameColour;
using test::frameOfColour;

class VideoTextureTest : public test::OverlayTest {
protected:
    // A video of solid frames in the palette's colours, written once per test under the test's name.
    std::string solidVideo(int frames, int framesPerSecond = 25, int width = 64, int height = 48) {
        const std::string path = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".avi";
        const std::string error = test::writeTestVideo(path, width, height, frames, framesPerSecond,
                                                       [](int n, int, int) { return frameColour(n); });
        EXPECT_EQ(error, "");
        return path;
    }
    // The frame the texture's store shows, judged by the colour at its centre.
    static int shownFrame(const VideoTexture& video) {
        const int w = video.width(), h = video.height();
        return frameOfColour(video.pixels().data() + (static_cast<std::size_t>(h / 2) * w + w / 2) * 3);
    }
};

TEST_F(VideoTextureTest, OpenLearnsFrameSizeLengthAndPeriodAndShowsTheFirstFrame) {
    const std::string path = solidVideo(6, 25);
    VideoTexture video;
    ASSERT_TRUE(video.open(path, 256, 256)) << video.lastError();
    EXPECT_TRUE(video.isOpen());
    EXPECT_EQ(video.sourceWidth(), 64);
    EXPECT_EQ(video.sourceHeight(), 48);
    EXPECT_EQ(video.frameCount(), 6);
    EXPECT_NEAR(video.framePeriod(), 0.04f, 1e-5f);
    EXPECT_NEAR(video.rate(), 0.96f, 1e-4f);
    EXPECT_EQ(video.frameIndex(), 0);
    EXPECT_EQ(video.accumulator(), 0.0f);
    EXPECT_TRUE(video.loop());
    EXPECT_EQ(video.width(), 256);
    EXPECT_EQ(video.height(), 256);
    EXPECT_EQ(video.format(), ImageFormat::Bgr);
    EXPECT_EQ(video.pixels().size(), 256u * 256u * 3u);
    EXPECT_EQ(video.name(), path);
    EXPECT_EQ(video.framesShown(), 1);
    EXPECT_EQ(shownFrame(video), 0);
    // Every pixel of a solid frame comes out alike after scaling: the whole store is filled.
    EXPECT_EQ(frameOfColour(video.pixels().data()), 0);
    EXPECT_EQ(frameOfColour(video.pixels().data() + video.pixels().size() - 3), 0);
}

TEST_F(VideoTextureTest, TheStoreHoldsTheBottomRowFirstInBlueGreenRedOrder) {
    const std::string path = "halves.avi";
    ASSERT_EQ(test::writeTestVideo(path, 32, 32, 2, 25,
                                   [](int, int, int y) { return y < 16 ? test::Rgb{230, 20, 20} : test::Rgb{20, 20, 230}; }),
              "");
    VideoTexture video;
    ASSERT_TRUE(video.open(path, 64, 64)) << video.lastError();
    const std::uint8_t* bottom = video.pixels().row(0) + 32 * 3;
    const std::uint8_t* top = video.pixels().row(63) + 32 * 3;
    EXPECT_GT(bottom[0], 180);  // blue first
    EXPECT_LT(bottom[2], 60);
    EXPECT_GT(top[2], 180);  // red last
    EXPECT_LT(top[0], 60);
}

TEST_F(VideoTextureTest, ItAdvancesTwentyFourFramesPerSecondWhateverTheFilesRate) {
    const std::string path = solidVideo(8, 10);
    VideoTexture video;
    ASSERT_TRUE(video.open(path)) << video.lastError();
    EXPECT_NEAR(video.framePeriod(), 0.1f, 1e-5f);
    // Steps of 1/48 second: a new frame every second step.
    int expected = 0;
    for (int step = 1; step <= 8; ++step) {
        video.advance(1.0f / 48.0f);
        if (step % 2 == 0) ++expected;
        EXPECT_EQ(video.frameIndex(), expected) << step;
        EXPECT_EQ(shownFrame(video), expected) << step;
    }
}

TEST_F(VideoTextureTest, AnUpdateNeverAdvancesMoreThanOneFrame) {
    const std::string path = solidVideo(6);
    VideoTexture video;
    ASSERT_TRUE(video.open(path)) << video.lastError();
    video.advance(10.0f);  // ten seconds in one step
    EXPECT_EQ(video.frameIndex(), 1);
    EXPECT_EQ(video.framesShown(), 2);
    EXPECT_EQ(shownFrame(video), 1);
    // The time owed is kept and paid one frame per step.
    video.advance(0.0f);
    EXPECT_EQ(video.frameIndex(), 2);
    video.advance(0.0f);
    EXPECT_EQ(video.frameIndex(), 3);
    EXPECT_EQ(video.framesShown(), 4);
    // A step shorter than a frame shows nothing new once the owed time is paid.
    VideoTexture fresh;
    ASSERT_TRUE(fresh.open(path));
    fresh.advance(0.02f);
    EXPECT_EQ(fresh.frameIndex(), 0);
    EXPECT_EQ(fresh.framesShown(), 1);
}

TEST_F(VideoTextureTest, AfterTheLastFrameItWrapsToTheFirstAndKeepsPlaying) {
    const std::string path = solidVideo(5);
    VideoTexture video;
    ASSERT_TRUE(video.open(path)) << video.lastError();
    for (int step = 1; step <= 12; ++step) {
        video.advance(1.0f / 24.0f + 1e-6f);
        EXPECT_EQ(video.frameIndex(), step % 5) << step;
        EXPECT_EQ(shownFrame(video), step % 5) << step;
    }
}

TEST_F(VideoTextureTest, WithoutLoopingItStaysOnTheLastFrame) {
    const std::string path = solidVideo(3);
    VideoTexture video;
    ASSERT_TRUE(video.open(path)) << video.lastError();
    video.setLoop(false);
    for (int step = 1; step <= 6; ++step) video.advance(1.0f / 24.0f + 1e-6f);
    EXPECT_EQ(video.frameIndex(), 2);
    EXPECT_EQ(shownFrame(video), 2);
}

TEST_F(VideoTextureTest, FramesAreUploadedOnceTheTextureExists) {
    const std::string path = solidVideo(4);
    VideoTexture video;
    ASSERT_TRUE(video.open(path, 16, 16)) << video.lastError();
    EXPECT_FALSE(video.hasName());  // nothing is made on the driver before the first bind
    auto textureFrame = [&] {
        std::vector<std::uint8_t> bgr(16 * 16 * 3);
        glBindTexture(GL_TEXTURE_2D, video.glId());
        TightPixelRows tight;
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR, GL_UNSIGNED_BYTE, bgr.data());
        return frameOfColour(bgr.data() + (8 * 16 + 8) * 3);
    };
    ASSERT_TRUE(video.bind(GL_TEXTURE0));
    video.unbind(GL_TEXTURE0);
    EXPECT_EQ(textureFrame(), 0);
    video.advance(1.0f / 24.0f + 1e-6f);
    EXPECT_EQ(textureFrame(), 1);
    video.advance(1.0f / 24.0f + 1e-6f);
    EXPECT_EQ(textureFrame(), 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(VideoTextureTest, FilesThatCannotBePlayedFailCleanlyWithALogLine) {
    test::CapturedLog log("video_failures.log");
    VideoTexture video;
    EXPECT_FALSE(video.open("no_such_video.avi"));
    EXPECT_FALSE(video.isOpen());
    EXPECT_FALSE(video.lastError().empty());

    {
        std::ofstream garbage("garbage.avi", std::ios::binary);
        for (int i = 0; i < 4096; ++i) garbage.put(static_cast<char>((i * 37) ^ (i >> 3)));
    }
    EXPECT_FALSE(video.open("garbage.avi"));

    // A RIFF file with sound and no pictures.
    {
        std::ofstream wave("tone.wav", std::ios::binary);
        auto put32 = [&](std::uint32_t v) { wave.write(reinterpret_cast<const char*>(&v), 4); };
        auto put16 = [&](std::uint16_t v) { wave.write(reinterpret_cast<const char*>(&v), 2); };
        wave.write("RIFF", 4);
        put32(36 + 800);
        wave.write("WAVEfmt ", 8);
        put32(16);
        put16(1);
        put16(1);
        put32(8000);
        put32(16000);
        put16(2);
        put16(16);
        wave.write("data", 4);
        put32(800);
        for (int i = 0; i < 400; ++i) put16(static_cast<std::uint16_t>(i * 100));
    }
    EXPECT_FALSE(video.open("tone.wav"));
    EXPECT_EQ(video.lastError(), "it holds no video stream");

    // Only the start of a real video: its header and no pictures.
    const std::string path = solidVideo(4);
    std::filesystem::resize_file(path, 120);
    EXPECT_FALSE(video.open(path));
    EXPECT_FALSE(video.isOpen());

    EXPECT_FALSE(video.open(solidVideo(2), 0, 256));  // no texture of zero width

    // Sources wider than 4096 are refused before any frame is decoded.
    ASSERT_EQ(test::writeTestVideo("wide.avi", 4100, 8, 1, 25, [](int n, int, int) { return frameColour(n); }), "");
    EXPECT_FALSE(video.open("wide.avi"));
    EXPECT_EQ(video.lastError(), "the frame size is missing or out of range");

    const std::string text = log.text();
    EXPECT_NE(text.find("ERROR! VideoTexture unable to open \"no_such_video.avi\": "), std::string::npos);
    EXPECT_NE(text.find("ERROR! VideoTexture unable to open \"tone.wav\": it holds no video stream"), std::string::npos);
}

TEST_F(VideoTextureTest, BackslashesInTheNameAreFolderSeparators) {
    std::filesystem::create_directories("clips");
    ASSERT_EQ(test::writeTestVideo("clips/one.avi", 16, 16, 2, 25, [](int n, int, int) { return frameColour(n); }),
              "");
    VideoTexture video;
    EXPECT_TRUE(video.open("clips\\one.avi")) << video.lastError();
    EXPECT_EQ(video.name(), "clips\\one.avi");
}

TEST_F(VideoTextureTest, AFileWithFewerFramesThanItAnnouncesLoopsOverTheFramesItHas) {
    const std::string path = solidVideo(16);
    // Cut the file in the middle of its pictures: the header still announces 16 frames, the index at the end
    // is gone.
    const std::string bytes = test::readTextFile(path);
    const std::size_t pictures = bytes.find("movi");
    ASSERT_NE(pictures, std::string::npos);
    std::filesystem::resize_file(path, pictures + (bytes.size() - pictures) / 2);
    VideoTexture video;
    ASSERT_TRUE(video.open(path)) << video.lastError();
    EXPECT_EQ(video.frameCount(), 16);
    int wrappedAt = -1;
    for (int step = 1; step <= 40 && wrappedAt < 0; ++step) {
        video.advance(1.0f / 24.0f + 1e-6f);
        if (video.frameIndex() == 0) wrappedAt = step;
        EXPECT_EQ(shownFrame(video), video.frameIndex() % 8) << step;
    }
    ASSERT_GT(wrappedAt, 2);
    EXPECT_LT(wrappedAt, 16);
    EXPECT_EQ(video.frameCount(), wrappedAt);
    // It goes on playing from the start.
    video.advance(1.0f / 24.0f + 1e-6f);
    EXPECT_EQ(video.frameIndex(), 1);
    EXPECT_EQ(shownFrame(video), 1);
}

TEST_F(VideoTextureTest, CloseKeepsTheLastPictureAndStopsAdvancing) {
    const std::string path = solidVideo(4);
    VideoTexture video;
    ASSERT_TRUE(video.open(path));
    video.advance(1.0f / 24.0f + 1e-6f);
    video.close();
    EXPECT_FALSE(video.isOpen());
    video.advance(1.0f);
    EXPECT_EQ(video.frameIndex(), 1);
    EXPECT_EQ(shownFrame(video), 1);
    EXPECT_FALSE(video.decodeFrame());
}

}  // namespace
}  // namespace qv3rn
