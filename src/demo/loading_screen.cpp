// loading_screen.cpp -- the tile grid, its shuffle, and drawing the loading picture one more tile at a time.
#include "demo/loading_screen.h"

#include <GL/glext.h>

#include <cmath>
#include <utility>

#include "math/random.h"
#include "shader/image_registry.h"

namespace qv3rn {

namespace {

// Both matrices replaced by the virtual screen's projection while it lives.
class ScreenMatrices {
public:
    ScreenMatrices() {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0.0, LoadingScreen::screenWidth, 0.0, LoadingScreen::screenHeight, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    }
    ~ScreenMatrices() {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
    ScreenMatrices(const ScreenMatrices&) = delete;
    ScreenMatrices& operator=(const ScreenMatrices&) = delete;
};

void clearScreen() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }

}  // namespace

Handle<Texture> LoadingScreen::loadPicture(ImageRegistry& registry) {
    return registry.load(pictureName, ImageFormat::Rgb, GL_TEXTURE_RECTANGLE_ARB);
}

int LoadingScreen::columns() { return static_cast<int>(std::sqrt(static_cast<double>(tileCount)) * 4.0 / 3.0); }

int LoadingScreen::rows() { return static_cast<int>(std::sqrt(static_cast<double>(tileCount)) * 0.75); }

LoadingScreen::Tiles LoadingScreen::gridTiles() {
    Tiles tiles{};
    const int columnCount = columns();
    const int rowCount = rows();
    const float cellWidth = screenWidth / static_cast<float>(columnCount);
    const float cellHeight = screenHeight / static_cast<float>(rowCount);
    for (int row = 0; row < rowCount; ++row) {
        for (int column = 0; column < columnCount; ++column) {
            const int index = row * columnCount + column;
            if (index >= tileCount) return tiles;
            LoadingTile& tile = tiles[static_cast<std::size_t>(index)];
            tile.x = static_cast<float>(column) * cellWidth;
            tile.y = static_cast<float>(row) * cellHeight;
            tile.width = cellWidth;
            tile.height = cellHeight;
            tile.s = tile.x;
            tile.t = screenHeight - tile.y;
        }
    }
    return tiles;
}

void LoadingScreen::shuffle(Tiles& tiles, Random& random) {
    for (int i = 0; i < tileCount; ++i) {
        const int j = i + random.next() % (tileCount - i);
        if (j != i) std::swap(tiles[static_cast<std::size_t>(i)], tiles[static_cast<std::size_t>(j)]);
    }
}

LoadingScreen::LoadingScreen(std::function<void()> present) : present_(std::move(present)) {}

void LoadingScreen::setUp(Random& random, Handle<Texture> picture) {
    tiles_ = gridTiles();
    shuffle(tiles_, random);
    picture_ = std::move(picture);
    progress_ = 0;

    clearScreen();
    {
        ScreenMatrices screen;
        glColor3f(1.0f, 1.0f, 1.0f);
    }
    if (present_) present_();
}

bool LoadingScreen::drawProgress(bool show) {
    if (progress_ >= tileCount) return false;
    ++progress_;
    if (!show) return true;
    draw();
    if (present_) present_();
    return true;
}

Handle<Texture> LoadingScreen::takePicture() { return std::move(picture_); }

void LoadingScreen::draw() const {
    clearScreen();
    ScreenMatrices screen;

    // The state is given back as it was found: the loading screen runs inside the loaders, between the
    // default state and the first frame. Culling is off so that the tiles show whichever way they are wound.
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    Texture* picture = picture_.get();
    const bool bound = picture && picture->bind(GL_TEXTURE0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // Rectangle textures are addressed in pixels; a picture that had to become a 2D texture in 0 .. 1.
    const bool normalised = bound && picture->target() != GL_TEXTURE_RECTANGLE_ARB;
    const float sScale = normalised ? 1.0f / screenWidth : 1.0f;
    const float tScale = normalised ? 1.0f / screenHeight : 1.0f;
    glBegin(GL_QUADS);
    for (int i = 0; i < tileCount; ++i) {
        const LoadingTile& tile = tiles_[static_cast<std::size_t>(i)];
        if (i < progress_) glColor3f(1.0f, 1.0f, 1.0f);
        else glColor3f(dimGrey, dimGrey, dimGrey);
        const float s0 = tile.s * sScale, s1 = (tile.s + tile.width) * sScale;
        const float t0 = tile.t * tScale, t1 = (tile.t - tile.height) * tScale;
        glTexCoord2f(s1, t1);
        glVertex2f(tile.x + tile.width, tile.y + tile.height);
        glTexCoord2f(s0, t1);
        glVertex2f(tile.x, tile.y + tile.height);
        glTexCoord2f(s0, t0);
        glVertex2f(tile.x, tile.y);
        glTexCoord2f(s1, t0);
        glVertex2f(tile.x + tile.width, tile.y);
    }
    glEnd();

    glDisable(GL_BLEND);
    if (bound) picture->unbind(GL_TEXTURE0);
    glPopAttrib();
    glFlush();
}

}  // namespace qv3rn
