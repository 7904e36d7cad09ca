// shadow_volume.cpp -- stencil shadow volumes: building the volume of a closed 20,000-triangle torus for one
// point light, and a 640 x 480 frame of a shadow scene (the torus over a floor) drawn in software with and
// without its volume passes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "gl/extensions.h"
#include "mesh/edge_mesh.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_manager.h"
#include "mesh/mesh_shapes.h"
#include "scene/shadow_volume.h"
#include "scene_bench.h"

namespace {

using namespace qv3rn;

// A welded torus of 200 x 50 quads: 20,000 triangles, closed.
std::unique_ptr<EdgeMesh> closedTorus() {
    MeshBuilder builder;
    ShapeParameters parameters;
    parameters.segments = 200;
    parameters.rings = 50;
    buildShape("torus", parameters, {}, builder);
    builder.weld();
    auto mesh = std::make_unique<EdgeMesh>();
    builder.buildInto(*mesh);
    mesh->computeEdges();
    return mesh;
}

void BuildPointLightVolume(benchmark::State& state) {
    auto torus = closedTorus();
    if (!torus->validate().allValid()) state.SkipWithError("the welded torus must be closed");
    const VolumeLight light{VolumeLight::Kind::Point, {0.5f, 3.0f, 0.25f}, {}};
    for (auto _ : state) {
        buildShadowVolume(*torus, light, 2048.0f);
        benchmark::DoNotOptimize(torus->sideBuffer().data());
    }
    state.counters["triangles"] = static_cast<double>(torus->triangleCount());
    state.counters["side vertices"] = static_cast<double>(torus->sideBuffer().size());
}
BENCHMARK(BuildPointLightVolume)->Unit(benchmark::kMicrosecond);

// The torus 3 units above a floor, a point light above both, seen from a camera at the origin; range(0) picks
// the shadow-volume group (1) or a plain group (0) around them.
void ShadowSceneFrame640x480(benchmark::State& state) {
    auto context = bench::openSceneContext(state, 640, 480);
    if (!context) return;
    {
        CameraMgr cameras;
        MeshManager meshes;
        auto torus = closedTorus();
        torus->setName("torus.msh");
        meshes.adopt(std::move(torus));
        MeshBuilder floor;
        ShapeParameters plane;
        plane.size = {40, 0, 40};
        buildShape("plane", plane, {}, floor);
        auto floorMesh = floor.build();
        floorMesh->setName("floor.msh");
        meshes.adopt(std::move(floorMesh));

        const std::string group = state.range(0) ? "ShadowVolume" : "Group";
        const std::string script = "Group {\nCamera {\nActive yes\nFOV 60\n}\n" + group +
                                   " {\nMesh {\nObject \"floor.msh\"\n" + bench::keyframerAt(0, -5, 14) +
                                   "}\nMesh {\nType EDGEMESH\nObject \"torus.msh\"\n" +
                                   bench::keyframerAt(0, -2, 12) + "}\nPointLight {\nSize 0.1\n" +
                                   bench::keyframerAt(1, 4, 10) + "}\n}\n}\n";
        bench::timeSceneFrames(state, script, cameras, 640, 480);
    }
    resetExtensions();
}
// Process CPU time counts the renderer's own threads too: on a busy machine it follows the work done more
// closely than the wall clock does.
BENCHMARK(ShadowSceneFrame640x480)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
