// mesh_file.cpp -- fuzzes the "msh" reader: bzip2 streams through the whole loader, other inputs straight into
// the layout reader; what loads must hold together through batches, edges, tangents and a second round trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mesh/edge_mesh.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_tangents.h"
#include "shader/shader_manager.h"

namespace {

using namespace qv3rn;

void loadAndCheck(const std::uint8_t* data, std::size_t size) {
    EdgeMesh mesh;
    bool loaded = false;
    if (size >= 3 && std::memcmp(data, "BZh", 3) == 0) {
        MeshFileLoader loader;
        // Half the fuzzing run's single-allocation limit: the data buffer grows up to the data limit.
        loader.setDataLimit(std::size_t{32} << 20);
        loaded = loader.loadFromMemory(data, size, mesh);
        if (!loaded && loader.lastError().empty()) std::abort();
    } else {
        std::string error;
        loaded = readMeshData(data, size, mesh, MissingShaders::Leave, error);
        if (!loaded && error.empty()) std::abort();
    }
    if (!loaded) return;

    const int vertices = mesh.vertexCount();
    for (const MeshTriangle& triangle : mesh.triangles())
        for (int corner : triangle.vertices)
            if (corner < 0 || corner >= vertices) std::abort();
    mesh.buildBatches();
    std::size_t indices = 0;
    for (const MeshBatch& batch : mesh.batches()) indices += batch.used;
    if (indices != 3 * static_cast<std::size_t>(mesh.triangleCount())) std::abort();
    const EdgeValidation edges = mesh.computeEdges();
    if (edges.triangles != mesh.triangleCount() || edges.edges > 3 * mesh.triangleCount()) std::abort();
    if (mesh.has(MeshFlags::TexCoords0)) computeTangents(mesh);

    // What was read writes back and reads again to the same counts.
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!encodeMeshData(mesh, bytes, error)) std::abort();
    Mesh again;
    if (!readMeshData(bytes.data(), bytes.size(), again, MissingShaders::Leave, error)) std::abort();
    if (again.vertexCount() != mesh.vertexCount() || again.triangleCount() != mesh.triangleCount()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One registered shader, so that some names in the inputs find it; the meshes are gone before it goes.
    auto shader = std::make_unique<Shader>();
    shader->setName("wall");
    ShaderManager::instance()->add(std::move(shader));
    loadAndCheck(data, size);
    ShaderManager::instance()->clear();
    return 0;
}
