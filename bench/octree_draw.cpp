// octree_draw.cpp -- the mesh octree: building it over a 100,000-triangle torus knot, the cull alone, and the
// frame time of a camera that sees about a tenth of a 100,000-triangle mesh (the knot, or a field of small
// boxes), drawn through the octree against the whole mesh, unlit and lit by four point lights (a lit scene pays
// for the lighting of every vertex sent), in the engine's default state (back faces culled).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "gl/default_gl_state.h"
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

// 21 x 20 x 20 small boxes one unit apart, 12 triangles each: 100,800 triangles spread through space, the
// case of a large scene of which a camera sees a part.
std::unique_ptr<Mesh> boxField(ShaderManager& shaders) {
    auto shader = std::make_unique<Shader>();
    shader->setName("boxes");
    const Handle<Shader> handle(shader.get());
    shaders.add(std::move(shader));
    static constexpr int kFaces[12][3] = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                                          {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
    MeshBuilder builder;
    for (int x = 0; x < 21; ++x)
        for (int y = 0; y < 20; ++y)
            for (int z = 0; z < 20; ++z) {
                const int first = static_cast<int>(builder.vertices().size());
                for (int corner = 0; corner < 8; ++corner) {
                    const Vec3 offset{(corner & 4) ? 0.125f : -0.125f, (corner & 2) ? 0.125f : -0.125f,
                                      (corner & 1) ? 0.125f : -0.125f};
                    const Vec3 centre{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
                    builder.addVertex(centre + offset, offset.normalized(), {0.0f, 0.0f});
                }
                for (const auto& face : kFaces)
                    builder.addTriangle(first + face[0], first + face[1], first + face[2], handle);
            }
    return builder.build();
}

enum class View { KnotCloseUp, BoxField };

// A 256 x 256 view of about a tenth of the mesh, `lights` point lights on: 10 degrees wide from 8 units away,
// aimed at one lobe of the knot, whose visible tenth fills the picture; or 20 degrees wide into the box field
// from one side, where the boxes seen are small on the screen and the frame is the triangles' work.
class OctreeBench {
public:
    OctreeBench(View view, int lights) {
        context_ = platform::HeadlessContext::create(256, 256);
        if (!context_) return;
        reportExtensions(*context_);
        mesh_ = view == View::KnotCloseUp ? knot(shaders_) : boxField(shaders_);
        std::string error;
        if (!tree_.build(*mesh_, kSettings, error)) mesh_.reset();
        applyDefaultGLState();
        glMatrixMode(GL_PROJECTION);
        if (view == View::KnotCloseUp) {
            glLoadMatrixf(Mat4::perspective(10.0f, 1.0f, 0.1f, 20.0f).data());
            glMatrixMode(GL_MODELVIEW);
            glLoadMatrixf(Mat4::lookAt({0.0f, 0.0f, 8.0f}, {1.5f, 0.5f, 0.0f}, {0, 1, 0}).data());
        } else {
            glLoadMatrixf(Mat4::perspective(20.0f, 1.0f, 0.1f, 40.0f).data());
            glMatrixMode(GL_MODELVIEW);
            glLoadMatrixf(Mat4::lookAt({-2.0f, 9.5f, 9.5f}, {10.0f, 9.5f, 9.5f}, {0, 1, 0}).data());
        }
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
    OctreeBench bench(static_cast<View>(state.range(0)), static_cast<int>(state.range(1)));
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
    OctreeBench bench(static_cast<View>(state.range(0)), static_cast<int>(state.range(1)));
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

// The cull alone: the cells tested against the frustum and the seen triangles gathered in the mesh's order.
void cullOctree(benchmark::State& state) {
    OctreeBench bench(static_cast<View>(state.range(0)), 0);
    if (!bench.ready()) {
        state.SkipWithError("no context");
        return;
    }
    Mat4 projection, modelview;
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    const Frustum frustum(projection, modelview);
    for (auto _ : state) benchmark::DoNotOptimize(bench.tree().cull(frustum));
}

}  // namespace

BENCHMARK(buildOctree)->Unit(benchmark::kMillisecond);
// Views: 0 the knot close-up, 1 the box field.
BENCHMARK(frameWhole)->ArgNames({"view", "lights"})->ArgsProduct({{0, 1}, {0, 4}})->Unit(benchmark::kMillisecond);
BENCHMARK(cullOctree)->ArgName("view")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(frameOctree)->ArgNames({"view", "lights"})->ArgsProduct({{0, 1}, {0, 4}})->Unit(benchmark::kMillisecond);
