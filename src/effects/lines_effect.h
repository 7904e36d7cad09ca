// lines_effect.h -- vertical light bars that drift across the screen, bounce at its edges and pulse, with their
// loader.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

// Each bar is a full-height quad from x to x + width. Its alpha pulses as (sin(phase) + 1) / 2 and its x moves
// at its velocity, put back to the nearer edge with the velocity reversed when it leaves 0..640. Random values
// come from the runtime generator, in a fixed order per bar (see init and update).
class LinesEffect : public Effect {
public:
    struct Line {
        float x = 0.0f;
        float width = 0.0f;
        float velocity = 0.0f;
        float phase = 0.0f;
        float phaseSpeed = 0.0f;
        float alpha = 0.0f;
    };

    // The most bars a block may ask for.
    static constexpr int maxLines = 100000;

    LinesEffect() : Effect(EffectKind::Lines) {}

    // Makes numLines bars, drawing five random numbers for each in this order: x, width, the velocity's
    // variation, the velocity's sign (odd: negated), the phase speed's variation.
    bool init() override;
    bool release() override;
    // Per bar, one random draw for its phase step, then the move and bounce; then color[3] = the alpha track at
    // time, or 1.
    void update(float time) override;
    void render() override;

    const std::vector<Line>& lines() const { return lines_; }
    std::vector<Line>& lines() { return lines_; }

    int numLines = 0;
    float speed = 0.0f, variance = 0.0f;
    float alphaSpeed = 0.0f, alphaVariance = 0.0f;
    std::array<float, 4> color{0.0f, 0.0f, 0.0f, 0.0f};
    std::unique_ptr<Envelope> alphaTrack;

private:
    std::vector<Line> lines_;
    float lastTime_ = 0.0f;
    bool started_ = false;
};

// "Lines" blocks, after the common keywords: "NumLines ", "AlphaSpeed ", "AlphaVariance ", "Speed ",
// "Variance ", "Color ", "Alpha {". Any other line raises "LinesEffectLoader unknown token: " followed by the
// line; a NumLines count outside 0..100000 raises "LinesEffectLoader line count out of range: " and the line.
class LinesEffectLoader : public EffectLoaderOf<LinesEffect> {
public:
    LinesEffectLoader();
};

}  // namespace qv3rn
