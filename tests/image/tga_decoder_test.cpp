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
        setMessageHook(
            [this](const std::string& caption, const std::string& text) { boxes.push_back(caption + ": " + text); });
    }
    void TearDown() override { setMessageHook({}); }

    std::unique_ptr<PixelStore> decode(const TgaLayout& layout, ImageFormat format) {
        const Bytes file = test::tgaFile(layout);
        return decoder.decode2D(file.data(), file.size(), format);
    }

    TgaDecoder decoder;
    std::vector<std::string> boxes;
};

// 2 x 2, top row red / green, bottom row blue / white (alpha 10, 20, 30, 40).
const Bytes quad = {255, 0, 0, 10, 0, 255, 0, 20, 0, 0, 255, 30, 255, 255, 255, 40};
const TgaLayout quad24{.width = 2, .height = 2, .data = test::tgaPixels(quad, 2, 2, 24)};
const TgaLayout quad32{.depth = 32, .width = 2, .height = 2, .data = test::tgaPixels(quad, 2, 2, 32)};
// Entry 0 red 200, entry 1 blue 100 (stored B, G, R), behind an image id field that is skipped.
const TgaLayout mapped{.imageType = 1, .depth = 8, .width = 3, .colorMapType = 1, .colorMapLength = 2,
                       .colorMapEntrySize = 24, .id = {'i', 'd', '!'},
                       .colorMap = {0, 0, 200, 100, 0, 0},
                       .data = {1, 0, 1}};

TEST_F(TgaDecoderTest, DecodesEveryDepthPacketKindAndColourMapTopRowFirst) {
    TgaLayout mappedPacked = mapped;
    mappedPacked.imageType = 9;
    mappedPacked.data = {0x82, 0};                                           // entry 0 three times
    const Bytes sixteen = {0xFF, 0x7F, 0xFF, 0xFF, 0x1F, 0x00, 0x00, 0x7C};  // white, white with bit 15, blue, red
    const struct {
        const char* what;
        TgaLayout layout;
        ImageFormat format;
        Bytes expected;
    } cases[] = {
        {"24-bit, rows flipped", quad24, ImageFormat::Rgb, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}},
        {"32-bit keeps alpha", quad32, ImageFormat::Rgba, quad},
        {"32-bit alpha", quad32, ImageFormat::Alpha, {10, 20, 30, 40}},
        {"16-bit widens five bits", {.depth = 16, .width = 4, .data = sixteen},
         ImageFormat::Rgb, {248, 248, 248, 248, 248, 248, 0, 0, 248, 248, 0, 0}},
        // 0x83: one pixel four times fills the bottom row and spills into the top one; then a raw packet of two.
        {"run across rows",
         {.imageType = 10, .width = 3, .height = 2, .data = {0x83, 1, 2, 3, 0x01, 10, 20, 30, 40, 50, 60}},
         ImageFormat::Rgb, {3, 2, 1, 30, 20, 10, 60, 50, 40, 3, 2, 1, 3, 2, 1, 3, 2, 1}},
        {"run cut at the last pixel", {.imageType = 10, .width = 2, .data = {0xFF, 9, 8, 7}},
         ImageFormat::Rgb, {7, 8, 9, 7, 8, 9}},
        {"raw packet cut at the last pixel", {.imageType = 10, .width = 2, .data = {0x7F, 1, 1, 1, 2, 2, 2}},
         ImageFormat::Rgb, {1, 1, 1, 2, 2, 2}},
        {"colour map", mapped, ImageFormat::Rgb, {0, 0, 100, 200, 0, 0, 0, 0, 100}},
        {"run-length colour map", mappedPacked, ImageFormat::Red, {200, 200, 200}},
        {"unused colour map skipped", {.colorMapType = 1, .colorMapLength = 2, .colorMapEntrySize = 32,
          .colorMap = Bytes(8, 0xEE), .data = {1, 2, 3}},
         ImageFormat::Rgb, {3, 2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = decode(c.layout, c.format);
        ASSERT_NE(image, nullptr) << decoder.lastError();
        EXPECT_EQ(image->width(), c.layout.width);
        EXPECT_EQ(image->height(), c.layout.height);
        EXPECT_EQ(image->bytes(), c.expected);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TgaDecoderTest, RefusesWithAReasonAndTheBoxesOfTheTypeDepthAndMapChecks) {
    TgaLayout badIndex = mapped;
    badIndex.data = {0, 2, 0};  // index 2 lies outside a two-entry map
    TgaLayout sixteenBitMap = mapped;
    sixteenBitMap.colorMapEntrySize = 16;
    TgaLayout absentMap = mapped;
    absentMap.colorMapType = 0;
    const Bytes pixels(16, 0);
    const std::string mapBox = "TGA: Only 24bit paletted images are supported.";
    const std::string typeBox = "TGA: Unsupported image type.", depthBox = "TGA: Unsupported image depth.";
    const struct {
        TgaLayout layout;
        const char* reason;
        std::string box;
    } cases[] = {
        {badIndex, "outside the colour map", ""},
        {sixteenBitMap, "24-bit entries", mapBox},
        {absentMap, "24-bit entries", mapBox},
        {{.imageType = 0, .data = pixels}, "image type 0", typeBox},
        {{.imageType = 4, .data = pixels}, "image type 4", typeBox},
        {{.imageType = 32, .data = pixels}, "image type 32", typeBox},
        {{.depth = 15, .data = pixels}, "pixel depth 15", depthBox},
        {{.depth = 64, .data = pixels}, "pixel depth 64", depthBox},
        {{.imageType = 3, .depth = 8, .width = 2, .data = {5, 6}}, "grey", ""},
        {{.imageType = 11, .depth = 8, .width = 2, .data = {0x81, 5}}, "grey", ""},
        {{.depth = 8, .data = pixels}, "colour map", ""},
        {{.imageType = 1, .depth = 24, .colorMapType = 1, .colorMapLength = 1, .colorMapEntrySize = 24,
          .colorMap = {1, 2, 3},
          .data = pixels},
         "true-colour", ""},
        // 768 MB of pixels in a 21-byte file, raw or run-length: refused before anything is allocated.
        {{.width = 16000, .height = 16000, .data = {1, 2, 3}}, "shorter", ""},
        {{.imageType = 10, .width = 16000, .height = 16000, .data = {0xFF, 1, 2, 3}}, "shorter", ""},
        {{.width = 0, .data = pixels}, "no pixels", ""},
        {{.width = 20000, .data = pixels}, "too large", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        boxes.clear();
        EXPECT_EQ(decode(c.layout, ImageFormat::Rgba), nullptr);
        EXPECT_NE(decoder.lastError().find(c.reason), std::string::npos) << decoder.lastError();
        EXPECT_EQ(boxes, c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box});
    }
}

TEST_F(TgaDecoderTest, EveryTruncationOfAValidFileFailsCleanly) {
    const TgaLayout raw{.depth = 32, .width = 3, .height = 2, .id = {1, 2}, .data = Bytes(3 * 2 * 4, 0x55)};
    const TgaLayout packed{
        .imageType = 10, .width = 4, .height = 2, .data = {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9, 0x82, 1, 1, 1}};
    TgaLayout mappedPacked = mapped;
    mappedPacked.imageType = 9;
    mappedPacked.data = {0x82, 1};
    for (const TgaLayout& layout : {raw, packed, mappedPacked}) {
        const Bytes file = test::tgaFile(layout);
        ASSERT_NE(decode(layout, ImageFormat::Rgba), nullptr) << decoder.lastError();
        for (std::size_t length = 0; length < file.size(); ++length) {
            // A copy of exactly `length` bytes: reading one byte more is caught by the address sanitizer.
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(decoder.decode2D(prefix.data(), prefix.size(), ImageFormat::Rgba), nullptr)
                << "type " << int(layout.imageType) << ", " << length << " bytes";
            EXPECT_FALSE(decoder.lastError().empty());
        }
    }
}

TEST_F(TgaDecoderTest, FileAndOneDimensionalVariantsReadTheSameBytesAndNameAMissingFile) {
    test::writeFile("quad.tga", test::tgaFile(quad24));
    auto image = decoder.decode2DFromFile("quad.tga", ImageFormat::Rgba);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->pixel(1, 0), 0x00FF00FFu);
    auto line = decoder.decode1DFromFile("quad.tga", ImageFormat::Rgb);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->height(), 1);
    EXPECT_EQ(line->bytes(), (Bytes{0, 0, 255, 255, 255, 255}));  // the first stored row: blue, white
    EXPECT_EQ(decoder.decode2DFromFile("no such file.tga", ImageFormat::Rgb), nullptr);
    EXPECT_NE(decoder.lastError().find("no such file.tga"), std::string::npos) << decoder.lastError();
}

}  // namespace
}  // namespace qv3rn
