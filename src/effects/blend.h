// blend.h -- the five draw modes every effect blends with, and the words the effect script names them by.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv3rn {

enum DrawMode : std::uint32_t {
    DrawModeNormal = 0,       // GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA
    DrawModeAdditive = 1,     // GL_SRC_ALPHA, GL_ONE
    DrawModeSubtractive = 2,  // GL_ONE_MINUS_DST_COLOR, GL_ZERO
    DrawModeMultiply = 3,     // GL_DST_COLOR, GL_ZERO
    DrawModeInvert = 4,       // GL_ONE_MINUS_DST_COLOR, GL_ONE_MINUS_SRC_COLOR
};

// Enables blending with the mode's function; any other value enables blending and keeps the current function.
void beginBlend(std::uint32_t drawMode);
// Disables blending.
void endBlend();

// The mode a "DrawMode" line names: the line is searched for "NORMAL", "ADDITIVE", "SUBTRACTIVE", "MULTIPLY",
// "INVERT", in this order, and the first word found wins; a line with none of them gives NORMAL.
std::uint32_t drawModeFromLine(std::string_view line);

// The script word of a mode ("MULTIPLY"); "" for a value outside 0..4.
std::string_view drawModeName(std::uint32_t drawMode);

}  // namespace qv3rn
