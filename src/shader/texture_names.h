// texture_names.h -- the script names of image types, formats, wrap codes, filters, texture-environment and
// coordinate-generation values, in the order the readers test them; the writer takes its names from here too.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qv3rn {

struct TextureName {
    const char* name;
    std::int64_t value;  // a GL enum, an image format index, a wrap code or a count
};
using TextureNameTable = std::span<const TextureName>;

// The last blank-separated word of a script line (trailing blanks and carriage returns ignored).
std::string_view lastWord(std::string_view line);

// The value of the first name of `table`, in table order, that `word` contains; nothing when none does.
std::optional<std::int64_t> firstContained(std::string_view word, TextureNameTable table);
// The value of the longest name of `table` that `word` contains (so "FRONT_XYZ" is not read as "FRONT_XY").
std::optional<std::int64_t> longestContained(std::string_view word, TextureNameTable table);
// The first name of `table` with `value`; "" when the table has none.
const char* nameOfValue(std::int64_t value, TextureNameTable table);

// "Type " of the image block, tested in this order: "1D", "RECT_2D", "2D", "CUBEMAP".
extern const std::span<const TextureName> imageTypeNames;
// Type names as written: the readable ones plus "3D" and the depth formats of depth textures.
extern const std::span<const TextureName> imageTypeWriteNames;
// "Format ": "RED", "GREEN", "BLUE", "LUMINANCE_ALPHA", "ALPHA", "LUMINANCE", "INTENSITY", "RGBA", "RGB".
extern const std::span<const TextureName> imageFormatNames;
// "Wrap ": the fourteen names, two-axis names first; the first contained name wins.
extern const std::span<const TextureName> wrapNames;
// Wrap names as written: the fourteen, then the three-axis codes 9, 13, 15 and 17.
extern const std::span<const TextureName> wrapWriteNames;
// "Filter ": "NEAREST", "LINEAR".
extern const std::span<const TextureName> filterNames;
// "Mipmap ": "NONE" (GL_NEAREST), the four mipmap filters, "NEAREST", "LINEAR".
extern const std::span<const TextureName> mipmapNames;
// "Apply {" values: environment modes, combine functions, sources, operands, scales.
extern const std::span<const TextureName> envModeNames;
extern const std::span<const TextureName> combineNames;
extern const std::span<const TextureName> sourceNames;
extern const std::span<const TextureName> operandNames;
extern const std::span<const TextureName> scaleNames;
// "Envmap {" modes.
extern const std::span<const TextureName> texGenNames;

}  // namespace qv3rn
