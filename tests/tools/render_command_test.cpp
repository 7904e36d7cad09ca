// Tests of "qv3rn-tool render", run as the program itself on content folders written by the tests; the frames
// are read back from the PNG files it writes.
#include <gtest/gtest.h>

#include <png.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "effects/frame_renderer.h"
#include "image/png_writer.h"
#include "tool_test.h"

namespace {

namespace fs = std::filesystem;
using qv3rn::test::ToolRun;

struct Frame {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // top row first
    // RGBA at (x, y), y counted from the top of the picture.
    std::array<int, 4> at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    }
};

class RenderCommand : public qv3rn::test::ToolTest {
protected:
    RenderCommand() : ToolTest("render") {}
    void SetUp() override {
        ToolTest::SetUp();
        for (const char* folder : {"show/data/effect", "show/data/shader", "show/data/art", "frames"})
            fs::create_directories(root_ / folder);
    }

    Frame frame(const std::string& name) const {
        Frame result;
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        const std::string path = (root_ / name).string();
        if (!png_image_begin_read_from_file(&image, path.c_str())) {
            ADD_FAILURE() << "no PNG " << path;
            return result;
        }
        image.format = PNG_FORMAT_RGBA;
        result.rgba.resize(PNG_IMAGE_SIZE(image));
        result.width = static_cast<int>(image.width);
        result.height = static_cast<int>(image.height);
        png_image_finish_read(&image, nullptr, result.rgba.data(), 0, nullptr);
        return result;
    }
};

// A constant envelope field (the field's keyword line is written by the caller).
std::string constant(float value) {
    return "  { Envelope\n    1\n    Key " + std::to_string(value) + " 0 0 0 0 0 0 0 0 0\n    Behaviors 1 1\n  }\n  }\n";
}

std::string flash(const std::string& name, float start, float end, int layer, const std::string& colour, float alpha,
                  const std::string& mode = "NORMAL") {
    return "Flash {\n  Name \"" + name + "\"\n  Start " + std::to_string(start) + "\n  End " + std::to_string(end) +
           "\n  Layer " + std::to_string(layer) + "\n  DrawMode " + mode + "\n  Color " + colour + "\n  Alpha {\n" +
           constant(alpha) + "}\n";
}

void expectColour(const std::array<int, 4>& got, int r, int g, int b) {
    EXPECT_NEAR(got[0], r, 2) << got[0] << " " << got[1] << " " << got[2];
    EXPECT_NEAR(got[1], g, 2) << got[0] << " " << got[1] << " " << got[2];
    EXPECT_NEAR(got[2], b, 2) << got[0] << " " << got[1] << " " << got[2];
}

TEST_F(RenderCommand, WritesOneFrameForEachTimeWithTheEffectsActiveThenInLayerOrder) {
    file("show/data/effect/demo.effect", flash("red", 0, 10, 1, "1 0 0 1", 1.0f) +
                                             flash("blue over red", 5, 10, 2, "0 0 1 1", 0.5f) +
                                             flash("green under red", 5, 10, 0, "0 1 0 1", 1.0f));
    // Times are given out of order: frames are still made in time order and named as asked.
    const ToolRun run = tool("show --time 6 --time 1 --time 10.5 --size 80x60 --out frames/at_%t.png");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1 frames/at_1.png\n6 frames/at_6.png\n10.5 frames/at_10.5.png\n");

    const Frame one = frame("frames/at_1.png");
    ASSERT_EQ(one.width, 80);
    ASSERT_EQ(one.height, 60);
    expectColour(one.at(0, 0), 255, 0, 0);
    expectColour(one.at(79, 59), 255, 0, 0);
    expectColour(frame("frames/at_6.png").at(40, 30), 128, 0, 127);  // green hidden under red, blue half over it
    expectColour(frame("frames/at_10.5.png").at(40, 30), 0, 0, 0);  // every interval is over: the cleared screen
}

TEST_F(RenderCommand, EveryUpdateSeesTheStepsBetweenTheRequestedTimes) {
    // Blocks tiles fly home in at most 3 seconds, moving a little in every update. Only a timeline that saw the
    // frames between 0 and 5 s has them home at 5 s: a single update at 5 s would leave them scattered far away.
    const std::vector<std::uint8_t> white{255, 255, 255, 255};
    std::string error;
    ASSERT_TRUE(qv3rn::writePngFile((root_ / "show/data/art/white.png").string(), 1, 1, 4, white, error)) << error;
    file("show/data/shader/demo.shader",
         "Image {\n\tType\t2D\n\tFormat\tRGBA\n\tName\t\"white.png\"\n\tState {\n\t\tFilter\tNEAREST\n\t}\n}\n");
    // Four tiles of 128 x 128 that land on the upper right quarter of the Blocks screen (-256 .. 256).
    file("show/data/effect/demo.effect",
         "Blocks {\n  Name \"title\"\n  End 10\n  Image \"white.png\"\n  Rect 0 0 256 256\n  Rows 2\n  Cols 2\n"
         "  Position 0 0 -100\n  Distance 1000\n}\n");
    const ToolRun run = tool("show --time 5 --size 64x48 --out frames/home.png");
    ASSERT_EQ(run.status, 0) << run.err;
    const Frame home = frame("frames/home.png");
    for (const auto& [x, y] : {std::pair{40, 6}, std::pair{56, 6}, std::pair{40, 18}, std::pair{56, 18}})
        expectColour(home.at(x, y), 255, 255, 255);
    expectColour(home.at(16, 36), 0, 0, 0);
}

TEST_F(RenderCommand, ReadsTheShaderScriptAndItsImagesFromTheFolder) {
    // A 2 x 2 picture with one colour per quarter, top row first: red, green / blue, white.
    const std::vector<std::uint8_t> quarters{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    std::string error;
    ASSERT_TRUE(qv3rn::writePngFile((root_ / "show/data/art/quarters.png").string(), 2, 2, 4, quarters, error)) << error;
    file("show/data/shader/demo.shader",
         "Image {\n\tType\t2D\n\tFormat\tRGBA\n\tName\t\"quarters.png\"\n\tState {\n\t\tFilter\tNEAREST\n\t}\n}\n");
    file("show/data/effect/demo.effect",
         "Image {\n  Name \"picture\"\n  Image \"quarters.png\"\n  End 5\n  Rect 320 240 640 480\n"
         "  PositionX {\n" + constant(320) + "  PositionY {\n" + constant(240) + "}\n");
    const ToolRun run = tool("show --time 1 --size 64x48 --out frames/picture.png --log frames/render.log");
    ASSERT_EQ(run.status, 0) << run.err;
    const Frame picture = frame("frames/picture.png");
    ASSERT_EQ(picture.width, 64);
    expectColour(picture.at(16, 12), 255, 0, 0);
    expectColour(picture.at(48, 12), 0, 255, 0);
    expectColour(picture.at(16, 36), 0, 0, 255);
    expectColour(picture.at(48, 36), 255, 255, 255);
    EXPECT_EQ(readText(root_ / "frames/render.log").find("unable to find image"), std::string::npos);
}

TEST_F(RenderCommand, AnotherEffectScriptCanBeGivenAndPatternsNumberTheFrames) {
    file("show/data/effect/demo.effect", flash("red", 0, 10, 0, "1 0 0 1", 1.0f));
    file("other.effect", flash("green", 0, 10, 0, "0 1 0 1", 1.0f));
    const ToolRun run = tool("show --effects other.effect --time 2 --time 3 --size 16x16 --out frames/f%i.png");
    ASSERT_EQ(run.status, 0) << run.err;
    expectColour(frame("frames/f001.png").at(8, 8), 0, 255, 0);
    expectColour(frame("frames/f002.png").at(8, 8), 0, 255, 0);
}

TEST_F(RenderCommand, ScriptErrorsNameTheFileAndLine) {
    file("show/data/effect/demo.effect", "Flash {\n  Name \"a\"\n  Colour 1 0 0 1\n}\n");
    ToolRun run = tool("show --time 1 --out frames/x.png");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "qv3rn-tool render: data\\effect\\demo.effect:3: FlashEffect unknown token Colour 1 0 0 1\n");
    EXPECT_FALSE(fs::exists(root_ / "frames/x.png"));

    fs::remove(root_ / "show/data/effect/demo.effect");
    run = tool("show --time 1 --out frames/x.png");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("unable to open the effect script"), std::string::npos) << run.err;

    run = tool("nowhere --time 1 --out frames/x.png");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "qv3rn-tool render: nowhere: no such content folder\n");
}

TEST_F(RenderCommand, WrongArgumentsAreUsageErrors) {
    file("show/data/effect/demo.effect", "");
    for (const char* arguments :
         {"show --out frames/x.png", "--time 1 --out frames/x.png", "show --time 1", "show --time -1 --out x.png",
          "show --time abc --out x.png", "show --time 1e9 --out x.png", "show --time 1 --time 2 --out x.png",
          "show --time 1 --size 0x10 --out x.png", "show --time 1 --size 64 --out x.png",
          "show --time 1 --size 64x48junk --out x.png", "show --time 1 --rate 0 --out x.png",
          "show --time 1 --seed 1.5 --out x.png", "show --time 1 --bogus --out x.png", "show other --time 1 --out x.png",
          "show --time"}) {
        const ToolRun run = tool(arguments);
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.err;
        EXPECT_NE(run.err.find("usage: qv3rn-tool render"), std::string::npos) << arguments;
    }
}

TEST_F(RenderCommand, AnEmptyShowRendersTheClearedScreen) {
    file("show/data/effect/demo.effect", "; nothing yet\n");
    const ToolRun run = tool("show --time 0 --size 8x8 --out frames/empty.png");
    ASSERT_EQ(run.status, 0) << run.err;
    const Frame empty = frame("frames/empty.png");
    expectColour(empty.at(0, 0), 0, 0, 0);
    EXPECT_EQ(empty.at(7, 7)[3], 255);
}

}  // namespace
