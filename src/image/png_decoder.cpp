// png_decoder.cpp -- libpng from a memory buffer, with its error jump kept apart from C++ objects.
#include "image/png_decoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>  // Required for: setjmp (libpng's error path)
#include <cstddef>
#include <cstdio>   // Required for: snprintf
#include <cstdlib>  // Required for: malloc, free (libpng's blocks)
#include <cstring>
#include <vector>

#include "core/input_limits.h"
#include "image/pixel_packing.h"

namespace qv3rn {

namespace {

// Ancillary chunks the decoder never uses; libpng skips them instead of reading (and inflating) them.
constexpr png_byte ignoredChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0iCCP\0eXIf\0";
constexpr int ignoredChunkCount = sizeof ignoredChunks / 5;  // four letters and a zero each

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
    std::size_t libraryBytes = 0;      // what libpng holds now
    std::size_t peakLibraryBytes = 0;  // the most it held at once
};

// libpng's allocations are counted, and refused beyond the reading allowance (libpng then fails the read).
// Each block carries its size in front of it.
constexpr std::size_t blockHeader = alignof(std::max_align_t);

png_voidp allocateForLibrary(png_structp png, png_alloc_size_t size) {
    auto* read = static_cast<PngRead*>(png_get_mem_ptr(png));
    if (size > readingAllowance - read->libraryBytes) return nullptr;
    auto* block = static_cast<std::uint8_t*>(std::malloc(size + blockHeader));
    if (!block) return nullptr;
    std::memcpy(block, &size, sizeof size);
    read->libraryBytes += size;
    read->peakLibraryBytes = std::max(read->peakLibraryBytes, read->libraryBytes);
    return block + blockHeader;
}

void freeForLibrary(png_structp png, png_voidp pointer) {
    if (!pointer) return;
    auto* block = static_cast<std::uint8_t*>(pointer) - blockHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    static_cast<PngRead*>(png_get_mem_ptr(png))->libraryBytes -= size;
    std::free(block);
}

// Walks the chunk list up to "IEND" or the end of the file: every chunk's claimed length must fit in what the file has left, so that
// libpng never allocates for data that is not there. Returns false with `error` set.
bool chunksFitTheFile(const std::uint8_t* bytes, std::size_t size, char (&error)[200]) {
    std::size_t at = 8;
    for (;;) {
        if (at == size) return true;  // no end chunk: libpng finds out whether the image data is whole
        if (size - at < 8) {
            std::snprintf(error, sizeof error, "the file ends inside its data");
            return false;
        }
        const std::size_t length = static_cast<std::size_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
                                   bytes[at + 2] << 8 | bytes[at + 3];
        char type[5] = {};
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t c = bytes[at + 4 + i];
            type[i] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ? static_cast<char>(c) : '?';
        }
        const std::size_t left = size - at - 8;  // the data and its checksum must fit here
        if (length > left || left - length < 4) {
            std::snprintf(error, sizeof error, "chunk \"%s\" claims %zu bytes but the file has %zu left", type, length,
                          left);
            return false;
        }
        at += length + 12;
        if (std::memcmp(type, "IEND", 4) == 0) return true;
    }
}

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
    png_set_chunk_malloc_max(png, readingAllowance);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, ignoredChunks, ignoredChunkCount);
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
    peakLibraryMemory_ = 0;
    if (!chunksFitTheFile(bytes, size, read.error)) return fail(std::string("PNG: ") + read.error);

    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &read, onError, onWarning, &read,
                                               allocateForLibrary, freeForLibrary);
    if (!png) return fail("libpng could not be set up");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return fail("libpng could not be set up");
    }
    const bool decoded = readPng(png, info, read);
    png_destroy_read_struct(&png, &info, nullptr);
    peakLibraryMemory_ = read.peakLibraryBytes;
    if (!decoded) {
        store.clear();
        return fail(std::string("PNG: ") + read.error);
    }
    return true;
}

}  // namespace qv3rn
