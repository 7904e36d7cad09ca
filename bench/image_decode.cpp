// Benchmark: decoding 1024 x 1024 TGA, PNG and JPEG images into a texture's pixel store, against the bare
// decode of the same file into a plain buffer in the same run. The difference is the engine's packing (and,
// for TGA, its header checks): it must not cost more than the decode itself.
#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>  // Required for: FILE (jpeglib.h needs it declared first)
#include <vector>

#include <jpeglib.h>

#include "../tests/image/image_samples.h"
#include "image/jpeg_decoder.h"
#include "image/png_decoder.h"
#include "image/tga_decoder.h"
#include "shader/texture_2d.h"

namespace {

using qv3rn::test::Bytes;
constexpr int side = 1024;

// A smooth picture with some texture, so that PNG and JPEG compress it as they would a real one.
Bytes picture(int channels) {
    Bytes pixels(static_cast<std::size_t>(side) * side * channels);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * side + x) * channels];
            p[0] = static_cast<std::uint8_t>(x / 4);
            p[1] = static_cast<std::uint8_t>(y / 4);
            p[2] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
            if (channels == 4) p[3] = static_cast<std::uint8_t>((x + y) / 8);
        }
    return pixels;
}

const Bytes& tgaFile() {
    static const Bytes file = [] {
        qv3rn::test::TgaLayout layout;
        layout.width = side;
        layout.height = side;
        layout.depth = 32;
        layout.data = qv3rn::test::tgaPixels(picture(4), side, side, 32);
        return qv3rn::test::tgaFile(layout);
    }();
    return file;
}

const Bytes& pngFile() {
    static const Bytes file = [] {
        qv3rn::test::PngLayout layout;
        layout.width = side;
        layout.height = side;
        layout.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        const Bytes pixels = picture(4);
        for (int y = 0; y < side; ++y)
            layout.rows.emplace_back(pixels.begin() + static_cast<std::ptrdiff_t>(y) * side * 4,
                                   pixels.begin() + static_cast<std::ptrdiff_t>(y + 1) * side * 4);
        return qv3rn::test::pngFile(layout);
    }();
    return file;
}

const Bytes& jpegFile() {
    static const Bytes file = qv3rn::test::jpegFile(side, side, 3, picture(3), false, 90);
    return file;
}

// ---- the engine: decoder into a pixel store, adopted by a texture ----

template <typename Decoder>
void engineDecode(benchmark::State& state, const Bytes& file, qv3rn::ImageFormat format) {
    Decoder decoder;
    for (auto _ : state) {
        qv3rn::Texture2D texture;
        auto pixels = decoder.decode2D(file.data(), file.size(), format);
        if (!pixels) state.SkipWithError(decoder.lastError().c_str());
        texture.adoptPixels(std::move(*pixels));
        benchmark::DoNotOptimize(texture.pixels().data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(side) * side * 4);
}

void BM_TgaToTexture(benchmark::State& state) { engineDecode<qv3rn::TgaDecoder>(state, tgaFile(), qv3rn::ImageFormat::Rgba); }
void BM_PngToTexture(benchmark::State& state) { engineDecode<qv3rn::PngDecoder>(state, pngFile(), qv3rn::ImageFormat::Rgba); }
void BM_JpegToTexture(benchmark::State& state) { engineDecode<qv3rn::JpegDecoder>(state, jpegFile(), qv3rn::ImageFormat::Rgba); }

// ---- bare decodes into a plain buffer ----

// TGA has no library: the least any reader does is copy the rows bottom-up and swap blue and red.
void BM_TgaBare(benchmark::State& state) {
    const Bytes& file = tgaFile();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(side) * side * 4);
    for (auto _ : state) {
        const std::uint8_t* in = file.data() + 18;
        for (int row = side - 1; row >= 0; --row) {
            std::uint8_t* o = &out[static_cast<std::size_t>(row) * side * 4];
            for (int x = 0; x < side; ++x, in += 4, o += 4) {
                o[0] = in[2];
                o[1] = in[1];
                o[2] = in[0];
                o[3] = in[3];
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(side) * side * 4);
}

struct MemoryReader {
    const Bytes* file;
    std::size_t position;
};

void readPng(png_structp png, png_bytep data, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    std::memcpy(data, reader->file->data() + reader->position, length);
    reader->position += length;
}

void BM_PngBare(benchmark::State& state) {
    const Bytes& file = pngFile();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(side) * side * 4);
    std::vector<png_bytep> rows(side);
    for (int y = 0; y < side; ++y) rows[y] = &out[static_cast<std::size_t>(y) * side * 4];
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        MemoryReader reader{&file, 0};
        if (setjmp(png_jmpbuf(png))) {
            state.SkipWithError("libpng failed");
            break;
        }
        png_set_read_fn(png, &reader, readPng);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_read_update_info(png, info);
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(side) * side * 4);
}

void BM_JpegBare(benchmark::State& state) {
    const Bytes& file = jpegFile();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(side) * side * 3);
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &out[static_cast<std::size_t>(info.output_scanline) * side * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(side) * side * 4);
}

BENCHMARK(BM_TgaToTexture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaBare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngToTexture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngBare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegToTexture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegBare)->Unit(benchmark::kMillisecond);

}  // namespace
