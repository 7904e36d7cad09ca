// picture_test.cpp -- Pictures and the clip written by the content writers, read back through the engine's own
// TGA, PNG, JPEG and video decoders.
#include "generators/picture.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "effects/video_texture_decoder.h"
#include "generators/video_writer.h"
#include "image/jpeg_decoder.h"
#include "image/png_decoder.h"
#include "image/tga_decoder.h"

namespace qv3rn {
namespace {

TEST(PictureWriters, TgaAndPngReadBackExactlyWithTopRowFirstAndGreyWidened) {
    TgaDecoder tga;
    PngDecoder png;
    for (int channels : {1, 3, 4}) {
        // 5 x 3 pixels that all differ, so row order, channel order and alpha all show.
        Picture picture(5, 3, channels);
        for (size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = static_cast<std::uint8_t>(i * 3 + 1);
        std::string error;
        ASSERT_TRUE(writeTga(picture, "sample.tga", error) && writePng(picture, "sample.png", error)) << error;
        for (ImageDecoder* decoder : {static_cast<ImageDecoder*>(&tga), static_cast<ImageDecoder*>(&png)}) {
            SCOPED_TRACE(testing::Message() << decoder->extension() << ", " << channels << " channels");
            const auto store = decoder->decode2DFromFile("sample." + decoder->extension(), ImageFormat::Rgba);
            ASSERT_TRUE(store);
            ASSERT_EQ((std::array{store->width(), store->height()}), (std::array{5, 3}));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) {
                    const std::uint8_t* p = picture.at(x, y);
                    const std::uint32_t g = p[channels == 1 ? 0 : 1], b = p[channels == 1 ? 0 : 2];
                    const std::uint32_t expected =
                        std::uint32_t{p[0]} << 24 | g << 16 | b << 8 | (channels == 4 ? p[3] : 255);
                    EXPECT_EQ(store->pixel(x, y), expected) << x << "," << y;
                }
        }
    }
}

TEST(PictureWriters, JpegIsCloseToTheSourceAndKeepsItsSize) {
    Picture smooth(64, 48, 3);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* px = smooth.at(x, y);
            px[0] = static_cast<std::uint8_t>(x * 4), px[1] = static_cast<std::uint8_t>(y * 5), px[2] = 128;
        }
    std::string error;
    ASSERT_TRUE(writeJpeg(smooth, "smooth.jpg", 95, error)) << error;
    const auto store = JpegDecoder().decode2DFromFile("smooth.jpg", ImageFormat::Rgb);
    ASSERT_TRUE(store);
    EXPECT_EQ((std::array{store->width(), store->height()}), (std::array{64, 48}));
    for (int y = 0; y < 48; y += 7)
        for (int x = 0; x < 64; x += 9) {
            const std::uint32_t v = store->pixel(x, y);
            EXPECT_NEAR(static_cast<int>(v >> 16), x * 4, 8) << x << "," << y;
            EXPECT_NEAR(static_cast<int>((v >> 8) & 0xFF), y * 5, 8) << x << "," << y;
        }
}

TEST(PictureWriters, RefuseBadPicturesAndUnwritablePathsNamingTheFile) {
    std::string error;
    Picture broken(4, 4, 3);
    broken.pixels.resize(5);
    EXPECT_FALSE(writePng(broken, "broken.png", error));
    EXPECT_NE(error.find("broken.png"), std::string::npos);
    EXPECT_FALSE(writeTga(Picture(4, 4, 2), "two.tga", error));
    EXPECT_FALSE(writeJpeg(Picture(0, 4, 3), "empty.jpg", 90, error));
    for (const char* path : {"no_such_folder/x.png", "picture.bmp"}) {
        EXPECT_FALSE(writePicture(Picture(2, 2, 3), path, error));
        EXPECT_NE(error.find(path), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists("picture.bmp"));
}

TEST(VideoWriter, ClipOpensInTheEnginesDecoderLoopsAndRefusesImpossibleSizes) {
    std::string error;
    ASSERT_TRUE(writeVideo("clip.avi", 64, 12, 24, error)) << error;
    VideoTextureDecoder decoder;
    ASSERT_TRUE(decoder.open("clip.avi")) << decoder.error();
    EXPECT_EQ((std::array{decoder.width(), decoder.height(), decoder.frameCount()}), (std::array{64, 64, 12}));
    EXPECT_NEAR(decoder.framePeriod(), 1.0 / 24.0, 1e-6);
    // The clip loops: the frame after the last equals the first one.
    const Picture wrapped = makeVideoFrame(12, 12, 32), first = makeVideoFrame(0, 12, 32);
    for (size_t i = 0; i < first.pixels.size(); ++i) ASSERT_NEAR(wrapped.pixels[i], first.pixels[i], 1) << i;
    EXPECT_NE(makeVideoFrame(3, 12, 32).pixels, first.pixels);
    EXPECT_FALSE(writeVideo("odd.avi", 63, 4, 24, error));
    EXPECT_FALSE(writeVideo("none.avi", 64, 0, 24, error));
    EXPECT_FALSE(writeVideo("no_such_folder/clip.avi", 64, 4, 24, error));
    EXPECT_NE(error.find("no_such_folder/clip.avi"), std::string::npos);
}

}  // namespace
}  // namespace qv3rn
