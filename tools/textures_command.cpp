// textures_command.cpp -- "qv3rn-tool textures": writes the show's procedural textures into a folder.
#include <cstdio>
#include <filesystem>

#include "generators/texture_set.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

int runTextures(const std::vector<std::string>& args) {
    if (args.size() != 1) return usageError("textures", "expected one output folder");
    std::error_code ignored;
    std::filesystem::create_directories(args[0], ignored);
    std::string error;
    if (!writeTextureSet(args[0], error)) {
        std::fprintf(stderr, "qv3rn-tool textures: %s\n", error.c_str());
        return 1;
    }
    std::printf("%zu textures written to %s\n", textureRecipes().size(), args[0].c_str());
    return 0;
}

const ToolCommand textures{"textures", "textures <folder>", runTextures};

}  // namespace
}  // namespace qv3rn::tool
