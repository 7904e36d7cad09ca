// texture_state_block.h -- an image's "State {" block with its "Apply {" and "Envmap {" sub-blocks: reading into
// TextureParams and writing back as script text.
#pragma once

#include <istream>
#include <ostream>

#include "data/keyword_table.h"
#include "shader/texture_params.h"

namespace qv3rn {

// Each reader takes the lines after its opener up to and including its own "}" (or to the end of the stream).
// Lines are tested against the block's keywords in their fixed order; a line matching none raises
// std::runtime_error "PARSE ERROR! Unknown State Token" ("... Apply Token", "... Envmap Token").
//
// "State {":  Priority, BorderColor, BlendColor, Wrap, Filter, Mipmap, "Apply {", "Envmap {", "}".
// "Apply {":  Mode, Func.RGB, Func.Alpha, Src0..2.RGB, Src0..2.Alpha, Op0..2.RGB, Op0..2.Alpha, Scale.RGB,
//             Scale.Alpha, "}"; a line with none of its value names sets the value's default.
// "Envmap {": Mode, PlaneS, PlaneT, PlaneR, PlaneQ, "}".
void readTextureState(ScriptParser& parser, std::istream& stream, TextureParams& params);
void readApplyBlock(ScriptParser& parser, std::istream& stream, TextureParams& params);
void readEnvmapBlock(ScriptParser& parser, std::istream& stream, TextureParams& params);

// "\tState {\n" ... "\t}\n" with every field, in the layout the readers take back to the same values.
void writeTextureState(std::ostream& out, const TextureParams& params);

}  // namespace qv3rn
