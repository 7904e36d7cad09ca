// Tests of the TGA reader on files written byte by byte here: row order, depths, colour maps, run-length
// packets, the three boxes, and truncated or lying files.
#include "image/tga_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/message_hook.h"
#include "image_samples.h"

namespace qv3rn {
namespace {

using test::Bytes;
using test::TgaLayout;

// Records the boxes the decoder shows instead of showing them.
class TgaDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMessageHook([this](const std::string& caption, const std::string& text) {
            boxes.emplace_back(caption, text);
        });
    }
    void TearDown() override { setMessageHook({}); }

    std::unique_ptr<PixelStore> decode(const Bytes& file, ImageFormat format) {
        return decoder.decode2D(file.data(), file.size(), format);
    }

    TgaDecoder decoder;
    std::vector<std::pair<std::string, std::string>> boxes;
};

// 2 x 2, top row red / green, bottom row blue / white (alpha 10, 20, 30, 40).
const Bytes quad = {255, 0, 0, 10, 0, 255, 0, 20, 0, 0, 255, 30, 255, 255, 255, 40};

TEST_F(TgaDecoderTest, TwentyFourBitRowsAreFlippedSoRowZeroIsTheTop) {
    TgaLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.data = test::tgaPixels(quad, 2, 2, 24);
    // The file's first stored row is the picture's bottom row.
    ASSERT_EQ(Bytes(layout.data.begin(), layout.data.begin() + 3), (Bytes{255, 0, 0}));  // blue as B, G, R

    auto image = decode(test::tgaFile(layout), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->width(), 2);
    EXPECT_EQ(image->height(), 2);
    EXPECT_EQ(image->bytes(), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TgaDecoderTest, ThirtyTwoBitImagesKeepTheirAlpha) {
    TgaLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.depth = 32;
    layout.data = test::tgaPixels(quad, 2, 2, 32);
    auto rgba = decode(test::tgaFile(layout), ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr) << decoder.lastError();
    EXPECT_EQ(rgba->bytes(), quad);

    auto alpha = decode(test::tgaFile(layout), ImageFormat::Alpha);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->bytes(), (Bytes{10, 20, 30, 40}));

    auto la = decode(test::tgaFile(layout), ImageFormat::LuminanceAlpha);
    ASSERT_NE(la, nullptr);
    EXPECT_EQ(la->bytes(), (Bytes{0, 10, 0, 20, 255, 30, 255, 40}));  // blue, alpha
}

TEST_F(TgaDecoderTest, TwentyFourBitImagesGetOpaqueAlphaAndRedAsAlpha) {
    TgaLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.data = test::tgaPixels(quad, 2, 2, 24);
    auto rgba = decode(test::tgaFile(layout), ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(rgba->pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(rgba->pixel(1, 1), 0xFFFFFFFFu);
    auto alpha = decode(test::tgaFile(layout), ImageFormat::Alpha);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->bytes(), (Bytes{255, 0, 0, 255}));  // red of each pixel
}

TEST_F(TgaDecoderTest, SixteenBitColourWidensFiveBitChannels) {
    TgaLayout layout;
    layout.width = 4;
    layout.height = 1;
    layout.depth = 16;
    // 0x7FFF white, 0xFFFF white with bit 15 set, 0x001F blue, 0x7C00 red.
    layout.data = {0xFF, 0x7F, 0xFF, 0xFF, 0x1F, 0x00, 0x00, 0x7C};
    auto image = decode(test::tgaFile(layout), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->bytes(), (Bytes{248, 248, 248, 248, 248, 248, 0, 0, 248, 248, 0, 0}));

    layout.imageType = 10;  // the same pixels as one raw packet of four
    layout.data.insert(layout.data.begin(), 0x03);
    auto packed = decode(test::tgaFile(layout), ImageFormat::Rgb);
    ASSERT_NE(packed, nullptr) << decoder.lastError();
    EXPECT_EQ(packed->bytes(), image->bytes());
}

TEST_F(TgaDecoderTest, RunLengthPacketsRepeatAndCopyAcrossRows) {
    TgaLayout layout;
    layout.imageType = 10;
    layout.width = 3;
    layout.height = 2;
    // 0x83: one pixel four times (fills the bottom row and spills into the top row); then a raw packet of two.
    layout.data = {0x83, 1, 2, 3, 0x01, 10, 20, 30, 40, 50, 60};
    auto image = decode(test::tgaFile(layout), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    // Top row (file row 1): the fourth repeated pixel, then the two raw pixels. Colours are R, G, B.
    EXPECT_EQ(image->pixel(0, 0), 0x030201u);
    EXPECT_EQ(image->pixel(1, 0), 0x1E140Au);
    EXPECT_EQ(image->pixel(2, 0), 0x3C3228u);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image->pixel(x, 1), 0x030201u) << x;
}

TEST_F(TgaDecoderTest, APacketRunningPastTheLastPixelIsCutThere) {
    TgaLayout layout;
    layout.imageType = 10;
    layout.width = 2;
    layout.height = 1;
    layout.data = {0xFF, 9, 8, 7};  // 128 repeats of one pixel for a 2-pixel image
    auto image = decode(test::tgaFile(layout), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->bytes(), (Bytes{7, 8, 9, 7, 8, 9}));

    layout.data = {0x7F, 1, 1, 1, 2, 2, 2};  // a raw packet claiming 128 pixels but holding only the 2 needed
    auto raw = decode(test::tgaFile(layout), ImageFormat::Rgb);
    ASSERT_NE(raw, nullptr) << decoder.lastError();
    EXPECT_EQ(raw->bytes(), (Bytes{1, 1, 1, 2, 2, 2}));
}

TEST_F(TgaDecoderTest, TwentyFourBitColourMapsExpandIndicesRawAndRunLength) {
    TgaLayout layout;
    layout.imageType = 1;
    layout.depth = 8;
    layout.width = 3;
    layout.height = 1;
    layout.colorMapType = 1;
    layout.colorMapLength = 2;
    layout.colorMapEntrySize = 24;
    layout.colorMap = {0, 0, 200, 100, 0, 0};  // entry 0 red 200, entry 1 blue 100 (stored B, G, R)
    layout.id = {'i', 'd', '!'};               // skipped before the colour map
    layout.data = {1, 0, 1};
    auto image = decode(test::tgaFile(layout), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->bytes(), (Bytes{0, 0, 100, 200, 0, 0, 0, 0, 100}));

    layout.imageType = 9;
    layout.data = {0x82, 0};  // entry 0 three times
    auto packed = decode(test::tgaFile(layout), ImageFormat::Red);
    ASSERT_NE(packed, nullptr) << decoder.lastError();
    EXPECT_EQ(packed->bytes(), (Bytes{200, 200, 200}));

    layout.imageType = 1;
    layout.data = {0, 2, 0};  // index 2 lies outside a two-entry map
    EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgb), nullptr);
    EXPECT_NE(decoder.lastError().find("outside the colour map"), std::string::npos) << decoder.lastError();
}

TEST_F(TgaDecoderTest, ColourMapsWithoutTwentyFourBitEntriesShowTheBoxAndFail) {
    TgaLayout layout;
    layout.imageType = 1;
    layout.depth = 8;
    layout.colorMapType = 1;
    layout.colorMapLength = 1;
    layout.colorMapEntrySize = 16;
    layout.colorMap = {0xFF, 0x7F};
    layout.data = {0};
    EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgb), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "TGA");
    EXPECT_EQ(boxes[0].second, "Only 24bit paletted images are supported.");

    layout.colorMapEntrySize = 24;  // a 24-bit map flagged as absent is refused the same way
    layout.colorMapType = 0;
    layout.colorMap = {1, 2, 3};
    EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgb), nullptr);
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(TgaDecoderTest, UnknownTypesAndDepthsShowTheirBoxes) {
    for (int type : {0, 4, 8, 12, 32}) {
        TgaLayout layout;
        layout.imageType = static_cast<std::uint8_t>(type);
        layout.data = {1, 2, 3};
        EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgb), nullptr) << type;
    }
    ASSERT_EQ(boxes.size(), 5u);
    for (const auto& box : boxes) EXPECT_EQ(box, std::make_pair(std::string("TGA"), std::string("Unsupported image type.")));

    boxes.clear();
    for (int depth : {1, 15, 31, 64}) {
        TgaLayout layout;
        layout.depth = static_cast<std::uint8_t>(depth);
        layout.data = Bytes(16, 0);
        EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgb), nullptr) << depth;
    }
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].second, "Unsupported image depth.");
}

TEST_F(TgaDecoderTest, GreyImagesAreReadButRefusedWithoutABox) {
    for (int type : {3, 11}) {
        TgaLayout layout;
        layout.imageType = static_cast<std::uint8_t>(type);
        layout.depth = 8;
        layout.width = 2;
        layout.height = 1;
        layout.data = type == 3 ? Bytes{5, 6} : Bytes{0x81, 5};
        for (ImageFormat format : {ImageFormat::Luminance, ImageFormat::Rgb, ImageFormat::Rgba})
            EXPECT_EQ(decode(test::tgaFile(layout), format), nullptr) << type;
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_NE(decoder.lastError().find("grey"), std::string::npos) << decoder.lastError();
}

TEST_F(TgaDecoderTest, ATrueColourImageSkipsAnUnusedColourMap) {
    TgaLayout layout;
    layout.colorMapType = 1;
    layout.colorMapLength = 2;
    layout.colorMapEntrySize = 32;
    layout.colorMap = Bytes(8, 0xEE);
    layout.data = {1, 2, 3};
    auto image = decode(test::tgaFile(layout), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->bytes(), (Bytes{3, 2, 1}));
}

TEST_F(TgaDecoderTest, EveryTruncationOfAValidFileFailsCleanly) {
    TgaLayout raw;
    raw.width = 3;
    raw.height = 2;
    raw.depth = 32;
    raw.id = {1, 2};
    raw.data = Bytes(3 * 2 * 4, 0x55);
    TgaLayout packed;
    packed.imageType = 10;
    packed.width = 4;
    packed.height = 2;
    packed.data = {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9, 0x82, 1, 1, 1};
    TgaLayout mapped;
    mapped.imageType = 9;
    mapped.depth = 8;
    mapped.width = 4;
    mapped.height = 1;
    mapped.colorMapType = 1;
    mapped.colorMapLength = 2;
    mapped.colorMapEntrySize = 24;
    mapped.colorMap = {1, 2, 3, 4, 5, 6};
    mapped.data = {0x83, 1};
    for (const TgaLayout& layout : {raw, packed, mapped}) {
        const Bytes file = test::tgaFile(layout);
        ASSERT_NE(decode(file, ImageFormat::Rgba), nullptr) << decoder.lastError();
        for (std::size_t length = 0; length < file.size(); ++length) {
            // A copy of exactly `length` bytes: reading one byte more is caught by the address sanitizer.
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(decoder.decode2D(prefix.data(), prefix.size(), ImageFormat::Rgba), nullptr)
                << "type " << int(layout.imageType) << ", " << length << " bytes";
            EXPECT_FALSE(decoder.lastError().empty());
        }
    }
}

TEST_F(TgaDecoderTest, HeadersClaimingMorePixelsThanTheFileHoldsFailBeforeAllocating) {
    TgaLayout layout;
    layout.width = 16000;
    layout.height = 16000;  // 768 MB of pixels in a 21-byte file
    layout.data = {1, 2, 3};
    EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgba), nullptr);
    EXPECT_NE(decoder.lastError().find("shorter"), std::string::npos) << decoder.lastError();

    layout.imageType = 10;
    layout.data = {0xFF, 1, 2, 3};  // run-length: four bytes can give 128 pixels at most
    EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgba), nullptr);

    layout.width = 0;
    EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgba), nullptr);
    layout.width = 20000;
    layout.height = 1;
    EXPECT_EQ(decode(test::tgaFile(layout), ImageFormat::Rgba), nullptr);
}

TEST_F(TgaDecoderTest, OneDimensionalDecodeTakesTheFirstStoredRow) {
    TgaLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.data = test::tgaPixels(quad, 2, 2, 24);
    const Bytes file = test::tgaFile(layout);
    auto line = decoder.decode1D(file.data(), file.size(), ImageFormat::Rgb);
    ASSERT_NE(line, nullptr) << decoder.lastError();
    EXPECT_EQ(line->width(), 2);
    EXPECT_EQ(line->height(), 1);
    EXPECT_EQ(line->bytes(), (Bytes{0, 0, 255, 255, 255, 255}));  // the bottom row: blue, white
}

TEST_F(TgaDecoderTest, FileVariantsReadTheSameBytesAndNameAMissingFile) {
    TgaLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.data = test::tgaPixels(quad, 2, 2, 24);
    test::writeFile("quad.tga", test::tgaFile(layout));
    auto image = decoder.decode2DFromFile("quad.tga", ImageFormat::Rgba);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->pixel(1, 0), 0x00FF00FFu);
    auto line = decoder.decode1DFromFile("quad.tga", ImageFormat::Rgb);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->pixel(0, 0), 0x0000FFu);

    EXPECT_EQ(decoder.decode2DFromFile("no such file.tga", ImageFormat::Rgb), nullptr);
    EXPECT_NE(decoder.lastError().find("no such file.tga"), std::string::npos) << decoder.lastError();
}

}  // namespace
}  // namespace qv3rn
