// png_writer.cpp -- the PNG writer on libpng, with libpng's errors turned into messages.
#include "image/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>  // Required for: strerror
#include <memory>
#include <vector>

namespace qv3rn {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// libpng reports errors by longjmp; the message is kept for the caller.
void pngError(png_structp png, png_const_charp message) {
    if (auto* text = static_cast<std::string*>(png_get_error_ptr(png))) *text = message;
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

int colourType(int channels) {
    switch (channels) {
        case 1: return PNG_COLOR_TYPE_GRAY;
        case 3: return PNG_COLOR_TYPE_RGB;
        case 4: return PNG_COLOR_TYPE_RGB_ALPHA;
        default: return -1;
    }
}

}  // namespace

bool writePngFile(const std::string& path, int width, int height, int channels, std::span<const std::uint8_t> pixels,
                  std::string& error) {
    const std::size_t rowBytes = static_cast<std::size_t>(width > 0 ? width : 0) * static_cast<std::size_t>(channels > 0 ? channels : 0);
    if (width <= 0 || height <= 0 || colourType(channels) < 0 ||
        pixels.size() != rowBytes * static_cast<std::size_t>(height)) {
        error = path + ": the pixels do not match the picture's size";
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "unable to write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string pngMessage;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &pngMessage, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        error = "unable to write " + path + ": out of memory";
        return false;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = const_cast<png_bytep>(&pixels[y * rowBytes]);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "unable to write " + path + ": " + pngMessage;
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colourType(channels),
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) {
        error = "unable to write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace qv3rn
