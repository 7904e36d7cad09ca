// font_atlas.cpp -- FreeType glyph rendering into pictures: the bitmap-font atlas and the TextFade text picture.
#include "generators/font_atlas.h"

#include <algorithm>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace qv3rn {

namespace {

FT_Library lib(void* p) { return static_cast<FT_Library>(p); }
FT_Face face(void* p) { return static_cast<FT_Face>(p); }

// Copies a rendered glyph bitmap into the picture's alpha (maximum with what is there), colour set to white.
void blitGlyph(Picture& target, const FT_Bitmap& bitmap, int left, int top) {
    for (unsigned row = 0; row < bitmap.rows; ++row)
        for (unsigned col = 0; col < bitmap.width; ++col) {
            const int x = left + static_cast<int>(col);
            const int y = top + static_cast<int>(row);
            if (x < 0 || y < 0 || x >= target.width || y >= target.height) continue;
            const std::uint8_t value = bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + col];
            std::uint8_t* px = target.at(x, y);
            px[0] = px[1] = px[2] = 255;
            px[3] = std::max(px[3], value);
        }
}

}  // namespace

FontFace::~FontFace() {
    if (face_) FT_Done_Face(face(face_));
    if (library_) FT_Done_FreeType(lib(library_));
}

bool FontFace::open(const std::string& path, std::string& error) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library)) {
        error = "unable to start FreeType";
        return false;
    }
    library_ = library;
    FT_Face opened = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &opened)) {
        error = "unable to read font " + path;
        return false;
    }
    face_ = opened;
    return true;
}

bool FontFace::setPixelSize(int pixels) { return face_ && FT_Set_Pixel_Sizes(face(face_), 0, pixels) == 0; }

int FontFace::drawText(Picture& target, const std::string& text, int x, int baselineY) {
    if (!face_) return x;
    FT_Face f = face(face_);
    for (unsigned char ch : text) {
        if (FT_Load_Char(f, ch, FT_LOAD_RENDER)) continue;
        blitGlyph(target, f->glyph->bitmap, x + f->glyph->bitmap_left, baselineY - f->glyph->bitmap_top);
        x += static_cast<int>(f->glyph->advance.x >> 6);
    }
    return x;
}

int FontFace::textWidth(const std::string& text) {
    if (!face_) return 0;
    FT_Face f = face(face_);
    int width = 0;
    for (unsigned char ch : text)
        if (!FT_Load_Char(f, ch, FT_LOAD_DEFAULT)) width += static_cast<int>(f->glyph->advance.x >> 6);
    return width;
}

void FontFace::drawCentred(Picture& target, char ch, int cellX, int cellY, int cellSize) {
    if (!face_) return;
    FT_Face f = face(face_);
    if (FT_Load_Char(f, static_cast<unsigned char>(ch), FT_LOAD_RENDER)) return;
    const FT_Bitmap& bitmap = f->glyph->bitmap;
    const int ascender = static_cast<int>(f->size->metrics.ascender >> 6);
    const int descender = static_cast<int>(-f->size->metrics.descender >> 6);
    const int baseline = cellY + (cellSize - (ascender + descender)) / 2 + ascender;
    const int left = cellX + (cellSize - static_cast<int>(bitmap.width)) / 2;
    // Clip to the cell so no glyph bleeds into its neighbour when sampled with linear filtering.
    Picture cell(cellSize, cellSize, 4);
    blitGlyph(cell, bitmap, left - cellX, baseline - f->glyph->bitmap_top - cellY);
    for (int y = 1; y < cellSize - 1; ++y)
        for (int x = 1; x < cellSize - 1; ++x) {
            const std::uint8_t* src = cell.at(x, y);
            std::uint8_t* dst = target.at(cellX + x, cellY + y);
            std::copy(src, src + 4, dst);
        }
}

bool makeFontAtlas(const std::string& fontPath, Picture& atlas, std::string& error) {
    FontFace font;
    if (!font.open(fontPath, error)) return false;
    font.setPixelSize(26);
    atlas = Picture(kFontAtlasSize, kFontAtlasSize, 4);
    const int perRow = kFontAtlasSize / kFontCellSize;
    for (int ch = kFontFirstChar; ch < 127; ++ch) {
        const int index = ch - kFontFirstChar;
        font.drawCentred(atlas, static_cast<char>(ch), (index % perRow) * kFontCellSize,
                         (index / perRow) * kFontCellSize, kFontCellSize);
    }
    return true;
}

void blurAlpha(Picture& picture, int radius, int passes) {
    if (picture.channels != 4 || radius < 1) return;
    std::vector<int> line(static_cast<size_t>(std::max(picture.width, picture.height)));
    for (int pass = 0; pass < passes; ++pass) {
        for (int axis = 0; axis < 2; ++axis) {
            const int length = axis == 0 ? picture.width : picture.height;
            const int lines = axis == 0 ? picture.height : picture.width;
            for (int l = 0; l < lines; ++l) {
                auto alpha = [&](int i) -> std::uint8_t& {
                    i = std::clamp(i, 0, length - 1);
                    return axis == 0 ? picture.at(i, l)[3] : picture.at(l, i)[3];
                };
                for (int i = 0; i < length; ++i) {
                    int sum = 0;
                    for (int k = -radius; k <= radius; ++k) sum += alpha(i + k);
                    line[static_cast<size_t>(i)] = sum / (2 * radius + 1);
                }
                for (int i = 0; i < length; ++i) alpha(i) = static_cast<std::uint8_t>(line[static_cast<size_t>(i)]);
            }
        }
    }
    for (size_t i = 0; i < picture.pixels.size(); i += 4) picture.pixels[i] = picture.pixels[i + 1] = picture.pixels[i + 2] = 255;
}

bool makeTextFadePicture(const std::string& fontPath, const std::string& text, Picture& picture, std::string& error) {
    FontFace font;
    if (!font.open(fontPath, error)) return false;
    int size = 64;
    font.setPixelSize(size);
    while (size > 8 && font.textWidth(text) > 236) font.setPixelSize(--size);
    const int x = (256 - font.textWidth(text)) / 2;
    Picture sharp(256, 128, 4);
    font.drawText(sharp, text, x, 64 + size / 3);
    Picture blurred = sharp;
    blurAlpha(blurred, 4, 3);
    picture = Picture(256, 256, 4);
    std::copy(sharp.pixels.begin(), sharp.pixels.end(), picture.pixels.begin());
    std::copy(blurred.pixels.begin(), blurred.pixels.end(), picture.pixels.begin() + static_cast<long>(sharp.pixels.size()));
    return true;
}

}  // namespace qv3rn
