// Tests of the TGA reader on files written byte by byte here: row order, depths, colour maps, run-length
// packets, the three boxes, and truncated or lying files.
#include "image/tga_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "image/image_messages.h"
#include "image_samples.h"

namespace qv3rn {
namespace {

using test::Bytes;
using test::TgaSpec;

// Records the boxes the decoder shows instead of showing them.
class TgaDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        setImageMessageHandler([this](const std::string& caption, const std::string& text) {
            boxes.emplace_back(caption, text);
        });
    }
    void TearDown() override { setImageMessageHandler({}); }

    std::unique_ptr<PixelStore> decode(const Bytes& file, ImageFormat format) {
        return decoder.decode2D(file.data(), file.size(), format);
    }

    TgaDecoder decoder;
    std::vector<std::pair<std::string, std::string>> boxes;
};

// 2 x 2, top row red / green, bottom row blue / white (alpha 10, 20, 30, 40).
const Bytes quad = {255, 0, 0, 10, 0, 255, 0, 20, 0, 0, 255, 30, 255, 255, 255, 40};

TEST_F(TgaDecoderTest, TwentyFourBitRowsAreFlippedSoRowZeroIsTheTop) {
    TgaSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.data = test::tgaPixels(quad, 2, 2, 24);
    // The file's first stored row is the picture's bottom row.
    ASSERT_EQ(Bytes(spec.data.begin(), spec.data.begin() + 3), (Bytes{255, 0, 0}));  // blue as B, G, R

    auto image = decode(test::tgaFile(spec), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->width(), 2);
    EXPECT_EQ(image->height(), 2);
    EXPECT_EQ(image->bytes(), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TgaDecoderTest, ThirtyTwoBitImagesKeepTheirAlpha) {
    TgaSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.depth = 32;
    spec.data = test::tgaPixels(quad, 2, 2, 32);
    auto rgba = decode(test::tgaFile(spec), ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr) << decoder.lastError();
    EXPECT_EQ(rgba->bytes(), quad);

    auto alpha = decode(test::tgaFile(spec), ImageFormat::Alpha);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->bytes(), (Bytes{10, 20, 30, 40}));

    auto la = decode(test::tgaFile(spec), ImageFormat::LuminanceAlpha);
    ASSERT_NE(la, nullptr);
    EXPECT_EQ(la->bytes(), (Bytes{0, 10, 0, 20, 255, 30, 255, 40}));  // blue, alpha
}

TEST_F(TgaDecoderTest, TwentyFourBitImagesGetOpaqueAlphaAndRedAsAlpha) {
    TgaSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.data = test::tgaPixels(quad, 2, 2, 24);
    auto rgba = decode(test::tgaFile(spec), ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(rgba->pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(rgba->pixel(1, 1), 0xFFFFFFFFu);
    auto alpha = decode(test::tgaFile(spec), ImageFormat::Alpha);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->bytes(), (Bytes{255, 0, 0, 255}));  // red of each pixel
}

TEST_F(TgaDecoderTest, SixteenBitColourWidensFiveBitChannels) {
    TgaSpec spec;
    spec.width = 4;
    spec.height = 1;
    spec.depth = 16;
    // 0x7FFF white, 0xFFFF white with bit 15 set, 0x001F blue, 0x7C00 red.
    spec.data = {0xFF, 0x7F, 0xFF, 0xFF, 0x1F, 0x00, 0x00, 0x7C};
    auto image = decode(test::tgaFile(spec), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->bytes(), (Bytes{248, 248, 248, 248, 248, 248, 0, 0, 248, 248, 0, 0}));

    spec.imageType = 10;  // the same pixels as one raw packet of four
    spec.data.insert(spec.data.begin(), 0x03);
    auto packed = decode(test::tgaFile(spec), ImageFormat::Rgb);
    ASSERT_NE(packed, nullptr) << decoder.lastError();
    EXPECT_EQ(packed->bytes(), image->bytes());
}

TEST_F(TgaDecoderTest, RunLengthPacketsRepeatAndCopyAcrossRows) {
    TgaSpec spec;
    spec.imageType = 10;
    spec.width = 3;
    spec.height = 2;
    // 0x83: one pixel four times (fills the bottom row and spills into the top row); then a raw packet of two.
    spec.data = {0x83, 1, 2, 3, 0x01, 10, 20, 30, 40, 50, 60};
    auto image = decode(test::tgaFile(spec), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    // Top row (file row 1): the fourth repeated pixel, then the two raw pixels. Colours are R, G, B.
    EXPECT_EQ(image->pixel(0, 0), 0x030201u);
    EXPECT_EQ(image->pixel(1, 0), 0x1E140Au);
    EXPECT_EQ(image->pixel(2, 0), 0x3C3228u);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image->pixel(x, 1), 0x030201u) << x;
}

TEST_F(TgaDecoderTest, APacketRunningPastTheLastPixelIsCutThere) {
    TgaSpec spec;
    spec.imageType = 10;
    spec.width = 2;
    spec.height = 1;
    spec.data = {0xFF, 9, 8, 7};  // 128 repeats of one pixel for a 2-pixel image
    auto image = decode(test::tgaFile(spec), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->bytes(), (Bytes{7, 8, 9, 7, 8, 9}));

    spec.data = {0x7F, 1, 1, 1, 2, 2, 2};  // a raw packet claiming 128 pixels but holding only the 2 needed
    auto raw = decode(test::tgaFile(spec), ImageFormat::Rgb);
    ASSERT_NE(raw, nullptr) << decoder.lastError();
    EXPECT_EQ(raw->bytes(), (Bytes{1, 1, 1, 2, 2, 2}));
}

TEST_F(TgaDecoderTest, TwentyFourBitColourMapsExpandIndicesRawAndRunLength) {
    TgaSpec spec;
    spec.imageType = 1;
    spec.depth = 8;
    spec.width = 3;
    spec.height = 1;
    spec.colorMapType = 1;
    spec.colorMapLength = 2;
    spec.colorMapEntrySize = 24;
    spec.colorMap = {0, 0, 200, 100, 0, 0};  // entry 0 red 200, entry 1 blue 100 (stored B, G, R)
    spec.id = {'i', 'd', '!'};               // skipped before the colour map
    spec.data = {1, 0, 1};
    auto image = decode(test::tgaFile(spec), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->bytes(), (Bytes{0, 0, 100, 200, 0, 0, 0, 0, 100}));

    spec.imageType = 9;
    spec.data = {0x82, 0};  // entry 0 three times
    auto packed = decode(test::tgaFile(spec), ImageFormat::Red);
    ASSERT_NE(packed, nullptr) << decoder.lastError();
    EXPECT_EQ(packed->bytes(), (Bytes{200, 200, 200}));

    spec.imageType = 1;
    spec.data = {0, 2, 0};  // index 2 lies outside a two-entry map
    EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgb), nullptr);
    EXPECT_NE(decoder.lastError().find("outside the colour map"), std::string::npos) << decoder.lastError();
}

TEST_F(TgaDecoderTest, ColourMapsWithoutTwentyFourBitEntriesShowTheBoxAndFail) {
    TgaSpec spec;
    spec.imageType = 1;
    spec.depth = 8;
    spec.colorMapType = 1;
    spec.colorMapLength = 1;
    spec.colorMapEntrySize = 16;
    spec.colorMap = {0xFF, 0x7F};
    spec.data = {0};
    EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgb), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "TGA");
    EXPECT_EQ(boxes[0].second, "Only 24bit paletted images are supported.");

    spec.colorMapEntrySize = 24;  // a 24-bit map flagged as absent is refused the same way
    spec.colorMapType = 0;
    spec.colorMap = {1, 2, 3};
    EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgb), nullptr);
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(TgaDecoderTest, UnknownTypesAndDepthsShowTheirBoxes) {
    for (int type : {0, 4, 8, 12, 32}) {
        TgaSpec spec;
        spec.imageType = static_cast<std::uint8_t>(type);
        spec.data = {1, 2, 3};
        EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgb), nullptr) << type;
    }
    ASSERT_EQ(boxes.size(), 5u);
    for (const auto& box : boxes) EXPECT_EQ(box, std::make_pair(std::string("TGA"), std::string("Unsupported image type.")));

    boxes.clear();
    for (int depth : {1, 15, 31, 64}) {
        TgaSpec spec;
        spec.depth = static_cast<std::uint8_t>(depth);
        spec.data = Bytes(16, 0);
        EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgb), nullptr) << depth;
    }
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].second, "Unsupported image depth.");
}

TEST_F(TgaDecoderTest, GreyImagesAreReadButRefusedWithoutABox) {
    for (int type : {3, 11}) {
        TgaSpec spec;
        spec.imageType = static_cast<std::uint8_t>(type);
        spec.depth = 8;
        spec.width = 2;
        spec.height = 1;
        spec.data = type == 3 ? Bytes{5, 6} : Bytes{0x81, 5};
        for (ImageFormat format : {ImageFormat::Luminance, ImageFormat::Rgb, ImageFormat::Rgba})
            EXPECT_EQ(decode(test::tgaFile(spec), format), nullptr) << type;
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_NE(decoder.lastError().find("grey"), std::string::npos) << decoder.lastError();
}

TEST_F(TgaDecoderTest, ATrueColourImageSkipsAnUnusedColourMap) {
    TgaSpec spec;
    spec.colorMapType = 1;
    spec.colorMapLength = 2;
    spec.colorMapEntrySize = 32;
    spec.colorMap = Bytes(8, 0xEE);
    spec.data = {1, 2, 3};
    auto image = decode(test::tgaFile(spec), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->bytes(), (Bytes{3, 2, 1}));
}

TEST_F(TgaDecoderTest, EveryTruncationOfAValidFileFailsCleanly) {
    TgaSpec raw;
    raw.width = 3;
    raw.height = 2;
    raw.depth = 32;
    raw.id = {1, 2};
    raw.data = Bytes(3 * 2 * 4, 0x55);
    TgaSpec packed;
    packed.imageType = 10;
    packed.width = 4;
    packed.height = 2;
    packed.data = {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9, 0x82, 1, 1, 1};
    TgaSpec mapped;
    mapped.imageType = 9;
    mapped.depth = 8;
    mapped.width = 4;
    mapped.height = 1;
    mapped.colorMapType = 1;
    mapped.colorMapLength = 2;
    mapped.colorMapEntrySize = 24;
    mapped.colorMap = {1, 2, 3, 4, 5, 6};
    mapped.data = {0x83, 1};
    for (const TgaSpec& spec : {raw, packed, mapped}) {
        const Bytes file = test::tgaFile(spec);
        ASSERT_NE(decode(file, ImageFormat::Rgba), nullptr) << decoder.lastError();
        for (std::size_t length = 0; length < file.size(); ++length) {
            // A copy of exactly `length` bytes: reading one byte more is caught by the address sanitizer.
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(decoder.decode2D(prefix.data(), prefix.size(), ImageFormat::Rgba), nullptr)
                << "type " << int(spec.imageType) << ", " << length << " bytes";
            EXPECT_FALSE(decoder.lastError().empty());
        }
    }
}

TEST_F(TgaDecoderTest, HeadersClaimingMorePixelsThanTheFileHoldsFailBeforeAllocating) {
    TgaSpec spec;
    spec.width = 16000;
    spec.height = 16000;  // 768 MB of pixels in a 21-byte file
    spec.data = {1, 2, 3};
    EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgba), nullptr);
    EXPECT_NE(decoder.lastError().find("shorter"), std::string::npos) << decoder.lastError();

    spec.imageType = 10;
    spec.data = {0xFF, 1, 2, 3};  // run-length: four bytes can give 128 pixels at most
    EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgba), nullptr);

    spec.width = 0;
    EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgba), nullptr);
    spec.width = 20000;
    spec.height = 1;
    EXPECT_EQ(decode(test::tgaFile(spec), ImageFormat::Rgba), nullptr);
}

TEST_F(TgaDecoderTest, OneDimensionalDecodeTakesTheFirstStoredRow) {
    TgaSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.data = test::tgaPixels(quad, 2, 2, 24);
    const Bytes file = test::tgaFile(spec);
    auto line = decoder.decode1D(file.data(), file.size(), ImageFormat::Rgb);
    ASSERT_NE(line, nullptr) << decoder.lastError();
    EXPECT_EQ(line->width(), 2);
    EXPECT_EQ(line->height(), 1);
    EXPECT_EQ(line->bytes(), (Bytes{0, 0, 255, 255, 255, 255}));  // the bottom row: blue, white
}

TEST_F(TgaDecoderTest, FileVariantsReadTheSameBytesAndNameAMissingFile) {
    TgaSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.data = test::tgaPixels(quad, 2, 2, 24);
    test::writeFile("quad.tga", test::tgaFile(spec));
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
