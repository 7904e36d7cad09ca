// keyframer_lw_test.cpp -- Tests of the nine-channel keyframer: reading its block, default keys, evaluation, the
// getters, and its transform applied in a real headless OpenGL context.
#include "anim/keyframer_lw.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>

#include "data/script_parser.h"
#include "math/euler_matrix.h"
#include "math/matrix_expectations.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::sameRotation;
using test::vectorsNear;

constexpr float kPi = std::numbers::pi_v<float>;

// A channel block whose envelope holds `keys` ("value time span" each) and holds its ends.
std::string channel(int index, const std::vector<std::string>& keys) {
    std::string text = "Channel " + std::to_string(index) + "\n{ Envelope\n" + std::to_string(keys.size()) + "\n";
    for (const std::string& key : keys) text += "Key " + key + "\n";
    return text + "Behaviors 1 1\n}\n";
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

TEST(KeyframerLWLoad, ChannelsLeftWithoutKeysGetOneConstantNeutralKey) {
    KeyframerLW k;
    ASSERT_EQ(load(k, "NumChannels 9\n" + channel(0, {"0 0 3", "10 5 3"}) + channel(7, {"3"}) + "}\n"), "");
    for (float t : {-1.0f, 2.5f, 9.0f}) {
        k.evaluate(t);
        EXPECT_EQ(k.position(), Vec3(t <= 0 ? 0.0f : t >= 5 ? 10.0f : 2.0f * t, 0.0f, 0.0f)) << t;
        EXPECT_EQ(k.scale(), Vec3(1.0f, 3.0f, 1.0f));
        EXPECT_EQ(k.rotation(), Quat());
    }
    for (int i = 1; i < KeyframerLW::kChannelCount; ++i) {
        const Envelope& e = k.channel(i);
        EXPECT_EQ(e.channelIndex(), static_cast<std::uint32_t>(i));
        ASSERT_EQ(e.keyCount(), 1u) << i;
        EXPECT_EQ(e.postBehavior(), BehaviorConstant);
        if (i != 7) {
            EXPECT_EQ(e.keys()[0].value, i >= 6 ? 1.0f : 0.0f) << i;
        }
    }
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
        {channel(1000000, {"1"}) + "}\n", channelError},
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

TEST(KeyframerLWLoad, ALaterBlockForTheSameChannelReplacesItAndTheBlockEndsAtItsClosingLine) {
    std::istringstream in("; position\n" + channel(1, {"4"}) + "; replaced\n" + channel(1, {"6"}) + "}\nNext\n");
    ScriptParser parser;
    KeyframerLW k;
    EXPECT_TRUE(k.load(parser, in));
    EXPECT_EQ(parser.readLine(in), "Next");
    EXPECT_EQ(k.channel(1).keyCount(), 1u);
    EXPECT_EQ(k.getPosition(0.0f), Vec3(0.0f, 6.0f, 0.0f));
}

TEST(KeyframerLWRotation, AHeadingOfAQuarterTurnNegatesIntoTheEulerMatrix) {
    KeyframerLW k;
    ASSERT_EQ(load(k, channel(KeyframerLW::Heading, {"1.5707964"}) + "}\n"), "");
    k.evaluate(0.0f);
    EXPECT_EQ(k.angle0(), -kPi / 2.0f);
    EXPECT_EQ(k.rotationMatrix(), eulerMatrix(-kPi / 2.0f, 0.0f, 0.0f));
    // The node turns +z towards +x: a quarter turn about +y.
    EXPECT_TRUE(vectorsNear(k.rotation().rotate({0, 0, 1}), {1, 0, 0}, 1e-6f));
}

TEST(KeyframerLWRotation, QuaternionMatrixAndAxesDescribeOneRotation) {
    KeyframerLW k;
    ASSERT_EQ(load(k, channel(KeyframerLW::Heading, {"0 0 3", "1 2 3"}) + channel(KeyframerLW::Pitch, {"0.5"}) +
                          channel(KeyframerLW::Bank, {"-0.8"}) + "}\n"),
              "");
    const float t = 1.6f;  // heading 0.8
    k.evaluate(t);
    EXPECT_EQ(k.angle1(), -0.5f);  // negated as the heading is
    EXPECT_EQ(k.angle2(), 0.8f);
    const Mat4 r = k.getRotationMatrix(t);
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

TEST(KeyframerLW, BeforeLoadingItIsTheNeutralTransformAndSavesNothing) {
    KeyframerLW k;
    k.evaluate(3.0f);
    EXPECT_EQ(k.position(), Vec3());
    EXPECT_EQ(k.scale(), Vec3(1.0f, 1.0f, 1.0f));
    EXPECT_TRUE(k.visible());
    EXPECT_TRUE(test::matricesNear(k.openGLMatrix(), Mat4::identity(), 0.0f));
    std::ostringstream out;
    EXPECT_TRUE(k.save(out));
    EXPECT_EQ(out.str(), "");
}

using KeyframerLWInOpenGL = test::GLTest;

TEST_F(KeyframerLWInOpenGL, BeginTransformTranslatesTurnsHeadingPitchBankAndScalesAndEndTransformRestores) {
    const float values[] = {1.5f, -2.0f, 0.5f, 0.7f, -0.3f, 1.1f, 2.0f, 0.5f, 3.0f};  // x y z h p b sx sy sz
    std::string body;
    for (int i = 0; i < 9; ++i) body += channel(i, {std::to_string(values[i])});
    KeyframerLW k;
    ASSERT_EQ(load(k, body + "}\n"), "");
    k.evaluate(0.0f);

    Mat4 base = Mat4::rotation(0.4f, {0, 1, 0}) * Mat4::translation({0, 0, -7});
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(base.data());
    glTranslatef(values[0], values[1], values[2]);
    glRotatef(values[3] * kDegreesPerRadian, 0, 1, 0);
    glRotatef(values[4] * kDegreesPerRadian, 1, 0, 0);
    glRotatef(values[5] * kDegreesPerRadian, 0, 0, 1);
    glScalef(values[6], values[7], values[8]);
    const Mat4 expected = test::currentGLMatrix(GL_MODELVIEW_MATRIX);

    glLoadMatrixf(base.data());
    k.beginTransform();
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
    EXPECT_TRUE(test::matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX), expected, 1e-5f));
    EXPECT_TRUE(test::matricesNear(k.openGLMatrix() * base, expected, 1e-5f));
    EXPECT_EQ(k.openGLMatrix(), k.transformMatrix().transposed());
    const Vec3 p{0.25f, 1.0f, -0.5f};
    EXPECT_TRUE(vectorsNear(k.openGLMatrix().transformPoint(p),
                            k.rotation().rotate(componentProduct(p, {2, 0.5f, 3})) + Vec3(1.5f, -2, 0.5f), 1e-5f));
    k.endTransform();
    EXPECT_TRUE(test::matricesNear(test::currentGLMatrix(GL_MODELVIEW_MATRIX), base, 0.0f));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace qv3rn
