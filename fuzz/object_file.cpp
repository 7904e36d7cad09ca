// object_file.cpp -- fuzzes the LightWave object reader and the conversion of what it reads into an engine mesh
// with edges and tangents.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "import/lwo_object.h"
#include "mesh/edge_mesh.h"
#include "mesh/mesh_tangents.h"
#include "mesh/object_mesh_loader.h"
#include "shader/shader_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv3rn;
    std::string error;
    std::unique_ptr<LwoObject> object = loadObjectFromMemory("fuzz", data, size, &error);
    if (!object) {
        if (error.empty()) std::abort();
        return 0;
    }
    for (const LwoLayer& layer : object->layers) {
        for (const LwoPolygon& polygon : layer.polygons) {
            if (polygon.corners.size() > 3) std::abort();  // triangulated
            if (polygon.cornerMaps.size() != polygon.corners.size()) std::abort();
            for (int corner : polygon.corners)
                if (corner < 0 || static_cast<std::size_t>(corner) >= layer.points.size()) std::abort();
        }
        for (const LwoVMap& map : layer.pointMaps)
            if (map.values.size() != map.points.size() * static_cast<std::size_t>(map.dimension)) std::abort();
    }
    {
        EdgeMesh mesh;
        if (convertObject(object.get(), &mesh)) {
            mesh.buildBatches();
            mesh.computeEdges();
            if (mesh.has(MeshFlags::TexCoords0)) computeTangents(mesh);
        }
    }
    freeObject(object);
    ShaderManager::instance()->clear();  // the conversion registered a shader per surface
    return 0;
}
