// blocks_effect.h -- an image that assembles itself from tiles flying in from around a point, with its loader.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "effects/image_effect.h"

namespace qv3rn {

// The image (width x height, lower-left corner at (positionX, positionY) when the tiles are built) is cut into
// rows x cols tiles, row 0 at the top. Each tile starts k * distance away from its place along the direction
// from `position` to its first corner (k = 1 + a random 0..2, one draw per tile, row by row), turned by
// k * 360 degrees, and flies home at distance units and 360 degrees per second, so it lands after k seconds and
// stays. Drawn in the projection glOrtho(-256, 256, -256, 256, -256, 256) with normal blending; without an
// image nothing is drawn.
class BlocksEffect : public ImageEffect {
public:
    struct Vec3 {
        float x = 0.0f, y = 0.0f, z = 0.0f;
    };
    struct Tile {
        std::array<float, 8> texCoords{};  // (u, v) of the four corners
        std::array<Vec3, 4> corners{};     // where the corners are now
        std::array<Vec3, 4> home{};        // where they land
        Vec3 direction;                    // unit vector from `position` to the first corner's home
        Vec3 centre;                       // mean of the corners
        float angle = 0.0f;                // degrees
        float flightLeft = 0.0f;           // seconds until the tile is home
    };

    // The largest grid a block may ask for: rows and cols each, and their product.
    static constexpr int maxSide = 1024;
    static constexpr int maxTiles = 65536;

    BlocksEffect() : ImageEffect(EffectKind::Blocks) {}

    bool init() override;  // builds the tiles
    bool release() override;
    // The image update, then every tile still flying moves home by the time step.
    void update(float time) override;
    void render() override;

    const std::vector<Tile>& tiles() const { return tiles_; }

    int rows = 4;
    int cols = 4;
    Vec3 position;
    float distance = 1.0f;

private:
    std::vector<Tile> tiles_;
    float lastTime_ = 0.0f;
    bool started_ = false;
};

// "Blocks" blocks: every Image keyword, then "Rows ", "Cols ", "Position " (x y z), "Distance ". Any other
// line raises "BlocksEffect unknown token"; a row or column count outside 0..1024 (or more than 65536 tiles)
// raises "BlocksEffect grid size out of range: " and the line.
class BlocksEffectLoader : public EffectLoaderOf<BlocksEffect> {
public:
    BlocksEffectLoader();
};

}  // namespace qv3rn
