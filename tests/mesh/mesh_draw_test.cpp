// mesh_draw_test.cpp -- Tests of mesh drawing in a real context: batches, passes, client arrays, the vertex buffer.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "gl/extensions.h"
#include "mesh/mesh.h"
#include "mesh_test_support.h"
#include "shader/shader_script_loader.h"

namespace qv3rn {
namespace {

class MeshDrawTest : public test::MeshFixture<test::GLTest> {
protected:
    void SetUp() override {
        MeshFixture::SetUp();
        reportExtensions(*context);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST);
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // no test may leave an OpenGL error behind
        shaders.clear();
        resetExtensions();
        MeshFixture::TearDown();
    }

    // Three areas of the 64 x 64 window, in normalised device coordinates and facing the viewer: a quad of
    // `left`, a quad of `middle`, a triangle of `right`, each vertex coloured (64, 64, 64).
    static void fillThreeAreas(Mesh& mesh, Shader* left, Shader* middle, Shader* right) {
        mesh.setFlags(mesh.flags() | MeshFlags::Colours);
        const std::vector<Vec3> corners = {{-1, -1, 0},   {-0.5f, -1, 0}, {-0.5f, 1, 0}, {-1, 1, 0},
                                           {0, -1, 0},    {0.5f, -1, 0},  {0.5f, 1, 0},  {0, 1, 0},
                                           {0.6f, -1, 0}, {1, -1, 0},     {1, 1, 0}};
        ASSERT_TRUE(test::fillMesh(mesh, corners, {{0, 1, 2}, {4, 5, 6}, {0, 2, 3}, {8, 9, 10}, {4, 6, 7}}));
        Shader* shaderOf[] = {left, middle, left, right, middle};
        for (std::size_t t = 0; t < 5; ++t) mesh.triangles()[t].shader = Handle<Shader>(shaderOf[t]);
        for (MeshVertex& vertex : mesh.vertices()) vertex.colour[0] = vertex.colour[1] = vertex.colour[2] = 64;
        mesh.buildBatches();
        glEnable(GL_BLEND);  // additive: the red of an area counts the times it was drawn
        glBlendFunc(GL_ONE, GL_ONE);
    }

    // Red of the centre of each area: 64 per time it was drawn with additive blending.
    std::array<int, 3> areaReds() const { return {pixel(8, 32)[0], pixel(40, 32)[0], pixel(60, 20)[0]}; }
};

// "cull" culls every face while it is applied, "glass" adds: each batch is drawn inside its own shader only, and
// the opaque pass (with the shaderless batch) and the blended pass draw every batch once.
TEST_F(MeshDrawTest, EachBatchIsDrawnOnceBetweenItsShadersBeginAndEnd) {
    std::istringstream script(
        "Shader {\nName \"cull\"\nCull {\nFunction FRONT_AND_BACK\n}\n}\n"
        "Shader {\nName \"glass\"\nBlend {\nEnable yes\nSrc ONE\nDst ONE\n}\n}\n");
    ASSERT_TRUE(ShaderScriptLoader(shaders).parse(script));
    Mesh mesh;
    fillThreeAreas(mesh, shaders.shaders()[0], shaders.shaders()[1], nullptr);
    glDisable(GL_BLEND);
    ASSERT_EQ(mesh.batches().size(), 3u);
    mesh.enableArrays();
    mesh.drawAll(true);
    mesh.drawAll(true);
    EXPECT_EQ(areaReds(), (std::array<int, 3>{0, 128, 64}));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(test::glInteger(GL_CULL_FACE_MODE), GL_BACK);
    glClear(GL_COLOR_BUFFER_BIT);
    mesh.drawBlended(true);
    EXPECT_EQ(areaReds(), (std::array<int, 3>{0, 64, 0}));
    mesh.drawOpaque(true);
    EXPECT_EQ(areaReds(), (std::array<int, 3>{0, 64, 64}));
    mesh.disableArrays();
}

TEST_F(MeshDrawTest, AStaticMeshMakesItsVertexBufferOnceAndDrawsFromIt) {
    Shader* wall = addShader("wall");
    GLuint buffer = 0;
    {
        Mesh mesh;
        mesh.setName("statue.msh");
        mesh.setFlags(MeshFlags::Normals | MeshFlags::VertexBuffer);
        fillThreeAreas(mesh, wall, wall, wall);
        ASSERT_EQ(mesh.batches().size(), 1u);  // one shader: one batch of every index
        EXPECT_EQ(mesh.batches()[0].used, 15u);
        for (int pass = 1; pass <= 2; ++pass) {
            mesh.enableArrays();
            if (pass == 1) buffer = mesh.vertexBuffer();
            ASSERT_NE(buffer, 0u);
            EXPECT_EQ(test::glInteger(GL_ARRAY_BUFFER_BINDING_ARB), static_cast<GLint>(buffer));
            EXPECT_EQ(test::glInteger(GL_VERTEX_ARRAY_STRIDE), 28);  // position, normal, colour
            mesh.drawAll(false);
            mesh.disableArrays();
            EXPECT_EQ(test::glInteger(GL_ARRAY_BUFFER_BINDING_ARB), 0);
            EXPECT_EQ(areaReds(), (std::array<int, 3>{64 * pass, 64 * pass, 64 * pass}));
        }
        EXPECT_TRUE(glIsBufferARB(buffer));
    }
    EXPECT_FALSE(glIsBufferARB(buffer));  // the mesh deleted it
    auto buffersLogged = [&] {
        const std::string log = logText();
        return log.substr(std::min(log.find("Created VBO"), log.size()));
    };
    EXPECT_EQ(buffersLogged(), "Created VBO for mesh \"statue.msh\"\n");

}

}  // namespace
}  // namespace qv3rn
