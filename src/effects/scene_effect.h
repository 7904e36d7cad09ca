// scene_effect.h -- a scene graph shown through one of its cameras, with camera switches at given times,
// optional fixed-function lighting and an additive specular-only mode; and its loader.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "effects/effect_loader.h"
#include "effects/scene_registry.h"

namespace qv3rn {

// At `time` (demo seconds) the effect starts looking through the camera `camera`.
struct CameraSwitch {
    std::string camera;
    float time = 0.0f;
};

class SceneEffect : public Effect {
public:
    SceneEffect() : Effect(EffectKind::Scene) {}
    ~SceneEffect() override;

    // Reads the effect's shader script, if it names one (a failure leaves the effect without a scene), then
    // finds its scene in the registry or loads it and registers it.
    bool init() override;
    // The scene is deleted only when the registry does not hold it.
    bool release() override;
    // The last camera switch at or before the time names the camera; then the scene's tree is updated.
    void update(float time) override;
    // Through the named camera: lights on, the nodes in the camera's frustum, lights off.
    void render() override;

    // Keeps the list sorted by time; a switch goes after those of an equal or earlier time.
    void addCameraSwitch(CameraSwitch change);
    const std::vector<CameraSwitch>& cameraSwitches() const { return cameraSwitches_; }
    const CameraSwitch* currentSwitch() const { return currentSwitch_; }
    Scene* scene() const { return scene_; }

    ProgressCallback progress;
    std::weak_ptr<Archive> archive;
    bool lighting = false;
    bool specularOnly = false;
    std::string sceneName;
    std::string shaderScript;
    std::string cameraName;

private:
    void dropScene();

    Scene* scene_ = nullptr;
    std::unique_ptr<Scene> ownScene_;  // a scene the registry would not take
    std::vector<CameraSwitch> cameraSwitches_;
    const CameraSwitch* currentSwitch_ = nullptr;
    std::string missingCamera_;  // the unknown camera name last logged
};

// "Scene" blocks: the common keywords, then "Scene " (quoted; also hands the loader's progress callback and
// archive to the effect), "Shaders ", "Camera " (quoted), "Lighting " and "SpecularOnly " (yes/no) and
// "CameraSyncro {", a sub-block of "Change "name" T" lines up to a line with "}". Any other line raises
// "SceneEffectLoader unknown token: " followed by the line.
class SceneEffectLoader : public EffectLoaderOf<SceneEffect> {
public:
    SceneEffectLoader();
};

}  // namespace qv3rn
