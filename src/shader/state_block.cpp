// state_block.cpp -- value-name matching shared by the state block readers.
#include "shader/state_block.h"

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

}  // namespace qv3rn
