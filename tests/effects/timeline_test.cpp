// timeline_test.cpp -- the effect manager: active intervals, activation into layer order, visibility, release,
// keepFinished, the viewport, render targets and the current manager.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "effects/effect_manager.h"
#include "effects/render_target.h"
#include "probe_effect.h"
#include "shader/camera_mgr.h"
#include "support/gl_test_context.h"

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

// A linear envelope through (time, value) pairs, constant before the first and after the last key.
std::unique_ptr<Envelope> track(std::initializer_list<std::pair<float, float>> keys) {
    auto envelope = std::make_unique<Envelope>();
    for (const auto& [time, value] : keys) {
        EnvelopeKey key;
        key.time = time;
        key.value = value;
        key.spanType = SpanLinear;
        envelope->addKey(key);
    }
    envelope->setBehaviors(BehaviorConstant, BehaviorConstant);
    return envelope;
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

    frame(9.999f);
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(names(manager.pending()), std::vector<std::string>{"A"});

    frame(10.0f);
    frame(20.0f);
    EXPECT_EQ(entries(journal, "update"), (std::vector<std::string>{"A 10", "A 20"}));
    EXPECT_EQ(entries(journal, "render").size(), 2u);
    EXPECT_EQ(names(manager.active()), std::vector<std::string>{"A"});

    journal.clear();
    frame(20.001f);
    EXPECT_EQ(journal, (Journal{"release A", "delete A"}));  // released before it is deleted, and not drawn
    EXPECT_TRUE(manager.active().empty());
    EXPECT_TRUE(manager.pending().empty());
}

TEST_F(TimelineTest, AnEffectWithoutStartAndEndIsActiveAtTimeZeroOnly) {
    auto effect = std::make_unique<ProbeEffect>(&journal);
    effect->setName("Z");
    manager.addEffect(std::move(effect));
    frame(0.0f);
    EXPECT_EQ(entries(journal, "update"), std::vector<std::string>{"Z 0"});
    frame(0.016f);
    EXPECT_TRUE(manager.active().empty());
    EXPECT_EQ(journal.back(), "delete Z");
}

TEST_F(TimelineTest, AnIntervalSkippedOverInOneFrameNeverActivatesAndWaitsUntilShutdown) {
    manager.addEffect(probe(&journal, "A", 10.0f, 20.0f));
    frame(5.0f);
    frame(25.0f);
    frame(30.0f);
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(names(manager.pending()), std::vector<std::string>{"A"});

    manager.clear();
    EXPECT_EQ(journal, (Journal{"release A", "delete A"}));
}

TEST_F(TimelineTest, LowerLayersDrawFirstAndAmongEqualLayersTheEarlierActivatedDrawsOnTop) {
    manager.addEffect(probe(&journal, "A", 0.0f, 10.0f, 1));
    manager.addEffect(probe(&journal, "B", 0.0f, 10.0f, 1));
    manager.addEffect(probe(&journal, "C", 0.0f, 10.0f, 0));
    manager.addEffect(probe(&journal, "D", 0.0f, 10.0f, -4));
    manager.addEffect(probe(&journal, "E", 0.0f, 10.0f, 7));
    frame(1.0f);
    EXPECT_EQ(entries(journal, "render"), (std::vector<std::string>{"D", "C", "B", "A", "E"}));
    EXPECT_EQ(names(manager.active()), (std::vector<std::string>{"D", "C", "B", "A", "E"}));

    // An effect activated in a later frame goes before the active ones of its layer: drawn under them.
    manager.addEffect(probe(&journal, "F", 2.0f, 10.0f, 1));
    journal.clear();
    frame(2.0f);
    EXPECT_EQ(entries(journal, "render"), (std::vector<std::string>{"D", "C", "F", "B", "A", "E"}));
}

TEST_F(TimelineTest, PendingEffectsActivateInScriptOrderWhateverTheirStart) {
    manager.addEffect(probe(&journal, "late", 3.0f, 10.0f, 2));
    manager.addEffect(probe(&journal, "early", 1.0f, 10.0f, 2));
    frame(1.0f);
    frame(3.0f);
    EXPECT_EQ(names(manager.active()), (std::vector<std::string>{"late", "early"}));
    EXPECT_TRUE(manager.pending().empty());
}

TEST_F(TimelineTest, AVisibilityEnvelopeAtZeroOrBelowSkipsUpdateAndRenderButKeepsTheEffectActive) {
    auto effect = probe(&journal, "V", 0.0f, 100.0f);
    effect->setVisibleTrack(track({{0.0f, -1.0f}, {10.0f, 1.0f}}));  // 0 at t = 5
    Effect* watched = effect.get();
    manager.addEffect(std::move(effect));

    frame(2.0f);
    frame(5.0f);
    EXPECT_TRUE(journal.empty());
    EXPECT_FALSE(watched->isVisible());
    EXPECT_EQ(names(manager.active()), std::vector<std::string>{"V"});

    frame(6.0f);
    EXPECT_TRUE(watched->isVisible());
    EXPECT_EQ(journal, (Journal{"update V 6", "render V"}));
}

TEST_F(TimelineTest, TheVisibilityEnvelopeIsEvaluatedAtTheDemoTime) {
    auto effect = probe(&journal, "V", 50.0f, 100.0f);
    effect->setVisibleTrack(track({{0.0f, 0.0f}, {60.0f, 0.0f}, {61.0f, 1.0f}}));
    manager.addEffect(std::move(effect));
    frame(50.5f);  // 0.5 s into the effect, but the envelope is keyed in demo seconds: still 0
    EXPECT_TRUE(journal.empty());
    frame(60.5f);
    EXPECT_EQ(entries(journal, "update"), std::vector<std::string>{"V 60.5"});
}

TEST_F(TimelineTest, KeepFinishedSendsEndedEffectsBackToPendingAndTheyReturnWhenTimeDoes) {
    manager.setKeepFinished(true);
    manager.addEffect(probe(&journal, "A", 1.0f, 2.0f));
    manager.addEffect(probe(&journal, "B", 5.0f, 6.0f));
    frame(1.5f);
    frame(3.0f);
    EXPECT_TRUE(manager.active().empty());
    EXPECT_EQ(names(manager.pending()), (std::vector<std::string>{"B", "A"}));  // appended after B
    EXPECT_TRUE(std::none_of(journal.begin(), journal.end(), [](const std::string& e) { return e == "release A"; }));

    journal.clear();
    frame(1.0f);  // back into A's interval
    EXPECT_EQ(journal, (Journal{"update A 1", "render A"}));

    manager.setKeepFinished(false);
    frame(3.0f);
    EXPECT_EQ(journal.back(), "delete A");
}

TEST_F(TimelineTest, InitAllInitialisesEveryPendingEffectInScriptOrder) {
    manager.addEffect(probe(&journal, "A", 0.0f, 1.0f));
    manager.addEffect(nullptr);  // ignored
    manager.addEffect(probe(&journal, "B", 0.0f, 1.0f));
    manager.initAll();
    EXPECT_EQ(journal, (Journal{"init A", "init B"}));
    EXPECT_EQ(manager.pending().size(), 2u);
}

TEST_F(TimelineTest, ClearAndDestructionReleaseEveryPendingThenEveryActiveEffect) {
    {
        EffectManager local;
        local.addEffect(probe(&journal, "active", 0.0f, 10.0f));
        local.addEffect(probe(&journal, "pending", 50.0f, 60.0f));
        local.update(1.0f);
        journal.clear();
    }
    EXPECT_EQ(journal, (Journal{"release pending", "delete pending", "release active", "delete active"}));
}

TEST(EffectManagerInstance, ANewManagerIsCurrentWhileItLivesAndHandsTheRoleBack) {
    EffectManager& before = EffectManager::instance();
    {
        EffectManager mine;
        EXPECT_EQ(&EffectManager::instance(), &mine);
        {
            EffectManager inner;
            EXPECT_EQ(&EffectManager::instance(), &inner);
        }
        EXPECT_EQ(&EffectManager::instance(), &mine);
    }
    EXPECT_EQ(&EffectManager::instance(), &before);
}

class NamedTarget : public RenderTarget {
public:
    explicit NamedTarget(std::string name) : name_(std::move(name)) {}
    const std::string& targetName() const override { return name_; }
    int targetWidth() const override { return 512; }
    int targetHeight() const override { return 512; }
    bool begin(int, int) override { return true; }
    bool end(int, int) override { return true; }

private:
    std::string name_;
};

TEST(EffectManagerTargets, TargetsAreFoundByExactNameFirstRegisteredFirstAndAreNotOwned) {
    NamedTarget big("BigPixelBuffer.pbuffer"), twin("BigPixelBuffer.pbuffer"), small("SmallPixelBuffer.pbuffer");
    {
        EffectManager manager;
        manager.addRenderTarget(&big);
        manager.addRenderTarget(nullptr);
        manager.addRenderTarget(&twin);
        manager.addRenderTarget(&small);
        EXPECT_EQ(manager.findRenderTarget("BigPixelBuffer.pbuffer"), &big);
        EXPECT_EQ(manager.findRenderTarget("SmallPixelBuffer.pbuffer"), &small);
        EXPECT_EQ(manager.findRenderTarget("bigpixelbuffer.pbuffer"), nullptr);
        EXPECT_EQ(manager.findRenderTarget("BigPixelBuffer"), nullptr);
        EXPECT_EQ(manager.findRenderTarget(""), nullptr);
    }
    EXPECT_EQ(big.targetName(), "BigPixelBuffer.pbuffer");  // still alive after the manager went
}

class SizedCamera : public Camera {
public:
    const std::string& name() const override { return name_; }
    void resize(int width, int height) override {
        this->width = width;
        this->height = height;
    }
    std::array<float, 16> projectionMatrix() const override { return {}; }
    std::array<float, 16> viewMatrix() const override { return {}; }
    int width = 0;
    int height = 0;

private:
    std::string name_ = "cam";
};

class EffectManagerViewportTest : public GLTest {};

TEST_F(EffectManagerViewportTest, SetViewportStoresItSetsTheGLViewportAndGivesTheSizeToTheCameras) {
    CameraMgr cameras;
    auto* camera = new SizedCamera;
    ASSERT_TRUE(cameras.add(camera));
    EffectManager manager;
    EXPECT_EQ(manager.width(), 640);
    EXPECT_EQ(manager.height(), 480);
    EXPECT_EQ(manager.viewportWidth(), 640);

    manager.setSize(1024, 768);
    manager.setViewport(512, 384, 256, 192);
    EXPECT_EQ(manager.width(), 1024);
    EXPECT_EQ(manager.height(), 768);
    EXPECT_EQ(manager.viewportX(), 512);
    EXPECT_EQ(manager.viewportY(), 384);
    EXPECT_EQ(manager.viewportWidth(), 256);
    EXPECT_EQ(manager.viewportHeight(), 192);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 512);
    EXPECT_EQ(viewport[1], 384);
    EXPECT_EQ(viewport[2], 256);
    EXPECT_EQ(viewport[3], 192);
    EXPECT_EQ(cameras.width(), 256);
    EXPECT_EQ(cameras.height(), 192);
    EXPECT_EQ(camera->width, 256);
    EXPECT_EQ(camera->height, 192);
}

}  // namespace
}  // namespace qv3rn::test
