// The effect manager's timeline, the fixed-step show clock and reading effect scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/script_error.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
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
    const struct { const char* name; float start; int layer; } effects[] = {
        {"A", 0, 1}, {"B", 0, 1}, {"C", 0, 0}, {"D", 0, -4}, {"E", 0, 7}, {"late", 2, 1}, {"early", 1, 1}};
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
    const struct { std::optional<float> time; bool accepted; Lines updates; } moves[] = {
        {std::nullopt, true, {"P 0.2"}},  // the first step is the start
        {0.55f, true, {"P 0.3", "P 0.4", "P 0.5", "P 0.55"}},
        {0.55f, true, {}},  // the same time again: nothing runs
        {0.4f, false, {}},  // no going back
        {std::nullopt, true, {"P 0.6"}},
        {0.8f, true, {"P 0.7", "P 0.8"}},  // a step that falls on the time runs once
        {std::nullopt, true, {"P 0.9"}}, {nan, false, {}}, {infinity, false, {}},
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

class EffectScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        script.addLoader(std::make_unique<ProbeLoader>(&journal));
        script.addLoader(std::make_unique<ProbeLoader>(&journal, "Other"));
        std::filesystem::create_directories(folder);
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(folder + "/" + name) << text; }

    // The effects of the test's manager, each "[name start end layer mode value]", with " +keys value" of the
    // visibility track at 12 s where there is one.
    std::string effects() const {
        std::ostringstream text;
        for (const auto& effect : manager.pending()) {
            const auto& probe = static_cast<const ProbeEffect&>(*effect);
            text << '[' << probe.name() << ' ' << probe.start() << ' ' << probe.end() << ' ' << probe.layer() << ' '
                 << probe.drawMode() << ' ' << probe.value;
            if (const Envelope* track = probe.visibleTrack())
                text << " +" << track->keyCount() << ' ' << track->evaluate(12.0f);
            text << ']';
        }
        return text.str();
    }

    // How loading `file` of the test's folder with a fresh manager ends: "true", "false <failure>" or
    // "error <file>:<line>: <message>"; then the effects listed, "[a b]", and what happened to effects, "{...}".
    std::string outcome(const std::string& file, const std::shared_ptr<Archive>& archive = nullptr) const {
        Journal notes;
        EffectManager local;
        EffectScript reader(local);
        reader.addLoader(std::make_unique<ProbeLoader>(&notes));
        reader.setArchive(archive);
        std::string result;
        try {
            result = reader.loadFile(folder + "/" + file) ? "true" : "false " + reader.failure();
        } catch (const ScriptError& error) {
            result = "error " + error.located();
        }
        result += " [";
        for (const auto& effect : local.pending()) result += (result.back() == '[' ? "" : " ") + effect->name();
        result += "]";
        for (std::size_t i = 0; i < notes.size(); ++i) result += (i == 0 ? " {" : ", ") + notes[i];
        return notes.empty() ? result : result + "}";
    }

    Journal journal;
    EffectManager manager;
    EffectScript script{manager};
    const std::string folder = "scripts";
};

TEST_F(EffectScriptTest, BlocksOfKnownTypesFillTheCommonKeywordsAndEverythingElseIsSkipped) {
    const struct { std::string script, effects; } rows[] = {
        {"Probe {\n  Name \"white flash\"\n  Start 12.0\n\tEnd 12.5\n  Layer -3\n  DrawMode ADDITIVE\n"
         "  Value 7.25   ; a comment after a value\n  Visible {\n  { Envelope\n    2\n"
         "    Key 1 12 0 0 0 0 0 0 0 0\n    Key 0 12.5 0 0 0 0 0 0 0 0\n    Behaviors 1 1\n  }\n  }\n}\nProbe {\n}\n",
         "[white flash 12 12.5 -3 1 7.25 +2 1][ 0 0 0 0 0]"},  // missing keywords keep the defaults
        // The later DrawMode line replaces the earlier one; an unknown mode is NORMAL.
        {"Probe {\nDrawMode ADDITIVE\nDrawMode SCREEN\n}\n", "[ 0 0 0 0 0]"},
        // The first keyword a line contains takes it: "Name " before the "Start " in the quoted name.
        {"Probe {\nName \"Start 5 End 9\"\nStart 1\nEnd 2\n}\n", "[Start 5 End 9 1 2 0 0 0]"},
        // A nested line whose first word is a type starts an effect; type names are case-sensitive and whole.
        {"Sparkle {\n  Name \"lost\"\n  Probe {\n    Name \"found\"\n  }\n  Value 3\n}\nprobe {\n}\nProb {\n}\n"
         "Other {\n  Name \"other\"\n}\n",
         "[found 0 0 0 0 0][other 0 0 0 0 0]"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        manager.clear();
        std::istringstream stream(row.script);
        ASSERT_TRUE(script.parse(stream)) << script.failure();
        EXPECT_EQ(effects(), row.effects);
    }
}

TEST_F(EffectScriptTest, FailedBlocksAndIncludesStopTheScriptAndSayWhere) {
    const std::string at = folder + "/";
    write("fails.effect", "Probe {\n  Name \"a\"\n}\nProbe {\n  Name \"b\"\n  Bogus 1\n}\nProbe {\n  Name \"c\"\n}\n");
    write("raises.effect", "Probe {\n  Name \"a\"\n}\n\nProbe {\n  Raise the roof\n}\n");
    write("main.effect", "Probe {\n Name \"a\"\n}\nInclude \"" + at + "missing.effect\"\nProbe {\n}\n");
    write("bad.effect", "Probe {\n Name \"b\"\n Nonsense\n}\n");
    write("outer.effect", "Include \"" + at + "bad.effect\"\nProbe {\n Name \"after\"\n}\n");
    write("a.effect", "Probe {\n Name \"a\"\n}\nInclude \"" + at + "b.effect\"\n");
    write("b.effect", "Probe {\n Name \"b\"\n}\nInclude \"./" + folder + "\\a.effect\"\n");
    for (int i = 0; i < IncludeTracker::maxDepth; ++i)
        write("deep" + std::to_string(i) + ".effect", "Include \"" + at + "deep" + std::to_string(i + 1) + ".effect\"");

    // outcome: a part of the outcome
    const struct { const char* file; std::string outcome; } rows[] = {
        // The failed effect is deleted, never released; the effects before it stay.
        {"fails.effect", "false " + at + "fails.effect:6: the Probe block does not understand the line \"Bogus 1\" "
                         "[a] {delete b}"},
        {"raises.effect", "error " + at + "raises.effect:6: ProbeLoader unknown token: Raise the roof [a]"},
        {"main.effect", "main.effect:4: Include \"" + at + "missing.effect\": " + at +
                            "missing.effect: unable to open the effect script [a]"},
        {"outer.effect", "outer.effect:1: Include \"" + at + "bad.effect\": " + at +
                             "bad.effect:3: the Probe block does not understand the line \"Nonsense\" [] {delete b}"},
        {"a.effect", "b.effect:4: circular include of effect script => " + at + "a.effect -> " + at + "b.effect -> ./" +
                         folder + "\\a.effect [a b]"},
        {"deep0.effect", "deep31.effect:1: includes nested too deep at effect script => " + at + "deep32.effect []"},
    };
    for (const auto& row : rows) {
        const std::string result = outcome(row.file);
        EXPECT_NE(result.find(row.outcome), std::string::npos) << result;
    }
}

TEST_F(EffectScriptTest, TheArchiveCopyComesFirstAndOneThatDoesNotParseGivesWayToTheDiskCopy) {
    const std::string bad = "Probe {\n Name \"bad\"\n Bogus\n}\n";
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"hit.effect", "Probe {\n Name \"archive\"\n}\nInclude \"" + folder + "\\more.effect\"\n"},
        {"more.effect", "Probe {\n Name \"more\"\n}\n"}, {"fails.effect", "Probe {\n Name \"archive\"\n}\n" + bad},
        {"twice.effect", "Probe {\n Name \"archive\"\n}\n" + bad},
        {"raises.effect", "Probe {\n Raise\n}\n"}};
    ArchiveWriter writer;
    ASSERT_TRUE(writer.create(folder + "/data.dat", "secret"));
    for (const auto& [name, text] : entries)
        ASSERT_TRUE(writer.addData(folder + "/" + name, std::vector<std::uint8_t>(text.begin(), text.end())));
    ASSERT_TRUE(writer.commit());
    auto archive = std::make_shared<Archive>();
    ASSERT_TRUE(archive->open(folder + "/data.dat", "secret"));
    for (const char* name : {"hit", "miss", "fails", "raises"})
        write(std::string(name) + ".effect", "Probe {\n Name \"disk\"\n}\n");
    write("twice.effect", "Probe {\n Name \"disk\"\n}\n" + bad);

    const struct { const char* file; std::string outcome; } rows[] = {
        {"hit.effect", "true [archive more]"},  // includes come from the archive too
        {"miss.effect", "true [disk]"},
        {"fails.effect", "true [disk] {delete bad, release archive, delete archive}"},
        {"twice.effect", "false " + folder + "/twice.effect:6: the Probe block does not understand the line \"Bogus\" "
                         "[disk] {delete bad, release archive, delete archive, delete bad}"},
        {"raises.effect", "error " + folder + "/raises.effect:2: ProbeLoader unknown token: Raise [] {delete }"},
    };
    for (const auto& row : rows) EXPECT_EQ(outcome(row.file, archive), row.outcome) << row.file;

    script.setArchive(archive);
    archive.reset();  // the demo destroys its archive after loading: later loads go to disk
    ASSERT_TRUE(script.loadFile(folder + "/hit.effect")) << script.failure();
    EXPECT_EQ(effects(), "[disk 0 0 0 0 0]");
}

}  // namespace
}  // namespace qv3rn::test
