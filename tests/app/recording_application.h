// recording_application.h -- an application that writes every call of the shell into a trace.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/application.h"

namespace qv3rn::test {

class RecordingApplication : public Application {
public:
    RecordingApplication() { setSettings(AppSettings("Recording", 64, 48, 32, 24, 8, 0, false, false)); }

    std::vector<std::string> trace;
    std::vector<float> updates;
    bool initializeResult = true;
    std::function<void(RecordingApplication&, int frame)> onRender;  // frame counts from 1
    int frames = 0;

    bool initialize() override {
        trace.push_back("initialize");
        return initializeResult;
    }
    void shutdown() override { trace.push_back("shutdown"); }
    void render() override {
        trace.push_back("render");
        ++frames;
        if (onRender) onRender(*this, frames);
    }
    void update(float dt) override {
        trace.push_back("update");
        updates.push_back(dt);
    }
    void resize(int width, int height) override {
        trace.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
    }

    using Application::checkGLErrors;
    using Application::postClose;
    using Application::setDefaultGLState;
};

}  // namespace qv3rn::test
