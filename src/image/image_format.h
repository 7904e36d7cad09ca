// image_format.h -- the pixel formats of images: script names, bytes per pixel and the OpenGL formats they upload as.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <string_view>

namespace qv3rn {

// The format index an image is kept in; the numbers are those of the shader script and must not change.
enum class ImageFormat : std::int32_t {
    Unknown = -1,
    Red = 0,
    Green = 1,
    Blue = 2,
    Alpha = 3,
    Luminance = 4,
    // 5 has no name and no pixels
    Intensity = 6,
    LuminanceAlpha = 7,
    Rgb = 8,
    Rgba = 9,
    Bgra = 10,
    Bgr = 11,
    CompressedRgbaDxt1 = 12,
    CompressedRgbaDxt3 = 13,
    CompressedRgbaDxt5 = 14,
    DepthComponent = 15,
};

struct ImageFormatInfo {
    const char* name;       // the script name; "" for the unnamed index 5 and for out-of-range values
    int bytesPerPixel;      // bytes one pixel takes in the pixel store (compressed formats count 4)
    GLenum pixelFormat;     // what glTexImage reads from the store; 0 when nothing can be uploaded
    GLenum internalFormat;  // what the texture is kept as on the driver; 0 when nothing can be uploaded
    bool compressed;        // S3TC blocks: uploaded with glCompressedTexImage2DARB, never rescaled
};

// The row of the format table for `format`; any value outside -1..15 gets the empty row of index 5.
const ImageFormatInfo& formatInfo(ImageFormat format);

inline int bytesPerPixel(ImageFormat format) { return formatInfo(format).bytesPerPixel; }
inline bool isCompressed(ImageFormat format) { return formatInfo(format).compressed; }
std::string_view formatName(ImageFormat format);

// Formats a decoder can fill: UNKNOWN and the single-channel, luminance-alpha, RGB and RGBA formats.
bool isDecodableFormat(ImageFormat format);

// Bytes one mip level of an S3TC image takes: whole 4 x 4 blocks of 8 bytes (DXT1) or 16 bytes (DXT3, DXT5).
// 0 for uncompressed formats.
std::size_t compressedImageSize(ImageFormat format, int width, int height);

}  // namespace qv3rn
