// lines_effect.cpp -- the moving light bars: keywords, random set-up, movement with bouncing, and drawing.
#include "effects/lines_effect.h"

#include <GL/gl.h>

#include <cmath>
#include <stdexcept>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "effects/overlay_keywords.h"
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

std::unique_ptr<Effect> LinesEffectLoader::createEffect() { return std::make_unique<LinesEffect>(); }

std::unique_ptr<EffectLoader> makeLinesLoader() { return std::make_unique<LinesEffectLoader>(); }

bool LinesEffectLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    auto& effect = static_cast<LinesEffect&>(base);
    using Keyword = KeywordAction<LinesEffectLoader, LinesEffect>;
    // The longer words first: "AlphaSpeed " contains "Speed ", "AlphaVariance " contains "Variance ".
    static const Keyword keywords[] = {
        {"NumLines ",
         [](LinesEffectLoader&, std::string& text, std::istream&, LinesEffect& lines) {
             int count = lines.numLines;
             scanInt(text, count);
             if (count < 0 || count > LinesEffect::maxLines)
                 throw std::runtime_error("LinesEffectLoader line count out of range: " + text);
             lines.numLines = count;
             return true;
         }},
        {"AlphaSpeed ",
         [](LinesEffectLoader&, std::string& text, std::istream&, LinesEffect& lines) {
             scanFloats(text, lines.alphaSpeed);
             return true;
         }},
        {"AlphaVariance ",
         [](LinesEffectLoader&, std::string& text, std::istream&, LinesEffect& lines) {
             scanFloats(text, lines.alphaVariance);
             return true;
         }},
        {"Speed ",
         [](LinesEffectLoader&, std::string& text, std::istream&, LinesEffect& lines) {
             scanFloats(text, lines.speed);
             return true;
         }},
        {"Variance ",
         [](LinesEffectLoader&, std::string& text, std::istream&, LinesEffect& lines) {
             scanFloats(text, lines.variance);
             return true;
         }},
        {"Color ",
         [](LinesEffectLoader&, std::string& text, std::istream&, LinesEffect& lines) {
             scanFloats(text, lines.color[0], lines.color[1], lines.color[2], lines.color[3]);
             return true;
         }},
        {"Alpha {",
         [](LinesEffectLoader& loader, std::string&, std::istream& in, LinesEffect& lines) {
             lines.alphaTrack = loader.readEnvelopeField(in);
             return true;
         }},
    };
    if (takeKeyword(keywords, *this, line, stream, effect) == KeywordResult::NotFound)
        throw std::runtime_error("LinesEffectLoader unknown token: " + line);
    return true;
}

}  // namespace qv3rn
