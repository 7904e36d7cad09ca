// state_block.cpp -- value-name matching and number scanning shared by the state block readers.
#include "shader/state_block.h"

#include <cstdio>  // Required for: sscanf
#include <cstring>

namespace qv3rn {

const NamedValue comparisonNames[8] = {
    {"NEVER", GL_NEVER},     {"LESS", GL_LESS},         {"EQUAL", GL_EQUAL},   {"LEQUAL", GL_LEQUAL},
    {"GREATER", GL_GREATER}, {"NOTEQUAL", GL_NOTEQUAL}, {"GEQUAL", GL_GEQUAL}, {"ALWAYS", GL_ALWAYS},
};

std::optional<GLenum> longestName(std::string_view line, NameTable table) {
    const NamedValue* best = nullptr;
    std::size_t bestLength = 0;
    for (const NamedValue& entry : table) {
        const std::size_t length = std::strlen(entry.name);
        if (length > bestLength && matches(line, entry.name)) {
            best = &entry;
            bestLength = length;
        }
    }
    if (!best) return std::nullopt;
    return best->value;
}

std::optional<GLenum> firstName(std::string_view line, NameTable table) {
    for (const NamedValue& entry : table)
        if (matches(line, entry.name)) return entry.value;
    return std::nullopt;
}

const char* nameOf(GLenum value, NameTable table) {
    for (const NamedValue& entry : table)
        if (entry.value == value) return entry.name;
    return "";
}

void scanFloats(const std::string& line, float* values, int count) {
    float scanned[4] = {};
    const int wanted = count < 4 ? count : 4;
    const int got = std::sscanf(line.c_str(), "%*s %f %f %f %f", &scanned[0], &scanned[1], &scanned[2], &scanned[3]);
    for (int i = 0; i < wanted && i < got; ++i) values[i] = scanned[i];
}

namespace {
bool scanLong(const std::string& line, long long& value) { return std::sscanf(line.c_str(), "%*s %lld", &value) == 1; }
}  // namespace

void scanInteger(const std::string& line, std::int32_t& value) {
    long long scanned = 0;
    if (scanLong(line, scanned)) value = static_cast<std::int32_t>(static_cast<std::uint32_t>(scanned));
}

void scanInteger(const std::string& line, std::uint32_t& value) {
    long long scanned = 0;
    if (scanLong(line, scanned)) value = static_cast<std::uint32_t>(scanned);
}

}  // namespace qv3rn
