// texture_params.cpp -- mipmap filters and what each wrap code sets, with the fall-backs without extensions.
#include "shader/texture_params.h"

#include "gl/extensions.h"

namespace qv3rn {

bool isMipmapFilter(GLenum filter) {
    return filter == GL_NEAREST_MIPMAP_NEAREST || filter == GL_LINEAR_MIPMAP_NEAREST ||
           filter == GL_NEAREST_MIPMAP_LINEAR || filter == GL_LINEAR_MIPMAP_LINEAR;
}

GLenum baseFilter(GLenum filter) {
    if (filter == GL_NEAREST_MIPMAP_NEAREST || filter == GL_NEAREST_MIPMAP_LINEAR) return GL_NEAREST;
    if (filter == GL_LINEAR_MIPMAP_NEAREST || filter == GL_LINEAR_MIPMAP_LINEAR) return GL_LINEAR;
    return filter;
}

WrapModes wrapModes(std::int32_t wrapCode) {
    const GLenum border = GL_ARB_texture_border_clamp_Flag ? GL_CLAMP_TO_BORDER_ARB : GL_CLAMP;
    const GLenum edge = GL_EXT_texture_edge_clamp_Flag ? GL_CLAMP_TO_EDGE : GL_CLAMP;
    switch (wrapCode) {
    case WrapClampS: return {GL_CLAMP, 0, 0};
    case WrapClampT: return {0, GL_CLAMP, 0};
    case WrapRepeatS: return {GL_REPEAT, 0, 0};
    case WrapRepeatT: return {0, GL_REPEAT, 0};
    case WrapClampBorderS: return {border, 0, 0};
    case WrapClampBorderT: return {0, border, 0};
    case WrapClampEdgeS: return {edge, 0, 0};
    case WrapClampEdgeT: return {0, edge, 0};
    case WrapClampST: return {GL_CLAMP, GL_CLAMP, 0};
    case WrapClampSTR: return {GL_CLAMP, GL_CLAMP, GL_CLAMP};
    case WrapClampSRepeatT: return {GL_CLAMP, GL_REPEAT, 0};
    case WrapRepeatSClampT: return {GL_REPEAT, GL_CLAMP, 0};
    case WrapRepeatST: return {GL_REPEAT, GL_REPEAT, 0};
    case WrapRepeatSTR: return {GL_REPEAT, GL_REPEAT, GL_REPEAT};
    case WrapClampBorderST: return {border, border, 0};
    case WrapClampBorderSTR: return {border, border, border};
    case WrapClampEdgeST: return {edge, edge, 0};
    case WrapClampEdgeSTR: return {edge, edge, edge};
    default: return {};
    }
}

}  // namespace qv3rn
