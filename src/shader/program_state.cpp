// program_state.cpp -- the "Vertex {" and "Fragment {" blocks and the binding of their programs.
#include "shader/program_state.h"

#include <memory>
#include <string_view>

#include "gl/extensions.h"
#include "shader/shader.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"

namespace qv3rn {

VertexProgramState::VertexProgramState()
    : ProgramState(RenderStateKind::VertexProgram, GL_VERTEX_PROGRAM_ARB, GL_ARB_vertex_program_Flag) {}

FragmentProgramState::FragmentProgramState()
    : ProgramState(RenderStateKind::FragmentProgram, GL_FRAGMENT_PROGRAM_ARB, GL_ARB_fragment_program_Flag) {}

void ProgramState::apply() {
    if (RenderStateLocks::isLocked(kind()) || !enabled || !available_) return;
    glEnable(target_);
    glBindProgramARB(target_, program);
}

void ProgramState::restore() {
    if (RenderStateLocks::isLocked(kind()) || !enabled || !available_) return;
    glDisable(target_);
}

namespace {

// A program state being read, with where its "Name" line looks the program up.
struct ProgramBlock {
    ProgramState& state;
    ShaderManager& manager;
    GLuint (ShaderManager::*find)(std::string_view name);
};

const KeywordTable<ProgramBlock> programRows = {
    {"Enable ", [](ProgramBlock& b, BlockLine& l) { b.state.enabled = matches(l.text, "yes"); }},
    {"Name ",
     [](ProgramBlock& b, BlockLine& l) {
         b.state.programName = quotedText(l.text);
         b.state.program = (b.manager.*b.find)(b.state.programName);
     }},
};

bool readProgramState(ShaderScriptLoader& loader, std::istream& stream, Shader& shader,
                      std::unique_ptr<ProgramState> owned, GLuint (ShaderManager::*find)(std::string_view),
                      const char* unknownToken) {
    ProgramBlock block{*owned, loader.shaderManager(), find};
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, block, programRows, UnknownLine::raise(unknownToken));
    return true;
}

}  // namespace

bool readVertexBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    return readProgramState(loader, stream, shader, std::make_unique<VertexProgramState>(),
                            &ShaderManager::findVertexProgram, "PARSE ERROR! Unknown Vertex Token");
}

bool readFragmentBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    return readProgramState(loader, stream, shader, std::make_unique<FragmentProgramState>(),
                            &ShaderManager::findFragmentProgram, "PARSE ERROR! Unknown Fragment Token");
}

}  // namespace qv3rn
