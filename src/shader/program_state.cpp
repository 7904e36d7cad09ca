// program_state.cpp -- the "Vertex {" and "Fragment {" blocks and the binding of their programs.
#include "shader/program_state.h"

#include <memory>

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
const Keyword<VertexProgramState> vertexKeywords[] = {
    {"Enable ", [](VertexProgramState& s, BlockLine& l) { s.enabled = readFlag(l.text); }},
    {"Name ",
     [](VertexProgramState& s, BlockLine& l) {
         s.programName = quotedText(l.text);
         s.program = l.loader.shaderManager().findVertexProgram(s.programName);
     }},
};

const Keyword<FragmentProgramState> fragmentKeywords[] = {
    {"Enable ", [](FragmentProgramState& s, BlockLine& l) { s.enabled = readFlag(l.text); }},
    {"Name ",
     [](FragmentProgramState& s, BlockLine& l) {
         s.programName = quotedText(l.text);
         s.program = l.loader.shaderManager().findFragmentProgram(s.programName);
     }},
};
}  // namespace

bool readVertexBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<VertexProgramState>();
    VertexProgramState& state = *owned;
    shader.addState(std::move(owned));
    return readStateBlock<VertexProgramState>(loader, stream, state, vertexKeywords,
                                              "PARSE ERROR! Unknown Vertex Token");
}

bool readFragmentBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<FragmentProgramState>();
    FragmentProgramState& state = *owned;
    shader.addState(std::move(owned));
    return readStateBlock<FragmentProgramState>(loader, stream, state, fragmentKeywords,
                                                "PARSE ERROR! Unknown Fragment Token");
}

}  // namespace qv3rn
