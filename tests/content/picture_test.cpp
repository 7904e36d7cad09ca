// Pictures written by the content writers read back through the engine's own TGA, PNG and JPEG decoders.
#include "generators/picture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image/jpeg_decoder.h"
#include "image/png_decoder.h"
#include "image/tga_decoder.h"

namespace qv3rn {
namespace {

// A 5 x 3 picture whose every pixel is different, so row order, channel order and alpha all show.
Picture sample(int channels) {
    Picture p(5, 3, channels);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < channels; ++c) p.at(x, y)[c] = static_cast<std::uint8_t>(x * 40 + y * 10 + c * 3 + 1);
    return p;
}

std::uint32_t rgba(const Picture& p, int x, int y) {
    const std::uint8_t* px = p.at(x, y);
    const std::uint32_t a = p.channels == 4 ? px[3] : 255;
    return static_cast<std::uint32_t>(px[0]) << 24 | static_cast<std::uint32_t>(px[1]) << 16 |
           static_cast<std::uint32_t>(px[2]) << 8 | a;
}

TEST(PictureWriters, TgaAndPngReadBackExactlyWithTopRowFirst) {
    TgaDecoder tga;
    PngDecoder png;
    for (int channels : {3, 4}) {
        const Picture picture = sample(channels);
        std::string error;
        ASSERT_TRUE(writeTga(picture, "sample.tga", error)) << error;
        ASSERT_TRUE(writePng(picture, "sample.png", error)) << error;
        for (ImageDecoder* decoder : {static_cast<ImageDecoder*>(&tga), static_cast<ImageDecoder*>(&png)}) {
            const auto store = decoder->decode2DFromFile(decoder == &tga ? "sample.tga" : "sample.png", ImageFormat::Rgba);
            ASSERT_TRUE(store) << "channels " << channels;
            ASSERT_EQ(store->width(), 5);
            ASSERT_EQ(store->height(), 3);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) EXPECT_EQ(store->pixel(x, y), rgba(picture, x, y)) << x << "," << y;
        }
    }
}

TEST(PictureWriters, GreyPicturesWidenToEqualChannels) {
    Picture grey(4, 4, 1);
    for (int i = 0; i < 16; ++i) grey.pixels[static_cast<size_t>(i)] = static_cast<std::uint8_t>(i * 16);
    std::string error;
    ASSERT_TRUE(writeTga(grey, "grey.tga", error)) << error;
    ASSERT_TRUE(writePng(grey, "grey.png", error)) << error;
    TgaDecoder tga;
    PngDecoder png;
    for (const auto& store : {tga.decode2DFromFile("grey.tga", ImageFormat::Rgb), png.decode2DFromFile("grey.png", ImageFormat::Rgb)}) {
        ASSERT_TRUE(store);
        const std::uint32_t v = 9 * 16;
        EXPECT_EQ(store->pixel(1, 2), v << 16 | v << 8 | v);
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
    EXPECT_FALSE(writePicture(sample(3), "no_such_folder/x.png", error));
    EXPECT_NE(error.find("no_such_folder/x.png"), std::string::npos);
    EXPECT_FALSE(writePicture(sample(3), "picture.bmp", error));
    EXPECT_NE(error.find("picture.bmp"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("picture.bmp"));
}

}  // namespace
}  // namespace qv3rn
