// demo_clock.h -- the player's demo time: the frame loop's frame times summed from a start time, with pauses and
// seeks; and the end of the show.
#pragma once

namespace qv3rn {

// The show ends in the first frame whose demo time exceeds this; a frame exactly at it still plays.
inline constexpr float showLength = 252.0f;
inline bool showIsOver(float demoTime) { return demoTime > showLength; }

// The demo time of a run in real time: each frame's time, as the frame loop hands it over, moves it on unless it
// is paused; a seek puts it anywhere from 0 on.
class DemoClock {
public:
    explicit DemoClock(double startTime = 0.0) : time_(startTime > 0.0 ? startTime : 0.0) {}

    // Moves the time on by one frame's time (nothing while paused) and returns it.
    double advance(double frameTime) {
        if (!paused_) time_ += frameTime;
        return time_;
    }
    double time() const { return time_; }

    bool paused() const { return paused_; }
    void pause() { paused_ = true; }
    void resume() { paused_ = false; }
    // The demo time becomes `demoTime` (below 0 is taken as 0); a pause stays.
    void seek(double demoTime) { time_ = demoTime > 0.0 ? demoTime : 0.0; }

private:
    double time_;
    bool paused_ = false;
};

}  // namespace qv3rn
