// extract_command.cpp -- "qv3rn-tool extract": unpacks the data archive into a folder, refusing names that escape it.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "archive_arguments.h"
#include "data/archive.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

namespace fs = std::filesystem;

bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& data) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    return !out.fail();
}

int runExtract(const std::vector<std::string>& args) {
    ArchiveArguments arguments;
    std::string error;
    if (!parseArchiveArguments(args, 2, arguments, error)) return usageError("extract", error);
    const std::string& path = arguments.paths[0];
    const fs::path folder = arguments.paths[1];

    Archive archive;
    if (!archive.open(path, arguments.password)) {
        std::fprintf(stderr, "qv3rn-tool extract: %s: %s\n", path.c_str(), archive.lastError().c_str());
        return 1;
    }
    const std::vector<ArchiveEntry> entries = archive.entries();
    for (const ArchiveEntry& entry : entries) {  // all names are checked before anything is written
        if (!isSafeEntryName(entry.name)) {
            std::fprintf(stderr, "qv3rn-tool extract: %s: refusing the entry \"%s\": it would not land inside %s\n",
                         path.c_str(), entry.name.c_str(), folder.c_str());
            return 1;
        }
    }
    std::vector<std::uint8_t> data;
    for (const ArchiveEntry& entry : entries) {
        const fs::path target = folder / fs::path(entry.name);
        if (entry.name.back() == '/') {
            std::error_code ignored;
            fs::create_directories(target, ignored);
            continue;
        }
        if (!archive.readFile(entry.name, data)) {
            std::fprintf(stderr, "qv3rn-tool extract: %s: %s\n", path.c_str(), archive.lastError().c_str());
            return 1;
        }
        if (!writeFile(target, data)) {
            std::fprintf(stderr, "qv3rn-tool extract: %s: cannot be written\n", target.c_str());
            return 1;
        }
        std::printf("%12zu  %s\n", data.size(), entry.name.c_str());
    }
    std::printf("%s: %zu entries extracted into %s\n", path.c_str(), entries.size(), folder.c_str());
    return 0;
}

const ToolCommand extract{"extract", "extract <archive> <folder> [--password P]", runExtract};

}  // namespace
}  // namespace qv3rn::tool
