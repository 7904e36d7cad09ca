// animation_test.cpp -- Tests of envelopes (their blocks and load messages, writing, behaviours around the
// key range, every span shape) and of both keyframers (tracks and nine channels): their blocks and errors, the
// tracks' interpolation, rotations, save-then-load, and their transforms applied in a real headless context.
#include "anim/keyframer.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "anim/keyframer_lw.h"
#include "data/script_parser.h"
#include "math/euler_matrix.h"
#include "math/matrix_expectations.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::sameRotation;
using test::vectorsNear;

constexpr float kPi = std::numbers::pi_v<float>;

// Loads a block body (the "Keyframer {" line already read); gives "" or why it failed (loadError() or the
// exception's message).
std::string load(KeyframerBase& k, const std::string& body) {
    std::istringstream in(body);
    ScriptParser parser;
    try {
        if (!k.load(parser, in)) return dynamic_cast<Keyframer&>(k).loadError();  // only tracks fail without throwing
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

std::string translate(const std::string& type, const std::string& keys, int count) {
    return "Translate {\nType \"" + type + "\"\nNumKeys " + std::to_string(count) + "\n" + keys + "}\n";
}

// A channel block whose envelope holds `keys` ("value time span" each) and holds its ends.
std::string channel(int index, const std::vector<std::string>& keys) {
    std::string text = "Channel " + std::to_string(index) + "\n{ Envelope\n" + std::to_string(keys.size()) + "\n";
    for (const std::string& key : keys) text += "Key " + key + "\n";
    return text + "Behaviors 1 1\n}\n";
}

TEST(KeyframerLoad, MalformedSubBlocksFailWithAReason) {
    const struct { std::string body, reason; } cases[] = {
        {"Translate {\nKey 0 1 2 3\nNumKeys 1\n}\n}\n", "Translate track: Key line before NumKeys"},
        {"Scale {\nNumKeys 0\n}\n}\n", "Scale track: NumKeys must be at least 1"},
        {"Translate {\nType \"Linear\"\n}\n}\n", "Translate track: no NumKeys line"},
        {translate("Bezier", "Key 0 1 2 3\n", 1) + "}\n",
         "Translate track: unknown Type \"Bezier\" (Linear, Spline or Hermite)"},
        {"Visible {\nNumKeys 1\nKey 0\n}\n}\n", "keyframer block without a Translate, Rotate or Scale track"},
        {translate("Linear", "Key 0 0 0 0\nKey 1 1 1 1\nKey 2 2 2 2\n", 2) + "}\n",
         "More Key lines than NumKeys 2 in keyframer Translate track"},
    };
    for (const auto& c : cases) {
        Keyframer k;
        EXPECT_EQ(load(k, c.body), c.reason) << c.body;
    }
}

TEST(KeyframerLoad, DefaultsOtherLinesAndTheEndOfTheBlock) {
    Keyframer k;
    std::istringstream in("Name \"ignored\"\nTranslate {\nNumKeys 2\n; first\nKey 0 0 0 0\nKey 1 0 2 0\n}\n}\nAfter\n");
    ScriptParser parser;
    ASSERT_TRUE(k.load(parser, in)) << k.loadError();
    EXPECT_EQ(parser.readLine(in), "After");
    EXPECT_EQ(k.getPosition(0.5f), Vec3(0, 1, 0));
    // Loading again starts from no tracks.
    ASSERT_EQ(load(k, "Scale {\nNumKeys 1\nKey 0 2\n}\n}\n"), "");
    EXPECT_EQ(k.getPosition(0.5f), Vec3(0, 0, 0));
}

TEST(KeyframerRotation, RelativeAxisAngleKeysAccumulate) {
    Keyframer k;
    ASSERT_EQ(load(k, "Rotate {\nType \"AxisAngle\"\nNumKeys 3\nKey 0 0 0 1 0\nKey 1 0 0 1 90\nKey 2 0 0 1 90\n}\n}\n"),
              "");
    for (auto [t, turns] : {std::pair{0.0f, 0.0f}, {1.0f, 0.25f}, {1.5f, 0.375f}})
        EXPECT_TRUE(sameRotation(k.getRotation(t), Quat::fromAxisAngle({0, 0, 1}, 2 * kPi * turns), 1e-6f)) << t;
    EXPECT_TRUE(vectorsNear(k.getRotation(2.0f).rotate({1, 0, 0}), {-1, 0, 0}, 1e-6f));
    // Relative to the turned frame: a second key about x after a first about z turns about the turned x.
    ASSERT_EQ(load(k, "Rotate {\nNumKeys 2\nKey 0 0 0 1 90\nKey 1 1 0 0 90\n}\n}\n"), "");
    EXPECT_TRUE(vectorsNear(k.getRotation(1.0f).rotate({0, 1, 0}), {0, 0, 1}, 1e-6f));
}

TEST(KeyframerRotation, HPRKeysMatchTheChannelKeyframer) {
    Keyframer tracks;
    ASSERT_EQ(load(tracks, "Rotate {\nType \"HPR\"\nNumKeys 1 HPR\nKey 0 0.9 -0.35 1.2\n}\n}\n"), "");
    KeyframerLW channels;
    ASSERT_EQ(load(channels, channel(3, {"0.9"}) + channel(4, {"-0.35"}) + channel(5, {"1.2"}) + "}\n"), "");
    channels.evaluate(0.0f), tracks.evaluate(0.0f);
    EXPECT_TRUE(sameRotation(tracks.rotation(), channels.rotation(), 1e-6f));
    EXPECT_TRUE(test::matricesNear(tracks.rotationMatrix(), channels.rotationMatrix(), 1e-6f));
}

TEST(KeyframerTranslate, HermiteAndSplinePathsPassThroughEveryKey) {
    Keyframer k;
    ASSERT_EQ(load(k, translate("Hermite", "Key 0 0 0 0\nKey 1 3 1 0\nKey 3 3 4 -2\nKey 4 -1 2 5\n", 4) + "}\n"), "");
    const Vec3 keys[] = {{0, 0, 0}, {3, 1, 0}, {3, 4, -2}, {-1, 2, 5}};
    const float times[] = {0, 1, 3, 4};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(k.getPosition(times[i]), keys[i]) << i;
    EXPECT_FALSE(vectorsNear(k.getPosition(2.0f), (keys[1] + keys[2]) * 0.5f, 0.01f));  // bent away from the chord

    ASSERT_EQ(load(k, translate("Spline", "Key 0 0 0 0\nKey 1 1 1 0\nKey 2 2 0 0\nKey 3 3 2 0\nKey 4 4 0 0\n", 5) +
                          "}\n"), "");
    const float heights[] = {0, 1, 0, 2, 0};
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(k.getPosition(float(i)), Vec3(float(i), heights[i], 0)) << i;
    // An inner segment is plain Catmull-Rom: at the middle of the third segment the weights of keys 1 to 4
    // are -1/16, 9/16, 9/16, -1/16, so y = (-1 + 0 + 18 - 0) / 16, above the chord's 1.
    EXPECT_TRUE(vectorsNear(k.getPosition(2.5f), {2.5f, 1.0625f, 0}, 1e-6f));
    // The first and last segments move between their keys instead of jumping to the last key.
    const Vec3 early = k.getPosition(0.5f);
    EXPECT_TRUE(std::abs(early.x - 0.5f) < 1e-6f && early.y > 0.0f && early.y < 1.0f) << early.x << ' ' << early.y;
    EXPECT_NEAR(k.getPosition(3.5f).x, 3.5f, 1e-6f);
}

TEST(KeyframerTracks, LinearTranslateHoldsItsEndsScaleIsUniformAndVisibilityToggles) {
    Keyframer k;
    ASSERT_EQ(load(k, translate("Linear", "Key 0 0 0 0\nKey 2 4 0 0\n", 2) + "}\n"), "");
    for (auto [t, x] : {std::pair{1.0f, 2.0f}, {-1.0f, 0.0f}, {5.0f, 4.0f}}) EXPECT_EQ(k.getPosition(t), Vec3(x, 0, 0));
    ASSERT_EQ(load(k, "Scale {\nNumKeys 3\nKey 0 1\nKey 2 3\nKey 2 5\n}\n"
                      "Visible {\nNumKeys 3\nKey 1\nKey 2\nKey 4\n}\n}\n"), "");
    EXPECT_EQ(k.getScale(1.0f), Vec3(2, 2, 2));
    EXPECT_EQ(k.getScale(2.0f), Vec3(5, 5, 5));  // past a step, and at it, the later value
    const std::pair<float, bool> visibility[] = {{0.5f, false}, {1.0f, true}, {2.0f, false}, {4.0f, true}};
    for (const auto& [time, shown] : visibility) {
        k.evaluate(time);
        EXPECT_EQ(k.visible(), shown) << time;
    }
}

TEST(KeyframerSave, SaveThenLoadGivesTheSameTracks) {
    Keyframer original;
    ASSERT_EQ(load(original, translate("Spline", "Key 0 0 0 0\nKey 1 0.1 2 3\nKey 2 -5 4 1e-07\nKey 3.5 7 7 7\n", 4) +
                                 "Rotate {\nType \"HPR\"\nNumKeys 2\nKey 0 0.5 0.25 0\nKey 2 0 0 1.5\n}\n"
                                 "Scale {\nNumKeys 2\nKey 0 1\nKey 3 2.5\n}\n"
                                 "Visible {\nNumKeys 2\nKey 0.5\nKey 3\n}\n}\n"),
              "");
    std::ostringstream out;
    ASSERT_TRUE(original.save(out));
    const std::string text = out.str();
    EXPECT_TRUE(text.starts_with("\tKeyframer {\n\t\tTranslate {\n\t\t\tType \"Spline\"\n\t\t\tNumKeys 4\n"
                                 "\t\t\tKey 0 0 0 0\n"))
        << text;

    Keyframer back;  // the reader takes the text after the block's opening line
    ASSERT_EQ(load(back, text.substr(text.find('\n') + 1)), "");
    std::ostringstream again;
    back.save(again);
    EXPECT_EQ(again.str(), text);
    EXPECT_EQ(back.getPosition(1.7f), original.getPosition(1.7f));
}

TEST(KeyframerLWLoad, ChannelsLeftWithoutKeysGetOneConstantNeutralKeyAndALaterBlockReplacesAChannel) {
    std::istringstream in("NumChannels 9\n" + channel(0, {"0 0 3", "10 5 3"}) + channel(7, {"2"}) + "; again\n" +
                          channel(7, {"3"}) + "}\nNext\n");
    ScriptParser parser;
    KeyframerLW k;
    k.evaluate(3.0f);  // before loading: the neutral transform, and nothing to save
    EXPECT_TRUE(k.visible() && test::matricesNear(k.openGLMatrix(), Mat4::identity(), 0.0f));
    std::ostringstream out;
    EXPECT_TRUE(k.save(out) && out.str().empty());
    EXPECT_TRUE(k.load(parser, in));
    EXPECT_EQ(parser.readLine(in), "Next");  // the block ends at its closing line
    for (float t : {-1.0f, 2.5f}) {
        k.evaluate(t);
        EXPECT_EQ(k.position(), Vec3(t <= 0 ? 0.0f : t >= 5 ? 10.0f : 2.0f * t, 0.0f, 0.0f)) << t;
        EXPECT_EQ(k.scale(), Vec3(1.0f, 3.0f, 1.0f));
        EXPECT_EQ(k.rotation(), Quat());
    }
}

TEST(KeyframerLWLoad, EveryBlockErrorHasItsMessage) {
    const char* const channelError = "Unable to load keyframer channel envelope";
    const char* const tokenError = "Unable to load keyframer channels (token error)";
    const struct { std::string body; const char* error; } cases[] = {
        {"NumChannels 0\n}\n", ""},
        {"NumChannels 10\n}\n", "wrong number of channels in keyframer"},
        {"NumChannels 12 }\n", ""},  // the closing brace is tested before the count
        {channel(9, {"1"}) + "}\n", channelError},
        {"Position 1 2 3\n}\n", tokenError},
        {channel(1, {"1"}), tokenError},  // the end of the stream before the closing line
        {"Channel 3\nKey 1\n}\n", "unable to find expected envelope start token"},
    };
    for (const auto& c : cases) {
        KeyframerLW k;
        EXPECT_EQ(load(k, c.body), c.error) << c.body;
    }
}

TEST(KeyframerLWRotation, QuaternionMatrixAndAxesDescribeOneRotation) {
    KeyframerLW k;
    ASSERT_EQ(load(k, channel(KeyframerLW::Heading, {"0 0 3", "1 2 3"}) + channel(KeyframerLW::Pitch, {"0.5"}) +
                          channel(KeyframerLW::Bank, {"-0.8"}) + "}\n"),
              "");
    const float t = 1.6f;  // heading 0.8
    k.evaluate(t);
    const Mat4 r = k.getRotationMatrix(t);
    EXPECT_EQ(r, eulerMatrix(-0.8f, -0.5f, 0.8f));
    EXPECT_TRUE(sameRotation(k.getRotation(t), k.rotation(), 1e-6f));
    const Quat expected = Quat::fromAxisAngle({0, 1, 0}, 0.8f) * Quat::fromAxisAngle({1, 0, 0}, 0.5f) *
                          Quat::fromAxisAngle({0, 0, 1}, -0.8f);
    EXPECT_TRUE(sameRotation(k.rotation(), expected, 1e-6f));
    for (const Vec3 v : {Vec3(1, 0, 0), Vec3(0.5f, -2, 1)})
        EXPECT_TRUE(vectorsNear(r.transformVectorByRows(v), k.rotation().rotate(v), 1e-5f));
    EXPECT_EQ(k.getYAxis(t), Vec3(r.m[4], r.m[5], r.m[6]));
}

using KeyframerInOpenGL = test::GLTest;

// beginTransform pushes the evaluated translation, rotation and scale onto the model-view matrix as the matching
// glTranslate, glRotate and glScale calls would; endTransform pops it.
TEST_F(KeyframerInOpenGL, BeginTransformAppliesTheKeyframerAndEndTransformRestores) {
    Keyframer tracks;
    ASSERT_EQ(load(tracks, "Translate {\nNumKeys 2\nKey 0 0 0 0\nKey 2 4 -2 6\n}\nRotate {\nNumKeys 2\nKey 0 1 1 0 30\n"
                           "Key 1 0 0 1 40\n}\nScale {\nNumKeys 2\nKey 0 1\nKey 2 3\n}\n}\n"),
              "");
    tracks.evaluate(1.0f);
    const float v[] = {1.5f, -2.0f, 0.5f, 0.7f, -0.3f, 1.1f, 2.0f, 0.5f, 3.0f};  // x y z h p b sx sy sz
    std::string body;
    for (int i = 0; i < 9; ++i) body += channel(i, {std::to_string(v[i])});
    KeyframerLW channels;
    ASSERT_EQ(load(channels, body + "}\n"), "");
    channels.evaluate(0.0f);
    const std::pair<const KeyframerBase*, std::function<void()>> rows[] = {
        // The second key turns 40 degrees about z in the frame the first key's 30 degrees about (1, 1, 0) made.
        {&tracks, [] { glTranslatef(2, -1, 3), glRotatef(30, 1, 1, 0), glRotatef(40, 0, 0, 1), glScalef(2, 2, 2); }},
        {&channels, [&] {
             glTranslatef(v[0], v[1], v[2]);
             glRotatef(v[3] * kDegreesPerRadian, 0, 1, 0), glRotatef(v[4] * kDegreesPerRadian, 1, 0, 0);
             glRotatef(v[5] * kDegreesPerRadian, 0, 0, 1), glScalef(v[6], v[7], v[8]);
         }},
    };
    Mat4 base = Mat4::rotation(0.4f, {0, 1, 0}) * Mat4::translation({0, 0, -7});
    for (const auto& [k, reference] : rows) {
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(base.data());
        reference();
        const Mat4 expected = test::currentGLMatrix(GL_MODELVIEW_MATRIX);
        glLoadMatrixf(base.data());
        k->beginTransform();
        EXPECT_TRUE(test::matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX), expected, 1e-5f));
        EXPECT_TRUE(test::matricesNear(k->openGLMatrix() * base, expected, 1e-5f));
        EXPECT_EQ(k->openGLMatrix(), k->transformMatrix().transposed());
        k->endTransform();
        EXPECT_TRUE(test::matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX), base, 0.0f));
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

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
    const Envelope twice = loaded("{ Envelope\n2\nBehaviors 2 2\nKey 0 0 3\nBehaviors 4 5\nKey 1 1 3\n}\n");
    EXPECT_EQ(twice.preBehavior(), BehaviorOffsetRepeat);  // the last line counts
    EXPECT_EQ(twice.postBehavior(), BehaviorLinear);
    const Envelope e = loaded("; ramp\n{ Envelope ; begins\n  ; two keys\n  2\n\tKey 1.5\n  Key 2 4 3\n}\n");
    EXPECT_EQ(e.keys().at(0).value, 1.5f);

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
    const struct { std::string text, message; std::uint32_t keys = 0; std::uint16_t post = BehaviorReset; } cases[] = {
        {"Envelope {\n1\nKey 1\n}\n", "unable to find expected envelope start token"},
        {"{ Envelope\n1\nKey 1 0 6\n}\n", "Found unknown spantype in Envelope"},
        {"{ Envelope\n1\nKey 1 0 5\nBehaviors 5 5\n}\n", "", 1, BehaviorLinear},
        {"{ Envelope\n1\nKey 1\nKey 2 1\n}\n", "To many keys in Envelope", 2},
        {"{ Envelope\n2\nKey 1\n", "To few keys in Envelope", 1},
        {"{ Envelope\n1\nKey 1\nBehaviors 1 1\nBehaviors 2 7\n}\n", "unknown post behavior value", 1, BehaviorConstant},
        {"{ Envelope\n1\nKey 1\nValue 3\n}\n", "Found unknown token in Envelope", 1},
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
        // Stepped end keys have no slope: the line is flat.
        {"linear stepped", envelopeOf({key(1, 0, SpanStepped), key(5, 2, SpanStepped)}, BehaviorLinear, BehaviorLinear),
         {{-3, 1}, {9, 5}}},
        {"stepped", envelopeOf({key(3, 0), key(8, 1, SpanStepped)}), {{0.999f, 3}, {1, 8}}},
        {"TCB at its keys", bent, {{0, 0.1f}, {0.7f, 3.3f}, {1.9f, -1.7f}}},
        // Keys 0, 1, 0: the first key's outgoing tangent is 1 (no key before it), the middle key's incoming one
        // 0.5·((0 - 1) + 1) = 0, so at 0.5 the value is 0.5 + 0.125.
        {"TCB", envelopeOf({key(0, 0, SpanTCB), key(1, 1, SpanTCB), key(0, 2, SpanTCB)}),
         {{0.5f, 0.625f}, {1.5f, 0.625f}}},
        // h3 = 0.125, h4 = -0.125 at u = 0.5: 4·0.125 - 2·0.125.
        {"Hermite", envelopeOf({{0, 0, SpanHermite, 0, 0, 0, 0, 4}, {0, 1, SpanHermite, 0, 0, 0, 2}}), {{0.5f, 0.25f}}},
        {"Hermite neighbours", scaledHermite, {{2, 0.125f * 2 - 0.125f}}},
        // Handles a third of the way along a straight line make the curve the line; 1.5 is the first bisection.
        {"Bezier2D", bezier(1, 1, -1, -1), {{1.5f, 1.5f}}},
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
    for (int i = 0; i < 39; ++i) EXPECT_EQ(e.evaluate(i + 0.5f), (float(i * i) + float((i + 1) * (i + 1))) * 0.5f);
    EXPECT_EQ(e.evaluate(40.0f), 1521.0f + 77.0f);  // the last span's slope, 1521 - 1444 per second

    // Times that are not numbers neither crash nor leave the keys.
    e = envelopeOf({key(1, 0), key(2, 1), key(3, 2)}, BehaviorRepeat, BehaviorOffsetRepeat);
    EXPECT_TRUE(std::isnan(e.evaluate(std::numeric_limits<float>::quiet_NaN())));
    e.addKey(key(9, std::numeric_limits<float>::quiet_NaN()));
    for (int i = 0; i < 12; ++i) e.addKey(key(float(i), float(i) * 0.25f));
    for (float t : {-1.0f, 0.3f, 1.7f, 5.0f}) (void)e.evaluate(t);
    EXPECT_EQ(e.evaluate(0.0f), 1.0f);
}

}  // namespace
}  // namespace qv3rn
