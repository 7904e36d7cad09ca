// mesh_edges.cpp -- deriving the edge tables and the tangent space of closed meshes of 10 000 and 100 000
// triangles, and building their draw batches.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "mesh/edge_mesh.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "mesh/mesh_tangents.h"

namespace {

using namespace qv3rn;

// A welded (closed) torus of about `triangles` triangles.
const MeshBuilder& torus(std::int64_t triangles) {
    static std::map<std::int64_t, std::unique_ptr<MeshBuilder>> made;
    auto& builder = made[triangles];
    if (!builder) {
        builder = std::make_unique<MeshBuilder>();
        ShapeParameters parameters;
        parameters.rings = triangles >= 100000 ? 200 : 50;
        parameters.segments = static_cast<int>(triangles / (2 * parameters.rings));
        buildShape("torus", parameters, {}, *builder);
        builder->weld();
    }
    return *builder;
}

void ComputeEdges(benchmark::State& state) {
    const MeshBuilder& builder = torus(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = std::make_unique<EdgeMesh>();
        builder.buildInto(*mesh);
        state.ResumeTiming();
        const EdgeValidation result = mesh->computeEdges();
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        if (!result.allValid()) state.SkipWithError("a welded torus must be closed");
        mesh.reset();
        state.ResumeTiming();
    }
    state.counters["triangles"] = static_cast<double>(builder.triangles().size());
}
BENCHMARK(ComputeEdges)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void ComputeTangents(benchmark::State& state) {
    const MeshBuilder& builder = torus(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = std::make_unique<Mesh>();
        builder.buildInto(*mesh);
        state.ResumeTiming();
        benchmark::DoNotOptimize(computeTangents(*mesh));
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(ComputeTangents)->Arg(100000)->Unit(benchmark::kMillisecond);

void EdgesAndTangents(benchmark::State& state) {
    const MeshBuilder& builder = torus(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = std::make_unique<EdgeMesh>();
        builder.buildInto(*mesh);
        state.ResumeTiming();
        benchmark::DoNotOptimize(mesh->computeEdges());
        benchmark::DoNotOptimize(computeTangents(*mesh));
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(EdgesAndTangents)->Arg(100000)->Unit(benchmark::kMillisecond);

void BuildBatches(benchmark::State& state) {
    const MeshBuilder& builder = torus(state.range(0));
    auto mesh = std::make_unique<Mesh>();
    builder.buildInto(*mesh);
    for (auto _ : state) {
        mesh->buildBatches();
        benchmark::DoNotOptimize(mesh->batches().data());
    }
}
BENCHMARK(BuildBatches)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
