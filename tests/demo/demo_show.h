// demo_show.h -- a small show made for the demo's tests: scripts, a loading picture and a music file encoded
// here, packed into an archive or laid out as a content folder.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "generators/ogg_encoder.h"
#include "image/image_samples.h"

namespace qv3rn::test {

// Encodes `seconds` of a sine of `frequency` Hz (each further channel an octave higher) as an Ogg Vorbis file.
inline Bytes vorbisFile(double seconds, int rate = 44100, int channels = 2, float frequency = 440.0f) {
    const long frames = static_cast<long>(seconds * rate);
    std::vector<float> samples(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<std::size_t>(i * channels + c)] =
                0.5f * std::sin(2.0f * 3.14159265f * frequency * static_cast<float>(c + 1) * static_cast<float>(i) /
                                static_cast<float>(rate));
    const std::string path = "vorbis_sample.ogg";
    std::string error;
    if (!encodeOggVorbis(samples, channels, rate, 0.3f, path, error)) std::abort();
    std::ifstream in(path, std::ios::binary);
    Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    std::filesystem::remove(path);
    return file;
}

inline Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// An envelope field holding `value` at every time, in the effect script's block form.
inline std::string constantTrack(const std::string& keyword, float value) {
    return keyword + "\n{ Envelope\n  1\n  Key " + std::to_string(value) +
           " 0 3 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n}\n";
}

// A full-screen flash of one colour from `start` to `end` on `layer`.
inline std::string flashBlock(const std::string& name, float start, float end, int layer, const std::string& color) {
    return "Flash {\n  Name \"" + name + "\"\n  Start " + std::to_string(start) + "\n  End " + std::to_string(end) +
           "\n  Layer " + std::to_string(layer) + "\n  Color " + color + "\n" + constantTrack("  Alpha {", 1.0f) +
           "}\n";
}

// The test show's timeline: black under everything for the whole show, red from 1 to 2 s, green from 3 to 4 s,
// blue from 6 to 8 s.
inline std::string showEffects(const std::string& red = "1 0 0 1") {
    return "; the test show\n" + flashBlock("ground", 0.0f, 252.0f, 0, "0 0 0 1") +
           flashBlock("red", 1.0f, 2.0f, 1, red) + flashBlock("green", 3.0f, 4.0f, 1, "0 1 0 1") + flashBlock("blue", 6.0f, 8.0f, 1, "0 0 1 1");
}

// The shaders: one of them binds a render target, so the shaders hold the target until they are cleared.
inline std::string showShaders() {
    return "; the test show's shaders\n"
           "Image {\n  Name \"smoke.jpg\"\n  Alias \"fireandsmoke\"\n}\n"
           "Shader {\n  Name \"plain\"\n  Lighting no\n}\n"
           "Shader {\n  Name \"flare\"\n}\n"
           "Shader {\n  Name \"copy\"\n  Texture {\n    Image \"512x512 PixelBuffer\"\n  }\n}\n";
}

// Entry names (archive layout) and their contents.
using ShowFiles = std::map<std::string, Bytes>;

inline ShowFiles showFiles() {
    ShowFiles files;
    files["data/shader/demo.shader"] = textBytes(showShaders());
    files["data/effect/demo.effect"] = textBytes(showEffects());
    files["data/art/smoke.jpg"] = jpegFile(8, 8, 3, flatPixels(8, 8, {200, 100, 50}));
    files["data/art/demo_loading.jpg"] = jpegFile(64, 48, 3, flatPixels(64, 48, {30, 60, 90}));
    return files;
}

inline void packShow(const std::string& archivePath, const ShowFiles& files) {
    ArchiveWriter writer;
    if (!writer.create(archivePath, demoArchivePassword)) std::abort();
    for (const auto& [name, bytes] : files)
        if (!writer.addData(name, bytes)) std::abort();
    if (!writer.commit()) std::abort();
}

inline void writeShowFolder(const std::filesystem::path& folder, const ShowFiles& files) {
    for (const auto& [name, bytes] : files) {
        std::filesystem::create_directories((folder / name).parent_path());
        writeFile((folder / name).string(), bytes);
    }
}

}  // namespace qv3rn::test
