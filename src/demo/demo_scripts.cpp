// demo_scripts.cpp -- loading the shader script, the immediate textures, the lens-flare sprites and the timeline.
#include "demo/demo_scripts.h"

#include <stdexcept>

#include "core/log.h"
#include "data/script_error.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"

namespace qv3rn {

std::string LoadingFailure::boxText() const {
    if (file.empty()) return message;
    return message + "\n\nin " + file + (line > 0 ? ", line " + std::to_string(line) : "");
}

std::string LoadingFailure::oneLine() const {
    if (file.empty()) return message;
    return file + (line > 0 ? ":" + std::to_string(line) : "") + ": " + message;
}

LoadingFailure currentLoadingFailure() {
    LoadingFailure failure;
    try {
        throw;
    } catch (const ScriptError& error) {
        failure = {error.what(), error.file(), error.line()};
    } catch (const std::runtime_error& error) {
        failure.message = error.what();
    } catch (...) {
        failure.message = "UNKNOWN EXCEPTION";
        failure.unknown = true;
    }
    return failure;
}

void DemoScripts::loadShaderScript(const std::shared_ptr<Archive>& archive, const ProgressCallback& progress) {
    ShaderManager* shaders = ShaderManager::instance();
    if (!shaders) throw std::runtime_error("no shader manager");
    ShaderScriptLoader loader(*shaders);
    loader.setArchive(archive);
    logger().printf("Loading shader script %s", shaderScript);
    if (loader.load(shaderScript, progress)) return;
    if (!loader.failure().empty()) throw std::runtime_error(loader.failure());
    throw std::runtime_error(std::string(shaderScript) + ": the shader script did not load");
}

void DemoScripts::load(const std::shared_ptr<Archive>& archive, const ProgressCallback& progress) {
    loadShaderScript(archive, progress);

    ImageRegistry& images = ImageRegistry::instance();
    for (const char* name : immediateTextures)
        if (Handle<Texture> image = images.find(name)) image->create();

    for (std::size_t i = 0; i < lensFlareNames.size(); ++i) lensFlares_[i] = images.find(lensFlareNames[i]);

    loadTimeline(archive, progress);
}

void DemoScripts::loadTimeline(const std::shared_ptr<Archive>& archive, const ProgressCallback& progress) {
    EffectManager& manager = EffectManager::instance();
    logger().printf("Loading effect script %s", effectScript);
    {
        EffectScript script(manager);
        script.setArchive(archive);
        if (!script.loadFile(effectScript, progress)) throw std::runtime_error(script.failure());
    }
    manager.initAll();
    manager.setKeepFinished(false);
    logger().printf("Timeline: %zu effects", manager.pending().size() + manager.active().size());
}

void DemoScripts::releaseLensFlares() {
    for (Handle<Texture>& sprite : lensFlares_)
        if (sprite) ImageRegistry::instance().releaseHandle(sprite);
}

}  // namespace qv3rn
