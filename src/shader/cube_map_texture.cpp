// cube_map_texture.cpp -- face names and the upload of the six faces.
#include "shader/cube_map_texture.h"

namespace qv3rn {

std::string cubeMapFaceName(std::string_view name, int face) {
    if (face < 0 || face >= 6) return std::string(name);
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos) return std::string(name) + cubeMapFaceSuffixes[face];
    return std::string(name.substr(0, dot)) + cubeMapFaceSuffixes[face] + std::string(name.substr(dot));
}

void CubeMapTexture::setFace(int face, Texture2D* image) {
    if (face >= 0 && face < 6) faces_[face] = image;
}

Texture2D* CubeMapTexture::face(int face) const { return face >= 0 && face < 6 ? faces_[face] : nullptr; }

bool CubeMapTexture::create() {
    if (!Texture::create()) return false;
    bind(GL_TEXTURE0);
    const bool mipmaps = isMipmapFilter(params_.minFilter);
    for (int i = 0; i < 6; ++i)
        if (faces_[i]) faces_[i]->uploadPixels(GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB + i, mipmaps);
    unbind(GL_TEXTURE0);
    return true;
}

}  // namespace qv3rn
