// Tests of "qv3rn-tool image", run as the program itself on image files the tests write, damaged ones included.
#include <gtest/gtest.h>
#include <zlib.h>  // Required for: crc32 (the checksum the tool prints)

#include <cstdio>
#include <string>

#include "image/image_samples.h"
#include "tool_test.h"

namespace {

using qv3rn::test::Bytes;
using qv3rn::test::ToolRun;

class ImageCommand : public qv3rn::test::ToolTest {
protected:
    ImageCommand() : ToolTest("image") {}

    static std::string crcOf(const Bytes& bytes) {
        char text[16];
        std::snprintf(text, sizeof text, "%08lx", crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
        return text;
    }
};

// 2 x 2: top row red, green; bottom row blue, white.
Bytes quadTga() {
    qv3rn::test::TgaLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.data = qv3rn::test::tgaPixels({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0}, 2, 2, 24);
    return qv3rn::test::tgaFile(layout);
}

TEST_F(ImageCommand, ReportsFormatSizeTargetAndTheChecksumOfThePixels) {
    file("quad.tga", quadTga());
    const ToolRun run = tool("quad.tga");
    EXPECT_EQ(run.status, 0) << run.err;
    const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};  // row 0 is the top
    EXPECT_EQ(run.out, "quad.tga: RGB 2 x 2 2D crc32 " + crcOf(rgb) + "\n");

    const ToolRun alpha = tool("--format ALPHA --type 1D quad.tga");
    EXPECT_EQ(alpha.status, 0) << alpha.err;
    EXPECT_EQ(alpha.out, "quad.tga: ALPHA 2 x 1 1D crc32 " + crcOf(Bytes{0, 255}) + "\n");  // bottom row's red
}

TEST_F(ImageCommand, AppliesTheEnginesPowerOfTwoRule) {
    qv3rn::test::PngLayout layout;
    layout.width = 3;
    layout.height = 1;
    layout.rows = {{9, 9, 9, 9, 9, 9, 9, 9, 9}};
    file("strip.png", qv3rn::test::pngFile(layout));
    const ToolRun run = tool("--format RGBA strip.png");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("strip.png: RGBA 2 x 2 2D crc32 ", 0), 0u) << run.out;
}

TEST_F(ImageCommand, DamagedAndUnreadableFilesFailWithTheirNamesWhileTheOthersAreReported) {
    file("quad.tga", quadTga());
    Bytes truncated = quadTga();
    truncated.resize(truncated.size() - 4);
    file("cut.tga", truncated);
    file("notes.txt", Bytes{'h', 'i'});
    file("UPPER.TGA", quadTga());
    const ToolRun run = tool("cut.tga quad.tga notes.txt missing.jpg UPPER.TGA");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("quad.tga: RGB 2 x 2 2D"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("cut.tga: the file is shorter"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("notes.txt: no decoder"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("missing.jpg: cannot open"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("UPPER.TGA: no decoder"), std::string::npos) << run.err;  // extensions are case-sensitive
}

TEST_F(ImageCommand, UsageErrorsExitWithTwo) {
    EXPECT_EQ(tool("").status, 2);
    const ToolRun format = tool("--format SEPIA quad.tga");
    EXPECT_EQ(format.status, 2);
    EXPECT_NE(format.err.find("unknown format \"SEPIA\""), std::string::npos) << format.err;
    EXPECT_EQ(tool("--type CUBEMAP quad.tga").status, 2);
    EXPECT_EQ(tool("--bogus quad.tga").status, 2);
}

TEST_F(ImageCommand, UploadReadsTheTextureStateBack) {
    file("quad.tga", quadTga());
    const ToolRun run = tool("--upload --format RGBA --type RECT_2D quad.tga");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("quad.tga: RGBA 2 x 2 RECT_2D"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("uploaded: 2 x 2, internal format 0x8058, 1 level"), std::string::npos) << run.out;
}

}  // namespace
