// Tests of the track keyframer: reading its sub-blocks, each track's interpolation, and save-then-load.
#include "anim/keyframer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>

#include "anim/keyframer_lw.h"
#include "data/script_parser.h"
#include "math/matrix_expectations.h"

namespace qv3rn {
namespace {

using test::sameRotation;
using test::vectorsNear;

constexpr float kPi = std::numbers::pi_v<float>;

// Loads a block body (the "Keyframer {" line already read).
bool load(Keyframer& k, const std::string& body) {
    std::istringstream in(body);
    ScriptParser parser;
    return k.load(parser, in);
}

std::string translateBlock(const std::string& type, const std::string& keys, int count) {
    return "Translate {\nType \"" + type + "\"\nNumKeys " + std::to_string(count) + "\n" + keys + "}\n";
}

TEST(KeyframerLoad, ALinearTranslateTrackHoldsItsEndsOutsideTheKeys) {
    Keyframer k;
    ASSERT_TRUE(load(k, translateBlock("Linear", "Key 0 0 0 0\nKey 2 4 0 0\n", 2) + "}\n")) << k.loadError();
    EXPECT_EQ(k.getPosition(1.0f), Vec3(2, 0, 0));
    EXPECT_EQ(k.getPosition(-1.0f), Vec3(0, 0, 0));
    EXPECT_EQ(k.getPosition(5.0f), Vec3(4, 0, 0));
    k.evaluate(1.5f);
    EXPECT_EQ(k.position(), Vec3(3, 0, 0));
    EXPECT_EQ(k.rotation(), Quat());
    EXPECT_EQ(k.scale(), Vec3(1, 1, 1));
    EXPECT_TRUE(k.visible());
}

TEST(KeyframerLoad, MalformedSubBlocksFailWithAReason) {
    struct Case {
        std::string body, reason;
    };
    const Case cases[] = {
        {"Translate {\nKey 0 1 2 3\nNumKeys 1\n}\n}\n", "Translate track: Key line before NumKeys"},
        {"Translate {\nNumKeys 0\n}\n}\n", "Translate track: NumKeys must be at least 1"},
        {"Scale {\nNumKeys -3\n}\n}\n", "Scale track: NumKeys must be at least 1"},
        {"Rotate {\nNumKeys 2\nKey 0 0 0 1 0\n}\n}\n", "Rotate track: fewer Key lines than NumKeys 2"},
        {"Visible {\nKey 1\n}\nScale {\nNumKeys 1\nKey 0 1\n}\n}\n", "Visible track: Key line before NumKeys"},
        {"Translate {\nType \"Linear\"\n}\n}\n", "Translate track: no NumKeys line"},
        {"Translate {\nNumKeys 1\nNumKeys 1\nKey 0 1 2 3\n}\n}\n", "Translate track: a second NumKeys line"},
        {translateBlock("Bezier", "Key 0 1 2 3\n", 1) + "}\n",
         "Translate track: unknown Type \"Bezier\" (Linear, Spline or Hermite)"},
        {"Visible {\nNumKeys 1\nKey 0\n}\n}\n", "keyframer block without a Translate, Rotate or Scale track"},
        {"}\n", "keyframer block without a Translate, Rotate or Scale track"},
    };
    for (const Case& c : cases) {
        Keyframer k;
        EXPECT_FALSE(load(k, c.body)) << c.body;
        EXPECT_EQ(k.loadError(), c.reason);
    }
}

TEST(KeyframerLoad, MoreKeyLinesThanAnnouncedAreRefused) {
    Keyframer k;
    try {
        load(k, translateBlock("Linear", "Key 0 0 0 0\nKey 1 1 1 1\nKey 2 2 2 2\n", 2) + "}\n");
        FAIL() << "accepted three keys for two";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "More Key lines than NumKeys 2 in keyframer Translate track");
    }
}

TEST(KeyframerLoad, DefaultsOtherLinesAndTheEndOfTheBlock) {
    Keyframer k;
    std::istringstream in("Name \"ignored\"\nTranslate {\nNumKeys 2\n; first\nKey 0 0 0 0\nKey 1 0 2 0\n}\n}\nAfter\n");
    ScriptParser parser;
    ASSERT_TRUE(k.load(parser, in)) << k.loadError();
    EXPECT_EQ(parser.readLine(in), "After");
    ASSERT_NE(k.translateTrack(), nullptr);
    EXPECT_NE(dynamic_cast<const LinearVectorTrack*>(k.translateTrack()), nullptr);  // no Type line: linear
    EXPECT_EQ(k.getPosition(0.5f), Vec3(0, 1, 0));
    // Loading again starts from no tracks.
    ASSERT_TRUE(load(k, "Scale {\nNumKeys 1\nKey 0 2\n}\n}\n"));
    EXPECT_EQ(k.translateTrack(), nullptr);
    EXPECT_EQ(k.getPosition(0.5f), Vec3(0, 0, 0));
    // A block cut off by the end of the stream keeps what it read.
    Keyframer cut;
    EXPECT_TRUE(load(cut, "Scale {\nNumKeys 1\nKey 0 3"));
    EXPECT_EQ(cut.getScale(7.0f), Vec3(3, 3, 3));
}

TEST(KeyframerRotation, RelativeKeysAccumulate) {
    Keyframer k;
    ASSERT_TRUE(load(k, "Rotate {\nType \"AxisAngle\"\nNumKeys 3\nKey 0 0 0 1 0\nKey 1 0 0 1 90\nKey 2 0 0 1 90\n}\n}\n"))
        << k.loadError();
    EXPECT_TRUE(sameRotation(k.getRotation(0.0f), Quat(), 1e-6f));
    EXPECT_TRUE(sameRotation(k.getRotation(1.0f), Quat::fromAxisAngle({0, 0, 1}, kPi / 2), 1e-6f));
    k.evaluate(2.0f);
    Vec3 axis;
    float angle = 0.0f;
    k.rotation().toAxisAngle(axis, angle);
    EXPECT_NEAR(angle, kPi, 1e-5f);
    EXPECT_TRUE(vectorsNear(axis, {0, 0, 1}, 1e-5f));
    EXPECT_TRUE(vectorsNear(k.rotation().rotate({1, 0, 0}), {-1, 0, 0}, 1e-6f));
    // Half way between the second and third key: 135 degrees.
    EXPECT_TRUE(sameRotation(k.getRotation(1.5f), Quat::fromAxisAngle({0, 0, 1}, 0.75f * kPi), 1e-6f));
    // Relative to the turned frame: a second key about x after a first about z turns about the turned x.
    Keyframer mixed;
    ASSERT_TRUE(load(mixed, "Rotate {\nNumKeys 2\nKey 0 0 0 1 90\nKey 1 1 0 0 90\n}\n}\n"));
    EXPECT_TRUE(vectorsNear(mixed.getRotation(1.0f).rotate({0, 1, 0}), {0, 0, 1}, 1e-6f));
}

TEST(KeyframerRotation, AxisAngleKeysInDegreesAndAZeroAxis) {
    Keyframer k;
    ASSERT_TRUE(load(k, "Rotate {\nNumKeys 2\nKey 0 0 0 0 45\nKey 4 2 0 0 -60\n}\n}\n"));
    EXPECT_EQ(k.getRotation(-1.0f), Quat());  // a zero axis is no rotation
    EXPECT_TRUE(sameRotation(k.getRotation(9.0f), Quat::fromAxisAngle({1, 0, 0}, -kPi / 3), 1e-6f));
    // The scene's matrix of it, read by rows, turns vectors the same way.
    const Mat4 r = k.getRotationMatrix(9.0f);
    EXPECT_TRUE(vectorsNear(r.transformVectorByRows({0, 1, 0}), k.getRotation(9.0f).rotate({0, 1, 0}), 1e-6f));
    EXPECT_EQ(k.getYAxis(9.0f), Vec3(r.m[4], r.m[5], r.m[6]));
}

TEST(KeyframerRotation, HPRKeysMatchTheChannelKeyframer) {
    const float h = 0.9f, p = -0.35f, b = 1.2f;
    Keyframer tracks;
    std::ostringstream key;
    key << "Key 0 " << h << ' ' << p << ' ' << b << '\n';
    ASSERT_TRUE(load(tracks, "Rotate {\nType \"HPR\"\nNumKeys 1 HPR\n" + key.str() + "}\n}\n")) << tracks.loadError();

    KeyframerLW channels;
    std::ostringstream body;
    const float angles[3] = {h, p, b};
    for (int i = 0; i < 3; ++i)
        body << "Channel " << KeyframerLW::Heading + i << "\n{ Envelope\n1\nKey " << angles[i]
             << " 0 0 0 0 0 0 0 0 0\n}\n";
    body << "}\n";
    std::istringstream in(body.str());
    ScriptParser parser;
    ASSERT_TRUE(channels.load(parser, in));
    channels.evaluate(0.0f);
    tracks.evaluate(0.0f);
    EXPECT_TRUE(sameRotation(tracks.rotation(), channels.rotation(), 1e-6f));
    EXPECT_TRUE(test::matricesNear(tracks.rotationMatrix(), channels.rotationMatrix(), 1e-6f));
}

TEST(KeyframerTranslate, HermitePassesThroughEveryKeyOnUnitTangents) {
    Keyframer k;
    ASSERT_TRUE(load(k, translateBlock("Hermite", "Key 0 0 0 0\nKey 1 3 1 0\nKey 3 3 4 -2\nKey 4 -1 2 5\n", 4) + "}\n"));
    const Vec3 keys[] = {{0, 0, 0}, {3, 1, 0}, {3, 4, -2}, {-1, 2, 5}};
    const float times[] = {0, 1, 3, 4};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(k.getPosition(times[i]), keys[i]) << i;
    const auto* hermite = dynamic_cast<const HermiteVectorTrack*>(k.translateTrack());
    ASSERT_NE(hermite, nullptr);
    // Closed ends: the first key's tangent averages the chords from the last key and to the second.
    const Vec3 first = ((keys[1] - keys[0]) + (keys[0] - keys[3])) * 0.5f;
    EXPECT_TRUE(vectorsNear(hermite->tangents()[0], first.normalized(), 1e-6f));
    const Vec3 last = ((keys[0] - keys[3]) + (keys[3] - keys[2])) * 0.5f;  // and the last's to the first
    EXPECT_TRUE(vectorsNear(hermite->tangents()[3], last.normalized(), 1e-6f));
    for (const Vec3& t : hermite->tangents()) EXPECT_NEAR(t.length(), 1.0f, 1e-6f);
    // Between keys the path bends away from the chord and stays continuous at the keys.
    EXPECT_FALSE(vectorsNear(k.getPosition(2.0f), (keys[1] + keys[2]) * 0.5f, 0.01f));
    EXPECT_TRUE(vectorsNear(k.getPosition(1.0f - 1e-4f), keys[1], 1e-3f));
    EXPECT_TRUE(vectorsNear(k.getPosition(1.0f + 1e-4f), keys[1], 1e-3f));
}

TEST(KeyframerTranslate, SplinePassesThroughEveryKeyIncludingTheEndSegments) {
    Keyframer k;
    ASSERT_TRUE(load(k, translateBlock("Spline", "Key 0 0 0 0\nKey 1 1 1 0\nKey 2 2 0 0\nKey 3 3 2 0\nKey 4 4 0 0\n", 5) +
                            "}\n"));
    const float heights[] = {0, 1, 0, 2, 0};
    for (int i = 0; i <= 4; ++i)
        EXPECT_EQ(k.getPosition(static_cast<float>(i)), Vec3(static_cast<float>(i), heights[i], 0)) << i;
    // An inner segment is plain Catmull-Rom: at the middle of the third segment the weights of keys 1 to 4
    // are -1/16, 9/16, 9/16, -1/16, so y = (-1 + 0 + 18 - 0) / 16, above the chord's 1.
    EXPECT_NEAR(k.getPosition(2.5f).y, 1.0625f, 1e-6f);
    EXPECT_NEAR(k.getPosition(2.5f).x, 2.5f, 1e-6f);
    // The first and last segments move between their keys instead of jumping to the last key.
    const Vec3 early = k.getPosition(0.5f);
    EXPECT_NEAR(early.x, 0.5f, 1e-6f);
    EXPECT_GT(early.y, 0.0f);
    EXPECT_LT(early.y, 1.0f);
    EXPECT_NEAR(k.getPosition(3.5f).x, 3.5f, 1e-6f);
    // Two keys: a straight path.
    Keyframer two;
    ASSERT_TRUE(load(two, translateBlock("Spline", "Key 0 0 0 0\nKey 2 4 2 0\n", 2) + "}\n"));
    EXPECT_TRUE(vectorsNear(two.getPosition(1.0f), {2, 1, 0}, 1e-6f));
    EXPECT_NEAR(two.getPosition(0.5f).y / two.getPosition(0.5f).x, 0.5f, 1e-6f);
}

TEST(KeyframerScaleAndVisibility, UniformScaleAndToggledVisibility) {
    Keyframer k;
    ASSERT_TRUE(load(k, "Scale {\nNumKeys 3\nKey 0 1\nKey 2 3\nKey 2 5\n}\nVisible {\nNumKeys 3\nKey 1\nKey 2\nKey 4\n}\n}\n"));
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

TEST(KeyframerMatrices, ComposeScaleThenRotationThenTranslation) {
    Keyframer k;
    ASSERT_TRUE(load(k, translateBlock("Linear", "Key 0 1 2 3\n", 1) + "Rotate {\nNumKeys 1\nKey 0 0 1 0 90\n}\n" +
                            "Scale {\nNumKeys 1\nKey 0 0.00001\n}\n}\n"));
    k.evaluate(0.0f);
    const Vec3 p{1, 0, 0};
    // Even a tiny scale is part of the matrix: beginTransform scales by it too.
    const Vec3 expected = k.rotation().rotate(p * 0.00001f) + Vec3(1, 2, 3);
    EXPECT_TRUE(vectorsNear(k.openGLMatrix().transformPoint(p), expected, 1e-6f));
    EXPECT_EQ(k.transformMatrix().transposed(), k.openGLMatrix());
}

TEST(KeyframerSave, SaveThenLoadGivesTheSameTracks) {
    Keyframer original;
    ASSERT_TRUE(load(original,
                     translateBlock("Spline", "Key 0 0 0 0\nKey 1 0.1 2 3\nKey 2 -5 4 1e-07\nKey 3.5 7 7 7\n", 4) +
                         "Rotate {\nType \"HPR\"\nNumKeys 2\nKey 0 0.5 0.25 0\nKey 2 0 0 1.5\n}\n"
                         "Scale {\nNumKeys 2\nKey 0 1\nKey 3 2.5\n}\nVisible {\nNumKeys 2\nKey 0.5\nKey 3\n}\n}\n"));
    std::ostringstream out;
    ASSERT_TRUE(original.save(out));
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("\tKeyframer {\n\t\tTranslate {\n\t\t\tType \"Spline\"\n\t\t\tNumKeys 4\n\t\t\tKey 0 0 0 0\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("\t\tRotate {\n\t\t\tType \"HPR\"\n\t\t\tNumKeys 2\n\t\t\tKey 0 0.5 0.25 0\n"), std::string::npos);
    EXPECT_NE(text.find("\t\tVisible {\n\t\t\tNumKeys 2\n\t\t\tKey 0.5\n\t\t\tKey 3\n\t\t}\n\t}\n"), std::string::npos);

    // The reader takes the text after the block's opening line.
    std::istringstream in(text);
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "Keyframer {");
    Keyframer back;
    ASSERT_TRUE(back.load(parser, in)) << back.loadError();
    std::ostringstream again;
    back.save(again);
    EXPECT_EQ(again.str(), text);
    for (float t = -1.0f; t < 5.0f; t += 0.3f) {
        EXPECT_EQ(back.getPosition(t), original.getPosition(t)) << t;
        EXPECT_EQ(back.getRotation(t), original.getRotation(t)) << t;
        EXPECT_EQ(back.getScale(t), original.getScale(t)) << t;
    }
}

}  // namespace
}  // namespace qv3rn
