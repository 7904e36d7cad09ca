// shader_lookup.cpp -- finding, and where asked for, registering the shaders that meshes name.
#include "mesh/shader_lookup.h"

#include <memory>
#include <string>

#include "shader/shader_manager.h"

namespace qv3rn {

Handle<Shader> lookUpShader(std::string_view name, MissingShaders missing) {
    ShaderManager* manager = ShaderManager::instance();
    if (name.empty() || !manager) return {};
    Handle<Shader> shader = manager->find(name);
    if (shader || missing == MissingShaders::Leave) return shader;
    auto created = std::make_unique<Shader>();
    created->setName(std::string(name));
    manager->add(std::move(created));
    return manager->find(name);
}

}  // namespace qv3rn
