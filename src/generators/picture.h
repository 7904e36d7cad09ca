// picture.h -- an 8-bit picture in memory (grey, RGB or RGBA, top row first) and the TGA, PNG and JPEG writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv3rn {

struct Picture {
    int width = 0;
    int height = 0;
    int channels = 3;  // 1 grey, 3 RGB, 4 RGBA
    std::vector<std::uint8_t> pixels;

    Picture() = default;
    Picture(int w, int h, int c) : width(w), height(h), channels(c), pixels(static_cast<size_t>(w) * h * c, 0) {}
    std::uint8_t* at(int x, int y) { return &pixels[(static_cast<size_t>(y) * width + x) * channels]; }
    const std::uint8_t* at(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * channels]; }
};

// Each writer returns false and fills `error` (naming the file) when the file cannot be written.
// TGA: uncompressed true colour, 24 or 32 bits, stored bottom row first (grey pictures are widened to 24 bits).
bool writeTga(const Picture& picture, const std::string& path, std::string& error);
// PNG: grey, RGB or RGBA, 8 bits per channel.
bool writePng(const Picture& picture, const std::string& path, std::string& error);
// JPEG: baseline, the given quality 1..100; grey pictures are written as grey, RGBA drops its alpha.
bool writeJpeg(const Picture& picture, const std::string& path, int quality, std::string& error);
// Picks the writer by the path's extension: "tga", "png", "jpg" or "jpeg".
bool writePicture(const Picture& picture, const std::string& path, std::string& error);

}  // namespace qv3rn
