// The music: Vorbis decoding of files made here and of bad ones.
#include "demo/music.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "demo_test_support.h"

namespace qv3rn {
namespace {

using platform::PcmBuffer;
using platform::PcmCursor;

// The amplitude of `frequency` in one channel, by correlation: enough to tell the channels apart.
double correlation(const PcmBuffer& pcm, int channel, double frequency) {
    double re = 0.0, im = 0.0;
    const std::size_t frames = std::min<std::size_t>(pcm.frames(), 8192);
    for (std::size_t i = 0; i < frames; ++i) {
        const double value = pcm.samples[i * pcm.channels + channel] / 32768.0;
        const double phase = 2.0 * std::numbers::pi * frequency * static_cast<double>(i) / pcm.sampleRate;
        re += value * std::cos(phase);
        im += value * std::sin(phase);
    }
    return std::hypot(re, im) / static_cast<double>(frames);
}

TEST(MusicDecoding, AGeneratedFileDecodesToItsLengthFormatAndSignalAndBadFilesAreRefused) {
    test::TemporaryFolder folder;
    const test::Bytes file = test::vorbisFile(1.5, 22050, 2, 500.0f);
    test::writeFile(Music::fileName, file);
    PcmBuffer pcm, fromMemory;
    std::string error;
    ASSERT_TRUE(decodeVorbisFile(Music::fileName, pcm, error)) << error;
    EXPECT_EQ(pcm.sampleRate, 22050);
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.frames(), static_cast<std::size_t>(1.5 * 22050));
    // Left at 500 Hz, right at 1000 Hz, each about half the full scale.
    EXPECT_GT(correlation(pcm, 0, 500.0), 0.2);
    EXPECT_LT(correlation(pcm, 0, 1000.0), 0.02);
    EXPECT_GT(correlation(pcm, 1, 1000.0), 0.2);
    EXPECT_LT(correlation(pcm, 1, 500.0), 0.02);
    ASSERT_TRUE(decodeVorbisMemory(file.data(), file.size(), fromMemory, error)) << error;
    EXPECT_EQ(fromMemory.samples, pcm.samples);

    EXPECT_FALSE(decodeVorbisFile("absent.ogg", pcm, error));
    EXPECT_NE(error.find("absent.ogg"), std::string::npos) << error;
    const test::Bytes text = test::textBytes("this is not a sound file at all, just words");
    EXPECT_FALSE(decodeVorbisMemory(text.data(), text.size(), pcm, error));
    EXPECT_EQ(error, "not an Ogg Vorbis file");
    EXPECT_FALSE(decodeVorbisMemory(file.data(), 60, pcm, error));  // cut inside the headers
}

}  // namespace
}  // namespace qv3rn
