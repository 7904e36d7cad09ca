// lines_effect.cpp -- the moving light bars: keywords, random set-up, movement with bouncing, and drawing.
#include "effects/lines_effect.h"

#include <GL/gl.h>

#include <cmath>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"
#include "math/random.h"

namespace qv3rn {

namespace {

// rand() / 32767: 0 .. 1.
float randomUnit() { return static_cast<float>(nextRandom()) * 3.051851e-5f; }

float pulse(float phase) { return (std::sin(phase) + 1.0f) * 0.5f; }

}  // namespace

bool LinesEffect::init() {
    lines_.assign(static_cast<std::size_t>(numLines > 0 ? numLines : 0), Line{});
    for (Line& line : lines_) {
        line.x = static_cast<float>(nextRandom()) * 0.019531846f;
        line.width = static_cast<float>(nextRandom()) * 0.00028992584f + 1.5f;
        line.velocity = (randomUnit() - 0.5f) * variance + speed;
        if (nextRandom() & 1) line.velocity = -line.velocity;
        line.phaseSpeed = (randomUnit() - 0.5f) * alphaVariance + alphaSpeed;
        line.phase = line.phaseSpeed;
        line.alpha = pulse(line.phase);
    }
    started_ = false;
    return true;
}

bool LinesEffect::release() {
    lines_.clear();
    alphaTrack.reset();
    return Effect::release();
}

void LinesEffect::update(float time) {
    if (!started_) {
        lastTime_ = time - 0.001f;
        started_ = true;
    }
    const float dt = time - lastTime_;
    lastTime_ = time;
    for (Line& line : lines_) {
        line.phase += (randomUnit() + line.phaseSpeed) * dt;
        line.alpha = pulse(line.phase);
        line.x += dt * line.velocity;
        if (line.x < 0.0f || line.x > virtualScreenWidth) {
            line.x = line.x < 0.0f ? 0.0f : virtualScreenWidth;
            line.velocity = -line.velocity;
        }
    }
    color[3] = alphaTrack ? alphaTrack->evaluate(time) : 1.0f;
}

void LinesEffect::render() {
    OverlayFrame frame(virtualScreen);
    disableTexturing();
    beginBlend(drawMode());
    for (const Line& line : lines_) {
        glColor4f(color[0], color[1], color[2], line.alpha * color[3]);
        drawQuad({{line.x + line.width, virtualScreenHeight},
                  {line.x, virtualScreenHeight},
                  {line.x, 0.0f},
                  {line.x + line.width, 0.0f}});
    }
    endBlend();
}

LinesEffectLoader::LinesEffectLoader()
    : EffectLoaderOf("Lines",
                     effectGrammar<LinesEffect>({
                         integerIn("NumLines ", &LinesEffect::numLines, 0, LinesEffect::maxLines,
                                   "LinesEffectLoader line count out of range: "),
                         floats("AlphaSpeed ", &LinesEffect::alphaSpeed),
                         floats("AlphaVariance ", &LinesEffect::alphaVariance),
                         floats("Speed ", &LinesEffect::speed),
                         floats("Variance ", &LinesEffect::variance),
                         floats("Color ", &LinesEffect::color),
                         track("Alpha {", &LinesEffect::alphaTrack),
                     }),
                     UnknownLine::raiseWithLine("LinesEffectLoader unknown token: ")) {}

std::unique_ptr<EffectLoader> makeLinesLoader() { return std::make_unique<LinesEffectLoader>(); }

}  // namespace qv3rn
