// scene_registry.cpp -- the scenes by name, and switching a scene's lights off when it goes.
#include "effects/scene_registry.h"

#include <algorithm>

namespace qv3rn {

Scene::~Scene() {
    if (root_) root_->lightsOff();
}

namespace {
SceneRegistry* currentRegistry = nullptr;
}

// The process's scene registry, constructed before main like the other registries.
SceneRegistry processSceneRegistry;

SceneRegistry::SceneRegistry() : previous_(currentRegistry) { currentRegistry = this; }

SceneRegistry::~SceneRegistry() {
    clear();
    if (currentRegistry == this) currentRegistry = previous_;
}

SceneRegistry& SceneRegistry::instance() { return currentRegistry ? *currentRegistry : processSceneRegistry; }

Scene* SceneRegistry::add(std::unique_ptr<Scene> scene) {
    if (!scene) return nullptr;
    scenes_.push_back(std::move(scene));
    return scenes_.back().get();
}

Scene* SceneRegistry::find(const std::string& name) const {
    auto it = std::find_if(scenes_.begin(), scenes_.end(), [&](const auto& scene) { return scene->name() == name; });
    return it == scenes_.end() ? nullptr : it->get();
}

bool SceneRegistry::holds(const Scene* scene) const {
    return std::any_of(scenes_.begin(), scenes_.end(), [&](const auto& held) { return held.get() == scene; });
}

void SceneRegistry::clear() { scenes_.clear(); }

}  // namespace qv3rn
