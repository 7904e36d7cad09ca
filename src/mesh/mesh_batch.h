// mesh_batch.h -- one draw call of a mesh: the indices of every triangle that one shader draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "shader/ref_counted.h"
#include "shader/shader.h"

namespace qv3rn {

struct MeshBatch {
    Handle<Shader> shader;               // null for the triangles without shader
    std::size_t room = 0;                // indices the batch has room for (three per triangle)
    std::size_t used = 0;                // indices in use
    std::vector<std::uint32_t> indices;  // `room` vertex indices, the first `used` of them filled

    bool append(std::uint32_t index) {
        if (used >= room) return false;
        indices[used++] = index;
        return true;
    }
};

}  // namespace qv3rn
