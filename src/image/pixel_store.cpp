// pixel_store.cpp -- allocation, attachment and single-pixel access of the pixel store.
#include "image/pixel_store.h"

#include <utility>

namespace qv3rn {

std::size_t pixelStoreSize(int width, int height, ImageFormat format) {
    if (width < 0 || height < 0) return 0;
    if (isCompressed(format)) return compressedImageSize(format, width, height);
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
           static_cast<std::size_t>(qv3rn::bytesPerPixel(format));
}

bool PixelStore::allocate(int width, int height, ImageFormat format) {
    if (present_) return false;
    if (width < 0 || height < 0 || width > maxImageSide || height > maxImageSide) return false;
    bytes_.assign(pixelStoreSize(width, height, format), 0);
    width_ = width;
    height_ = height;
    format_ = format;
    bytesPerPixel_ = qv3rn::bytesPerPixel(format);
    present_ = true;
    return true;
}

bool PixelStore::attach(int width, int height, ImageFormat format, std::vector<std::uint8_t> bytes) {
    if (width < 0 || height < 0 || width > maxImageSide || height > maxImageSide) return false;
    const std::size_t needed = pixelStoreSize(width, height, format);
    if (bytes.size() < needed) return false;
    bytes.resize(needed);
    bytes_ = std::move(bytes);
    width_ = width;
    height_ = height;
    format_ = format;
    bytesPerPixel_ = qv3rn::bytesPerPixel(format);
    present_ = true;
    return true;
}

void PixelStore::clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    width_ = height_ = bytesPerPixel_ = 0;
    format_ = ImageFormat::Unknown;
    present_ = false;
}

int PixelStore::storedBytes(ImageFormat format) {
    switch (format) {
    case ImageFormat::Red:
    case ImageFormat::Green:
    case ImageFormat::Blue:
    case ImageFormat::Alpha:
    case ImageFormat::Luminance:
    case ImageFormat::Intensity: return 1;
    case ImageFormat::LuminanceAlpha: return 2;
    case ImageFormat::Rgb: return 3;
    case ImageFormat::Rgba: return 4;
    default: return 0;
    }
}

void PixelStore::setPixel(std::uint32_t value, int x, int y) {
    const int count = storedBytes(format_);
    if (count == 0 || x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* target = row(y) + static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel_);
    for (int i = 0; i < count; ++i) target[i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
}

std::uint32_t PixelStore::pixel(int x, int y) const {
    const int count = storedBytes(format_);
    if (count == 0 || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const std::uint8_t* source = row(y) + static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel_);
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | source[i];
    return value;
}

}  // namespace qv3rn
