// shader_blocks_test.cpp -- Tests of the shader state blocks and GPU programs, read back from a real context.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/message_hook.h"
#include "data/script_error.h"
#include "shader/program_state.h"
#include "shader_test_support.h"
#include "shader/shader_script_writer.h"

namespace qv3rn {
namespace {

using test::From;
using test::GLCheck;
using test::parseScript;

constexpr From M = From::Material;

// What restore leaves: the engine's baseline, with lighting on as setBaseline leaves it.
const std::vector<GLCheck> baseline = {
    {GL_CULL_FACE, {1}}, {GL_CULL_FACE_MODE, {GL_BACK}}, {GL_FRONT_FACE, {GL_CCW}}, {GL_LIGHT_MODEL_TWO_SIDE, {0}},
    {GL_DEPTH_TEST, {1}}, {GL_DEPTH_FUNC, {GL_LEQUAL}}, {GL_DEPTH_WRITEMASK, {1}}, {GL_ALPHA_TEST, {0}},
    {GL_BLEND, {0}}, {GL_BLEND_EQUATION_RGB, {GL_FUNC_ADD}}, {GL_FOG, {0}}, {GL_STENCIL_TEST, {0}},
    {GL_COLOR_LOGIC_OP, {0}}, {GL_POLYGON_MODE, {GL_FILL, GL_FILL}}, {GL_LIGHTING, {1}}, {GL_ATTRIB_STACK_DEPTH, {0}},
    {GL_COLOR_MATERIAL, {1}}, {GL_CURRENT_COLOR, {1, 1, 1, 1}}, {GL_SPECULAR, {0, 0, 0, 1}, M},
    {GL_EMISSION, {0, 0, 0, 1}, M},
    {GL_SHININESS, {0}, M},  // ambient and diffuse follow the white colour
};

// block: one state block, without its closing brace
struct Row { std::string block; std::vector<GLCheck> applied; };

const Row rows[] = {
    {"Alpha {\nEnable yes\nFunction GEQUAL\nReference 0.5\nReference \n",  // no number: the value stays
     {{GL_ALPHA_TEST, {1}}, {GL_ALPHA_TEST_FUNC, {GL_GEQUAL}}, {GL_ALPHA_TEST_REF, {0.5}}}},
    {"Alpha {\nEnable yes\nFunction gEQUAL\n", {{GL_ALPHA_TEST_FUNC, {GL_EQUAL}}}},  // a case-sensitive part
    {"Blend {\nEnable yes\nSrc SRC_ALPHA\nDst ONE_MINUS_SRC_ALPHA\nBlendEquation MIN\nBlendColor 0.25 0 0 1\n"
     "Lighting no\n",
     {{GL_BLEND, {1}}, {GL_BLEND_SRC_RGB, {GL_SRC_ALPHA}}, {GL_BLEND_DST_RGB, {GL_ONE_MINUS_SRC_ALPHA}},
      {GL_BLEND_SRC_ALPHA, {GL_SRC_ALPHA}}, {GL_BLEND_DST_ALPHA, {GL_ONE_MINUS_SRC_ALPHA}},
      {GL_BLEND_EQUATION_RGB, {GL_MIN}}, {GL_BLEND_COLOR, {0.25, 0, 0, 1}}, {GL_LIGHTING, {0}},
      {GL_ATTRIB_STACK_DEPTH, {1}}}},
    // DST_COLOR is no destination factor: that line leaves ZERO; a Dst.Alpha line alone makes it separate.
    {"Blend {\nEnable yes\nSrc ONE_MINUS_CONSTANT_ALPHA\nDst ZERO\nDst DST_COLOR\nDst.Alpha ONE\n"
     "BlendEquation SUBTRACT\n",
     {{GL_BLEND_SRC_RGB, {GL_ONE_MINUS_CONSTANT_ALPHA}}, {GL_BLEND_DST_RGB, {GL_ZERO}},
      {GL_BLEND_SRC_ALPHA, {GL_ONE}}, {GL_BLEND_DST_ALPHA, {GL_ONE}}, {GL_BLEND_EQUATION_RGB, {GL_FUNC_SUBTRACT}}}},
    {"Cull {\nFunction FRONT\nWinding CW\n",
     {{GL_CULL_FACE, {1}}, {GL_CULL_FACE_MODE, {GL_FRONT}}, {GL_FRONT_FACE, {GL_CW}}}},
    {"Fog {\nEnable yes\nStart 2\nEnd 40.5\nDensity 0.125\nColor 0.1 0.2 0.3 0.4\nFunction EXPSQR\n"
     "Apply PER_VERTEX\n",
     {{GL_FOG, {1}}, {GL_FOG_MODE, {GL_EXP2}}, {GL_FOG_START, {2}}, {GL_FOG_END, {40.5}}, {GL_FOG_DENSITY, {0.125}},
      {GL_FOG_COLOR, {0.1, 0.2, 0.3, 0.4}}, {GL_FOG_HINT, {GL_FASTEST}}}},
    {"Stencil {\nEnable yes\nFunction NOTEQUAL\nReference 2\nMask 3\nWriteMask 15\nFail KEEP\nZFail INCR_WRAP\n"
     "ZPass REPLACE\n",
     {{GL_STENCIL_TEST, {1}}, {GL_STENCIL_FUNC, {GL_NOTEQUAL}}, {GL_STENCIL_REF, {2}}, {GL_STENCIL_VALUE_MASK, {3}},
      {GL_STENCIL_WRITEMASK, {15}}, {GL_STENCIL_FAIL, {GL_KEEP}}, {GL_STENCIL_PASS_DEPTH_FAIL, {GL_INCR_WRAP}},
      {GL_STENCIL_PASS_DEPTH_PASS, {GL_REPLACE}}}},
    // Two blocks of one kind are applied, and restored, in script order.
    {"ZBuffer {\nEnable yes\nFunction GREATER\n}\nZBuffer {\nEnable yes\nFunction NEVER\nWrite no\n",
     {{GL_DEPTH_FUNC, {GL_NEVER}}, {GL_DEPTH_WRITEMASK, {0}}}},
    {"LogicOp {\nEnable yes\nOp XOR\n", {{GL_COLOR_LOGIC_OP, {1}}, {GL_LOGIC_OP_MODE, {GL_XOR}}}},
    {"Polygon {\nEnable yes\nMode LINE\nFace FRONT_AND_BACK\n", {{GL_POLYGON_MODE, {GL_LINE, GL_LINE}}}},
    {"Material {\nEnable yes\nAmbient 0.5 0 0 1\nDiffuse 0.8 0.25 0.8 1\nSpecular 0 0 0.75 1\n"
     "Emission 0.125 0 0 0\nShininess 20\n",
     {{GL_COLOR_MATERIAL, {0}}, {GL_AMBIENT, {0.5, 0, 0, 1}, M}, {GL_DIFFUSE, {0.8, 0.25, 0.8, 1}, M},
      {GL_SPECULAR, {0, 0, 0.75, 1}, M}, {GL_EMISSION, {0.125, 0, 0, 0}, M}, {GL_SHININESS, {20}, M}}},
    // A disabled material still sets the current colour, from its diffuse colour.
    {"Material {\nDiffuse 0.5 0.8 0.8 0.25\n",
     {{GL_COLOR_MATERIAL, {1}}, {GL_CURRENT_COLOR, {0.5, 0.8, 0.8, 0.25}}}},
    // Transparency replaces the alpha of ambient, diffuse and specular (at the demo time 2 of 4 seconds).
    {"Material {\nEnable yes\nTransparency {\n{ Envelope\n2\nKey 0 0 3\nKey 1 4 3\n}\n}\n"
     "Shininess 64\n",  // the envelope's braces did not end the block
     {{GL_AMBIENT, {0, 0, 0, 0.5}, M}, {GL_DIFFUSE, {0.8, 0.8, 0.8, 0.5}, M}, {GL_SPECULAR, {0, 0, 0, 0.5}, M},
      {GL_EMISSION, {0, 0, 0, 0}, M}, {GL_SHININESS, {64}, M}}},
};

class StateBlocks : public test::ShaderGLTest {
protected:
    static void setBaseline() {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
        glEnable(GL_COLOR_MATERIAL);
        glColor4f(1, 1, 1, 1);
        glEnable(GL_LIGHTING);
    }
    static void expectAppliedAndRestored(Shader& shader, const std::vector<GLCheck>& applied, const std::string& what) {
        setBaseline();
        shader.begin();
        test::expectGL(applied, what + " applied");
        shader.end();
        test::expectGL(baseline, what + " restored");
    }
};

TEST_F(StateBlocks, EachBlockSetsItsStateAndRestoreReturnsToTheBaselineAlsoWhenWrittenAndReadBack) {
    ASSERT_TRUE(loadExtension(*context, "GL_EXT_blend_func_separate"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.block);
        ShaderManager read;
        read.setFrameTime(2);  // animated states evaluate at the current manager's frame time
        ASSERT_TRUE(parseScript(read, "Shader {\nName \"s\"\n" + row.block + "}\n}\n"));
        Shader& shader = *read.shaders().at(0);
        EXPECT_EQ(shader.isBlended(), row.block.rfind("Blend", 0) == 0);  // every Blend block marks it blended
        expectAppliedAndRestored(shader, row.applied, "read");

        std::ostringstream text;
        writeShaderBlock(text, shader);
        ShaderManager again;
        again.setFrameTime(2);
        ASSERT_TRUE(parseScript(again, text.str())) << text.str();
        ASSERT_EQ(again.shaders().at(0)->states().size(), shader.states().size()) << text.str();
        EXPECT_EQ(again.shaders()[0]->isBlended(), shader.isBlended());
        expectAppliedAndRestored(*again.shaders()[0], row.applied, "written:\n" + text.str());
    }
}

TEST_F(StateBlocks, LockedKindsLeaveTheStateAloneAndUnlockingOneLetsItAct) {
    ASSERT_TRUE(parseScript(manager, "Shader {\nName \"all\"\nAlpha {\nEnable yes\n}\nBlend {\nEnable yes\n"
                                     "Lighting no\n}\nCull {\nEnable no\n}\nFog {\nEnable yes\n}\n"
                                     "Stencil {\nEnable yes\n}\nZBuffer {\nWrite no\n}\nLogicOp {\nEnable yes\n}\n"
                                     "Material {\nDiffuse 0.1 0.1 0.1 1\n}\n}\n"));
    Shader& shader = *manager.shaders()[0];
    for (int kind = 0; kind < renderStateKindCount; ++kind) RenderStateLocks::setLocked(RenderStateKind(kind), true);
    EXPECT_FALSE(RenderStateLocks::isLocked(RenderStateKind::Polygon));  // the one kind without a lock
    expectAppliedAndRestored(shader, baseline, "locked");
    glEnable(GL_FOG);
    shader.end();  // restore does nothing either
    test::expectGL({{GL_FOG, {1}}}, "locked restore");
    glDisable(GL_FOG);

    RenderStateLocks::setLocked(RenderStateKind::Blend, false);
    expectAppliedAndRestored(shader, {{GL_BLEND, {1}}, {GL_LIGHTING, {0}}, {GL_ALPHA_TEST, {0}}}, "blend unlocked");
    RenderStateLocks::reset();
    EXPECT_FALSE(RenderStateLocks::isLocked(RenderStateKind::Blend));
}

TEST_F(StateBlocks, TheBlackMaterialSwitchDrawsBlackButKeepsTheSpecularColour) {
    ASSERT_TRUE(parseScript(manager,
                            "Shader {\nName \"lit\"\nMaterial {\nEnable yes\nAmbient 1 0 0 1\n"
                            "Specular 0 0.5 0 1\n}\n}\nShader {\nName \"unlit\"\nMaterial {\n}\n}\n"));
    RenderStateLocks::setBlackMaterial(true);
    expectAppliedAndRestored(*manager.shaders()[0],
                             {{GL_AMBIENT, {0, 0, 0, 0}, M}, {GL_DIFFUSE, {0, 0, 0, 0}, M},
                              {GL_EMISSION, {0, 0, 0, 0}, M}, {GL_SPECULAR, {0, 0.5, 0, 1}, M}},
                             "lit");
    expectAppliedAndRestored(*manager.shaders()[1], {{GL_CURRENT_COLOR, {0, 0, 0, 0}}}, "unlit");
}

// Drawing through a script-made shader: an additive blend of red onto blue gives magenta.
TEST_F(StateBlocks, AScriptShaderBlendsPixels) {
    ASSERT_TRUE(parseScript(manager, "Shader {\nName \"add\"\nLighting no\nBlend {\nEnable yes\nSrc ONE\nDst ONE\n}\n"
                                     "ZBuffer {\nEnable no\n}\n}\n"));
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    manager.shaders()[0]->begin();
    glColor4f(1, 0, 0, 1);
    glRectf(-1, -1, 0, 1);
    manager.shaders()[0]->end();
    EXPECT_EQ(pixel(10, 32), (std::array<std::uint8_t, 4>{255, 0, 255, 255}));
    EXPECT_EQ(pixel(50, 32), (std::array<std::uint8_t, 4>{0, 0, 255, 255}));
}

TEST(StateBlockErrors, AnUnknownLineIsAnErrorAtItsLine) {
    const struct { const char* block; const char* line; const char* message; int at = 5; } cases[] = {
        {"Alpha", "Funktion LESS", "PARSE ERROR! Unknown Alpha Token"},
        {"Material", "Transparency {", "unable to find expected envelope start token", 6},
        {"Polygon", "Mode WIREFRAME", "PARSE ERROR! Unknown Polygon Mode type"},
    };
    for (const auto& c : cases) {
        ShaderManager manager;
        EXPECT_EQ(test::scriptError(manager, "Shader {\nName \"s\"\n" + std::string(c.block) + " {\nEnable no\n" +
                                                 c.line + "\n}\n}\n"),
                  std::to_string(c.at) + ": " + c.message);
        ASSERT_EQ(manager.shaders().size(), 1u);
        EXPECT_EQ(manager.shaders()[0]->states().size(), 1u) << c.block;  // appended before its lines were read
    }
}

using test::onlyState;

const std::string vertexProgramBlock =
    "Program {\n\tType VERTEX\n\tName \"pass\"\n"
    "\t!!ARBvp1.0 this text after the header is dropped\n"
    "  # a program comment; the semicolon is not a script comment\n"
    "\tMOV result.position, vertex.position;\n\tMOV result.color, vertex.color;\nEND\n}\n";

const std::string fragmentProgramBlock =
    "Program {\nType FRAGMENT\n!!ARBfp1.0\nMOV result.color, {0, 1, 0, 1};\nEND\n"
    "Name \"green\"\n"  // a name after the text still names the program
    "}\n";

// Draws with the unlit, depth-test-free shader "green", which binds both programs.
const std::string greenShader =
    "Shader {\nName \"green\"\nLighting no\nZBuffer {\nEnable no\n}\nVertex {\nEnable yes\nName \"pass\"\n}\n"
    "Fragment {\nEnable yes\nName \"green\"\n}\n}\n";

class GpuPrograms : public test::ShaderGLTest {
protected:
    // The red quad drawn over the whole viewport through the shader, as the centre pixel's RGB.
    std::array<int, 3> drawnThrough(Shader& shader) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        shader.begin();
        glColor4f(1, 0, 0, 1);
        glRectf(-1, -1, 1, 1);
        shader.end();
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
        EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
        const auto p = pixel(32, 32);
        return {p[0], p[1], p[2]};
    }

    std::vector<std::pair<std::string, std::string>> boxes;
    ScopedMessageHook hook{
        [this](const std::string& caption, const std::string& text) { boxes.emplace_back(caption, text); }};
};

TEST_F(GpuPrograms, ProgramBlocksKeepTheRawTextThroughEndAndCompileOnFirstLookup) {
    ASSERT_TRUE(GL_ARB_vertex_program_Flag && GL_ARB_fragment_program_Flag);
    ShaderScriptLoader loader(manager);
    std::istringstream stream(vertexProgramBlock + fragmentProgramBlock);
    ASSERT_TRUE(loader.parse(stream));
    EXPECT_EQ(loader.programLineCount(), 4 + 2);
    ASSERT_EQ(manager.vertexPrograms().size(), 1u);
    EXPECT_EQ(manager.vertexPrograms()[0].text,
              "!!ARBvp1.0\n  # a program comment; the semicolon is not a script comment\n"
              "\tMOV result.position, vertex.position;\n\tMOV result.color, vertex.color;\nEND\n");
    EXPECT_EQ(manager.vertexPrograms()[0].id, 0u);  // not compiled before its first lookup

    ASSERT_TRUE(parseScript(manager, greenShader));
    const GLuint fragment = onlyState<FragmentProgramState>(manager, 0, 2).program;
    EXPECT_NE(fragment, 0u);
    EXPECT_EQ(manager.findFragmentProgram("green"), fragment);  // compiled once, the same id after
    EXPECT_EQ(drawnThrough(*manager.shaders()[0]), (std::array<int, 3>{0, 255, 0}));

    manager.clear();  // deletes the compiled programs
    EXPECT_FALSE(glIsProgramARB(fragment));
}

TEST_F(GpuPrograms, ABrokenProgramShowsOneBoxAtItsFirstLookupAndKeepsItsId) {
    ASSERT_TRUE(parseScript(manager,
                            "Program {\nType VERTEX\nName \"bad\"\n!!ARBvp1.0\nMOVE result.position, vertex.position;\n"
                            "END\n}\n"
                            "Program {\nType FRAGMENT\nName \"worse\"\n!!ARBfp1.0\nMOV result.colour, 1;\nEND\n}\n"));
    EXPECT_TRUE(boxes.empty());
    const GLuint vertex = manager.findVertexProgram("bad");
    EXPECT_NE(vertex, 0u);
    EXPECT_EQ(manager.findVertexProgram("bad"), vertex);
    EXPECT_NE(manager.findFragmentProgram("worse"), 0u);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].first, "VERTEX PROGRAM");
    // Where the program's first line is in the script, then the driver's error text (its lines count from there).
    const std::string origin = "<stream>:4: program \"bad\": ";
    EXPECT_EQ(boxes[0].second.substr(0, origin.size()), origin);
    EXPECT_GT(boxes[0].second.size(), origin.size());
}

TEST_F(GpuPrograms, ScriptErrorsNameTheirLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"Shader {\nName \"s\"\nBogus line\n}\n", "3: PARSE ERROR! Unknown Shader Token"},
        {"Shader {\n\nAlpha {\n}\n}\n", "3: PARSE ERROR! Shader Token before Name"},
        {"Program {\nName \"x\"\n}\n", "2: PARSE ERROR! Unknown Program Token"},
        {"Program {\nType VERTEX\nName \"x\"\n!!ARBvp1.0\nEND\nMOV result.position, vertex.position;\n}\n",
         "6: PARSE ERROR! Unknown VertexProgram TokenMOV result.position, vertex.position"},  // ";" starts a comment
    };
    for (const auto& [script, error] : cases) EXPECT_EQ(test::scriptError(script), error);
    // Input ending before the Type line fails the load without an error; inside the body it stores the program.
    ShaderScriptLoader loader(manager);
    std::istringstream early("Program {");
    EXPECT_FALSE(loader.parse(early));
    EXPECT_NE(loader.failure().find("program"), std::string::npos);
    EXPECT_TRUE(parseScript(manager, "Program {\nType VERTEX\nName \"cut\"\n!!ARBvp1.0\nMOV result.color, 1;"));
    EXPECT_EQ(manager.vertexPrograms().at(0).text, "!!ARBvp1.0\nMOV result.color, 1;");
}

}  // namespace
}  // namespace qv3rn
