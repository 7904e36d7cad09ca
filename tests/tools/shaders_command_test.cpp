// Tests of "qv3rn-tool shaders", run as the program itself: a script with images, includes, programs and every
// state kind is written back, the text reads back to the same values, and errors name the file and line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "gl/extensions.h"
#include "shader/blend_state.h"
#include "shader/image_registry.h"
#include "shader/material_state.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader/stencil_state.h"
#include "shader/texture_unit_state.h"
#include "tool_test.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;

using test::ToolRun;

// A 2 x 2 uncompressed true-colour TGA of one colour.
void writeTga(const fs::path& path, unsigned char r, unsigned char g, unsigned char b) {
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int i = 0; i < 4; ++i) out << b << g << r;
}

const char* const mainScript = R"(; every kind of block
Image {
	Type 2D
	Name "stone.tga"
	Alias "stone"
	State {
		Filter NEAREST
		Apply {
			Mode COMBINE
			Func.RGB DOT3_RGB
		}
		Envmap {
			Mode SPHERE
		}
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
	Lighting no
	Alpha {
		Enable yes
		Function GEQUAL
		Reference 0.5
	}
	Blend {
		Enable yes
		Src ONE_MINUS_CONSTANT_ALPHA
		Dst.Alpha ONE
		BlendEquation MIN
	}
	Cull {
		Function FRONT
		Winding CW
	}
	Fog {
		Enable yes
		Function EXPSQR
		Color 0.1 0.2 0.3 1
	}
	Texture {
		Image "stone"
		TexUnit UNIT2
		ScaleS {
{ Envelope
1
Key 2 0 3 0 0 0 0 0 0 0
}
		}
	}
	Stencil {
		Enable yes
		WriteMask 15
		ZFail INCR_WRAP
	}
	ZBuffer {
		Write no
	}
	Vertex {
		Enable yes
		Name "wave"
	}
	Material {
		Enable yes
		Diffuse 1 0.5 0.25 1
		Transparency {
{ Envelope
2
Key 1 0 3 0 0 0 0 0 0 0
Key 0 4 3 0 0 0 0 0 0 0
}
		}
	}
	Polygon {
		Enable yes
		Mode LINE
		Face FRONT
	}
	LogicOp {
		Enable yes
		Op OR_INVERTED
	}
}
)";

class ShadersCommandTest : public test::ToolTest {
protected:
    ShadersCommandTest() : ToolTest("shaders") {}
    void SetUp() override {
        ToolTest::SetUp();
        fs::create_directories(root_ / "data" / "art");
        fs::create_directories(root_ / "data" / "fnt");
        writeTga(root_ / "data" / "art" / "stone.tga", 200, 100, 50);
        writeTga(root_ / "data" / "fnt" / "glyphs.tga", 255, 255, 255);
        file("data/shader/demo.shader", mainScript);
        file("data/shader/extra.shader",
             "Image {\n\tName \"glyphs.tga\"\n}\nShader {\n\tName \"text\"\n\tTexture {\n\t\tImage \"glyphs.tga\"\n\t}\n}\n");
    }
};

TEST_F(ShadersCommandTest, WritesAScriptThatReadsBackToTheSameText) {
    const ToolRun first = tool("'" + (root_ / "data/shader/demo.shader").string() + "'");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "");  // the program compiled: no error box
    // Images first (oldest first), then programs, then shaders in creation order.
    const std::string& text = first.out;
    EXPECT_LT(text.find("Name\t\"stone.tga\""), text.find("Name\t\"glyphs.tga\""));
    EXPECT_LT(text.find("Name\t\"glyphs.tga\""), text.find("Program {"));
    EXPECT_LT(text.find("Program {"), text.find("Name\t\"text\""));
    EXPECT_LT(text.find("Name\t\"text\""), text.find("Name\t\"everything\""));
    EXPECT_NE(text.find("\tMOV result.position, vertex.position; # keep the ';'\n\tEND\n}\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\tVertex {\n\t\tEnable\tyes\n\t\tName\t\"wave\"\n\t}\n"), std::string::npos);
    EXPECT_NE(text.find("\t\tImage\t\"stone.tga\"\n\t\tTexUnit\tUNIT2\n"), std::string::npos);

    file("data/shader/again.shader", text);
    const ToolRun second = tool("'" + (root_ / "data/shader/again.shader").string() + "'");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, text);
}

TEST_F(ShadersCommandTest, TheWrittenTextHoldsTheValuesOfTheScript) {
    const ToolRun written = tool("'" + (root_ / "data/shader/demo.shader").string() + "'");
    ASSERT_EQ(written.status, 0) << written.err;
    file("data/shader/written.shader", written.out);

    // Read the written text in this process, without a context (so without extensions): the values are
    // checked, not drawn.
    resetExtensions();
    const fs::path previous = fs::current_path();
    fs::current_path(root_);
    ImageRegistry images;
    images.registerDefaults();
    images.addSearchPath("data/art/");
    images.addSearchPath("data/fnt/");
    ShaderManager manager;
    ShaderScriptLoader loader(manager);
    const bool loaded = loader.load("data/shader/written.shader");
    fs::current_path(previous);
    ASSERT_TRUE(loaded) << loader.failure();
    ASSERT_EQ(manager.shaders().size(), 2u);
    const Shader& shader = *manager.shaders()[1];
    EXPECT_EQ(shader.getName(), "everything");
    EXPECT_FALSE(shader.lighting());
    EXPECT_TRUE(shader.isBlended());
    ASSERT_EQ(shader.states().size(), 11u);
    const auto& blend = dynamic_cast<const BlendState&>(*shader.states()[1]);
    EXPECT_EQ(blend.srcRGB, 0x8004u);
    EXPECT_TRUE(blend.separate);
    EXPECT_EQ(blend.dstAlpha, static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(blend.dstRGB, static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(blend.equation, static_cast<GLenum>(GL_MIN));
    const auto& texture = dynamic_cast<const TextureUnitState&>(*shader.states()[4]);
    ASSERT_NE(texture.image(), nullptr);
    EXPECT_EQ(texture.image()->alias(), "stone");
    EXPECT_EQ(texture.image()->params().magFilter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(texture.image()->params().combineRGB, static_cast<GLenum>(GL_DOT3_RGB_ARB));
    EXPECT_EQ(texture.image()->params().texGenMode, 2);
    EXPECT_EQ(texture.unit, static_cast<GLenum>(GL_TEXTURE2_ARB));
    ASSERT_NE(texture.envelope(TextureMatrixChannel::ScaleS), nullptr);
    EXPECT_FLOAT_EQ(texture.envelope(TextureMatrixChannel::ScaleS)->evaluate(3), 2);
    const auto& stencil = dynamic_cast<const StencilState&>(*shader.states()[5]);
    EXPECT_EQ(stencil.writeMask, 15u);
    EXPECT_EQ(stencil.mask, 0u);
    EXPECT_EQ(stencil.zFail, 0x8507u);
    EXPECT_EQ(stencil.fail, static_cast<GLenum>(GL_ZERO));
    const auto& material = dynamic_cast<const MaterialState&>(*shader.states()[8]);
    EXPECT_FLOAT_EQ(material.diffuse[2], 0.25f);
    ASSERT_TRUE(material.transparency);
    EXPECT_FLOAT_EQ(material.transparency->evaluate(2), 0.5f);
    manager.clear();
    images.clear();
}

TEST_F(ShadersCommandTest, ScriptErrorsNameTheFileAndLine) {
    file("data/shader/extra.shader", "Shader {\n\tName \"text\"\n\n\tZBuffer {\n\t\tWrte no\n\t}\n}\n");
    const ToolRun broken = tool("'" + (root_ / "data/shader/demo.shader").string() + "'");
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("data\\shader\\extra.shader:5: PARSE ERROR! Unknown ZBuffer Token"), std::string::npos)
        << broken.err;
    EXPECT_TRUE(broken.out.empty());

    file("data/shader/extra.shader", "Image {\n\tName \"absent.tga\"\n}\n");
    const ToolRun missing = tool("'" + (root_ / "data/shader/demo.shader").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(":2: PARSE ERROR! Image not loaded absent.tga"), std::string::npos) << missing.err;

    file("data/shader/extra.shader", "Include \"data\\shader\\demo.shader\"\n");
    const ToolRun cycle = tool("'" + (root_ / "data/shader/demo.shader").string() + "'");
    EXPECT_EQ(cycle.status, 1);
    EXPECT_NE(cycle.err.find("Circular include of scriptfile => "), std::string::npos) << cycle.err;
}

TEST_F(ShadersCommandTest, UsageAndMissingFiles) {
    EXPECT_EQ(tool("").status, 2);
    EXPECT_EQ(tool("a.shader b.shader").status, 2);
    const ToolRun missing = tool("'" + (root_ / "data/shader/none.shader").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.shader"), std::string::npos);
}

}  // namespace
}  // namespace qv3rn
