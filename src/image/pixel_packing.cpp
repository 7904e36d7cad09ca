// pixel_packing.cpp -- the packing table, per pixel and per row.
#include "image/pixel_packing.h"

namespace qv3rn {

std::uint32_t packPixel(ImageFormat format, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a,
                        bool hasAlpha, bool redBlueLuminanceAlpha) {
    const std::uint32_t alphaOrRed = hasAlpha ? a : r;
    switch (format) {
    case ImageFormat::Red: return r;
    case ImageFormat::Green: return g;
    case ImageFormat::Blue:
    case ImageFormat::Luminance:
    case ImageFormat::Intensity: return b;
    case ImageFormat::Alpha: return alphaOrRed;
    case ImageFormat::LuminanceAlpha:
        if (redBlueLuminanceAlpha) return static_cast<std::uint32_t>(r) << 8 | b;
        return static_cast<std::uint32_t>(b) << 8 | alphaOrRed;
    case ImageFormat::Rgb: return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 | b;
    case ImageFormat::Rgba:
        return static_cast<std::uint32_t>(r) << 24 | static_cast<std::uint32_t>(g) << 16 |
               static_cast<std::uint32_t>(b) << 8 | (hasAlpha ? a : 255u);
    default: return 0;
    }
}

namespace {

// One channel per pixel, taken from byte `offset` of each source pixel.
void copyChannel(std::uint8_t* out, const std::uint8_t* in, int width, int stride, int offset) {
    in += offset;
    for (int x = 0; x < width; ++x, in += stride) out[x] = *in;
}

}  // namespace

void packRow(PixelStore& store, int y, const std::uint8_t* source, const SourceLayout& layout) {
    const int width = store.width();
    if (y < 0 || y >= store.height() || width == 0) return;
    std::uint8_t* out = store.row(y);
    const int stride = layout.stride;
    const bool hasAlpha = layout.alpha >= 0;
    const int alphaOrRed = hasAlpha ? layout.alpha : layout.red;

    switch (store.format()) {
    case ImageFormat::Red: copyChannel(out, source, width, stride, layout.red); break;
    case ImageFormat::Green: copyChannel(out, source, width, stride, layout.green); break;
    case ImageFormat::Blue:
    case ImageFormat::Luminance:
    case ImageFormat::Intensity: copyChannel(out, source, width, stride, layout.blue); break;
    case ImageFormat::Alpha: copyChannel(out, source, width, stride, alphaOrRed); break;
    case ImageFormat::LuminanceAlpha: {
        const int high = layout.redBlueLuminanceAlpha ? layout.red : layout.blue;
        const int low = layout.redBlueLuminanceAlpha ? layout.blue : alphaOrRed;
        for (int x = 0; x < width; ++x, source += stride, out += 2) {
            out[0] = source[high];
            out[1] = source[low];
        }
        break;
    }
    case ImageFormat::Rgb:
        for (int x = 0; x < width; ++x, source += stride, out += 3) {
            out[0] = source[layout.red];
            out[1] = source[layout.green];
            out[2] = source[layout.blue];
        }
        break;
    case ImageFormat::Rgba:
        for (int x = 0; x < width; ++x, source += stride, out += 4) {
            out[0] = source[layout.red];
            out[1] = source[layout.green];
            out[2] = source[layout.blue];
            out[3] = hasAlpha ? source[layout.alpha] : 255;
        }
        break;
    default: break;  // UNKNOWN keeps no bytes; the other formats are never decoded into
    }
}

}  // namespace qv3rn
