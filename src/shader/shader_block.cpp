// shader_block.cpp -- the "Shader {" block: its keyword table and the state block openers it dispatches to.
#include "shader/shader_block.h"

#include <memory>
#include <stdexcept>

#include "shader/alpha_state.h"
#include "shader/blend_state.h"
#include "shader/cull_state.h"
#include "shader/fog_state.h"
#include "shader/material_state.h"
#include "shader/polygon_state.h"
#include "shader/program_state.h"
#include "shader/shader.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"
#include "shader/stencil_state.h"
#include "shader/texture_unit_state.h"
#include "shader/zbuffer_state.h"

namespace qv3rn {

namespace {

// The shader the block's lines currently go to (none before the first "Name" line), and the loader whose
// manager takes the shaders and whose readers read the state blocks.
struct ShaderBlock {
    ShaderScriptLoader& loader;
    Shader* shader = nullptr;

    Shader& current() const {
        if (!shader) throw std::runtime_error("PARSE ERROR! Shader Token before Name");
        return *shader;
    }
};

using StateBlockReader = bool (*)(ShaderScriptLoader&, std::istream&, Shader&);

template <StateBlockReader read>
void readState(ShaderBlock& block, BlockLine& line) {
    read(block.loader, line.stream, block.current());
}

void startShader(ShaderBlock& block, BlockLine& line) {
    auto shader = std::make_unique<Shader>();
    shader->setName(quotedText(line.text));
    block.shader = shader.get();
    block.loader.shaderManager().add(std::move(shader));
}

const KeywordTable<ShaderBlock> shaderRows = {
    ignored<ShaderBlock>("Info "),
    {"Name ", startShader},
    {"Lighting ", [](ShaderBlock& b, BlockLine& l) { b.current().setLighting(matches(l.text, "yes")); }},
    {"Alpha {", readState<readAlphaBlock>},
    {"Blend {", readState<readBlendBlock>},
    {"Cull {", readState<readCullBlock>},
    {"Fog {", readState<readFogBlock>},
    {"Texture {", readState<readTextureBlock>},
    {"Stencil {", readState<readStencilBlock>},
    {"ZBuffer {", readState<readZBufferBlock>},
    {"Vertex {", readState<readVertexBlock>},
    {"Fragment {", readState<readFragmentBlock>},
    {"Material {", readState<readMaterialBlock>},
    {"Polygon {", readState<readPolygonBlock>},
    {"LogicOp {", readState<readLogicOpBlock>},
};

}  // namespace

bool readShaderBlock(ShaderScriptLoader& loader, std::istream& stream) {
    ShaderBlock block{loader};
    readKeywordBlock(loader, stream, block, shaderRows, UnknownLine::raise("PARSE ERROR! Unknown Shader Token"));
    return true;
}

}  // namespace qv3rn
