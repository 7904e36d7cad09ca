// image_format.cpp -- the format table.
#include "image/image_format.h"

#include <array>

namespace qv3rn {

namespace {

// Indexed by format + 1. The internal formats differ from the pixel formats where OpenGL has no internal format
// of that name: a single colour channel is kept as RGB (GL_GREEN and GL_BLUE are pixel formats only, GL_RED an
// internal one only from OpenGL 3.0 on), BGR(A) pixels are kept as RGB(A), and GL_INTENSITY, an internal format
// only, reads its one byte per pixel as GL_LUMINANCE. Sampling gives what the names promise: (r, 0, 0, 1) for
// RED, (0, g, 0, 1) for GREEN and so on.
constexpr std::array<ImageFormatInfo, 17> formatTable = {{
    {"UNKNOWN", 0, 0, 0, false},
    {"RED", 1, GL_RED, GL_RGB8, false},
    {"GREEN", 1, GL_GREEN, GL_RGB8, false},
    {"BLUE", 1, GL_BLUE, GL_RGB8, false},
    {"ALPHA", 1, GL_ALPHA, GL_ALPHA, false},
    {"LUMINANCE", 1, GL_LUMINANCE, GL_LUMINANCE, false},
    {"", 0, 0, 0, false},
    {"INTENSITY", 1, GL_LUMINANCE, GL_INTENSITY, false},
    {"LUMINANCE_ALPHA", 2, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, false},
    {"RGB", 3, GL_RGB, GL_RGB8, false},
    {"RGBA", 4, GL_RGBA, GL_RGBA8, false},
    {"BGRA", 4, GL_BGRA_EXT, GL_RGBA8, false},
    {"BGR", 3, GL_BGR_EXT, GL_RGB8, false},
    {"COMPRESSED_RGBA_DXT1", 4, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, true},
    {"COMPRESSED_RGBA_DXT3", 4, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, true},
    {"COMPRESSED_RGBA_DXT5", 4, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, true},
    {"DEPTH_COMPONENT", 0, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT, false},
}};

constexpr int unnamedIndex = 5;

}  // namespace

const ImageFormatInfo& formatInfo(ImageFormat format) {
    int index = static_cast<int>(format);
    if (index < -1 || index > static_cast<int>(ImageFormat::DepthComponent)) index = unnamedIndex;
    return formatTable[static_cast<std::size_t>(index + 1)];
}

std::string_view formatName(ImageFormat format) { return formatInfo(format).name; }

bool isDecodableFormat(ImageFormat format) {
    int index = static_cast<int>(format);
    return index >= -1 && index <= static_cast<int>(ImageFormat::Rgba) && index != unnamedIndex;
}

std::size_t compressedImageSize(ImageFormat format, int width, int height) {
    if (!isCompressed(format) || width <= 0 || height <= 0) return 0;
    const std::size_t blockBytes = format == ImageFormat::CompressedRgbaDxt1 ? 8 : 16;
    return static_cast<std::size_t>((width + 3) / 4) * static_cast<std::size_t>((height + 3) / 4) * blockBytes;
}

}  // namespace qv3rn
