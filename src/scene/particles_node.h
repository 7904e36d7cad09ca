// particles_node.h -- the scene node that holds a particle system, steps it with the scene's time and draws it
// under the node's matrix.
#pragma once

#include <memory>

#include "particles/particle_system.h"
#include "scene/scene_node.h"

namespace qv3rn {

class ParticlesNode : public SceneNode {
public:
    // A frame's step when there is no earlier time to step from (the first update, or time running back).
    static constexpr float firstStep = 0.030303031f;

    ParticlesNode() : SceneNode(NodeType::Particles) {}

    // Steps the system by the time since the last update, then puts the bounding sphere around its box
    // (0.51 of the diagonal).
    void updateSelf(float time) override;
    // The system's live particles, then the colour back to white.
    void draw() override;

    void setSystem(std::unique_ptr<ParticleSystem> system) { system_ = std::move(system); }
    ParticleSystem* system() const { return system_.get(); }

private:
    float lastTime_ = 0.0f;
    std::unique_ptr<ParticleSystem> system_;
};

}  // namespace qv3rn
