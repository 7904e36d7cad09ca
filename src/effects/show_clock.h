// show_clock.h -- moving the show to a demo time: the one step every run takes (the time the shaders draw at,
// then the timeline's update), and the fixed-step clock of the runs that draw without a real-time clock.
#pragma once

namespace qv3rn {

class EffectManager;

// Moves the show to `time` (seconds of demo time): the shader manager's frame time first, which the animated
// render states (transparency envelopes, texture matrices) evaluate at while the frame is drawn, then the
// timeline's update at that time. The player, the capture, the bench and the render tool all move the show here.
void advanceShow(EffectManager& effects, float time);

// Moves a show in steps at a fixed rate: step n lies at start + n / stepsPerSecond, computed from n (never summed),
// so that every run puts step n at exactly the same time and runs from different starts meet on the same times.
class FixedStepClock {
public:
    static constexpr double defaultStepsPerSecond = 60.0;

    // A rate that is no positive finite number is taken as the default; a start below 0 as 0.
    explicit FixedStepClock(EffectManager& effects, double stepsPerSecond = defaultStepsPerSecond,
                            double startTime = 0.0);

    double timeOf(long long step) const { return start_ + static_cast<double>(step) / rate_; }

    // Moves the show to the next step's time and returns it; the first call gives the start time.
    float step();

    // Moves the show to `time` as a run at this rate reaches it: to every step time after the time it was last
    // moved to and before `time`, then to `time` itself, so that every effect sees the times in between. A time
    // before the last one, below 0 or not finite is refused (false, nothing runs); the last time again runs
    // nothing.
    bool advanceTo(float time);

    // The time the show was last moved to (negative before the first move).
    float time() const { return time_; }
    double stepsPerSecond() const { return rate_; }

private:
    float stepTime(long long step) const { return static_cast<float>(timeOf(step)); }

    EffectManager& effects_;
    double rate_;
    double start_;
    long long next_ = 0;  // the first step the show has not passed yet
    float time_ = -1.0f;
};

}  // namespace qv3rn
