// timeline_test.cpp -- the effect manager (active intervals, layer order, visibility, release, keepFinished, the
// current manager) and the show clock (fixed steps from their number, moves that run every step once, the frame
// time the shaders draw at).
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "effects/effect_manager.h"
#include "effects/show_clock.h"
#include "probe_effect.h"
#include "shader/shader_manager.h"

namespace qv3rn::test {
namespace {

using Lines = std::vector<std::string>;

// The journal entries that start with `what` ("render", "update"), in order, without the prefix.
Lines entries(const Journal& journal, const std::string& what) {
    Lines found;
    for (const std::string& entry : journal)
        if (entry.rfind(what + " ", 0) == 0) found.push_back(entry.substr(what.size() + 1));
    return found;
}

Lines names(const EffectManager::EffectList& list) {
    Lines found;
    for (const auto& effect : list) found.push_back(effect->name());
    return found;
}

class TimelineTest : public ::testing::Test {
protected:
    // Runs one frame as the demo does: update, then render.
    void frame(float time) {
        manager.update(time);
        manager.render();
    }
    Journal journal;
    EffectManager manager;
};

TEST_F(TimelineTest, BothEndsOfTheIntervalAreInclusiveAndTheEffectGoesOnTheFirstFrameAfterIt) {
    manager.addEffect(probe(&journal, "A", 10.0f, 20.0f));
    manager.addEffect(probe(&journal, "Z", 0.0f, 0.0f));  // as without Start and End: time 0 only
    manager.addEffect(probe(&journal, "skipped", 12.0f, 13.0f));
    for (float time : {0.0f, 9.999f, 10.0f, 20.0f}) frame(time);
    EXPECT_EQ(entries(journal, "update"), (Lines{"Z 0", "A 10", "A 20"}));
    EXPECT_EQ(entries(journal, "render"), (Lines{"Z", "A", "A"}));

    journal.clear();
    frame(20.001f);
    EXPECT_EQ(journal, (Journal{"release A", "delete A"}));  // released before it is deleted, and not drawn
    // An interval skipped over between two frames never activates and waits until the shut-down.
    EXPECT_TRUE(manager.active().empty());
    EXPECT_EQ(names(manager.pending()), Lines{"skipped"});
    journal.clear();
    manager.clear();
    EXPECT_EQ(journal, (Journal{"release skipped", "delete skipped"}));
}

TEST_F(TimelineTest, LowerLayersDrawFirstAndAmongEqualLayersTheEarlierActivatedDrawsOnTop) {
    const struct {
        const char* name;
        float start;
        int layer;
    } effects[] = {{"A", 0, 1}, {"B", 0, 1}, {"C", 0, 0}, {"D", 0, -4}, {"E", 0, 7}, {"late", 2, 1}, {"early", 1, 1}};
    for (const auto& effect : effects)
        manager.addEffect(probe(&journal, effect.name, effect.start, 10.0f, effect.layer));
    frame(0.5f);
    EXPECT_EQ(entries(journal, "render"), (Lines{"D", "C", "B", "A", "E"}));
    // Effects activated in a later frame go before the active ones of their layer, in script order whatever
    // their start: drawn under them.
    frame(2.0f);
    EXPECT_EQ(names(manager.active()), (Lines{"D", "C", "early", "late", "B", "A", "E"}));
}

TEST_F(TimelineTest, AVisibilityEnvelopeAtZeroOrBelowSkipsUpdateAndRenderButKeepsTheEffectActive) {
    auto effect = probe(&journal, "V", 50.0f, 100.0f);
    // Keyed in demo seconds: 0 until 60, then rising to 1 at 61.
    auto track = std::make_unique<Envelope>();
    for (const auto& [value, time] : {std::pair{-1.0f, 0.0f}, std::pair{0.0f, 60.0f}, std::pair{1.0f, 61.0f}})
        track->addKey(EnvelopeKey{.value = value, .time = time, .spanType = SpanLinear});
    effect->setVisibleTrack(std::move(track));
    const Effect* watched = effect.get();
    manager.addEffect(std::move(effect));

    frame(50.5f);
    frame(60.0f);
    EXPECT_TRUE(journal.empty());
    EXPECT_FALSE(watched->isVisible());
    EXPECT_EQ(names(manager.active()), Lines{"V"});
    frame(60.5f);
    EXPECT_TRUE(watched->isVisible());
    EXPECT_EQ(journal, (Journal{"update V 60.5", "render V"}));
}

TEST_F(TimelineTest, KeepFinishedSendsEndedEffectsBackToPendingAndTheyReturnWhenTimeDoes) {
    manager.setKeepFinished(true);
    manager.addEffect(probe(&journal, "A", 1.0f, 2.0f));
    manager.addEffect(probe(&journal, "B", 5.0f, 6.0f));
    frame(1.5f);
    frame(3.0f);
    EXPECT_TRUE(manager.active().empty());
    EXPECT_EQ(names(manager.pending()), (Lines{"B", "A"}));  // appended after B, not released

    journal.clear();
    frame(1.0f);  // back into A's interval
    EXPECT_EQ(journal, (Journal{"update A 1", "render A"}));
    manager.setKeepFinished(false);
    frame(3.0f);
    EXPECT_EQ(journal.back(), "delete A");
}

TEST_F(TimelineTest, InitAllAndDestructionVisitPendingThenActiveEffectsInOrder) {
    {
        EffectManager local;
        EXPECT_EQ(&EffectManager::instance(), &local) << "a new manager is the current one while it lives";
        local.addEffect(probe(&journal, "active", 0.0f, 10.0f));
        local.addEffect(nullptr);  // ignored
        local.addEffect(probe(&journal, "pending", 50.0f, 60.0f));
        local.initAll();
        local.update(1.0f);
    }
    EXPECT_EQ(&EffectManager::instance(), &manager) << "and hands the role back";
    EXPECT_EQ(journal, (Journal{"init active", "init pending", "update active 1", "release pending", "delete pending",
                                "release active", "delete active"}));
}

TEST_F(TimelineTest, FixedStepTimesComeFromTheStepNumberSoRunsFromDifferentStartsMeet) {
    // The show's last frame lands on its end exactly, which a running sum of 1/60 misses.
    EXPECT_EQ(FixedStepClock(manager, 60.0).timeOf(60 * 252), 252.0);
    EXPECT_EQ(FixedStepClock(manager, 10.0).timeOf(15), FixedStepClock(manager, 10.0, 1.0).timeOf(5));  // 1.5 s
    for (const double bad : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(FixedStepClock(manager, bad).stepsPerSecond(), FixedStepClock::defaultStepsPerSecond);
}

TEST_F(TimelineTest, EveryClockMoveRunsTheStepsBeforeItsTimeOnceThenTheTimeItself) {
    manager.addEffect(probe(&journal, "P", 0.0f, 100.0f));
    FixedStepClock clock(manager, 10.0, 0.2);
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    // A row without a time is a step: the next step time after the last move.
    const struct {
        std::optional<float> time;
        bool accepted;
        Lines updates;
    } moves[] = {
        {std::nullopt, true, {"P 0.2"}},  // the first step is the start
        {0.55f, true, {"P 0.3", "P 0.4", "P 0.5", "P 0.55"}},
        {0.55f, true, {}},  // the same time again: nothing runs
        {0.4f, false, {}},  // no going back
        {std::nullopt, true, {"P 0.6"}},
        {0.8f, true, {"P 0.7", "P 0.8"}},  // a step that falls on the time runs once
        {std::nullopt, true, {"P 0.9"}},
        {nan, false, {}},
        {infinity, false, {}},
    };
    for (const auto& move : moves) {
        SCOPED_TRACE(move.time ? std::to_string(*move.time) : "step");
        if (move.time)
            EXPECT_EQ(clock.advanceTo(*move.time), move.accepted);
        else
            clock.step();
        EXPECT_EQ(entries(journal, "update"), move.updates);
        journal.clear();
    }
    EXPECT_FLOAT_EQ(clock.time(), 0.9f);
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

TEST_F(TimelineTest, EveryUpdateOfTheShowFindsTheShadersAtItsTime) {
    std::vector<std::pair<float, float>> seen;
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
