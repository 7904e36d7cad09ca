// demo_clock.h -- the demo time: the frame loop's clock with a start offset, pauses and seeks, or a fixed step
// for runs that render without a real-time clock; and the end of the show.
#pragma once

namespace qv3rn {

// The show ends in the first frame whose demo time exceeds this; a frame exactly at it still plays.
inline constexpr float showLength = 252.0f;
inline bool showIsOver(float demoTime) { return demoTime > showLength; }

// Maps the frame loop's total time (seconds since the loop started) to the demo time. Without a seek or a
// pause the two are equal, bit for bit; a seek or a pause re-anchors the mapping at the loop time it happens.
class DemoClock {
public:
    explicit DemoClock(double startTime = 0.0) : base_(startTime) {}

    // The demo time at the loop time `loopTime` (frozen while paused).
    double at(double loopTime) const { return paused_ ? base_ : base_ + (loopTime - anchor_); }

    bool paused() const { return paused_; }
    void pause(double loopTime);
    void resume(double loopTime);
    // The demo time becomes `demoTime` at the loop time `loopTime` (below 0 is taken as 0); a pause stays.
    void seek(double demoTime, double loopTime);

private:
    double base_;          // the demo time at the anchor
    double anchor_ = 0.0;  // the loop time the mapping starts from
    bool paused_ = false;
};

// The demo time of frame n of a run at a fixed rate: start + n / framesPerSecond, computed from the frame number
// (never summed), so that every run puts frame n at exactly the same time.
class FixedStepClock {
public:
    FixedStepClock(double startTime, int framesPerSecond) : start_(startTime), rate_(framesPerSecond) {}

    double timeOf(long long frame) const { return start_ + static_cast<double>(frame) / rate_; }
    // The time of the next frame; the first call gives the start time.
    double next() { return timeOf(frame_++); }
    long long framesTaken() const { return frame_; }
    int framesPerSecond() const { return rate_; }

private:
    double start_;
    int rate_;
    long long frame_ = 0;
};

}  // namespace qv3rn
