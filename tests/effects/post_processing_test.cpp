// post_processing_test.cpp -- the fragment-program image effect: parameter sub-blocks, animated program-local
// parameters reaching the program, the program and shader lookups, and the plain quad without a program.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <sstream>
#include <string>

#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "effects/post_processing.h"
#include "gl/extensions.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "support/gl_test_context.h"

namespace qv3rn::test {
namespace {

// Paints every fragment with program-local parameter 2, plus parameter 5 (so both must arrive).
const char* kTintProgram =
    "!!ARBfp1.0\n"
    "PARAM tint = program.local[2];\n"
    "PARAM extra = program.local[5];\n"
    "ADD result.color, tint, extra;\n"
    "END\n";

// A ramp from `from` at 0 s to `to` at 10 s, held outside.
std::string ramp(float from, float to) {
    return "  { Envelope\n    2\n    Key " + std::to_string(from) + " 0 3 0 0 0 0 0 0 0\n    Key " + std::to_string(to) +
           " 10 3 0 0 0 0 0 0 0\n    Behaviors 1 1\n  }\n  }\n";
}

// A block whose quad covers the whole virtual screen: centred on the origin, twice the screen's size.
std::string block(const std::string& body) {
    return "PostProcessing {\n  Name \"ripple\"\n  End 100\n  Rect 0 0 1280 960\n" + body + "}\n";
}

class PostProcessingTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        reportExtensions(*context);
        ASSERT_TRUE(GL_ARB_fragment_program_Flag) << "the test driver has ARB fragment programs";
        shaders = std::make_unique<ShaderManager>();
        ASSERT_TRUE(shaders->addFragmentProgram("tint", kTintProgram));
    }
    void TearDown() override {
        manager.clear();
        shaders.reset();
        resetExtensions();
        GLTest::TearDown();
    }

    bool parse(const std::string& text) {
        EffectScript script(manager);
        std::istringstream stream(text);
        return script.parse(stream);
    }
    PostProcessing& only() { return static_cast<PostProcessing&>(*manager.pending().front()); }

    // One frame at `time` on a cleared dark grey screen; returns the centre pixel.
    std::array<std::uint8_t, 4> frame(float time) {
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        manager.update(time);
        manager.render();
        return pixel(width / 2, height / 2);
    }

    ImageRegistry images;  // the test's own, empty
    std::unique_ptr<ShaderManager> shaders;
    EffectManager manager;
};

TEST_F(PostProcessingTest, ParametersReachTheProgramWithTheirIndexAndValues) {
    ASSERT_TRUE(parse(block("  Program \"tint\"\n"
                            "  Param {\n    Index 2\n    Values 0 0.5 1 1\n  }\n"
                            "  Param {\n    Index 5\n    Values 0.25 0 0 0\n  }\n")));
    PostProcessing& effect = only();
    EXPECT_EQ(effect.kind(), 11u);
    EXPECT_NE(effect.programId, 0u);
    ASSERT_EQ(effect.parameters.size(), 2u);
    EXPECT_EQ(effect.parameters[0].index, 2u);
    EXPECT_EQ(effect.parameters[1].index, 5u);

    const auto centre = frame(1.0f);
    EXPECT_NEAR(centre[0], 64, 1);
    EXPECT_NEAR(centre[1], 128, 1);
    EXPECT_EQ(centre[2], 255);
    EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));  // switched off again after drawing
}

TEST_F(PostProcessingTest, ChannelEnvelopesFollowTheDemoTimeAndOtherChannelsKeepTheirValues) {
    ASSERT_TRUE(parse(block("  Program \"tint\"\n"
                            "  Param {\n    Index 2\n    Values 0.9 0.2 0.6 1\n    ValueA {\n" + ramp(0, 1) +
                            "    ValueC {\n" + ramp(1, 0) + "  }\n")));
    const PostProcessing& effect = only();
    EXPECT_FLOAT_EQ(effect.parameters[0].values[0], 0.9f);  // until the first update
    auto centre = frame(2.5f);
    EXPECT_NEAR(centre[0], 64, 1);   // A: a quarter of the ramp
    EXPECT_NEAR(centre[1], 51, 1);   // B: the Values number
    EXPECT_NEAR(centre[2], 191, 1);  // C: falling
    centre = frame(10.0f);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[2], 0);
}

TEST_F(PostProcessingTest, WithoutAProgramProgramZeroIsBoundAndTheQuadDrawnWithoutTheExtensionNothingIs) {
    ASSERT_TRUE(parse(block("  Program \"no such program\"\n  Param {\n    Index 2\n    Values 1 0 0 1\n  }\n")));
    EXPECT_EQ(only().programId, 0u);
    glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, shaders->findFragmentProgram("tint"));  // left bound by someone
    auto centre = frame(1.0f);
    EXPECT_EQ(centre, (std::array<std::uint8_t, 4>{255, 255, 255, 255}));  // the plain white quad, not tinted
    GLint bound = -1;
    glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_BINDING_ARB, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    manager.clear();
    ASSERT_TRUE(parse(block("  Program \"tint\"\n  Param {\n    Index 2\n    Values 1 0 0 1\n  }\n")));
    GL_ARB_fragment_program_Flag = false;
    centre = frame(1.0f);
    GL_ARB_fragment_program_Flag = true;
    EXPECT_EQ(centre[0], 64);
    EXPECT_EQ(frame(1.5f)[0], 255);  // the same effect with the extension
}

TEST_F(PostProcessingTest, TheShaderHandleIsCountedAndGivenBackOnReleaseAndWhenReplaced) {
    for (const char* name : {"pp first", "pp second"}) {
        auto shader = std::make_unique<Shader>();
        shader->setName(name);
        ASSERT_TRUE(shaders->add(std::move(shader)));
    }
    ShaderHandle held = shaders->find("pp second");  // someone else's handle keeps the second one listed
    Shader* secondShader = held.get();

    ASSERT_TRUE(parse(block("  Program \"tint\"\n  Shader \"pp first\"\n  Shader \"pp second\"\n"
                            "  Param {\n    Index 2\n    Values 0 1 0 1\n  }\n")));
    EXPECT_EQ(only().shader(), secondShader);
    EXPECT_EQ(secondShader->references(), 3);  // the manager's, ours and the effect's
    // The replaced handle went back: nothing but the manager held the first shader, so the manager let it go.
    EXPECT_FALSE(shaders->find("pp first"));
    EXPECT_EQ(frame(1.0f)[1], 255);  // drawn between the shader's begin and end

    manager.clear();
    EXPECT_EQ(secondShader->references(), 2);
    shaders->release(held);
    EXPECT_FALSE(shaders->find("pp second"));
}

TEST_F(PostProcessingTest, SubBlockAndBlockLinesThatAreNotKeywordsFailTheScript) {
    EXPECT_FALSE(parse(block("  Param {\n    Index 1\n    Scale 2\n  }\n")));
    EXPECT_TRUE(manager.pending().empty());
    EXPECT_FALSE(parse(block("  Programme \"tint\"\n")));
    EXPECT_TRUE(manager.pending().empty());

    // Comments are allowed inside the sub-block; the end of the script ends it.
    ASSERT_TRUE(parse("PostProcessing {\n  Param {\n  ; the ripple's strength\n    Index 3\n    Values 1 2 3 4"));
    ASSERT_EQ(only().parameters.size(), 1u);
    EXPECT_EQ(only().parameters[0].index, 3u);
    EXPECT_FLOAT_EQ(only().parameters[0].values[3], 4.0f);
}

TEST_F(PostProcessingTest, ImageKeywordsStillWorkAndMissingValuesDefaultToZero) {
    ASSERT_TRUE(parse(block("  Color 1 1 1 0.5\n  Param {\n    ValueD {\n" + ramp(0, 1) + "  }\n")));
    const PostProcessing& effect = only();
    EXPECT_FLOAT_EQ(effect.color[3], 0.5f);
    ASSERT_EQ(effect.parameters.size(), 1u);
    EXPECT_EQ(effect.parameters[0].index, 0u);
    EXPECT_EQ(effect.parameters[0].values, (std::array<float, 4>{0, 0, 0, 0}));
    EXPECT_NE(effect.parameters[0].channels[3], nullptr);
    EXPECT_EQ(effect.parameters[0].channels[0], nullptr);
}

}  // namespace
}  // namespace qv3rn::test
