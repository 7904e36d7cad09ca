// Tests of the JPEG decoder on files libjpeg writes here: packing without alpha, grey and progressive files,
// and truncated or corrupt data.
#include "image/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "image_samples.h"

namespace qv3rn {
namespace {

using test::Bytes;

class JpegDecoderTest : public ::testing::Test {
protected:
    std::unique_ptr<PixelStore> decode(const Bytes& file, ImageFormat format) {
        return decoder.decode2D(file.data(), file.size(), format);
    }
    JpegDecoder decoder;
};

// JPEG is lossy: flat colours come back within a few steps.
void expectNear(std::uint8_t actual, int expected, const char* what) {
    EXPECT_LE(std::abs(static_cast<int>(actual) - expected), 3) << what << ": " << int(actual) << " vs " << expected;
}

// 16 x 16 pixels of one colour with red, green and blue far apart.
const Bytes flatOrange = test::jpegFile(16, 16, 3, test::flatPixels(16, 16, {230, 120, 20}));

TEST_F(JpegDecoderTest, RgbaGetsOpaqueAlphaEverywhere) {
    auto rgba = decode(flatOrange, ImageFormat::Rgba);
    ASSERT_NE(rgba, nullptr) << decoder.lastError();
    EXPECT_EQ(rgba->width(), 16);
    EXPECT_EQ(rgba->height(), 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const std::uint32_t p = rgba->pixel(x, y);
            ASSERT_EQ(p & 0xFF, 0xFFu) << x << ", " << y;
            expectNear(static_cast<std::uint8_t>(p >> 24), 230, "red");
        }
}

TEST_F(JpegDecoderTest, AlphaTakesRedAndLuminanceAlphaPutsRedHighAndBlueLow) {
    auto alpha = decode(flatOrange, ImageFormat::Alpha);
    ASSERT_NE(alpha, nullptr) << decoder.lastError();
    expectNear(alpha->row(5)[7], 230, "alpha from red");

    auto la = decode(flatOrange, ImageFormat::LuminanceAlpha);
    ASSERT_NE(la, nullptr);
    expectNear(la->row(3)[0], 230, "high byte (red)");
    expectNear(la->row(3)[1], 20, "low byte (blue)");

    auto luminance = decode(flatOrange, ImageFormat::Luminance);  // blue, as for every decoder
    ASSERT_NE(luminance, nullptr);
    expectNear(luminance->row(0)[0], 20, "luminance from blue");
}

TEST_F(JpegDecoderTest, RowsStayTopFirst) {
    // Top half white, bottom half black, on 8-row block boundaries so the halves stay clean.
    Bytes pixels = test::flatPixels(8, 16, {0, 0, 0});
    for (int i = 0; i < 8 * 8 * 3; ++i) pixels[i] = 255;
    auto rgb = decode(test::jpegFile(8, 16, 3, pixels), ImageFormat::Red);
    ASSERT_NE(rgb, nullptr) << decoder.lastError();
    expectNear(rgb->row(0)[4], 255, "top");
    expectNear(rgb->row(15)[4], 0, "bottom");

    auto line = decoder.decode1D(test::jpegFile(8, 16, 3, pixels).data(), test::jpegFile(8, 16, 3, pixels).size(),
                                 ImageFormat::Red);
    ASSERT_NE(line, nullptr);
    expectNear(line->row(0)[0], 255, "1D takes the top row");
}

TEST_F(JpegDecoderTest, GreyAndProgressiveFilesDecode) {
    auto grey = decode(test::jpegFile(8, 8, 1, test::flatPixels(8, 8, {77})), ImageFormat::Rgb);
    ASSERT_NE(grey, nullptr) << decoder.lastError();
    expectNear(grey->row(2)[0], 77, "red");
    expectNear(grey->row(2)[1], 77, "green");
    expectNear(grey->row(2)[2], 77, "blue");

    const Bytes progressive = test::jpegFile(16, 16, 3, test::flatPixels(16, 16, {230, 120, 20}), true);
    auto image = decode(progressive, ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    expectNear(image->row(15)[45], 230, "red of the last pixel");
}

TEST_F(JpegDecoderTest, TruncatedFilesFailInsteadOfComingOutGrey) {
    // Texture noise so the scan data is long enough to cut at many places.
    Bytes pixels;
    for (int i = 0; i < 32 * 32 * 3; ++i) pixels.push_back(static_cast<std::uint8_t>((i * 97) ^ (i >> 3)));
    const Bytes file = test::jpegFile(32, 32, 3, pixels, false, 90);
    ASSERT_NE(decode(file, ImageFormat::Rgb), nullptr) << decoder.lastError();
    for (std::size_t length = 0; length + 2 < file.size(); length += 7) {  // keep the end marker off
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(decoder.decode2D(prefix.data(), prefix.size(), ImageFormat::Rgb), nullptr) << length;
        EXPECT_FALSE(decoder.lastError().empty());
    }
}

TEST_F(JpegDecoderTest, GarbageAndCorruptScansFail) {
    const Bytes garbage = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0x13, 0x37, 0x00};
    EXPECT_EQ(decode(garbage, ImageFormat::Rgb), nullptr);
    EXPECT_NE(decoder.lastError().find("JPEG"), std::string::npos) << decoder.lastError();

    EXPECT_EQ(decode(Bytes{'P', 'N', 'G', '!'}, ImageFormat::Rgb), nullptr);
    EXPECT_EQ(decoder.lastError(), "not a JPEG file");

    // A marker dropped into the middle of the entropy-coded data.
    Bytes pixels;
    for (int i = 0; i < 32 * 32 * 3; ++i) pixels.push_back(static_cast<std::uint8_t>(i * 31));
    Bytes corrupt = test::jpegFile(32, 32, 3, pixels, false, 90);
    const std::size_t middle = corrupt.size() - corrupt.size() / 4;
    corrupt[middle] = 0xFF;
    corrupt[middle + 1] = 0xD9;
    EXPECT_EQ(decode(corrupt, ImageFormat::Rgb), nullptr);
}

}  // namespace
}  // namespace qv3rn
