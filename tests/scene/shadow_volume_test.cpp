// shadow_volume_test.cpp -- the "ShadowVolume {" group: volumes of a cube for each kind of light, lights brought
// into a caster's space, and a box over a floor drawn through each stencil path with the shadow read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "core/message_hook.h"
#include "gl/default_gl_state.h"
#include "mesh/edge_mesh.h"
#include "mesh/mesh_shapes.h"
#include "mesh_scene_support.h"
#include "scene/light.h"
#include "scene/shadow_volume.h"

namespace qv3rn::test {
namespace {

// A welded (closed) box or an open plane as an edge mesh with its tables.
std::unique_ptr<EdgeMesh> edgeShape(const char* shape, Vec3 size) {
    MeshBuilder builder;
    ShapeParameters parameters;
    parameters.size = size;
    parameters.segments = parameters.rings = 1;
    buildShape(shape, parameters, {}, builder);
    builder.weld();
    auto mesh = std::make_unique<EdgeMesh>();
    builder.buildInto(*mesh);
    mesh->computeEdges();
    return mesh;
}

TEST(ShadowVolumeBuild, LitTrianglesGiveSidesAndNearCapsTheOthersFarCaps) {
    const float e = 2048.0f;
    const struct {
        VolumeLight light;
        std::size_t sides;  // 4 per silhouette edge
        std::size_t caps;   // 3 per triangle
        float farW;
    } cases[] = {
        // Above the unit cube: only the top faces a point or spot light; its four edges are the silhouette.
        {{VolumeLight::Kind::Point, {0, 5, 0}, {}}, 16, 36, 0.0f},
        {{VolumeLight::Kind::Spot, {0, 5, 0}, {}}, 16, 36, 1.0f},
        // Straight down, the four walls are edge-on (dot 0) and count as facing the light: the bottom's edges.
        {{VolumeLight::Kind::Directional, {}, {0, 1, 0}}, 16, 36, 0.0f},
        // A point light on the plane of the top face sees the top edge-on, and the wall at x = 0.5: six edges.
        {{VolumeLight::Kind::Point, {3, 0.5f, 0}, {}}, 24, 36, 0.0f},
        // The spot light wants strictly in front: only the wall at x = 0.5.
        {{VolumeLight::Kind::Spot, {3, 0.5f, 0}, {}}, 16, 36, 1.0f},
    };
    for (const auto& c : cases) {
        auto cube = edgeShape("box", {1, 1, 1});
        ASSERT_EQ(cube->edgeTriangles().size(), 12u);
        ASSERT_TRUE(buildShadowVolume(*cube, c.light, e));
        const auto& sides = cube->sideBuffer();
        EXPECT_EQ(sides.size(), c.sides);
        EXPECT_EQ(cube->capBuffer().size(), c.caps);
        // Each side quad runs near a, far a, far b, near b; its far corners point away from the light.
        for (std::size_t q = 0; q + 3 < sides.size(); q += 4) {
            const Vec4& nearA = sides[q];
            const Vec4& farA = sides[q + 1];
            EXPECT_EQ(nearA.w, 1.0f);
            EXPECT_EQ(sides[q + 3].w, 1.0f);
            EXPECT_EQ(farA.w, c.farW);
            EXPECT_EQ(sides[q + 2].w, c.farW);
            const Vec3 away = c.light.kind == VolumeLight::Kind::Directional ? -c.light.direction
                                                                             : nearA.xyz() - c.light.position;
            const Vec3 push = c.farW == 0.0f ? farA.xyz() : farA.xyz() - nearA.xyz();
            EXPECT_GT(dot(push.normalized(), away.normalized()), 0.999f);
            if (c.light.kind == VolumeLight::Kind::Spot) {
                EXPECT_NEAR(push.length(), e, 0.01f);
            }
        }
        // Three near corners per lit triangle where the far ones lie at infinity.
        std::size_t lit = 0;
        for (const EdgeTriangle& entry : cube->edgeTriangles()) lit += entry.facesLight;
        const auto near = std::count_if(cube->capBuffer().begin(), cube->capBuffer().end(),
                                        [](const Vec4& corner) { return corner.w == 1.0f; });
        EXPECT_EQ(static_cast<std::size_t>(near), c.farW == 0.0f ? 3 * lit : c.caps);
    }

    // An open plane lit from above: its four outer edges; no far cap. An empty mesh has no volume.
    auto open = edgeShape("plane", {2, 0, 2});
    ASSERT_TRUE(buildShadowVolume(*open, {VolumeLight::Kind::Point, {0, 5, 0}, {}}, e));
    EXPECT_EQ(open->sideBuffer().size(), 16u);
    EXPECT_EQ(open->capBuffer().size(), 6u);
    EdgeMesh empty;
    EXPECT_FALSE(buildShadowVolume(empty, {}, e));
}

// The scene: a camera at the origin looking along +Z with a 90-degree view; inside the group a floor at y = -5,
// a 2-unit box centred at (0, -2, 12) and a light 10 above the box; after the group a small white marker.
std::string shadowScene(const std::string& light, const std::string& boxType = "EDGEMESH",
                        const std::string& boxMesh = "box.msh") {
    return "Group {\nCamera {\nActive yes\nFOV 90\n}\n"
           "ShadowVolume {\nShadowColor 0 0 0 0.5\n"
           "Mesh {\nName \"floor\"\nObject \"floor.msh\"\n" +
           keyframerLW({{1, -5.0f}, {2, 12.0f}}) + "}\n" +  //
           "Mesh {\nName \"box\"\nType " + boxType + "\nObject \"" + boxMesh + "\"\n" +
           keyframerLW({{1, -2.0f}, {2, 12.0f}}) + "}\n" + light + "}\n" +
           "Mesh {\nName \"marker\"\nObject \"marker.msh\"\n" + keyframerLW({{0, -6.0f}, {1, 6.0f}, {2, 12.0f}}) +
           "}\n}\n";
}
std::string lightBlock(const std::string& keyword, const std::string& extra = "") {
    return keyword + " {\nName \"light\"\n" + extra + keyframerLW({{1, 8.0f}, {2, 12.0f}}) + "}\n";
}
const std::string pointLight = lightBlock("PointLight", "Size 0.1\n");
const std::string directionalLight = lightBlock("DirectionalLight");
const std::string spotLight = lightBlock("SpotLight");

class ShadowVolumeSceneTest : public MeshSceneTest {
protected:
    void SetUp() override {
        MeshSceneTest::SetUp();
        MeshBuilder floor;
        ShapeParameters plane;
        plane.size = {40, 0, 40};
        buildShape("plane", plane, {}, floor);
        adopt("floor.msh", floor.build());
        adopt("box.msh", edgeShape("box", {2, 2, 2}));
        adopt("open.msh", edgeShape("plane", {2, 0, 2}));
        adopt("plain.msh", flatGrid(1, 2.0f));
        adopt("marker.msh", flatGrid(1, 1.0f));
    }

    // The frame at `time`, updated twice (a spot light takes the world position of the update before), with the
    // directional light turned to shine straight down.
    void frame(float time = 0.0f) {
        root->update(time);
        root->update(time);
        if (auto* light = dynamic_cast<DirectionalLight*>(root->findByName("light"))) light->direction = {0, 1, 0};
        const auto* camera = static_cast<const SceneCamera*>(cameras.currentCamera());
        cameras.setSize(width, height);
        camera->apply();
        // The engine's state with culling off: the test meshes are seen from both sides.
        applyDefaultGLState();
        glDisable(GL_CULL_FACE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        root->renderVisible(camera->frustum());
    }
    // The red channel where the world point lands (the camera at the origin, 90 degrees, 64 x 64).
    int redAt(const Vec3& p) const {
        const int x = static_cast<int>(std::lround((1.0f - p.x / p.z) * 32.0f));  // +X is on the left
        const int y = static_cast<int>(std::lround((p.y / p.z + 1.0f) * 32.0f));
        return pixel(x, y)[0];
    }

    static constexpr Vec3 underBox{0, -5, 12};      // on the floor straight below the box
    static constexpr Vec3 besideBox{5, -5, 12};     // on the floor, lit by every light
    static constexpr Vec3 boxTop{0, -1, 12};        // the lit top face
    static constexpr Vec3 markerCentre{-6, 6, 12};  // drawn after the group
};

TEST_F(ShadowVolumeSceneTest, EachLightDarkensTheFloorUnderTheBoxThroughEachStencilPath) {
    const bool separate = GL_ATI_separate_stencil_Flag, twoSided = GL_EXT_stencil_two_side_Flag;
    const struct {
        bool separate, twoSided;
        StencilPath path;
    } paths[] = {{true, true, StencilPath::Separate},
                 {false, true, StencilPath::TwoSided},
                 {false, false, StencilPath::TwoPass}};
    for (const auto& light : {pointLight, directionalLight, spotLight})
        for (const auto& path : paths) {
            if ((path.separate && !separate) || (path.twoSided && !twoSided)) {
                ADD_FAILURE() << "the driver lacks the extension of stencil path " << static_cast<int>(path.path);
                continue;
            }
            GL_ATI_separate_stencil_Flag = path.separate;
            GL_EXT_stencil_two_side_Flag = path.twoSided;
            ASSERT_EQ(stencilPath(), path.path);
            read(shadowScene(light));
            frame();
            const std::string where = light.substr(0, light.find(' ')) + " path " + std::to_string(int(path.path));
            EXPECT_NEAR(redAt(underBox), 128, 1) << where;
            EXPECT_EQ(redAt(besideBox), 255) << where;
            EXPECT_EQ(redAt(boxTop), 255) << where;
            EXPECT_EQ(redAt(markerCentre), 255) << where;
            // Every counted pixel was set back to zero by the darkening.
            std::vector<std::uint8_t> stencil(width * height, 1);
            glReadPixels(0, 0, width, height, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, stencil.data());
            EXPECT_EQ(std::count(stencil.begin(), stencil.end(), 0), width * height) << where;
            root->lightsOff();
        }
    GL_ATI_separate_stencil_Flag = separate;
    GL_EXT_stencil_two_side_Flag = twoSided;
}

TEST_F(ShadowVolumeSceneTest, StateIsRestoredForWhatIsDrawnAfter) {
    read(shadowScene(pointLight));
    GLfloat projection[16];
    frame();
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const Mat4 camera = static_cast<const SceneCamera*>(cameras.currentCamera())->projection();
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(projection[i], camera.m[i]) << i;
    for (const GLenum off : {GL_STENCIL_TEST, GL_BLEND, GL_POLYGON_OFFSET_FILL, GL_STENCIL_TEST_TWO_SIDE_EXT,
                             GL_LIGHTING})
        EXPECT_FALSE(glIsEnabled(off)) << off;
    GLboolean colourMask[4], depthMask;
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(colourMask[0] && colourMask[1] && colourMask[2] && colourMask[3] && depthMask);
    GLint stencilFunc, matrixMode;
    glGetIntegerv(GL_STENCIL_FUNC, &stencilFunc);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(stencilFunc, GL_ALWAYS);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    EXPECT_EQ(redAt(markerCentre), 255);
}

TEST_F(ShadowVolumeSceneTest, AnOpenMeshStillCastsAndAMeshWithoutEdgeTrianglesIsReportedOnce) {
    std::vector<std::string> messages;
    ScopedMessageHook hook([&](const std::string& caption, const std::string& text) {
        messages.push_back(caption + ": " + text);
    });
    read(shadowScene(pointLight, "EDGEMESH", "open.msh"));
    frame();
    EXPECT_NEAR(redAt(underBox), 128, 1);
    EXPECT_TRUE(messages.empty());

    // A static mesh in the cache under the name an edge-mesh node asks for: nothing to extrude.
    read(shadowScene(pointLight, "EDGEMESH", "plain.msh"));
    frame();
    frame();
    EXPECT_EQ(messages, std::vector<std::string>{"F##K: no edge triangles"});
    EXPECT_EQ(redAt(underBox), 255);

    // A mesh node that asks for no edges casts nothing and says nothing.
    read(shadowScene(pointLight, "STATIC"));
    frame();
    EXPECT_EQ(redAt(underBox), 255);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ShadowVolumeSceneTest, TheLightListIsGatheredOnceAtTheFirstFrame) {
    // The light is disabled at time 0 and enabled from time 1 on.
    read(shadowScene(lightBlock("PointLight", "Enable {\n" + rampEnvelope(0, 1) + "}\n")));
    frame(0.0f);
    frame(1.0f);
    EXPECT_TRUE(node("light").isEnabled());
    EXPECT_EQ(redAt(underBox), 255);
    auto& group = static_cast<ShadowVolumeGroup&>(*root->children()[1]);
    EXPECT_TRUE(group.lights().empty());
}

TEST_F(ShadowVolumeSceneTest, LightsComeIntoTheCastersSpaceUndoingItsScaleTurnAndPlace) {
    const struct {
        std::map<int, float> caster;  // keyframer channels: 0-2 position, 3-5 angles, 6-8 scale
        Vec3 expected;                // the light at world (0, 8, 12) in the caster's space
    } cases[] = {
        {{{1, -2.0f}, {2, 12.0f}}, {0, 10, 0}},
        {{{1, -2.0f}, {2, 12.0f}, {6, 2.0f}, {7, 2.0f}, {8, 2.0f}}, {0, 5, 0}},
        {{{1, -2.0f}, {2, 12.0f}, {6, 1.0f}, {7, 4.0f}, {8, 1.0f}}, {0, 2.5f, 0}},
        {{{0, 3.0f}, {2, 10.0f}, {7, 0.5f}}, {-3, 16, 2}},
    };
    for (const auto& c : cases) {
        read("Group {\nMesh {\nName \"caster\"\n" + keyframerLW(c.caster) + "}\n" + pointLight + "}\n");
        root->update(0.0f);
        const VolumeLight light = volumeLightIn(node("caster"), node("light"));
        EXPECT_EQ(light.kind, VolumeLight::Kind::Point);
        EXPECT_NEAR(light.position.x, c.expected.x, 1e-4f);
        EXPECT_NEAR(light.position.y, c.expected.y, 1e-4f);
        EXPECT_NEAR(light.position.z, c.expected.z, 1e-4f);
    }
}

}  // namespace
}  // namespace qv3rn::test
