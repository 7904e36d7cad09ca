// content_commands_test.cpp -- "qv3rn-tool effects", "envelope", "shaders", "keywords" and "image" run as a program.
#include <gtest/gtest.h>
#include <zlib.h>  // Required for: crc32 (the checksum the tool prints)

#include <cstdio>
#include <set>
#include <sstream>
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

struct EnvelopeCommand : ToolTest {
    EnvelopeCommand() : ToolTest("envelope") {}
};

const std::string ramp = "{ Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0 0\n  Key 1 3 3 0 0 0 0 0 0 0\n  Behaviors 1 4\n}\n";

TEST_F(EnvelopeCommand, PrintsEachBlockOneLinePerTime) {
    const struct { const char* what; std::string text, times, out; } rows[] = {
        // Constant before, a line from 0 to 1 over three seconds, offset repeat after; six digits.
        {"an envelope", ramp, "-1 0 1 1.5 3 4.5 6", "0\n0\n0.333333\n0.5\n1\n1.5\n2\n"},
        {"a field line before the block is skipped", "Alpha {\r\n" + ramp + "}\n", "2.25", "0.75\n"},
        {"a channel keyframer prints position, axis, angle and scale",
         "KeyframerLW {\n  NumChannels 9\n"
         "  Channel 0\n  { Envelope\n    2\n    Key 0 0 3 0 0 0 0 0 0 0\n    Key 10 5 3 0 0 0 0 0 0 0\n"
         "    Behaviors 1 1\n  }\n"
         "  Channel 3\n  { Envelope\n    1\n    Key 1.5707964 0 0 0 0 0 0 0 0 0\n  }\n"
         "  Channel 8\n  { Envelope\n    1\n    Key 2 0 0 0 0 0 0 0 0 0\n  }\n}\n",
         "0 2.5", "0 0 0 0 1 0 1.5708 1 1 2\n5 0 0 0 1 0 1.5708 1 1 2\n"},
        {"a track keyframer accumulates its rotation keys",
         "Keyframer {\n  Translate {\n    Type \"Linear\"\n    NumKeys 2\n    Key 0 0 0 0\n    Key 2 4 0 0\n  }\n"
         "  Rotate {\n    NumKeys 3\n    Key 0 0 0 1 0\n    Key 1 0 0 1 90\n    Key 2 0 0 1 90\n  }\n}\n",
         "-1 1 2", "0 0 0 1 0 0 0 1 1 1\n2 0 0 0 0 1 1.5708 1 1 1\n4 0 0 0 0 1 3.14159 1 1 1\n"},
    };
    for (const auto& row : rows) {
        const ToolRun run = tool(file("block.txt", row.text) + " " + row.times);
        EXPECT_EQ(run.status, 0) << row.what << ": " << run.err;
        EXPECT_EQ(run.out, row.out) << row.what;
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(EnvelopeCommand, ScriptErrorsNameTheFileAndTheLine) {
    const std::pair<std::string, std::string> rows[] = {
        {"{ Envelope\n  2\n  Key 0 0 0 0 0 0 0 0 0 0\n\n  Key 1 1 7 0 0 0 0 0 0 0\n}\n",
         ":5: Found unknown spantype in Envelope\n"},
        {"KeyframerLW {\n  Channel 12\n}\n", ":2: Unable to load keyframer channel envelope\n"},
        {"Keyframer {\n  Scale {\n    Key 0 1\n  }\n}\n", ":3: Scale track: Key line before NumKeys\n"},
        {"Value 3\n", ":1: unable to find expected envelope start token\n"},
    };
    for (const auto& [text, error] : rows) {
        const std::string path = file("bad.txt", text);
        const ToolRun run = tool(path + " 1");
        EXPECT_EQ(run.status, 1) << text;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, path + error);
    }
}

const char* const mainScript = R"(; images, an include, a program and a shader
Image {
	Type 2D
	Name "stone.tga"
	Alias "stone"
	State {
		Filter NEAREST
	}
}
Include "data\shader\extra.shader"
Program {
	Type VERTEX
	Name "wave"
	!!ARBvp1.0
	MOV result.position, vertex.position; # keep the ';'
	END
}
Shader {
	Name "everything"
	Texture {
		Image "stone"
		TexUnit UNIT2
	}
	Vertex {
		Enable yes
		Name "wave"
	}
}
)";

struct ShadersCommandTest : ToolTest {
    ShadersCommandTest() : ToolTest("shaders") {}
    void SetUp() override {
        ToolTest::SetUp();
        // 2 x 2 uncompressed true-colour TGA files of one colour.
        const std::string header("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x18\0", 18);
        file("data/art/stone.tga", header + std::string(12, '\x80'));
        file("data/fnt/glyphs.tga", header + std::string(12, '\xff'));
        file("data/shader/demo.shader", mainScript);
        file("data/shader/extra.shader",
             "Image {\n\tName \"glyphs.tga\"\n}\n"
             "Shader {\n\tName \"text\"\n\tTexture {\n\t\tImage \"glyphs.tga\"\n\t}\n}\n");
    }
    ToolRun shaders(const std::string& name) const { return tool(quoted((root_ / "data/shader" / name).string())); }
};

TEST_F(ShadersCommandTest, WritesAScriptThatReadsBackToTheSameText) {
    const ToolRun first = shaders("demo.shader");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "");  // the program compiled: no error box
    // Images first (oldest first), then programs, then shaders in creation order.
    const std::string& text = first.out;
    EXPECT_LT(text.find("Name\t\"stone.tga\""), text.find("Name\t\"glyphs.tga\""));
    EXPECT_LT(text.find("Name\t\"glyphs.tga\""), text.find("Program {"));
    EXPECT_LT(text.find("Program {"), text.find("Name\t\"text\""));
    EXPECT_LT(text.find("Name\t\"text\""), text.find("Name\t\"everything\""));
    EXPECT_NE(text.find("\tMOV result.position, vertex.position; # keep the ';'\n\tEND\n}\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\tVertex {\n\t\tEnable\tyes\n\t\tName\t\"wave\"\n\t}\n"), std::string::npos);
    EXPECT_NE(text.find("\t\tImage\t\"stone.tga\"\n\t\tTexUnit\tUNIT2\n"), std::string::npos);

    file("data/shader/again.shader", text);
    const ToolRun second = shaders("again.shader");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, text);
}

TEST_F(ShadersCommandTest, ScriptErrorsNameTheFileAndLine) {
    const std::pair<const char*, const char*> rows[] = {
        {"Shader {\n\tName \"text\"\n\n\tZBuffer {\n\t\tWrte no\n\t}\n}\n",
         "data\\shader\\extra.shader:5: PARSE ERROR! Unknown ZBuffer Token"},
        {"Include \"data\\shader\\demo.shader\"\n", "Circular include of scriptfile => "},
    };
    for (const auto& [extra, error] : rows) {
        file("data/shader/extra.shader", extra);
        const ToolRun broken = shaders("demo.shader");
        EXPECT_EQ(broken.status, 1);
        EXPECT_NE(broken.err.find(error), std::string::npos) << broken.err;
        EXPECT_TRUE(broken.out.empty());
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
