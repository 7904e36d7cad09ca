// Tests of reading and writing envelope blocks: key order, every load message, the written form, round trips.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "anim/envelope.h"
#include "data/script_parser.h"
#include "envelope_builders.h"

namespace qv3rn {
namespace {

using test::loadEnvelope;
using test::saved;

// The message load() throws for a block, or "" when it loads.
std::string loadError(const std::string& text) {
    std::istringstream in(text);
    Envelope e;
    try {
        e.load(in);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

TEST(EnvelopeLoad, ReadsKeysAndBehaviours) {
    const Envelope e = loadEnvelope(
        "{ Envelope\n  2\n  Key 0 0 0 0 0 0 0 0 0 0\n  Key 1 2.5 3 0.1 0.2 0.3 1 2 3 4\n  Behaviors 1 2\n}\n");
    ASSERT_EQ(e.keyCount(), 2u);
    const EnvelopeKey& k = e.keys()[1];
    EXPECT_EQ(k.value, 1.0f);
    EXPECT_EQ(k.time, 2.5f);
    EXPECT_EQ(k.spanType, SpanLinear);
    EXPECT_EQ(k.tension, 0.1f);
    EXPECT_EQ(k.continuity, 0.2f);
    EXPECT_EQ(k.bias, 0.3f);
    EXPECT_EQ(k.param0, 1.0f);
    EXPECT_EQ(k.param3, 4.0f);
    EXPECT_EQ(e.preBehavior(), BehaviorConstant);
    EXPECT_EQ(e.postBehavior(), BehaviorRepeat);
    EXPECT_EQ(e.startTime(), 0.0f);
    EXPECT_EQ(e.endTime(), 2.5f);
    EXPECT_EQ(e.evaluate(1.25f), 0.5f);
}

TEST(EnvelopeLoad, KeysAreSortedByTimeAndEqualTimesKeepFileOrder) {
    const Envelope e = loadEnvelope(
        "{ Envelope\n4\nKey 10 2 3 0 0 0 0 0 0 0\nKey 20 1 3 0 0 0 0 0 0 0\nKey 21 1 3 0 0 0 0 0 0 0\n"
        "Key 30 -1 3 0 0 0 0 0 0 0\n}\n");
    ASSERT_EQ(e.keyCount(), 4u);
    EXPECT_EQ(e.keys()[0].value, 30.0f);  // the earliest line-wise last key becomes the first
    EXPECT_EQ(e.keys()[1].value, 20.0f);
    EXPECT_EQ(e.keys()[2].value, 21.0f);
    EXPECT_EQ(e.keys()[3].value, 10.0f);
    EXPECT_EQ(e.startTime(), -1.0f);
    EXPECT_EQ(e.endTime(), 2.0f);
    // At the shared time the earlier key answers; just after it the later one starts the next span.
    EXPECT_EQ(e.evaluate(1.0f), 20.0f);
    EXPECT_NEAR(e.evaluate(1.5f), 15.5f, 1e-5f);
}

TEST(EnvelopeLoad, StartAndEndTimesIncludeZero) {
    const Envelope late = loadEnvelope("{ Envelope\n1\nKey 5 3 0 0 0 0 0 0 0 0\n}\n");
    EXPECT_EQ(late.startTime(), 0.0f);
    EXPECT_EQ(late.endTime(), 3.0f);
}

TEST(EnvelopeLoad, BehaviorsLineIsOptionalAnywhereAndTheLastOneCounts) {
    const Envelope none = loadEnvelope("{ Envelope\n1\nKey 5 0 0 0 0 0 0 0 0 0\n}\n");
    EXPECT_EQ(none.preBehavior(), BehaviorReset);
    EXPECT_EQ(none.postBehavior(), BehaviorReset);
    const Envelope twice = loadEnvelope(
        "{ Envelope\n2\nBehaviors 2 2\nKey 0 0 3 0 0 0 0 0 0 0\nBehaviors 4 5\nKey 1 1 3 0 0 0 0 0 0 0\n}\n");
    EXPECT_EQ(twice.preBehavior(), BehaviorOffsetRepeat);
    EXPECT_EQ(twice.postBehavior(), BehaviorLinear);
}

TEST(EnvelopeLoad, MissingFieldsStayZeroAndCommentsAreSkipped) {
    const Envelope e = loadEnvelope(
        "; an alpha ramp\n{ Envelope ; begins\n  ; two keys\n  2\n\tKey 1.5\n  ; the second\n  Key 2 4 3\n}\n");
    ASSERT_EQ(e.keyCount(), 2u);
    EXPECT_EQ(e.keys()[0].value, 1.5f);
    EXPECT_EQ(e.keys()[0].time, 0.0f);
    EXPECT_EQ(e.keys()[0].spanType, SpanTCB);
    EXPECT_EQ(e.keys()[1].param3, 0.0f);
}

TEST(EnvelopeLoad, EndOfStreamWithoutClosingBraceIsAcceptedWhenTheCountAgrees) {
    EXPECT_EQ(loadError("{ Envelope\n1\nKey 1 0 0 0 0 0 0 0 0 0"), "");
    EXPECT_EQ(loadError("{ Envelope\n2\nKey 1 0 0 0 0 0 0 0 0 0\n"), "To few keys in Envelope");
}

TEST(EnvelopeLoad, EveryFailureHasItsMessage) {
    EXPECT_EQ(loadError("Envelope {\n1\nKey 1 0 0 0 0 0 0 0 0 0\n}\n"), "unable to find expected envelope start token");
    EXPECT_EQ(loadError(""), "unable to find expected envelope start token");
    EXPECT_EQ(loadError("{ Envelope\n1\nKey 1 0 6 0 0 0 0 0 0 0\n}\n"), "Found unknown spantype in Envelope");
    EXPECT_EQ(loadError("{ Envelope\n1\nKey 1 0 -1 0 0 0 0 0 0 0\n}\n"), "Found unknown spantype in Envelope");
    EXPECT_EQ(loadError("{ Envelope\n1\nKey 1 0 5 0 0 0 0 0 0 0\n}\n"), "");
    EXPECT_EQ(loadError("{ Envelope\n2\nKey 1 0 0 0 0 0 0 0 0 0\nKey 2 1 0 0 0 0 0 0 0 0\n"
                        "Key 3 2 0 0 0 0 0 0 0 0\n}\n"),
              "To many keys in Envelope");
    EXPECT_EQ(loadError("{ Envelope\n2\nKey 1 0 0 0 0 0 0 0 0 0\n}\n"), "To few keys in Envelope");
    EXPECT_EQ(loadError("{ Envelope\n1\nKey 1 0 0 0 0 0 0 0 0 0\nBehaviors 6 0\n}\n"), "unknown pre behavior value");
    EXPECT_EQ(loadError("{ Envelope\n1\nKey 1 0 0 0 0 0 0 0 0 0\nBehaviors 0 6\n}\n"), "unknown post behavior value");
    EXPECT_EQ(loadError("{ Envelope\n1\nKey 1 0 0 0 0 0 0 0 0 0\nBehaviors 5 5\n}\n"), "");
    EXPECT_EQ(loadError("{ Envelope\n1\nKey 1 0 0 0 0 0 0 0 0 0\nValue 3\n}\n"), "Found unknown token in Envelope");
    EXPECT_EQ(loadError("{ Envelope\n1\nKeys 1 0 0 0 0 0 0 0 0 0\n}\n"), "Found unknown token in Envelope");
    // No count line that scans: the count is 0 and the first key is one too many.
    EXPECT_EQ(loadError("{ Envelope\nKey 1 0 0 0 0 0 0 0 0 0\nKey 1 0 0 0 0 0 0 0 0 0\n}\n"), "To many keys in Envelope");
}

TEST(EnvelopeLoad, KeysBeforeAFailureStayAndARefusedKeyOrBehaviourDoesNot) {
    Envelope e;
    std::istringstream tooMany("{ Envelope\n1\nKey 1 0 0 0 0 0 0 0 0 0\nKey 2 1 0 0 0 0 0 0 0 0\n}\n");
    EXPECT_THROW(e.load(tooMany), std::runtime_error);
    EXPECT_EQ(e.keyCount(), 2u);

    Envelope f;
    std::istringstream badSpan("{ Envelope\n2\nKey 1 0 0 0 0 0 0 0 0 0\nKey 2 1 9 0 0 0 0 0 0 0\n}\n");
    EXPECT_THROW(f.load(badSpan), std::runtime_error);
    EXPECT_EQ(f.keyCount(), 1u);

    Envelope g;
    std::istringstream badPost("{ Envelope\n1\nKey 1 0 0 0 0 0 0 0 0 0\nBehaviors 1 1\nBehaviors 2 7\n}\n");
    EXPECT_THROW(g.load(badPost), std::runtime_error);
    EXPECT_EQ(g.preBehavior(), BehaviorConstant);
    EXPECT_EQ(g.postBehavior(), BehaviorConstant);
}

TEST(EnvelopeLoad, UsesTheCallersLineReaderAndStopsAtItsBlockEnd) {
    // The owner of a field reads the keyword line, lets load() read the block, then reads its own brace.
    std::istringstream in("Alpha {\n{ Envelope\n1\nKey 0.5 0 0 0 0 0 0 0 0 0\n}\n}\nNext 1\n");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "Alpha {");
    Envelope e;
    EXPECT_TRUE(e.load(parser, in));
    EXPECT_EQ(parser.lineCount(), 5);
    EXPECT_EQ(parser.readLine(in), "}");
    EXPECT_EQ(parser.readLine(in), "Next 1");
    EXPECT_EQ(e.evaluate(3.0f), 0.5f);
}

TEST(EnvelopeSave, WritesTheExactForm) {
    const Envelope e = test::envelopeOf({test::key(1.5f, 2.0f, SpanBezier2D), test::key(-0.25f, 0.0f, SpanTCB)},
                                        BehaviorRepeat, BehaviorLinear);
    EXPECT_EQ(saved(e),
              "{ Envelope\n\t2\n\tKey -0.25 0 0 0 0 0 0 0 0 0\n\tKey 1.5 2 5 0 0 0 0 0 0 0\n\tBehaviors 2 5\n}\n");
}

TEST(EnvelopeSave, AnEmptyEnvelopeIsWrittenAsOneZeroKey) {
    const Envelope empty;
    EXPECT_EQ(saved(empty), "{ Envelope\n\t1\n\tKey 0.0 0.0 0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n\tBehaviors 0 0\n}\n");
    const Envelope back = loadEnvelope(saved(empty));
    EXPECT_EQ(back.keyCount(), 1u);
    EXPECT_EQ(back.evaluate(4.0f), 0.0f);
}

TEST(EnvelopeSave, SixSignificantDigitsWhateverTheStreamWasSetTo) {
    const Envelope e = test::envelopeOf({test::key(3.14159265f, 123456789.0f)});
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(2);
    e.save(out);
    EXPECT_NE(out.str().find("\tKey 3.14159 1.23457e+08 3 "), std::string::npos) << out.str();
    out << 1.5;
    EXPECT_NE(out.str().find("1.50"), std::string::npos);  // the caller's format is back afterwards
}

TEST(EnvelopeSave, SaveThenLoadGivesTheSameEnvelope) {
    EnvelopeKey a = test::key(0.5f, -1.0f, SpanTCB);
    a.tension = 0.25f;
    a.continuity = -0.5f;
    a.bias = 0.125f;
    EnvelopeKey b = test::key(2.0f, 0.75f, SpanBezier2D);
    b.param0 = -0.25f;
    b.param1 = 0.5f;
    b.param2 = 0.375f;
    b.param3 = -1.0f;
    EnvelopeKey c = test::key(-3.0f, 2.5f, SpanHermite);
    c.param0 = 1.5f;
    c.param1 = -2.0f;
    const Envelope original = test::envelopeOf({a, b, c, test::key(1.0f, 4.0f, SpanStepped)}, BehaviorOscillate,
                                               BehaviorOffsetRepeat);
    const Envelope back = loadEnvelope(saved(original));
    ASSERT_EQ(back.keyCount(), original.keyCount());
    EXPECT_EQ(saved(back), saved(original));
    for (float t = -6.0f; t < 12.0f; t += 0.37f) EXPECT_EQ(back.evaluate(t), original.evaluate(t)) << t;
}

TEST(EnvelopeAddKey, NullKeysAreRefused) {
    Envelope e;
    try {
        e.addKey(std::unique_ptr<EnvelopeKey>());
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Tried to add a null key to Envelope!");
    }
    EXPECT_TRUE(e.addKey(std::make_unique<EnvelopeKey>(test::key(2.0f, 1.0f))));
    EXPECT_EQ(e.keyCount(), 1u);
    e.clear();
    EXPECT_EQ(e.keyCount(), 0u);
    EXPECT_EQ(e.endTime(), 0.0f);
}

}  // namespace
}  // namespace qv3rn
