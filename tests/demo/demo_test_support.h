// Runs the whole demo inside a test on a small show made here, recording each frame's time and pixel.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/scripted_window_system.h"
#include "core/log.h"
#include "data/archive.h"
#include "data/archive_writer.h"
#include "demo/demo.h"
#include "effects/overlay_test_support.h"
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
    std::string error;
    if (!encodeOggVorbis(samples, channels, rate, 0.3f, "vorbis_sample.ogg", error)) std::abort();
    const std::string file = readFile("vorbis_sample.ogg");
    std::filesystem::remove("vorbis_sample.ogg");
    return Bytes(file.begin(), file.end());
}

inline Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The test show's timeline of full-screen flashes: black under everything for the whole show, red from 1 to 2 s,
// green from 3 to 4 s, blue from 6 to 8 s.
inline std::string showEffects(const std::string& red = "1 0 0 1") {
    std::string text = "; the test show\n";
    for (const auto& [name, start, end, color] : {std::tuple{"ground", 0, 252, "0 0 0 1"}, {"red", 1, 2, red.c_str()},
                                                  {"green", 3, 4, "0 1 0 1"}, {"blue", 6, 8, "0 0 1 1"}})
        text += std::string("Flash {\n  Name \"") + name + "\"\n  Start " + std::to_string(start) + "\n  End " +
                std::to_string(end) + "\n  Layer " + (start ? "1" : "0") + "\n  Color " + color + "\n" +
                constantField("  Alpha {", 1.0f) + "}\n";
    return text;
}

// Entry names (archive layout) and their contents. One of the shaders binds a render target, so the shaders
// hold the target until they are cleared.
using ShowFiles = std::map<std::string, Bytes>;

inline ShowFiles showFiles() {
    return {{"data/shader/demo.shader",
             textBytes("; the test show's shaders\nImage {\n  Name \"smoke.jpg\"\n  Alias \"fireandsmoke\"\n}\n"
                       "Shader {\n  Name \"plain\"\n  Lighting no\n}\nShader {\n  Name \"flare\"\n}\n"
                       "Shader {\n  Name \"copy\"\n  Texture {\n    Image \"512x512 PixelBuffer\"\n  }\n}\n")},
            {"data/effect/demo.effect", textBytes(showEffects())},
            {"data/art/smoke.jpg", jpegFile(8, 8, 3, flatPixels(8, 8, {200, 100, 50}))},
            {"data/art/demo_loading.jpg", jpegFile(64, 48, 3, flatPixels(64, 48, {30, 60, 90}))}};
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

using Rgba = std::array<std::uint8_t, 4>;

inline bool near(const Rgba& colour, int r, int g, int b) {
    return std::abs(colour[0] - r) <= 2 && std::abs(colour[1] - g) <= 2 && std::abs(colour[2] - b) <= 2;
}

class WatchedDemo : public Demo {
public:
    explicit WatchedDemo(DemoOptions options = {}, int width = 160, int height = 120) : Demo(std::move(options)) {
        AppSettings small = settings();
        small.width = width;
        small.height = height;
        setSettings(small);
    }

    struct Frame { float time; Rgba middle; };
    std::vector<Frame> frames;
    // Run before and after the update of frame n (1 is the first frame).
    std::map<int, std::function<void(WatchedDemo&)>> beforeFrame, afterUpdate;

    void update(float dt) override {
        const int frame = static_cast<int>(frames.size()) + 1;
        if (auto action = beforeFrame.find(frame); action != beforeFrame.end()) action->second(*this);
        Demo::update(dt);
        if (auto action = afterUpdate.find(frame); action != afterUpdate.end()) action->second(*this);
    }

    void render() override {
        Demo::render();
        Rgba middle{};
        glReadPixels(settings().width / 2, settings().height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, middle.data());
        frames.push_back({demoTime(), middle});
    }

    // The middle colour of the first frame at `time` (within 1 ms).
    Rgba colourAt(float time) const {
        for (const Frame& frame : frames)
            if (std::abs(frame.time - time) < 1e-3f) return frame.middle;
        ADD_FAILURE() << "no frame at " << time;
        return {};
    }
};

// Each test runs in a fresh folder with the test show packed as data.dat and the music beside it.
class DemoRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        logger().close();  // a failed start leaves the process's log open; every run here starts its own
        files = showFiles();
    }
    void TearDown() override { logger().close(); }

    void packShowHere() {
        packShow("data.dat", files);
        writeFile(Music::fileName, vorbisFile(8.0, 22050));
    }

    // Frame times of `step` seconds from a clock starting at 0.
    void stepClock(double step) {
        windows.frequency = 1000;
        windows.tick = static_cast<std::int64_t>(step * 1000.0);
        windows.counterReadings = {0};
    }

    std::vector<std::string> logLines() const { return readLines(folder.path() / "application.log"); }

    // The index of the first log line containing `text` at or after `from`; -1 when none.
    static int find(const std::vector<std::string>& lines, const std::string& text, int from = 0) {
        for (int i = from; i < static_cast<int>(lines.size()); ++i)
            if (lines[i].find(text) != std::string::npos) return i;
        return -1;
    }

    TemporaryFolder folder;
    ScriptedWindowSystem windows;
    ShowFiles files;
};

}  // namespace qv3rn::test
