// envelope_test.cpp -- Tests of envelopes: reading and writing their blocks with every load message, and evaluation
// (behaviours around the key range, every span shape, long and broken key lists).
#include "anim/envelope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/script_parser.h"

namespace qv3rn {
namespace {

EnvelopeKey key(float value, float time, std::uint16_t span = SpanLinear) { return {value, time, span}; }

Envelope envelopeOf(const std::vector<EnvelopeKey>& keys, std::uint16_t pre = BehaviorReset,
                    std::uint16_t post = BehaviorReset) {
    Envelope e;
    for (const EnvelopeKey& k : keys) e.addKey(k);
    e.setBehaviors(pre, post);
    return e;
}

// Loads `text` into `e`; gives the message load() throws, or "" when it loads.
std::string loadInto(Envelope& e, const std::string& text) {
    std::istringstream in(text);
    try {
        e.load(in);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

Envelope loaded(const std::string& text) {
    Envelope e;
    EXPECT_EQ(loadInto(e, text), "") << text;
    return e;
}

std::string saved(const Envelope& e) {
    std::ostringstream out;
    e.save(out);
    return out.str();
}

TEST(EnvelopeLoad, KeysAreSortedByTimeAndEqualTimesKeepFileOrder) {
    const Envelope e = loaded("{ Envelope\n4\nKey 10 2 3\nKey 20 1 3\nKey 21 1 3\nKey 30 -1 3\n}\n");
    std::vector<float> values;
    for (const EnvelopeKey& k : e.keys()) values.push_back(k.value);
    EXPECT_EQ(values, (std::vector<float>{30, 20, 21, 10}));
    EXPECT_EQ(e.startTime(), -1.0f);
    EXPECT_EQ(e.endTime(), 2.0f);
    EXPECT_EQ(loaded("{ Envelope\n1\nKey 5 3\n}\n").startTime(), 0.0f);  // the range always includes 0
    // At the shared time the earlier key answers; just after it the later one starts the next span.
    EXPECT_EQ(e.evaluate(1.0f), 20.0f);
    EXPECT_NEAR(e.evaluate(1.5f), 15.5f, 1e-5f);
}

TEST(EnvelopeLoad, OptionalLinesCommentsMissingFieldsAndTheCallersLineReader) {
    EXPECT_EQ(loaded("{ Envelope\n1\nKey 5\n}\n").postBehavior(), BehaviorReset);  // no Behaviors line
    const Envelope twice = loaded("{ Envelope\n2\nBehaviors 2 2\nKey 0 0 3\nBehaviors 4 5\nKey 1 1 3\n}\n");
    EXPECT_EQ(twice.preBehavior(), BehaviorOffsetRepeat);  // the last line counts
    EXPECT_EQ(twice.postBehavior(), BehaviorLinear);
    const Envelope e = loaded("; ramp\n{ Envelope ; begins\n  ; two keys\n  2\n\tKey 1.5\n  Key 2 4 3\n}\n");
    EXPECT_EQ(e.keys().at(0).value, 1.5f);
    EXPECT_EQ(e.keys()[0].spanType, SpanTCB);
    // The end of the stream may stand for the closing brace when the count agrees.
    EXPECT_EQ(loaded("{ Envelope\n1\nKey 1").keyCount(), 1u);

    // The owner of a field reads the keyword line, lets load() read the block, then reads its own brace.
    std::istringstream in("Alpha {\n{ Envelope\n1\nKey 0.5\n}\n}\nNext 1\n");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "Alpha {");
    Envelope f;
    EXPECT_TRUE(f.load(parser, in));
    EXPECT_EQ(parser.lineCount(), 5);
    EXPECT_EQ(parser.readLine(in), "}");
    EXPECT_EQ(f.evaluate(3.0f), 0.5f);
}

TEST(EnvelopeLoad, EveryFailureHasItsMessageAndKeepsWhatWasAcceptedBeforeIt) {
    const struct {
        std::string text, message;
        std::uint32_t keys = 0;
        std::uint16_t post = BehaviorReset;
    } cases[] = {
        {"Envelope {\n1\nKey 1\n}\n", "unable to find expected envelope start token"},
        {"{ Envelope\n1\nKey 1 0 6\n}\n", "Found unknown spantype in Envelope"},
        {"{ Envelope\n2\nKey 1\nKey 2 1 -1\n}\n", "Found unknown spantype in Envelope", 1},
        {"{ Envelope\n1\nKey 1 0 5\nBehaviors 5 5\n}\n", "", 1, BehaviorLinear},
        {"{ Envelope\n1\nKey 1\nKey 2 1\n}\n", "To many keys in Envelope", 2},
        {"{ Envelope\n2\nKey 1\n", "To few keys in Envelope", 1},
        {"{ Envelope\n1\nKey 1\nBehaviors 6 0\n}\n", "unknown pre behavior value", 1},
        {"{ Envelope\n1\nKey 1\nBehaviors 1 1\nBehaviors 2 7\n}\n", "unknown post behavior value", 1, BehaviorConstant},
        {"{ Envelope\n1\nKey 1\nValue 3\n}\n", "Found unknown token in Envelope", 1},
        {"{ Envelope\n1\nKeys 1\n}\n", "Found unknown token in Envelope"},
        // No count line that scans: the count is 0 and the first key is one too many.
        {"{ Envelope\nKey 1\nKey 1\n}\n", "To many keys in Envelope", 1},
    };
    for (const auto& c : cases) {
        Envelope e;
        EXPECT_EQ(loadInto(e, c.text), c.message) << c.text;
        EXPECT_EQ(e.keyCount(), c.keys) << c.text;
        EXPECT_EQ(e.postBehavior(), c.post) << c.text;
    }
}

TEST(EnvelopeSave, WritesTheExactFormWithSixDigitsAndReadsBackTheSame) {
    const Envelope e = envelopeOf({key(1.5f, 2.0f, SpanBezier2D), key(-0.25f, 0.0f, SpanTCB)}, BehaviorRepeat,
                                  BehaviorLinear);
    EXPECT_EQ(saved(e),
              "{ Envelope\n\t2\n\tKey -0.25 0 0 0 0 0 0 0 0 0\n\tKey 1.5 2 5 0 0 0 0 0 0 0\n\tBehaviors 2 5\n}\n");
    // An empty envelope is written as one zero key.
    EXPECT_EQ(saved(Envelope()), "{ Envelope\n\t1\n\tKey 0.0 0.0 0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n\tBehaviors 0 0\n}\n");
    EXPECT_EQ(loaded(saved(Envelope())).evaluate(4.0f), 0.0f);

    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(2);
    envelopeOf({key(3.14159265f, 123456789.0f)}).save(out);
    EXPECT_NE(out.str().find("\tKey 3.14159 1.23457e+08 3 "), std::string::npos) << out.str();
    out << 1.5;
    EXPECT_NE(out.str().find("1.50"), std::string::npos);  // the caller's format is back afterwards

    // Save then load gives the same envelope.
    const Envelope original = envelopeOf({{0.5f, -1, SpanTCB, 0.25f, -0.5f, 0.125f},
                                          {2, 0.75f, SpanBezier2D, 0, 0, 0, -0.25f, 0.5f, 0.375f, -1},
                                          {-3, 2.5f, SpanHermite, 0, 0, 0, 1.5f, -2}, key(1, 4, SpanStepped)},
                                         BehaviorOscillate, BehaviorOffsetRepeat);
    const Envelope back = loaded(saved(original));
    EXPECT_EQ(saved(back), saved(original));
    for (float t = -6.0f; t < 12.0f; t += 0.37f) EXPECT_EQ(back.evaluate(t), original.evaluate(t)) << t;
}

TEST(EnvelopeAddKey, NullKeysAreRefusedAndClearEmpties) {
    Envelope e;
    try {
        e.addKey(std::unique_ptr<EnvelopeKey>());
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Tried to add a null key to Envelope!");
    }
    EXPECT_TRUE(e.addKey(std::make_unique<EnvelopeKey>(key(2.0f, 1.0f))));
    e.clear();
    EXPECT_TRUE(e.keyCount() == 0 && e.endTime() == 0.0f);
}

TEST(EnvelopeEvaluate, BehavioursAndSpanShapesGiveTheirValues) {
    const auto ramp = [](std::uint16_t behavior) {  // value 2t from (0, 0) to (2, 4)
        return envelopeOf({key(0, 0), key(4, 2)}, behavior, behavior);
    };
    const auto bezier = [](float p2, float p3, float p0, float p1, float t0 = 0, float t1 = 3, float v1 = 3) {
        return envelopeOf({{0, t0, SpanBezier2D, 0, 0, 0, 0, 0, p2, p3}, {v1, t1, SpanBezier2D, 0, 0, 0, p0, p1}});
    };
    const Envelope bent =
        envelopeOf({key(0.1f, 0, SpanTCB), {3.3f, 0.7f, SpanTCB, 0.4f, -0.3f, 0.8f}, key(-1.7f, 1.9f, SpanTCB)});
    // Neighbours scale Hermite tangents by the span's share of the neighbouring interval: leaving the key at 1 by
    // 3·(3 - 1)/(3 - 0) = 2, arriving at the key at 3 by 2·(3 - 1)/(5 - 1) = 1.
    const Envelope scaledHermite = envelopeOf({key(0, 0, SpanHermite), {0, 1, SpanHermite, 0, 0, 0, 0, 3},
                                               {0, 3, SpanHermite, 0, 0, 0, 2}, key(0, 5, SpanHermite)});
    const struct {
        const char* what;
        Envelope e;
        std::vector<std::pair<float, float>> at;  // (time, value)
        float tolerance = 0;
    } rows[] = {
        {"no keys", Envelope(), {{-5, 0}, {0, 0}, {3, 0}}},
        {"one key", envelopeOf({key(7.5f, 2)}, BehaviorRepeat, BehaviorLinear), {{-5, 7.5f}, {2, 7.5f}, {30, 7.5f}}},
        {"reset", envelopeOf({key(1, 0), key(4, 2)}), {{-1, 0}, {1, 2.5f}, {3, 0}}},
        {"constant", envelopeOf({key(1, 0), key(4, 2)}, BehaviorConstant, BehaviorConstant), {{-1, 1}, {3, 4}}},
        // A whole number of periods lands on the first key.
        {"repeat", ramp(BehaviorRepeat), {{1, 2}, {3, 2}, {5.5f, 3}, {-0.5f, 3}, {4, 0}}},
        {"offset repeat", ramp(BehaviorOffsetRepeat), {{3, 6}, {5, 10}, {-0.5f, -1}, {4, 8}, {-2, -4}}},
        {"oscillate", ramp(BehaviorOscillate), {{2.5f, 3}, {1.5f, 3}, {4.5f, 1}, {-0.5f, 1}, {-2.5f, 3}}},
        // Mirrored about the range length, not its middle: 3.5 becomes -0.5, on the first span's line (u = -0.75).
        {"oscillate late keys", envelopeOf({key(0, 1), key(4, 3)}, BehaviorOscillate, BehaviorOscillate), {{3.5f, -3}}},
        {"linear", ramp(BehaviorLinear), {{-1, -2}, {3, 6}}},
        // Stepped end keys have no slope: the line is flat.
        {"linear stepped", envelopeOf({key(1, 0, SpanStepped), key(5, 2, SpanStepped)}, BehaviorLinear, BehaviorLinear),
         {{-3, 1}, {9, 5}}},
        {"stepped", envelopeOf({key(3, 0), key(8, 1, SpanStepped)}), {{0.999f, 3}, {1, 8}}},
        {"TCB at its keys", bent, {{0, 0.1f}, {0.7f, 3.3f}, {1.9f, -1.7f}}},
        // Keys 0, 1, 0: the first key's outgoing tangent is 1 (no key before it), the middle key's incoming one
        // 0.5·((0 - 1) + 1) = 0, so at 0.5 the value is 0.5 + 0.125.
        {"TCB", envelopeOf({key(0, 0, SpanTCB), key(1, 1, SpanTCB), key(0, 2, SpanTCB)}),
         {{0.5f, 0.625f}, {1.5f, 0.625f}}},
        {"TCB two keys", envelopeOf({key(0, 0, SpanTCB), key(2, 1, SpanTCB)}), {{0.25f, 0.5f}}},
        // h3 = 0.125, h4 = -0.125 at u = 0.5: 4·0.125 - 2·0.125.
        {"Hermite", envelopeOf({{0, 0, SpanHermite, 0, 0, 0, 0, 4}, {0, 1, SpanHermite, 0, 0, 0, 2}}), {{0.5f, 0.25f}}},
        {"Hermite neighbours", scaledHermite, {{2, 0.125f * 2 - 0.125f}}},
        // Handles a third of the way along a straight line make the curve the line; 1.5 is the first bisection.
        {"Bezier2D", bezier(1, 1, -1, -1), {{1.5f, 1.5f}}},
        {"Bezier2D near", bezier(1, 1, -1, -1), {{0.2f, 0.2f}, {1, 1}, {2.2f, 2.2f}, {2.9f, 2.9f}}, 0.0002f},
        // Neighbouring float times a million seconds on lie further apart than the tolerance: the search still ends.
        {"Bezier2D wide", bezier(333333, 333333, -333333, -333333, 0, 1e6f, 1e6f), {{31415.9f, 31415.9f}}, 1},
        // Oscillation mirrors 6.5 to -4.5, where the curve never comes: the search runs to the span's start.
        {"Bezier2D mirrored",
         envelopeOf({{0, 5, SpanBezier2D, 0, 0, 0, 0, 0, 0.3f}, {2, 6, SpanBezier2D, 0, 0, 0, -0.3f}},
                    BehaviorOscillate, BehaviorOscillate),
         {{6.5f, 0}}, 1e-4f},
    };
    for (const auto& row : rows)
        for (auto [t, v] : row.at) EXPECT_NEAR(row.e.evaluate(t), v, row.tolerance) << row.what << " at " << t;

    // Between keys a TCB curve bends; a flat incoming handle at a higher value lifts a Bezier span; handles that
    // fold the time curve back on itself still give values on the curve.
    EXPECT_NE(bent.evaluate(1.0f), 3.3f + (1.0f - 0.7f) / 1.2f * (-1.7f - 3.3f));
    EXPECT_GT(bezier(0, 0, -1, 3, 0, 3, 0).evaluate(1.5f), 1.0f);
    const Envelope folded = bezier(1e7f, 0, -1e7f, 0, 0, 1, 1);
    for (float t : {0.1f, 0.5f, 0.9f}) EXPECT_TRUE(folded.evaluate(t) >= 0 && folded.evaluate(t) <= 1) << t;
}

TEST(EnvelopeEvaluate, LongEnvelopesAndNonNumbers) {
    Envelope e = envelopeOf({}, BehaviorConstant, BehaviorLinear);  // enough keys for a binary search of the spans
    for (int i = 0; i < 40; ++i) e.addKey(key(float(i * i), float(i)));
    for (int i = 0; i < 39; ++i) {
        EXPECT_EQ(e.evaluate(float(i)), float(i * i));
        EXPECT_EQ(e.evaluate(i + 0.5f), (float(i * i) + float((i + 1) * (i + 1))) * 0.5f);
    }
    EXPECT_EQ(e.evaluate(-1.0f), 0.0f);
    EXPECT_EQ(e.evaluate(40.0f), 1521.0f + 77.0f);  // the last span's slope, 1521 - 1444 per second

    // Times that are not numbers neither crash nor leave the keys.
    e = envelopeOf({key(1, 0), key(2, 1), key(3, 2)}, BehaviorRepeat, BehaviorOffsetRepeat);
    EXPECT_TRUE(std::isnan(e.evaluate(std::numeric_limits<float>::quiet_NaN())));
    for (float t : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 3.0e38f})
        (void)e.evaluate(t);  // 3e38: more periods than an int holds
    e.addKey(key(9, std::numeric_limits<float>::quiet_NaN()));
    for (int i = 0; i < 12; ++i) e.addKey(key(float(i), float(i) * 0.25f));
    for (float t : {-1.0f, 0.3f, 1.7f, 5.0f}) (void)e.evaluate(t);
    EXPECT_EQ(e.evaluate(0.0f), 1.0f);
}

}  // namespace
}  // namespace qv3rn
