// particle_generator.h -- the five particle generators ("Bubble", "Fire", "Rain", "Smoke", "Sphere"): their
// settings records with the kinds' defaults, and how each spawns and moves a particle with draws from the
// runtime's 0 .. 32767 generator.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "math/random.h"
#include "math/vec3.h"
#include "particles/particle.h"

namespace qv3rn {

enum class GeneratorKind { Bubble, Fire, Rain, Smoke, Sphere };
// The names scripts give the kinds, in the enum's order.
inline constexpr std::array<const char*, 5> generatorKindNames{"Bubble", "Fire", "Rain", "Smoke", "Sphere"};

// The kind a "Type" names exactly; none for any other text.
std::optional<GeneratorKind> generatorKindNamed(std::string_view name);
const char* generatorKindName(GeneratorKind kind);

// Every kind's settings in one record; each kind reads the shared fields and its own.
struct GeneratorSettings {
    bool respawn = false;
    float lifespan = 1.0f;
    float mass = 1.0f;
    float massVariance = 0.0f;
    float particleSize = 1.0f;
    float particleSizeVariance = 0.0f;
    std::array<float, 3> particleColor{1.0f, 1.0f, 1.0f};

    float maxDistance = 100.0f;  // bubble
    float scaleSpeed = 1.0f;     // fire, smoke, sphere
    float energySpeed = 1.0f;    // fire, smoke, sphere
    float windDistortFactor = 0.0f;
    Vec3 windDirection{0.0f, -1.0f, 0.0f};
    Vec3 center;
    float radius = 100.0f;  // rain: the square drops start in; sphere: the shell particles start on
    float top = 100.0f;     // rain
    float bottom = 0.0f;    // rain
    float speed = 9.81f;    // rain, sphere
    float speedFactor = 0.0f;  // sphere
};

// The kind's default record. The fire's wind direction (a random vector) and the sphere's speed and speed
// factor are drawn from `random` here, in that order.
GeneratorSettings defaultGeneratorSettings(GeneratorKind kind, Random& random);

class ParticleGenerator {
public:
    static constexpr std::uint32_t respawnFlag = 2;

    // Draws go to `random` (the runtime's generator in the show), which must outlive the generator.
    ParticleGenerator(GeneratorKind kind, const GeneratorSettings& settings, Random& random);
    virtual ~ParticleGenerator() = default;

    // Starts `particle` afresh: the kind's start, with the shared steps (colour, force, life, mass, size,
    // respawn byte) at the kind's place among them.
    virtual void spawn(Particle& particle) = 0;
    // Moves a live particle by `dt` seconds, runs its life and energy down as the kind does, clears its force
    // and sets its alpha to its energy.
    virtual void update(Particle& particle, float dt) = 0;

    GeneratorKind kind() const { return kind_; }
    const GeneratorSettings& settings() const { return settings_; }
    std::uint32_t flags() const { return flags_; }
    bool respawns() const { return (flags_ & respawnFlag) != 0; }

protected:
    // r / 32767 * 2 - 1: -1 .. 1.
    float signedUnit();
    // r / 32767: 0 .. 1.
    float unit();
    // Three signed units: the first draw goes to y, the second to x, the third to z.
    Vec3 randomVector();
    Vec3 randomDirection() { return randomVector().normalized(); }
    // Colour, force, life, mass and size (two draws: mass, then size) and the respawn byte.
    void sharedSpawn(Particle& particle);

    GeneratorSettings settings_;

private:
    GeneratorKind kind_;
    std::uint32_t flags_ = 0;
    Random* random_;
};

std::unique_ptr<ParticleGenerator> makeParticleGenerator(GeneratorKind kind, const GeneratorSettings& settings,
                                                         Random& random);

}  // namespace qv3rn
