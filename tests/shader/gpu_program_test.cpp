// Tests of GPU programs: the "Program {" block, storage by name, lazy compilation with its error box, and the
// program states of shaders that name them.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "script_test_support.h"
#include "core/message_hook.h"
#include "shader/program_state.h"
#include "data/script_error.h"

namespace qv3rn {
namespace {

using test::onlyState;
using test::parseScript;

const char* const vertexProgramBlock =
    "Program {\n"
    "\tType VERTEX\n"
    "\tName \"pass\"\n"
    "\t!!ARBvp1.0 this text after the header is dropped\n"
    "  # a program comment; the semicolon is not a script comment\n"
    "\tMOV result.position, vertex.position;\n"
    "\tMOV result.color, vertex.color;\n"
    "END\n"
    "}\n";

const char* const fragmentProgramBlock =
    "Program {\n"
    "Type FRAGMENT\n"
    "!!ARBfp1.0\n"
    "MOV result.color, {0, 1, 0, 1};\n"
    "END\n"
    "Name \"green\"\n"  // a name after the text still names the program
    "}\n";

class GpuPrograms : public test::ShaderGLTest {
protected:
    void SetUp() override {
        test::ShaderGLTest::SetUp();
        setMessageHook([this](const std::string& caption, const std::string& text) { boxes.emplace_back(caption, text); });
    }
    void TearDown() override {
        setMessageHook({});
        test::ShaderGLTest::TearDown();
    }
    std::vector<std::pair<std::string, std::string>> boxes;
};

TEST_F(GpuPrograms, ProgramBlocksKeepTheRawTextThroughEnd) {
    ASSERT_TRUE(GL_ARB_vertex_program_Flag && GL_ARB_fragment_program_Flag);
    ShaderScriptLoader loader(manager);
    std::istringstream stream(std::string(vertexProgramBlock) + fragmentProgramBlock);
    ASSERT_TRUE(loader.parse(stream));
    EXPECT_EQ(loader.programLineCount(), 4 + 2);
    ASSERT_EQ(manager.vertexPrograms().size(), 1u);
    ASSERT_EQ(manager.fragmentPrograms().size(), 1u);
    const GpuProgram& vertex = manager.vertexPrograms()[0];
    EXPECT_EQ(vertex.name, "pass");
    EXPECT_EQ(vertex.text,
              "!!ARBvp1.0\n"
              "  # a program comment; the semicolon is not a script comment\n"
              "\tMOV result.position, vertex.position;\n"
              "\tMOV result.color, vertex.color;\n"
              "END\n");
    EXPECT_EQ(vertex.id, 0u);  // not compiled before its first lookup
    EXPECT_EQ(manager.fragmentPrograms()[0].name, "green");
    EXPECT_EQ(manager.fragmentPrograms()[0].text, "!!ARBfp1.0\nMOV result.color, {0, 1, 0, 1};\nEND\n");
}

TEST_F(GpuPrograms, AValidProgramCompilesOnItsFirstLookupAndDrawsWithIt) {
    ASSERT_TRUE(parseScript(manager, std::string(fragmentProgramBlock) +
                                         "Shader {\nName \"green\"\nLighting no\nZBuffer {\nEnable no\n}\n"
                                         "Fragment {\nEnable yes\nName \"green\"\n}\n}\n"));
    const auto& state = onlyState<FragmentProgramState>(manager, 0, 1);
    EXPECT_NE(state.program, 0u);
    EXPECT_EQ(manager.fragmentPrograms()[0].id, state.program);
    EXPECT_EQ(manager.findFragmentProgram("green"), state.program);  // compiled once, the same id after
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(glIsProgramARB(state.program));

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    Shader& shader = *manager.shaders()[0];
    shader.begin();
    glColor4f(1, 0, 0, 1);
    glRectf(-1, -1, 1, 1);
    shader.end();
    EXPECT_EQ(pixel(32, 32)[0], 0);
    EXPECT_EQ(pixel(32, 32)[1], 255);
    EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));

    const GLuint id = state.program;
    manager.clear();  // deletes the compiled programs
    EXPECT_FALSE(glIsProgramARB(id));
}

TEST_F(GpuPrograms, ABrokenProgramShowsOneBoxAndKeepsItsId) {
    ASSERT_TRUE(parseScript(manager,
                            "Program {\nType VERTEX\nName \"bad\"\n!!ARBvp1.0\nMOVE result.position, vertex.position;\n"
                            "END\n}\n"
                            "Program {\nType FRAGMENT\nName \"worse\"\n!!ARBfp1.0\nMOV result.colour, 1;\nEND\n}\n"));
    EXPECT_TRUE(boxes.empty());
    const GLuint vertex = manager.findVertexProgram("bad");
    EXPECT_NE(vertex, 0u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "VERTEX PROGRAM");
    EXPECT_FALSE(boxes[0].second.empty());  // the driver's error text
    EXPECT_EQ(manager.findVertexProgram("bad"), vertex);
    EXPECT_EQ(boxes.size(), 1u);  // only at the first lookup
    EXPECT_NE(manager.findFragmentProgram("worse"), 0u);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].first, "FRAGMENT PROGRAM");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GpuPrograms, NamesAreUniqueAndNeeded) {
    EXPECT_TRUE(manager.addVertexProgram("p", "!!ARBvp1.0\nEND\n"));
    EXPECT_FALSE(manager.addVertexProgram("p", "!!ARBvp1.0\nMOV result.position, vertex.position;\nEND\n"));
    EXPECT_EQ(manager.vertexPrograms().size(), 1u);
    EXPECT_EQ(manager.vertexPrograms()[0].text, "!!ARBvp1.0\nEND\n");  // the first text stays
    EXPECT_FALSE(manager.addVertexProgram("", "!!ARBvp1.0\nEND\n"));
    EXPECT_TRUE(manager.addFragmentProgram("p", "!!ARBfp1.0\nEND\n"));  // the stages are separate
    EXPECT_EQ(manager.findVertexProgram("q"), 0u);
    EXPECT_EQ(manager.findFragmentProgram("P"), 0u);

    // A block without a Name line is offered with an empty name and not stored.
    ASSERT_TRUE(parseScript(manager, "Program {\nType VERTEX\n!!ARBvp1.0\nEND\n}\n"));
    EXPECT_EQ(manager.vertexPrograms().size(), 1u);
}

TEST_F(GpuPrograms, AProgramNamedBeforeItsBlockGetsIdZero) {
    ASSERT_TRUE(parseScript(manager, "Shader {\nName \"early\"\nVertex {\nEnable yes\nName \"late\"\n}\n}\n" +
                                         std::string("Program {\nType VERTEX\nName \"late\"\n!!ARBvp1.0\n"
                                                     "MOV result.position, vertex.position;\nEND\n}\n")));
    EXPECT_EQ(onlyState<VertexProgramState>(manager).program, 0u);
    EXPECT_NE(manager.findVertexProgram("late"), 0u);
}

TEST_F(GpuPrograms, WithoutTheExtensionsNothingIsStored) {
    resetExtensions();
    ASSERT_TRUE(parseScript(manager, vertexProgramBlock));
    EXPECT_TRUE(manager.vertexPrograms().empty());
    EXPECT_EQ(manager.findVertexProgram("pass"), 0u);
    loadExtension(*context, "GL_ARB_vertex_program");
    ASSERT_TRUE(parseScript(manager, std::string(vertexProgramBlock) + fragmentProgramBlock));
    EXPECT_EQ(manager.vertexPrograms().size(), 1u);
    EXPECT_TRUE(manager.fragmentPrograms().empty());
}

TEST_F(GpuPrograms, BlockErrors) {
    struct Case {
        std::string script;
        std::string message;
    };
    const Case cases[] = {
        {"Program {\nName \"x\"\n}\n", "PARSE ERROR! Unknown Program Token"},
        {"Program {\nType GEOMETRY\n}\n", "PARSE ERROR! Unknown Program Type"},
        {"Program {\nType VERTEX\nName \"x\"\n!!ARBvp1.0\nEND\nMOV result.position, vertex.position;\n}\n",
         "PARSE ERROR! Unknown VertexProgram TokenMOV result.position, vertex.position"},  // ";" starts a comment
        {"Program {\nType FRAGMENT\nName \"x\"\nbogus  line\n}\n", "PARSE ERROR! Unknown FragmentProgram Tokenbogus  line"},
    };
    for (const Case& c : cases) {
        ShaderManager local;
        try {
            parseScript(local, c.script);
            ADD_FAILURE() << "no error for " << c.script;
        } catch (const ScriptError& error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
    // Input ending before the Type line fails the load without an error; inside the body it stores the program.
    ShaderManager ends;
    ShaderScriptLoader loader(ends);
    std::istringstream early("Program {");
    EXPECT_FALSE(loader.parse(early));
    EXPECT_NE(loader.failure().find("program"), std::string::npos);
    EXPECT_TRUE(parseScript(ends, "Program {\nType VERTEX\nName \"cut\"\n!!ARBvp1.0\nMOV result.position, vertex.position;"));
    ASSERT_EQ(ends.vertexPrograms().size(), 1u);
    EXPECT_EQ(ends.vertexPrograms()[0].text, "!!ARBvp1.0\nMOV result.position, vertex.position;");
}

}  // namespace
}  // namespace qv3rn
