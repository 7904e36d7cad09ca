// mesh_load.cpp -- loading a 100 000-triangle mesh file: from disk through the bzip2 file reader, from memory
// (an archive entry) through the whole-buffer decompression, and the layout reader alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mesh/mesh_builder.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_shapes.h"
#include "shader/shader_manager.h"

namespace {

using namespace qv3rn;

constexpr const char* kPath = "bench_mesh_load.msh";

// A torus of 250 x 200 cells: 50 451 vertices, 100 000 triangles, normals and one texture set, three shaders.
struct BenchMesh {
    BenchMesh() {
        for (const char* name : {"stone", "moss", "rust"}) {
            auto shader = std::make_unique<Shader>();
            shader->setName(name);
            ShaderManager::instance()->add(std::move(shader));
        }
        ShapeParameters parameters;
        parameters.segments = 250;
        parameters.rings = 200;
        MeshBuilder builder;
        buildShape("torus", parameters, ShaderManager::instance()->find("stone"), builder);
        std::unique_ptr<Mesh> mesh = builder.build();
        const char* names[] = {"stone", "moss", "rust"};
        for (std::size_t t = 0; t < mesh->triangles().size(); ++t)
            mesh->triangles()[t].shader = ShaderManager::instance()->find(names[(t / 1000) % 3]);
        triangles = mesh->triangleCount();
        MeshFileWriter writer;
        writer.save(kPath, *mesh);
        std::ifstream in(kPath, std::ios::binary);
        compressed.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::string error;
        encodeMeshData(*mesh, decompressed, error);
    }
    ~BenchMesh() { std::remove(kPath); }
    int triangles = 0;
    std::vector<std::uint8_t> compressed;
    std::vector<std::uint8_t> decompressed;
};

const BenchMesh& benchMesh() {
    static const BenchMesh mesh;
    return mesh;
}

void LoadMeshFile(benchmark::State& state) {
    const BenchMesh& data = benchMesh();
    MeshFileLoader loader;
    for (auto _ : state) {
        Mesh mesh;
        if (!loader.loadFromFile(kPath, mesh)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(mesh.triangleCount());
    }
    state.counters["triangles"] = data.triangles;
    state.counters["file_bytes"] = static_cast<double>(data.compressed.size());
}
BENCHMARK(LoadMeshFile)->Unit(benchmark::kMillisecond);

void LoadMeshFromMemory(benchmark::State& state) {
    const BenchMesh& data = benchMesh();
    MeshFileLoader loader;
    for (auto _ : state) {
        Mesh mesh;
        if (!loader.loadFromMemory(data.compressed.data(), data.compressed.size(), mesh))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(mesh.triangleCount());
    }
}
BENCHMARK(LoadMeshFromMemory)->Unit(benchmark::kMillisecond);

void ReadMeshLayout(benchmark::State& state) {
    const BenchMesh& data = benchMesh();
    std::string error;
    for (auto _ : state) {
        Mesh mesh;
        if (!readMeshData(data.decompressed.data(), data.decompressed.size(), mesh, MissingShaders::Leave, error))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(mesh.triangleCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.decompressed.size()));
}
BENCHMARK(ReadMeshLayout)->Unit(benchmark::kMillisecond);

}  // namespace
