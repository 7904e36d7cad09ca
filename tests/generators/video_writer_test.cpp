// The generated clip: an AVI the engine's own video decoder opens with the frame count and size written.
#include "generators/video_writer.h"

#include <gtest/gtest.h>

#include "effects/video_texture_decoder.h"

namespace qv3rn {
namespace {

TEST(VideoWriter, ClipOpensInTheEnginesDecoderLoopsAndRefusesImpossibleSizes) {
    std::string error;
    ASSERT_TRUE(writeVideo("clip.avi", 64, 12, 24, error)) << error;
    VideoTextureDecoder decoder;
    ASSERT_TRUE(decoder.open("clip.avi")) << decoder.error();
    EXPECT_EQ(decoder.width(), 64);
    EXPECT_EQ(decoder.height(), 64);
    EXPECT_EQ(decoder.frameCount(), 12);
    EXPECT_NEAR(decoder.framePeriod(), 1.0 / 24.0, 1e-6);
    // The clip loops: the frame after the last equals the first one.
    const Picture wrapped = makeVideoFrame(12, 12, 32), first = makeVideoFrame(0, 12, 32);
    for (size_t i = 0; i < first.pixels.size(); ++i) ASSERT_NEAR(wrapped.pixels[i], first.pixels[i], 1) << i;
    EXPECT_NE(makeVideoFrame(3, 12, 32).pixels, first.pixels);
    EXPECT_FALSE(writeVideo("odd.avi", 63, 4, 24, error));
    EXPECT_FALSE(writeVideo("none.avi", 64, 0, 24, error));
    EXPECT_FALSE(writeVideo("no_such_folder/clip.avi", 64, 4, 24, error));
    EXPECT_NE(error.find("no_such_folder/clip.avi"), std::string::npos);
}

}  // namespace
}  // namespace qv3rn
