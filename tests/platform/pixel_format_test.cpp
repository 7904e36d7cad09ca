// Tests of the pixel-format request: colour channel sizes and the order of the fallback formats.
#include "platform/pixel_format.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace qv3rn::platform {
namespace {

using Tuples = std::vector<std::array<int, 4>>;

TEST(PixelFormat, ChannelBitsOfCommonColourDepths) {
    const struct {
        int colorBits;
        std::array<int, 4> expected;
    } cases[] = {{32, {8, 8, 8, 8}}, {24, {8, 8, 8, 0}}, {16, {5, 6, 5, 0}}, {15, {5, 5, 5, 0}},
                 {12, {4, 4, 4, 0}}, {0, {0, 0, 0, 0}},  {-5, {0, 0, 0, 0}}, {64, {8, 8, 8, 8}}};
    for (const auto& c : cases) {
        const ChannelBits bits = channelBits(c.colorBits);
        EXPECT_EQ((std::array<int, 4>{bits.red, bits.green, bits.blue, bits.alpha}), c.expected) << c.colorBits;
    }
}

TEST(PixelFormat, CandidatesStartWithTheRequestAndRelaxStepByStepWithoutRepeating) {
    const struct {
        PixelFormat request;
        Tuples expected;
    } cases[] = {
        {{32, 32, 8, 64}, {{32, 32, 8, 64}, {32, 32, 8, 0}, {32, 24, 8, 0}, {32, 16, 8, 0}, {32, 16, 0, 0}}},
        {{16, 16, 0, 0}, {{16, 16, 0, 0}}},  // nothing to relax
        {{32, 24, 8, 0}, {{32, 24, 8, 0}, {32, 16, 8, 0}, {32, 16, 0, 0}}},
        {{32, 24, 16, 0}, {{32, 24, 16, 0}, {32, 16, 16, 0}, {32, 16, 8, 0}, {32, 16, 0, 0}}},
        {{24, 8, 4, 0}, {{24, 8, 4, 0}, {24, 8, 0, 0}}},  // never asks for more than the request
    };
    for (const auto& c : cases) {
        Tuples tuples;
        for (const PixelFormat& f : formatCandidates(c.request))
            tuples.push_back({f.colorBits, f.depthBits, f.stencilBits, f.accumBits});
        EXPECT_EQ(tuples, c.expected) << c.request.depthBits << " depth bits, " << c.request.stencilBits << " stencil";
    }
}

}  // namespace
}  // namespace qv3rn::platform
