// script_test_support.h -- reading shader scripts from text in the tests.
#pragma once

#include <sstream>
#include <string>

#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader_test_support.h"

namespace qv3rn::test {

// Parses `text` as a shader script into `manager`.
inline bool parseScript(ShaderManager& manager, const std::string& text) {
    ShaderScriptLoader loader(manager);
    std::istringstream stream(text);
    return loader.parse(stream);
}

}  // namespace qv3rn::test
