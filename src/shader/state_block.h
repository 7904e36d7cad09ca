// state_block.h -- reading a state block: keyword tables in test order, value-name tables, flags and numbers.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/script_parser.h"

namespace qv3rn {

class ShaderScriptLoader;

// One script name of an enumerated value ("GEQUAL" for GL_GEQUAL).
struct NamedValue {
    const char* name;
    GLenum value;
};
using NameTable = std::span<const NamedValue>;

// The value of the longest name of `table` that occurs in `line`, so that "GEQUAL" is never read as "EQUAL"
// nor "INCR_WRAP" as "INCR"; nothing when no name occurs.
std::optional<GLenum> longestName(std::string_view line, NameTable table);

// The value of the first name of `table`, in table order, that occurs in `line`; nothing when none occurs.
std::optional<GLenum> firstName(std::string_view line, NameTable table);

// The script name of `value` (the first entry that has it); "" when the table has no name for it.
const char* nameOf(GLenum value, NameTable table);

// A flag line is true when it contains "yes" anywhere.
inline bool readFlag(std::string_view line) { return matches(line, "yes"); }

// Scans "%*s %f %f ..." (the keyword, then `count` floats) into `values`; values that do not scan keep their
// previous content.
void scanFloats(const std::string& line, float* values, int count);
inline void scanFloat(const std::string& line, float& value) { scanFloats(line, &value, 1); }

// Scans "%*s %d" into `value`, keeping the previous value when no number follows the keyword. Numbers outside
// the 32-bit range wrap as they would through a 32-bit integer.
void scanInteger(const std::string& line, std::int32_t& value);
void scanInteger(const std::string& line, std::uint32_t& value);

// What a keyword handler sees: the line that matched, and the loader and stream for handlers that read on
// (envelope blocks).
struct BlockLine {
    const std::string& text;
    ShaderScriptLoader& loader;
    std::istream& stream;
};

// One row of a block's keyword table: the text the line must contain, and what to do with the line.
template <typename State>
struct Keyword {
    const char* keyword;
    void (*read)(State& state, BlockLine& line);
};

// Reads the next logical line into the loader's current line; "" at the end of the stream. Defined with the
// loader; declared here for the block readers.
const std::string& readBlockLine(ShaderScriptLoader& loader, std::istream& stream);

// Reads the lines of a block up to and including the first line that contains "}" and matches no keyword.
// Each line goes to the first keyword of `table` it contains; a line with no keyword and no "}" raises
// `unknownToken`. Lines left empty by the reader (comment lines) are skipped, and the end of the stream ends
// the block without an error.
template <typename State>
bool readStateBlock(ShaderScriptLoader& loader, std::istream& stream, State& state,
                    std::span<const Keyword<State>> table, const char* unknownToken) {
    for (;;) {
        const std::string& text = readBlockLine(loader, stream);
        if (text.empty()) {
            if (!stream.good()) return true;
            continue;
        }
        const Keyword<State>* found = nullptr;
        for (const Keyword<State>& keyword : table) {
            if (matches(text, keyword.keyword)) {
                found = &keyword;
                break;
            }
        }
        if (found) {
            BlockLine line{text, loader, stream};
            found->read(state, line);
        } else if (matches(text, "}")) {
            return true;
        } else {
            throw std::runtime_error(unknownToken);
        }
    }
}

// The comparison functions of the Alpha, Stencil and ZBuffer blocks.
extern const NamedValue comparisonNames[8];

}  // namespace qv3rn
