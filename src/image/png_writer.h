// png_writer.h -- writing 8-bit grey, RGB or RGBA pixels as a PNG file (captured frames, generated pictures).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qv3rn {

// Writes `pixels` (width x height pixels of `channels` bytes: 1 grey, 3 RGB, 4 RGBA; top row first) as an 8-bit
// PNG file. False with `error` set (naming the file) when the file cannot be written or the pixels do not match
// the size.
bool writePngFile(const std::string& path, int width, int height, int channels, std::span<const std::uint8_t> pixels,
                  std::string& error);

}  // namespace qv3rn
