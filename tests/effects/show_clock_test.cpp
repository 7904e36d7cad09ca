// show_clock_test.cpp -- moving the show: the frame time the shaders draw at, fixed steps computed from their
// number, and moves that run every step before their time once.
#include "effects/show_clock.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "effects/effect_manager.h"
#include "probe_effect.h"
#include "shader/shader_manager.h"

namespace qv3rn::test {
namespace {

using Updates = std::vector<std::string>;

// The times of the journal's updates, cleared afterwards.
Updates takeUpdates(Journal& journal) {
    Updates found;
    for (const std::string& entry : journal)
        if (entry.rfind("update ", 0) == 0) found.push_back(entry.substr(entry.rfind(' ') + 1));
    journal.clear();
    return found;
}

// Notes, at every update, its time and the shader manager's frame time.
class FrameTimeProbe : public Effect {
public:
    explicit FrameTimeProbe(std::vector<std::pair<float, float>>* seen) : Effect(EffectKind::Image), seen_(seen) {
        setEnd(100.0f);
    }
    void update(float time) override { seen_->push_back({time, ShaderManager::instance()->frameTime()}); }
    void render() override {}

private:
    std::vector<std::pair<float, float>>* seen_;
};

TEST(FixedStepClock, StepTimesComeFromTheStepNumberSoRunsFromDifferentStartsMeet) {
    EffectManager manager;
    const FixedStepClock fromZero(manager, 60.0);
    double summed = 0.0;
    for (int step = 0; step < 60 * 252; ++step) summed += 1.0 / 60.0;
    EXPECT_EQ(fromZero.timeOf(60 * 252), 252.0);  // the show's last frame lands on its end exactly
    EXPECT_NE(summed, 252.0);                      // which a running sum would miss
    const FixedStepClock fromOne(manager, 10.0, 1.0);
    EXPECT_EQ(FixedStepClock(manager, 10.0).timeOf(15), fromOne.timeOf(5));  // 1.5 s either way
    for (const double bad : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(FixedStepClock(manager, bad).stepsPerSecond(), FixedStepClock::defaultStepsPerSecond);
}

TEST(FixedStepClock, EveryMoveRunsTheStepsBeforeItsTimeOnceThenTheTimeItself) {
    Journal journal;
    EffectManager manager;
    manager.addEffect(probe(&journal, "P", 0.0f, 100.0f));
    FixedStepClock clock(manager, 10.0, 0.2);
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    // A row without a time is a step: the next step time after the last move.
    const struct {
        std::optional<float> time;
        bool accepted;
        Updates updates;
    } moves[] = {
        {std::nullopt, true, {"0.2"}},  // the first step is the start
        {0.55f, true, {"0.3", "0.4", "0.5", "0.55"}},
        {0.55f, true, {}},                     // the same time again: nothing runs
        {0.4f, false, {}},                     // no going back
        {std::nullopt, true, {"0.6"}},
        {0.8f, true, {"0.7", "0.8"}},          // a step that falls on the time runs once
        {std::nullopt, true, {"0.9"}},
        {-1.0f, false, {}},
        {nan, false, {}},
        {infinity, false, {}},
    };
    for (const auto& move : moves) {
        SCOPED_TRACE(move.time ? std::to_string(*move.time) : "step");
        if (move.time) EXPECT_EQ(clock.advanceTo(*move.time), move.accepted);
        else clock.step();
        EXPECT_EQ(takeUpdates(journal), move.updates);
    }
    EXPECT_FLOAT_EQ(clock.time(), 0.9f);
}

TEST(FixedStepClock, EffectsShorterThanTheGapBetweenTwoMovesRunAndAreReleased) {
    Journal journal;
    EffectManager manager;
    manager.addEffect(probe(&journal, "at zero", 0.0f, 0.0f));
    manager.addEffect(probe(&journal, "short", 0.5f, 0.52f));
    FixedStepClock clock(manager);  // 60 steps a second: 0.5 and 0.51666 lie in the short one's interval
    ASSERT_TRUE(clock.advanceTo(0.0f));
    EXPECT_EQ(takeUpdates(journal), Updates{"0"});
    ASSERT_TRUE(clock.advanceTo(1.0f));
    EXPECT_EQ(takeUpdates(journal), (Updates{"0.5", "0.516667"}));
    EXPECT_TRUE(manager.active().empty());
}

TEST(AdvanceShow, EveryUpdateFindsTheShadersAtItsTime) {
    std::vector<std::pair<float, float>> seen;
    EffectManager manager;
    manager.addEffect(std::make_unique<FrameTimeProbe>(&seen));
    FixedStepClock clock(manager, 4.0);
    ASSERT_TRUE(clock.advanceTo(0.6f));
    advanceShow(manager, 0.7f);
    ASSERT_EQ(seen.size(), 5u);  // 0, 0.25, 0.5, 0.6, 0.7
    for (const auto& [time, frameTime] : seen) EXPECT_EQ(time, frameTime);
    EXPECT_FLOAT_EQ(ShaderManager::instance()->frameTime(), 0.7f);
}

}  // namespace
}  // namespace qv3rn::test
