// test_shaders.h -- a named, empty shader registered in a shader manager, for meshes whose batches need one.
#pragma once

#include <memory>
#include <string>

#include "shader/shader_manager.h"

namespace qv3rn::test {

inline Shader* addShader(ShaderManager& shaders, const std::string& name, bool blended = false) {
    auto shader = std::make_unique<Shader>();
    shader->setName(name);
    shader->setBlended(blended);
    Shader* raw = shader.get();
    shaders.add(std::move(shader));
    return raw;
}

}  // namespace qv3rn::test
