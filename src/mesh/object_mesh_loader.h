// object_mesh_loader.h -- the "lwo" loader: reads a LightWave object and converts it into an engine mesh.
#pragma once

#include "import/lwo_object.h"
#include "mesh/mesh.h"
#include "mesh/mesh_loader.h"

namespace qv3rn {

// Converts an object into an empty mesh: one shader per surface (registered empty when the shader registry
// has none of that name), texture sets from the surfaces' image-map blocks in channel order (colour, diffuse,
// luminosity, specularity; at most four), vertex colours from the colour map, the polygons as fans of
// triangles, and the bounding box. False for a missing object or mesh, or an object without triangles.
bool convertObject(const LwoObject* object, Mesh* mesh);

class ObjectMeshLoader : public MeshLoader {
public:
    ObjectMeshLoader() : MeshLoader("lwo") {}
    // The bytes are read under the display name "buffered".
    bool loadFromMemory(const std::uint8_t* data, std::size_t size, Mesh& mesh) override;
    bool loadFromFile(const std::string& path, Mesh& mesh) override;

private:
    bool convert(std::unique_ptr<LwoObject> object, const std::string& error, Mesh& mesh);
};

}  // namespace qv3rn
