// jpeg_decoder.cpp -- libjpeg from a memory buffer, with a jump-based error manager.
#include "image/jpeg_decoder.h"

#include <csetjmp>  // Required for: setjmp, longjmp (libjpeg's error exit)
#include <cstdio>   // Required for: FILE (jpeglib.h needs it declared first)
#include <vector>

#include <jpeglib.h>
#include <jerror.h>  // after jpeglib.h: its message list depends on jconfig.h

#include "core/input_limits.h"
#include "image/pixel_packing.h"

namespace qv3rn {

namespace {

// Every 8 x 8 block of a picture takes at least one bit of the file (its DC code), so a header that claims more
// pixels than 512 per byte of the file is refused before anything is allocated for them.
constexpr std::size_t maxPixelsPerByte = 512;

// Everything the decode touches lives here, outside the function that holds the jump point.
struct JpegRead {
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    ImageFormat format = ImageFormat::Rgb;
    PixelStore* store = nullptr;
    std::vector<std::uint8_t> row;
};

JpegRead& readOf(j_common_ptr info) { return *static_cast<JpegRead*>(info->client_data); }

[[noreturn]] void onErrorExit(j_common_ptr info) {
    JpegRead& read = readOf(info);
    info->err->format_message(info, read.message);
    std::longjmp(read.jump, 1);
}

// Warnings that mean the picture would come out damaged end the decode; the others (unknown JFIF revision,
// stray bytes before a marker, an odd Adobe transform code) are harmless and pass.
void onMessage(j_common_ptr info, int level) {
    if (level != -1) return;  // trace messages
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
#if JPEG_LIB_VERSION >= 70 || defined(C_ARITH_CODING_SUPPORTED) || defined(D_ARITH_CODING_SUPPORTED)
    case JWRN_ARITH_BAD_CODE:
#endif
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION: onErrorExit(info);
    default: break;
    }
}

bool readJpeg(jpeg_decompress_struct& info, const std::uint8_t* bytes, std::size_t size, JpegRead& read) {
    if (setjmp(read.jump)) return false;

    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = static_cast<long>(readingAllowance);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        std::snprintf(read.message, sizeof read.message, "no JPEG image in the file");
        return false;
    }
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > maxImageSide ||
        info.image_height > maxImageSide) {
        std::snprintf(read.message, sizeof read.message, "unusable JPEG size %u x %u", info.image_width,
                      info.image_height);
        return false;
    }
    const std::size_t pixels = static_cast<std::size_t>(info.image_width) * info.image_height;
    if (pixels > size * maxPixelsPerByte) {
        std::snprintf(read.message, sizeof read.message, "the file is shorter than its %u x %u pixels need",
                      info.image_width, info.image_height);
        return false;
    }
    // libjpeg's working memory (a progressive image keeps all its coefficients, up to six bytes a pixel) may
    // grow with the picture, and no further: above it the decode fails cleanly.
    info.mem->max_memory_to_use = static_cast<long>(readingAllowance + 6 * pixels);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        std::snprintf(read.message, sizeof read.message, "unexpected JPEG layout after colour conversion");
        return false;
    }

    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    read.store->allocate(width, height, read.format);
    read.row.resize(static_cast<std::size_t>(width) * 3);
    JSAMPROW rows[1] = {read.row.data()};
    SourceLayout layout = rgbLayout;
    layout.redBlueLuminanceAlpha = true;
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        if (jpeg_read_scanlines(&info, rows, 1) != 1) {
            std::snprintf(read.message, sizeof read.message, "the JPEG data ends early");
            return false;
        }
        packRow(*read.store, y, read.row.data(), layout);
    }
    // Every row is in; what follows the last scan (normally just the end marker) is not needed.
    jpeg_abort_decompress(&info);
    return true;
}

}  // namespace

bool JpegDecoder::decodeImage(const std::uint8_t* bytes, std::size_t size, ImageFormat format, PixelStore& store) {
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return fail("not a JPEG file");

    JpegRead read;
    read.format = format;
    read.store = &store;
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&read.errors);
    info.client_data = &read;
    read.errors.error_exit = onErrorExit;
    read.errors.emit_message = onMessage;

    const bool decoded = readJpeg(info, bytes, size, read);
    jpeg_destroy_decompress(&info);
    if (!decoded) {
        store.clear();
        return fail(std::string("JPEG: ") + read.message);
    }
    return true;
}

}  // namespace qv3rn
