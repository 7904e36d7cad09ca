// generators_test.cpp -- procedural pictures, the font atlas, the picture and clip writers read back through the
// engine's decoders, and the song reader, sequencer and synthesiser.
#include "generators/texture_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

#include "effects/video_texture_decoder.h"
#include "generators/font_atlas.h"
#include "math/noise.h"
#include "generators/ogg_encoder.h"
#include "generators/picture.h"
#include "generators/song.h"
#include "generators/synthesizer.h"
#include "generators/video_writer.h"
#include "image/png_decoder.h"
#include "image/tga_decoder.h"

namespace qv3rn {
namespace {

TEST(ProceduralTextures, NoiseIsReproducibleSeededAndTiles) {
    EXPECT_EQ(makeNoise(64, 3u).pixels, makeNoise(64, 3u).pixels);
    EXPECT_NE(makeNoise(64, 3u).pixels, makeNoise(64, 4u).pixels);
    for (float x : {0.3f, 1.7f, 5.25f})
        for (float y : {0.1f, 2.9f}) {
            EXPECT_FLOAT_EQ(valueNoise(x, y, 4, 9u), valueNoise(x + 4.0f, y, 4, 9u));
            EXPECT_FLOAT_EQ(valueNoise(x, y, 4, 9u), valueNoise(x, y - 8.0f, 4, 9u));
            const float v = fractalNoise(x, y, 4, 5, 9u);
            EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << v;
        }
}

TEST(ProceduralTextures, BrushesAndFlaresSpanTheirRangesAndFadeToNothingAtTheirEdges) {
    const Picture dissolve = makeDissolveBrush(128, 61u);
    ASSERT_EQ(dissolve.channels, 4);
    std::set<int> alphas;  // every alpha level, so that a dissolve reveals all
    for (size_t i = 0; i < dissolve.pixels.size(); i += 4) {
        ASSERT_EQ(dissolve.pixels[i], 255);  // white: the revealed picture keeps its colours
        alphas.insert(dissolve.pixels[i + 3]);
    }
    EXPECT_EQ((std::array{*alphas.begin(), *alphas.rbegin()}), (std::array{0, 255}));
    const Picture soft = makeSoftBrush(64);
    EXPECT_GT(soft.at(32, 32)[3], 240);
    EXPECT_EQ(soft.at(0, 0)[3] + soft.at(63, 32)[3], 0);
    for (int index = 1; index <= 6; ++index) {
        const Picture flare = makeLensFlare(index, 64);
        EXPECT_GT(*std::max_element(flare.pixels.begin(), flare.pixels.end()), 60) << "sprite " << index;
        for (int i = 0; i < 64; ++i)  // additive sprites must not show their square outline
            ASSERT_EQ(flare.at(i, 0)[0] + flare.at(0, i)[1] + flare.at(63, i)[2], 0) << "sprite " << index;
    }
}

TEST(ProceduralTextures, RecipesHaveUniqueNamesTheDecodersKnow) {
    std::set<std::string> names, extensions;
    for (const TextureRecipe& recipe : textureRecipes()) {
        const std::string name = recipe.fileName;
        EXPECT_TRUE(names.insert(name).second) << name;
        extensions.insert(name.substr(name.rfind('.') + 1));
    }
    EXPECT_EQ(extensions, (std::set<std::string>{"jpg", "png", "tga"}));  // the show's scripts name each file
    const Picture loading = makeLoadingPicture();
    EXPECT_EQ(loading.width * 3, loading.height * 4);
}

const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The alpha in a character's cell; `border` counts the inked pixels on the cell's edge.
int inkInCell(const Picture& atlas, int character, int& border) {
    const int index = character - kFontFirstChar;
    const int cellX = (index % 16) * kFontCellSize, cellY = (index / 16) * kFontCellSize;
    int ink = 0;
    for (int y = 0; y < kFontCellSize; ++y)
        for (int x = 0; x < kFontCellSize; ++x) {
            const int a = atlas.at(cellX + x, cellY + y)[3];
            ink += a;
            border += a && (x == 0 || y == 0 || x == kFontCellSize - 1 || y == kFontCellSize - 1);
        }
    return ink;
}

TEST(FontAtlas, EveryPrintableCharacterHasWhiteInkInItsOwnCellOnly) {
    Picture atlas;
    std::string error;
    ASSERT_TRUE(makeFontAtlas(kFont, atlas, error)) << error;
    ASSERT_EQ((std::array<int, 3>{atlas.width, atlas.height, atlas.channels}), (std::array<int, 3>{512, 512, 4}));
    int border = 0;
    for (int ch = '!'; ch <= '~'; ++ch) EXPECT_GT(inkInCell(atlas, ch, border), 0) << char(ch);
    EXPECT_EQ(border, 0);  // glyphs never touch their cell's edge, so filtering cannot bleed between cells
    EXPECT_EQ(inkInCell(atlas, 127, border), 0);
    // "." is small, "W" is wide: the ink matches the glyph, so the cells are in character order.
    EXPECT_GT(inkInCell(atlas, 'W', border), 3 * inkInCell(atlas, '.', border));
    for (size_t i = 0; i < atlas.pixels.size(); i += 4)  // the Text effect's colour alone tints the ink
        ASSERT_TRUE(!atlas.pixels[i + 3] || atlas.pixels[i] == 255) << i;
    EXPECT_FALSE(makeFontAtlas("no_such_font.ttf", atlas, error));
    EXPECT_NE(error.find("no_such_font.ttf"), std::string::npos);
}

TEST(PictureWriters, TgaAndPngReadBackExactlyWithTopRowFirstAndGreyWidened) {
    TgaDecoder tga;
    PngDecoder png;
    for (int channels : {1, 3, 4}) {
        // 5 x 3 pixels that all differ, so row order, channel order and alpha all show.
        Picture picture(5, 3, channels);
        for (size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = static_cast<std::uint8_t>(i * 3 + 1);
        std::string error;
        ASSERT_TRUE(writeTga(picture, "sample.tga", error) && writePng(picture, "sample.png", error)) << error;
        for (ImageDecoder* decoder : {static_cast<ImageDecoder*>(&tga), static_cast<ImageDecoder*>(&png)}) {
            SCOPED_TRACE(testing::Message() << decoder->extension() << ", " << channels << " channels");
            const auto store = decoder->decode2DFromFile("sample." + decoder->extension(), ImageFormat::Rgba);
            ASSERT_TRUE(store);
            ASSERT_EQ((std::array{store->width(), store->height()}), (std::array{5, 3}));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) {
                    const std::uint8_t* p = picture.at(x, y);
                    const std::uint32_t g = p[channels == 1 ? 0 : 1], b = p[channels == 1 ? 0 : 2];
                    const std::uint32_t expected =
                        std::uint32_t{p[0]} << 24 | g << 16 | b << 8 | (channels == 4 ? p[3] : 255);
                    EXPECT_EQ(store->pixel(x, y), expected) << x << "," << y;
                }
        }
    }
}

TEST(PictureWriters, RefuseBadPicturesAndUnwritablePathsNamingTheFile) {
    std::string error;
    Picture broken(4, 4, 3);
    broken.pixels.resize(5);
    EXPECT_FALSE(writePng(broken, "broken.png", error));
    EXPECT_NE(error.find("broken.png"), std::string::npos);
    EXPECT_FALSE(writeJpeg(Picture(0, 4, 3), "empty.jpg", 90, error));
    for (const char* path : {"no_such_folder/x.png", "picture.bmp"}) {
        EXPECT_FALSE(writePicture(Picture(2, 2, 3), path, error));
        EXPECT_NE(error.find(path), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists("picture.bmp"));
}

TEST(VideoWriter, ClipOpensInTheEnginesDecoderLoopsAndRefusesImpossibleSizes) {
    std::string error;
    ASSERT_TRUE(writeVideo("clip.avi", 64, 12, 24, error)) << error;
    VideoTextureDecoder decoder;
    ASSERT_TRUE(decoder.open("clip.avi")) << decoder.error();
    EXPECT_EQ((std::array{decoder.width(), decoder.height(), decoder.frameCount()}), (std::array{64, 64, 12}));
    EXPECT_NEAR(decoder.framePeriod(), 1.0 / 24.0, 1e-6);
    // The clip loops: the frame after the last equals the first one.
    const Picture wrapped = makeVideoFrame(12, 12, 32), first = makeVideoFrame(0, 12, 32);
    for (size_t i = 0; i < first.pixels.size(); ++i) ASSERT_NEAR(wrapped.pixels[i], first.pixels[i], 1) << i;
    EXPECT_NE(makeVideoFrame(3, 12, 32).pixels, first.pixels);
    EXPECT_FALSE(writeVideo("odd.avi", 63, 4, 24, error));
    EXPECT_FALSE(writeVideo("no_such_folder/clip.avi", 64, 4, 24, error));
    EXPECT_NE(error.find("no_such_folder/clip.avi"), std::string::npos);
}

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
    const std::vector<NoteEvent> events = scheduleSong(parse("tempo 120 ; comment\ninstrument pad pad 0.5 -0.25\n"
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
        {"instrument k kick 1 0\npattern p k x . .\n", "multiple of 16"},
        {"play 1 2 p\n", "test.song:1: unknown pattern \"p\""}, {kick + "play 3 2 p\n", "test.song:3: bad bar range"},
        {"tempo 0\n", "test.song:1: tempo must be 20..400"},
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

// What the encoder writes is decoded, channel by channel and to the frame, by the music tests in tests/demo.
TEST(OggEncoder, AFileThatCannotBeWrittenIsNamed) {
    std::string error;
    EXPECT_FALSE(encodeOggVorbis(std::vector<float>(2048), 2, 44100, 0.3f, "no_such_folder/tone.ogg", error));
    EXPECT_NE(error.find("no_such_folder/tone.ogg"), std::string::npos);
}

}  // namespace
}  // namespace qv3rn
