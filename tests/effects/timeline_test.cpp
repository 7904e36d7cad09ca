// timeline_test.cpp -- the effect manager: active intervals, activation into layer order, visibility, release,
// keepFinished and the current manager.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "effects/effect_manager.h"
#include "probe_effect.h"

namespace qv3rn::test {
namespace {

// The journal entries that start with `what` ("render", "update"), in order, without the prefix.
std::vector<std::string> entries(const Journal& journal, const std::string& what) {
    std::vector<std::string> found;
    for (const std::string& entry : journal)
        if (entry.rfind(what + " ", 0) == 0) found.push_back(entry.substr(what.size() + 1));
    return found;
}

std::vector<std::string> names(const EffectManager::EffectList& list) {
    std::vector<std::string> found;
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
    frame(0.0f);
    frame(9.999f);
    frame(10.0f);
    frame(20.0f);
    EXPECT_EQ(entries(journal, "update"), (std::vector<std::string>{"Z 0", "A 10", "A 20"}));
    EXPECT_EQ(entries(journal, "render"), (std::vector<std::string>{"Z", "A", "A"}));

    journal.clear();
    frame(20.001f);
    EXPECT_EQ(journal, (Journal{"release A", "delete A"}));  // released before it is deleted, and not drawn
    // An interval skipped over between two frames never activates and waits until the shut-down.
    EXPECT_TRUE(manager.active().empty());
    EXPECT_EQ(names(manager.pending()), std::vector<std::string>{"skipped"});
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
    EXPECT_EQ(entries(journal, "render"), (std::vector<std::string>{"D", "C", "B", "A", "E"}));
    // Effects activated in a later frame go before the active ones of their layer, in script order whatever
    // their start: drawn under them.
    frame(2.0f);
    EXPECT_EQ(names(manager.active()), (std::vector<std::string>{"D", "C", "early", "late", "B", "A", "E"}));
}

TEST_F(TimelineTest, AVisibilityEnvelopeAtZeroOrBelowSkipsUpdateAndRenderButKeepsTheEffectActive) {
    auto effect = probe(&journal, "V", 50.0f, 100.0f);
    // Keyed in demo seconds: 0 until 60, then rising to 1 at 61.
    auto track = std::make_unique<Envelope>();
    track->addKey(EnvelopeKey{.value = -1.0f, .time = 0.0f, .spanType = SpanLinear});
    track->addKey(EnvelopeKey{.value = 0.0f, .time = 60.0f, .spanType = SpanLinear});
    track->addKey(EnvelopeKey{.value = 1.0f, .time = 61.0f, .spanType = SpanLinear});
    effect->setVisibleTrack(std::move(track));
    const Effect* watched = effect.get();
    manager.addEffect(std::move(effect));

    frame(50.5f);
    frame(60.0f);
    EXPECT_TRUE(journal.empty());
    EXPECT_FALSE(watched->isVisible());
    EXPECT_EQ(names(manager.active()), std::vector<std::string>{"V"});
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
    EXPECT_EQ(names(manager.pending()), (std::vector<std::string>{"B", "A"}));  // appended after B, not released

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

}  // namespace
}  // namespace qv3rn::test
