// particles.cpp -- particle systems of 10,000 particles: one frame's update per generator kind (the target is
// under a millisecond of CPU), and one frame drawn per renderer kind at 640 x 480 in the software renderer.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>

#include "gl/default_gl_state.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "particles/particle_system.h"
#include "platform/headless_context.h"

namespace {

using namespace qv3rn;

constexpr int kParticles = 10000;

// Every kind respawns at a rate that keeps the pool turning over, with lives long enough that most particles
// are moved rather than spawned each frame; particles fill a sphere of radius 2 or so around the origin.
std::unique_ptr<ParticleSystem> makeSystem(GeneratorKind kind, std::unique_ptr<ParticleRenderer> renderer,
                                           Random& random) {
    GeneratorSettings settings = defaultGeneratorSettings(kind, random);
    settings.respawn = true;
    settings.lifespan = 4.0f;
    settings.particleSize = 0.02f;
    settings.energySpeed = 0.25f;
    settings.scaleSpeed = 0.0f;
    settings.radius = 2.0f;
    settings.top = 2.0f;
    settings.bottom = -2.0f;
    settings.speed = 0.5f;
    settings.windDirection = {0.0f, 0.01f, 0.0f};
    settings.windDistortFactor = 0.01f;
    auto system = std::make_unique<ParticleSystem>();
    system->initialize(kParticles, kParticles / 4.0f, makeParticleGenerator(kind, settings, random),
                       std::move(renderer));
    system->addModifier(std::make_unique<DirectionalForce>());
    system->addModifier(std::make_unique<ForceToVelocity>());
    system->addModifier(std::make_unique<ReflectionPlane>());
    return system;
}

void updateParticles(benchmark::State& state) {
    const auto kind = static_cast<GeneratorKind>(state.range(0));
    Random random(7);
    const auto system = makeSystem(kind, makeParticleRenderer(RendererKind::Points, {}, nullptr), random);
    for (int frame = 0; frame < 60; ++frame) system->update(1.0f / 60.0f);  // past the start
    for (auto _ : state) system->update(1.0f / 60.0f);
    state.SetLabel(generatorKindName(kind));
    state.SetItemsProcessed(state.iterations() * kParticles);
}

void renderParticles(benchmark::State& state) {
    const auto kind = static_cast<RendererKind>(state.range(0));
    auto context = platform::HeadlessContext::create(640, 480);
    if (!context) {
        state.SkipWithError("no headless context");
        return;
    }
    applyDefaultGLState();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.4, 0.4, -0.3, 0.3, 1.0, 20.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -6.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    MeshBuilder builder;
    ShapeParameters box;
    box.size = {0.04f, 0.04f, 0.04f};
    box.segments = box.rings = 1;
    buildShape("box", box, {}, builder);
    const auto mesh = builder.build();
    Random random(7);
    const auto system = makeSystem(GeneratorKind::Sphere, makeParticleRenderer(kind, {}, mesh.get()), random);
    system->update(1.0f / 60.0f);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        system->render();
        glFinish();
    }
    state.SetLabel(rendererKindName(kind));
    state.SetItemsProcessed(state.iterations() * kParticles);
}

}  // namespace

BENCHMARK(updateParticles)->ArgName("generator")->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(renderParticles)->ArgName("renderer")->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
