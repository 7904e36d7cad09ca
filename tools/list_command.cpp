// list_command.cpp -- "qv3rn-tool list": lists the data archive's entries and checks that each one reads back.
#include <cstdio>

#include "archive_arguments.h"
#include "data/archive.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

int runList(const std::vector<std::string>& args) {
    ArchiveArguments arguments;
    std::string error;
    if (!parseArchiveArguments(args, 1, arguments, error)) return usageError("list", error);
    const std::string& path = arguments.paths[0];

    Archive archive;
    if (!archive.open(path, arguments.password)) {
        std::fprintf(stderr, "qv3rn-tool list: %s: %s\n", path.c_str(), archive.lastError().c_str());
        return 1;
    }
    std::printf("%12s  %12s  %-9s  %s\n", "size", "packed", "check", "name");
    int failures = 0;
    std::vector<std::uint8_t> data;
    const std::vector<ArchiveEntry> entries = archive.entries();
    for (const ArchiveEntry& entry : entries) {
        std::string check = "folder";
        std::string reason;
        if (entry.name.empty() || entry.name.back() != '/') {
            const bool good = archive.readFile(entry.name, data);
            check = good ? (entry.encrypted ? "ok" : "ok, plain") : "FAILED";
            if (!good) {
                ++failures;
                reason = "  (" + archive.lastError() + ")";
            }
        }
        std::printf("%12llu  %12llu  %-9s  %s%s\n", static_cast<unsigned long long>(entry.size),
                    static_cast<unsigned long long>(entry.compressedSize), check.c_str(), entry.name.c_str(),
                    reason.c_str());
    }
    std::printf("%zu entries, %d failed\n", entries.size(), failures);
    if (failures) std::fprintf(stderr, "qv3rn-tool list: %s: %d entries cannot be read\n", path.c_str(), failures);
    return failures ? 1 : 0;
}

const ToolCommand list{"list", "list <archive> [--password P]", runList};

}  // namespace
}  // namespace qv3rn::tool
