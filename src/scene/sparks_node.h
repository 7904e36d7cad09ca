// sparks_node.h -- sparks that fall from registered source nodes and shrink as they die, drawn as camera-facing
// quads in world coordinates.
#pragma once

#include <array>
#include <vector>

#include "scene/scene_loader.h"  // Required for: SparkEmitterTarget
#include "scene/scene_node.h"
#include "shader/shader_manager.h"  // Required for: ShaderHandle

namespace qv3rn {

struct Spark {
    Vec3 position;
    float life = 0.0f;  // remaining, in seconds
    float size = 0.0f;
};

// Emits `rate` sparks per second at its source's world position; each lives `life` seconds, falls along -y at
// `fallSpeed` and shrinks from `size` to nothing over its life.
struct SparkEmitter {
    SceneNode* source = nullptr;
    float rate = 0.0f;
    float accumulator = 0.0f;  // starts equal to the rate, so the first update emits at once
    float life = 0.0f;
    float size = 0.0f;
    float fallSpeed = 0.0f;
    std::vector<Spark> sparks;
};

class SparksNode : public SceneNode, public SparkEmitterTarget {
public:
    // Sparks an emitter may hold at once: a rate and life whose product is above this stop emitting until some
    // die, so a huge rate cannot exhaust memory.
    static constexpr std::size_t maxSparksPerEmitter = 65536;
    // The step taken when the time runs backwards or jumps by more than a second.
    static constexpr float fallbackStep = 0.0001f;

    SparksNode();

    // One emitter per registration line: rate, life, size and fall speed, in that order.
    void addEmitter(SceneNode& source, const std::array<float, 4>& values) override;

    void updateSelf(float time) override;
    void draw() override;

    void setShader(ShaderHandle shader) { shader_ = std::move(shader); }
    Shader* shader() const { return shader_.get(); }
    const std::vector<SparkEmitter>& emitters() const { return emitters_; }

private:
    float lastTime_ = 0.0f;
    ShaderHandle shader_;
    std::vector<SparkEmitter> emitters_;
};

}  // namespace qv3rn
