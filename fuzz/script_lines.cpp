// script_lines.cpp -- fuzzes the logical line reader and the keyword, quote and block helpers over arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/memory_stream.h"
#include "data/script_parser.h"

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv3rn;
    std::size_t lineFeeds = 0;
    for (std::size_t i = 0; i < size; ++i) lineFeeds += data[i] == '\n';

    MemoryStream in(data, size);
    ScriptParser parser;
    std::size_t calls = 0, stored = 0;
    while (in.good()) {
        const std::string line = parser.readLine(in);
        if (++calls > size + 1) std::abort();  // every call consumes a byte or ends the stream
        stored += line.size();
        if (line.find_first_of("\n\t;") != std::string::npos) std::abort();
        if (!line.empty() && isBlank(line.front())) std::abort();
        if (matches(line, "Mass ") && line.find("Mass ") == std::string::npos) std::abort();
        if (quotedText(line).size() > line.size()) std::abort();
    }
    if (stored > size || static_cast<std::size_t>(parser.lineCount()) > lineFeeds) std::abort();

    MemoryStream blocks(data, size);
    std::size_t skips = 0;
    while (skipBlock(blocks))
        if (++skips > size) std::abort();
    return 0;
}
