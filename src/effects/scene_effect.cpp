// scene_effect.cpp -- loading and sharing the effect's scene, camera switches, and drawing the scene through its
// camera.
#include "effects/scene_effect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "core/log.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "scene/camera_node.h"
#include "scene/scene_loader.h"
#include "shader/render_state.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"

namespace qv3rn {

SceneEffect::~SceneEffect() { dropScene(); }

void SceneEffect::dropScene() {
    ownScene_.reset();
    scene_ = nullptr;
}

bool SceneEffect::init() {
    if (!shaderScript.empty()) {
        ShaderManager* shaders = ShaderManager::instance();
        if (!shaders) return true;
        ShaderScriptLoader loader(*shaders);
        loader.setArchive(archive);
        if (!loader.load(shaderScript)) return true;
    }

    SceneRegistry& registry = SceneRegistry::instance();
    scene_ = registry.find(sceneName);
    if (!scene_) {
        SceneLoader loader;
        loader.setArchive(archive);
        loader.setProgressCallback(progress);
        auto scene = std::make_unique<Scene>(sceneName, loader.load(sceneName));
        if (!scene->root()) {
            logger().printf("SceneEffect unable to load \"%s\"", sceneName.c_str());
            return true;
        }
        logger().printf("Scene loaded \"%s\"", sceneName.c_str());
        scene_ = registry.add(std::move(scene));
    }
    if (!cameraSwitches_.empty()) currentSwitch_ = &cameraSwitches_.front();
    return true;
}

bool SceneEffect::release() {
    if (scene_ && SceneRegistry::instance().holds(scene_)) scene_ = nullptr;
    dropScene();
    cameraSwitches_.clear();
    currentSwitch_ = nullptr;
    return Effect::release();
}

void SceneEffect::addCameraSwitch(CameraSwitch change) {
    const auto at = std::upper_bound(cameraSwitches_.begin(), cameraSwitches_.end(), change.time,
                                     [](float time, const CameraSwitch& held) { return time < held.time; });
    cameraSwitches_.insert(at, std::move(change));
    currentSwitch_ = nullptr;
}

void SceneEffect::update(float time) {
    for (const CameraSwitch& change : cameraSwitches_) {
        if (change.time > time) break;
        currentSwitch_ = &change;
    }
    if (currentSwitch_ && currentSwitch_->time <= time) cameraName = currentSwitch_->camera;
    if (scene_ && scene_->root()) scene_->root()->update(time);
}

void SceneEffect::render() {
    if (!scene_ || !scene_->root()) return;
    CameraMgr& cameras = CameraMgr::instance();
    // A camera name that no scene registered would make the manager throw on every frame, out of the frame
    // loop: the effect logs the manager's message once for that name and draws nothing.
    Camera* camera = cameras.find(cameraName);
    if (!camera) {
        if (missingCamera_ != cameraName)
            logFieldError("SceneEffect", name(),
                          "camera \"" + cameraName + "\": CameraMgr::setCurrentCamera() got null pointer");
        missingCamera_ = cameraName;
        return;
    }
    missingCamera_.clear();
    cameras.setCurrentCamera(camera);
    const bool specular = lighting && specularOnly;
    if (lighting) glEnable(GL_LIGHTING);
    if (specular) {
        RenderStateLocks::setBlackMaterial(true);
        RenderStateLocks::setLocked(RenderStateKind::Blend, true);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }

    // A camera of another kind than the scene's draws with whatever view is current.
    Frustum frustum;
    if (const auto* camera = dynamic_cast<const SceneCamera*>(cameras.currentCamera())) {
        camera->apply();
        frustum = camera->frustum();
    }
    SceneNode& root = *scene_->root();
    root.lightsOn();
    root.renderVisible(frustum);
    root.lightsOff();

    if (specular) {
        glDisable(GL_BLEND);
        RenderStateLocks::setLocked(RenderStateKind::Blend, false);
        RenderStateLocks::setBlackMaterial(false);
    }
    if (lighting) glDisable(GL_LIGHTING);
}

namespace {

[[noreturn]] void unknownToken(const std::string& line) {
    throw std::runtime_error("SceneEffectLoader unknown token: " + line);
}

// The "CameraSyncro {" sub-block.
const KeywordTable<SceneEffect>& cameraSwitchRows() {
    static const KeywordTable<SceneEffect> rows = {
        closing<SceneEffect>(),
        {"Change ",
         [](SceneEffect& effect, BlockLine& line) {
             CameraSwitch change{quotedText(line.text), 0.0f};
             // The time is the third word: a camera name of two words would leave it unread and cut at 0.
             if (std::sscanf(line.text.c_str(), "%*s %*s %f", &change.time) != 1)
                 throw std::runtime_error("SceneEffectLoader camera switch without a time (the camera name is "
                                          "one word): " + line.text);
             effect.addCameraSwitch(std::move(change));
         }},
    };
    return rows;
}

KeywordTable<SceneEffect> sceneEffectGrammar() {
    return effectGrammar<SceneEffect>({
        {"Scene ",
         [](SceneEffect& effect, BlockLine& line) {
             effect.sceneName = quotedText(line.text);
             const auto& loader = static_cast<const EffectLoader&>(line.parser);
             effect.progress = loader.progress();
             effect.archive = loader.archive();
         }},
        quoted("Shaders ", &SceneEffect::shaderScript),
        quoted("Camera ", &SceneEffect::cameraName),
        flag("Lighting ", &SceneEffect::lighting),
        flag("SpecularOnly ", &SceneEffect::specularOnly),
        {"CameraSyncro {",
         [](SceneEffect& effect, BlockLine& line) {
             const BlockEnd end = readKeywordBlock(line.parser, line.stream, effect, cameraSwitchRows(),
                                                   UnknownLine::raiseWithLine("SceneEffectLoader unknown token: "));
             if (end.failed()) unknownToken(end.failedLine);
         }},
    });
}

}  // namespace

SceneEffectLoader::SceneEffectLoader()
    : EffectLoaderOf("Scene", sceneEffectGrammar(), UnknownLine::raiseWithLine("SceneEffectLoader unknown token: ")) {}

std::unique_ptr<EffectLoader> makeSceneLoader() { return std::make_unique<SceneEffectLoader>(); }

}  // namespace qv3rn
