// effects_command_test.cpp -- "qv3rn-tool effects", run as the program itself on effect scripts written by the
// tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tool_test.h"

namespace qv3rn::test {
namespace {

struct EffectsCommand : ToolTest {
    EffectsCommand() : ToolTest("effects") {}
};

const std::string alphaEnvelope = "  { Envelope\n    1\n    Key 1 0 0 0 0 0 0 0 0 0\n    Behaviors 1 1\n  }\n  }\n";

TEST_F(EffectsCommand, ListsEveryEffectInScriptOrderWithItsTimelineFields) {
    file("data/effect/demo.effect",
         "; the opening\n"
         "Flash {\n  Name \"white\"\n  Start 12.0\n  End 12.5\n  Layer 3\n  DrawMode ADDITIVE\n  Color 1 1 1 1\n"
         "  Alpha {\n" + alphaEnvelope + "}\nSparkle {\n  Name \"unknown type, skipped\"\n}\n" +
             "Invert {\n  Name \"snare\"\n  Start 32\n  End 32.25\n  Layer -1\n  Visible {\n" + alphaEnvelope +
             "}\nImage {\n  Name \"logo\"\n  Image \"missing.tga\"\n  DrawMode MULTIPLY\n}\n" +
             "Include \"data\\effect\\part.effect\"\n");
    file("data/effect/part.effect",
         "Flash{\n  Name \"glued brace, skipped\"\n}\nFlash {\n  Name \"included\"\n  End 1\n}\n");
    const ToolRun run = tool("data/effect/demo.effect");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Flash name=\"white\" start=12 end=12.5 layer=3 mode=ADDITIVE visible=always\n"
              "Invert name=\"snare\" start=32 end=32.25 layer=-1 mode=INVERT visible=envelope\n"
              "Image name=\"logo\" start=0 end=0 layer=0 mode=MULTIPLY visible=always\n"
              "Flash name=\"included\" start=0 end=1 layer=0 mode=NORMAL visible=always\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(EffectsCommand, ScriptErrorsStopWithTheFileAndLineAndKeepTheEffectsBefore) {
    file("data/effect/bad.effect", "\nFlash {\n  Visible {\n  { Envelope\n    1\n    Key 1 0 99 0 0 0 0 0 0 0\n");
    file("include.effect", "Include \"gone.effect\"\n");
    const struct {
        const char* name;
        std::string script, out, err;
    } rows[] = {
        {"rejected.effect", "Flash {\n  Name \"a\"\n}\n\nImage {\n  Name \"b\"\n  Wobble 3\n}\nFlash {\n}\n",
         "Flash name=\"a\" start=0 end=0 layer=0 mode=NORMAL visible=always\n",
         "rejected.effect:7: the Image block does not understand the line \"Wobble 3\"\n"},
        {"raised.effect", "Flash {\n  Name \"a\"\n  Colour 1 1 1\n}\n", "",
         "raised.effect:3: FlashEffect unknown token Colour 1 1 1\n"},
        {"outer.effect", "Include \"data\\effect\\bad.effect\"\n", "",
         "data\\effect\\bad.effect:6: Found unknown spantype in Envelope\n"},
        {"include.effect", "", "", "include.effect:1: Include \"gone.effect\""},
        {"data/effect", "", "", "data/effect"},
    };
    for (const auto& row : rows) {
        if (!row.script.empty()) file(row.name, row.script);
        const ToolRun run = tool(row.name);
        EXPECT_EQ(run.status, 1) << row.name;
        EXPECT_EQ(run.out, row.out) << row.name;
        EXPECT_NE(run.err.find("qv3rn-tool effects: " + row.err), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace qv3rn::test
