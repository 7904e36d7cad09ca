// per_pixel_lighting_test.cpp -- the per-pixel lighting groups drawn with the test's own programs, read back.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "gl/default_gl_state.h"
#include "mesh/mesh_tangents.h"
#include "mesh_scene_support.h"
#include "scene/per_pixel_lighting.h"
#include "shader/shader_script_loader.h"

namespace qv3rn::test {
namespace {

// A "Program {" block; ARB statements may share a line.
std::string gpuProgram(const char* type, const char* name, const char* header, const std::string& body) {
    return std::string("Program {\nType ") + type + "\nName \"" + name + "\"\n" + header + "\n" + body + "\nEND\n}\n";
}
// Point light: (1 - |a|^2) of the coordinates' offset a times the corner colour and unit 1's colour. Spot light:
// unit 1's colour inside the cone of the scaled coordinates ahead of the light. Bump: the colour parameter
// times the facing of a normal tilted towards the tangent. "half" halves what it multiplies.
const std::string programs = gpuProgram("FRAGMENT", "point", "!!ARBfp1.0",
               "PARAM one = {1, 1, 1, 1}; PARAM two = {2, 2, 2, 2}; TEMP a, d;\n"
               "MAD a.xy, fragment.texcoord[0], two, -one; MAD a.z, fragment.texcoord[1].x, two.x, -one.x;\n"
               "DP3 d.x, a, a; SUB_SAT d.x, one.x, d.x; MUL a, fragment.color, state.texenv[1].color;\n"
               "MUL result.color, a, d.x;") + gpuProgram("FRAGMENT", "spot", "!!ARBfp1.0",
               "PARAM zero = {0, 0, 0, 0}; TEMP t, r; MUL t, fragment.texcoord[0], fragment.texcoord[0];\n"
               "ADD r.x, t.x, t.y; SLT r.y, r.x, t.z; SLT r.z, zero.x, fragment.texcoord[0].z; MUL r.w, r.y, r.z;\n"
               "MUL result.color, state.texenv[1].color, r.w;") + gpuProgram("VERTEX", "bump", "!!ARBvp1.0",
               "OPTION ARB_position_invariant; TEMP l; SUB l, program.local[1], vertex.position;\n"
               "DP3 result.texcoord[0].x, l, vertex.texcoord[1]; DP3 result.texcoord[0].y, l, vertex.texcoord[2];\n"
               "DP3 result.texcoord[0].z, l, vertex.normal;") + gpuProgram("FRAGMENT", "bump", "!!ARBfp1.0",
               "PARAM n = {0.6, 0, 0.8, 0}; TEMP l, d; DP3 d.x, fragment.texcoord[0], fragment.texcoord[0];\n"
               "RSQ d.x, d.x; MUL l, fragment.texcoord[0], d.x; DP3_SAT d.y, l, n;\n"
               "MUL result.color, program.local[0], d.y;") +
    gpuProgram("FRAGMENT", "half", "!!ARBfp1.0", "MOV result.color, {0.5, 0.5, 0.5, 1};") +
    gpuProgram("FRAGMENT", "black", "!!ARBfp1.0", "MOV result.color, {0, 0, 0, 1};");

std::string shader(const std::string& name, const std::string& body) {
    return "Shader {\nName \"" + name + "\"\nLighting no\n" + body + "}\n";
}
std::string program(const char* stage, const char* name) {
    return std::string(stage) + " {\nEnable yes\nName \"" + name + "\"\n}\n";
}

const std::string lightShaders = shader("PerPixelPointLightShader", program("Fragment", "point")) +
                                 shader("PerPixelSpotLightShader", program("Fragment", "spot")) +
                                 shader("PerPixelBumpMapShader", "Blend {\nEnable yes\nSrc ONE\nDst ONE\n}\n" +
                                                                     program("Vertex", "bump") +
                                                                     program("Fragment", "bump"));
const std::string surfaceShaders =
    shader("half", program("Fragment", "half")) + shader("black", program("Fragment", "black")) +
    shader("dim", "Blend {\nEnable yes\nSrc ZERO\nDst SRC_COLOR\n}\n" + program("Fragment", "half"));

std::string mesh(const std::string& object, float x) {
    return "Mesh {\nObject \"" + object + "\"\n" + at(x, 0, 12) + "}\n";
}
std::string pointLight(const std::string& colour, float x, float z, float radius = 4.0f) {
    const std::string r = std::to_string(radius);
    return "PointLight {\nSize 0.001\nColor " + colour + " 1\nRadius " + r + " " + r + " " + r + "\n" + at(x, 0, z) +
           "}\n";
}

// A camera at the origin looking along +Z with a 90-degree view; the group's block, then a white marker.
std::string scene(const std::string& block, const std::string& inside) {
    return "Group {\nCamera {\nActive yes\nFOV 90\n}\n" + block + " {\n" + inside + "}\nMesh {\nObject "
           "\"marker.msh\"\n" + at(-6, 6, 12) + "}\n}\n";
}

class PerPixelLightingTest : public MeshSceneTest {
protected:
    void SetUp() override {
        MeshSceneTest::SetUp();
        ShaderScriptLoader loader(shaders);
        std::istringstream script(programs + lightShaders + surfaceShaders);
        ASSERT_TRUE(loader.parse(script));
        adopt("half.msh", flatGrid(2, 4.0f, shaders.find("half").get()));
        adopt("dim.msh", flatGrid(2, 4.0f, shaders.find("dim").get()));
        adopt("marker.msh", flatGrid(1, 1.0f));
        adopt("box.msh", edgeShape("box", {1, 1, 1}));
        // Texture coordinates running with x and y give the quad its tangent space.
        auto bumpy = flatGrid(4, 4.0f, shaders.find("black").get());
        for (int i = 0; i < bumpy->vertexCount(); ++i)
            bumpy->texCoords(0)[i] = {bumpy->vertices()[i].position.x, bumpy->vertices()[i].position.y};
        ASSERT_TRUE(computeTangents(*bumpy));
        adopt("bumpy.msh", std::move(bumpy));
    }
    // Updated twice (a spot light takes the world position of the update before), drawn in the engine's state.
    void frame(const std::string& text, float grey = 0.0f, float time = 0.0f) {
        if (!text.empty()) read(text);
        root->update(time);
        root->update(time);
        const auto* camera = static_cast<const SceneCamera*>(cameras.currentCamera());
        cameras.setSize(width, height);
        camera->apply();
        applyDefaultGLState();
        glDisable(GL_CULL_FACE);
        glClearColor(grey, grey, grey, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glColor3f(0, 0, 0);  // the light passes set the colour of every corner themselves
        root->renderVisible(camera->frustum());
        glClearColor(0, 0, 0, 0);
    }
    // The colour where a world point lands (+X is on the left of this camera).
    std::array<std::uint8_t, 4> colourAt(float x, float y, float z = 12.0f) const {
        return pixel(static_cast<int>(std::lround((1.0f - x / z) * 32.0f)),
                     static_cast<int>(std::lround((1.0f + y / z) * 32.0f)));
    }
};

TEST_F(PerPixelLightingTest, LightsAddFallOffWithDistanceAndAreMultipliedByTheSurfaces) {
    // Light 2 units before the wall at x = -3, reach 4: a point of the wall d units aside gets
    // 1 - (d^2 + 4) / 16 of the light, halved by the surface. Pixel (i, 32) shows the wall's point
    // (-(i - 31.5) * 0.375, 0.1875).
    const auto expected = [](float x, float y) {
        return 255.0f * (1.0f - ((x + 3) * (x + 3) + y * y + 4.0f) / 16.0f) * 0.5f;
    };
    const std::string red = pointLight("1 0 0", -3, 10), green = pointLight("0 1 0", -3, 10);
    frame(scene("PerPixelLighting", mesh("half.msh", -3) + red));
    for (const int i : {40, 42, 44}) {
        EXPECT_NEAR(pixel(i, 32)[0], expected(-(i - 31.5f) * 0.375f, 0.1875f), 2.0f) << i;
        EXPECT_EQ(pixel(i, 32)[1], 0);
    }
    const auto redAlone = colourAt(-3.8f, 0.8f);
    frame(scene("PerPixelLighting", mesh("half.msh", -3) + green));
    const auto greenAlone = colourAt(-3.8f, 0.8f);
    frame(scene("PerPixelLighting", mesh("half.msh", -3) + red + green));
    const auto both = colourAt(-3.8f, 0.8f);
    EXPECT_NEAR(both[0], redAlone[0], 2);
    EXPECT_NEAR(both[1], greenAlone[1], 2);
    EXPECT_GT(both[1], 60);
}

TEST_F(PerPixelLightingTest, BlendedMeshesGetNoLightUnreachedMeshesStayBlackSpotsLightTheirCone) {
    const struct {
        const char* what;
        std::string inside;
        float grey;
        float x;               // where the wall is read
        std::array<int, 3> rgb;  // expected
    } cases[] = {
        // Lit by a white light but drawn only by the surface pass: the grey behind it halved.
        {"all blended", mesh("dim.msh", 3) + pointLight("1 1 1", 3, 10), 0.4f, 3.0f, {51, 51, 51}},
        {"out of reach", mesh("half.msh", 3) + pointLight("1 1 1", -6, 10), 0.0f, 3.0f, {0, 0, 0}},
        // A 10-degree cone from 6 units before the wall: 1.06 units across.
        {"inside the cone", mesh("half.msh", -3) + "SpotLight {\nDiffuse 0 0 1 1\nCutoff 10\nLength 20\n" +
                                at(-3, 0, 6) + "}\n", 0.0f, -3.0f, {0, 0, 128}},
        {"outside the cone", mesh("half.msh", -3) + "SpotLight {\nDiffuse 0 0 1 1\nCutoff 10\nLength 20\n" +
                                 at(-3, 0, 6) + "}\n", 0.0f, -4.5f, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        frame(scene("PerPixelLighting", c.inside), c.grey);
        const auto got = colourAt(c.x, 0);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], c.rgb[i], 2) << c.what << " channel " << i;
    }
}

TEST_F(PerPixelLightingTest, SpotScaleStaysFiniteForEveryCutoff) {
    const struct { float cutoff, scale; } cases[] = {
        {45, 1}, {90, 0}, {180, 0}, {0, std::tan(89.0f * 3.14159265f / 180.0f)}, {-5, 57.29f}};
    for (const auto& c : cases) EXPECT_NEAR(spotTextureScale(c.cutoff), c.scale, 0.01f) << c.cutoff;
}

TEST_F(PerPixelLightingTest, BumpPassesDependOnTheLightsSideAndEveryGroupLeavesTheStateAsFound) {
    std::map<std::string, int> side;
    for (const float x : {-2.0f, 2.0f}) {
        frame(scene("PerPixelBumpMapLighting", mesh("bumpy.msh", 0) + pointLight("1 1 1", x, 10, 10)));
        side[x < 0 ? "left" : "right"] = colourAt(0, 0)[0];
    }
    EXPECT_GT(std::abs(side["left"] - side["right"]), 40) << side["left"] << " " << side["right"];
    EXPECT_GT(std::min(side["left"], side["right"]), 0);

    const std::string lit = mesh("half.msh", -3) + pointLight("1 0 0", -3, 10) + pointLight("0 1 0", -3, 10) +
                            "SpotLight {\nCutoff 30\n" + at(-3, 0, 6) + "}\n";
    for (const char* block : {"PerPixelLighting", "PerPixelBumpMapLighting"}) {
        frame(scene(block, lit + mesh("bumpy.msh", 3)));
        EXPECT_EQ(colourAt(-6, 6)[0], 255) << block;  // the marker after the group
        for (const GLenum off : {GL_BLEND, GL_POLYGON_OFFSET_FILL, GL_VERTEX_PROGRAM_ARB, GL_FRAGMENT_PROGRAM_ARB})
            EXPECT_FALSE(glIsEnabled(off)) << block << " " << off;
        EXPECT_TRUE(glInteger(GL_DEPTH_FUNC) == GL_LEQUAL && glInteger(GL_DEPTH_WRITEMASK) == GL_TRUE) << block;
        EXPECT_EQ(glInteger(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB) << block;
        EXPECT_FALSE(RenderStateLocks::isLocked(RenderStateKind::ZBuffer)) << block;
        GLfloat matrix[16], colour[4];
        glMatrixMode(GL_TEXTURE);
        glGetFloatv(GL_TEXTURE_MATRIX, matrix);
        glMatrixMode(GL_MODELVIEW);
        EXPECT_TRUE(Mat4::fromArray(matrix) == Mat4::identity()) << block;
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 0.0f) << block;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << block;
    }
}

TEST_F(PerPixelLightingTest, MissingShadersAreLoggedOnceAndTheRestIsDrawn) {
    ShaderManager empty;  // becomes the current manager: the fixed names are not found
    for (int i = 0; i < 2; ++i) {
        // Two sibling groups: the block is closed and the next opened inside the text. Drawn twice.
        frame(i ? "" : scene("PerPixelLighting", mesh("half.msh", -3) + pointLight("1 1 1", -3, 10) +
                                            "}\nPerPixelBumpMapLighting {\n" + mesh("marker.msh", 3) +
                                            pointLight("1 1 1", 3, 10)));
        EXPECT_EQ(colourAt(-3, 0)[0], 0);    // no light pass: the surface multiplies black
        EXPECT_EQ(colourAt(3, 0)[0], 255);   // the bump group still draws its subtree
        EXPECT_EQ(colourAt(-6, 6)[0], 255);  // the marker after the groups
    }
    const std::string text = log.text();
    for (const char* name : {"PerPixelPointLightShader", "PerPixelBumpMapShader"}) {
        const std::string line = std::string("No shader \"") + name + "\"";
        const auto first = text.find(line);
        EXPECT_NE(first, std::string::npos) << name;
        EXPECT_EQ(text.find(line, first + 1), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace qv3rn::test
