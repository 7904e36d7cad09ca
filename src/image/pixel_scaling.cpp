// pixel_scaling.cpp -- separable area-average resampling of pixel stores.
#include "image/pixel_scaling.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qv3rn {

namespace {

// For each target cell of one axis: the source cells it covers and how much of each.
struct Footprint {
    int first = 0;
    std::vector<float> weights;  // sum to 1
};

std::vector<Footprint> footprints(int sourceSize, int targetSize) {
    std::vector<Footprint> result(static_cast<std::size_t>(targetSize));
    const double scale = static_cast<double>(sourceSize) / targetSize;
    for (int t = 0; t < targetSize; ++t) {
        const double begin = t * scale;
        const double end = (t + 1) * scale;
        Footprint& footprint = result[static_cast<std::size_t>(t)];
        footprint.first = static_cast<int>(std::floor(begin));
        const int last = std::min(sourceSize - 1, static_cast<int>(std::ceil(end)) - 1);
        for (int s = footprint.first; s <= last; ++s) {
            const double covered = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            footprint.weights.push_back(static_cast<float>(covered / scale));
        }
    }
    return result;
}

}  // namespace

PixelStore scalePixels(const PixelStore& source, int width, int height) {
    PixelStore target;
    const int channels = source.bytesPerPixel();
    if (!source.present() || isCompressed(source.format()) || channels == 0 || width < 1 || height < 1 ||
        source.width() < 1 || source.height() < 1 || !target.allocate(width, height, source.format()))
        return PixelStore();

    const std::vector<Footprint> across = footprints(source.width(), width);
    const std::vector<Footprint> down = footprints(source.height(), height);

    // Horizontal pass into floats (source rows x target columns), then the vertical pass into bytes.
    std::vector<float> rows(static_cast<std::size_t>(source.height()) * width * channels, 0.0f);
    for (int y = 0; y < source.height(); ++y) {
        const std::uint8_t* in = source.row(y);
        float* out = &rows[static_cast<std::size_t>(y) * width * channels];
        for (int x = 0; x < width; ++x) {
            const Footprint& footprint = across[static_cast<std::size_t>(x)];
            for (std::size_t i = 0; i < footprint.weights.size(); ++i) {
                const std::uint8_t* pixel = in + static_cast<std::size_t>(footprint.first + static_cast<int>(i)) * channels;
                for (int c = 0; c < channels; ++c) out[x * channels + c] += footprint.weights[i] * pixel[c];
            }
        }
    }
    std::vector<float> sum(static_cast<std::size_t>(width) * channels);
    for (int y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const Footprint& footprint = down[static_cast<std::size_t>(y)];
        for (std::size_t i = 0; i < footprint.weights.size(); ++i) {
            const float* in = &rows[static_cast<std::size_t>(footprint.first + static_cast<int>(i)) * width * channels];
            for (std::size_t k = 0; k < sum.size(); ++k) sum[k] += footprint.weights[i] * in[k];
        }
        std::uint8_t* out = target.row(y);
        for (std::size_t k = 0; k < sum.size(); ++k)
            out[k] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[k]), 0L, 255L));
    }
    return target;
}

}  // namespace qv3rn
