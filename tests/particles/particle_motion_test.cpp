// particle_motion_test.cpp -- the generators' ageing, the modifiers' bounces and forces, and the pool's spawning.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "particles/particle_system.h"

namespace qv3rn {
namespace {

constexpr std::uint32_t seed = 4242;

void expectNear(const Vec3& actual, const Vec3& expected) {
    EXPECT_LT((actual - expected).length(), 1e-5f) << actual.x << " " << actual.y << " " << actual.z;
}

TEST(ParticleGenerator, LifeRunsDownAsEachKindSays) {
    using Tweak = std::function<void(GeneratorSettings&, Particle&)>;
    const Tweak none = [](GeneratorSettings&, Particle&) {};
    struct Case {
        GeneratorKind kind;
        Tweak tweak;          // applied to the settings before the generator is made, then to the particle
        float lifeAfterStep;  // after one 0.1 s step from a life, size and energy of 1
        float sizeAfterStep;
    };
    const Case cases[] = {
        // Within MaxDistance a bubble never ages; beyond it, twice the step.
        {GeneratorKind::Bubble, none, 1.0f, 1.0f},
        {GeneratorKind::Bubble, [](GeneratorSettings& s, Particle&) { s.maxDistance = 0.01f; }, 0.8f, 1.0f},
        // A rain drop keeps its life until it falls below the bottom.
        {GeneratorKind::Rain, [](GeneratorSettings& s, Particle&) { s.bottom = -50.0f; }, 1.0f, 1.0f},
        {GeneratorKind::Rain, [](GeneratorSettings& s, Particle&) { s.bottom = 200.0f; }, 0.0f, 1.0f},
        // Smoke and sphere particles grow by ScaleSpeed a second, fire particles shrink.
        {GeneratorKind::Smoke, none, 0.9f, 1.1f},
        {GeneratorKind::Fire, [](GeneratorSettings& s, Particle&) { s.scaleSpeed = 1.0f; }, 0.9f, 0.9f},
        {GeneratorKind::Fire, [](GeneratorSettings& s, Particle&) { s.scaleSpeed = 20.0f; }, 0.0f, -1.0f},
        {GeneratorKind::Smoke, [](GeneratorSettings&, Particle& p) { p.energy = 0.05f; }, 0.0f, 1.1f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(generatorKindName(c.kind));
        Random random(seed);
        GeneratorSettings settings = defaultGeneratorSettings(c.kind, random);
        Particle p;
        c.tweak(settings, p);
        const auto generator = makeParticleGenerator(c.kind, settings, random);
        generator->spawn(p);
        p.life = p.size = p.energy = 1.0f;
        c.tweak(settings, p);
        generator->update(p, 0.1f);
        EXPECT_NEAR(p.life, c.lifeAfterStep, 1e-5f);
        EXPECT_NEAR(p.size, c.sizeAfterStep, 1e-5f);
        EXPECT_EQ(p.color[3], p.energy);
        EXPECT_EQ(p.force, Vec3{});
    }
}

// A particle 0.5 below the plane y = 0 (or 0.5 inside a unit sphere's surface on +X) moving at (1, -2, 0).
TEST(ParticleModifier, ReflectorsBounceParticlesByTheirBounciness) {
    struct Case { bool sphere; float bounciness; Vec3 position, velocity; float energy; };  // energy from 1, dt 0.1
    const Case cases[] = {
        {false, 1.0f, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0.9f},     // back on the plane, no normal velocity
        {false, 2.0f, {0.0f, 0.5f, 0.0f}, {1.0f, 2.0f, 0.0f}, 0.95f},    // mirrored
        {true, 1.0f, {0.5f + 0.75f, 0.0f, 0.0f}, {0.0f, -2.0f, 0.0f}, 1.0f},  // out by 1 - 0.25
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.sphere ? "sphere " : "plane ") << c.bounciness);
        Particle p;
        p.energy = 1.0f;
        p.position = c.sphere ? Vec3{0.5f, 0.0f, 0.0f} : Vec3{0.0f, -0.5f, 0.0f};
        p.velocity = {1.0f, -2.0f, 0.0f};
        const auto bounce = [&](auto reflector) {
            reflector.bounciness = c.bounciness;
            reflector.apply(p, 0.1f);
        };
        c.sphere ? bounce(ReflectionSphere{}) : bounce(ReflectionPlane{});
        expectNear(p.position, c.position);
        expectNear(p.velocity, c.velocity);
        EXPECT_NEAR(p.energy, c.energy, 1e-6f);
    }
    // A particle in front of the plane or outside the sphere is left alone.
    Particle free;
    free.position = {2.0f, 0.5f, 0.0f};
    free.velocity = {1.0f, -2.0f, 0.0f};
    const Particle before = free;
    ReflectionPlane().apply(free, 0.1f);
    ReflectionSphere().apply(free, 0.1f);
    expectNear(free.position, before.position);
    expectNear(free.velocity, before.velocity);
}

TEST(ParticleModifier, ForcesAccumulateAndMoveByInverseMass) {
    Particle p;
    p.position = {2.0f, 0.0f, 0.0f};
    RadialForce radial;
    radial.radius = 3.0f;
    radial.strength = 8.0f;
    radial.apply(p, 0.1f);  // d = (2, 0, 0): force += d * 8 / 4
    expectNear(p.force, {4.0f, 0.0f, 0.0f});
    p.position = {4.0f, 0.0f, 0.0f};  // outside the radius
    radial.apply(p, 0.1f);
    p.position = radial.center;  // at the centre: no direction, no force
    radial.apply(p, 0.1f);
    expectNear(p.force, {4.0f, 0.0f, 0.0f});
    DirectionalForce push;
    push.direction = {0.0f, 1.0f, 0.0f};
    push.strength = 10.0f;
    push.apply(p, 0.5f);
    expectNear(p.force, {4.0f, 5.0f, 0.0f});
    p.inverseMass = 0.5f;
    ForceToVelocity().apply(p, 0.5f);
    expectNear(p.velocity, {1.0f, 1.25f, 0.0f});
}

// Rain that starts below its bottom lives for exactly one update, so each update's live count is how many
// drops the update before it spawned.
std::unique_ptr<ParticleSystem> oneFrameRain(int count, float rate, Random& random) {
    GeneratorSettings settings = defaultGeneratorSettings(GeneratorKind::Rain, random);
    settings.top = 0.0f;
    settings.bottom = 1.0f;
    auto system = std::make_unique<ParticleSystem>();
    system->initialize(count, rate, makeParticleGenerator(GeneratorKind::Rain, settings, random),
                       makeParticleRenderer(RendererKind::Points, {}, nullptr));
    return system;
}

TEST(ParticleSystem, SpawnRateRefillsDeadParticlesOverTime) {
    Random random(seed);
    const auto system = oneFrameRain(4, 2.5f, random);
    system->update(1.0f / 60.0f);  // the first particles die
    std::vector<int> spawnFrames;
    for (int frame = 1; frame <= 240; ++frame) {
        system->update(1.0f / 60.0f);
        for (int i = 0; i < system->liveCount(); ++i) spawnFrames.push_back(frame - 1);
    }
    ASSERT_GE(spawnFrames.size(), 9u);
    ASSERT_LE(spawnFrames.size(), 10u);
    for (std::size_t i = 1; i < spawnFrames.size(); ++i) EXPECT_NEAR(spawnFrames[i] - spawnFrames[i - 1], 24, 1);
}

TEST(ParticleSystem, PoolNeverGrowsWhateverTheRate) {
    for (const float rate : {1e3f, 1e30f, -1e30f, std::nanf("")}) {
        SCOPED_TRACE(rate);
        Random random(seed);
        const auto system = oneFrameRain(10, rate, random);
        for (int frame = 0; frame < 100; ++frame) system->update(1.0f / 60.0f);
        EXPECT_EQ(system->particles().size(), 10u);
        EXPECT_EQ(system->capacity(), 20u);
        EXPECT_GE(system->spawnAccumulator(), 0.0f);
        EXPECT_LE(system->spawnAccumulator(), 20.0f);
    }
}

TEST(ParticleSystem, KindsWithoutRespawnNeverSpawnAgain) {
    Random random(seed);
    GeneratorSettings settings = defaultGeneratorSettings(GeneratorKind::Sphere, random);
    settings.lifespan = 0.05f;
    ParticleSystem system;
    ASSERT_TRUE(system.initialize(8, 100.0f, makeParticleGenerator(GeneratorKind::Sphere, settings, random),
                                  makeParticleRenderer(RendererKind::Points, {}, nullptr)));
    for (int frame = 0; frame < 30; ++frame) system.update(0.1f);
    EXPECT_EQ(system.liveCount(), 0);
    EXPECT_EQ(system.spawnAccumulator(), 0.0f);
}

// Mass and its variance can cancel: a massless particle is left alone by forces rather than given an infinite
// velocity.
TEST(ParticleGenerator, MasslessParticlesIgnoreForces) {
    Random random(seed);
    GeneratorSettings settings = defaultGeneratorSettings(GeneratorKind::Bubble, random);
    settings.mass = 0.0f;
    Particle p;
    makeParticleGenerator(GeneratorKind::Bubble, settings, random)->spawn(p);
    EXPECT_EQ(p.inverseMass, 0.0f);
    p.force = {1.0f, 2.0f, 3.0f};
    const Vec3 velocity = p.velocity;
    ForceToVelocity().apply(p, 0.1f);
    EXPECT_EQ(p.velocity, velocity);
}

}  // namespace
}  // namespace qv3rn
