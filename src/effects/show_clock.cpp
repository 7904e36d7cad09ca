// show_clock.cpp -- the step that moves the show, and moving it in fixed steps.
#include "effects/show_clock.h"

#include <cmath>

#include "effects/effect_manager.h"
#include "shader/shader_manager.h"

namespace qv3rn {

void advanceShow(EffectManager& effects, float time) {
    if (ShaderManager* shaders = ShaderManager::instance()) shaders->setFrameTime(time);
    effects.update(time);
}

FixedStepClock::FixedStepClock(EffectManager& effects, double stepsPerSecond, double startTime)
    : effects_(effects),
      rate_(stepsPerSecond > 0.0 && std::isfinite(stepsPerSecond) ? stepsPerSecond : defaultStepsPerSecond),
      start_(startTime > 0.0 ? startTime : 0.0) {}

float FixedStepClock::step() {
    const float time = stepTime(next_);
    advanceTo(time);
    return time;
}

bool FixedStepClock::advanceTo(float time) {
    if (!std::isfinite(time) || time < 0.0f || time < time_) return false;
    if (time == time_) return true;
    for (; stepTime(next_) < time; ++next_)
        if (stepTime(next_) > time_) advanceShow(effects_, stepTime(next_));  // not passed by an earlier move
    if (stepTime(next_) == time) ++next_;  // the step at `time` itself is the move below
    advanceShow(effects_, time);
    time_ = time;
    return true;
}

}  // namespace qv3rn
