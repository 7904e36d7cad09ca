// effect_timeline.cpp -- the timeline's cost per frame: EffectManager::update + render of 200 overlapping 2D effects
// (full-screen Flash and Image quads, with alpha envelopes and a visibility envelope each) drawn into a 640 x 480
// headless context, and the timeline's CPU work alone (activation, visibility, updates, release) without drawing.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "shader/image_registry.h"
#include "shader/texture_2d.h"

namespace {

using namespace qv3rn;

constexpr int effectCount = 200;

std::string envelope(float from, float to, float start, float end) {
    return "{ Envelope\n2\nKey " + std::to_string(from) + " " + std::to_string(start) + " 3 0 0 0 0 0 0 0\nKey " +
           std::to_string(to) + " " + std::to_string(end) + " 3 0 0 0 0 0 0 0\nBehaviors 1 1\n}\n}\n";
}

// 200 effects, all active from 0 to 1000 s on 20 layers: every other one a flash, the others half-size images of a
// 256 x 256 picture placed by position envelopes; each fades with an alpha envelope and has a visibility envelope.
std::string timelineScript() {
    std::ostringstream text;
    for (int i = 0; i < effectCount; ++i) {
        const int layer = i % 20;
        text << (i % 2 ? "Image {\n" : "Flash {\n") << "Name \"fx" << i << "\"\nStart 0\nEnd 1000\nLayer " << layer
             << "\nDrawMode " << (i % 3 ? "ADDITIVE" : "NORMAL") << "\nVisible {\n" << envelope(1, 1, 0, 1000);
        if (i % 2) {
            text << "Image \"bench.tga\"\nRect 160 120 320 240\nPositionX {\n" << envelope(0, 640, 0, 20)
                 << "PositionY {\n" << envelope(0, 480, 0, 20) << "Alpha {\n" << envelope(0.02f, 0.05f, 0, 1000);
        } else {
            text << "Color 0.2 0.3 0.4 1\nAlpha {\n" << envelope(0.02f, 0.05f, 0, 1000);
        }
        text << "}\n";
    }
    return text.str();
}

class TimelineBench {
public:
    TimelineBench() {
        std::string error;
        context_ = platform::HeadlessContext::create(640, 480, {}, &error);
        if (!context_) {
            std::fprintf(stderr, "no headless context: %s\n", error.c_str());
            return;
        }
        platform::installWindowSystem(context_->windowSystemHooks());
        reportExtensions(*context_);
        applyDefaultGLState();
        auto image = std::make_unique<Texture2D>();
        image->allocate(256, 256, ImageFormat::Rgba);
        image->setName("bench.tga");
        ImageRegistry::instance().add(image.release());
        load();
    }
    ~TimelineBench() {
        manager_.clear();
        ImageRegistry::instance().clear();
        platform::installWindowSystem({});
    }

    // Every effect is in the timeline, pending or active (no interval ends while the benchmarks run).
    bool ready() const { return context_ && manager_.pending().size() + manager_.active().size() == effectCount; }
    EffectManager& manager() { return manager_; }

    // Reads the script afresh (the effects of an earlier run are gone).
    void load() {
        manager_.clear();
        EffectScript script(manager_);
        std::istringstream text(timelineScript());
        if (!script.parse(text)) std::fprintf(stderr, "the timeline did not load: %s\n", script.failure().c_str());
        manager_.initAll();
        manager_.setSize(640, 480);
        manager_.setViewport(0, 0, 640, 480);
    }

private:
    std::unique_ptr<platform::HeadlessContext> context_;
    EffectManager manager_;
};

TimelineBench& bench() {
    static TimelineBench instance;
    return instance;
}

// One frame as the player runs it: update at the frame's time, render, and wait for the driver to finish.
void BM_UpdateAndRender200(benchmark::State& state) {
    TimelineBench& b = bench();
    if (!b.ready()) {
        state.SkipWithError("no headless context or the script did not load");
        return;
    }
    float time = 1.0f;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        b.manager().update(time);
        b.manager().render();
        glFinish();
        time = time < 100.0f ? time + 1.0f / 60.0f : 1.0f;  // stays inside every effect's interval
    }
    state.counters["effects"] = static_cast<double>(b.manager().active().size());
}
BENCHMARK(BM_UpdateAndRender200)->Unit(benchmark::kMillisecond);

// The timeline's own work per frame with all 200 effects active: visibility envelopes and effect updates.
void BM_UpdateOnly200(benchmark::State& state) {
    TimelineBench& b = bench();
    if (!b.ready()) {
        state.SkipWithError("no headless context or the script did not load");
        return;
    }
    float time = 1.0f;
    for (auto _ : state) {
        b.manager().update(time);
        time = time < 100.0f ? time + 1.0f / 60.0f : 1.0f;
    }
}
BENCHMARK(BM_UpdateOnly200)->Unit(benchmark::kMicrosecond);

// Activation into layer order and release: 200 pending effects activated in one frame and released in the next.
void BM_ActivateAndRelease200(benchmark::State& state) {
    TimelineBench& b = bench();
    if (!b.ready()) {
        state.SkipWithError("no headless context or the script did not load");
        return;
    }
    b.manager().setKeepFinished(true);  // ended effects go back to pending, so every iteration does the same work
    for (auto _ : state) {
        b.manager().update(500.0f);   // all active
        b.manager().update(2000.0f);  // all ended: back to pending
    }
    b.manager().setKeepFinished(false);
}
BENCHMARK(BM_ActivateAndRelease200)->Unit(benchmark::kMicrosecond);

}  // namespace
