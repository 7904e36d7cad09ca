// The procedural textures: reproducible, tiling where they must, and with the ranges the effects rely on.
#include "generators/texture_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "generators/noise.h"

namespace qv3rn {
namespace {

TEST(ProceduralTextures, NoiseIsReproducibleSeededAndTiles) {
    EXPECT_EQ(makeNoise(64, 3u).pixels, makeNoise(64, 3u).pixels);
    EXPECT_NE(makeNoise(64, 3u).pixels, makeNoise(64, 4u).pixels);
    for (float x : {0.3f, 1.7f, 5.25f})
        for (float y : {0.1f, 2.9f}) {
            EXPECT_FLOAT_EQ(valueNoise(x, y, 4, 9u), valueNoise(x + 4.0f, y, 4, 9u));
            EXPECT_FLOAT_EQ(valueNoise(x, y, 4, 9u), valueNoise(x, y - 8.0f, 4, 9u));
            const float v = fractalNoise(x, y, 4, 5, 9u);
            EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << v;
        }
}

TEST(ProceduralTextures, BrushesAndFlaresSpanTheirRangesAndFadeToNothingAtTheirEdges) {
    const Picture dissolve = makeDissolveBrush(128, 61u);
    ASSERT_EQ(dissolve.channels, 4);
    std::uint8_t lo = 255, hi = 0;
    for (size_t i = 0; i < dissolve.pixels.size(); i += 4) {
        ASSERT_EQ(dissolve.pixels[i], 255);  // white: the revealed picture keeps its colours
        lo = std::min(lo, dissolve.pixels[i + 3]);
        hi = std::max(hi, dissolve.pixels[i + 3]);
    }
    EXPECT_EQ(lo, 0);  // every alpha level, so that a dissolve reveals all
    EXPECT_EQ(hi, 255);
    const Picture soft = makeSoftBrush(64);
    EXPECT_GT(soft.at(32, 32)[3], 240);
    EXPECT_EQ(soft.at(0, 0)[3] + soft.at(63, 32)[3], 0);
    for (int index = 1; index <= 6; ++index) {
        const Picture flare = makeLensFlare(index, 64);
        EXPECT_GT(*std::max_element(flare.pixels.begin(), flare.pixels.end()), 60) << "sprite " << index;
        for (int i = 0; i < 64; ++i)  // additive sprites must not show their square outline
            ASSERT_EQ(flare.at(i, 0)[0] + flare.at(0, i)[1] + flare.at(63, i)[2], 0) << "sprite " << index;
    }
}

TEST(ProceduralTextures, LightMapsFollowTheirShapes) {
    const Picture attenuation = makeAttenuation1D(256);
    ASSERT_EQ(attenuation.height, 1);
    EXPECT_EQ(attenuation.at(0, 0)[0], 255);
    EXPECT_EQ(attenuation.at(255, 0)[0], 0);
    for (int x = 1; x < 256; ++x) EXPECT_LE(attenuation.at(x, 0)[0], attenuation.at(x - 1, 0)[0]) << x;
    // The spot cone looks down -Z: the centre of that face is lit, the opposite face and the side faces' far
    // edges are dark.
    EXPECT_GT(makeSpotFace(5, 64).at(32, 32)[0], 240);
    EXPECT_EQ(makeSpotFace(4, 64).at(32, 32)[0], 0);
    EXPECT_EQ(makeSpotFace(0, 64).at(2, 32)[0], 0);
}

TEST(ProceduralTextures, RecipesHaveUniqueNamesTheDecodersKnow) {
    std::set<std::string> names, extensions;
    for (const TextureRecipe& recipe : textureRecipes()) {
        const std::string name = recipe.fileName;
        EXPECT_TRUE(names.insert(name).second) << name;
        extensions.insert(name.substr(name.rfind('.') + 1));
    }
    EXPECT_EQ(extensions, (std::set<std::string>{"jpg", "png", "tga"}));
    for (const char* required : {"demo_loading.jpg", "fireandsmoke.tga", "attenuation1d.png", "spotlight_pos_x.tga",
                                 "spotlight_neg_z.tga", "lensflare1.png", "lensflare6.png"})
        EXPECT_TRUE(names.count(required)) << required;
    const Picture loading = makeLoadingPicture();
    EXPECT_EQ(loading.width, 640);
    EXPECT_EQ(loading.height, 480);
}

}  // namespace
}  // namespace qv3rn
