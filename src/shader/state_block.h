// state_block.h -- value-name tables of the state blocks and the keyword-table row that reads a named value.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "data/keyword_table.h"

namespace qv3rn {

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

// A GLenum field set to the value of the longest name of `table` that the line contains; the field keeps its
// value when the line has none of them.
template <typename Member>
Row<MemberClassOf<Member>> namedValue(std::string keyword, Member member, NameTable table) {
    using Target = MemberClassOf<Member>;
    return {std::move(keyword), [member, table](Target& target, BlockLine& line) {
                target.*member = longestName(line.text, table).value_or(target.*member);
            }};
}

// The comparison functions of the Alpha, Stencil and ZBuffer blocks.
extern const NamedValue comparisonNames[8];

}  // namespace qv3rn
