// Tests of the demo time: the end of the show, the loop clock with seeks and pauses, and the fixed step.
#include "demo/demo_clock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qv3rn {
namespace {

TEST(ShowEnd, TheShowIsOverOnlyPast252Seconds) {
    EXPECT_FALSE(showIsOver(0.0f));
    EXPECT_FALSE(showIsOver(251.99f));
    EXPECT_FALSE(showIsOver(252.0f));  // a frame exactly at the end still plays
    EXPECT_TRUE(showIsOver(std::nextafter(252.0f, 300.0f)));
    EXPECT_TRUE(showIsOver(1000.0f));
}

TEST(DemoClock, WithoutSeekOrPauseTheDemoTimeIsTheLoopTimeBitForBit) {
    DemoClock clock;
    double loop = 0.0;
    for (int frame = 0; frame < 1000; ++frame) {
        loop += 0.016666 + frame * 1e-7;  // as the frame loop sums its frame times
        ASSERT_EQ(clock.at(loop), loop) << frame;
    }
}

TEST(DemoClock, AStartTimeShiftsTheLoopTime) {
    DemoClock clock(30.0);
    EXPECT_DOUBLE_EQ(clock.at(0.0), 30.0);
    EXPECT_DOUBLE_EQ(clock.at(2.5), 32.5);
}

TEST(DemoClock, APauseFreezesTheTimeAndResumingGoesOnFromThere) {
    DemoClock clock;
    clock.pause(10.0);
    EXPECT_TRUE(clock.paused());
    EXPECT_DOUBLE_EQ(clock.at(11.0), 10.0);
    EXPECT_DOUBLE_EQ(clock.at(50.0), 10.0);
    clock.pause(60.0);  // pausing again changes nothing
    EXPECT_DOUBLE_EQ(clock.at(61.0), 10.0);
    clock.resume(70.0);
    EXPECT_FALSE(clock.paused());
    EXPECT_DOUBLE_EQ(clock.at(70.0), 10.0);
    EXPECT_DOUBLE_EQ(clock.at(71.5), 11.5);
    clock.resume(80.0);  // resuming a running clock changes nothing
    EXPECT_DOUBLE_EQ(clock.at(81.5), 21.5);
}

TEST(DemoClock, SeeksJumpBothWaysKeepAPauseAndStopAtZero) {
    DemoClock clock;
    clock.seek(100.0, 5.0);
    EXPECT_DOUBLE_EQ(clock.at(6.0), 101.0);
    clock.seek(20.0, 6.0);
    EXPECT_DOUBLE_EQ(clock.at(7.0), 21.0);
    clock.pause(7.0);
    clock.seek(50.0, 8.0);
    EXPECT_DOUBLE_EQ(clock.at(9.0), 50.0);  // still paused, at the new time
    clock.resume(10.0);
    EXPECT_DOUBLE_EQ(clock.at(10.5), 50.5);
    clock.seek(-3.0, 11.0);
    EXPECT_DOUBLE_EQ(clock.at(11.0), 0.0);
}

TEST(FixedStepClock, FrameTimesComeFromTheFrameNumberNotFromASum) {
    FixedStepClock clock(0.0, 60);
    double summed = 0.0;
    for (long long frame = 0; frame < 60 * 252; ++frame) {
        const double time = clock.next();
        ASSERT_EQ(time, static_cast<double>(frame) / 60.0);
        summed += 1.0 / 60.0;
    }
    EXPECT_EQ(clock.framesTaken(), 60 * 252);
    EXPECT_EQ(clock.timeOf(60 * 252), 252.0);  // the last frame of the show lands on its end exactly
    EXPECT_NE(summed, 252.0);                  // which a running sum would miss
}

TEST(FixedStepClock, AStartTimeIsAddedAndTwoStartsMeetOnTheSameFrameTimes) {
    FixedStepClock fromZero(0.0, 10);
    FixedStepClock fromOne(1.0, 10);
    EXPECT_EQ(fromOne.next(), 1.0);
    EXPECT_EQ(fromZero.timeOf(15), fromOne.timeOf(5));  // 1.5 s either way
    EXPECT_EQ(fromOne.framesPerSecond(), 10);
}

}  // namespace
}  // namespace qv3rn
