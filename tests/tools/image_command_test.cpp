// image_command_test.cpp -- "qv3rn-tool image", run as the program itself on image files the tests write,
// damaged ones included.
#include <gtest/gtest.h>
#include <zlib.h>  // Required for: crc32 (the checksum the tool prints)

#include <cstdio>
#include <string>
#include <vector>

#include "image/image_samples.h"
#include "tool_test.h"

namespace qv3rn::test {
namespace {

struct ImageCommand : ToolTest {
    ImageCommand() : ToolTest("image") {}
    void SetUp() override {
        ToolTest::SetUp();
        // 2 x 2: top row red, green; bottom row blue, white.
        TgaLayout layout;
        layout.width = 2;
        layout.height = 2;
        layout.data = tgaPixels({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0}, 2, 2, 24);
        quad = tgaFile(layout);
        file("quad.tga", quad);
    }
    static std::string crcOf(const Bytes& bytes) {
        char text[16];
        std::snprintf(text, sizeof text, "%08lx", crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
        return text;
    }
    Bytes quad;
};

TEST_F(ImageCommand, ReportsFormatSizeTargetAndTheChecksumOfThePixelsAfterThePowerOfTwoRule) {
    PngLayout strip;
    strip.width = 3;
    strip.height = 1;
    strip.rows = {{9, 9, 9, 9, 9, 9, 9, 9, 9}};
    file("strip.png", pngFile(strip));
    const struct {
        const char* arguments;
        std::vector<std::string> parts;
    } rows[] = {
        {"quad.tga",
         {"quad.tga: RGB 2 x 2 2D crc32 " + crcOf({255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}) + "\n"}},
        {"--format ALPHA --type 1D quad.tga",
         {"quad.tga: ALPHA 2 x 1 1D crc32 " + crcOf({0, 255}) + "\n"}},  // bottom row's red
        {"--format RGBA strip.png", {"strip.png: RGBA 2 x 2 2D crc32 "}},
        {"--upload --format RGBA --type RECT_2D quad.tga",
         {"quad.tga: RGBA 2 x 2 RECT_2D", "uploaded: 2 x 2, internal format 0x8058, 1 level"}},
    };
    for (const auto& row : rows) {
        const ToolRun run = tool(row.arguments);
        EXPECT_EQ(run.status, 0) << row.arguments << ": " << run.err;
        for (const std::string& part : row.parts) EXPECT_NE(run.out.find(part), std::string::npos) << run.out;
    }
}

TEST_F(ImageCommand, DamagedAndUnreadableFilesFailWithTheirNamesWhileTheOthersAreReported) {
    file("cut.tga", Bytes(quad.begin(), quad.end() - 4));
    file("notes.txt", Bytes{'h', 'i'});
    file("UPPER.TGA", quad);
    const ToolRun run = tool("cut.tga quad.tga notes.txt missing.jpg UPPER.TGA");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("quad.tga: RGB 2 x 2 2D"), std::string::npos) << run.out;
    for (const char* error : {"cut.tga: the file is shorter", "notes.txt: no decoder", "missing.jpg: cannot open",
                              "UPPER.TGA: no decoder"})  // extensions are case-sensitive
        EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
}

}  // namespace
}  // namespace qv3rn::test
