// decoders_test.cpp -- Tests of the image decoders on files written here: layouts, formats, damaged files.
#include "image/png_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>  // Required for: crc32 (rewriting a header chunk)

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/message_hook.h"
#include "image/jpeg_decoder.h"
#include "image/png_writer.h"
#include "image/tga_decoder.h"
#include "image_samples.h"
#include "support/test_files.h"

namespace qv3rn {
namespace {

using test::Bytes;
using test::PngLayout;
using test::TgaLayout;

// Top row red, green; bottom row blue, grey 128.
const PngLayout rgbQuad{.width = 2, .height = 2, .rows = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 128, 128, 128}}};
const PngLayout palette{.width = 3, .colorType = PNG_COLOR_TYPE_PALETTE,
                        .palette = {{200, 0, 0}, {0, 100, 0}, {0, 0, 50}},
                        .rows = {{0, 1, 2}}};

TEST(PngDecoder, ExpandsEveryColourTypeIntoEveryFormatTopRowFirst) {
    PngLayout transparent = palette;
    transparent.transparency = {0, 128};  // the third entry stays opaque
    const struct { const char* what; PngLayout layout; ImageFormat format; Bytes expected; } cases[] = {
        {"rgb", rgbQuad, ImageFormat::Rgb, {255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128}},
        {"rgb as rgba", rgbQuad, ImageFormat::Rgba,
         {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 128, 128, 128, 255}},
        {"alpha is red without alpha", rgbQuad, ImageFormat::Alpha, {255, 0, 0, 128}},
        {"palette with transparency", transparent, ImageFormat::Rgba, {200, 0, 0, 0, 0, 100, 0, 128, 0, 0, 50, 255}},
        // Adam7 passes on 3 x 3 pixels: every pass that holds one lands in its place.
        {"interlaced grey", {.width = 3, .height = 3, .colorType = PNG_COLOR_TYPE_GRAY, .interlaced = true,
                             .rows = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}},
         ImageFormat::Luminance, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"1-bit grey", {.width = 2, .colorType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1, .rows = {{0b01000000}}},
         ImageFormat::Luminance, {0, 255}},
        // Stripping keeps the high byte (a scaled reduction could round 0xAB, 0xCD up to 0xAC).
        {"16-bit", {.bitDepth = 16, .rows = {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x01}}},
         ImageFormat::Rgb, {0x12, 0xAB, 0xFF}},
    };
    PngDecoder decoder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes file = test::pngFile(c.layout);
        auto image = decoder.decode2D(file.data(), file.size(), c.format);
        ASSERT_NE(image, nullptr) << decoder.lastError();
        EXPECT_EQ(image->width(), c.layout.width);
        EXPECT_EQ(image->bytes(), c.expected);
    }
}

TEST(PngDecoder, DamagedAndLyingFilesFailWithAReason) {
    const Bytes file = test::pngFile(rgbQuad);
    PngDecoder decoder;
    auto refused = [&](const Bytes& bytes, const char* reason) {
        EXPECT_EQ(decoder.decode2D(bytes.data(), bytes.size(), ImageFormat::Rgba), nullptr);
        EXPECT_NE(decoder.lastError().find(reason), std::string::npos) << decoder.lastError();
    };
    Bytes damaged = file;
    damaged[damaged.size() - 20] ^= 0x5A;  // inside the image data: its checksum no longer matches
    refused(damaged, "PNG");
    Bytes notPng = file;
    notPng[1] = 'X';
    refused(notPng, "not a PNG file");
    // A huge header over a tiny file: width and height at bytes 16..23, the chunk checksum recomputed by hand.
    Bytes huge = file;
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) huge[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    for (std::uint32_t side : {16000u, 40000u}) {  // the second is above the largest image side
        put32(16, side);
        put32(20, 16000);
        put32(29, static_cast<std::uint32_t>(crc32(0, &huge[12], 17)));
        refused(huge, side == 16000u ? "shorter" : "PNG");
    }
}

// A whole chunk: length, type, data and checksum.
Bytes pngChunk(const char* type, const Bytes& data) {
    Bytes chunk;
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<std::uint8_t>(data.size() >> shift));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    const auto crc = static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, static_cast<uInt>(data.size() + 4)));
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<std::uint8_t>(crc >> shift));
    return chunk;
}

TEST(PngDecoder, MemoryStaysSmallWhateverTheChunksClaim) {
    const Bytes file = test::pngFile(rgbQuad);
    const Bytes head(file.begin(), file.begin() + 33);  // signature and header chunk
    PngDecoder decoder;
    // About forty bytes whose text chunk claims nearly 2 GiB: refused before libpng reads the chunk.
    Bytes lying = head;
    lying.insert(lying.end(), {0x7F, 0xFF, 0xFF, 0x00, 't', 'E', 'X', 't', 'a', 'b', 'c'});
    EXPECT_EQ(decoder.decode2D(lying.data(), lying.size(), ImageFormat::Rgb), nullptr);
    EXPECT_EQ(decoder.lastError(), "PNG: chunk \"tEXt\" claims 2147483392 bytes but the file has 3 left");
    // A real megabyte of text is skipped in small pieces, never held whole.
    Bytes text(1 << 20, 'x');
    text[7] = 0;  // keyword "xxxxxxx", then the text
    Bytes withText = head;
    const Bytes chunk = pngChunk("tEXt", text);
    withText.insert(withText.end(), chunk.begin(), chunk.end());
    withText.insert(withText.end(), file.begin() + 33, file.end());
    auto image = decoder.decode2D(withText.data(), withText.size(), ImageFormat::Rgb);
    ASSERT_NE(image, nullptr) << decoder.lastError();
    EXPECT_EQ(image->pixel(1, 1) & 0xFFFFFFu, 0x808080u);
    EXPECT_LT(decoder.peakLibraryMemory(), std::size_t{256} << 10);
}

// Every channel count the writer takes reads back exactly through the engine's decoder in the picture writers'
// tests (tests/generators), and frames through libpng in the capture tests.
TEST(PngWriter, RefusesMismatchedSizesAndNamesFilesThatCannotBeWritten) {
    std::filesystem::remove("refused.png");
    const std::vector<std::uint8_t> pixels(24, 7);
    std::string error;
    EXPECT_FALSE(writePngFile("refused.png", 4, 2, 4, pixels, error));  // 32 bytes wanted
    EXPECT_FALSE(writePngFile("refused.png", 0, 0, 4, {}, error));
    EXPECT_FALSE(writePngFile("refused.png", 3, 4, 2, pixels, error));  // no two-channel PNG is written
    EXPECT_FALSE(std::filesystem::exists("refused.png"));
    EXPECT_FALSE(writePngFile("no_such_folder/frame.png", 3, 2, 4, pixels, error));
    EXPECT_NE(error.find("no_such_folder/frame.png"), std::string::npos) << error;
}

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
    // 16 x 16 of one colour with red, green and blue far apart, plain and progressive; and
    // white over black on an 8-row block boundary so that the halves stay clean.
    const Bytes orange = test::jpegFile(16, 16, 3, test::flatPixels(16, 16, {230, 120, 20}));
    const Bytes progressive = test::jpegFile(16, 16, 3, test::flatPixels(16, 16, {230, 120, 20}), true);
    Bytes halves = test::flatPixels(8, 16, {0, 0, 0});
    std::fill(halves.begin(), halves.begin() + 8 * 8 * 3, 255);
    const Bytes whiteOverBlack = test::jpegFile(8, 16, 3, halves);
    const struct { const Bytes* file; ImageFormat format; int x, y; std::vector<int> expected; } cases[] = {
        {&orange, ImageFormat::Rgba, 15, 15, {230, 120, 20, 255}},
        {&orange, ImageFormat::LuminanceAlpha, 0, 3, {230, 20}},  // red high, blue low
        {&orange, ImageFormat::Luminance, 0, 0, {20}},            // blue, as for every decoder
        {&progressive, ImageFormat::Rgb, 15, 15, {230, 120, 20}},
        {&whiteOverBlack, ImageFormat::Red, 4, 15, {0}},
    };
    JpegDecoder decoder;
    for (const auto& c : cases) {
        auto image = decoder.decode2D(c.file->data(), c.file->size(), c.format);
        ASSERT_NE(image, nullptr) << decoder.lastError();
        expectNear(*image, c.x, c.y, c.expected);
    }
}

TEST(JpegDecoder, GarbageAndCorruptFilesFailInsteadOfComingOutGrey) {
    const Bytes file = noisyJpeg();
    JpegDecoder decoder;
    ASSERT_NE(decoder.decode2D(file.data(), file.size(), ImageFormat::Rgb), nullptr) << decoder.lastError();
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
    const std::pair<Bytes, const char*> cases[] = {
        {{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0x13, 0x37, 0x00}, "JPEG"}, {{'P', 'N', 'G', '!'}, "not a JPEG file"},
        {huge, "shorter than its 16000 x 16000 pixels need"}, {corrupt, ""}};
    for (const auto& [bytes, reason] : cases) {
        EXPECT_EQ(decoder.decode2D(bytes.data(), bytes.size(), ImageFormat::Rgb), nullptr) << reason;
        EXPECT_NE(decoder.lastError().find(reason), std::string::npos) << decoder.lastError();
    }
}

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
    const Bytes sixteen = {0xFF, 0x7F, 0xFF, 0xFF, 0x1F, 0x00, 0x00, 0x7C};  // white, white with bit 15, blue, red
    const struct { const char* what; TgaLayout layout; ImageFormat format; Bytes expected; } cases[] = {
        {"24-bit, rows flipped", quad24, ImageFormat::Rgb, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}},
        {"32-bit keeps alpha", quad32, ImageFormat::Rgba, quad},
        {"16-bit widens five bits", {.depth = 16, .width = 4, .data = sixteen},
         ImageFormat::Rgb, {248, 248, 248, 248, 248, 248, 0, 0, 248, 248, 0, 0}},
        // 0x83: one pixel four times fills the bottom row and spills into the top one; then a raw packet of two.
        {"run across rows",
         {.imageType = 10, .width = 3, .height = 2, .data = {0x83, 1, 2, 3, 0x01, 10, 20, 30, 40, 50, 60}},
         ImageFormat::Rgb, {3, 2, 1, 30, 20, 10, 60, 50, 40, 3, 2, 1, 3, 2, 1, 3, 2, 1}},
        {"run cut at the last pixel", {.imageType = 10, .width = 2, .data = {0xFF, 9, 8, 7}},
         ImageFormat::Rgb, {7, 8, 9, 7, 8, 9}},
        {"colour map", mapped, ImageFormat::Rgb, {0, 0, 100, 200, 0, 0, 0, 0, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = decode(c.layout, c.format);
        ASSERT_NE(image, nullptr) << decoder.lastError();
        EXPECT_EQ((std::array{image->width(), image->height()}), (std::array<int, 2>{c.layout.width, c.layout.height}));
        EXPECT_EQ(image->bytes(), c.expected);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TgaDecoderTest, RefusesWithAReasonAndTheBoxesOfTheTypeDepthAndMapChecks) {
    TgaLayout badIndex = mapped;
    badIndex.data = {0, 2, 0};  // index 2 lies outside a two-entry map
    TgaLayout sixteenBitMap = mapped;
    sixteenBitMap.colorMapEntrySize = 16;
    const Bytes pixels(16, 0);
    const std::string mapBox = "TGA: Only 24bit paletted images are supported.";
    const std::string typeBox = "TGA: Unsupported image type.", depthBox = "TGA: Unsupported image depth.";
    const struct { TgaLayout layout; const char* reason; std::string box; } cases[] = {
        {badIndex, "outside the colour map", ""}, {sixteenBitMap, "24-bit entries", mapBox},
 {{.imageType = 0, .data = pixels}, "image type 0", typeBox},
        {{.depth = 15, .data = pixels}, "pixel depth 15", depthBox},
        {{.imageType = 3, .depth = 8, .width = 2, .data = {5, 6}}, "grey", ""},
        // 768 MB of pixels in a 21-byte file, raw or run-length: refused before anything is allocated.
        {{.width = 16000, .height = 16000, .data = {1, 2, 3}}, "shorter", ""},
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

// Every cut of a valid file fails with a reason; each prefix is a copy of exactly its length, so that reading one
// byte more is caught by the address sanitizer. PNG keeps its last 16 bytes (data checksum and end chunk) and
// JPEG its end marker: without them the image is still whole.
TEST(ImageDecoders, EveryTruncationOfAValidFileFails) {
    ScopedMessageHook quiet{[](const std::string&, const std::string&) {}};
    PngDecoder png;
    JpegDecoder jpeg;
    TgaDecoder tga;
    const TgaLayout raw{.depth = 32, .width = 3, .height = 2, .id = {1, 2}, .data = Bytes(3 * 2 * 4, 0x55)};
    const TgaLayout packed{
        .imageType = 10, .width = 4, .height = 2, .data = {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9, 0x82, 1, 1, 1}};
    TgaLayout mappedPacked = mapped;
    mappedPacked.imageType = 9;
    mappedPacked.data = {0x82, 1};
    const struct { ImageDecoder* decoder; Bytes file; std::size_t kept; } cases[] = {
        {&png, test::pngFile(rgbQuad), 16}, {&jpeg, noisyJpeg(), 2}, {&tga, test::tgaFile(raw), 0},
        {&tga, test::tgaFile(packed), 0},   {&tga, test::tgaFile(mappedPacked), 0}};
    for (const auto& c : cases) {
        ASSERT_NE(c.decoder->decode2D(c.file.data(), c.file.size(), ImageFormat::Rgba), nullptr)
            << c.decoder->lastError();
        for (std::size_t length = 0; length + c.kept < c.file.size(); ++length) {
            const Bytes prefix(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(c.decoder->decode2D(prefix.data(), prefix.size(), ImageFormat::Rgba), nullptr)
                << c.decoder->extension() << ", " << length << " bytes";
            EXPECT_FALSE(c.decoder->lastError().empty());
        }
    }
}

TEST_F(TgaDecoderTest, AOneDimensionalImageIsTheFirstStoredRowAndAMissingFileIsNamed) {
    test::writeFile("quad.tga", test::tgaFile(quad24));
    auto line = decoder.decode1DFromFile("quad.tga", ImageFormat::Rgb);
    ASSERT_NE(line, nullptr) << decoder.lastError();
    EXPECT_EQ(line->bytes(), (Bytes{0, 0, 255, 255, 255, 255}));  // the bottom row: blue, white
    EXPECT_EQ(decoder.decode2DFromFile("no such file.tga", ImageFormat::Rgb), nullptr);
    EXPECT_NE(decoder.lastError().find("no such file.tga"), std::string::npos) << decoder.lastError();
}

}  // namespace
}  // namespace qv3rn
