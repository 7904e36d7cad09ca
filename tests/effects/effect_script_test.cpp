// effect_script_test.cpp -- reading effect scripts: the common block keywords, unknown and unrecognised types,
// includes, failing and raising loaders, where scripts come from, progress, and the loader table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/script_error.h"
#include "effects/effect_loaders.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "probe_effect.h"

namespace qv3rn::test {
namespace {

namespace fs = std::filesystem;

class EffectScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        script.addLoader(std::make_unique<ProbeLoader>(&journal));
        script.addLoader(std::make_unique<ProbeLoader>(&journal, "Other"));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    bool parse(const std::string& text) {
        std::istringstream stream(text);
        return script.parse(stream);
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(folder + "/" + name) << text; }

    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& effect : manager.pending()) found.push_back(effect->name());
        return found;
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
    const ProbeEffect& effect(std::size_t index) const {
        auto it = manager.pending().begin();
        std::advance(it, index);
        return static_cast<const ProbeEffect&>(**it);
    }

    Journal journal;
    EffectManager manager;
    EffectScript script{manager};
    const std::string folder = "effect_script_test";
};

TEST_F(EffectScriptTest, TheCommonKeywordsFillTheEffectAndMissingOnesKeepTheDefaults) {
    ASSERT_TRUE(parse("Probe {\n"
                      "  Name \"white flash\"\n"
                      "  Start 12.0\n"
                      "\tEnd 12.5\n"
                      "  Layer -3\n"
                      "  DrawMode ADDITIVE\n"
                      "  Value 7.25   ; a comment after a value\n"
                      "  Visible {\n"
                      "  { Envelope\n"
                      "    2\n"
                      "    Key 1 12 0 0 0 0 0 0 0 0\n"
                      "    Key 0 12.5 0 0 0 0 0 0 0 0\n"
                      "    Behaviors 1 1\n"
                      "  }\n"
                      "  }\n"
                      "}\n"
                      "Probe {\n"
                      "}\n"));
    ASSERT_EQ(manager.pending().size(), 2u);
    const ProbeEffect& first = effect(0);
    EXPECT_EQ(first.name(), "white flash");
    EXPECT_FLOAT_EQ(first.start(), 12.0f);
    EXPECT_FLOAT_EQ(first.end(), 12.5f);
    EXPECT_EQ(first.layer(), -3);
    EXPECT_EQ(first.drawMode(), 1u);
    EXPECT_FLOAT_EQ(first.value, 7.25f);
    ASSERT_NE(first.visibleTrack(), nullptr);
    EXPECT_EQ(first.visibleTrack()->keyCount(), 2u);
    EXPECT_FLOAT_EQ(first.visibleTrack()->evaluate(12.0f), 1.0f);
    EXPECT_TRUE(first.isVisible());

    const ProbeEffect& second = effect(1);
    EXPECT_EQ(second.name(), "");
    EXPECT_EQ(second.start(), 0.0f);
    EXPECT_EQ(second.end(), 0.0f);  // without End only active at time 0
    EXPECT_EQ(second.layer(), 0);
    EXPECT_EQ(second.drawMode(), 0u);
    EXPECT_EQ(second.visibleTrack(), nullptr);
}

TEST_F(EffectScriptTest, DrawModeLinesGiveTheModeOfTheFirstWordFoundAndZeroForOtherWords) {
    ASSERT_TRUE(parse("Probe {\nDrawMode MULTIPLY\n}\n"
                      "Probe {\nDrawMode SUBTRACTIVE\n}\n"
                      "Probe {\nDrawMode INVERT\n}\n"
                      "Probe {\nDrawMode NORMAL\n}\n"
                      "Probe {\nDrawMode ADDITIVE\nDrawMode SCREEN\n}\n"));
    std::vector<std::uint32_t> modes;
    for (const auto& e : manager.pending()) modes.push_back(e->drawMode());
    EXPECT_EQ(modes, (std::vector<std::uint32_t>{3, 2, 4, 0, 0}));  // the later line replaces the earlier one
}

TEST_F(EffectScriptTest, TheFirstKeywordALineContainsTakesIt) {
    // "Name " wins over "Start " and "End " inside the quoted name.
    ASSERT_TRUE(parse("Probe {\nName \"Start 5 End 9\"\nStart 1\nEnd 2\n}\n"));
    EXPECT_EQ(effect(0).name(), "Start 5 End 9");
    EXPECT_FLOAT_EQ(effect(0).start(), 1.0f);
    EXPECT_FLOAT_EQ(effect(0).end(), 2.0f);
}

TEST_F(EffectScriptTest, UnknownTypesAreSkippedAndTheirLinesReadAsTopLevelLines) {
    ASSERT_TRUE(parse("Sparkle {\n"
                      "  Name \"lost\"\n"
                      "  Probe {\n"  // a nested block line whose first word is a type starts an effect
                      "    Name \"found\"\n"
                      "  }\n"
                      "  Value 3\n"
                      "}\n"
                      "probe {\n"  // type names are case-sensitive
                      "}\n"
                      "Prob {\n"
                      "}\n"
                      "Other {\n  Name \"other\"\n}\n"));
    EXPECT_EQ(names(), (std::vector<std::string>{"found", "other"}));
}

TEST_F(EffectScriptTest, ATypeFollowedDirectlyByTheBraceIsNotRecognised) {
    ASSERT_TRUE(parse("Probe{\n  Name \"glued\"\n}\nProbe\n  Name \"no brace\"\nProbe {\n  Name \"spaced\"\n}\n"));
    EXPECT_EQ(names(), std::vector<std::string>{"spaced"});
}

TEST_F(EffectScriptTest, ALoaderThatFailsStopsTheParseAndKeepsTheEffectsAlreadyAdded) {
    EXPECT_FALSE(parse("Probe {\n  Name \"a\"\n}\n"
                       "Probe {\n  Name \"b\"\n  Bogus 1\n}\n"
                       "Probe {\n  Name \"c\"\n}\n"));
    EXPECT_EQ(names(), std::vector<std::string>{"a"});
    EXPECT_EQ(script.failure(), "<stream>:6: the Probe block does not understand the line \"Bogus 1\"");
    // The failed effect was deleted, never released, and nothing else was touched.
    EXPECT_EQ(journal, Journal{"delete b"});
}

TEST_F(EffectScriptTest, ErrorsRaisedInsideABlockLeaveWithTheirMessageTheFileAndTheLine) {
    try {
        parse("Probe {\n  Name \"a\"\n}\n\nProbe {\n  Raise the roof\n}\n");
        FAIL() << "no error raised";
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "ProbeLoader unknown token: Raise the roof");
        EXPECT_EQ(error.file(), "<stream>");
        EXPECT_EQ(error.line(), 6);
    }
    EXPECT_EQ(names(), std::vector<std::string>{"a"});
}

TEST_F(EffectScriptTest, AMalformedVisibilityEnvelopeRaisesTheEnvelopeReadersError) {
    try {
        parse("Probe {\n  Visible {\n  { Envelope\n  2\n  Key 1 0 0 0 0 0 0 0 0 0\n");
        FAIL() << "no error raised";
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "To few keys in Envelope");
    }
    EXPECT_TRUE(manager.pending().empty());
}

TEST_F(EffectScriptTest, CommentLinesInsideABlockAreSkipped) {
    ASSERT_TRUE(parse("Probe {\n  ; the white flash\n  Name \"w\"\n  ;\n  Layer 2\n}\n"));
    EXPECT_EQ(names(), std::vector<std::string>{"w"});
    EXPECT_EQ(effect(0).layer(), 2);
}

TEST_F(EffectScriptTest, ABlockCutShortByTheEndOfTheScriptStillCounts) {
    ASSERT_TRUE(parse("Probe {\n  Name \"cut\"\n  Layer 4"));
    EXPECT_EQ(names(), std::vector<std::string>{"cut"});
    EXPECT_EQ(effect(0).layer(), 4);
}

TEST_F(EffectScriptTest, IncludesAddTheirEffectsInPlaceWithTheSameLoadersAndWithoutProgressCalls) {
    write("part.effect", "Probe {\n Name \"b\"\n}\nOther {\n Name \"c\"\n}\nx\ny\nz\n");
    write("main.effect", "Probe {\n Name \"a\"\n}\nInclude \"" + folder + "\\part.effect\"\nProbe {\n Name \"d\"\n}\n");
    write("flat.effect", "Probe {\n Name \"a\"\n}\nProbe {\n Name \"d\"\n}\n");

    int calls = 0;
    ASSERT_TRUE(script.loadFile(folder + "/main.effect", [&] { ++calls; })) << script.failure();
    EXPECT_EQ(names(), (std::vector<std::string>{"a", "b", "c", "d"}));

    // The included lines add nothing to the count: the same script without its include counts the same.
    int flatCalls = 0;
    EffectManager other;
    EffectScript flat(other);
    flat.addLoader(std::make_unique<ProbeLoader>(&journal));
    ASSERT_TRUE(flat.loadFile(folder + "/flat.effect", [&] { ++flatCalls; }));
    EXPECT_EQ(other.pending().size(), 2u);
    EXPECT_EQ(calls, flatCalls);
    EXPECT_GE(calls, 2);
}

TEST_F(EffectScriptTest, FailedIncludesAndScriptsThatCannotBeOpenedSayWhere) {
    const std::string at = folder + "/";
    write("main.effect", "Probe {\n Name \"a\"\n}\nInclude \"" + at + "missing.effect\"\nProbe {\n}\n");
    write("bad.effect", "Probe {\n Name \"b\"\n Nonsense\n}\n");
    write("outer.effect", "Include \"" + at + "bad.effect\"\nProbe {\n Name \"after\"\n}\n");
    write("raise.effect", "\n\nProbe {\n Raise\n}\n");
    write("raising.effect", "Include \"" + at + "raise.effect\"\n");
    write("a.effect", "Probe {\n Name \"a\"\n}\nInclude \"" + at + "b.effect\"\n");
    write("b.effect", "Probe {\n Name \"b\"\n}\nInclude \"./" + folder + "\\a.effect\"\n");
    write("self.effect", "Include \"" + at + "self.effect\"\n");
    for (int i = 0; i < IncludeTracker::maxDepth; ++i)
        write("deep" + std::to_string(i) + ".effect", "Include \"" + at + "deep" + std::to_string(i + 1) + ".effect\"");

    const struct {
        const char* file;
        std::string outcome;  // a part of the outcome
    } rows[] = {
        {"main.effect", "main.effect:4: Include \"" + at + "missing.effect\": " + at +
                            "missing.effect: unable to open the effect script [a]"},
        {"outer.effect", "outer.effect:1: Include \"" + at + "bad.effect\": " + at +
                             "bad.effect:3: the Probe block does not understand the line \"Nonsense\" [] {delete b}"},
        {"raising.effect", "error " + at + "raise.effect:4: ProbeLoader unknown token: Raise []"},
        {"a.effect", "b.effect:4: circular include of effect script => " + at + "a.effect -> " + at + "b.effect -> ./" +
                         folder + "\\a.effect [a b]"},
        {"self.effect", "false " + at + "self.effect:1: circular include of effect script => " + at +
                            "self.effect -> " + at + "self.effect []"},
        {"deep0.effect", "deep31.effect:1: includes nested too deep at effect script => " + at + "deep32.effect []"},
        {"nothing.effect", "false " + at + "nothing.effect: unable to open the effect script []"},
        {"", "false " + at + ": unable to open the effect script []"},  // a folder is no script
    };
    for (const auto& row : rows) {
        const std::string result = outcome(row.file);
        EXPECT_NE(result.find(row.outcome), std::string::npos) << result;
    }
}

class EffectScriptArchiveTest : public EffectScriptTest {
protected:
    std::shared_ptr<Archive> pack(const std::vector<std::pair<std::string, std::string>>& entries) {
        ArchiveWriter writer;
        EXPECT_TRUE(writer.create(folder + "/data.dat", "secret"));
        for (const auto& [name, text] : entries)
            EXPECT_TRUE(writer.addData(folder + "/" + name, std::vector<std::uint8_t>(text.begin(), text.end())));
        EXPECT_TRUE(writer.commit());
        auto archive = std::make_shared<Archive>();
        EXPECT_TRUE(archive->open(folder + "/data.dat", "secret"));
        return archive;
    }
};

TEST_F(EffectScriptArchiveTest, TheArchiveCopyComesFirstAndOneThatDoesNotParseGivesWayToTheDiskCopy) {
    const std::string bad = "Probe {\n Name \"bad\"\n Bogus\n}\n";
    auto archive =
        pack({{"hit.effect", "Probe {\n Name \"archive\"\n}\nInclude \"" + folder + "\\more.effect\"\n"},
              {"more.effect", "Probe {\n Name \"more\"\n}\n"},
              {"fails.effect", "Probe {\n Name \"archive\"\n}\n" + bad},
              {"alone.effect", "Probe {\n Name \"archive\"\n}\n" + bad},
              {"twice.effect", "Probe {\n Name \"archive\"\n}\n" + bad},
              {"included.effect", "Include \"" + folder + "/more.effect\"\n" + bad},
              {"raises.effect", "Probe {\n Raise\n}\n"}});
    for (const char* name : {"hit", "miss", "fails", "included", "raises"})
        write(std::string(name) + ".effect", "Probe {\n Name \"disk\"\n}\n");
    write("twice.effect", "Probe {\n Name \"disk\"\n}\n" + bad);

    const struct {
        const char* file;
        std::string outcome;
    } rows[] = {
        {"hit.effect", "true [archive more]"},  // includes come from the archive too
        {"miss.effect", "true [disk]"},
        {"fails.effect", "true [disk] {delete bad, release archive, delete archive}"},
        {"included.effect", "true [disk] {delete bad, release more, delete more}"},
        {"alone.effect", "false " + folder + "/alone.effect:6: the Probe block does not understand the line \"Bogus\" "
                         "[archive] {delete bad}"},
        {"twice.effect", "false " + folder + "/twice.effect:6: the Probe block does not understand the line \"Bogus\" "
                         "[disk] {delete bad, release archive, delete archive, delete bad}"},
        {"raises.effect", "error " + folder + "/raises.effect:2: ProbeLoader unknown token: Raise [] {delete }"},
    };
    for (const auto& row : rows) EXPECT_EQ(outcome(row.file, archive), row.outcome) << row.file;

    script.setArchive(archive);
    archive.reset();  // the demo destroys its archive after loading: later loads go to disk
    ASSERT_TRUE(script.loadFile(folder + "/hit.effect")) << script.failure();
    EXPECT_EQ(names(), std::vector<std::string>{"disk"});
}

TEST_F(EffectScriptTest, LoadFileHandsTheProgressCallbackToEveryLoader) {
    write("one.effect", "Probe {\n}\n");
    for (EffectLoader* loader : script.loaders()) EXPECT_FALSE(loader->progress());
    int calls = 0;
    ASSERT_TRUE(script.loadFile(folder + "/one.effect", [&] { ++calls; }));
    for (EffectLoader* loader : script.loaders()) {
        ASSERT_TRUE(loader->progress());
        loader->progress()();
    }
    EXPECT_GE(calls, static_cast<int>(script.loaders().size()));
}

TEST_F(EffectScriptTest, FindLoaderComparesWholeNamesCaseSensitively) {
    EXPECT_EQ(script.findLoader("Probe")->typeName(), "Probe");
    EXPECT_EQ(script.findLoader("Other")->typeName(), "Other");
    EXPECT_EQ(script.findLoader("probe"), nullptr);
    EXPECT_EQ(script.findLoader("Prob"), nullptr);
    EXPECT_EQ(script.findLoader("Probes"), nullptr);
    EXPECT_EQ(script.findLoader(""), nullptr);
}

TEST(EffectLoaderTable, ListsTheEighteenTypesInLoaderOrderAndEveryBuiltLoaderMakesItsOwnKind) {
    const char* const order[] = {"Blocks",         "Flash",          "Image",            "Invert",
                                 "Lines",          "Stream",         "TextFade",         "Tunnel",
                                 "ClearBuffer",    "Scene",          "ChangeViewport",   "ChangeDrawBuffer",
                                 "HermiteBrush",   "DissolveBrush",  "Text",             "Diffusion",
                                 "SplineBrush",    "PostProcessing"};
    EffectManager manager;
    EffectScript script(manager);
    std::vector<std::string> built;
    for (std::size_t row = 0; row < effectKindCount; ++row) {
        const EffectLoaderEntry& entry = effectLoaderTable[row];
        EXPECT_STREQ(entry.typeName, order[row]);
        if (!entry.make) continue;
        built.push_back(entry.typeName);
        auto loader = entry.make();
        ASSERT_NE(loader, nullptr) << entry.typeName;
        EXPECT_EQ(loader->typeName(), entry.typeName);
        auto effect = loader->createEffect();
        ASSERT_NE(effect, nullptr) << entry.typeName;
        EXPECT_EQ(effectTypeName(effect->kind()), entry.typeName);
        EXPECT_EQ(script.findLoader(entry.typeName), script.loaders()[built.size() - 1]);
    }
    EXPECT_EQ(script.loaders().size(), built.size());
}

TEST(EffectKinds, EveryKindHasTheTypeNameOfItsNumber) {
    EXPECT_EQ(effectTypeName(0), "Blocks");
    EXPECT_EQ(effectTypeName(6), "Flash");
    EXPECT_EQ(effectTypeName(11), "PostProcessing");
    EXPECT_EQ(effectTypeName(static_cast<std::uint32_t>(EffectKind::Tunnel)), "Tunnel");
    EXPECT_EQ(effectTypeName(18), "");
}

}  // namespace
}  // namespace qv3rn::test
