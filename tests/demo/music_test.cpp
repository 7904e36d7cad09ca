// The music: Vorbis decoding of files made here, damaged files, the cursor, playback on a dummy device.
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
    const test::Bytes mono = test::vorbisFile(0.5, 44100, 1);
    ASSERT_TRUE(decodeVorbisMemory(mono.data(), mono.size(), pcm, error)) << error;
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.frames(), 22050u);

    EXPECT_FALSE(decodeVorbisFile("absent.ogg", pcm, error));
    EXPECT_NE(error.find("absent.ogg"), std::string::npos) << error;
    test::writeFile("empty.ogg", {});
    EXPECT_FALSE(decodeVorbisFile("empty.ogg", pcm, error));
    const test::Bytes text = test::textBytes("this is not a sound file at all, just words");
    EXPECT_FALSE(decodeVorbisMemory(text.data(), text.size(), pcm, error));
    EXPECT_EQ(error, "not an Ogg Vorbis file");
    EXPECT_FALSE(decodeVorbisMemory(file.data(), 60, pcm, error));  // cut inside the headers
    EXPECT_FALSE(decodeVorbisMemory(nullptr, 100, pcm, error));
    // Garbage over the audio pages: whatever the decoder makes of it, it ends, and a success holds whole frames.
    test::Bytes damaged = file;
    std::srand(3);
    for (std::size_t i = file.size() / 3; i < file.size(); i += 7) damaged[i] = static_cast<std::uint8_t>(std::rand());
    const bool decoded = decodeVorbisMemory(damaged.data(), damaged.size(), pcm, error);
    EXPECT_TRUE(decoded ? pcm.samples.size() % 2 == 0 : !error.empty()) << decoded;
}

TEST(PcmCursor, CopiesWholeFramesThenSilenceStopsAtTheEndAndHoldsWhilePaused) {
    auto buffer = std::make_shared<PcmBuffer>();
    buffer->sampleRate = 8;
    buffer->channels = 2;
    buffer->samples = {1, -1, 2, -2, 3, -3, 4, -4, 5, -5};
    PcmCursor cursor;
    cursor.setBuffer(buffer);
    using Samples = std::vector<std::int16_t>;
    // Each row seeks (when `seek` is not negative) and pauses as it says, then reads `samples` samples.
    const struct { long seek; bool paused; std::size_t samples; Samples out; std::size_t frame; } reads[] = {
        {-1, false, 6, {1, -1, 2, -2, 3, -3}, 3},
        {-1, false, 6, {4, -4, 5, -5, 0, 0}, 5},  // then silence
        {-1, false, 6, Samples(6, 0), 5},        // at the end
        {1, true, 6, Samples(6, 0), 1},          // a pause holds the position
        {-1, false, 2, {2, -2}, 2},
        {1000, false, 6, Samples(6, 0), 1000},   // past the end: silence, nothing read out of bounds
    };
    for (std::size_t i = 0; i < std::size(reads); ++i) {
        if (reads[i].seek >= 0) cursor.seekFrame(static_cast<std::size_t>(reads[i].seek));
        cursor.setPaused(reads[i].paused);
        Samples out(reads[i].samples, 99);
        cursor.fill(reinterpret_cast<std::uint8_t*>(out.data()), out.size() * 2);
        EXPECT_EQ(out, reads[i].out) << "read " << i;
        EXPECT_EQ(cursor.frame(), reads[i].frame) << "read " << i;
    }
}

TEST(MusicPlayback, PlaysSeeksAndPausesOnTheDummyDevice) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    test::TemporaryFolder folder;
    test::writeFile(Music::fileName, test::vorbisFile(3.0));
    Music music;
    EXPECT_FALSE(music.play(0.0));  // nothing loaded
    EXPECT_FALSE(music.openDevice());
    ASSERT_TRUE(music.loadSample(Music::fileName)) << music.error();
    ASSERT_TRUE(music.openDevice()) << music.error();
    EXPECT_EQ(music.driverName(), "dummy");
    ASSERT_TRUE(music.play(1.0));
    EXPECT_GE(music.position(), 1.0);
    music.setPaused(true);
    music.seek(2.5);
    EXPECT_NEAR(music.position(), 2.5, 1e-6);  // paused: nothing is consumed
    music.seek(10.0);                          // past the end: held at the end
    EXPECT_NEAR(music.position(), 3.0, 1e-6);
    music.free();
    EXPECT_FALSE(music.hasSample());
    EXPECT_FALSE(music.hasDevice());
    EXPECT_EQ(music.position(), 0.0);
}

}  // namespace
}  // namespace qv3rn
