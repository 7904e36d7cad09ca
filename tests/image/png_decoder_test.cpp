// Tests of the PNG decoder on files libpng writes here: every colour type it expands, 16-bit and interlaced
// images, and damaged or truncated files.
#include "image/png_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>  // Required for: crc32 (rewriting a header chunk)

#include <vector>

#include "image_samples.h"

namespace qv3rn {
namespace {

using test::Bytes;
using test::PngLayout;

class PngDecoderTest : public ::testing::Test {
protected:
    std::unique_ptr<PixelStore> decode(const Bytes& file, ImageFormat format) {
        return decoder.decode2D(file.data(), file.size(), format);
    }
    PngDecoder decoder;
};

PngLayout rgbQuad() {  // top row red, green; bottom row blue, grey 128
    PngLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.rows = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 128, 128, 128}};
    return layout;
}

TEST_F(PngDecoderTest, RgbRowsStayTopFirstInEveryFormat) {
    const Bytes file = test::pngFile(rgbQuad());
    auto rgb = decode(file, ImageFormat::Rgb);
    ASSERT_NE(rgb, nullptr) << decoder.lastError();
    EXPECT_EQ(rgb->bytes(), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128}));

    auto rgba = decode(file, ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(rgba->pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(rgba->pixel(0, 1), 0x0000FFFFu);

    auto green = decode(file, ImageFormat::Green);
    ASSERT_NE(green, nullptr);
    EXPECT_EQ(green->bytes(), (Bytes{0, 255, 0, 128}));
    auto luminance = decode(file, ImageFormat::Luminance);  // blue
    ASSERT_NE(luminance, nullptr);
    EXPECT_EQ(luminance->bytes(), (Bytes{0, 0, 255, 128}));
    auto alpha = decode(file, ImageFormat::Alpha);  // red: no alpha in the file
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->bytes(), (Bytes{255, 0, 0, 128}));
    auto la = decode(file, ImageFormat::LuminanceAlpha);
    ASSERT_NE(la, nullptr);
    EXPECT_EQ(la->bytes(), (Bytes{0, 255, 0, 0, 255, 0, 128, 128}));
    auto unknown = decode(file, ImageFormat::Unknown);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->width(), 2);
    EXPECT_EQ(unknown->size(), 0u);
}

TEST_F(PngDecoderTest, RgbaKeepsItsAlphaChannel) {
    PngLayout layout;
    layout.width = 2;
    layout.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    layout.rows = {{10, 20, 30, 40, 50, 60, 70, 80}};
    const Bytes file = test::pngFile(layout);
    auto rgba = decode(file, ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr) << decoder.lastError();
    EXPECT_EQ(rgba->bytes(), layout.rows[0]);
    auto alpha = decode(file, ImageFormat::Alpha);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->bytes(), (Bytes{40, 80}));
    auto la = decode(file, ImageFormat::LuminanceAlpha);
    ASSERT_NE(la, nullptr);
    EXPECT_EQ(la->bytes(), (Bytes{30, 40, 70, 80}));
}

TEST_F(PngDecoderTest, PaletteWithTransparencyBecomesPerPixelAlpha) {
    PngLayout layout;
    layout.width = 3;
    layout.colorType = PNG_COLOR_TYPE_PALETTE;
    layout.palette = {{200, 0, 0}, {0, 100, 0}, {0, 0, 50}};
    layout.transparency = {0, 128};  // the third entry stays opaque
    layout.rows = {{0, 1, 2}};
    auto rgba = decode(test::pngFile(layout), ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr) << decoder.lastError();
    EXPECT_EQ(rgba->bytes(), (Bytes{200, 0, 0, 0, 0, 100, 0, 128, 0, 0, 50, 255}));

    layout.transparency.clear();  // without tRNS the palette gives opaque RGB
    auto opaque = decode(test::pngFile(layout), ImageFormat::Rgba);
    ASSERT_NE(opaque, nullptr);
    EXPECT_EQ(opaque->pixel(0, 0), 0xC80000FFu);
    EXPECT_EQ(opaque->pixel(1, 0), 0x006400FFu);

    layout.bitDepth = 2;  // packed 2-bit indices 0, 1, 2
    layout.rows = {{0b00011000}};
    auto packed = decode(test::pngFile(layout), ImageFormat::Rgb);
    ASSERT_NE(packed, nullptr) << decoder.lastError();
    EXPECT_EQ(packed->bytes(), (Bytes{200, 0, 0, 0, 100, 0, 0, 0, 50}));
}

TEST_F(PngDecoderTest, GreyImagesBecomeRgbWithEqualChannels) {
    PngLayout layout;
    layout.width = 2;
    layout.colorType = PNG_COLOR_TYPE_GRAY;
    layout.rows = {{7, 250}};
    auto rgb = decode(test::pngFile(layout), ImageFormat::Rgb);
    ASSERT_NE(rgb, nullptr) << decoder.lastError();
    EXPECT_EQ(rgb->bytes(), (Bytes{7, 7, 7, 250, 250, 250}));

    layout.bitDepth = 1;  // 1-bit grey expands to 0 and 255
    layout.rows = {{0b01000000}};
    auto bits = decode(test::pngFile(layout), ImageFormat::Luminance);
    ASSERT_NE(bits, nullptr) << decoder.lastError();
    EXPECT_EQ(bits->bytes(), (Bytes{0, 255}));

    PngLayout withAlpha;
    withAlpha.width = 1;
    withAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    withAlpha.rows = {{90, 33}};
    auto rgba = decode(test::pngFile(withAlpha), ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr) << decoder.lastError();
    EXPECT_EQ(rgba->bytes(), (Bytes{90, 90, 90, 33}));
}

TEST_F(PngDecoderTest, SixteenBitChannelsAreCutToTheirHighByte) {
    PngLayout layout;
    layout.width = 1;
    layout.bitDepth = 16;
    layout.rows = {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x01}};
    auto rgb = decode(test::pngFile(layout), ImageFormat::Rgb);
    ASSERT_NE(rgb, nullptr) << decoder.lastError();
    // Stripping keeps the high byte (a scaled reduction could round 0xAB, 0xCD up to 0xAC).
    EXPECT_EQ(rgb->bytes(), (Bytes{0x12, 0xAB, 0xFF}));
}

TEST_F(PngDecoderTest, InterlacedImagesEqualTheirPlainTwins) {
    PngLayout layout;
    layout.width = 11;
    layout.height = 9;
    layout.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (int y = 0; y < layout.height; ++y) {
        Bytes row;
        for (int x = 0; x < layout.width; ++x)
            row.insert(row.end(), {static_cast<std::uint8_t>(x * 20), static_cast<std::uint8_t>(y * 25),
                                   static_cast<std::uint8_t>(x * y), static_cast<std::uint8_t>(255 - x - y)});
        layout.rows.push_back(row);
    }
    auto plain = decode(test::pngFile(layout), ImageFormat::Rgba);
    layout.interlaced = true;
    auto interlaced = decode(test::pngFile(layout), ImageFormat::Rgba);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(interlaced, nullptr) << decoder.lastError();
    EXPECT_EQ(interlaced->bytes(), plain->bytes());
    EXPECT_EQ(plain->pixel(10, 8), 0xC8C850EDu);
}

TEST_F(PngDecoderTest, TruncatedAndDamagedFilesFailWithAReason) {
    PngLayout layout = rgbQuad();
    const Bytes file = test::pngFile(layout);
    // Every cut inside the header or the image data; the last 16 bytes are the data checksum and the end chunk.
    for (std::size_t length = 0; length + 16 < file.size(); ++length) {
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(decoder.decode2D(prefix.data(), prefix.size(), ImageFormat::Rgb), nullptr) << length;
        EXPECT_FALSE(decoder.lastError().empty());
    }

    Bytes damaged = file;
    damaged[damaged.size() - 20] ^= 0x5A;  // inside the image data: its checksum no longer matches
    EXPECT_EQ(decode(damaged, ImageFormat::Rgb), nullptr);
    EXPECT_NE(decoder.lastError().find("PNG"), std::string::npos) << decoder.lastError();

    Bytes notPng = file;
    notPng[1] = 'X';
    EXPECT_EQ(decode(notPng, ImageFormat::Rgb), nullptr);
    EXPECT_EQ(decoder.lastError(), "not a PNG file");
}

TEST_F(PngDecoderTest, AHugeHeaderOverATinyFileIsRefused) {
    PngLayout layout;
    layout.width = 1;
    layout.rows = {{1, 2, 3}};
    Bytes file = test::pngFile(layout);
    // Width and height at bytes 16..23 of the header chunk; the chunk checksum is recomputed by hand.
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    put32(16, 16000);
    put32(20, 16000);
    put32(29, static_cast<std::uint32_t>(crc32(0, &file[12], 17)));
    EXPECT_EQ(decode(file, ImageFormat::Rgba), nullptr);
    EXPECT_NE(decoder.lastError().find("shorter"), std::string::npos) << decoder.lastError();

    put32(16, 40000);  // above the largest image side
    put32(29, static_cast<std::uint32_t>(crc32(0, &file[12], 17)));
    EXPECT_EQ(decode(file, ImageFormat::Rgba), nullptr);
}

TEST_F(PngDecoderTest, OneDimensionalDecodeTakesTheTopRow) {
    const Bytes file = test::pngFile(rgbQuad());
    auto line = decoder.decode1D(file.data(), file.size(), ImageFormat::Rgb);
    ASSERT_NE(line, nullptr) << decoder.lastError();
    EXPECT_EQ(line->height(), 1);
    EXPECT_EQ(line->bytes(), (Bytes{255, 0, 0, 0, 255, 0}));
}

}  // namespace
}  // namespace qv3rn
