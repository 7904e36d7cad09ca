// shader_block.h -- the "Shader {" block of the shader script.
#pragma once

#include <istream>

namespace qv3rn {

class ShaderScriptLoader;

// Reads the lines after "Shader {" up to its "}": each "Name" line makes a new shader and registers it with
// the loader's ShaderManager at once; the state blocks that follow belong to that shader.
bool readShaderBlock(ShaderScriptLoader& loader, std::istream& stream);

}  // namespace qv3rn
