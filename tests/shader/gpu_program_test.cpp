// gpu_program_test.cpp -- Tests of GPU programs: the "Program {" block, storage by name, lazy compilation with
// its error box, the program states of shaders that name them, drawn as pixels, and whole scripts written back.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/message_hook.h"
#include "data/script_error.h"
#include "shader_test_support.h"
#include "shader/program_state.h"
#include "shader/shader_script_writer.h"

namespace qv3rn {
namespace {

using test::onlyState;
using test::parseScript;

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
    EXPECT_EQ(manager.fragmentPrograms().at(0).name, "green");

    ASSERT_TRUE(parseScript(manager, greenShader));
    const GLuint fragment = onlyState<FragmentProgramState>(manager, 0, 2).program;
    EXPECT_NE(fragment, 0u);
    EXPECT_EQ(manager.findFragmentProgram("green"), fragment);  // compiled once, the same id after
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(drawnThrough(*manager.shaders()[0]), (std::array<int, 3>{0, 255, 0}));

    manager.clear();  // deletes the compiled programs
    EXPECT_FALSE(glIsProgramARB(fragment));
}

TEST_F(GpuPrograms, AWrittenScriptReadsBackToTheSameDrawing) {
    ASSERT_TRUE(parseScript(manager, vertexProgramBlock + fragmentProgramBlock + greenShader));
    // The writer ends a text without a line feed and an "END" line so that the reader stops there.
    ASSERT_TRUE(manager.addFragmentProgram("blue", "!!ARBfp1.0\nMOV result.color, {0, 0, 1, 1};"));
    std::ostringstream text;
    writeShaderScript(text, images, manager);
    ShaderManager again;
    ASSERT_TRUE(parseScript(again, text.str())) << text.str();
    EXPECT_EQ(again.vertexPrograms().size(), 1u);
    ASSERT_EQ(again.fragmentPrograms().size(), 2u);
    EXPECT_EQ(again.fragmentPrograms()[1].text, "!!ARBfp1.0\nMOV result.color, {0, 0, 1, 1};\nEND\n");
    EXPECT_EQ(onlyState<VertexProgramState>(again, 0, 1).programName, "pass");
    EXPECT_EQ(drawnThrough(*again.shaders().at(0)), (std::array<int, 3>{0, 255, 0})) << text.str();
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
    EXPECT_FALSE(boxes[0].second.empty());  // the driver's error text
    EXPECT_EQ(boxes[1].first, "FRAGMENT PROGRAM");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GpuPrograms, NamesAreUniquePerStageAndAProgramNamedBeforeItsBlockGetsIdZero) {
    EXPECT_TRUE(manager.addVertexProgram("p", "!!ARBvp1.0\nEND\n"));
    EXPECT_FALSE(manager.addVertexProgram("p", "!!ARBvp1.0\nMOV result.position, vertex.position;\nEND\n"));
    EXPECT_EQ(manager.vertexPrograms().at(0).text, "!!ARBvp1.0\nEND\n");  // the first text stays
    EXPECT_FALSE(manager.addVertexProgram("", "!!ARBvp1.0\nEND\n"));
    EXPECT_TRUE(manager.addFragmentProgram("p", "!!ARBfp1.0\nEND\n"));
    EXPECT_EQ(manager.findFragmentProgram("P"), 0u);

    ASSERT_TRUE(parseScript(manager,
                            "Shader {\nName \"early\"\nVertex {\nEnable yes\nName \"late\"\n}\n}\n"
                            "Program {\nType VERTEX\nName \"late\"\n!!ARBvp1.0\nEND\n}\n"));
    EXPECT_EQ(onlyState<VertexProgramState>(manager).program, 0u);
    EXPECT_NE(manager.findVertexProgram("late"), 0u);
}

TEST_F(GpuPrograms, WithoutTheExtensionsNothingIsStoredAndTheStatesDoNothing) {
    resetExtensions();
    ASSERT_TRUE(parseScript(manager, vertexProgramBlock + greenShader));
    EXPECT_TRUE(manager.vertexPrograms().empty());
    EXPECT_EQ(manager.findVertexProgram("pass"), 0u);
    auto& state = onlyState<VertexProgramState>(manager, 0, 1);
    state.program = 1;
    manager.shaders()[0]->begin();
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
    manager.shaders()[0]->end();
    loadExtension(*context, "GL_ARB_vertex_program");
    ASSERT_TRUE(parseScript(manager, vertexProgramBlock + fragmentProgramBlock));
    EXPECT_EQ(manager.vertexPrograms().size(), 1u);
    EXPECT_TRUE(manager.fragmentPrograms().empty());
}

TEST_F(GpuPrograms, BlockErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"Program {\nName \"x\"\n}\n", "2: PARSE ERROR! Unknown Program Token"},
        {"Program {\nType GEOMETRY\n}\n", "2: PARSE ERROR! Unknown Program Type"},
        {"Program {\nType VERTEX\nName \"x\"\n!!ARBvp1.0\nEND\nMOV result.position, vertex.position;\n}\n",
         "6: PARSE ERROR! Unknown VertexProgram TokenMOV result.position, vertex.position"},  // ";" starts a comment
        {"Program {\nType FRAGMENT\nName \"x\"\nbogus  line\n}\n",
         "4: PARSE ERROR! Unknown FragmentProgram Tokenbogus  line"},
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
