// image_samples.h -- image files the tests make themselves: TGA bytes by hand, PNG and JPEG through the libraries.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>  // Required for: FILE (jpeglib.h needs it declared first)
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace qv3rn::test {

using Bytes = std::vector<std::uint8_t>;

// ---- TGA --------------------------------------------------------------------------------------------------------

struct TgaLayout {
    std::uint8_t imageType = 2;
    std::uint8_t depth = 24;
    std::uint16_t width = 1;
    std::uint16_t height = 1;
    std::uint8_t colorMapType = 0;
    std::uint16_t colorMapLength = 0;
    std::uint8_t colorMapEntrySize = 0;
    std::uint8_t descriptor = 0;
    Bytes id{};        // the image id field
    Bytes colorMap{};  // written as given
    Bytes data{};      // pixel data as stored (bottom row first, blue-green-red(-alpha))
};

inline Bytes tgaFile(const TgaLayout& layout) {
    Bytes out = {static_cast<std::uint8_t>(layout.id.size()), layout.colorMapType, layout.imageType};
    auto put16 = [&out](std::uint16_t v) { out.insert(out.end(), {std::uint8_t(v & 0xFF), std::uint8_t(v >> 8)}); };
    put16(0);  // first colour-map index
    put16(layout.colorMapLength);
    out.push_back(layout.colorMapEntrySize);
    put16(0);  // x origin
    put16(0);  // y origin
    put16(layout.width);
    put16(layout.height);
    out.insert(out.end(), {layout.depth, layout.descriptor});
    for (const Bytes* part : {&layout.id, &layout.colorMap, &layout.data})
        out.insert(out.end(), part->begin(), part->end());
    return out;
}

// A picture given top row first as RGBA quadruples, stored the TGA way: bottom row first, BGR or BGRA.
inline Bytes tgaPixels(const Bytes& rgbaTopFirst, int width, int height, int depth) {
    Bytes out;
    for (int row = height - 1; row >= 0; --row)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgbaTopFirst[(static_cast<std::size_t>(row) * width + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0]});
            if (depth == 32) out.push_back(p[3]);
        }
    return out;
}

// ---- PNG --------------------------------------------------------------------------------------------------------

struct PngLayout {
    int width = 1;
    int height = 1;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette{};
    Bytes transparency{};       // tRNS alphas for palette entries
    std::vector<Bytes> rows{};  // raw rows in the file's own format, top row first
};

inline Bytes pngFile(const PngLayout& layout) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng could not write the test image");
    }
    png_set_write_fn(
        png, &out, [](png_structp writer, png_bytep data, png_size_t length) {
            auto* bytes = static_cast<Bytes*>(png_get_io_ptr(writer));
            bytes->insert(bytes->end(), data, data + length);
        },
        [](png_structp) {});
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, const_cast<png_colorp>(layout.palette.data()), static_cast<int>(layout.palette.size()));
    if (!layout.transparency.empty())
        png_set_tRNS(png, info, const_cast<png_bytep>(layout.transparency.data()),
                     static_cast<int>(layout.transparency.size()), nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const Bytes& row : layout.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ---- JPEG -------------------------------------------------------------------------------------------------------

// Encodes rows of RGB (components 3) or grey (components 1) bytes, top row first.
inline Bytes jpegFile(int width, int height, int components, const Bytes& pixels, bool progressive = false,
                      int quality = 100) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[static_cast<std::size_t>(info.next_scanline) * width * components]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

// A width x height picture of one colour, as rows of `components` bytes.
inline Bytes flatPixels(int width, int height, std::initializer_list<std::uint8_t> color) {
    Bytes out;
    for (int i = 0; i < width * height; ++i) out.insert(out.end(), color.begin(), color.end());
    return out;
}

}  // namespace qv3rn::test
