// scene_registry.h -- the loaded scenes, shared by name between the scene effects that show them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/scene_node.h"

namespace qv3rn {

// A scene: its script's name and its node tree. Going away switches the tree's lights off first.
class Scene {
public:
    Scene(std::string name, std::unique_ptr<SceneNode> root) : name_(std::move(name)), root_(std::move(root)) {}
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    const std::string& name() const { return name_; }
    SceneNode* root() const { return root_.get(); }

private:
    std::string name_;
    std::unique_ptr<SceneNode> root_;
};

// The process keeps one (the demo clears it when it lets go of what the scripts made); a registry made later,
// for a tool or a test, is the current one until it goes.
class SceneRegistry {
public:
    SceneRegistry();
    ~SceneRegistry();
    SceneRegistry(const SceneRegistry&) = delete;
    SceneRegistry& operator=(const SceneRegistry&) = delete;

    static SceneRegistry& instance();

    // Appends the scene (null is ignored) and returns it.
    Scene* add(std::unique_ptr<Scene> scene);
    // The first scene named exactly `name`, or null.
    Scene* find(const std::string& name) const;
    bool holds(const Scene* scene) const;
    void clear();
    std::size_t size() const { return scenes_.size(); }

private:
    SceneRegistry* previous_ = nullptr;
    std::vector<std::unique_ptr<Scene>> scenes_;
};

}  // namespace qv3rn
