// blocks_effect.cpp -- the assembling image: tile set-up with its random flight lengths, flight home, drawing.
#include "effects/blocks_effect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "math/random.h"

namespace qv3rn {

namespace {

using Vec3 = BlocksEffect::Vec3;

constexpr OrthoBounds blocksSpace{-256.0, 256.0, -256.0, 256.0, -256.0, 256.0};

// The unit vector along `v`; the zero vector stays zero (a tile whose corner lies on the point stays home).
Vec3 normalised(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0f)) return {};
    return {v.x / length, v.y / length, v.z / length};
}

void placeCorners(BlocksEffect::Tile& tile, float away) {
    for (std::size_t i = 0; i < tile.corners.size(); ++i)
        tile.corners[i] = {tile.home[i].x + away * tile.direction.x, tile.home[i].y + away * tile.direction.y,
                           tile.home[i].z + away * tile.direction.z};
    Vec3 sum;
    for (const Vec3& corner : tile.corners) {
        sum.x += corner.x;
        sum.y += corner.y;
        sum.z += corner.z;
    }
    tile.centre = {sum.x * 0.25f, sum.y * 0.25f, sum.z * 0.25f};
}

}  // namespace

bool BlocksEffect::init() {
    tiles_.clear();
    started_ = false;
    if (rows <= 0 || cols <= 0) return true;
    tiles_.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    const float w = width / static_cast<float>(cols), h = height / static_cast<float>(rows);
    const float du = (texRight - texLeft) / static_cast<float>(cols);
    const float dv = (texBottom - texTop) / static_cast<float>(rows);
    for (int r = 0; r < rows; ++r) {
        for (int j = 0; j < cols; ++j) {
            const float y = positionY.value + height - static_cast<float>(r + 1) * h;
            const float x = positionX.value + static_cast<float>(j) * w;
            const float ul = texLeft + static_cast<float>(j) * du, ur = ul + du;
            const float vt = texTop + static_cast<float>(r) * dv, vb = vt + dv;
            Tile tile;
            tile.texCoords = {ur, vt, ul, vt, ul, vb, ur, vb};
            tile.home = {Vec3{x + w, y + h, 0.0f}, Vec3{x, y + h, 0.0f}, Vec3{x, y, 0.0f}, Vec3{x + w, y, 0.0f}};
            tile.direction = normalised(
                {tile.home[0].x - position.x, tile.home[0].y - position.y, tile.home[0].z - position.z});
            const float k = 1.0f + static_cast<float>(nextRandom()) * 6.103702e-5f;
            placeCorners(tile, k * distance);
            tile.angle = k * 360.0f;
            tile.flightLeft = k;
            tiles_.push_back(tile);
        }
    }
    return true;
}

bool BlocksEffect::release() {
    tiles_.clear();
    return ImageEffect::release();
}

void BlocksEffect::update(float time) {
    ImageEffect::update(time);
    if (!started_) {
        lastTime_ = time - 0.001f;
        started_ = true;
    }
    const float dt = std::max(time - lastTime_, 0.0f);
    lastTime_ = time;
    for (Tile& tile : tiles_) {
        if (!(tile.flightLeft > 0.0f)) continue;
        // Landing is decided by the flight time left, so a tile lands after k seconds whichever way it flies
        // (also within the screen's plane) and stops exactly on its place.
        tile.flightLeft = std::max(tile.flightLeft - dt, 0.0f);
        tile.angle = std::max(tile.angle - dt * 360.0f, 0.0f);
        if (tile.flightLeft == 0.0f) tile.angle = 0.0f;
        placeCorners(tile, tile.flightLeft * distance);
    }
}

void BlocksEffect::render() {
    Texture* texture = image();
    if (!texture) return;
    OverlayFrame frame(blocksSpace);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (!texture->bind(GL_TEXTURE0)) return;
    for (const Tile& tile : tiles_) {
        glPushMatrix();
        glTranslatef(tile.centre.x, tile.centre.y, tile.centre.z);
        glRotatef(tile.angle, 0.0f, 0.0f, 1.0f);
        glTranslatef(-tile.centre.x, -tile.centre.y, -tile.centre.z);
        glBegin(GL_QUADS);
        glNormal3f(0.0f, 0.0f, 1.0f);
        for (std::size_t i = 0; i < tile.corners.size(); ++i) {
            glTexCoord2f(tile.texCoords[2 * i], tile.texCoords[2 * i + 1]);
            glVertex3f(tile.corners[i].x, tile.corners[i].y, tile.corners[i].z);
        }
        glEnd();
        glPopMatrix();
    }
    texture->unbind(GL_TEXTURE0);
}

namespace {

// A grid side is read like any integer and then checked with the other side.
void readSide(int BlocksEffect::*side, BlocksEffect& blocks, BlockLine& line) {
    scanInteger(line.text, blocks.*side);
    const auto inRange = [](int count) { return count >= 0 && count <= BlocksEffect::maxSide; };
    if (!inRange(blocks.rows) || !inRange(blocks.cols) || blocks.rows * blocks.cols > BlocksEffect::maxTiles)
        throw std::runtime_error("BlocksEffect grid size out of range: " + line.text);
}

KeywordTable<BlocksEffect> blocksGrammar() {
    return effectGrammar<BlocksEffect>(
        imageEffectRows(),
        {
            {"Rows ", [](BlocksEffect& b, BlockLine& l) { readSide(&BlocksEffect::rows, b, l); }},
            {"Cols ", [](BlocksEffect& b, BlockLine& l) { readSide(&BlocksEffect::cols, b, l); }},
            {"Position ",
             [](BlocksEffect& b, BlockLine& l) {
                 FloatSlots slots;
                 for (float* axis : {&b.position.x, &b.position.y, &b.position.z}) slots.add(*axis);
                 scanFloats(l.text, slots);
             }},
            floats("Distance ", &BlocksEffect::distance),
        });
}

}  // namespace

BlocksEffectLoader::BlocksEffectLoader()
    : EffectLoaderOf("Blocks", blocksGrammar(), UnknownLine::raise("BlocksEffect unknown token")) {}

std::unique_ptr<EffectLoader> makeBlocksLoader() { return std::make_unique<BlocksEffectLoader>(); }

}  // namespace qv3rn
