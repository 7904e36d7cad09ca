// pixel_text.h -- a small built-in 5 x 7 bitmap font for labelling the pictures the tools draw (contact sheets,
// timeline charts); it needs no font file, so every picture can be labelled wherever the tool runs.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "generators/picture.h"

namespace qv3rn::tool {

using Rgb = std::array<std::uint8_t, 3>;

// Each character takes a cell of 6 x 8 pixels times `scale`, its glyph in the top-left 5 x 7; small letters are
// drawn as capitals, characters the font lacks as '?'.
inline constexpr int glyphAdvance = 6;
inline constexpr int glyphHeight = 8;

inline int textWidth(std::string_view text, int scale) { return static_cast<int>(text.size()) * glyphAdvance * scale; }

// Draws `text` with its top-left corner at (x, y) into an RGB or RGBA picture; what falls outside is clipped.
void drawText(Picture& picture, int x, int y, std::string_view text, Rgb colour, int scale = 1);

// Fills the rectangle (clipped to the picture) with one colour (alpha, if any, opaque).
void fillRect(Picture& picture, int x, int y, int width, int height, Rgb colour);

}  // namespace qv3rn::tool
