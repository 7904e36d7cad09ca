// particle_system.cpp -- the particle pool's update (modifiers, accumulated spawning, bounding box) and render.
#include "particles/particle_system.h"

#include <algorithm>

namespace qv3rn {

bool ParticleSystem::initialize(int maxParticles, float spawnRate, std::unique_ptr<ParticleGenerator> generator,
                                std::unique_ptr<ParticleRenderer> renderer) {
    if (maxParticles < 1 || !generator || !renderer) return false;
    particles_.clear();
    particles_.reserve(2 * static_cast<std::size_t>(maxParticles));
    spawnRate_ = spawnRate;
    spawnAccumulator_ = 0.0f;
    generator_ = std::move(generator);
    renderer_ = std::move(renderer);
    for (int i = 0; i < maxParticles; ++i) {
        Particle particle;
        generator_->spawn(particle);
        particles_.push_back(particle);
    }
    // The box holds the first particles until the first update grows it anew.
    bounds_ = BoundingBox::around(particles_.front().position);
    for (const Particle& particle : particles_) bounds_.extend(particle.position);
    return true;
}

int ParticleSystem::liveCount() const {
    return static_cast<int>(std::count_if(particles_.begin(), particles_.end(),
                                          [](const Particle& p) { return p.alive(); }));
}

void ParticleSystem::spawnInto(Particle& particle) {
    generator_->spawn(particle);
    bounds_.extend(particle.position);
    spawnAccumulator_ -= 1.0f;
}

void ParticleSystem::update(float dt) {
    time_ += dt;
    if (spawnRateEnvelope_) spawnRate_ = spawnRateEnvelope_->evaluate(time_);
    if (!generator_) return;
    for (const auto& modifier : modifiers_)
        for (Particle& particle : particles_) modifier->apply(particle, dt);
    if (generator_->respawns())
        spawnAccumulator_ += dt * spawnRate_;
    else
        spawnAccumulator_ = 0.0f;
    // One update spawns at most twice the pool (the dead, then every particle again), so more is never owed;
    // a negative rate owes nothing. This keeps the count below finite and the accumulator from running away.
    const float most = 2.0f * static_cast<float>(particles_.size());
    spawnAccumulator_ = std::clamp(spawnAccumulator_, 0.0f, most);
    if (!(spawnAccumulator_ >= 0.0f)) spawnAccumulator_ = 0.0f;  // a rate that is not a number owes nothing
    if (!particles_.empty()) bounds_ = BoundingBox::around(particles_.front().position);
    int due = static_cast<int>(spawnAccumulator_);
    for (Particle& particle : particles_) {
        if (particle.alive()) {
            generator_->update(particle, dt);
            bounds_.extend(particle.position);
        } else if (due > 0) {
            spawnInto(particle);
            --due;
        }
    }
    for (auto it = particles_.begin(); due > 0 && it != particles_.end(); ++it) {
        if (!it->active) continue;
        it->active = 1;
        spawnInto(*it);
        --due;
    }
}

void ParticleSystem::render() {
    if (particles_.empty() || !renderer_) return;
    renderer_->begin();
    for (const Particle& particle : particles_)
        if (particle.alive()) renderer_->draw(particle);
    renderer_->end();
}

}  // namespace qv3rn
