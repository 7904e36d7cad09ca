// shaders_command_test.cpp -- "qv3rn-tool shaders", run as the program itself: a script with images, includes, a
// program and shaders is written back as text that reads back to the same text, and errors name the file and line.
#include <gtest/gtest.h>

#include <string>

#include "tool_test.h"

namespace qv3rn::test {
namespace {

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
        {"Image {\n\tName \"absent.tga\"\n}\n", ":2: PARSE ERROR! Image not loaded absent.tga"},
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

}  // namespace
}  // namespace qv3rn::test
