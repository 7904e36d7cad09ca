// The effects that draw through the shader manager: the tunnel and the fragment-program image.
#include "effects/tunnel_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "effects/post_processing.h"
#include "math/mat4.h"
#include "overlay_test_support.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"

namespace qv3rn::test {
namespace {

class TunnelTest : public OverlayTest {
protected:
    void TearDown() override {
        manager.reset();
        shaders.clear();  // the shaders give their images back before the registry goes
        OverlayTest::TearDown();
    }
    TunnelEffect& tunnel(const std::string& body) { return load<TunnelEffect>("Tunnel", body + "}\n"); }
    static const MeshVertex& at(const TunnelEffect& effect, int ring, int segment) {
        return effect.mesh()->vertices()[static_cast<std::size_t>(ring * effect.segments + segment)];
    }

    ShaderManager shaders;
};

TEST_F(TunnelTest, ACircularLineKeepsItsFirstThreeNumbersAndTheShaderIsHeldUntilClear) {
    auto wall = std::make_unique<Shader>();
    wall->setName("wall");
    Shader* wallShader = wall.get();
    ASSERT_TRUE(shaders.add(std::move(wall)));
    TunnelEffect& effect = tunnel("Size 24 12\nLength 50\nSpeed 0.5\nCircular 5 6 7 8\n"
                                  "Params 0.1 0.2 0.3 0.4 0.5 0.6\nShader \"wall\"\n");
    EXPECT_EQ(effect.circular, (std::array<float, 3>{5, 6, 7}));
    EXPECT_EQ(effect.shader(), wallShader);
    manager->clear();  // the effect's handle goes back: only the manager held the shader, so it let it go
    EXPECT_FALSE(shaders.find("wall"));
}

TEST_F(TunnelTest, SizesThatDoNotFitAndUnknownLinesAreRefusedWithTheirLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"Size 1 8\n", "2: TunnelEffect size out of range: Size 1 8"},
        {"Size 16\n", "2: TunnelEffect size out of range: Size 16"},  // no rings yet
        {"Size 65536 65536\n", "2: TunnelEffect size out of range: Size 65536 65536"},  // 2^32 vertices
        {"Name \"t\"\nSize 16 8\nSpeed 1\nTwist 3\n", "5: TunnelEffect unknown token"},
        {"Size 512 512\nSize 2 2\nSize 4\n", ""},  // the rings stay as they were
    };
    for (const auto& [body, error] : cases) {
        const std::string failure = readScript(*manager, std::string("Tunnel {\n") + body + "}\n");
        EXPECT_TRUE(*error ? failure.ends_with(std::string(":") + error) : failure.empty()) << failure;
    }
    const auto& loaded = dynamic_cast<const TunnelEffect&>(*manager->pending().back());
    EXPECT_EQ((std::array{loaded.segments, loaded.rings}), (std::array{4, 2}));

    TunnelEffect& empty = tunnel("Length 10\n");  // without a size nothing is built or drawn
    EXPECT_FALSE(empty.init());
    draw(empty, 1.0f);
    EXPECT_EQ(empty.mesh(), nullptr);
}

// The first update lands the last column on the first and keeps every normal a unit vector, also on the
// ripple's centre line; the next one moves the phases and scrolls the texture by the time between them.
TEST_F(TunnelTest, UpdatesCloseTheTubeRippleItsRadiusAndScrollItsTexture) {
    const std::pair<const char*, float> cases[] = {  // the block and the radius of every vertex
        {"Params 0 0 0 0 0.5 0.25\n", 10.0f},        // phases 0: vertex 0 lies on the centre line
        {"Linear 0 0 0 1\nCircular 1 2 0\nParams 1.5707964 1.5707964 0 0 0 1\n", 6.0f},  // 10 - 2 (1 + 1)
    };
    for (const auto& [body, radius] : cases) {
        TunnelEffect& effect = tunnel(std::string("Size 16 8\nLength 40\n") + body);
        EXPECT_GT((at(effect, 0, 15).position - at(effect, 0, 0).position).length(), 1.0f);
        effect.update(1.0f);
        for (int j = 0; j < 8; ++j) {
            EXPECT_NEAR((at(effect, j, 15).position - at(effect, j, 0).position).length(), 0, 1e-3f) << body << j;
            EXPECT_FLOAT_EQ(at(effect, j, 15).position.z, -20.0f + 5.0f * static_cast<float>(j));
        }
        for (const MeshVertex& vertex : effect.mesh()->vertices()) {
            EXPECT_NEAR(vertex.normal.length(), 1.0f, 1e-5f) << body;
            EXPECT_NEAR(std::hypot(vertex.position.x, vertex.position.y), radius, 1e-4f) << body;
        }
        const std::array<float, 4> phases = effect.phase;
        const TexCoord start = effect.mesh()->texCoords(0)[0];
        effect.update(3.0f);
        for (std::size_t p = 0; p < 4; ++p) EXPECT_FLOAT_EQ(effect.phase[p], phases[p] + 2.0f * effect.speed);
        EXPECT_NEAR(effect.mesh()->texCoords(0)[0].u, start.u + 2.0f * effect.scrollU, 1e-5f);
        EXPECT_NEAR(effect.mesh()->texCoords(0)[0].v, start.v + 2.0f * effect.scrollV, 1e-5f);
    }
}

// Down the tube through a perspective projection: the walls fill the edges of the view in the shader's texture
// colour, unlit, the far opening in the middle shows the cleared screen, and the depth buffer is left clear.
TEST_F(TunnelTest, AFrameDrawsTheWallsThroughTheShaderAndLeavesTheDepthBufferCleared) {
    addImage("tunnel.tga", 4, 4, [](int, int) { return 0xFF8000FFu; });
    std::istringstream script("Shader {\nName \"wall\"\nTexture {\nTexUnit UNIT0\nImage \"tunnel.tga\"\n}\n}\n");
    ASSERT_TRUE(ShaderScriptLoader(shaders).parse(script));
    TunnelEffect& effect = tunnel("Size 32 16\nLength 40\nShader \"wall\"\n");
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(Mat4::perspective(60.0f, 4.0f / 3.0f, 0.1f, 100.0f).data());
    glMatrixMode(GL_MODELVIEW);
    const Mat4 before = Mat4::translation({0.0f, 0.0f, -500.0f});
    glLoadMatrixf(before.data());
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);  // with no light on, a lit wall would be dark
    clearScreen(0, 0, 64);
    draw(effect, 1.0f);

    EXPECT_TRUE(nearColour(screenPixel(320, 240), {0, 0, 64}));
    for (const auto& [x, y] : {std::pair{5, 60}, {155, 60}, {80, 5}, {80, 115}}) {
        EXPECT_TRUE(nearColour(screenPixel(x * virtualPerPixel, y * virtualPerPixel), {255, 128, 0})) << x << y;
        float depth = 0.0f;
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_FLOAT_EQ(depth, 1.0f);
    }
    Mat4 after;
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_TRUE(after == before && glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    expectDrawingStateRestored();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

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

}  // namespace
}  // namespace qv3rn::test
