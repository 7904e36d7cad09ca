// octree_draw.cpp -- the mesh octree: building it over a 100,000-triangle torus knot, and the frame time of a
// camera that sees about a tenth of the knot, drawn through the octree against the whole mesh, with the knot
// unlit and lit by four point lights (a lit scene pays for the lighting of every vertex sent).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "gl/extensions.h"
#include "math/mat4.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "platform/headless_context.h"
#include "scene/octree.h"
#include "shader/shader_manager.h"

namespace {

using namespace qv3rn;

const OctreeSettings kSettings{256, 0.0f, 8};

// 3,125 segments along the knot times 16 around the tube, two triangles each.
std::unique_ptr<Mesh> knot(ShaderManager& shaders) {
    auto shader = std::make_unique<Shader>();
    shader->setName("knot");
    const Handle<Shader> handle(shader.get());
    shaders.add(std::move(shader));
    ShapeParameters shape;
    shape.segments = 3125;
    shape.rings = 16;
    MeshBuilder builder;
    buildShape("torusknot", shape, handle, builder);
    return builder.build();
}

// A 256 x 256 view from 8 units away, 10 degrees wide, aimed at one lobe of the knot; `lights` point lights on.
class OctreeBench {
public:
    explicit OctreeBench(int lights) {
        context_ = platform::HeadlessContext::create(256, 256);
        if (!context_) return;
        reportExtensions(*context_);
        mesh_ = knot(shaders_);
        std::string error;
        if (!tree_.build(*mesh_, kSettings, error)) mesh_.reset();
        glEnable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(Mat4::perspective(10.0f, 1.0f, 0.1f, 20.0f).data());
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(Mat4::lookAt({0.0f, 0.0f, 8.0f}, {1.5f, 0.5f, 0.0f}, {0, 1, 0}).data());
        if (lights > 0) glEnable(GL_LIGHTING);
        for (int i = 0; i < lights; ++i) {
            const float position[4] = {static_cast<float>(i) - 1.5f, 2.0f, 3.0f, 1.0f};
            glLightfv(GL_LIGHT0 + i, GL_POSITION, position);
            glLightf(GL_LIGHT0 + i, GL_LINEAR_ATTENUATION, 0.2f);
            glEnable(GL_LIGHT0 + i);
        }
    }
    ~OctreeBench() {
        mesh_.reset();
        shaders_.clear();
    }
    bool ready() const { return context_ && mesh_; }
    Mesh& mesh() { return *mesh_; }
    Octree& tree() { return tree_; }

private:
    std::unique_ptr<platform::HeadlessContext> context_;
    ShaderManager shaders_;
    std::unique_ptr<Mesh> mesh_;
    Octree tree_;
};

void buildOctree(benchmark::State& state) {
    ShaderManager shaders;
    auto mesh = knot(shaders);
    Octree tree;
    std::string error;
    for (auto _ : state) {
        tree.build(*mesh, kSettings, error);
        benchmark::DoNotOptimize(tree.stats());
    }
    state.counters["triangles"] = mesh->triangleCount();
    state.counters["leaves"] = tree.stats().leaves;
    state.counters["duplicates"] = tree.stats().duplicates();
    mesh.reset();
}

void frameWhole(benchmark::State& state) {
    OctreeBench bench(static_cast<int>(state.range(0)));
    if (!bench.ready()) {
        state.SkipWithError("no context");
        return;
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        bench.mesh().enableArrays();
        bench.mesh().drawAll(true);
        bench.mesh().disableArrays();
        glFinish();
    }
}

void frameOctree(benchmark::State& state) {
    OctreeBench bench(static_cast<int>(state.range(0)));
    if (!bench.ready()) {
        state.SkipWithError("no context");
        return;
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        bench.tree().drawCurrentView(true);
        glFinish();
    }
    state.counters["seen"] =
        static_cast<double>(bench.tree().visibleTriangles()) / bench.tree().stats().triangles;
}

}  // namespace

BENCHMARK(buildOctree)->Unit(benchmark::kMillisecond);
BENCHMARK(frameWhole)->ArgName("lights")->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(frameOctree)->ArgName("lights")->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);
