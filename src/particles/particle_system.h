// particle_system.h -- a pool of particles that a generator spawns and moves, modifiers push around and a
// renderer draws; the spawn rate, constant or from an envelope, refills the pool as particles die.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "math/bounding_box.h"
#include "particles/particle.h"
#include "particles/particle_generator.h"
#include "particles/particle_modifier.h"
#include "particles/particle_renderer.h"

namespace qv3rn {

class ParticleSystem {
public:
    // Scripts may ask for this many particles at most (the pool holds twice as many); larger counts are refused
    // when read rather than allocated.
    static constexpr int maxParticleCeiling = 100000;

    virtual ~ParticleSystem() = default;

    // Takes the generator and renderer and spawns `maxParticles` particles into a pool with room for twice
    // that; does nothing (the system stays empty) unless maxParticles >= 1 and both are given.
    bool initialize(int maxParticles, float spawnRate, std::unique_ptr<ParticleGenerator> generator,
                    std::unique_ptr<ParticleRenderer> renderer);

    // Advances time by `dt`: the spawn rate from its envelope, every modifier over every particle, then the
    // generator moves the live particles and spawns the dead ones the accumulated rate allows (and, when more
    // are due, spawns again from the start of the pool); the bounding box is grown around them.
    virtual void update(float dt);
    // The live particles with the renderer; nothing when the pool is empty.
    virtual void render();

    void addModifier(std::unique_ptr<ParticleModifier> modifier) { modifiers_.push_back(std::move(modifier)); }
    void setSpawnRateEnvelope(std::unique_ptr<Envelope> envelope) { spawnRateEnvelope_ = std::move(envelope); }
    void setName(std::string name) { name_ = std::move(name); }

    const std::string& name() const { return name_; }
    float time() const { return time_; }
    float spawnRate() const { return spawnRate_; }
    float spawnAccumulator() const { return spawnAccumulator_; }
    const std::vector<Particle>& particles() const { return particles_; }
    std::size_t capacity() const { return particles_.capacity(); }
    int liveCount() const;
    const BoundingBox& bounds() const { return bounds_; }
    const ParticleGenerator* generator() const { return generator_.get(); }
    const ParticleRenderer* renderer() const { return renderer_.get(); }
    const std::vector<std::unique_ptr<ParticleModifier>>& modifiers() const { return modifiers_; }

private:
    void spawnInto(Particle& particle);

    std::string name_;
    float time_ = 0.0f;
    std::unique_ptr<Envelope> spawnRateEnvelope_;
    float spawnRate_ = 0.0f;
    float spawnAccumulator_ = 0.0f;
    std::vector<Particle> particles_;
    std::vector<std::unique_ptr<ParticleModifier>> modifiers_;
    std::unique_ptr<ParticleGenerator> generator_;
    std::unique_ptr<ParticleRenderer> renderer_;
    BoundingBox bounds_;
};

}  // namespace qv3rn
