// scripted_window_system.h -- a headless window system scripted by a test that records what it was asked.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless_window_system.h"
#include "support/test_files.h"

namespace qv3rn::test {

struct RecordedBox { std::string caption, text; platform::BoxIcon icon; };

class ScriptedWindowSystem : public platform::HeadlessWindowSystem {
public:
    // What happened, in order, shared with a recording application: "event Close", "swap", ...
    std::vector<std::string>* trace = nullptr;

    // Input events the "user" makes; delivered after posted events, as a desktop delivers input.
    std::deque<platform::Event> input;
    // Counter readings handed out in order; once used up, each reading adds `tick` to the last one.
    mutable std::deque<std::int64_t> counterReadings;
    std::int64_t tick = 10;
    std::int64_t frequency = 1000;
    bool escapeDown = false;

    // Desktop side: display modes, the dialog's answer, failing steps.
    bool desktop = false;
    std::vector<platform::DisplayMode> modes;
    std::optional<platform::ModeDialogResult> dialogAnswer;
    std::optional<platform::ModeDialogContent> dialogShown;
    bool modeChangeWorks = true;
    std::vector<std::pair<platform::DisplayMode, bool>> modeChanges;
    int restoredModes = 0;
    std::vector<bool> cursorChanges;
    std::string failingStep;  // "initialize", "current"
    std::vector<RecordedBox> boxes;
    std::optional<platform::WindowDesc> window;
    int swaps = 0, contextsReleased = 0, windowsDestroyed = 0;

    void record(const std::string& what) {
        if (trace) trace->push_back(what);
    }

    bool initialize() override { return failingStep != "initialize" && HeadlessWindowSystem::initialize(); }
    bool hasDesktop() const override { return desktop; }
    bool displayMode(int index, platform::DisplayMode& mode) const override {
        if (index < 0 || index >= static_cast<int>(modes.size())) return false;
        mode = modes[index];
        return true;
    }
    bool changeDisplayMode(const platform::DisplayMode& mode, bool matchRefreshRate) override {
        modeChanges.emplace_back(mode, matchRefreshRate);
        return modeChangeWorks;
    }
    void restoreDisplayMode() override { ++restoredModes; }
    void showCursor(bool visible) override { cursorChanges.push_back(visible); }
    std::optional<platform::ModeDialogResult> runModeDialog(const platform::ModeDialogContent& content) override {
        dialogShown = content;
        return dialogAnswer;
    }
    void messageBox(const std::string& caption, const std::string& text, platform::BoxIcon icon) override {
        boxes.push_back({caption, text, icon});
    }

    bool createWindow(const platform::WindowDesc& desc) override {
        window = desc;
        return HeadlessWindowSystem::createWindow(desc);
    }
    bool makeCurrent() override { return failingStep != "current" && HeadlessWindowSystem::makeCurrent(); }
    void swapBuffers() override {
        ++swaps;
        record("swap");
        HeadlessWindowSystem::swapBuffers();
    }
    // Counts the releases the shell asks for (not the one the window's own destruction makes).
    void releaseContext() override {
        if (!destroying_) ++contextsReleased;
        HeadlessWindowSystem::releaseContext();
    }
    void destroyWindow() override {
        ++windowsDestroyed;
        destroying_ = true;
        HeadlessWindowSystem::destroyWindow();
        destroying_ = false;
    }

    bool pollEvent(platform::Event& event) override {
        if (!HeadlessWindowSystem::pollEvent(event)) {
            if (input.empty()) return false;
            event = input.front();
            input.pop_front();
        }
        record(describe(event));
        return true;
    }
    bool isEscapeDown() const override { return escapeDown; }

    std::int64_t readCounter() const override {
        if (!counterReadings.empty()) {
            lastReading_ = counterReadings.front();
            counterReadings.pop_front();
        } else {
            lastReading_ += tick;
        }
        return lastReading_;
    }
    std::int64_t counterFrequency() const override { return frequency; }

    static std::string describe(const platform::Event& event) {
        switch (event.type) {
            case platform::EventType::Resize:
                return "event Resize " + std::to_string(event.width) + "x" + std::to_string(event.height);
            case platform::EventType::Close: return "event Close";
            case platform::EventType::Character: return "event Character " + std::to_string(event.key);
            case platform::EventType::Quit: return "event Quit";
        }
        return "event ?";
    }

private:
    mutable std::int64_t lastReading_ = 0;
    bool destroying_ = false;
};

}  // namespace qv3rn::test
