// brush_stroke.cpp -- one frame of the brush strokes at 640 x 480 in a headless context: the path stroke of
// a few hundred soft stamps growing and shrinking along its path, and the Hermite stroke, each at points of its
// interval (the argument is the time in tenths of a second after the start).
#include <benchmark/benchmark.h>

#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "generators/texture_set.h"
#include "platform/headless_context.h"
#include "shader/image_registry.h"
#include "shader/texture_2d.h"

namespace {

using namespace qv3rn;

constexpr int width = 640;
constexpr int height = 480;

std::string envelope(const char* keyword, const char* keys, int count) {
    return std::string(keyword) + "\n{ Envelope\n" + std::to_string(count) + "\n" + keys + "Behaviors 1 1\n}\n}\n";
}

// A stroke of 40 to 120 pixel stamps every 30 ms over 8 seconds from `from`, sweeping the screen (before
// `from` its path holds its first point: a stroke that starts late piles its early stamps there).
std::string pathStroke(int from) {
    const auto keys = [from](std::initializer_list<std::pair<int, int>> values, int shape) {
        std::string text;
        for (const auto& [value, time] : values)
            text += "Key " + std::to_string(value) + " " + std::to_string(from + time) + " " + std::to_string(shape) +
                    " 0 0 0 0 0 0 0\n";
        return text;
    };
    return "SplineBrush {\nStart " + std::to_string(from) + "\nEnd " + std::to_string(from + 8) +
           "\nDrawMode ADDITIVE\nBrush \"soft.png\"\nImage \"noise.png\"\nPathIncrTime 0.03\n" +
           envelope("BrushSize {", keys({{40, 0}, {120, 4}, {70, 8}}, 0).c_str(), 3) +
           envelope("PathX {", keys({{40, 0}, {600, 2}, {80, 4}, {560, 6}, {320, 8}}, 0).c_str(), 5) +
           envelope("PathY {", keys({{420, 0}, {330, 2}, {220, 4}, {120, 6}, {60, 8}}, 2).c_str(), 5) + "}\n";
}

// The path stroke from 0, a Hermite stroke of 24 stamps a span through six points with a 110 pixel brush, and
// the path stroke from 48 seconds.
std::string strokeScript() {
    return pathStroke(0) +
           "HermiteBrush {\nStart 0\nEnd 8\nDrawMode ADDITIVE\nBrush \"soft.png\"\nImage \"noise.png\"\n"
           "Tension 0.2\nNumSegDivs 24\nBrushSize 110\nSpline {\nPoint 0 60 80\nPoint 1.5 250 400\n"
           "Point 3 420 90\nPoint 4.5 590 380\nPoint 6 330 240\nPoint 7.5 120 300\n}\n}\n" +
           pathStroke(48);
}

Texture2D* addPicture(const std::string& name, const Picture& picture) {
    auto* image = new Texture2D();
    image->allocate(picture.width, picture.height, ImageFormat::Rgba);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = picture.at(x, y);
            const std::uint32_t grey = p[0];
            const std::uint32_t alpha = picture.channels == 4 ? p[3] : 255u;
            image->setPixel(grey << 24 | grey << 16 | grey << 8 | alpha, x, y);
        }
    image->setName(name);
    ImageRegistry::instance().add(image);
    return image;
}

// Times update + render + glFinish of the effect at index `which` of the script at time from + range(0) / 10.
void timeStroke(benchmark::State& state, std::size_t which, float from = 0.0f) {
    auto context = platform::HeadlessContext::create(width, height);
    if (!context) {
        state.SkipWithError("no headless OpenGL context");
        return;
    }
    reportExtensions(*context);
    applyDefaultGLState();
    glViewport(0, 0, width, height);
    addPicture("soft.png", makeSoftBrush(64));
    addPicture("noise.png", makeNoise(256, 7u));
    {
        EffectManager manager;
        EffectScript reader(manager);
        std::istringstream stream(strokeScript());
        if (!reader.parse(stream)) {
            state.SkipWithError("the stroke script was not read");
            return;
        }
        Effect& effect = **std::next(manager.pending().begin(), static_cast<long>(which));
        effect.init();
        const float time = from + static_cast<float>(state.range(0)) / 10.0f;
        effect.update(time);
        effect.render();  // first use: uploads
        glFinish();
        for (auto _ : state) {
            glClear(GL_COLOR_BUFFER_BIT);
            effect.update(time);
            effect.render();
            glFinish();
        }
    }
    ImageRegistry::instance().clear();
    resetExtensions();
}

void BM_PathStroke(benchmark::State& state) { timeStroke(state, 0); }
void BM_HermiteStroke(benchmark::State& state) { timeStroke(state, 1); }
void BM_LatePathStroke(benchmark::State& state) { timeStroke(state, 2, 48.0f); }

// Process CPU time counts the renderer's own threads too: on a busy machine it follows the work done more
// closely than the wall clock does.
BENCHMARK(BM_PathStroke)->Arg(20)->Arg(40)->Arg(60)->Arg(80)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_HermiteStroke)->Arg(40)->Arg(80)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LatePathStroke)->Arg(0)->Arg(40)->Arg(80)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
