// Tests of the player's demo time: the end of the show, and the frame times summed with pauses and seeks.
#include "demo/demo_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace qv3rn {
namespace {

TEST(ShowEnd, TheShowIsOverOnlyPast252Seconds) {
    for (const float time : {0.0f, 251.99f, 252.0f}) EXPECT_FALSE(showIsOver(time)) << time;  // 252 still plays
    for (const float time : {std::nextafter(252.0f, 300.0f), 1000.0f}) EXPECT_TRUE(showIsOver(time)) << time;
}

TEST(DemoClock, FrameTimesMoveItUnlessPausedAndSeeksPutItAnywhereFromZero) {
    DemoClock clock(30.0);
    // Each row steers the clock, then a frame of 0.5 s passes; `time` is the demo time of that frame.
    const struct {
        std::function<void()> steer;
        double time;
        bool paused;
    } frames[] = {
        {[] {}, 30.5, false},                         // from the start time on
        {[&] { clock.pause(); }, 30.5, true},         // frozen
        {[&] { clock.pause(); }, 30.5, true},         // pausing again changes nothing
        {[&] { clock.seek(50.0); }, 50.0, true},      // a seek while paused moves the paused time
        {[&] { clock.resume(); }, 50.5, false},       // on from where it was paused
        {[&] { clock.resume(); }, 51.0, false},       // resuming a running clock changes nothing
        {[&] { clock.seek(20.0); }, 20.5, false},     // back
        {[&] { clock.seek(-3.0); }, 0.5, false},      // not before the show's start
    };
    for (std::size_t i = 0; i < std::size(frames); ++i) {
        frames[i].steer();
        EXPECT_DOUBLE_EQ(clock.advance(0.5), frames[i].time) << "frame " << i;
        EXPECT_EQ(clock.paused(), frames[i].paused) << "frame " << i;
    }
    EXPECT_EQ(DemoClock(-1.0).time(), 0.0);
}

}  // namespace
}  // namespace qv3rn
