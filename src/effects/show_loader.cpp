// show_loader.cpp -- the demo's loading order for the shader and effect scripts, read from disk.
#include "effects/show_loader.h"

#include <stdexcept>

#include "data/resource_reader.h"
#include "data/script_error.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "math/random.h"
#include "mesh/mesh_manager.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"

namespace qv3rn {

namespace {

bool loadShaderScript(const std::string& path, std::string& error) {
    if (!ResourceReader().find(path)) return true;  // a show without shaders
    ShaderManager* shaders = ShaderManager::instance();
    if (!shaders) {
        error = ScriptError::locate(path, 0, "no shader manager");
        return false;
    }
    ShaderScriptLoader loader(*shaders);
    try {
        if (loader.load(path)) return true;
        error = loader.failure().empty() ? ScriptError::locate(path, 0, "the shader script did not load")
                                         : loader.failure();
    } catch (const ScriptError& failure) {
        error = failure.located();
    } catch (const std::runtime_error& failure) {
        error = ScriptError::locate(path, 0, failure.what());
    }
    return false;
}

bool loadEffectScript(const std::string& path, EffectManager& manager, std::string& error) {
    EffectScript script(manager);
    try {
        if (script.loadFile(path)) return true;
        error = script.failure();
    } catch (const ScriptError& failure) {
        error = failure.located();
    } catch (const std::runtime_error& failure) {
        error = ScriptError::locate(path, 0, failure.what());
    }
    return false;
}

}  // namespace

bool loadShow(const ShowFiles& files, EffectManager& manager, std::string& error) {
    ImageRegistry& images = ImageRegistry::instance();
    if (images.decoders().empty()) images.registerDefaults();
    images.addSearchPath("data\\art\\");
    images.addSearchPath("data\\fnt\\");
    if (MeshManager* meshes = MeshManager::instance()) {
        if (!meshes->loaderFor("any.msh")) registerStandardMeshFormats(*meshes);
        meshes->addSearchPath("data\\obj\\");
    }
    runtimeRandom().seed(files.randomSeed);

    if (!loadShaderScript(files.shaderScript, error)) return false;
    if (!loadEffectScript(files.effectScript, manager, error)) return false;
    try {
        manager.initAll();  // scene effects read their scene and shader scripts here
    } catch (const ScriptError& raised) {
        error = raised.located();
        return false;
    } catch (const std::runtime_error& raised) {
        error = files.effectScript + ": " + raised.what();
        return false;
    }
    manager.setKeepFinished(false);
    return true;
}

}  // namespace qv3rn
