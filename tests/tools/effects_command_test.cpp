// Tests of "qv3rn-tool effects", run as the program itself on effect scripts written by the tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tool_test.h"

namespace {

namespace fs = std::filesystem;
using qv3rn::test::ToolRun;

class EffectsCommand : public qv3rn::test::ToolTest {
protected:
    EffectsCommand() : ToolTest("effects") {}
    void SetUp() override {
        ToolTest::SetUp();
        fs::create_directories(root_ / "data" / "effect");
    }
};

const char* kAlphaEnvelope =
    "  { Envelope\n"
    "    1\n"
    "    Key 1 0 0 0 0 0 0 0 0 0\n"
    "    Behaviors 1 1\n"
    "  }\n"
    "  }\n";

TEST_F(EffectsCommand, ListsEveryEffectInScriptOrderWithItsTimelineFields) {
    file("data/effect/demo.effect",
         std::string("; the opening\n"
                     "Flash {\n  Name \"white\"\n  Start 12.0\n  End 12.5\n  Layer 3\n  DrawMode ADDITIVE\n"
                     "  Color 1 1 1 1\n  Alpha {\n") + kAlphaEnvelope +
             "}\n"
             "Sparkle {\n  Name \"unknown type, skipped\"\n}\n"
             "Invert {\n  Name \"snare\"\n  Start 32\n  End 32.25\n  Layer -1\n  Visible {\n" + kAlphaEnvelope +
             "}\n"
             "Image {\n  Name \"logo\"\n  Image \"missing.tga\"\n  DrawMode MULTIPLY\n}\n"
             "Include \"data\\effect\\part.effect\"\n");
    file("data/effect/part.effect", "Flash{\n  Name \"glued brace, skipped\"\n}\nFlash {\n  Name \"included\"\n  End 1\n}\n");
    const ToolRun run = tool("data/effect/demo.effect");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Flash name=\"white\" start=12 end=12.5 layer=3 mode=ADDITIVE visible=always\n"
              "Invert name=\"snare\" start=32 end=32.25 layer=-1 mode=INVERT visible=envelope\n"
              "Image name=\"logo\" start=0 end=0 layer=0 mode=MULTIPLY visible=always\n"
              "Flash name=\"included\" start=0 end=1 layer=0 mode=NORMAL visible=always\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(EffectsCommand, ABlockLineNoTypeUnderstandsStopsWithTheFileAndLineAndKeepsTheEffectsBefore) {
    file("demo.effect", "Flash {\n  Name \"a\"\n}\n\nImage {\n  Name \"b\"\n  Wobble 3\n}\nFlash {\n}\n");
    const ToolRun run = tool("demo.effect");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Flash name=\"a\" start=0 end=0 layer=0 mode=NORMAL visible=always\n");
    EXPECT_EQ(run.err, "qv3rn-tool effects: demo.effect:7: the Image block does not understand the line \"Wobble 3\"\n");
}

TEST_F(EffectsCommand, ARaisedErrorPrintsItsOwnMessageWithTheFileAndLine) {
    file("demo.effect", "Flash {\n  Name \"a\"\n  Colour 1 1 1\n}\n");
    const ToolRun run = tool("demo.effect");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "qv3rn-tool effects: demo.effect:3: FlashEffect unknown token Colour 1 1 1\n");
}

TEST_F(EffectsCommand, AnErrorInAnIncludedFileNamesThatFile) {
    file("data/effect/demo.effect", "Include \"data\\effect\\bad.effect\"\n");
    file("data/effect/bad.effect", "\nFlash {\n  Visible {\n  { Envelope\n    1\n    Key 1 0 99 0 0 0 0 0 0 0\n");
    const ToolRun run = tool("data/effect/demo.effect");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "qv3rn-tool effects: data\\effect\\bad.effect:6: Found unknown spantype in Envelope\n");
}

TEST_F(EffectsCommand, MissingScriptsAndWrongArgumentsAreRefused) {
    ToolRun run = tool("nothing.effect");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "qv3rn-tool effects: nothing.effect: no such script file\n");
    run = tool("data/effect");
    EXPECT_EQ(run.status, 1);
    file("include.effect", "Include \"gone.effect\"\n");
    run = tool("include.effect");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("include.effect:1: Include \"gone.effect\""), std::string::npos) << run.err;
    EXPECT_EQ(tool("").status, 2);
    EXPECT_EQ(tool("a.effect b.effect").status, 2);
    EXPECT_EQ(tool("--verbose").status, 2);
}

}  // namespace
