// brush_stroke.cpp -- one frame of the brush strokes at 640 x 480 in a headless context: the path stroke of
// a few hundred soft stamps growing and shrinking along its path, and the Hermite stroke, each at points of its
// interval (the argument is the time in tenths of a second after the start).
#include <benchmark/benchmark.h>

#include <iterator>
#include <memory>
#include <sstream>
#include <string>

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

// A stroke of 40 to 120 pixel stamps every 30 ms over 8 seconds, sweeping the screen, and a Hermite stroke of 24
// stamps a span through six points with a 110 pixel brush.
std::string strokeScript() {
    return "SplineBrush {\nStart 0\nEnd 8\nDrawMode ADDITIVE\nBrush \"soft.png\"\nImage \"noise.png\"\n"
           "PathIncrTime 0.03\n" +
           envelope("BrushSize {", "Key 40 0 0 0 0 0 0 0 0 0\nKey 120 4 0 0 0 0 0 0 0 0\nKey 70 8 0 0 0 0 0 0 0 0\n", 3) +
           envelope("PathX {",
                    "Key 40 0 0 0 0 0 0 0 0 0\nKey 600 2 0 0 0 0 0 0 0 0\nKey 80 4 0 0 0 0 0 0 0 0\n"
                    "Key 560 6 0 0 0 0 0 0 0 0\nKey 320 8 0 0 0 0 0 0 0 0\n",
                    5) +
           envelope("PathY {",
                    "Key 420 0 2 0 0 0 0 0 0 0\nKey 330 2 2 0 0 0 0 0 0 0\nKey 220 4 2 0 0 0 0 0 0 0\n"
                    "Key 120 6 2 0 0 0 0 0 0 0\nKey 60 8 2 0 0 0 0 0 0 0\n",
                    5) +
           "}\n"
           "HermiteBrush {\nStart 0\nEnd 8\nDrawMode ADDITIVE\nBrush \"soft.png\"\nImage \"noise.png\"\n"
           "Tension 0.2\nNumSegDivs 24\nBrushSize 110\nSpline {\nPoint 0 60 80\nPoint 1.5 250 400\n"
           "Point 3 420 90\nPoint 4.5 590 380\nPoint 6 330 240\nPoint 7.5 120 300\n}\n}\n";
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

// Times update + render + glFinish of the effect at index `which` of the script at time range(0) / 10.
void timeStroke(benchmark::State& state, std::size_t which) {
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
        const float time = static_cast<float>(state.range(0)) / 10.0f;
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

// Process CPU time counts the renderer's own threads too: on a busy machine it follows the work done more
// closely than the wall clock does.
BENCHMARK(BM_PathStroke)->Arg(20)->Arg(40)->Arg(60)->Arg(80)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_HermiteStroke)->Arg(40)->Arg(80)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
