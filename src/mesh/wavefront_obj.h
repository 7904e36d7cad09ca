// wavefront_obj.h -- reading Wavefront OBJ geometry into a mesh builder: positions, texture coordinates,
// normals, polygons as fans, and the material (or else the group) of each face naming its shader.
#pragma once

#include <istream>
#include <string>

#include "mesh/mesh_builder.h"

namespace qv3rn {

struct ObjReadResult {
    bool withColours = false;  // some "v" line carried a vertex colour after its position
};

// Reads the OBJ text of `in` into `builder`. Each distinct position/texture/normal triple becomes one vertex;
// vertices without a normal get the area-weighted average of their position's faces. Faces take the shader
// named by the last "usemtl", or by the first name of the last "g" when no material was set yet; the shader
// is registered empty when the registry does not know it. Fails with "<file>:<line>: <message>" in `error`
// on a malformed number or index.
bool readWavefrontObj(std::istream& in, const std::string& fileName, MeshBuilder& builder, ObjReadResult& result,
                      std::string& error);

}  // namespace qv3rn
