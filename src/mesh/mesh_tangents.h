// mesh_tangents.h -- the per-vertex tangent space that bump-mapped lighting needs.
#pragma once

#include "mesh/mesh.h"

namespace qv3rn {

// Sets the tangent-space flag and adds each triangle's tangent and binormal (directions of increasing s and t
// of texture-coordinate set 0, flipped together when they disagree with the normal of the first corner) to its
// three corners, then normalises them. Tangents already present (read from a file) are added to. A mesh without
// texture-coordinate set 0 is refused: false, nothing changed, one log line.
bool computeTangents(Mesh& mesh);

}  // namespace qv3rn
