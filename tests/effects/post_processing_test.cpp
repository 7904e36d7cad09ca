// post_processing_test.cpp -- the fragment-program image effect: parameter sub-blocks, animated program-local
// parameters reaching the program, the program and shader lookups, and the plain quad without a program.
#include "effects/post_processing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "overlay_test_support.h"
#include "shader/shader_manager.h"

namespace qv3rn::test {
namespace {

// Paints every fragment with program-local parameter 2, plus parameter 5 (so both must arrive).
const char* kTintProgram = "!!ARBfp1.0\nPARAM tint = program.local[2];\nPARAM extra = program.local[5];\n"
                           "ADD result.color, tint, extra;\nEND\n";

// A channel field ramping from `from` at 0 s to `to` at 10 s, held outside.
std::string ramp(const std::string& keyword, float from, float to) {
    return envelopeField(keyword, {{0.0f, from}, {10.0f, to}});
}

class PostProcessingTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        ASSERT_TRUE(GL_ARB_fragment_program_Flag) << "the test driver has ARB fragment programs";
        shaders = std::make_unique<ShaderManager>();
        ASSERT_TRUE(shaders->addFragmentProgram("tint", kTintProgram));
    }
    void TearDown() override {
        manager.reset();
        shaders.reset();
        OverlayTest::TearDown();
    }
    // A block whose quad covers the whole virtual screen: centred on the origin, twice the screen's size.
    PostProcessing& block(const std::string& body) {
        return load<PostProcessing>("PostProcessing", "Name \"ripple\"\nEnd 100\nRect 0 0 1280 960\n" + body + "}\n");
    }
    // One frame at `time` on a cleared dark grey screen; returns the centre pixel.
    static Rgba frame(Effect& effect, float time) {
        clearScreen(64, 64, 64);
        draw(effect, time);
        return screenPixel(320, 240);
    }

    std::unique_ptr<ShaderManager> shaders;
};

TEST_F(PostProcessingTest, ParametersReachTheProgramWithTheirIndexAndValuesAndFollowTheirChannels) {
    // Channels without an envelope keep their Values number.
    PostProcessing& ramps = block("Program \"tint\"\nParam {\n  Index 2\n  Values 0.9 0.2 0.6 1\n" +
                                  ramp("ValueA {", 0, 1) + ramp("ValueC {", 1, 0) + "}\n");
    EXPECT_FLOAT_EQ(ramps.parameters[0].values[0], 0.9f);  // until the first update
    EXPECT_TRUE(nearColour(frame(ramps, 2.5f), {64, 51, 191}, 1));
    EXPECT_TRUE(nearColour(frame(ramps, 10.0f), {255, 51, 0}, 1));
    EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));  // switched off again after drawing

    PostProcessing& effect = block("Program \"tint\"\nParam {\n  Index 2\n  Values 0 0.5 1 1\n}\n"
                                   "Param {\n  Index 5\n  Values 0.25 0 0 0\n}\n");
    EXPECT_TRUE(nearColour(frame(effect, 1.0f), {64, 128, 255}, 1));  // red is parameter 5's 0.25
}

TEST_F(PostProcessingTest, WithoutAProgramProgramZeroIsBoundAndTheQuadDrawnWithoutTheExtensionNothingIs) {
    PostProcessing& missing = block("Program \"no such program\"\nParam {\n  Index 2\n  Values 1 0 0 1\n}\n");
    EXPECT_EQ(missing.programId, 0u);
    glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, shaders->findFragmentProgram("tint"));  // left bound by someone
    EXPECT_EQ(frame(missing, 1.0f), (Rgba{255, 255, 255, 255}));  // the plain white quad, not tinted
    GLint bound = -1;
    glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_BINDING_ARB, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    PostProcessing& tint = block("Program \"tint\"\nParam {\n  Index 2\n  Values 1 0 0 1\n}\n");
    GL_ARB_fragment_program_Flag = false;
    const Rgba without = frame(tint, 1.0f);
    GL_ARB_fragment_program_Flag = true;
    EXPECT_EQ(without[0], 64);
    EXPECT_EQ(frame(tint, 1.5f)[0], 255);  // the same effect with the extension
}

TEST_F(PostProcessingTest, TheShaderHandleIsCountedAndGivenBackOnReleaseAndWhenReplaced) {
    for (const char* name : {"pp first", "pp second"}) {
        auto shader = std::make_unique<Shader>();
        shader->setName(name);
        ASSERT_TRUE(shaders->add(std::move(shader)));
    }
    ShaderHandle held = shaders->find("pp second");  // someone else's handle keeps the second one listed
    Shader* secondShader = held.get();
    PostProcessing& effect = block("Program \"tint\"\nShader \"pp first\"\nShader \"pp second\"\n"
                                   "Param {\n  Index 2\n  Values 0 1 0 1\n}\n");
    EXPECT_EQ(effect.shader(), secondShader);
    EXPECT_EQ(secondShader->references(), 3);  // the manager's, ours and the effect's
    // The replaced handle went back: nothing but the manager held the first shader, so the manager let it go.
    EXPECT_FALSE(shaders->find("pp first"));
    EXPECT_EQ(frame(effect, 1.0f)[1], 255);  // drawn between the shader's begin and end

    manager->clear();
    EXPECT_EQ(secondShader->references(), 2);
    shaders->release(held);
    EXPECT_FALSE(shaders->find("pp second"));
}

TEST_F(PostProcessingTest, ParameterSubBlocksTakeCommentsAndMissingValuesAndOtherLinesFailTheScript) {
    EXPECT_NE(readScript(*manager, "PostProcessing {\nParam {\n  Index 1\n  Scale 2\n}\n}\n"), "");
    EXPECT_NE(readScript(*manager, "PostProcessing {\n  Programme \"tint\"\n}\n"), "");
    EXPECT_TRUE(manager->pending().empty());

    // Comments are allowed inside the sub-block; the end of the script ends it.
    auto& cut = load<PostProcessing>("PostProcessing", "Param {\n ; the ripple's strength\n Index 3\n Values 1 2 3 4");
    ASSERT_EQ(cut.parameters.size(), 1u);
    EXPECT_EQ(cut.parameters[0].index, 3u);
    EXPECT_FLOAT_EQ(cut.parameters[0].values[3], 4.0f);

    // Image keywords still work; a parameter without Index and Values is zero.
    PostProcessing& effect = block("Color 1 1 1 0.5\nParam {\n" + ramp("ValueD {", 0, 1) + "}\n");
    EXPECT_FLOAT_EQ(effect.color[3], 0.5f);
    ASSERT_EQ(effect.parameters.size(), 1u);
    EXPECT_EQ(effect.parameters[0].index, 0u);
    EXPECT_EQ(effect.parameters[0].values, (std::array<float, 4>{0, 0, 0, 0}));
    EXPECT_NE(effect.parameters[0].channels[3], nullptr);
    EXPECT_EQ(effect.parameters[0].channels[0], nullptr);
}

}  // namespace
}  // namespace qv3rn::test
