// content_folder.h -- a content folder laid out as the archive, made current for a command that reads scripts
// the way the show does: images, meshes and the shader script found where the show finds them.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "mesh/mesh_manager.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"

namespace qv3rn::tool {

// Makes `folder` the working directory (script names are then relative to it, as the show's are) and registers
// its image and mesh search paths; false when there is no such folder.
inline bool enterContentFolder(const std::string& folder, MeshManager& meshes) {
    std::error_code failed;
    std::filesystem::current_path(folder, failed);
    if (failed) return false;
    ImageRegistry& images = ImageRegistry::instance();
    images.registerDefaults();
    images.addSearchPath("data\\art\\");
    images.addSearchPath("data\\fnt\\");
    meshes.addSearchPath("data\\obj\\");
    return true;
}

// Loads the current content folder's shader script, when it has one; its errors are raised.
inline void loadContentShaders(ShaderManager& shaders) {
    if (!std::filesystem::is_regular_file("data/shader/demo.shader")) return;
    ShaderScriptLoader loader(shaders);
    if (!loader.load("data\\shader\\demo.shader")) throw std::runtime_error(loader.failure());
}

}  // namespace qv3rn::tool
