// shader_lookup.h -- how mesh loaders turn a stored shader name into a shader of the shader registry.
#pragma once

#include <string_view>

#include "shader/ref_counted.h"
#include "shader/shader.h"

namespace qv3rn {

enum class MissingShaders {
    Leave,   // a name the registry does not know leaves the triangle without shader (the engine's loads)
    Create,  // an empty shader of that name is registered first (object conversion, the tools)
};

// The current shader manager's first shader called `name`, as a counted handle; null for an empty name, when
// no manager exists, or when the name is unknown and `missing` is Leave.
Handle<Shader> lookUpShader(std::string_view name, MissingShaders missing);

}  // namespace qv3rn
