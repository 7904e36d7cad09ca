// Benchmarks of the vertex deformers: one frame of each on a 20,000-vertex grid, as a deform-mesh node runs a
// single deformer (update at the frame's time, the undeformed copy mapped into the mesh, then once more in place);
// the whole frame of a deform-mesh node (with its normals made again), and the blend of a morph node between two
// 20,000-vertex targets.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "mesh/mesh_builder.h"
#include "scene/deform_mesh_node.h"
#include "scene/deformers.h"
#include "scene/morph_node.h"

namespace {

using qv3rn::DeformerKind;

// An envelope field rising from `from` to `to` over ten seconds.
std::string ramp(const std::string& keyword, float from, float to) {
    return keyword + " {\n{ Envelope\n  2\n  Key " + std::to_string(from) + " 0 3 0 0 0 0 0 0 0\n  Key " +
           std::to_string(to) + " 10 3 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n}\n";
}

// Each kind with its numbers animated; SinWave with one wave whose amplitudes differ (the costlier form).
std::string blockLines(DeformerKind kind) {
    switch (kind) {
        case DeformerKind::Bend:
            return "Axis 1\nFrom 0\nTo 2\n" + ramp("Dir", 0, 1) + ramp("BendAngle", 0.5f, 2) + "}\n";
        case DeformerKind::Melt: return "Center 0 0 0\nSize 1 1 1\nVis 1\n" + ramp("Bulge", 0, 1) + "}\n";
        case DeformerKind::SinWave:
            return "Axis 2\nAmp1 0.1\nAmp2 0.2\nWave 0.5\nDecay 0.3\n" + ramp("Phase", 0, 3) + "}\n";
        case DeformerKind::Taper1: return "Axis 2\nMin -1 -1 -1\nMax 1 1 1\n" + ramp("Factor", 1, 3) + "}\n";
        case DeformerKind::Taper2:
            return "Axis 2\nMin -1 -1 -1\nMax 1 1 1\n" + ramp("FactorA", 1, 3) + ramp("FactorB", 1, 0) + "}\n";
        case DeformerKind::Twist: return "Axis 2\nSize 1 1 1\n" + ramp("TwistAngle", 0, 6) + "}\n";
        case DeformerKind::Wave:
            return "Axis 1\nDisplace 7\nAmplitude 0.2\nFiniteRange 1\nRange 1.5\n" + ramp("Phase", 0, 6) +
                   ramp("Wavelength", 0.5f, 1) + "}\n";
    }
    return "}\n";
}

// A SinWave block with a wave on each of the three axes, its costliest form.
std::string threeWaves() {
    std::string text;
    for (const char* axis : {"1", "2", "4"})
        text += std::string("Axis ") + axis + "\nAmp1 0.1\nAmp2 0.2\nWave 0.5\nDecay 0.3\n" + ramp("Phase", 0, 3);
    return text + "}\n";
}

// A 200 x 100 grid over [-1, 1] x [-1, 1], bowed in z so that no coordinate is constant.
std::vector<qv3rn::MeshVertex> grid() {
    std::vector<qv3rn::MeshVertex> vertices(200 * 100);
    for (int row = 0; row < 100; ++row)
        for (int column = 0; column < 200; ++column) {
            const float x = column / 99.5f - 1.0f, y = row / 49.5f - 1.0f;
            vertices[row * 200 + column].position = {x, y, 0.25f * (x * x + y * y)};
        }
    return vertices;
}

// The grid as a mesh lifted by `lift` along z, two triangles a cell, its batches built.
std::unique_ptr<qv3rn::Mesh> gridMesh(float lift) {
    qv3rn::MeshBuilder builder;
    for (const qv3rn::MeshVertex& vertex : grid())
        builder.addVertex(vertex.position + qv3rn::Vec3{0.0f, 0.0f, lift}, {0.0f, 0.0f, -1.0f}, {});
    for (int row = 0; row + 1 < 100; ++row)
        for (int column = 0; column + 1 < 200; ++column) {
            const int at = row * 200 + column;
            builder.addTriangle(at, at + 200, at + 1, {});
            builder.addTriangle(at + 1, at + 200, at + 201, {});
        }
    return builder.build();
}

std::unique_ptr<qv3rn::Deformer> readBlock(DeformerKind kind, const std::string& lines) {
    qv3rn::ScriptParser parser;
    std::istringstream stream(lines);
    const std::string opening = qv3rn::deformerKeyword(kind);
    qv3rn::BlockLine line(opening, parser, stream);
    return qv3rn::readDeformer(kind, line);
}

void deformFrame(benchmark::State& state, DeformerKind kind, const std::string& lines) {
    const auto deformer = readBlock(kind, lines);

    const std::vector<qv3rn::MeshVertex> undeformed = grid();
    std::vector<qv3rn::MeshVertex> mesh = undeformed;
    float time = 0.0f;
    for (auto _ : state) {
        deformer->update(time);
        deformer->apply(undeformed, mesh);
        deformer->apply(mesh, mesh);
        benchmark::DoNotOptimize(mesh.data());
        time = time < 10.0f ? time + 0.016f : 0.0f;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 2 * static_cast<std::int64_t>(mesh.size()));
}

// A deform-mesh node's frame with one twist: the deformer twice, then the face planes and vertex normals.
void deformNodeFrame(benchmark::State& state) {
    const auto mesh = gridMesh(0.0f);
    qv3rn::DeformMeshNode node;
    node.setMesh(mesh.get());
    node.addDeformer(readBlock(DeformerKind::Twist, blockLines(DeformerKind::Twist)));
    float time = 0.0f;
    for (auto _ : state) {
        node.updateSelf(time);
        benchmark::DoNotOptimize(mesh->vertices().data());
        time = time < 10.0f ? time + 0.016f : 0.0f;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * mesh->vertexCount());
}

// A morph node blending two 20,000-vertex targets at an amount sweeping past both ends.
void morphFrame(benchmark::State& state) {
    const auto from = gridMesh(0.0f), to = gridMesh(1.0f);
    qv3rn::MorphNode node;
    node.setTargetCount(2);
    node.addTarget(*from);
    node.addTarget(*to);
    float amount = -0.5f;
    for (auto _ : state) {
        node.blend(amount);
        benchmark::DoNotOptimize(node.mesh()->vertices().data());
        amount = amount < 1.5f ? amount + 0.01f : -0.5f;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * from->vertexCount());
}

void registerDeformerBenchmarks() {
    for (int k = 0; k < qv3rn::deformerKindCount; ++k) {
        const auto kind = static_cast<DeformerKind>(k);
        benchmark::RegisterBenchmark(qv3rn::deformerName(kind), deformFrame, kind, blockLines(kind))
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("SinWave, three waves", deformFrame, DeformerKind::SinWave, threeWaves())
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("DeformMesh node, twist and normals", deformNodeFrame)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Morph, two targets", morphFrame)->Unit(benchmark::kMicrosecond);
}

[[maybe_unused]] const int registered = (registerDeformerBenchmarks(), 0);

}  // namespace
