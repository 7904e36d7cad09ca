// Tests of the format table, the pixel store and the decoders' packing table.
#include "image/pixel_packing.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/image_decoder.h"
#include "image/jpeg_decoder.h"
#include "image/png_decoder.h"
#include "image/tga_decoder.h"

namespace qv3rn {
namespace {

TEST(ImageFormatTable, BytesPerPixelAndNamesFollowTheScriptIndices) {
    const std::vector<std::pair<int, int>> expected = {{-1, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1},
                                                       {5, 0},  {6, 1}, {7, 2}, {8, 3}, {9, 4}, {10, 4},
                                                       {11, 3}, {12, 4}, {13, 4}, {14, 4}, {15, 0}};
    for (auto [index, bytes] : expected)
        EXPECT_EQ(bytesPerPixel(static_cast<ImageFormat>(index)), bytes) << "format " << index;
    EXPECT_EQ(formatName(ImageFormat::LuminanceAlpha), "LUMINANCE_ALPHA");
    EXPECT_EQ(formatName(ImageFormat::Unknown), "UNKNOWN");
    EXPECT_EQ(formatName(static_cast<ImageFormat>(5)), "");
    EXPECT_EQ(formatName(static_cast<ImageFormat>(99)), "");  // out of range reads as the empty row, not past it
    EXPECT_EQ(formatInfo(ImageFormat::Rgb).internalFormat, static_cast<GLenum>(GL_RGB8));
    EXPECT_EQ(formatInfo(ImageFormat::Rgba).internalFormat, static_cast<GLenum>(GL_RGBA8));
    EXPECT_TRUE(isCompressed(ImageFormat::CompressedRgbaDxt5));
    EXPECT_FALSE(isCompressed(ImageFormat::Bgra));
}

TEST(ImageFormatTable, CompressedSizesCountWholeBlocks) {
    EXPECT_EQ(compressedImageSize(ImageFormat::CompressedRgbaDxt1, 5, 5), 32u);  // 2 x 2 blocks of 8 bytes
    EXPECT_EQ(compressedImageSize(ImageFormat::CompressedRgbaDxt3, 5, 5), 64u);
    EXPECT_EQ(compressedImageSize(ImageFormat::CompressedRgbaDxt5, 4, 4), 16u);
    EXPECT_EQ(compressedImageSize(ImageFormat::CompressedRgbaDxt1, 1, 1), 8u);
    EXPECT_EQ(compressedImageSize(ImageFormat::Rgba, 4, 4), 0u);
    EXPECT_EQ(pixelStoreSize(5, 5, ImageFormat::CompressedRgbaDxt1), 32u);
    EXPECT_EQ(pixelStoreSize(5, 3, ImageFormat::Rgb), 45u);
}

TEST(ImageFormatTable, OnlyUnknownAndTheUncompressedChannelFormatsCanBeDecoded) {
    for (int index = -2; index <= 16; ++index) {
        const bool expected = index >= -1 && index <= 9 && index != 5;
        EXPECT_EQ(isDecodableFormat(static_cast<ImageFormat>(index)), expected) << "format " << index;
    }
}

TEST(PackPixel, BuildsTheTableValuesFromASourceWithAlpha) {
    const std::uint8_t r = 0x11, g = 0x22, b = 0x33, a = 0x44;
    EXPECT_EQ(packPixel(ImageFormat::Unknown, r, g, b, a, true), 0u);
    EXPECT_EQ(packPixel(ImageFormat::Red, r, g, b, a, true), 0x11u);
    EXPECT_EQ(packPixel(ImageFormat::Green, r, g, b, a, true), 0x22u);
    EXPECT_EQ(packPixel(ImageFormat::Blue, r, g, b, a, true), 0x33u);
    EXPECT_EQ(packPixel(ImageFormat::Luminance, r, g, b, a, true), 0x33u);
    EXPECT_EQ(packPixel(ImageFormat::Intensity, r, g, b, a, true), 0x33u);
    EXPECT_EQ(packPixel(ImageFormat::Alpha, r, g, b, a, true), 0x44u);
    EXPECT_EQ(packPixel(ImageFormat::LuminanceAlpha, r, g, b, a, true), 0x3344u);
    EXPECT_EQ(packPixel(ImageFormat::Rgb, r, g, b, a, true), 0x112233u);
    EXPECT_EQ(packPixel(ImageFormat::Rgba, r, g, b, a, true), 0x11223344u);
}

TEST(PackPixel, SubstitutesRedOrOpaqueAlphaWhenTheSourceHasNone) {
    const std::uint8_t r = 0x11, g = 0x22, b = 0x33, a = 0x44;  // a must be ignored
    EXPECT_EQ(packPixel(ImageFormat::Alpha, r, g, b, a, false), 0x11u);
    EXPECT_EQ(packPixel(ImageFormat::LuminanceAlpha, r, g, b, a, false), 0x3311u);
    EXPECT_EQ(packPixel(ImageFormat::Rgba, r, g, b, a, false), 0x112233FFu);
    // The JPEG order: red high, blue low.
    EXPECT_EQ(packPixel(ImageFormat::LuminanceAlpha, r, g, b, a, false, true), 0x1133u);
    // Formats a decoder never fills give nothing.
    EXPECT_EQ(packPixel(ImageFormat::Bgra, r, g, b, a, true), 0u);
    EXPECT_EQ(packPixel(ImageFormat::CompressedRgbaDxt1, r, g, b, a, true), 0u);
}

TEST(PixelStore, SetPixelWritesLowBytesMostSignificantFirst) {
    PixelStore rgba;
    ASSERT_TRUE(rgba.allocate(2, 2, ImageFormat::Rgba));
    rgba.setPixel(0x11223344u, 1, 1);
    const std::uint8_t* p = rgba.row(1) + 4;
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(rgba.pixel(1, 1), 0x11223344u);

    PixelStore la;
    ASSERT_TRUE(la.allocate(3, 1, ImageFormat::LuminanceAlpha));
    la.setPixel(0xAABBCCDDu, 2, 0);  // only the two low bytes count
    EXPECT_EQ(la.row(0)[4], 0xCC);
    EXPECT_EQ(la.row(0)[5], 0xDD);

    PixelStore rgb;
    ASSERT_TRUE(rgb.allocate(1, 1, ImageFormat::Rgb));
    rgb.setPixel(0xFF010203u, 0, 0);
    EXPECT_EQ(std::vector<int>(rgb.data(), rgb.data() + 3), (std::vector<int>{1, 2, 3}));
}

TEST(PixelStore, IgnoresPixelsOutsideAndFormatsWithoutALayout) {
    PixelStore store;
    ASSERT_TRUE(store.allocate(2, 2, ImageFormat::Alpha));
    store.setPixel(0xFF, 2, 0);
    store.setPixel(0xFF, 0, 2);
    store.setPixel(0xFF, -1, 0);
    for (std::uint8_t byte : store.bytes()) EXPECT_EQ(byte, 0);

    PixelStore bgra;
    ASSERT_TRUE(bgra.allocate(1, 1, ImageFormat::Bgra));
    bgra.setPixel(0x01020304u, 0, 0);
    EXPECT_EQ(bgra.bytes(), std::vector<std::uint8_t>(4, 0));
}

TEST(PixelStore, AllocateKeepsAnExistingStoreAndRefusesBadSizes) {
    PixelStore store;
    ASSERT_TRUE(store.allocate(4, 2, ImageFormat::Rgb));
    store.setPixel(0x010203, 0, 0);
    EXPECT_FALSE(store.allocate(8, 8, ImageFormat::Rgba));
    EXPECT_EQ(store.width(), 4);
    EXPECT_EQ(store.format(), ImageFormat::Rgb);
    EXPECT_EQ(store.pixel(0, 0), 0x010203u);

    PixelStore negative;
    EXPECT_FALSE(negative.allocate(-1, 4, ImageFormat::Rgb));
    EXPECT_FALSE(negative.allocate(maxImageSide + 1, 1, ImageFormat::Rgb));
    EXPECT_FALSE(negative.present());

    PixelStore unknown;  // UNKNOWN keeps its size but no bytes
    ASSERT_TRUE(unknown.allocate(3, 3, ImageFormat::Unknown));
    EXPECT_TRUE(unknown.present());
    EXPECT_EQ(unknown.size(), 0u);
}

TEST(PixelStore, AttachRefusesBuffersShorterThanTheImage) {
    PixelStore store;
    EXPECT_FALSE(store.attach(5, 5, ImageFormat::CompressedRgbaDxt1, std::vector<std::uint8_t>(31)));
    EXPECT_FALSE(store.present());
    EXPECT_TRUE(store.attach(5, 5, ImageFormat::CompressedRgbaDxt1, std::vector<std::uint8_t>(32)));
    EXPECT_EQ(store.size(), 32u);
    EXPECT_FALSE(store.attach(2, 2, ImageFormat::Rgb, std::vector<std::uint8_t>(11)));
    EXPECT_EQ(store.format(), ImageFormat::CompressedRgbaDxt1);  // a refused attach changes nothing
    EXPECT_TRUE(store.attach(2, 2, ImageFormat::Rgb, std::vector<std::uint8_t>(20, 7)));
    EXPECT_EQ(store.size(), 12u);  // cut to the image
}

// packRow must give exactly what packPixel + setPixel give, for every decodable format and source layout.
TEST(PackRow, MatchesThePerPixelTableForEveryFormatAndLayout) {
    std::mt19937 engine(7);
    const int width = 13;
    std::vector<std::uint8_t> source(width * 4);
    for (auto& byte : source) byte = static_cast<std::uint8_t>(engine());

    SourceLayout jpegLayout = rgbLayout;
    jpegLayout.redBlueLuminanceAlpha = true;
    const SourceLayout layouts[] = {rgbLayout, rgbaLayout, bgrLayout, bgraLayout, jpegLayout};
    for (const SourceLayout& layout : layouts) {
        for (int index = -1; index <= 9; ++index) {
            const auto format = static_cast<ImageFormat>(index);
            if (!isDecodableFormat(format)) continue;
            PixelStore fast, slow;
            fast.allocate(width, 2, format);
            slow.allocate(width, 2, format);
            packRow(fast, 1, source.data(), layout);
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = &source[x * layout.stride];
                const bool hasAlpha = layout.alpha >= 0;
                slow.setPixel(packPixel(format, p[layout.red], p[layout.green], p[layout.blue],
                                        hasAlpha ? p[layout.alpha] : 0, hasAlpha, layout.redBlueLuminanceAlpha),
                              x, 1);
            }
            EXPECT_EQ(fast.bytes(), slow.bytes()) << "format " << index << ", stride " << layout.stride;
        }
    }
}

TEST(DecoderExtensions, AreComparedExactlyAfterTheLastDot) {
    TgaDecoder tga;
    PngDecoder png;
    JpegDecoder jpeg;
    EXPECT_TRUE(tga.handlesExtension("art/logo.tga"));
    EXPECT_TRUE(png.handlesExtension("data\\art\\sky.v2.png"));
    EXPECT_TRUE(jpeg.handlesExtension("photo.jpg"));
    for (const ImageDecoder* decoder : std::initializer_list<const ImageDecoder*>{&tga, &png, &jpeg}) {
        EXPECT_FALSE(decoder->handlesExtension("picture.JPG")) << decoder->extension();
        EXPECT_FALSE(decoder->handlesExtension("picture.TGA")) << decoder->extension();
        EXPECT_FALSE(decoder->handlesExtension("picture")) << decoder->extension();
        EXPECT_FALSE(decoder->handlesExtension("picture.")) << decoder->extension();
    }
    EXPECT_FALSE(tga.handlesExtension("picture.tga.png"));
    EXPECT_FALSE(jpeg.handlesExtension("picture.jpeg"));
    EXPECT_FALSE(tga.handlesExtension("tga"));
}

TEST(DecoderFormats, FormatsWithoutAPackingAreRefusedBeforeReading) {
    TgaDecoder tga;
    const std::uint8_t bytes[32] = {};
    for (ImageFormat format : {ImageFormat::Bgra, ImageFormat::Bgr, ImageFormat::CompressedRgbaDxt1,
                               ImageFormat::DepthComponent, static_cast<ImageFormat>(5)}) {
        EXPECT_EQ(tga.decode2D(bytes, sizeof bytes, format), nullptr);
        EXPECT_NE(tga.lastError().find("cannot be decoded into"), std::string::npos) << tga.lastError();
    }
}

}  // namespace
}  // namespace qv3rn
