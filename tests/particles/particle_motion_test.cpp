// particle_motion_test.cpp -- the generators' first particles against draws followed by hand, the modifiers'
// bounces, and the pool's spawning.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

#include "particles/particle_system.h"

namespace qv3rn {
namespace {

constexpr std::uint32_t seed = 4242;

// The signed units of the first draws of a generator seeded like the one under test.
std::array<float, 12> signedDraws() {
    Random random(seed);
    std::array<float, 12> s{};
    for (float& value : s) value = 2.0f * (static_cast<float>(random.next()) / 32767.0f) - 1.0f;
    return s;
}

void expectNear(const Vec3& actual, const Vec3& expected) {
    EXPECT_LT((actual - expected).length(), 1e-5f) << actual.x << " " << actual.y << " " << actual.z;
}

// What a first spawn gives, as the draws s[0], s[1], ... say; random vectors take y, x, z in draw order.
struct Expected { Vec3 position, velocity; float energy, mass, size; };

TEST(ParticleGenerator, FirstParticleFollowsTheDrawsInOrder) {
    const Vec3 center{1.0f, 2.0f, 3.0f};
    const Vec3 down{0.0f, -1.0f, 0.0f};
    const auto mass = [](float s) { return 1.0f + (0.5f - s) * 0.5f; };
    const auto size = [](float s) { return 1.0f + s * 0.25f; };
    const auto direction = [](float y, float x, float z) { return Vec3{x, y, z}.normalized(); };
    struct Case { GeneratorKind kind; std::function<Expected(const std::array<float, 12>&)> expected; };
    const Case cases[] = {
        {GeneratorKind::Bubble,
         [&](const auto& s) {
             return Expected{center, direction(s[0], s[1], s[2]) * 2.0f + down, 1.0f, mass(s[3]), size(s[4])};
         }},
        // The default wind takes the first three draws when the settings are made.
        {GeneratorKind::Fire,
         [&](const auto& s) {
             const Vec3 wind{s[1], s[0], s[2]};
             return Expected{center, Vec3{s[4], s[3], s[5]} * 2.0f + wind, 0.9f * s[6] + 0.1f, mass(s[7]),
                             size(s[8])};
         }},
        // A drop's place and fall speed take their draws as 0 .. 1.
        {GeneratorKind::Rain,
         [&](const auto& s) {
             const auto u = [&s](int i) { return (s[i] + 1.0f) / 2.0f; };
             return Expected{{(2 * u(1) - 1) * 10.0f, 100.0f, (2 * u(0) - 1) * 10.0f},
                             {0.0f, -0.1f - u(2) * (9.81f - 0.1f), 0.0f}, 1.0f, mass(s[3]), size(s[4])};
         }},
        {GeneratorKind::Smoke,
         [&](const auto& s) {
             return Expected{center, direction(s[0], s[1], s[2]) * (s[3] * 2.0f) + down, 0.9f * s[6] + 0.1f,
                             mass(s[4]), size(s[5])};
         }},
        // Speed and speed factor are drawn when the settings are made.
        {GeneratorKind::Sphere,
         [&](const auto& s) {
             const Vec3 d = direction(s[2], s[3], s[4]);
             const float speed = (0.5f * s[5] + 1.0f) * (0.25f * s[1] + 0.1f) + (0.9f * s[0] + 0.1f);
             return Expected{center + d * 10.0f, d * speed, 0.5f * s[8] + 1.0f, mass(s[6]), size(s[7])};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(generatorKindName(c.kind));
        Random random(seed);
        GeneratorSettings settings = defaultGeneratorSettings(c.kind, random);
        settings.massVariance = 0.5f;
        settings.particleSizeVariance = 0.25f;
        settings.windDistortFactor = 2.0f;
        settings.center = center;
        settings.radius = 10.0f;
        settings.particleColor = {0.25f, 0.5f, 0.75f};
        const auto generator = makeParticleGenerator(c.kind, settings, random);
        Particle p;
        generator->spawn(p);
        const Expected e = c.expected(signedDraws());
        expectNear(p.position, e.position);
        expectNear(p.previousPosition, e.position);  // no streak from where the record was before
        expectNear(p.velocity, e.velocity);
        EXPECT_NEAR(p.energy, e.energy, 1e-5f);
        EXPECT_NEAR(p.mass, e.mass, 1e-5f);
        EXPECT_NEAR(p.inverseMass, 1.0f / e.mass, 1e-5f);
        EXPECT_NEAR(p.size, e.size, 1e-5f);
        EXPECT_EQ(p.life, 1.0f);
        EXPECT_EQ(p.color, (std::array<float, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
        EXPECT_EQ(p.respawn, generator->respawns() ? 1 : 0);
        EXPECT_EQ(generator->respawns(), c.kind != GeneratorKind::Bubble && c.kind != GeneratorKind::Sphere);
    }
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
        {GeneratorKind::Sphere, none, 0.9f, 1.1f},
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
        {false, 0.0f, {0.0f, -0.5f, 0.0f}, {1.0f, -2.0f, 0.0f}, 1.0f},   // absorbs nothing, costs nothing
        {true, 1.0f, {0.5f + 0.75f, 0.0f, 0.0f}, {0.0f, -2.0f, 0.0f}, 1.0f},  // out by 1 - 0.25
        {true, 2.0f, {0.5f + 1.5f, 0.0f, 0.0f}, {-1.0f, -2.0f, 0.0f}, 1.0f},
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
    // Without a generator or with no particles there is nothing to initialise.
    ParticleSystem empty;
    EXPECT_FALSE(empty.initialize(0, 1.0f, makeParticleGenerator(GeneratorKind::Rain, settings, random),
                                  makeParticleRenderer(RendererKind::Points, {}, nullptr)));
    EXPECT_FALSE(empty.initialize(3, 1.0f, nullptr, makeParticleRenderer(RendererKind::Points, {}, nullptr)));
    empty.update(0.1f);
    EXPECT_TRUE(empty.particles().empty());
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
