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

// Top row red, green; bottom row blue, grey 128.
const PngLayout rgbQuad{.width = 2, .height = 2, .rows = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 128, 128, 128}}};
const PngLayout palette{.width = 3, .colorType = PNG_COLOR_TYPE_PALETTE,
                        .palette = {{200, 0, 0}, {0, 100, 0}, {0, 0, 50}},
                        .rows = {{0, 1, 2}}};

TEST(PngDecoder, ExpandsEveryColourTypeIntoEveryFormatTopRowFirst) {
    PngLayout transparent = palette;
    transparent.transparency = {0, 128};  // the third entry stays opaque
    PngLayout packed = palette;
    packed.bitDepth = 2;  // packed 2-bit indices 0, 1, 2
    packed.rows = {{0b00011000}};
    const struct {
        const char* what;
        PngLayout layout;
        ImageFormat format;
        Bytes expected;
    } cases[] = {
        {"rgb", rgbQuad, ImageFormat::Rgb, {255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128}},
        {"rgb as rgba", rgbQuad, ImageFormat::Rgba,
         {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 128, 128, 128, 255}},
        {"green", rgbQuad, ImageFormat::Green, {0, 255, 0, 128}},
        {"luminance is blue", rgbQuad, ImageFormat::Luminance, {0, 0, 255, 128}},
        {"alpha is red without alpha", rgbQuad, ImageFormat::Alpha, {255, 0, 0, 128}},
        {"blue and red", rgbQuad, ImageFormat::LuminanceAlpha, {0, 255, 0, 0, 255, 0, 128, 128}},
        {"unknown keeps the size only", rgbQuad, ImageFormat::Unknown, {}},
        {"rgba", {.width = 2, .colorType = PNG_COLOR_TYPE_RGB_ALPHA, .rows = {{10, 20, 30, 40, 50, 60, 70, 80}}},
         ImageFormat::LuminanceAlpha, {30, 40, 70, 80}},
        {"palette with transparency", transparent, ImageFormat::Rgba, {200, 0, 0, 0, 0, 100, 0, 128, 0, 0, 50, 255}},
        {"opaque palette", palette, ImageFormat::Rgba, {200, 0, 0, 255, 0, 100, 0, 255, 0, 0, 50, 255}},
        {"2-bit palette", packed, ImageFormat::Rgb, {200, 0, 0, 0, 100, 0, 0, 0, 50}},
        {"grey", {.width = 2, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {{7, 250}}},
         ImageFormat::Rgb, {7, 7, 7, 250, 250, 250}},
        {"1-bit grey", {.width = 2, .colorType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1, .rows = {{0b01000000}}},
         ImageFormat::Luminance, {0, 255}},
        {"grey with alpha", {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {{90, 33}}},
         ImageFormat::Rgba, {90, 90, 90, 33}},
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
    const Bytes file = test::pngFile(rgbQuad);
    auto line = decoder.decode1D(file.data(), file.size(), ImageFormat::Rgb);
    ASSERT_NE(line, nullptr) << decoder.lastError();
    EXPECT_EQ(line->bytes(), (Bytes{255, 0, 0, 0, 255, 0}));  // the top row
}

TEST(PngDecoder, InterlacedImagesEqualTheirPlainTwins) {
    PngLayout layout{.width = 11, .height = 9, .colorType = PNG_COLOR_TYPE_RGB_ALPHA};
    for (int y = 0; y < layout.height; ++y) {
        Bytes row;
        for (int x = 0; x < layout.width; ++x)
            row.insert(row.end(), {static_cast<std::uint8_t>(x * 20), static_cast<std::uint8_t>(y * 25),
                                   static_cast<std::uint8_t>(x * y), static_cast<std::uint8_t>(255 - x - y)});
        layout.rows.push_back(row);
    }
    PngDecoder decoder;
    const Bytes plainFile = test::pngFile(layout);
    layout.interlaced = true;
    const Bytes interlacedFile = test::pngFile(layout);
    auto plain = decoder.decode2D(plainFile.data(), plainFile.size(), ImageFormat::Rgba);
    auto interlaced = decoder.decode2D(interlacedFile.data(), interlacedFile.size(), ImageFormat::Rgba);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(interlaced, nullptr) << decoder.lastError();
    EXPECT_EQ(interlaced->bytes(), plain->bytes());
    EXPECT_EQ(plain->pixel(10, 8), 0xC8C850EDu);
}

TEST(PngDecoder, TruncatedDamagedAndLyingFilesFailWithAReason) {
    const Bytes file = test::pngFile(rgbQuad);
    PngDecoder decoder;
    // Every cut inside the header or the image data; the last 16 bytes are the data checksum and the end chunk.
    for (std::size_t length = 0; length + 16 < file.size(); ++length) {
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(decoder.decode2D(prefix.data(), prefix.size(), ImageFormat::Rgb), nullptr) << length;
        EXPECT_FALSE(decoder.lastError().empty());
    }
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

}  // namespace
}  // namespace qv3rn
