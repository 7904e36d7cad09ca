// Pictures written by the content writers read back through the engine's own TGA, PNG and JPEG decoders.
#include "generators/picture.h"

#include <gtest/gtest.h>

#include <filesystem>

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
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                for (int c = 0; c < channels; ++c)
                    picture.at(x, y)[c] = static_cast<std::uint8_t>(x * 40 + y * 10 + c * 3 + 1);
        std::string error;
        ASSERT_TRUE(writeTga(picture, "sample.tga", error)) << error;
        ASSERT_TRUE(writePng(picture, "sample.png", error)) << error;
        for (ImageDecoder* decoder : {static_cast<ImageDecoder*>(&tga), static_cast<ImageDecoder*>(&png)}) {
            SCOPED_TRACE(testing::Message() << decoder->extension() << ", " << channels << " channels");
            const auto store =
                decoder->decode2DFromFile(decoder == &tga ? "sample.tga" : "sample.png", ImageFormat::Rgba);
            ASSERT_TRUE(store);
            ASSERT_EQ(store->width(), 5);
            ASSERT_EQ(store->height(), 3);
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
            px[0] = static_cast<std::uint8_t>(x * 4);
            px[1] = static_cast<std::uint8_t>(y * 5);
            px[2] = 128;
        }
    std::string error;
    ASSERT_TRUE(writeJpeg(smooth, "smooth.jpg", 95, error)) << error;
    JpegDecoder jpeg;
    const auto store = jpeg.decode2DFromFile("smooth.jpg", ImageFormat::Rgb);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->width(), 64);
    EXPECT_EQ(store->height(), 48);
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

}  // namespace
}  // namespace qv3rn
