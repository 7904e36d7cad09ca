// Tests of mesh drawing in a real headless context: batches and their shaders, opaque and blended passes,
// client arrays and the interleaved vertex buffer, read back as pixels, query results and array state.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <fstream>
#include <iterator>

#include "gl/extensions.h"
#include "mesh/mesh.h"
#include "mesh_test_support.h"
#include "shader/render_state.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

// A render state that writes "+name" when applied and "-name" when restored, and counts the samples drawn
// between the two with an occlusion query.
class RecordingState : public RenderState {
public:
    RecordingState(std::string name, std::vector<std::string>& events, std::vector<GLuint>& samples,
                   const platform::GLDriver& driver)
        : RenderState(RenderStateKind::Polygon), name_(std::move(name)), events_(events), samples_(samples) {
        genQueries_ = reinterpret_cast<PFNGLGENQUERIESARBPROC>(driver.getProcAddress("glGenQueriesARB"));
        beginQuery_ = reinterpret_cast<PFNGLBEGINQUERYARBPROC>(driver.getProcAddress("glBeginQueryARB"));
        endQuery_ = reinterpret_cast<PFNGLENDQUERYARBPROC>(driver.getProcAddress("glEndQueryARB"));
        queryResult_ = reinterpret_cast<PFNGLGETQUERYOBJECTUIVARBPROC>(driver.getProcAddress("glGetQueryObjectuivARB"));
        deleteQueries_ = reinterpret_cast<PFNGLDELETEQUERIESARBPROC>(driver.getProcAddress("glDeleteQueriesARB"));
    }
    void apply() override {
        events_.push_back("+" + name_);
        genQueries_(1, &query_);
        beginQuery_(GL_SAMPLES_PASSED_ARB, query_);
    }
    void restore() override {
        endQuery_(GL_SAMPLES_PASSED_ARB);
        GLuint samples = 0;
        queryResult_(query_, GL_QUERY_RESULT_ARB, &samples);
        deleteQueries_(1, &query_);
        samples_.push_back(samples);
        events_.push_back("-" + name_);
    }

private:
    std::string name_;
    std::vector<std::string>& events_;
    std::vector<GLuint>& samples_;
    GLuint query_ = 0;
    PFNGLGENQUERIESARBPROC genQueries_;
    PFNGLBEGINQUERYARBPROC beginQuery_;
    PFNGLENDQUERYARBPROC endQuery_;
    PFNGLGETQUERYOBJECTUIVARBPROC queryResult_;
    PFNGLDELETEQUERIESARBPROC deleteQueries_;
};

class MeshDrawTest : public test::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        reportExtensions(*context);
        ASSERT_TRUE(log.open("draw.log"));  // after the extension report: only the mesh's lines
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override {
        shaders.clear();
        resetExtensions();
        GLTest::TearDown();
    }

    std::string logText() {
        log.close();
        std::ifstream in("draw.log");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return text;
    }

    Shader* addShader(const std::string& name, bool blended) {
        auto shader = std::make_unique<Shader>();
        shader->setName(name);
        shader->setBlended(blended);
        shader->addState(std::make_unique<RecordingState>(name, events, samples, *context));
        Shader* raw = shader.get();
        shaders.add(std::move(shader));
        return raw;
    }

    // Three areas of the 64 x 64 window: a quad of `left`, a quad of `middle`, a triangle of `right`, each
    // vertex coloured (64, 64, 64) in normalised device coordinates.
    void fillThreeAreas(Mesh& mesh, Shader* left, Shader* middle, Shader* right) {
        const std::vector<Vec3> points = {{-1, -1, 0}, {-0.5f, -1, 0}, {-0.5f, 1, 0}, {-1, 1, 0},
                                          {0, -1, 0},  {0.5f, -1, 0},  {0.5f, 1, 0},  {0, 1, 0},
                                          {0.6f, -1, 0}, {1, -1, 0}, {1, 1, 0}};
        const std::vector<std::array<int, 3>> triangles = {{0, 1, 2}, {4, 5, 6}, {0, 2, 3}, {8, 9, 10}, {4, 6, 7}};
        Shader* shaderOf[] = {left, middle, left, right, middle};
        mesh.setFlags(mesh.flags() | MeshFlags::Colours);
        ASSERT_TRUE(mesh.allocate(static_cast<int>(points.size()), static_cast<int>(triangles.size())));
        for (const Vec3& p : points) {
            MeshVertex vertex;
            vertex.position = p;
            vertex.normal = {0, 0, 1};
            vertex.colour[0] = vertex.colour[1] = vertex.colour[2] = 64;
            mesh.addVertex(vertex);
        }
        for (std::size_t t = 0; t < triangles.size(); ++t) {
            MeshTriangle triangle;
            for (int k = 0; k < 3; ++k) triangle.vertices[k] = triangles[t][static_cast<std::size_t>(k)];
            triangle.shader = Handle<Shader>(shaderOf[t]);
            mesh.addTriangle(triangle);
        }
        mesh.buildBatches();
    }

    // Red of the centre of each area: 64 per time it was drawn with additive blending.
    std::array<int, 3> areaReds() const {
        return {pixel(8, 32)[0], pixel(40, 32)[0], pixel(60, 20)[0]};
    }

    static void additive() {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }

    static GLint integer(GLenum name) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    }

    Log log;
    ShaderManager shaders;
    std::vector<std::string> events;
    std::vector<GLuint> samples;
};

TEST_F(MeshDrawTest, OpaqueThenBlendedDrawsEveryBatchExactlyOnce) {
    Shader* wall = addShader("wall", false);
    Shader* glass = addShader("glass", true);
    Mesh mesh;
    fillThreeAreas(mesh, wall, glass, nullptr);
    ASSERT_EQ(mesh.batches().size(), 3u);
    additive();
    mesh.enableArrays();
    mesh.drawOpaque(false);
    EXPECT_EQ(areaReds(), (std::array<int, 3>{64, 0, 64}));  // the shaderless batch counts as opaque
    mesh.drawBlended(false);
    EXPECT_EQ(areaReds(), (std::array<int, 3>{64, 64, 64}));
    mesh.drawAll(false);
    mesh.disableArrays();
    EXPECT_EQ(areaReds(), (std::array<int, 3>{128, 128, 128}));
    EXPECT_TRUE(events.empty());  // without applyShaders no shader runs
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MeshDrawTest, EachBatchIsOneDrawBetweenItsShadersBeginAndEnd) {
    Shader* glass = addShader("glass", true);
    Shader* wall = addShader("wall", false);
    Mesh mesh;
    fillThreeAreas(mesh, glass, wall, nullptr);
    mesh.enableArrays();
    mesh.drawAll(true);
    mesh.disableArrays();
    EXPECT_EQ(events, (std::vector<std::string>{"+glass", "-glass", "+wall", "-wall"}));
    // Each shader's batch covers its own area only: a 16 x 64 and a 16 x 64 quad.
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0], 16u * 64u);
    EXPECT_EQ(samples[1], 16u * 64u);

    events.clear();
    mesh.enableArrays();
    mesh.drawBlended(true);
    mesh.drawOpaque(true);
    mesh.disableArrays();
    EXPECT_EQ(events, (std::vector<std::string>{"+glass", "-glass", "+wall", "-wall"}));
}

TEST_F(MeshDrawTest, AllTrianglesOfOneShaderAreOneBatch) {
    Shader* only = addShader("only", false);
    Mesh mesh;
    fillThreeAreas(mesh, only, only, only);
    ASSERT_EQ(mesh.batches().size(), 1u);
    EXPECT_EQ(mesh.batches()[0].used, 15u);
    mesh.enableArrays();
    mesh.drawAll(true);
    mesh.disableArrays();
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(areaReds(), (std::array<int, 3>{64, 64, 64}));
}

TEST_F(MeshDrawTest, ClientArraysAreLockedSetUpAndTornDown) {
    ASSERT_TRUE(GL_EXT_compiled_vertex_array_Flag);
    Mesh mesh;
    mesh.setFlags(MeshFlags::Normals | MeshFlags::TexCoords0 | MeshFlags::TexCoords3 | MeshFlags::TangentSpace);
    ASSERT_TRUE(test::fillMesh(mesh, test::kTetraPoints, test::kTetraTriangles));
    for (int i = 0; i < 4; ++i) mesh.tangents().append({{1, 0, 0}, {0, 1, 0}});
    mesh.buildBatches();
    mesh.enableArrays();
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_STRIDE), 28);
    GLvoid* pointer = nullptr;
    glGetPointerv(GL_NORMAL_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, reinterpret_cast<const std::uint8_t*>(mesh.vertices().data()) + 12);
    glClientActiveTextureARB(GL_TEXTURE3_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, mesh.texCoords(3).data());
    glClientActiveTextureARB(GL_TEXTURE2_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_EQ(integer(GL_TEXTURE_COORD_ARRAY_SIZE), 3);
    EXPECT_EQ(integer(GL_TEXTURE_COORD_ARRAY_STRIDE), 24);
    glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, reinterpret_cast<const std::uint8_t*>(mesh.tangents().data()) + 12);
    glClientActiveTextureARB(GL_TEXTURE1_ARB);
    glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, mesh.tangents().data());
    glClientActiveTextureARB(GL_TEXTURE0_ARB);
    mesh.drawAll(false);
    mesh.disableArrays();
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    for (GLenum unit : {GL_TEXTURE0_ARB, GL_TEXTURE1_ARB, GL_TEXTURE2_ARB, GL_TEXTURE3_ARB}) {
        glClientActiveTextureARB(unit);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << unit;
    }
    glClientActiveTextureARB(GL_TEXTURE0_ARB);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(mesh.vertexBuffer(), 0u);
}

TEST_F(MeshDrawTest, AStaticMeshMakesItsVertexBufferOnceAndDrawsFromIt) {
    ASSERT_TRUE(GL_ARB_vertex_buffer_object_Flag);
    Shader* wall = addShader("wall", false);
    GLuint buffer = 0;
    {
        Mesh mesh;
        mesh.setName("statue.msh");
        mesh.setFlags(MeshFlags::Normals | MeshFlags::VertexBuffer);
        fillThreeAreas(mesh, wall, wall, wall);
        additive();
        mesh.enableArrays();
        buffer = mesh.vertexBuffer();
        ASSERT_NE(buffer, 0u);
        EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING_ARB), static_cast<GLint>(buffer));
        EXPECT_EQ(integer(GL_VERTEX_ARRAY_STRIDE), 28);  // position, normal, colour
        mesh.drawAll(false);
        mesh.disableArrays();
        EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING_ARB), 0);
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
        EXPECT_EQ(areaReds(), (std::array<int, 3>{64, 64, 64}));

        mesh.enableArrays();
        EXPECT_EQ(mesh.vertexBuffer(), buffer);
        EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING_ARB), static_cast<GLint>(buffer));
        mesh.drawAll(false);
        mesh.disableArrays();
        EXPECT_EQ(areaReds(), (std::array<int, 3>{128, 128, 128}));
        EXPECT_TRUE(glIsBufferARB(buffer));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    EXPECT_FALSE(glIsBufferARB(buffer));  // the mesh deleted it
    EXPECT_EQ(logText(), "Created VBO for mesh \"statue.msh\"\n");
}

TEST_F(MeshDrawTest, TheVertexBufferHoldsTheInterleavedAttributes) {
    Mesh mesh;
    mesh.setFlags(0x01 | 0x02 | 0xF0 | 0x100 | MeshFlags::VertexBuffer);
    ASSERT_TRUE(mesh.allocate(2, 1));
    for (int i = 0; i < 2; ++i) {
        MeshVertex vertex;
        vertex.position = {1.0f + i, 2, 3};
        vertex.normal = {4, 5.0f + i, 6};
        vertex.colour[0] = static_cast<std::uint8_t>(10 + i);
        mesh.addVertex(vertex);
        for (int set = 0; set < 4; ++set) mesh.texCoords(set)[static_cast<std::size_t>(i)] = {7.0f + set, 8.0f + i};
        mesh.tangents().append({{9, 10, 11.0f + i}, {12, 13, 14.0f + i}});
    }
    MeshTriangle triangle;
    triangle.vertices[0] = 0;
    triangle.vertices[1] = 1;
    triangle.vertices[2] = 1;
    mesh.addTriangle(triangle);
    mesh.buildBatches();
    mesh.enableArrays();
    std::vector<float> data(2 * 84 / 4);
    glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, 2 * 84, data.data());
    mesh.disableArrays();
    EXPECT_EQ(mesh.layout().stride, 84);
    const float* second = data.data() + 21;
    EXPECT_EQ(second[0], 2.0f);   // position
    EXPECT_EQ(second[4], 6.0f);   // normal y
    std::uint8_t colour[4];
    std::memcpy(colour, second + 6, 4);
    EXPECT_EQ(colour[0], 11);
    EXPECT_EQ(second[7], 7.0f);   // set 0 u
    EXPECT_EQ(second[8], 9.0f);   // set 0 v
    EXPECT_EQ(second[13], 10.0f); // set 3 u
    EXPECT_EQ(second[17], 12.0f); // tangent z
    EXPECT_EQ(second[18], 12.0f); // binormal x
    EXPECT_EQ(second[20], 15.0f); // binormal z
}

TEST_F(MeshDrawTest, WithoutTheBufferExtensionAStaticMeshUsesClientArrays) {
    resetExtensions();
    ASSERT_TRUE(loadExtension(*context, "GL_ARB_multitexture"));
    Mesh mesh;
    mesh.setFlags(MeshFlags::Normals | MeshFlags::VertexBuffer);
    fillThreeAreas(mesh, nullptr, nullptr, nullptr);
    additive();
    mesh.enableArrays();
    mesh.drawAll(true);
    mesh.disableArrays();
    EXPECT_EQ(mesh.vertexBuffer(), 0u);
    EXPECT_EQ(areaReds(), (std::array<int, 3>{64, 64, 64}));
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace qv3rn
