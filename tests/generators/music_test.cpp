// music_test.cpp -- The song reader, the sequencer's timing, the synthesiser's output and the Ogg Vorbis file it is
// encoded to, read back through the demo's own decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

#include "demo/music.h"
#include "generators/ogg_encoder.h"
#include "generators/song.h"
#include "generators/synthesizer.h"

namespace qv3rn {
namespace {

// The song of `text`; `error` gets what parsing said (empty when it succeeded).
Song parse(const std::string& text, std::string* error = nullptr) {
    std::istringstream in(text);
    Song song;
    std::string message;
    parseSong(in, "test.song", song, message);
    if (error) *error = message;
    EXPECT_TRUE(error || message.empty()) << message;
    return song;
}

TEST(Song, ReadsNotesChordsHoldsAndTranspositions) {
    const std::pair<const char*, int> notes[] = {{"c4", 60}, {"a4", 69}, {"f#2", 42},
                                                 {"h4", -1}, {"c", -1},  {"c44", -1}};
    for (const auto& [name, number] : notes) EXPECT_EQ(noteNumber(name), number) << name;
    const std::vector<NoteEvent> events =
        scheduleSong(parse("tempo 120 ; comment\ninstrument pad pad 0.5 -0.25\n"
                           "pattern p pad c3+e3+g3 - - - . . . . a3 . . . . . . .\nplay 2 3 p +2\n"));
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
        parse(text, &error);
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
        const auto first =
            (std::find_if(samples.begin(), samples.end(), [](float s) { return s != 0; }) - samples.begin()) / 2;
        EXPECT_TRUE(first >= 22050 && first < 22050 + 100) << first;
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
    for (size_t i = 0; i < samples.size(); i += 2) {
        samples[i] = 0.5f * std::sin(static_cast<float>(i) * 0.031f);
        samples[i + 1] = 0.25f * std::sin(static_cast<float>(i) * 0.015f);
    }
    std::string error;
    ASSERT_TRUE(encodeOggVorbis(samples, 2, 44100, 0.3f, "tone.ogg", error)) << error;
    platform::PcmBuffer pcm;
    ASSERT_TRUE(decodeVorbisFile("tone.ogg", pcm, error)) << error;
    EXPECT_EQ((std::array{pcm.channels, pcm.sampleRate}), (std::array{2, 44100}));
    EXPECT_EQ(pcm.frames(), static_cast<size_t>(frames));
    double left = 0, right = 0;  // the loud left channel stays louder than the right after decoding
    for (size_t i = 0; i < pcm.samples.size(); i += 2)
        left += std::abs(pcm.samples[i]), right += std::abs(pcm.samples[i + 1]);
    EXPECT_GT(left, 1.5 * right);
    EXPECT_FALSE(encodeOggVorbis(samples, 2, 44100, 0.3f, "no_such_folder/tone.ogg", error));
    EXPECT_NE(error.find("no_such_folder/tone.ogg"), std::string::npos);
}

}  // namespace
}  // namespace qv3rn
