// png_writer_test.cpp -- PNG files written for each channel count read back with libpng's own reader; bad sizes
// and unwritable paths refused with the file named.
#include <gtest/gtest.h>

#include <png.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/png_writer.h"

namespace qv3rn::test {
namespace {

TEST(PngWriter, WritesEveryChannelCountThatReadsBackUnchanged) {
    struct Row {
        int channels;
        png_uint_32 format;
    };
    for (const Row row : {Row{1, PNG_FORMAT_GRAY}, Row{3, PNG_FORMAT_RGB}, Row{4, PNG_FORMAT_RGBA}}) {
        SCOPED_TRACE(row.channels);
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(3 * 2 * row.channels));
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 37 + 5);
        std::string error;
        ASSERT_TRUE(writePngFile("written.png", 3, 2, row.channels, pixels, error)) << error;

        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, "written.png"));
        EXPECT_EQ(image.width, 3u);
        EXPECT_EQ(image.height, 2u);
        image.format = row.format;
        std::vector<std::uint8_t> back(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
        EXPECT_EQ(back, pixels);
    }
}

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

}  // namespace
}  // namespace qv3rn::test
