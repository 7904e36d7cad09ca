// cube_map_texture.h -- a cube map made of six 2D images, one per face.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "shader/texture_2d.h"

namespace qv3rn {

// The faces in the order +X, -X, +Y, -Y, +Z, -Z, with the suffixes their file names get.
inline constexpr std::array<const char*, 6> cubeMapFaceSuffixes = {"_pos_x", "_neg_x", "_pos_y",
                                                                   "_neg_y", "_pos_z", "_neg_z"};

// The file name of face `face` of the cube map `name`: the suffix goes before the first "." (sky.tga gives
// sky_pos_x.tga); a name without a "." gets the suffix at its end.
std::string cubeMapFaceName(std::string_view name, int face);

// The faces belong to the image registry; the cube map only points at them.
class CubeMapTexture : public Texture {
public:
    CubeMapTexture() : Texture(GL_TEXTURE_CUBE_MAP_ARB) {}

    // Base create, bind on unit 0, upload every face that has pixels to GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB + i
    // (mipmapped when the cube map's minifying filter is a mipmap filter), unbind.
    bool create() override;

    void setFace(int face, Texture2D* image);
    Texture2D* face(int face) const;

private:
    std::array<Texture2D*, 6> faces_ = {};
};

}  // namespace qv3rn
