// Tests of the nine-channel keyframer: reading its block, default keys, evaluation and the getters.
#include "anim/keyframer_lw.h"

#include <gtest/gtest.h>

#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>

#include "data/script_parser.h"
#include "math/euler_matrix.h"
#include "math/matrix_expectations.h"

namespace qv3rn {
namespace {

using test::matricesNear;
using test::sameRotation;
using test::vectorsNear;

constexpr float kPi = std::numbers::pi_v<float>;

std::string channelBlock(int channel, const std::string& keys, int count) {
    return "Channel " + std::to_string(channel) + "\n{ Envelope\n" + std::to_string(count) + "\n" + keys +
           "Behaviors 1 1\n}\n";
}

// Loads a block body (the "KeyframerLW {" line already read); returns the error message or "".
std::string load(KeyframerLW& k, const std::string& body) {
    std::istringstream in(body);
    ScriptParser parser;
    try {
        EXPECT_TRUE(k.load(parser, in));
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

TEST(KeyframerLWLoad, ASingleChannelZeroAnimatesXOnly) {
    KeyframerLW k;
    ASSERT_EQ(load(k, "NumChannels 9\n" +
                          channelBlock(0, "Key 0 0 3 0 0 0 0 0 0 0\nKey 10 5 3 0 0 0 0 0 0 0\n", 2) + "}\n"),
              "");
    for (float t : {-1.0f, 0.0f, 2.5f, 5.0f, 9.0f}) {
        k.evaluate(t);
        EXPECT_EQ(k.position(), Vec3(t <= 0 ? 0.0f : t >= 5 ? 10.0f : 2.0f * t, 0.0f, 0.0f)) << t;
        EXPECT_EQ(k.scale(), Vec3(1.0f, 1.0f, 1.0f));
        EXPECT_EQ(k.angle0(), 0.0f);
        EXPECT_EQ(k.angle1(), 0.0f);
        EXPECT_EQ(k.angle2(), 0.0f);
        EXPECT_EQ(k.rotation(), Quat());
        EXPECT_TRUE(k.visible());
    }
}

TEST(KeyframerLWLoad, ChannelsLeftWithoutKeysGetOneConstantNeutralKey) {
    KeyframerLW k;
    ASSERT_EQ(load(k, channelBlock(7, "Key 3 0 0 0 0 0 0 0 0 0\n", 1) + "}\n"), "");
    for (int i = 0; i < KeyframerLW::kChannelCount; ++i) {
        const Envelope& e = k.channel(i);
        EXPECT_EQ(e.channelIndex(), static_cast<std::uint32_t>(i));
        ASSERT_EQ(e.keyCount(), 1u) << i;
        EXPECT_EQ(e.preBehavior(), BehaviorConstant);
        EXPECT_EQ(e.postBehavior(), BehaviorConstant);
        if (i == 7) continue;
        EXPECT_EQ(e.keys()[0].spanType, SpanStepped);
        EXPECT_EQ(e.keys()[0].time, 0.0f);
        EXPECT_EQ(e.keys()[0].value, i >= 6 ? 1.0f : 0.0f) << i;
    }
    EXPECT_EQ(k.getScale(12.0f), Vec3(1.0f, 3.0f, 1.0f));
}

TEST(KeyframerLWLoad, EveryBlockErrorHasItsMessage) {
    const std::string key = "Key 1 0 0 0 0 0 0 0 0 0\n";
    const char* const channelError = "Unable to load keyframer channel envelope";
    const char* const tokenError = "Unable to load keyframer channels (token error)";
    const struct {
        std::string body;
        const char* error;
    } cases[] = {
        {"NumChannels 0\n}\n", ""},
        {"NumChannels 9\n}\n", ""},
        {"NumChannels 10\n}\n", "wrong number of channels in keyframer"},
        {"NumChannels -1\n}\n", "wrong number of channels in keyframer"},
        {"NumChannels 12 }\n", ""},  // the closing brace is tested before the count
        {channelBlock(9, key, 1) + "}\n", channelError},
        {channelBlock(-1, key, 1) + "}\n", channelError},
        {channelBlock(1000000, key, 1) + "}\n", channelError},
        {"Channel x\n{ Envelope\n1\n" + key + "}\n}\n", channelError},
        {"Position 1 2 3\n}\n", tokenError},
        {channelBlock(1, key, 1), tokenError},  // the end of the stream before the closing line
        {channelBlock(2, key, 2) + "}\n", "To few keys in Envelope"},
        {"Channel 3\n" + key + "}\n", "unable to find expected envelope start token"},
    };
    for (const auto& c : cases) {
        KeyframerLW k;
        EXPECT_EQ(load(k, c.body), c.error) << c.body;
    }
}

TEST(KeyframerLWLoad, CommentsAndALaterBlockForTheSameChannel) {
    KeyframerLW k;
    ASSERT_EQ(load(k, "; position\n" + channelBlock(1, "Key 4 0 0 0 0 0 0 0 0 0\n", 1) + "; replaced\n" +
                          channelBlock(1, "Key 6 0 0 0 0 0 0 0 0 0\n", 1) + "}\n"),
              "");
    EXPECT_EQ(k.channel(1).keyCount(), 1u);
    EXPECT_EQ(k.getPosition(0.0f), Vec3(0.0f, 6.0f, 0.0f));
}

TEST(KeyframerLWLoad, StopsAfterItsClosingLine) {
    std::istringstream in(channelBlock(0, "Key 1 0 0 0 0 0 0 0 0 0\n", 1) + "}\nNext\n");
    ScriptParser parser;
    KeyframerLW k;
    EXPECT_TRUE(k.load(parser, in));
    EXPECT_EQ(parser.readLine(in), "Next");
}

TEST(KeyframerLWRotation, AHeadingOfAQuarterTurnNegatesIntoTheEulerMatrix) {
    KeyframerLW k;
    ASSERT_EQ(load(k, channelBlock(KeyframerLW::Heading, "Key 1.5707964 0 0 0 0 0 0 0 0 0\n", 1) + "}\n"), "");
    k.evaluate(0.0f);
    EXPECT_EQ(k.angle0(), -kPi / 2.0f);
    EXPECT_EQ(k.rotationMatrix(), eulerMatrix(-kPi / 2.0f, 0.0f, 0.0f));
    EXPECT_EQ(k.getRotationMatrix(0.0f), eulerMatrix(-kPi / 2.0f, 0.0f, 0.0f));
    // The node turns +z towards +x: a quarter turn about +y.
    EXPECT_TRUE(sameRotation(k.rotation(), Quat::fromAxisAngle({0, 1, 0}, kPi / 2.0f), 1e-6f));
    EXPECT_TRUE(vectorsNear(k.rotation().rotate({0, 0, 1}), {1, 0, 0}, 1e-6f));
}

TEST(KeyframerLWRotation, QuaternionMatrixAndAxesDescribeOneRotation) {
    KeyframerLW k;
    ASSERT_EQ(load(k, channelBlock(KeyframerLW::Heading, "Key 0 0 3 0 0 0 0 0 0 0\nKey 1 2 3 0 0 0 0 0 0 0\n", 2) +
                          channelBlock(KeyframerLW::Pitch, "Key 0.5 0 0 0 0 0 0 0 0 0\n", 1) +
                          channelBlock(KeyframerLW::Bank, "Key -0.8 0 0 0 0 0 0 0 0 0\n", 1) + "}\n"),
              "");
    const float t = 1.6f;  // heading 0.8
    k.evaluate(t);
    const Mat4 r = k.getRotationMatrix(t);
    EXPECT_EQ(r, k.rotationMatrix());
    EXPECT_TRUE(sameRotation(k.getRotation(t), k.rotation(), 1e-6f));
    const Quat expected = Quat::fromAxisAngle({0, 1, 0}, 0.8f) * Quat::fromAxisAngle({1, 0, 0}, 0.5f) *
                          Quat::fromAxisAngle({0, 0, 1}, -0.8f);
    EXPECT_TRUE(sameRotation(k.rotation(), expected, 1e-6f));
    for (const Vec3 v : {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0.5f, -2, 1)})
        EXPECT_TRUE(vectorsNear(r.transformVectorByRows(v), k.rotation().rotate(v), 1e-5f));
    EXPECT_EQ(k.getXAxis(t), Vec3(r.m[0], r.m[1], r.m[2]));
    EXPECT_EQ(k.getYAxis(t), Vec3(r.m[4], r.m[5], r.m[6]));
    EXPECT_EQ(k.getZAxis(t), Vec3(r.m[8], r.m[9], r.m[10]));
}

TEST(KeyframerLWRotation, TransformMatrixComposesTranslationRotationAndScale) {
    KeyframerLW k;
    ASSERT_EQ(load(k, channelBlock(0, "Key 1 0 0 0 0 0 0 0 0 0\n", 1) + channelBlock(2, "Key -3 0 0 0 0 0 0 0 0 0\n", 1) +
                          channelBlock(KeyframerLW::Heading, "Key 0.6 0 0 0 0 0 0 0 0 0\n", 1) +
                          channelBlock(KeyframerLW::ScaleY, "Key 2 0 0 0 0 0 0 0 0 0\n", 1) + "}\n"),
              "");
    k.evaluate(0.0f);
    const Vec3 p{0.25f, 1.0f, -0.5f};
    const Vec3 expected = k.rotation().rotate(componentProduct(p, {1.0f, 2.0f, 1.0f})) + Vec3(1.0f, 0.0f, -3.0f);
    EXPECT_TRUE(vectorsNear(k.openGLMatrix().transformPoint(p), expected, 1e-5f));
    EXPECT_EQ(k.openGLMatrix(), k.transformMatrix().transposed());
}

TEST(KeyframerLW, BeforeLoadingItIsTheNeutralTransform) {
    KeyframerLW k;
    k.evaluate(3.0f);
    EXPECT_EQ(k.position(), Vec3());
    EXPECT_EQ(k.scale(), Vec3(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(k.rotation(), Quat());
    EXPECT_TRUE(matricesNear(k.openGLMatrix(), Mat4::identity(), 0.0f));
    std::ostringstream out;
    EXPECT_TRUE(k.save(out));
    EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace qv3rn
