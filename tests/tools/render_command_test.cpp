// render_command_test.cpp -- "qv3rn-tool render" run as a program; its frames read back from the PNG files.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "image/png_writer.h"
#include "tool_test.h"

namespace qv3rn::test {
namespace {

namespace fs = std::filesystem;

struct RenderCommand : ToolTest {
    RenderCommand() : ToolTest("render") {}

    // The frame's colour at (x, y), y counted from the top, against (r, g, b).
    static void expectColour(const Frame& frame, int x, int y, int r, int g, int b) {
        ASSERT_LT(x, frame.width);
        ASSERT_LT(y, frame.height);
        const std::uint8_t* got = frame.at(x, y);
        EXPECT_NEAR(got[0], r, 2) << x << ", " << y;
        EXPECT_NEAR(got[1], g, 2) << x << ", " << y;
        EXPECT_NEAR(got[2], b, 2) << x << ", " << y;
    }
    // A shader script that loads `image` (written into the show's art folder) unfiltered.
    void picture(const std::string& image, int width, int height, const std::vector<std::uint8_t>& rgba) {
        fs::create_directories(root_ / "show/data/art");
        std::string error;
        ASSERT_TRUE(writePngFile((root_ / "show/data/art" / image).string(), width, height, 4, rgba, error)) << error;
        file("show/data/shader/demo.shader", "Image {\n\tType\t2D\n\tFormat\tRGBA\n\tName\t\"" + image +
                                                 "\"\n\tState {\n\t\tFilter\tNEAREST\n\t}\n}\n");
    }
};

// A constant envelope field (the field's keyword line is written by the caller).
std::string constant(float value) {
    return "  { Envelope\n    1\n    Key " + std::to_string(value) +
           " 0 0 0 0 0 0 0 0 0\n    Behaviors 1 1\n  }\n  }\n";
}

std::string flash(float start, int layer, const std::string& colour, float alpha) {
    return "Flash {\n  Start " + std::to_string(start) + "\n  End 10\n  Layer " + std::to_string(layer) + "\n  Color " +
           colour + "\n  Alpha {\n" + constant(alpha) + "}\n";
}

TEST_F(RenderCommand, WritesOneFrameForEachTimeWithTheEffectsActiveThenInLayerOrderAndTheFoldersImages) {
    // Quarters red, green / blue, white; a half blue flash over them and a green one under them from 5 s.
    picture("quarters.png", 2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    file("show/data/effect/demo.effect",
         "Image {\n  Image \"quarters.png\"\n  End 10\n  Layer 1\n  Rect 320 240 640 480\n"
         "  PositionX {\n" + constant(320) + "  PositionY {\n" + constant(240) + "}\n" +
             flash(5, 2, "0 0 1 1", 0.5f) + flash(5, 0, "0 1 0 1", 1.0f));
    fs::create_directories(root_ / "frames");
    // Times are given out of order: frames are still made in time order and named as asked.
    ToolRun run = tool("show --time 6 --time 1 --time 10.5 --size 64x48 --out frames/at_%t.png --log render.log");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1 frames/at_1.png\n6 frames/at_6.png\n10.5 frames/at_10.5.png\n");
    EXPECT_EQ(readText(root_ / "render.log").find("unable to find image"), std::string::npos);
    const Frame one = frame("frames/at_1.png");
    EXPECT_EQ((std::array{one.width, one.height, int(one.rgba[3])}), (std::array{64, 48, 255}));  // opaque
    for (auto [x, y, r, g, b] : {std::array{16, 12, 255, 0, 0}, {48, 12, 0, 255, 0}, {16, 36, 0, 0, 255},
                                 {48, 36, 255, 255, 255}})
        expectColour(one, x, y, r, g, b);
    expectColour(frame("frames/at_6.png"), 16, 12, 128, 0, 127);  // the green flash hidden, the blue one half over
    expectColour(frame("frames/at_10.5.png"), 32, 24, 0, 0, 0);   // every interval is over: the cleared screen

    // Another effect script can be given; "%i" numbers the frames.
    file("other.effect", flash(0, 0, "0 1 0 1", 1.0f));
    ASSERT_EQ(tool("show --effects other.effect --time 2 --time 3 --size 16x16 --out frames/f%i.png").status, 0);
    expectColour(frame("frames/f001.png"), 8, 8, 0, 255, 0);
    expectColour(frame("frames/f002.png"), 8, 8, 0, 255, 0);

    // The player's shadow image is there for a lighting group's shadows, which stay on.
    file("show/data/scene/lit.scene", "DefaultLighting {\nName \"g\"\nShadows yes\nShadowCaster \"c\"\nCamera {\n"
                                      "Name \"eye\"\nActive yes\n}\nPointLight {\nKeyframerLW {\nNumChannels 9\nChannel 1\n" +
                                      constant(5) + "}\nGroup {\nName \"c\"\n}\n}\n");
    file("lit.effect", "Scene {\n  End 10\n  Scene \"data\\scene\\lit.scene\"\n  Camera \"eye\"\n}\n");
    ASSERT_EQ(tool("show --effects lit.effect --time 1 --size 16x16 --out frames/lit.png --log lit.log").status, 0);
    const std::string log = readText(root_ / "lit.log");
    EXPECT_NE(log.find("Scene loaded"), std::string::npos) << log;
    EXPECT_EQ(log.find("no shadows"), std::string::npos) << log;

    // So are its off-screen targets, for the effects that draw into them or show them.
    file("target.effect", "Image {\n  Image \"SmallPixelBuffer.pbuffer\"\n  End 10\n  Rect 320 240 640 480\n}\n");
    ASSERT_EQ(tool("show --effects target.effect --time 1 --size 16x16 --out frames/t.png --log t.log").status, 0);
    EXPECT_EQ(readText(root_ / "t.log").find("unable to find image"), std::string::npos) << readText(root_ / "t.log");
}

TEST_F(RenderCommand, SheetLaysOutTheFramesAtTheStepInRowsEachLabelledWithItsTime) {
    file("show/data/effect/demo.effect", flash(2, 0, "1 0 0 1", 1.0f));  // red from 2 s to 10 s
    ToolRun run = shell(quoted(program().string()) + " sheet show --every 1.5 --to 4.5 --size 40x30 --columns 3 "
                                                     "--out sheet.png");
    ASSERT_EQ(run.status, 0) << run.err;
    // Cells of 40 + 4 by 30 + (8 + 4) + 4 pixels: 0, 1.5, 3 in the first row, 4.5 in the second.
    const Frame sheet = frame("sheet.png");
    EXPECT_EQ((std::array{sheet.width, sheet.height}), (std::array{3 * 44 + 4, 2 * 46 + 4}));
    for (auto [x, y, r] : {std::array{24, 19, 0}, {68, 19, 0}, {112, 19, 255}, {24, 65, 255}})
        expectColour(sheet, x, y, r, 0, 0);
    // Under each frame, the label ("0:03.0" under the third) in light pixels on the dark strip.
    int lit = 0;
    for (int x = 92; x < 132; ++x)
        for (int y = 36; y < 46; ++y) lit += *sheet.at(x, y) > 128;
    EXPECT_GT(lit, 20);
}

}  // namespace
}  // namespace qv3rn::test
