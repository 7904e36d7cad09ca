// shader_script_writer.cpp -- whole shader blocks, program blocks and scripts as text.
#include "shader/shader_script_writer.h"

#include <string>

#include "shader/image_registry.h"
#include "shader/program_state.h"
#include "shader/shader.h"
#include "shader/shader_manager.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {

void writeProgramState(std::ostream& out, const ProgramState& state) {
    writeBlockOpener(out, state.kind() == RenderStateKind::VertexProgram ? "Vertex" : "Fragment");
    writeFlagField(out, "Enable", state.enabled);
    if (!state.programName.empty()) out << "\t\tName\t\"" << state.programName << "\"\n";
    writeBlockCloser(out);
}

void writeProgram(std::ostream& out, const char* type, const GpuProgram& program) {
    out << "Program {\n\tType\t" << type << "\n\tName\t\"" << program.name << "\"\n" << program.text;
    if (!program.text.empty() && program.text.back() != '\n') out << '\n';
    // The reader takes program text up to the first line containing "END": without one it would run on into
    // the next blocks.
    if (program.text.find("END") == std::string::npos) out << "END\n";
    out << "}\n";
}

}  // namespace

void writeShaderBlock(std::ostream& out, const Shader& shader) {
    out << "Shader {\n\tName\t\"" << shader.getName() << "\"\n\tLighting\t" << (shader.lighting() ? "yes" : "no") << '\n';
    for (const auto& state : shader.states()) {
        if (const auto* program = dynamic_cast<const ProgramState*>(state.get()))
            writeProgramState(out, *program);
        else
            state->write(out);
    }
    out << "}\n";
}

void writeProgramBlocks(std::ostream& out, const ShaderManager& manager) {
    for (const GpuProgram& program : manager.vertexPrograms()) writeProgram(out, "VERTEX", program);
    for (const GpuProgram& program : manager.fragmentPrograms()) writeProgram(out, "FRAGMENT", program);
}

void writeShaderScript(std::ostream& out, const ImageRegistry& images, const ShaderManager& shaders) {
    for (auto image = images.images().rbegin(); image != images.images().rend(); ++image) (*image)->write(out);
    writeProgramBlocks(out, shaders);
    for (const Shader* shader : shaders.shaders()) writeShaderBlock(out, *shader);
}

}  // namespace qv3rn
