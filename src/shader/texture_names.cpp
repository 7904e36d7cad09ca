// texture_names.cpp -- the name tables of the image, state, apply and envmap blocks.
#include "shader/texture_names.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "shader/texture_params.h"

namespace qv3rn {

std::string_view lastWord(std::string_view line) {
    const std::size_t end = line.find_last_not_of(" \t\r\n");
    if (end == std::string_view::npos) return {};
    line = line.substr(0, end + 1);
    const std::size_t blank = line.find_last_of(" \t");
    return blank == std::string_view::npos ? line : line.substr(blank + 1);
}

std::optional<std::int64_t> firstContained(std::string_view word, TextureNameTable table) {
    for (const TextureName& entry : table)
        if (word.find(entry.name) != std::string_view::npos) return entry.value;
    return std::nullopt;
}

std::optional<std::int64_t> longestContained(std::string_view word, TextureNameTable table) {
    const TextureName* best = nullptr;
    for (const TextureName& entry : table)
        if (word.find(entry.name) != std::string_view::npos && (!best || std::strlen(entry.name) > std::strlen(best->name)))
            best = &entry;
    if (!best) return std::nullopt;
    return best->value;
}

const char* nameOfValue(std::int64_t value, TextureNameTable table) {
    for (const TextureName& entry : table)
        if (entry.value == value) return entry.name;
    return "";
}

namespace {

constexpr TextureName typeTable[] = {
    {"1D", GL_TEXTURE_1D},
    {"RECT_2D", GL_TEXTURE_RECTANGLE_ARB},
    {"2D", GL_TEXTURE_2D},
    {"CUBEMAP", GL_TEXTURE_CUBE_MAP_ARB},
};

constexpr TextureName typeWriteTable[] = {
    {"1D", GL_TEXTURE_1D},
    {"2D", GL_TEXTURE_2D},
    {"3D", GL_TEXTURE_3D},
    {"DEPTH_16", GL_DEPTH_COMPONENT16_ARB},
    {"DEPTH_24", GL_DEPTH_COMPONENT24_ARB},
    {"DEPTH_32", GL_DEPTH_COMPONENT32_ARB},
    {"CUBEMAP", GL_TEXTURE_CUBE_MAP_ARB},
    {"RECT_2D", GL_TEXTURE_RECTANGLE_ARB},
};

constexpr TextureName formatTable[] = {
    {"RED", 0},       {"GREEN", 1},     {"BLUE", 2}, {"LUMINANCE_ALPHA", 7}, {"ALPHA", 3},
    {"LUMINANCE", 4}, {"INTENSITY", 6}, {"RGBA", 9}, {"RGB", 8},
};

constexpr TextureName wrapTable[] = {
    {"CLAMP_S_CLAMP_T", WrapClampST},
    {"CLAMP_S_WRAP_T", WrapClampSRepeatT},
    {"WRAP_S_CLAMP_T", WrapRepeatSClampT},
    {"WRAP_S_WRAP_T", WrapRepeatST},
    {"CLAMP_BORDER_S_CLAMP_BORDER_T", WrapClampBorderST},
    {"CLAMP_EDGE_S_CLAMP_EDGE_T", WrapClampEdgeST},
    {"CLAMP_S", WrapClampS},
    {"CLAMP_T", WrapClampT},
    {"WRAP_S", WrapRepeatS},
    {"WRAP_T", WrapRepeatT},
    {"CLAMP_BORDER_S", WrapClampBorderS},
    {"CLAMP_BORDER_T", WrapClampBorderT},
    {"CLAMP_EDGE_S", WrapClampEdgeS},
    {"CLAMP_EDGE_T", WrapClampEdgeT},
    // Written only; they read back as their two-axis codes.
    {"CLAMP_S_CLAMP_T_CLAMP_R", WrapClampSTR},
    {"WRAP_S_WRAP_T_WRAP_R", WrapRepeatSTR},
    {"CLAMP_BORDER_S_CLAMP_BORDER_T_CLAMP_BORDER_R", WrapClampBorderSTR},
    {"CLAMP_EDGE_S_CLAMP_EDGE_T_CLAMP_EDGE_R", WrapClampEdgeSTR},
};
constexpr std::size_t readableWrapNames = 14;

constexpr TextureName filterTable[] = {{"NEAREST", GL_NEAREST}, {"LINEAR", GL_LINEAR}};

constexpr TextureName mipmapTable[] = {
    {"NONE", GL_NEAREST},
    {"NEAREST_NEAREST", GL_NEAREST_MIPMAP_NEAREST},
    {"NEAREST_LINEAR", GL_NEAREST_MIPMAP_LINEAR},
    {"LINEAR_NEAREST", GL_LINEAR_MIPMAP_NEAREST},
    {"LINEAR_LINEAR", GL_LINEAR_MIPMAP_LINEAR},
    {"NEAREST", GL_NEAREST},
    {"LINEAR", GL_LINEAR},
};

constexpr TextureName envModeTable[] = {
    {"REPLACE", GL_REPLACE}, {"DECAL", GL_DECAL}, {"MODULATE", GL_MODULATE},
    {"BLEND", GL_BLEND},     {"ADD", GL_ADD},     {"COMBINE", GL_COMBINE_ARB},
};

constexpr TextureName combineTable[] = {
    {"REPLACE", GL_REPLACE},         {"MODULATE", GL_MODULATE},
    {"ADD_SIGNED", GL_ADD_SIGNED_ARB}, {"ADD", GL_ADD},
    {"SUBTRACT", GL_SUBTRACT_ARB},   {"INTERPOLATE", GL_INTERPOLATE_ARB},
    {"DOT3_RGBA", GL_DOT3_RGBA_ARB}, {"DOT3_RGB", GL_DOT3_RGB_ARB},
};

constexpr TextureName sourceTable[] = {
    {"TEXTURE0", GL_TEXTURE0_ARB}, {"TEXTURE1", GL_TEXTURE1_ARB},
    {"TEXTURE2", GL_TEXTURE2_ARB}, {"TEXTURE3", GL_TEXTURE3_ARB},
    {"TEXTURE", GL_TEXTURE},       {"PRIMARY_COLOR", GL_PRIMARY_COLOR_ARB},
    {"CONSTANT", GL_CONSTANT_ARB}, {"PREVIOUS", GL_PREVIOUS_ARB},
};

constexpr TextureName operandTable[] = {
    {"ONE_MINUS_SRC_COLOR", GL_ONE_MINUS_SRC_COLOR},
    {"SRC_COLOR", GL_SRC_COLOR},
    {"ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA},
    {"SRC_ALPHA", GL_SRC_ALPHA},
};

constexpr TextureName scaleTable[] = {{"ONE", 1}, {"TWO", 2}, {"FOUR", 4}};

constexpr TextureName texGenTable[] = {
    {"NONE", TexGenNone},
    {"IGNORE", TexGenIgnore},
    {"SPHERE", TexGenSphere},
    {"OBJECT", TexGenObject},
    {"EYE", TexGenEye},
    {"REFLECTION_MAP", TexGenReflectionMap},
    {"NORMAL_MAP", TexGenNormalMap},
    {"FRONT_XY", TexGenFrontXY},
    {"FRONT_XZ", TexGenFrontXZ},
    {"FRONT_YZ", TexGenFrontYZ},
    {"FRONT_XYZ", TexGenFrontXYZ},
    {"FRONT", TexGenFront},
};

}  // namespace

const std::span<const TextureName> imageTypeNames = typeTable;
const std::span<const TextureName> imageTypeWriteNames = typeWriteTable;
const std::span<const TextureName> imageFormatNames = formatTable;
const std::span<const TextureName> wrapNames{wrapTable, readableWrapNames};
const std::span<const TextureName> wrapWriteNames = wrapTable;
const std::span<const TextureName> filterNames = filterTable;
const std::span<const TextureName> mipmapNames = mipmapTable;
const std::span<const TextureName> envModeNames = envModeTable;
const std::span<const TextureName> combineNames = combineTable;
const std::span<const TextureName> sourceNames = sourceTable;
const std::span<const TextureName> operandNames = operandTable;
const std::span<const TextureName> scaleNames = scaleTable;
const std::span<const TextureName> texGenNames = texGenTable;

}  // namespace qv3rn
