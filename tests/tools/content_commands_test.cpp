// content_commands_test.cpp -- "qv3rn-tool effects" and "image" run as a program.
#include <gtest/gtest.h>
#include <zlib.h>  // Required for: crc32 (the checksum the tool prints)

#include <cstdio>
#include <string>
#include <vector>

#include "image/image_samples.h"
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
    const ToolRun run = tool("data/effect/demo.effect --chart chart.png");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Flash name=\"white\" start=12 end=12.5 layer=3 mode=ADDITIVE visible=always\n"
              "Invert name=\"snare\" start=32 end=32.25 layer=-1 mode=INVERT visible=envelope\n"
              "Image name=\"logo\" start=0 end=0 layer=0 mode=MULTIPLY visible=always\n"
              "Flash name=\"included\" start=0 end=1 layer=0 mode=NORMAL visible=always\n");
    EXPECT_EQ(run.err, "");

    // The chart: layer 0 is the second row (after -1); its flash shows from 0 to 1 s, a gap follows. A timeline
    // longer by four phrases of 16 s is wider by four phrases.
    const Frame chart = frame("chart.png");
    const int x0 = 8 + 48, row = 8 + 20 + 18 + 7;
    EXPECT_NE(*chart.at(x0 + 4, row), *chart.at(x0 + 20 * 8, row));
    EXPECT_EQ(*chart.at(x0 + 20 * 8, row), *chart.at(x0 + 24 * 8, row));
    file("longer.effect", "Flash {\n  Start 90\n  End 100\n}\n");
    ASSERT_EQ(tool("longer.effect --chart longer.png").status, 0);
    const int phrase = 16 * 8;
    EXPECT_EQ(frame("longer.png").width - chart.width, 4 * phrase);
}

TEST_F(EffectsCommand, ScriptErrorsStopWithTheFileAndLineAndKeepTheEffectsBefore) {
    file("data/effect/bad.effect", "\nFlash {\n  Visible {\n  { Envelope\n    1\n    Key 1 0 99 0 0 0 0 0 0 0\n");
    file("include.effect", "Include \"gone.effect\"\n");
    const struct { const char* name; std::string script, out, err; } rows[] = {
        {"rejected.effect", "Flash {\n  Name \"a\"\n}\n\nImage {\n  Name \"b\"\n  Wobble 3\n}\nFlash {\n}\n",
         "Flash name=\"a\" start=0 end=0 layer=0 mode=NORMAL visible=always\n",
         "rejected.effect:7: the Image block does not understand the line \"Wobble 3\"\n"},
        {"outer.effect", "Include \"data\\effect\\bad.effect\"\n", "",
         "data\\effect\\bad.effect:6: Found unknown spantype in Envelope\n"},
        {"include.effect", "", "", "include.effect:1: Include \"gone.effect\""},
    };
    for (const auto& row : rows) {
        if (!row.script.empty()) file(row.name, row.script);
        const ToolRun run = tool(row.name);
        EXPECT_EQ(run.status, 1) << row.name;
        EXPECT_EQ(run.out, row.out) << row.name;
        EXPECT_NE(run.err.find("qv3rn-tool effects: " + row.err), std::string::npos) << run.err;
    }
}

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
    const struct { const char* arguments; std::vector<std::string> parts; } rows[] = {
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

class KeywordsCommand : public ToolTest {
protected:
    KeywordsCommand() : ToolTest("keywords") {}
};

std::set<std::string> linesOf(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] == '"') lines.insert(line);
    return lines;
}

TEST_F(KeywordsCommand, TheScriptDictionaryHoldsEveryKeywordTheReadersKnow) {
    const ToolRun run = tool("");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::set<std::string> known = linesOf(run.out);
    // One of each kind of table: start-up tables of shaders, states, programs and keyframers, the shared and
    // own rows of effect grammars, and the effect types.
    for (const char* keyword : {"\"Lighting \"", "\"WriteMask \"", "\"!!ARBfp1.0\"", "\"Translate {\"", "\"Start \"",
                                "\"ValueD {\"", "\"Flash {\"", "\"PostProcessing {\""})
        EXPECT_TRUE(known.count(keyword)) << keyword;

    const std::set<std::string> dictionary = linesOf(readText(QV3RN_SCRIPT_DICTIONARY));
    std::string missing;
    for (const std::string& keyword : known)
        if (!dictionary.count(keyword)) missing += " " + keyword;
    EXPECT_EQ(missing, "") << "add them to the dictionary (qv3rn-tool keywords lists them all)";
    EXPECT_EQ(tool("extra").status, 2);
}

}  // namespace
}  // namespace qv3rn::test
