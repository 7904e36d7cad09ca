// Tests of envelope evaluation: behaviours around the key range, key times, and every span shape.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "anim/envelope.h"
#include "envelope_builders.h"

namespace qv3rn {
namespace {

using test::envelopeOf;
using test::key;

// A straight ramp from (0, 0) to (2, 4): value 2t inside the key range.
Envelope ramp(std::uint16_t pre, std::uint16_t post) { return envelopeOf({key(0, 0), key(4, 2)}, pre, post); }

TEST(EnvelopeEvaluate, NoKeysGiveZeroAndOneKeyGivesItsValueEverywhere) {
    const Envelope empty;
    for (float t : {-5.0f, 0.0f, 3.0f}) EXPECT_EQ(empty.evaluate(t), 0.0f);
    for (std::uint16_t behavior : {BehaviorReset, BehaviorRepeat, BehaviorLinear}) {
        const Envelope single = envelopeOf({key(7.5f, 2.0f)}, behavior, behavior);
        for (float t : {-5.0f, 2.0f, 30.0f}) EXPECT_EQ(single.evaluate(t), 7.5f);
    }
}

TEST(EnvelopeEvaluate, ResetAndConstantOutsideTheKeyRange) {
    const Envelope reset = ramp(BehaviorReset, BehaviorReset);
    EXPECT_EQ(reset.evaluate(-1.0f), 0.0f);
    EXPECT_EQ(reset.evaluate(3.0f), 0.0f);
    const Envelope held = envelopeOf({key(1, 0), key(4, 2)}, BehaviorConstant, BehaviorConstant);
    EXPECT_EQ(held.evaluate(-1.0f), 1.0f);
    EXPECT_EQ(held.evaluate(3.0f), 4.0f);
    const Envelope zeroed = envelopeOf({key(1, 0), key(4, 2)}, BehaviorReset, BehaviorReset);
    EXPECT_EQ(zeroed.evaluate(-1.0f), 0.0f);
    EXPECT_EQ(zeroed.evaluate(1.0f), 2.5f);
    EXPECT_EQ(zeroed.evaluate(3.0f), 0.0f);
}

TEST(EnvelopeEvaluate, RepeatWrapsTimeIntoTheKeyRange) {
    const Envelope e = ramp(BehaviorRepeat, BehaviorRepeat);
    EXPECT_EQ(e.evaluate(3.0f), e.evaluate(1.0f));
    EXPECT_EQ(e.evaluate(3.0f), 2.0f);
    EXPECT_EQ(e.evaluate(5.5f), 3.0f);
    EXPECT_EQ(e.evaluate(-0.5f), 3.0f);  // like 1.5
    EXPECT_EQ(e.evaluate(4.0f), 0.0f);   // a whole number of periods lands on the first key
}

TEST(EnvelopeEvaluate, OffsetRepeatAddsTheRiseOfEachPeriod) {
    const Envelope e = ramp(BehaviorOffsetRepeat, BehaviorOffsetRepeat);
    EXPECT_EQ(e.evaluate(3.0f), 2.0f + 4.0f);
    EXPECT_EQ(e.evaluate(5.0f), 10.0f);  // two periods on
    EXPECT_EQ(e.evaluate(-0.5f), -1.0f);  // one period back: 3 - 4
    EXPECT_EQ(e.evaluate(4.0f), 8.0f);   // on a key time the key value plus the offset, exactly
    EXPECT_EQ(e.evaluate(-2.0f), -4.0f);
}

TEST(EnvelopeEvaluate, OscillateMirrorsEveryOtherPeriod) {
    const Envelope e = ramp(BehaviorOscillate, BehaviorOscillate);
    EXPECT_EQ(e.evaluate(2.5f), e.evaluate(1.5f));
    EXPECT_EQ(e.evaluate(2.5f), 3.0f);
    EXPECT_EQ(e.evaluate(4.5f), 1.0f);  // forwards again
    EXPECT_EQ(e.evaluate(-0.5f), 1.0f);  // mirrored before the first key
    EXPECT_EQ(e.evaluate(-2.5f), 3.0f);
}

TEST(EnvelopeEvaluate, OscillateMirrorsAboutTheRangeLengthNotItsMiddle) {
    // Keys at 1 and 3: at 3.5 the mirrored time is 3 - 1 - 2.5 = -0.5, outside the keys, and the first span's
    // line is followed there (u = -0.75).
    const Envelope e = envelopeOf({key(0, 1), key(4, 3)}, BehaviorOscillate, BehaviorOscillate);
    EXPECT_EQ(e.evaluate(3.5f), -3.0f);
}

TEST(EnvelopeEvaluate, LinearBehaviourContinuesTheEndTangents) {
    const Envelope e = ramp(BehaviorLinear, BehaviorLinear);
    EXPECT_EQ(e.evaluate(-1.0f), -2.0f);
    EXPECT_EQ(e.evaluate(3.0f), 6.0f);
    // Stepped end keys have no slope: the line is flat.
    const Envelope flat = envelopeOf({key(1, 0, SpanStepped), key(5, 2, SpanStepped)}, BehaviorLinear, BehaviorLinear);
    EXPECT_EQ(flat.evaluate(-3.0f), 1.0f);
    EXPECT_EQ(flat.evaluate(9.0f), 5.0f);
}

TEST(EnvelopeEvaluate, KeyTimesGiveTheKeyValuesExactly) {
    // TCB spans with tension, continuity and bias: between keys the curve bends, at keys it is exact.
    EnvelopeKey a = key(0.1f, 0.0f, SpanTCB), b = key(3.3f, 0.7f, SpanTCB), c = key(-1.7f, 1.9f, SpanTCB);
    b.tension = 0.4f;
    b.continuity = -0.3f;
    b.bias = 0.8f;
    const Envelope e = envelopeOf({a, b, c}, BehaviorConstant, BehaviorConstant);
    EXPECT_EQ(e.evaluate(0.0f), 0.1f);
    EXPECT_EQ(e.evaluate(0.7f), 3.3f);
    EXPECT_EQ(e.evaluate(1.9f), -1.7f);
    EXPECT_NE(e.evaluate(1.0f), 3.3f + (1.0f - 0.7f) / 1.2f * (-1.7f - 3.3f));
}

TEST(EnvelopeEvaluate, TCBSpanUsesTheNeighboursForItsTangents) {
    // Keys 0, 1, 0 at times 0, 1, 2: at 0.5 the outgoing tangent of the first key is 1 (no key before it) and
    // the incoming tangent of the middle key is 0.5·((0 - 1) + 1) = 0, so the value is 0.5 + 0.125 = 0.625.
    const Envelope e = envelopeOf({key(0, 0, SpanTCB), key(1, 1, SpanTCB), key(0, 2, SpanTCB)});
    EXPECT_EQ(e.evaluate(0.5f), 0.625f);
    EXPECT_EQ(e.evaluate(1.5f), 0.625f);  // symmetric
    // Two keys: both tangents are the chord and the span is a straight line.
    const Envelope line = envelopeOf({key(0, 0, SpanTCB), key(2, 1, SpanTCB)});
    EXPECT_EQ(line.evaluate(0.25f), 0.5f);
}

TEST(EnvelopeEvaluate, HermiteSpanTakesItsTangentsFromTheKeys) {
    EnvelopeKey a = key(0, 0, SpanHermite), b = key(0, 1, SpanHermite);
    a.param1 = 4.0f;  // outgoing tangent of the first key
    b.param0 = 2.0f;  // incoming tangent of the second key
    const Envelope e = envelopeOf({a, b});
    // h3 = h4 - u² + u = 0.125, h4 = u³ - u² = -0.125 at u = 0.5: 4·0.125 - 2·0.125.
    EXPECT_EQ(e.evaluate(0.5f), 0.25f);
    // With neighbours the tangents are scaled by the span's share of the neighbouring interval: leaving the
    // key at 1 by 3·(3 - 1)/(3 - 0) = 2, arriving at the key at 3 by 2·(3 - 1)/(5 - 1) = 1.
    EnvelopeKey leaving = key(0, 1, SpanHermite), arriving = key(0, 3, SpanHermite);
    leaving.param1 = 3.0f;
    arriving.param0 = 2.0f;
    const Envelope scaled = envelopeOf({key(0, 0, SpanHermite), leaving, arriving, key(0, 5, SpanHermite)});
    EXPECT_EQ(scaled.evaluate(2.0f), 0.125f * 2.0f - 0.125f * 1.0f);
    // A stepped span holds the first key's value up to the next key.
    const Envelope step = envelopeOf({key(3, 0), key(8, 1, SpanStepped)});
    EXPECT_EQ(step.evaluate(0.999f), 3.0f);
    EXPECT_EQ(step.evaluate(1.0f), 8.0f);
}

TEST(EnvelopeEvaluate, Bezier2DFollowsItsHandles) {
    // Handles a third of the way along a straight line make the curve the line itself.
    EnvelopeKey a = key(0, 0, SpanBezier2D), b = key(3, 3, SpanBezier2D);
    a.param2 = 1.0f;
    a.param3 = 1.0f;
    b.param0 = -1.0f;
    b.param1 = -1.0f;
    const Envelope e = envelopeOf({a, b});
    EXPECT_EQ(e.evaluate(1.5f), 1.5f);  // the first bisection step hits s = 0.5 exactly
    for (float t : {0.2f, 1.0f, 2.2f, 2.9f}) EXPECT_NEAR(e.evaluate(t), t, 0.0002f) << t;
    // A flat incoming handle at a higher value lifts the middle of the span.
    EnvelopeKey c = key(0, 3, SpanBezier2D);
    c.param0 = -1.0f;
    c.param1 = 3.0f;
    const Envelope raised = envelopeOf({key(0, 0), c});
    EXPECT_GT(raised.evaluate(1.5f), 1.0f);
}

TEST(EnvelopeEvaluate, Bezier2DBisectionEndsWhenTheToleranceCannotBeMet) {
    // Over a span a million seconds long neighbouring float times lie further apart than the tolerance, so
    // the search cannot meet it; it must still end, on the curve (here nearly the line value = time).
    EnvelopeKey a = key(0, 0, SpanBezier2D), b = key(1e6f, 1e6f, SpanBezier2D);
    a.param2 = a.param3 = 333333.0f;
    b.param0 = b.param1 = -333333.0f;
    const Envelope wide = envelopeOf({a, b});
    EXPECT_NEAR(wide.evaluate(31415.9f), 31415.9f, 1.0f);

    // Handles that fold the time curve back on itself.
    EnvelopeKey c = key(0, 0, SpanBezier2D), d = key(1, 1, SpanBezier2D);
    c.param2 = 1e7f;
    d.param0 = -1e7f;
    const Envelope folded = envelopeOf({c, d});
    for (float t : {0.1f, 0.5f, 0.9f}) {
        const float v = folded.evaluate(t);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << t << " gave " << v;
    }

    // Oscillation with a first key after 0 mirrors the time outside the span (6.5 becomes -4.5), where the
    // curve never comes: the search runs to the span's start.
    EnvelopeKey e = key(0, 5, SpanBezier2D), f = key(2, 6, SpanBezier2D);
    e.param2 = 0.3f;
    f.param0 = -0.3f;
    const Envelope mirrored = envelopeOf({e, f}, BehaviorOscillate, BehaviorOscillate);
    EXPECT_NEAR(mirrored.evaluate(6.5f), 0.0f, 1e-4f);
}

TEST(EnvelopeEvaluate, BehavioursPickTheirEndKeysInLongEnvelopes) {
    // Enough keys that the span is found by binary search; every key and midpoint lands where a walk would.
    Envelope e;
    for (int i = 0; i < 40; ++i) e.addKey(key(static_cast<float>(i * i), static_cast<float>(i)));
    e.setBehaviors(BehaviorConstant, BehaviorLinear);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(e.evaluate(static_cast<float>(i)), static_cast<float>(i * i));
    for (int i = 0; i < 39; ++i)
        EXPECT_EQ(e.evaluate(i + 0.5f), (static_cast<float>(i * i) + static_cast<float>((i + 1) * (i + 1))) * 0.5f);
    EXPECT_EQ(e.evaluate(-1.0f), 0.0f);
    EXPECT_EQ(e.evaluate(40.0f), 1521.0f + 77.0f);  // the last span's slope, 1521 - 1444 per second
}

TEST(EnvelopeEvaluate, NonNumbersNeitherCrashNorLeaveTheKeys) {
    Envelope e = envelopeOf({key(1, 0), key(2, 1), key(3, 2)}, BehaviorRepeat, BehaviorOffsetRepeat);
    EXPECT_TRUE(std::isnan(e.evaluate(std::numeric_limits<float>::quiet_NaN())));
    (void)e.evaluate(std::numeric_limits<float>::infinity());
    (void)e.evaluate(-std::numeric_limits<float>::infinity());
    (void)e.evaluate(3.0e38f);  // more periods than an int holds
    e.addKey(key(9, std::numeric_limits<float>::quiet_NaN()));
    for (int i = 0; i < 12; ++i) e.addKey(key(static_cast<float>(i), static_cast<float>(i) * 0.25f));
    for (float t : {-1.0f, 0.3f, 1.7f, 5.0f}) (void)e.evaluate(t);
    EXPECT_EQ(e.evaluate(0.0f), 1.0f);
}

}  // namespace
}  // namespace qv3rn
