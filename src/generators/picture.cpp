// picture.cpp -- writes pictures as TGA (our own encoder), PNG (libpng) and JPEG (libjpeg).
#include "generators/picture.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>
#include "image/png_writer.h"  // Required for: writePngFile

namespace qv3rn {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File openForWriting(const std::string& path, std::string& error) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) error = "unable to write " + path;
    return file;
}

bool validPicture(const Picture& picture, const std::string& path, std::string& error) {
    const bool ok = picture.width > 0 && picture.height > 0 && picture.width <= 65535 && picture.height <= 65535 &&
                    (picture.channels == 1 || picture.channels == 3 || picture.channels == 4) &&
                    picture.pixels.size() == static_cast<size_t>(picture.width) * picture.height * picture.channels;
    if (!ok) error = "invalid picture for " + path;
    return ok;
}

std::string extensionOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

}  // namespace

bool writeTga(const Picture& picture, const std::string& path, std::string& error) {
    if (!validPicture(picture, path, error)) return false;
    File file = openForWriting(path, error);
    if (!file) return false;
    const int depth = picture.channels == 4 ? 32 : 24;
    std::uint8_t header[18] = {};
    header[2] = 2;  // uncompressed true colour
    header[12] = static_cast<std::uint8_t>(picture.width & 0xFF);
    header[13] = static_cast<std::uint8_t>(picture.width >> 8);
    header[14] = static_cast<std::uint8_t>(picture.height & 0xFF);
    header[15] = static_cast<std::uint8_t>(picture.height >> 8);
    header[16] = static_cast<std::uint8_t>(depth);
    header[17] = depth == 32 ? 8 : 0;  // alpha bits; origin bottom-left
    std::vector<std::uint8_t> row(static_cast<size_t>(picture.width) * (depth / 8));
    bool ok = std::fwrite(header, sizeof header, 1, file.get()) == 1;
    for (int y = picture.height - 1; ok && y >= 0; --y) {
        std::uint8_t* out = row.data();
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = picture.at(x, y);
            const std::uint8_t r = p[0];
            const std::uint8_t g = picture.channels == 1 ? p[0] : p[1];
            const std::uint8_t b = picture.channels == 1 ? p[0] : p[2];
            *out++ = b;
            *out++ = g;
            *out++ = r;
            if (depth == 32) *out++ = p[3];
        }
        ok = std::fwrite(row.data(), row.size(), 1, file.get()) == 1;
    }
    if (!ok) error = "unable to write " + path;
    return ok;
}

bool writePng(const Picture& picture, const std::string& path, std::string& error) {
    if (!validPicture(picture, path, error)) return false;
    return writePngFile(path, picture.width, picture.height, picture.channels, picture.pixels, error);
}

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

}  // namespace

namespace {

// Everything the compressor touches lives in this record, so nothing local is live across the error jump.
struct JpegJob {
    const Picture* picture;
    FILE* file;
    int quality;
    int channels;
    std::vector<std::uint8_t> row;
};

bool compressJpeg(JpegJob& job) {
    jpeg_compress_struct info{};
    JpegError jpegError{};
    info.err = jpeg_std_error(&jpegError.manager);
    jpegError.manager.error_exit = jpegErrorExit;
    if (setjmp(jpegError.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, job.file);
    info.image_width = static_cast<JDIMENSION>(job.picture->width);
    info.image_height = static_cast<JDIMENSION>(job.picture->height);
    info.input_components = job.channels;
    info.in_color_space = job.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, job.quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < job.picture->width; ++x)
            for (int c = 0; c < job.channels; ++c)
                job.row[static_cast<size_t>(x) * job.channels + c] = job.picture->at(x, y)[c];
        JSAMPROW rows[1] = {job.row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool writeJpeg(const Picture& picture, const std::string& path, int quality, std::string& error) {
    if (!validPicture(picture, path, error)) return false;
    File file = openForWriting(path, error);
    if (!file) return false;
    JpegJob job{&picture, file.get(), quality < 1 ? 1 : quality > 100 ? 100 : quality, picture.channels == 1 ? 1 : 3, {}};
    job.row.resize(static_cast<size_t>(picture.width) * job.channels);
    if (!compressJpeg(job)) {
        error = "unable to write " + path;
        return false;
    }
    return true;
}

bool writePicture(const Picture& picture, const std::string& path, std::string& error) {
    const std::string extension = extensionOf(path);
    if (extension == "tga") return writeTga(picture, path, error);
    if (extension == "png") return writePng(picture, path, error);
    if (extension == "jpg" || extension == "jpeg") return writeJpeg(picture, path, 90, error);
    error = "unknown picture extension in " + path + " (tga, png, jpg or jpeg)";
    return false;
}

}  // namespace qv3rn
