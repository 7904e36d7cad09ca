// texture_params.h -- an image's texture parameters (its "State {" block): filtering, wrapping, border, and the
// texture environment and coordinate generation its texture unit sets up on every bind.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <cstdint>

namespace qv3rn {

// Wrap codes of the "Wrap " line. Codes 9, 13, 15 and 17 are 8, 12, 14 and 16 on the R axis too; no script name
// reads as them (render targets of cube maps use 9).
enum WrapCode : std::int32_t {
    WrapClampS = 0,
    WrapClampT = 1,
    WrapRepeatS = 2,
    WrapRepeatT = 3,
    WrapClampBorderS = 4,
    WrapClampBorderT = 5,
    WrapClampEdgeS = 6,
    WrapClampEdgeT = 7,
    WrapClampST = 8,
    WrapClampSTR = 9,
    WrapClampSRepeatT = 10,
    WrapRepeatSClampT = 11,
    WrapRepeatST = 12,
    WrapRepeatSTR = 13,
    WrapClampBorderST = 14,
    WrapClampBorderSTR = 15,
    WrapClampEdgeST = 16,
    WrapClampEdgeSTR = 17,
};

// Texture-coordinate generation modes of the "Envmap {" block.
enum TexGenMode : std::int32_t {
    TexGenNone = 0,
    TexGenIgnore = 1,
    TexGenSphere = 2,
    TexGenObject = 3,
    TexGenEye = 4,
    TexGenReflectionMap = 5,
    TexGenNormalMap = 6,
    TexGenFront = 7,
    TexGenFrontXY = 8,
    TexGenFrontXZ = 9,
    TexGenFrontYZ = 10,
    TexGenFrontXYZ = 11,
};

// 46 32-bit words, copied as a whole (the "State {" block reads into a fresh default record, which then
// replaces the image's).
struct TextureParams {
    float priority = 1.0f;
    GLenum envMode = GL_MODULATE;
    std::array<float, 4> borderColor = {0.0f, 0.0f, 0.0f, 0.0f};
    std::array<float, 4> envColor = {0.0f, 0.0f, 0.0f, 0.0f};  // the "BlendColor" line
    std::array<float, 4> planeS = {1.0f, 0.0f, 0.0f, 0.0f};
    std::array<float, 4> planeT = {0.0f, 1.0f, 0.0f, 0.0f};
    std::array<float, 4> planeR = {0.0f, 0.0f, 1.0f, 0.0f};
    std::array<float, 4> planeQ = {0.0f, 0.0f, 0.0f, 1.0f};
    std::int32_t wrap = WrapClampST;
    GLenum magFilter = GL_LINEAR;
    GLenum minFilter = GL_LINEAR;  // a mipmap filter here makes uploads build mipmaps
    std::int32_t texGenMode = TexGenNone;
    GLenum combineRGB = GL_MODULATE;
    GLenum combineAlpha = GL_MODULATE;
    std::array<GLenum, 3> sourceRGB = {GL_PREVIOUS_ARB, GL_TEXTURE, GL_CONSTANT_ARB};
    std::array<GLenum, 3> sourceAlpha = {GL_PREVIOUS_ARB, GL_TEXTURE, GL_CONSTANT_ARB};
    std::array<GLenum, 3> operandRGB = {GL_SRC_COLOR, GL_SRC_COLOR, GL_SRC_COLOR};
    std::array<GLenum, 3> operandAlpha = {GL_SRC_ALPHA, GL_SRC_ALPHA, GL_SRC_ALPHA};
    std::int32_t scaleRGB = 1;
    std::int32_t scaleAlpha = 1;

    bool operator==(const TextureParams&) const = default;
};

static_assert(sizeof(TextureParams) == 46 * 4, "the parameter record is 46 words");

// True for the four mipmap minification filters.
bool isMipmapFilter(GLenum filter);
// The filter a mipmap filter uses within one level (GL_NEAREST or GL_LINEAR); other filters unchanged.
GLenum baseFilter(GLenum filter);

// What a wrap code sets on one axis: GL_CLAMP, GL_REPEAT, GL_CLAMP_TO_BORDER_ARB, GL_CLAMP_TO_EDGE, or 0 when the
// code leaves the axis alone. Border and edge clamping fall back to GL_CLAMP without their extensions
// (GL_ARB_texture_border_clamp, GL_EXT_texture_edge_clamp).
struct WrapModes {
    GLenum s = 0;
    GLenum t = 0;
    GLenum r = 0;
};
WrapModes wrapModes(std::int32_t wrapCode);

}  // namespace qv3rn
