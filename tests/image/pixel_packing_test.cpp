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

using Bytes = std::vector<std::uint8_t>;

TEST(PixelStore, SetPixelWritesLowBytesMostSignificantFirstInsideTheImageOnly) {
    PixelStore store;  // the other layouts: PackRow below
    ASSERT_TRUE(store.allocate(2, 1, ImageFormat::Rgba));
    for (auto [x, y] : {std::pair{1, 0}, {2, 0}, {-1, 0}, {0, 1}}) store.setPixel(0xAABBCCDDu, x, y);
    EXPECT_EQ(store.bytes(), (Bytes{0, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD}));
    PixelStore bgra;  // no layout to write
    ASSERT_TRUE(bgra.allocate(1, 1, ImageFormat::Bgra));
    bgra.setPixel(0xAABBCCDDu, 0, 0);
    EXPECT_EQ(bgra.bytes(), Bytes(4, 0));
}

TEST(PixelStore, AllocateAndAttachRefuseBadSizesAndKeepWhatIsThere) {
    PixelStore store;
    ASSERT_TRUE(store.allocate(4, 2, ImageFormat::Rgb));
    store.setPixel(0x010203, 0, 0);
    EXPECT_FALSE(store.allocate(8, 8, ImageFormat::Rgba));
    EXPECT_EQ(store.width(), 4);
    EXPECT_EQ(store.pixel(0, 0), 0x010203u);
    PixelStore bad;
    EXPECT_FALSE(bad.allocate(maxImageSide + 1, 1, ImageFormat::Rgb));
    EXPECT_FALSE(bad.present());

    PixelStore attached;
    EXPECT_FALSE(attached.attach(5, 5, ImageFormat::CompressedRgbaDxt1, Bytes(31)));
    EXPECT_TRUE(attached.attach(5, 5, ImageFormat::CompressedRgbaDxt1, Bytes(32)));
    EXPECT_FALSE(attached.attach(2, 2, ImageFormat::Rgb, Bytes(11)));
    EXPECT_EQ(attached.format(), ImageFormat::CompressedRgbaDxt1);  // a refused attach changes nothing
}

// packRow must give exactly what packPixel + setPixel give, for every decodable format and source layout (blue
// and intensity included, which no decoder test reads back).
TEST(PackRow, MatchesThePerPixelTableForEveryFormatAndLayout) {
    std::mt19937 engine(7);
    const int width = 13;
    Bytes source(width * 4);
    for (auto& byte : source) byte = static_cast<std::uint8_t>(engine());
    SourceLayout jpegLayout = rgbLayout;
    jpegLayout.redBlueLuminanceAlpha = true;
    for (const SourceLayout& layout : {rgbLayout, rgbaLayout, bgrLayout, bgraLayout, jpegLayout}) {
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
                                        hasAlpha ? p[layout.alpha] : 0, hasAlpha, layout.redBlueLuminanceAlpha), x, 1);
            }
            EXPECT_EQ(fast.bytes(), slow.bytes()) << "format " << index << ", stride " << layout.stride;
        }
    }
}

TEST(ImageDecoders, CompareExtensionsExactlyAfterTheLastDotAndRefuseFormatsWithoutAPacking) {
    TgaDecoder tga;
    PngDecoder png;
    JpegDecoder jpeg;
    EXPECT_TRUE(png.handlesExtension("data\\art\\sky.v2.png"));
    for (const char* name : {"picture.JPG", "picture", "picture.", "jpg", "picture.jpg.png"})
        EXPECT_FALSE(jpeg.handlesExtension(name)) << name;
    const std::uint8_t bytes[32] = {};
    for (ImageFormat format : {ImageFormat::Bgra, ImageFormat::CompressedRgbaDxt1, static_cast<ImageFormat>(5)}) {
        EXPECT_EQ(tga.decode2D(bytes, sizeof bytes, format), nullptr);
        EXPECT_NE(tga.lastError().find("cannot be decoded into"), std::string::npos) << tga.lastError();
    }
}

}  // namespace
}  // namespace qv3rn
