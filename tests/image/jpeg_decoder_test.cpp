// Tests of the JPEG decoder on files libjpeg writes here: packing without alpha, grey and progressive files,
// and truncated or corrupt data.
#include "image/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "image_samples.h"

namespace qv3rn {
namespace {

using test::Bytes;

// JPEG is lossy: flat colours come back within a few steps.
void expectNear(const PixelStore& image, int x, int y, const std::vector<int>& expected) {
    const std::uint8_t* pixel = image.row(y) + x * static_cast<int>(expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_LE(std::abs(pixel[i] - expected[i]), 3)
            << "byte " << i << " at " << x << ", " << y << ": " << int(pixel[i]);
}

// Noise so that the scan data is long enough to cut and damage at many places.
Bytes noisyJpeg() {
    Bytes pixels;
    for (int i = 0; i < 32 * 32 * 3; ++i) pixels.push_back(static_cast<std::uint8_t>((i * 97) ^ (i >> 3)));
    return test::jpegFile(32, 32, 3, pixels, false, 90);
}

TEST(JpegDecoder, PacksWithoutAlphaRedHighBlueLowTopRowFirst) {
    // 16 x 16 of one colour with red, green and blue far apart, plain and progressive; a grey square; and
    // white over black on an 8-row block boundary so that the halves stay clean.
    const Bytes orange = test::jpegFile(16, 16, 3, test::flatPixels(16, 16, {230, 120, 20}));
    const Bytes progressive = test::jpegFile(16, 16, 3, test::flatPixels(16, 16, {230, 120, 20}), true);
    const Bytes grey = test::jpegFile(8, 8, 1, test::flatPixels(8, 8, {77}));
    Bytes halves = test::flatPixels(8, 16, {0, 0, 0});
    std::fill(halves.begin(), halves.begin() + 8 * 8 * 3, 255);
    const Bytes whiteOverBlack = test::jpegFile(8, 16, 3, halves);
    const struct {
        const Bytes* file;
        ImageFormat format;
        int x, y;
        std::vector<int> expected;
    } cases[] = {
        {&orange, ImageFormat::Rgba, 15, 15, {230, 120, 20, 255}},
        {&orange, ImageFormat::Alpha, 7, 5, {230}},               // alpha from red
        {&orange, ImageFormat::LuminanceAlpha, 0, 3, {230, 20}},  // red high, blue low
        {&orange, ImageFormat::Luminance, 0, 0, {20}},            // blue, as for every decoder
        {&progressive, ImageFormat::Rgb, 15, 15, {230, 120, 20}},
        {&grey, ImageFormat::Rgb, 0, 2, {77, 77, 77}},
        {&whiteOverBlack, ImageFormat::Red, 4, 0, {255}},
        {&whiteOverBlack, ImageFormat::Red, 4, 15, {0}},
    };
    JpegDecoder decoder;
    for (const auto& c : cases) {
        auto image = decoder.decode2D(c.file->data(), c.file->size(), c.format);
        ASSERT_NE(image, nullptr) << decoder.lastError();
        expectNear(*image, c.x, c.y, c.expected);
    }
}

TEST(JpegDecoder, TruncatedGarbageAndCorruptFilesFailInsteadOfComingOutGrey) {
    const Bytes file = noisyJpeg();
    JpegDecoder decoder;
    ASSERT_NE(decoder.decode2D(file.data(), file.size(), ImageFormat::Rgb), nullptr) << decoder.lastError();
    for (std::size_t length = 0; length + 2 < file.size(); length += 7) {  // keep the end marker off
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(decoder.decode2D(prefix.data(), prefix.size(), ImageFormat::Rgb), nullptr) << length;
        EXPECT_FALSE(decoder.lastError().empty());
    }
    Bytes corrupt = file;  // a marker dropped into the middle of the entropy-coded data
    corrupt[corrupt.size() - corrupt.size() / 4] = 0xFF;
    corrupt[corrupt.size() - corrupt.size() / 4 + 1] = 0xD9;
    Bytes huge = file;  // the frame header claims 16000 x 16000 pixels for a file of about a kilobyte
    const std::uint8_t frameMarker[] = {0xFF, 0xC0};
    const auto frame = std::search(huge.begin(), huge.end(), std::begin(frameMarker), std::end(frameMarker));
    ASSERT_NE(frame, huge.end());
    std::fill(frame + 5, frame + 9, 0);
    frame[5] = frame[7] = 0x3E;
    frame[6] = frame[8] = 0x80;
    const struct {
        Bytes bytes;
        const char* reason;
    } cases[] = {{{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0x13, 0x37, 0x00}, "JPEG"},
                 {{'P', 'N', 'G', '!'}, "not a JPEG file"},
                 {huge, "shorter than its 16000 x 16000 pixels need"},
                 {corrupt, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(decoder.decode2D(c.bytes.data(), c.bytes.size(), ImageFormat::Rgb), nullptr) << c.reason;
        EXPECT_NE(decoder.lastError().find(c.reason), std::string::npos) << decoder.lastError();
    }
}

}  // namespace
}  // namespace qv3rn
