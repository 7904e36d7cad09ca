// shader_script_writer.h -- writes whole shader scripts back: images, program blocks and shader blocks.
#pragma once

#include <ostream>

namespace qv3rn {

class ImageRegistry;
class Shader;
class ShaderManager;

// "Shader {", its Name and Lighting lines, every state block through the state's own write (program states as
// "Vertex {" / "Fragment {" blocks naming their program), and "}".
void writeShaderBlock(std::ostream& out, const Shader& shader);

// One "Program {" block per stored program, vertex programs first, with the program text unchanged.
void writeProgramBlocks(std::ostream& out, const ShaderManager& manager);

// A script that reads back to the same images, programs and shaders: the registry's images oldest first (each
// through its own write), then the programs, then the shaders in creation order.
void writeShaderScript(std::ostream& out, const ImageRegistry& images, const ShaderManager& shaders);

}  // namespace qv3rn
