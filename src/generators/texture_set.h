// texture_set.h -- the show's procedural textures: each one a named generator writing one picture file.
#pragma once

#include <string>
#include <vector>

#include "generators/picture.h"

namespace qv3rn {

struct TextureRecipe {
    const char* fileName;  // the file written, relative to the art folder; its extension picks the writer
    Picture (*make)();     // deterministic: the same picture on every run
};

// Every procedural texture of the show, in a fixed order.
const std::vector<TextureRecipe>& textureRecipes();

// Writes every recipe's picture into `folder`; on failure `error` names the file.
bool writeTextureSet(const std::string& folder, std::string& error);

// The pictures themselves, exposed for the tests.
Picture makeNoise(int size, unsigned seed);
Picture makePlasma(int size);
Picture makeSoftBrush(int size);                 // round soft stroke brush, grey in colour and alpha
Picture makeDissolveBrush(int size, unsigned seed);  // white, with cloudy alpha levels covering 0..255
Picture makeLensFlare(int index, int size);      // sprites 1..6
Picture makeAttenuation1D(int width);            // falls from white at 0 to black at the end
Picture makeSpotFace(int face, int size);        // cube-map face 0..5 (+X, -X, +Y, -Y, +Z, -Z); the cone looks down +Z,
                                                 // the way a spot light shines along its node's +Z
Picture makeBrickNormals(int size);              // tangent-space normals (0.5 n + 0.5) of rough bricks, tiling
Picture makeFireAndSmoke(int size);
Picture makeLoadingPicture();                    // 640 x 480

}  // namespace qv3rn
