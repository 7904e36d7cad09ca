// program_block.h -- the "Program {" block of the shader script: ARB program text stored by name.
#pragma once

#include <istream>

namespace qv3rn {

class ShaderScriptLoader;

// Reads the lines after "Program {": a "Type" line (VERTEX or FRAGMENT), then "Name" and the program text,
// which runs raw (unchanged, comments and blanks included) from the "!!ARBvp1.0" / "!!ARBfp1.0" line through
// the first line containing "END". The program is stored with the loader's ShaderManager at the block's "}"
// (or the end of input). False when the input ends before the "Type" line.
bool readProgramBlock(ShaderScriptLoader& loader, std::istream& stream);

}  // namespace qv3rn
