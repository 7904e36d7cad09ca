// image_decoder.cpp -- what all decoders share: the extension test, file reading and the 1D row.
#include "image/image_decoder.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace qv3rn {

bool ImageDecoder::handlesExtension(std::string_view path) const {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return false;
    return path.substr(dot + 1) == extension_;
}

bool ImageDecoder::fail(std::string reason) {
    lastError_ = std::move(reason);
    return false;
}

std::unique_ptr<PixelStore> ImageDecoder::decodeChecked(const std::uint8_t* bytes, std::size_t size,
                                                        ImageFormat format) {
    lastError_.clear();
    if (!isDecodableFormat(format)) {
        fail("format " + std::to_string(static_cast<int>(format)) + " cannot be decoded into");
        return nullptr;
    }
    if (bytes == nullptr || size == 0) {
        fail("the file is empty");
        return nullptr;
    }
    auto store = std::make_unique<PixelStore>();
    if (!decodeImage(bytes, size, format, *store)) {
        if (lastError_.empty()) lastError_ = "the image could not be decoded";
        return nullptr;
    }
    return store;
}

std::unique_ptr<PixelStore> ImageDecoder::decode2D(const std::uint8_t* bytes, std::size_t size, ImageFormat format) {
    return decodeChecked(bytes, size, format);
}

std::unique_ptr<PixelStore> ImageDecoder::decode1D(const std::uint8_t* bytes, std::size_t size, ImageFormat format) {
    std::unique_ptr<PixelStore> image = decodeChecked(bytes, size, format);
    if (!image) return nullptr;
    auto line = std::make_unique<PixelStore>();
    line->allocate(image->width(), 1, format);
    const int firstStoredRow = storesBottomRowFirst() ? image->height() - 1 : 0;
    if (image->rowBytes() > 0) std::memcpy(line->row(0), image->row(firstStoredRow), image->rowBytes());
    return line;
}

bool ImageDecoder::readFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return fail("cannot open " + path);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) return fail("cannot read " + path);
    return true;
}

std::unique_ptr<PixelStore> ImageDecoder::decode2DFromFile(const std::string& path, ImageFormat format) {
    std::string bytes;
    if (!readFile(path, bytes)) return nullptr;
    return decode2D(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), format);
}

std::unique_ptr<PixelStore> ImageDecoder::decode1DFromFile(const std::string& path, ImageFormat format) {
    std::string bytes;
    if (!readFile(path, bytes)) return nullptr;
    return decode1D(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), format);
}

}  // namespace qv3rn
