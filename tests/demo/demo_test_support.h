// demo_test_support.h -- running the whole demo inside a test: a scripted headless window system, a demo that
// records the time and the middle pixel of every frame and can act before chosen frames, and the log.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/scripted_window_system.h"
#include "core/log.h"
#include "demo/demo.h"
#include "demo_show.h"

namespace qv3rn::test {

using Rgba = std::array<std::uint8_t, 4>;

class WatchedDemo : public Demo {
public:
    explicit WatchedDemo(DemoOptions options = {}, int width = 160, int height = 120) : Demo(std::move(options)) {
        AppSettings small = settings();
        small.width = width;
        small.height = height;
        setSettings(small);
    }

    struct Frame {
        float time;
        Rgba middle;
    };
    std::vector<Frame> frames;
    // Run before the update of frame n (1 is the first frame).
    std::map<int, std::function<void(WatchedDemo&)>> beforeFrame;
    // Run after the update of frame n.
    std::map<int, std::function<void(WatchedDemo&)>> afterUpdate;

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

inline bool near(const Rgba& colour, int r, int g, int b) {
    return std::abs(colour[0] - r) <= 2 && std::abs(colour[1] - g) <= 2 && std::abs(colour[2] - b) <= 2;
}

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
