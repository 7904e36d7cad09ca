// Tests of the pixel-format request: colour channel sizes and the order of the fallback formats.
#include "platform/pixel_format.h"

#include <gtest/gtest.h>

namespace qv3rn::platform {
namespace {

std::vector<std::array<int, 4>> asTuples(const std::vector<PixelFormat>& formats) {
    std::vector<std::array<int, 4>> tuples;
    for (const PixelFormat& f : formats) tuples.push_back({f.colorBits, f.depthBits, f.stencilBits, f.accumBits});
    return tuples;
}

TEST(PixelFormat, ChannelBitsOfCommonColourDepths) {
    const struct {
        int colorBits;
        ChannelBits expected;
    } cases[] = {{32, {8, 8, 8, 8}}, {24, {8, 8, 8, 0}}, {16, {5, 6, 5, 0}}, {15, {5, 5, 5, 0}},
                 {12, {4, 4, 4, 0}}, {0, {0, 0, 0, 0}},  {-5, {0, 0, 0, 0}}, {64, {8, 8, 8, 8}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colorBits);
        const ChannelBits bits = channelBits(c.colorBits);
        EXPECT_EQ(bits.red, c.expected.red);
        EXPECT_EQ(bits.green, c.expected.green);
        EXPECT_EQ(bits.blue, c.expected.blue);
        EXPECT_EQ(bits.alpha, c.expected.alpha);
    }
}

TEST(PixelFormat, CandidatesStartWithTheRequestAndRelaxStepByStep) {
    EXPECT_EQ(asTuples(formatCandidates({32, 32, 8, 64})),
              (std::vector<std::array<int, 4>>{
                  {32, 32, 8, 64}, {32, 32, 8, 0}, {32, 24, 8, 0}, {32, 16, 8, 0}, {32, 16, 0, 0}}));
}

TEST(PixelFormat, CandidatesNeverRepeatOrAskForMore) {
    // A modest request has nothing to relax but its stencil buffer.
    EXPECT_EQ(asTuples(formatCandidates({16, 16, 0, 0})), (std::vector<std::array<int, 4>>{{16, 16, 0, 0}}));
    EXPECT_EQ(asTuples(formatCandidates({32, 24, 8, 0})),
              (std::vector<std::array<int, 4>>{{32, 24, 8, 0}, {32, 16, 8, 0}, {32, 16, 0, 0}}));
    EXPECT_EQ(asTuples(formatCandidates({32, 24, 16, 0})),
              (std::vector<std::array<int, 4>>{{32, 24, 16, 0}, {32, 16, 16, 0}, {32, 16, 8, 0}, {32, 16, 0, 0}}));
    for (const PixelFormat& candidate : formatCandidates({24, 32, 8, 32})) {
        EXPECT_EQ(candidate.colorBits, 24);  // the colour depth is never changed
        EXPECT_LE(candidate.depthBits, 32);
        EXPECT_LE(candidate.stencilBits, 8);
        EXPECT_LE(candidate.accumBits, 32);
    }
}

}  // namespace
}  // namespace qv3rn::platform
