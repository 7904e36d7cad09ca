// pixel_format.cpp -- colour channel sizes and the fallback formats of a pixel-format request.
#include "platform/pixel_format.h"

#include <algorithm>

namespace qv3rn::platform {

ChannelBits channelBits(int colorBits) {
    if (colorBits >= 32) return {8, 8, 8, 8};
    if (colorBits >= 24) return {8, 8, 8, 0};
    if (colorBits >= 16) return {5, 6, 5, 0};
    if (colorBits >= 15) return {5, 5, 5, 0};
    if (colorBits <= 0) return {};
    const int channel = std::max(1, colorBits / 3);
    return {channel, channel, channel, 0};
}

namespace {
bool sameFormat(const PixelFormat& a, const PixelFormat& b) {
    return a.colorBits == b.colorBits && a.depthBits == b.depthBits && a.stencilBits == b.stencilBits &&
           a.accumBits == b.accumBits;
}
}  // namespace

std::vector<PixelFormat> formatCandidates(const PixelFormat& requested) {
    std::vector<PixelFormat> candidates{requested};
    PixelFormat format = requested;
    auto relax = [&](auto change) {
        change(format);
        if (!sameFormat(format, candidates.back())) candidates.push_back(format);
    };
    relax([](PixelFormat& f) { f.accumBits = 0; });
    relax([](PixelFormat& f) { f.depthBits = std::min(f.depthBits, 24); });
    relax([](PixelFormat& f) { f.depthBits = std::min(f.depthBits, 16); });
    relax([](PixelFormat& f) { f.stencilBits = std::min(f.stencilBits, 8); });
    relax([](PixelFormat& f) { f.stencilBits = 0; });
    return candidates;
}

}  // namespace qv3rn::platform
