// script_lines.h -- line fetching shared by the envelope and keyframer block readers.
#pragma once

#include <istream>
#include <string>

#include "data/script_parser.h"

namespace qv3rn::anim {

// The next logical line that has any content. A line that held only a comment reads as empty; such lines
// are skipped while the stream is good, so that comments are allowed anywhere inside a block. At the end of
// the stream the result is "".
inline std::string nextContentLine(ScriptParser& parser, std::istream& stream) {
    std::string line = parser.readLine(stream);
    while (line.empty() && stream.good()) line = parser.readLine(stream);
    return line;
}

}  // namespace qv3rn::anim
