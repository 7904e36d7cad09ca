// archive_read.cpp -- fuzzes opening an archive image and reading its entries with the demo's password.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "data/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv3rn;
    Archive archive;
    if (!archive.openBuffer(data, size, "fuzz input", demoArchivePassword)) return 0;

    // A name finds its first entry; a successful read delivers exactly the size that entry claims.
    std::map<std::string, std::uint64_t> claimed;
    for (const ArchiveEntry& entry : archive.entries()) claimed.emplace(entry.name, entry.size);
    std::vector<std::uint8_t> bytes;
    int tried = 0;
    for (const auto& [name, size] : claimed) {
        if (++tried > 64) break;
        if (archive.readFile(name, bytes) && name.find('\\') == std::string::npos && bytes.size() != size)
            std::abort();
    }
    archive.readFile("data\\shader\\demo.shader", bytes);
    archive.close();
    if (archive.readFile("data/obj/x.msh", bytes) || !bytes.empty()) std::abort();
    return 0;
}
