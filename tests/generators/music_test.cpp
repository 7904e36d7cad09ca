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

// The song of `text`, or the error it gives (an empty song).
Song parse(const std::string& text, std::string& error) {
    std::istringstream in(text);
    Song song;
    error.clear();
    if (!parseSong(in, "test.song", song, error)) return {};
    return song;
}

Song parse(const std::string& text) {
    std::string error;
    Song song = parse(text, error);
    EXPECT_EQ(error, "");
    return song;
}

TEST(Song, ReadsNotesChordsHoldsAndTranspositions) {
    const std::pair<const char*, int> notes[] = {{"c4", 60}, {"a4", 69}, {"f#2", 42},
                                                 {"h4", -1}, {"c", -1},  {"c44", -1}};
    for (const auto& [name, number] : notes) EXPECT_EQ(noteNumber(name), number) << name;
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
    const std::string kick = "instrument k kick 1 0\npattern p k x . . . . . . . . . . . . . . .\n";
    const std::pair<std::string, std::string> cases[] = {
        {"tempo 120\nfoo 1\n", "test.song:2: unknown keyword \"foo\""},
        {"instrument a drum 1 0\n", "test.song:1: unknown voice \"drum\""},
        {"pattern p nobody x . . .\n", "test.song:1: unknown instrument \"nobody\""},
        {"instrument k kick 1 0\npattern p k x . .\n", "multiple of 16"},
        {"instrument k kick 1 0\npattern p k zz . . . . . . . . . . . . . . .\n", "bad step"},
        {"play 1 2 p\n", "test.song:1: unknown pattern \"p\""},
        {kick + "play 3 2 p\n", "test.song:3: bad bar range"},
        {"tempo 0\n", "test.song:1: tempo must be 20..400"},
        {"length -1\n", "test.song:1: length must be 0..3600 seconds"},
    };
    for (const auto& [text, message] : cases) {
        std::string error;
        parse(text, error);
        EXPECT_NE(error.find(message), std::string::npos) << text << ": " << error;
    }
}

TEST(Synthesizer, EveryVoiceSoundsRepeatablyAndABeatStartsOnItsSample) {
    const std::string text =
        "tempo 120\nlength 2\ninstrument k kick 1 0\ninstrument s snare 1 0\ninstrument h hat 1 0\n"
        "instrument b bass 1 0\ninstrument p pad 1 0\ninstrument l lead 1 0\n";
    const std::pair<const char*, const char*> voices[] = {{"k", "x"},  {"s", "x"},     {"h", "X"},
                                                          {"b", "a1"}, {"p", "a3+c4"}, {"l", "e5"}};
    for (const auto& [instrument, note] : voices) {
        SCOPED_TRACE(instrument);
        // One note on the second beat of bar 1 at 120 BPM: half a second in.
        const Song song =
            parse(text + "pattern t " + instrument + " . . . . " + note + " - - - . . . . . . . .\nplay 1 1 t\n");
        const std::vector<float> samples = renderSong(song);
        ASSERT_EQ(samples.size(), 2u * 88200u);  // stereo, the song's length
        size_t first = 0;
        while (first < samples.size() && samples[first] == 0.0f) ++first;
        EXPECT_GE(first / 2, 22050u);
        EXPECT_LT(first / 2, 22050u + 100u);
        double energy = 0.0;
        for (float s : samples) {
            ASSERT_LE(std::fabs(s), 1.0f);
            energy += static_cast<double>(s) * s;
        }
        EXPECT_GT(energy, 1.0);
        EXPECT_EQ(samples, renderSong(song));
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
