// png_decoder.cpp -- libpng from a memory buffer, with its error jump kept apart from C++ objects.
#include "image/png_decoder.h"

#include <png.h>

#include <csetjmp>  // Required for: setjmp (libpng's error path)
#include <cstdio>   // Required for: snprintf
#include <cstring>
#include <vector>

#include "image/pixel_packing.h"

namespace qv3rn {

namespace {

// Deflate never packs more than about 1032 bytes into one; a header that claims more pixels than that ratio
// allows for the bytes left is refused before its pixels are allocated.
constexpr std::size_t maxDeflateRatio = 1040;

// Everything the read touches lives here, outside the function that holds the jump point, so that a longjmp
// out of libpng skips no destructor and finds every value in memory.
struct PngRead {
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    ImageFormat format = ImageFormat::Rgb;
    PixelStore* store = nullptr;
    std::vector<std::uint8_t> rows;  // one row, or the whole picture for interlaced images
    char error[200] = {};
};

void readFromMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* read = static_cast<PngRead*>(png_get_io_ptr(png));
    if (length > read->size - read->position) png_error(png, "the file ends inside its data");
    std::memcpy(data, read->bytes + read->position, length);
    read->position += length;
}

void onError(png_structp png, png_const_charp message) {
    auto* read = static_cast<PngRead*>(png_get_error_ptr(png));
    std::snprintf(read->error, sizeof read->error, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}  // benign problems (ancillary chunk CRCs, extra data) pass

// Returns false with read.error set; no C++ object is created between setjmp and the end of the function.
bool readPng(png_structp png, png_infop info, PngRead& read) {
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_read_fn(png, &read, readFromMemory);
    png_set_user_limits(png, maxImageSide, maxImageSide);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);

    const std::size_t storedRow = png_get_rowbytes(png, info) + 1;  // the filter byte
    if (static_cast<std::size_t>(height) * storedRow > (read.size - read.position) * maxDeflateRatio + 1024) {
        std::snprintf(read.error, sizeof read.error, "the file is shorter than its %u x %u pixels need",
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
        return false;
    }

    if (colorType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_expand(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    const int channels = png_get_channels(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    if (bitDepth != 8 || (channels != 3 && channels != 4) ||
        rowBytes != static_cast<std::size_t>(width) * static_cast<std::size_t>(channels)) {
        std::snprintf(read.error, sizeof read.error, "unexpected PNG layout after expansion");
        return false;
    }

    read.store->allocate(static_cast<int>(width), static_cast<int>(height), read.format);
    const SourceLayout& layout = channels == 4 ? rgbaLayout : rgbLayout;
    if (passes == 1) {
        read.rows.resize(rowBytes);
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, read.rows.data(), nullptr);
            packRow(*read.store, static_cast<int>(y), read.rows.data(), layout);
        }
    } else {
        read.rows.resize(rowBytes * height);
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, read.rows.data() + y * rowBytes, nullptr);
        for (png_uint_32 y = 0; y < height; ++y)
            packRow(*read.store, static_cast<int>(y), read.rows.data() + y * rowBytes, layout);
    }
    return true;
}

}  // namespace

bool PngDecoder::decodeImage(const std::uint8_t* bytes, std::size_t size, ImageFormat format, PixelStore& store) {
    if (size < 8 || png_sig_cmp(bytes, 0, 8) != 0) return fail("not a PNG file");

    PngRead read;
    read.bytes = bytes;
    read.size = size;
    read.format = format;
    read.store = &store;

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, onError, onWarning);
    if (!png) return fail("libpng could not be set up");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return fail("libpng could not be set up");
    }
    const bool decoded = readPng(png, info, read);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!decoded) {
        store.clear();
        return fail(std::string("PNG: ") + read.error);
    }
    return true;
}

}  // namespace qv3rn
