// shader_manager.cpp -- registering, finding and releasing shaders; the process's shader manager.
#include "shader/shader_manager.h"

#include <algorithm>

#include "gl/extensions.h"
#include "shader/texture_unit_environment.h"

namespace qv3rn {

namespace {
ShaderManager* currentManager = nullptr;
}

extern ShaderManager processShaderManager;

// A manager constructed while another exists (a test's own) becomes current until it is destroyed.
ShaderManager::ShaderManager()
    : previous_(currentManager),
      vertexPrograms_(GL_VERTEX_PROGRAM_ARB, GL_ARB_vertex_program_Flag, "VERTEX PROGRAM"),
      fragmentPrograms_(GL_FRAGMENT_PROGRAM_ARB, GL_ARB_fragment_program_Flag, "FRAGMENT PROGRAM") {
    currentManager = this;
    installTextureUnitEnvironment();  // textures bound by shaders set up their units' environment
}

// The process's manager is cleared by the demo at shut-down, while the context and the image registry still
// exist; at process exit either may be gone already, so what is left then is left to the system.
ShaderManager::~ShaderManager() {
    if (this != &processShaderManager) clear();
    if (currentManager == this) currentManager = previous_;
}

ShaderManager* ShaderManager::instance() { return currentManager; }

float ShaderManager::currentFrameTime() { return currentManager ? currentManager->frameTime_ : 0.0f; }

bool ShaderManager::add(std::unique_ptr<Shader> shader) {
    if (!shader) return false;
    shader->addRef();
    shaders_.push_back(shader.release());
    return true;
}

ShaderHandle ShaderManager::find(std::string_view name) {
    for (Shader* shader : shaders_)
        if (shader->getName() == name) return ShaderHandle(shader);
    return {};
}

void ShaderManager::release(ShaderHandle& handle) {
    Shader* shader = handle.detach();
    if (!shader) return;
    if (shader->release() != 1) return;
    const auto listed = std::find(shaders_.begin(), shaders_.end(), shader);
    if (listed == shaders_.end()) return;  // not ours: its owner decides
    if (shader->release() == 0) {
        shaders_.erase(listed);
        delete shader;
    }
}

void ShaderManager::clear() {
    std::vector<Shader*> shaders;
    shaders.swap(shaders_);
    for (Shader* shader : shaders) {
        shader->release();
        delete shader;
    }
    vertexPrograms_.clear();
    fragmentPrograms_.clear();
}

// The process's manager, constructed before main like the other registries.
ShaderManager processShaderManager;

void releaseShader(ShaderHandle& handle) {
    if (!handle) return;
    if (ShaderManager* manager = ShaderManager::instance())
        manager->release(handle);
    else
        handle.reset();
}

}  // namespace qv3rn
