// frame_renderer.cpp -- drawing the timeline's frames, reading them back and writing them as PNG files.
#include "effects/frame_renderer.h"

#include <GL/gl.h>
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "effects/effect_manager.h"

namespace qv3rn {

FrameRenderer::FrameRenderer(EffectManager& manager, int width, int height)
    : manager_(manager), width_(width), height_(height) {
    manager_.setSize(width, height);
    manager_.setViewport(0, 0, width, height);
}

std::vector<std::uint8_t> FrameRenderer::renderFrame() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    manager_.render();
    glFinish();

    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height_));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<std::uint8_t> topDown(bottomUp.size());
    for (int y = 0; y < height_; ++y)
        std::memcpy(&topDown[static_cast<std::size_t>(y) * row],
                    &bottomUp[static_cast<std::size_t>(height_ - 1 - y) * row], row);
    // The screen shows colour only; destination alpha is the effects' working store (brush strokes), not
    // transparency, so the frame is opaque.
    for (std::size_t alpha = 3; alpha < topDown.size(); alpha += 4) topDown[alpha] = 255;
    return topDown;
}

bool FrameRenderer::renderToPng(const std::string& path, std::string& error) {
    return writePngFile(path, width_, height_, renderFrame(), error);
}

namespace {

struct PngFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// libpng reports errors by longjmp; the message is kept for the caller.
void pngError(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    if (text) *text = message;
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

}  // namespace

bool writePngFile(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba,
                  std::string& error) {
    if (width <= 0 || height <= 0 ||
        rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
        error = "the frame's pixels do not match its size";
        return false;
    }
    std::unique_ptr<std::FILE, PngFileCloser> file(std::fopen(path.c_str(), "wb"));
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
    for (int y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] =
            const_cast<png_bytep>(&rgba[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4]);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "unable to write " + path + ": " + pngMessage;
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGBA,
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
