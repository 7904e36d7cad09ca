// The song reader, the sequencer's timing, the synthesiser's output and the Ogg Vorbis file it is encoded to.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include <vorbis/vorbisfile.h>

#include "generators/ogg_encoder.h"
#include "generators/song.h"
#include "generators/synthesizer.h"

namespace qv3rn {
namespace {

Song parse(const std::string& text) {
    std::istringstream in(text);
    Song song;
    std::string error;
    EXPECT_TRUE(parseSong(in, "test.song", song, error)) << error;
    return song;
}

std::string parseError(const std::string& text) {
    std::istringstream in(text);
    Song song;
    std::string error;
    EXPECT_FALSE(parseSong(in, "test.song", song, error));
    return error;
}

TEST(Song, ReadsNotesChordsHoldsAndTranspositions) {
    EXPECT_EQ(noteNumber("c4"), 60);
    EXPECT_EQ(noteNumber("a4"), 69);
    EXPECT_EQ(noteNumber("f#2"), 42);
    EXPECT_EQ(noteNumber("h4"), -1);
    EXPECT_EQ(noteNumber("c"), -1);
    EXPECT_EQ(noteNumber("c44"), -1);
    const Song song = parse(
        "tempo 120 ; comment\n"
        "instrument pad pad 0.5 -0.25\n"
        "pattern p pad c3+e3+g3 - - - . . . . a3 . . . . . . .\n"
        "play 2 3 p +2\n");
    ASSERT_EQ(song.patterns.size(), 1u);
    const std::vector<NoteEvent> events = scheduleSong(song);
    ASSERT_EQ(events.size(), 8u);  // chord of three and one note, in each of two bars
    // A sixteenth at 120 BPM is 5512.5 samples; starts round to the nearest sample without drifting.
    EXPECT_EQ(events[0].startSample, 88200);  // bar 2
    EXPECT_EQ(events[0].note, 48 + 2);
    EXPECT_EQ(events[0].lengthSamples, 22050);  // three holds lengthen the chord to a beat
    EXPECT_EQ(events[3].startSample, 88200 + 44100);
    EXPECT_NEAR(static_cast<double>(events[3].lengthSamples), 5512.5, 0.5);
    EXPECT_EQ(events[4].startSample, 176400);  // the pattern repeats in bar 3
}

TEST(Song, BadLinesAreReportedWithTheirLineNumbers) {
    EXPECT_EQ(parseError("tempo 120\nfoo 1\n"), "test.song:2: unknown keyword \"foo\"");
    EXPECT_EQ(parseError("instrument a drum 1 0\n"), "test.song:1: unknown voice \"drum\"");
    EXPECT_EQ(parseError("pattern p nobody x . . .\n"), "test.song:1: unknown instrument \"nobody\"");
    EXPECT_NE(parseError("instrument k kick 1 0\npattern p k x . .\n").find("multiple of 16"), std::string::npos);
    EXPECT_NE(parseError("instrument k kick 1 0\npattern p k zz . . . . . . . . . . . . . . .\n").find("bad step"),
              std::string::npos);
    EXPECT_EQ(parseError("play 1 2 p\n"), "test.song:1: unknown pattern \"p\"");
    EXPECT_EQ(parseError("instrument k kick 1 0\npattern p k x . . . . . . . . . . . . . . .\nplay 3 2 p\n"),
              "test.song:3: bad bar range");
    EXPECT_EQ(parseError("tempo 0\n"), "test.song:1: tempo must be 20..400");
    EXPECT_EQ(parseError("length -1\n"), "test.song:1: length must be 0..3600 seconds");
}

TEST(Synthesizer, ABeatStartsOnItsSampleAndTheRenderHasTheSongsLength) {
    // One kick on the second beat.
    const Song song = parse("tempo 120\nlength 2\ninstrument k kick 1 0\n"
                            "pattern p k . . . . x . . . . . . . . . . .\nplay 1 1 p\n");
    const std::vector<float> samples = renderSong(song);
    ASSERT_EQ(samples.size(), 2u * 88200u);
    size_t first = 0;
    while (first < samples.size() && samples[first] == 0.0f) ++first;
    EXPECT_EQ(first / 2, 22050u);  // beat 2 of bar 1 at 120 BPM: half a second in
    float peak = 0.0f;
    for (float s : samples) {
        ASSERT_LE(std::fabs(s), 1.0f);
        peak = std::max(peak, std::fabs(s));
    }
    EXPECT_GT(peak, 0.3f);
}

TEST(Synthesizer, EveryVoiceSoundsAndTheSameSongRendersTheSameSamples) {
    const std::string text =
        "length 1\ninstrument k kick 1 0\ninstrument s snare 1 0\ninstrument h hat 1 0\n"
        "instrument b bass 1 0\ninstrument p pad 1 0\ninstrument l lead 1 0\n";
    for (const char* voice : {"k x", "s x", "h X", "b a1", "p a3+c4", "l e5"}) {
        const Song song = parse(text + "pattern t " + voice + " - - - . . . . . . . . . . . .\nplay 1 1 t\n");
        const std::vector<float> a = renderSong(song);
        double energy = 0.0;
        for (float s : a) energy += static_cast<double>(s) * s;
        EXPECT_GT(energy, 1.0) << voice;
        EXPECT_EQ(a, renderSong(song)) << voice;
    }
}

TEST(OggEncoder, WritesStereo44100OfTheExactLength) {
    const int frames = 44100 + 1234;
    std::vector<float> samples(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        samples[static_cast<size_t>(i) * 2] = 0.5f * std::sin(i * 0.0627f);
        samples[static_cast<size_t>(i) * 2 + 1] = 0.25f * std::sin(i * 0.031f);
    }
    std::string error;
    ASSERT_TRUE(encodeOggVorbis(samples, 2, 44100, 0.3f, "tone.ogg", error)) << error;
    OggVorbis_File file;
    ASSERT_EQ(ov_fopen("tone.ogg", &file), 0);
    const vorbis_info* info = ov_info(&file, -1);
    EXPECT_EQ(info->channels, 2);
    EXPECT_EQ(info->rate, 44100);
    EXPECT_EQ(ov_pcm_total(&file, -1), frames);
    // The loud left channel stays louder than the right after decoding.
    float** pcm = nullptr;
    int section = 0;
    double left = 0, right = 0;
    long got = 0;
    while ((got = ov_read_float(&file, &pcm, 1024, &section)) > 0)
        for (long i = 0; i < got; ++i) left += std::fabs(pcm[0][i]), right += std::fabs(pcm[1][i]);
    EXPECT_GT(left, 1.5 * right);
    ov_clear(&file);

    EXPECT_FALSE(encodeOggVorbis(samples, 2, 44100, 0.3f, "no_such_folder/tone.ogg", error));
    EXPECT_NE(error.find("no_such_folder/tone.ogg"), std::string::npos);
}

}  // namespace
}  // namespace qv3rn
