// particle_generator.cpp -- the spawn and update rules of the five generator kinds, and their default settings.
#include "particles/particle_generator.h"

#include <cmath>

namespace qv3rn {

namespace {

float signedUnitFrom(Random& random) {
    return 2.0f * (static_cast<float>(random.next()) / static_cast<float>(Random::maxValue)) - 1.0f;
}

Vec3 randomVectorFrom(Random& random) {
    Vec3 v;
    v.y = signedUnitFrom(random);
    v.x = signedUnitFrom(random);
    v.z = signedUnitFrom(random);
    return v;
}

class BubbleGenerator final : public ParticleGenerator {
public:
    using ParticleGenerator::ParticleGenerator;

    void spawn(Particle& p) override {
        const Vec3 dir = randomDirection();
        p.position = p.previousPosition = settings_.center;
        p.velocity = dir * settings_.windDistortFactor + settings_.windDirection;
        sharedSpawn(p);
        p.energy = 1.0f;
    }
    // The velocity is added whole each frame; life runs down (twice the frame time) only beyond MaxDistance.
    void update(Particle& p, float dt) override {
        const Vec3 dir = randomDirection();
        p.velocity += (dir * settings_.windDistortFactor + settings_.windDirection) * dt;
        p.previousPosition = p.position;
        p.position += p.velocity;
        if ((p.position - settings_.center).length() > settings_.maxDistance) p.life -= 2.0f * dt;
        p.force = {};
        p.color[3] = p.energy;
    }
};

// Fire and smoke move alike; fire particles shrink, smoke particles grow.
class FlameGenerator : public ParticleGenerator {
public:
    FlameGenerator(GeneratorKind kind, const GeneratorSettings& settings, Random& random, float growth)
        : ParticleGenerator(kind, settings, random), growth_(growth) {}

    void update(Particle& p, float dt) override {
        const Vec3 dir = randomDirection();
        const float k = (signedUnit() - 0.5f) * settings_.windDistortFactor;
        p.previousPosition = p.position;
        p.position += p.velocity * dt + Vec3{dir.x * k, 0.0f, dir.z * k};
        p.size += growth_ * dt * settings_.scaleSpeed;
        p.energy -= dt * settings_.energySpeed;
        p.life -= dt;
        if (p.energy < 0.0f || p.size < 0.0f) p.life = 0.0f;
        p.force = {};
        p.color[3] = p.energy;
    }

private:
    float growth_;
};

class FireGenerator final : public FlameGenerator {
public:
    FireGenerator(const GeneratorSettings& settings, Random& random)
        : FlameGenerator(GeneratorKind::Fire, settings, random, -1.0f) {}

    void spawn(Particle& p) override {
        const Vec3 v = randomVector();
        p.position = p.previousPosition = settings_.center;
        p.velocity = v * settings_.windDistortFactor + settings_.windDirection;
        p.energy = 0.9f * signedUnit() + 0.1f;
        sharedSpawn(p);
    }
};

class SmokeGenerator final : public FlameGenerator {
public:
    SmokeGenerator(const GeneratorSettings& settings, Random& random)
        : FlameGenerator(GeneratorKind::Smoke, settings, random, 1.0f) {}

    void spawn(Particle& p) override {
        const Vec3 dir = randomDirection();
        const float k = signedUnit() * settings_.windDistortFactor;
        p.position = p.previousPosition = settings_.center;
        p.velocity = dir * k + settings_.windDirection;
        sharedSpawn(p);
        p.energy = 0.9f * signedUnit() + 0.1f;
    }
};

class RainGenerator final : public ParticleGenerator {
public:
    using ParticleGenerator::ParticleGenerator;

    // Drops start in the square of half side Radius around the axis, at Top, falling at 0.1 to Speed. These
    // three draws are taken as 0 .. 1: a signed value there would put the square off centre (-3 to 1 times
    // the radius) and send half the drops upwards, where they never reach the bottom and never die.
    void spawn(Particle& p) override {
        p.position.z = (2.0f * unit() - 1.0f) * settings_.radius;
        p.position.x = (2.0f * unit() - 1.0f) * settings_.radius;
        p.position.y = settings_.top;
        p.previousPosition = p.position;
        p.velocity = {0.0f, -0.1f - unit() * (settings_.speed - 0.1f), 0.0f};
        sharedSpawn(p);
        p.energy = 1.0f;
    }
    // A drop lives until it falls below the bottom, whatever its lifespan.
    void update(Particle& p, float dt) override {
        const Vec3 dir = randomDirection();
        const float k = (2.0f * signedUnit() - 1.0f) * settings_.windDistortFactor;
        p.previousPosition = p.position;
        p.position += (p.velocity + settings_.windDirection) * dt + Vec3{dir.x * k, 0.0f, dir.z * k};
        p.force = {};
        if (p.energy < 0.0f || p.size < 0.0f || p.position.y < settings_.bottom) p.life = 0.0f;
        p.color[3] = p.energy;
    }
};

class SphereGenerator final : public ParticleGenerator {
public:
    using ParticleGenerator::ParticleGenerator;

    void spawn(Particle& p) override {
        const Vec3 dir = randomDirection();
        p.position = p.previousPosition = settings_.center + dir * settings_.radius;
        const float speed = (0.5f * signedUnit() + 1.0f) * settings_.speedFactor + settings_.speed;
        p.velocity = dir * speed;
        sharedSpawn(p);
        p.energy = 0.5f * signedUnit() + 1.0f;
    }
    void update(Particle& p, float dt) override {
        p.size += dt * settings_.scaleSpeed;
        p.previousPosition = p.position;
        p.position += p.velocity * dt;
        p.life -= dt;
        p.energy -= dt * settings_.energySpeed;
        if (p.energy < 0.0f || p.size < 0.0f) p.life = 0.0f;
        p.color[3] = p.energy;
        p.force = {};
    }
};

}  // namespace

std::optional<GeneratorKind> generatorKindNamed(std::string_view name) {
    for (std::size_t i = 0; i < generatorKindNames.size(); ++i)
        if (name == generatorKindNames[i]) return static_cast<GeneratorKind>(i);
    return std::nullopt;
}

const char* generatorKindName(GeneratorKind kind) { return generatorKindNames[static_cast<std::size_t>(kind)]; }

GeneratorSettings defaultGeneratorSettings(GeneratorKind kind, Random& random) {
    GeneratorSettings s;
    switch (kind) {
    case GeneratorKind::Bubble: break;
    case GeneratorKind::Fire:
        s.respawn = true;
        s.scaleSpeed = 0.0f;
        s.windDistortFactor = 0.5f;
        s.windDirection = randomVectorFrom(random);
        break;
    case GeneratorKind::Rain: s.respawn = true; break;
    case GeneratorKind::Smoke: s.respawn = true; break;
    case GeneratorKind::Sphere:
        s.speed = 0.9f * signedUnitFrom(random) + 0.1f;
        s.speedFactor = 0.25f * signedUnitFrom(random) + 0.1f;
        s.radius = 1.0f;
        break;
    }
    return s;
}

ParticleGenerator::ParticleGenerator(GeneratorKind kind, const GeneratorSettings& settings, Random& random)
    : settings_(settings), kind_(kind), random_(&random) {
    if (settings.respawn) flags_ |= respawnFlag;
}

float ParticleGenerator::signedUnit() { return signedUnitFrom(*random_); }
float ParticleGenerator::unit() { return random_->unit(); }
Vec3 ParticleGenerator::randomVector() { return randomVectorFrom(*random_); }

// A zero mass (Mass and MassVariance can cancel) gets no inverse: forces then leave the particle alone instead of
// giving it an infinite velocity.
void ParticleGenerator::sharedSpawn(Particle& p) {
    const auto& c = settings_.particleColor;
    p.color = {c[0], c[1], c[2], 1.0f};
    p.force = {};
    p.life = p.lifespan = settings_.lifespan;
    p.mass = settings_.mass + (0.5f - signedUnit()) * settings_.massVariance;
    p.inverseMass = p.mass != 0.0f ? 1.0f / p.mass : 0.0f;
    p.size = settings_.particleSize + signedUnit() * settings_.particleSizeVariance;
    p.respawn = respawns() ? 1 : 0;
}

std::unique_ptr<ParticleGenerator> makeParticleGenerator(GeneratorKind kind, const GeneratorSettings& settings,
                                                         Random& random) {
    switch (kind) {
    case GeneratorKind::Bubble: return std::make_unique<BubbleGenerator>(kind, settings, random);
    case GeneratorKind::Fire: return std::make_unique<FireGenerator>(settings, random);
    case GeneratorKind::Rain: return std::make_unique<RainGenerator>(kind, settings, random);
    case GeneratorKind::Smoke: return std::make_unique<SmokeGenerator>(settings, random);
    case GeneratorKind::Sphere: return std::make_unique<SphereGenerator>(kind, settings, random);
    }
    return nullptr;
}

}  // namespace qv3rn
