// font_atlas.h -- renders text and the bitmap-font atlas (512 x 512, 32 x 32 cells, 16 per row, from "!") with FreeType.
#pragma once

#include <string>

#include "generators/picture.h"

namespace qv3rn {

class FontFace {
public:
    FontFace() = default;
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Opens a TrueType file; false with `error` naming the file when FreeType cannot read it.
    bool open(const std::string& path, std::string& error);
    // Sets the pixel height of the em square.
    bool setPixelSize(int pixels);

    // Draws `text` into the alpha of an RGBA picture (colour white), the baseline at `baselineY`, starting at `x`.
    // Returns the pen position after the last glyph.
    int drawText(Picture& target, const std::string& text, int x, int baselineY);
    // Width in pixels of `text` at the current size.
    int textWidth(const std::string& text);

    // Draws one character centred horizontally in the cell whose top-left corner is (cellX, cellY).
    void drawCentred(Picture& target, char ch, int cellX, int cellY, int cellSize);

private:
    void* library_ = nullptr;  // FT_Library
    void* face_ = nullptr;     // FT_Face
};

constexpr int kFontAtlasSize = 512;
constexpr int kFontCellSize = 32;
constexpr int kFontFirstChar = 33;  // "!" sits in the top-left cell

// The atlas: white glyphs in the alpha channel, characters 33..126 then 127.. (empty) in rows of 16.
bool makeFontAtlas(const std::string& fontPath, Picture& atlas, std::string& error);

// The TextFade picture (256 x 256 RGBA): `text` sharp in the upper half and blurred in the lower half.
bool makeTextFadePicture(const std::string& fontPath, const std::string& text, Picture& picture, std::string& error);

// Box blur of the alpha channel with the given radius, repeated `passes` times (edges clamp).
void blurAlpha(Picture& picture, int radius, int passes);

}  // namespace qv3rn
