// keyframer_test.cpp -- Tests of both keyframers (tracks and nine channels): reading their blocks with every
// error, each track's interpolation, the rotation getters, save-then-load, and their transforms applied in a real
// headless OpenGL context.
#include "anim/keyframer.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

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
    const struct {
        std::string body, reason;
    } cases[] = {
        {"Translate {\nKey 0 1 2 3\nNumKeys 1\n}\n}\n", "Translate track: Key line before NumKeys"},
        {"Scale {\nNumKeys 0\n}\n}\n", "Scale track: NumKeys must be at least 1"},
        {"Rotate {\nNumKeys 2\nKey 0 0 0 1 0\n}\n}\n", "Rotate track: fewer Key lines than NumKeys 2"},
        {"Visible {\nKey 1\n}\nScale {\nNumKeys 1\nKey 0 1\n}\n}\n", "Visible track: Key line before NumKeys"},
        {"Translate {\nType \"Linear\"\n}\n}\n", "Translate track: no NumKeys line"},
        {"Translate {\nNumKeys 1\nNumKeys 1\nKey 0 1 2 3\n}\n}\n", "Translate track: a second NumKeys line"},
        {translate("Bezier", "Key 0 1 2 3\n", 1) + "}\n",
         "Translate track: unknown Type \"Bezier\" (Linear, Spline or Hermite)"},
        {"Visible {\nNumKeys 1\nKey 0\n}\n}\n", "keyframer block without a Translate, Rotate or Scale track"},
        {"}\n", "keyframer block without a Translate, Rotate or Scale track"},
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
    EXPECT_NE(dynamic_cast<const LinearVectorTrack*>(k.translateTrack()), nullptr);  // no Type line: linear
    EXPECT_EQ(k.getPosition(0.5f), Vec3(0, 1, 0));
    // Loading again starts from no tracks.
    ASSERT_EQ(load(k, "Scale {\nNumKeys 1\nKey 0 2\n}\n}\n"), "");
    EXPECT_EQ(k.getPosition(0.5f), Vec3(0, 0, 0));
    // A block cut off by the end of the stream keeps what it read.
    EXPECT_EQ(load(k, "Scale {\nNumKeys 1\nKey 0 3"), "");
    EXPECT_EQ(k.getScale(7.0f), Vec3(3, 3, 3));
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
    // A zero axis is no rotation; the scene's matrix, read by rows, turns vectors as the quaternion does.
    ASSERT_EQ(load(k, "Rotate {\nNumKeys 2\nKey 0 0 0 0 45\nKey 4 2 0 0 -60\n}\n}\n"), "");
    EXPECT_EQ(k.getRotation(-1.0f), Quat());
    EXPECT_TRUE(sameRotation(k.getRotation(9.0f), Quat::fromAxisAngle({1, 0, 0}, -kPi / 3), 1e-6f));
    const Mat4 r = k.getRotationMatrix(9.0f);
    EXPECT_TRUE(vectorsNear(r.transformVectorByRows({0, 1, 0}), k.getRotation(9.0f).rotate({0, 1, 0}), 1e-6f));
    EXPECT_EQ(k.getYAxis(9.0f), Vec3(r.m[4], r.m[5], r.m[6]));
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
    const auto* hermite = dynamic_cast<const HermiteVectorTrack*>(k.translateTrack());
    ASSERT_NE(hermite, nullptr);
    // Closed ends: the first key's tangent averages the chords from the last key and to the second, the last's
    // those from the one before and to the first; all tangents are unit vectors.
    EXPECT_TRUE(vectorsNear(hermite->tangents()[0], ((keys[1] - keys[0]) + (keys[0] - keys[3])).normalized(), 1e-6f));
    EXPECT_TRUE(vectorsNear(hermite->tangents()[3], ((keys[0] - keys[3]) + (keys[3] - keys[2])).normalized(), 1e-6f));
    for (const Vec3& t : hermite->tangents()) EXPECT_NEAR(t.length(), 1.0f, 1e-6f);
    // Between keys the path bends away from the chord and stays continuous at the keys.
    EXPECT_FALSE(vectorsNear(k.getPosition(2.0f), (keys[1] + keys[2]) * 0.5f, 0.01f));
    EXPECT_TRUE(vectorsNear(k.getPosition(1.0f - 1e-4f), keys[1], 1e-3f));
    EXPECT_TRUE(vectorsNear(k.getPosition(1.0f + 1e-4f), keys[1], 1e-3f));

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
    // Two keys: a straight path.
    ASSERT_EQ(load(k, translate("Spline", "Key 0 0 0 0\nKey 2 4 2 0\n", 2) + "}\n"), "");
    EXPECT_TRUE(vectorsNear(k.getPosition(1.0f), {2, 1, 0}, 1e-6f));
    EXPECT_NEAR(k.getPosition(0.5f).y / k.getPosition(0.5f).x, 0.5f, 1e-6f);
}

TEST(KeyframerTracks, LinearTranslateHoldsItsEndsScaleIsUniformAndVisibilityToggles) {
    Keyframer k;
    ASSERT_EQ(load(k, translate("Linear", "Key 0 0 0 0\nKey 2 4 0 0\n", 2) + "}\n"), "");
    for (auto [t, x] : {std::pair{1.0f, 2.0f}, {-1.0f, 0.0f}, {5.0f, 4.0f}}) EXPECT_EQ(k.getPosition(t), Vec3(x, 0, 0));
    k.evaluate(1.5f);
    EXPECT_EQ(k.position(), Vec3(3, 0, 0));
    EXPECT_TRUE(k.rotation() == Quat() && k.scale() == Vec3(1, 1, 1));
    ASSERT_EQ(load(k, "Scale {\nNumKeys 3\nKey 0 1\nKey 2 3\nKey 2 5\n}\n"
                      "Visible {\nNumKeys 3\nKey 1\nKey 2\nKey 4\n}\n}\n"), "");
    EXPECT_EQ(k.getScale(1.0f), Vec3(2, 2, 2));
    EXPECT_EQ(k.getScale(-3.0f), Vec3(1, 1, 1));
    EXPECT_EQ(k.getScale(2.0f), Vec3(5, 5, 5));  // past a step, and at it, the later value
    const std::pair<float, bool> visibility[] = {{0.5f, false}, {1.0f, true}, {1.5f, true}, {2.0f, false},
                                                 {3.0f, false}, {4.0f, true}, {100.0f, true}};
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
    EXPECT_NE(text.find("\t\tRotate {\n\t\t\tType \"HPR\"\n\t\t\tNumKeys 2\n\t\t\tKey 0 0.5 0.25 0\n"),
              std::string::npos);
    EXPECT_NE(text.find("\t\tVisible {\n\t\t\tNumKeys 2\n\t\t\tKey 0.5\n\t\t\tKey 3\n\t\t}\n\t}\n"), std::string::npos);

    Keyframer back;  // the reader takes the text after the block's opening line
    ASSERT_EQ(load(back, text.substr(text.find('\n') + 1)), "");
    std::ostringstream again;
    back.save(again);
    EXPECT_EQ(again.str(), text);
    for (float t = -1.0f; t < 5.0f; t += 0.3f) {
        EXPECT_TRUE(back.getPosition(t) == original.getPosition(t) && back.getRotation(t) == original.getRotation(t) &&
                    back.getScale(t) == original.getScale(t)) << t;
    }
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
    for (float t : {-1.0f, 2.5f, 9.0f}) {
        k.evaluate(t);
        EXPECT_EQ(k.position(), Vec3(t <= 0 ? 0.0f : t >= 5 ? 10.0f : 2.0f * t, 0.0f, 0.0f)) << t;
        EXPECT_EQ(k.scale(), Vec3(1.0f, 3.0f, 1.0f));
        EXPECT_EQ(k.rotation(), Quat());
    }
    EXPECT_EQ(k.channel(8).channelIndex(), 8u);  // a channel given its neutral key knows its index
}

TEST(KeyframerLWLoad, EveryBlockErrorHasItsMessage) {
    const char* const channelError = "Unable to load keyframer channel envelope";
    const char* const tokenError = "Unable to load keyframer channels (token error)";
    const struct {
        std::string body;
        const char* error;
    } cases[] = {
        {"NumChannels 0\n}\n", ""},
        {"NumChannels 10\n}\n", "wrong number of channels in keyframer"},
        {"NumChannels -1\n}\n", "wrong number of channels in keyframer"},
        {"NumChannels 12 }\n", ""},  // the closing brace is tested before the count
        {channel(9, {"1"}) + "}\n", channelError},
        {channel(-1, {"1"}) + "}\n", channelError},
        {"Channel x\n{ Envelope\n1\nKey 1\n}\n}\n", channelError},
        {"Position 1 2 3\n}\n", tokenError},
        {channel(1, {"1"}), tokenError},  // the end of the stream before the closing line
        {"Channel 2\n{ Envelope\n2\nKey 1\n}\n}\n", "To few keys in Envelope"},
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
    // The negated angles are the arguments of the Euler matrix.
    EXPECT_EQ((std::vector<float>{k.angle0(), k.angle1(), k.angle2()}), (std::vector<float>{-0.8f, -0.5f, 0.8f}));
    const Mat4 r = k.getRotationMatrix(t);
    EXPECT_EQ(r, eulerMatrix(-0.8f, -0.5f, 0.8f));
    EXPECT_EQ(r, k.rotationMatrix());
    EXPECT_TRUE(sameRotation(k.getRotation(t), k.rotation(), 1e-6f));
    const Quat expected = Quat::fromAxisAngle({0, 1, 0}, 0.8f) * Quat::fromAxisAngle({1, 0, 0}, 0.5f) *
                          Quat::fromAxisAngle({0, 0, 1}, -0.8f);
    EXPECT_TRUE(sameRotation(k.rotation(), expected, 1e-6f));
    for (const Vec3 v : {Vec3(1, 0, 0), Vec3(0.5f, -2, 1)})
        EXPECT_TRUE(vectorsNear(r.transformVectorByRows(v), k.rotation().rotate(v), 1e-5f));
    EXPECT_EQ(k.getXAxis(t), Vec3(r.m[0], r.m[1], r.m[2]));
    EXPECT_EQ(k.getYAxis(t), Vec3(r.m[4], r.m[5], r.m[6]));
    EXPECT_EQ(k.getZAxis(t), Vec3(r.m[8], r.m[9], r.m[10]));
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
    const Vec3 p{0.25f, 1.0f, -0.5f};
    const Vec3 moved = channels.rotation().rotate(componentProduct(p, {2, 0.5f, 3})) + Vec3(1.5f, -2, 0.5f);
    EXPECT_TRUE(vectorsNear(channels.openGLMatrix().transformPoint(p), moved, 1e-5f));
    // Even a tiny scale is part of the matrix; no rotation turns nothing.
    ASSERT_EQ(load(tracks, "Scale {\nNumKeys 1\nKey 0 0.00001\n}\n}\n"), "");
    tracks.evaluate(0.0f);
    glLoadIdentity();
    tracks.beginTransform();
    EXPECT_TRUE(vectorsNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX).transformPoint({1, 0, 0}), {0.00001f, 0, 0},
                            1e-7f));
    tracks.endTransform();
}
}  // namespace
}  // namespace qv3rn
