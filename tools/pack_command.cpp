// pack_command.cpp -- "qv3rn-tool pack": builds the password-protected data archive from a content folder.
#include <cstdio>

#include "archive_arguments.h"
#include "data/archive_writer.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

int runPack(const std::vector<std::string>& args) {
    ArchiveArguments arguments;
    std::string error;
    if (!parseArchiveArguments(args, 2, arguments, error)) return usageError("pack", error);
    const std::string& folder = arguments.paths[0];
    const std::string& archive = arguments.paths[1];

    std::vector<PackedFile> packed;
    if (!packFolder(folder, archive, arguments.password, packed, error)) {
        std::fprintf(stderr, "qv3rn-tool pack: %s\n", error.c_str());
        return 1;
    }
    unsigned long long total = 0;
    for (const PackedFile& file : packed) {
        std::printf("%12llu  %s\n", static_cast<unsigned long long>(file.size), file.entryName.c_str());
        total += file.size;
    }
    std::printf("%s: %zu files, %llu bytes\n", archive.c_str(), packed.size(), total);
    return 0;
}

const ToolCommand pack{"pack", "pack <folder> <archive> [--password P]", runPack};

}  // namespace
}  // namespace qv3rn::tool
