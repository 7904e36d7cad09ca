// loading_screen.h -- the loading picture, revealed tile by tile in random order as the loaders report progress.
#pragma once

#include <GL/gl.h>

#include <array>
#include <functional>

#include "shader/ref_counted.h"
#include "shader/texture.h"

namespace qv3rn {

class ImageRegistry;
class Random;

// One tile: where it is drawn on the virtual 640 x 480 screen and where it reads the picture, in pixels of the
// rectangle texture. An all-zero tile draws nothing.
struct LoadingTile {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float s = 0.0f;
    float t = 0.0f;

    bool operator==(const LoadingTile&) const = default;
};

// The picture is cut into a grid of columns x rows cells (17 x 9 = 153 of the 164 tiles; the other 11 stay
// zero), shuffled once, and every progress call lights one more tile (white) over the still dim ones (75 %
// grey). After the last tile further calls draw nothing.
class LoadingScreen {
public:
    static constexpr int tileCount = 164;
    static constexpr float screenWidth = 640.0f;
    static constexpr float screenHeight = 480.0f;
    static constexpr float dimGrey = 0.75f;

    using Tiles = std::array<LoadingTile, tileCount>;

    static constexpr const char* pictureName = "demo_loading.jpg";

    // The loading picture from `registry`: RGB, as a rectangle texture addressed in pixels (a 2D texture where
    // the driver has no rectangle textures). Null when it cannot be loaded.
    static Handle<Texture> loadPicture(ImageRegistry& registry);

    // The grid's size: whole parts of sqrt(164) x 4/3 and sqrt(164) x 0.75.
    static int columns();
    static int rows();
    // The tiles in row-major grid order, before the shuffle.
    static Tiles gridTiles();
    // Shuffles `tiles` in place: for i = 0 .. 163, j = i + (random number modulo (164 - i)), swap i and j.
    static void shuffle(Tiles& tiles, Random& random);

    // `present` shows the drawn frame (the window's buffer swap).
    explicit LoadingScreen(std::function<void()> present);

    // Lays out and shuffles the tiles with `random`, keeps `picture` (null: the tiles are drawn without it),
    // clears the screen and shows it.
    void setUp(Random& random, Handle<Texture> picture);
    // One progress step: lights the next tile and, when `show`, draws and shows the picture (a caller that
    // steps faster than the screen refreshes shows only some steps). False, drawing nothing, once every tile
    // is lit.
    bool drawProgress(bool show = true);

    // Gives the picture back (the registry drops it when nothing else holds it).
    Handle<Texture> takePicture();

    int progress() const { return progress_; }
    const Tiles& tiles() const { return tiles_; }

private:
    void draw() const;

    std::function<void()> present_;
    Tiles tiles_{};
    Handle<Texture> picture_;
    int progress_ = 0;
};

}  // namespace qv3rn
