// iso_surface_test.cpp -- the field primitives, marching cubes (closed surfaces of the right genus, outward
// winding, the fast method against the plain one) and the "CubeGrid {" and "MetaObject {" blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <utility>

#include "data/script_error.h"
#include "scene/cube_grid_node.h"
#include "scene_test_support.h"
#include "support/test_shaders.h"

namespace qv3rn::test {
namespace {

// Euler characteristic V - E + F of the indexed surface; false when some edge does not join exactly two
// triangles (the surface is not closed).
bool closedEuler(const IsoMesh& mesh, int& euler) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
    for (std::size_t t = 0; t < mesh.indices.size(); t += 3)
        for (int e = 0; e < 3; ++e) {
            const std::uint32_t a = mesh.indices[t + e], b = mesh.indices[t + (e + 1) % 3];
            ++edges[{std::min(a, b), std::max(a, b)}];
        }
    for (const auto& [edge, count] : edges)
        if (count != 2) return false;
    euler = static_cast<int>(mesh.vertices.size()) - static_cast<int>(edges.size()) +
            static_cast<int>(mesh.triangleCount());
    return true;
}

MetaPrimitive& placed(std::unique_ptr<MetaPrimitive>& p, Vec3 at, Mat4 rotation = Mat4::identity()) {
    p->place(at, rotation);
    return *p;
}

template <typename Kind, typename... Values>
std::pair<std::unique_ptr<MetaPrimitive>, Vec3> part(Vec3 at, Values... values) {
    return {std::make_unique<Kind>(values...), at};
}

TEST(IsoSurface, TriangleRowsUseOnlyTheEdgesTheirCaseCrosses) {
    for (int c = 0; c < 256; ++c) {
        unsigned used = 0;
        for (int t = 0; isoTriangleTable[c][t] >= 0; ++t) used |= 1u << isoTriangleTable[c][t];
        EXPECT_EQ(used, isoEdgeTable[c]) << "case " << c;
    }
}

TEST(IsoSurface, FieldsAtTheCentreTheCutOffAndAPlaceThatIsNoNumber) {
    for (const float radius : {0.5f, 3.0f, 10.0f}) {
        SpherePrimitive sphere(radius);
        Vec3 normal;
        const float centre = 0.5f - 0.0001f / (radius * radius);
        EXPECT_FLOAT_EQ(sphere.field({}, normal), centre * centre);
        EXPECT_EQ(sphere.field({radius / std::sqrt(2.0f) * 1.0001f, 0, 0}, normal), 0.0f);
        EXPECT_GT(sphere.field({0, radius * 0.7f, 0}, normal), 0.0f);
    }
    // A place that is not a number (a script's "nan") contributes nothing rather than reaching OpenGL.
    const float nan = std::nanf("");
    std::unique_ptr<MetaPrimitive> kinds[] = {std::make_unique<SpherePrimitive>(2.0f),
                                              std::make_unique<TorusPrimitive>(2.0f, 1.0f),
                                              std::make_unique<CubePrimitive>(3.0f, 2.0f)};
    for (auto& kind : kinds) {
        Vec3 normal;
        EXPECT_EQ(placed(kind, {nan, 0, nan}).field({}, normal), 0.0f);
        EXPECT_EQ(normal, Vec3{});
    }
}

// Each shape at a threshold: closed, with the Euler characteristic of its genus (2 per sphere-like piece, 0 for
// a torus), and wound so that faces look away from the inside.
TEST(IsoSurface, ShapesGiveClosedSurfacesOfTheirGenus) {
    const Mat4 tilted = Mat4::rotation(0.6f, Vec3{1, 1, 0}).transposed();
    struct Case {
        const char* name;
        std::vector<std::pair<std::unique_ptr<MetaPrimitive>, Vec3>> parts;
        int euler;
    };
    std::vector<Case> cases;
    const auto add = [&](const char* name, int euler, auto... parts) {
        Case c{name, {}, euler};
        (c.parts.push_back(std::move(parts)), ...);
        cases.push_back(std::move(c));
    };
    add("sphere", 2, part<SpherePrimitive>({1, -2, 0.5f}, 10.0f));
    add("torus", 0, part<TorusPrimitive>({0.3f, 0, 0}, 8.0f, 3.0f));
    add("cube", 2, part<CubePrimitive>({0, 0.2f, 0}, 4.0f, 7.0f));
    add("spheres apart", 4, part<SpherePrimitive>({-8, 0, 0}, 6.0f),
        part<SpherePrimitive>({8, 0, 0}, 6.0f));
    add("spheres merged", 2, part<SpherePrimitive>({-2.5f, 0, 0}, 10.0f),
        part<SpherePrimitive>({2.5f, 0, 0}, 10.0f));
    for (Case& c : cases) {
        std::vector<const MetaPrimitive*> list;
        for (auto& [p, at] : c.parts) list.push_back(&placed(p, at, tilted));
        IsoGrid grid(40);
        grid.evaluate(list);
        IsoMesh mesh;
        grid.polygonise(0.05f, mesh);
        int euler = 0;
        ASSERT_TRUE(closedEuler(mesh, euler)) << c.name;
        EXPECT_EQ(euler, c.euler) << c.name;
        int outward = 0;
        for (std::size_t t = 0; t < mesh.indices.size(); t += 3) {
            const IsoVertex &a = mesh.vertices[mesh.indices[t]], &b = mesh.vertices[mesh.indices[t + 1]],
                            &d = mesh.vertices[mesh.indices[t + 2]];
            const Vec3 face = cross(b.position - a.position, d.position - a.position);
            outward += dot(face, a.normal + b.normal + d.normal) > 0.0f;
        }
        EXPECT_GT(outward, static_cast<int>(mesh.triangleCount() * 95 / 100)) << c.name;
    }
}

TEST(IsoSurface, SphereVerticesLieAtThePredictedRadius) {
    auto sphere = std::unique_ptr<MetaPrimitive>(new SpherePrimitive(12.0f));
    const Vec3 centre{1.5f, -0.7f, 2.2f};
    IsoGrid grid(32);
    grid.evaluate({&placed(sphere, centre)});
    for (const float threshold : {0.02f, 0.1f, 0.2f}) {
        // (0.5 - r^2 / R^2)^2 = threshold
        const float expected = 12.0f * std::sqrt(0.5f - std::sqrt(threshold));
        IsoMesh mesh;
        grid.polygonise(threshold, mesh);
        ASSERT_FALSE(mesh.vertices.empty());
        for (const IsoVertex& v : mesh.vertices) {
            EXPECT_NEAR((v.position - centre).length(), expected, 32.0f / 32 * 0.25f);
            EXPECT_NEAR(dot(v.normal, (v.position - centre).normalized()), 1.0f, 0.02f);
        }
    }
}

TEST(IsoSurface, FastMethodGivesThePlainTriangles) {
    std::mt19937 random(19);
    std::uniform_real_distribution<float> place(-14.0f, 14.0f), size(1.0f, 9.0f), unit(-1.0f, 1.0f);
    for (int round = 0; round < 12; ++round) {
        std::vector<std::unique_ptr<MetaPrimitive>> owned;
        std::vector<const MetaPrimitive*> list;
        for (int n = static_cast<int>(size(random)); n > 0; --n) {
            const int kind = static_cast<int>(random() % 3);
            if (kind == 0) owned.push_back(std::make_unique<SpherePrimitive>(size(random) * 1.5f));
            if (kind == 1) owned.push_back(std::make_unique<TorusPrimitive>(size(random), size(random) * 0.5f));
            if (kind == 2) owned.push_back(std::make_unique<CubePrimitive>(size(random) * 0.5f, size(random)));
            const Mat4 turn = Mat4::rotation(unit(random) * 3.0f, Vec3{unit(random), unit(random), 1}).transposed();
            list.push_back(&placed(owned.back(), {place(random), place(random), place(random)}, turn));
        }
        IsoGrid plain(24 + round), fast(24 + round);
        plain.evaluatePlain(list);
        fast.evaluate(list);
        for (std::size_t p = 0; p < plain.pointCount(); ++p) ASSERT_EQ(plain.value(p), fast.value(p)) << round;
        const float threshold = 0.01f + 0.02f * static_cast<float>(round);
        std::vector<IsoVertex> triangles;
        plain.polygonisePlain(threshold, triangles);
        IsoMesh mesh;
        fast.polygonise(0.5f, mesh);  // a first surface, so that the second reuses the arrays
        fast.polygonise(threshold, mesh);
        ASSERT_EQ(mesh.indices.size(), triangles.size()) << round;
        for (std::size_t i = 0; i < triangles.size(); ++i) {
            const IsoVertex& v = mesh.vertices[mesh.indices[i]];
            ASSERT_NEAR((v.position - triangles[i].position).length(), 0.0f, 1e-4f) << round << " " << i;
            ASSERT_NEAR((v.normal - triangles[i].normal).length(), 0.0f, 1e-3f) << round << " " << i;
        }
    }
}

class CubeGridTest : public SceneTest {
protected:
    CubeGridNode& grid() { return dynamic_cast<CubeGridNode&>(node("grid")); }
    static std::string script(const std::string& gridLines, const std::string& metaLines) {
        return "Group {\nCubeGrid {\nName \"grid\"\n" + gridLines + "MetaObject {\nName \"m\"\n" + metaLines +
               "}\n}\n}\n";
    }
};

TEST_F(CubeGridTest, BlocksReadTheirLinesOrFailWithTheirLine) {
    ShaderManager shaders;
    addShader(shaders, "iso");
    const struct { std::string grid, meta, error; } cases[] = {
        {"GridSize 0\n", "", "4: grid size must lie in 1 ... 128: GridSize 0"},
        {"GridSize 100000\n", "", "4: grid size must lie in 1 ... 128: GridSize 100000"},
        {"Shader \"nowhere\"\n", "", "4: unable to load shader: nowhere"},
        {"Threshold {\nbroken\n", "", "5: unable to load threashold envelope"},
        {"", "Type \"BLOB\"\n", "6: unknown meta object type"},
        {"", "Type \"SPHERE\"\nRadius 0\n", "8: meta object radius must be above 0"},
        {"", "Type \"TORUS\"\nRevolution 4\nDisk -1\n", "9: meta object disk radius must be above 0"},
        {"", "Type \"CUBE\"\nSide 2\n", "8: meta object exponent must be above 0"},
        {"GridSize 8\nShader \"iso\"\nThreshold 0.2\n", "Type \"SPHERE\"\nRadius 2\nSide 3\n", ""},
    };
    for (const auto& c : cases) {
        try {
            read(script(c.grid, c.meta));
            EXPECT_EQ(c.error, "") << c.grid << c.meta;
        } catch (const ScriptError& error) {
            EXPECT_EQ((std::to_string(error.line()) + ": " + error.what()).find(c.error), 0u) << error.line() << ": " << error.what();
        }
    }
    // The last case: "Side " after "Radius " wins, and the sphere's field ends at 3 / sqrt 2.
    EXPECT_EQ(grid().shader()->getName(), "iso");
    EXPECT_FLOAT_EQ(grid().threshold, 0.2f);
    Vec3 normal;
    EXPECT_GT(dynamic_cast<MetaObjectNode&>(node("m")).primitive()->field({0, 2.1f, 0}, normal), 0.0f);
    root.reset();  // the grid's shader handle goes before the manager that holds the shader
}

TEST_F(CubeGridTest, ThresholdFollowsItsEnvelopeAndMetaObjectsFollowTheirNodes) {
    read(script("GridSize 16\nThreshold {\n{ Envelope\n 2\n Key 0 0 3 0 0 0 0 0 0 0\n Key 0.25 10 3 0 0 0 0 0 0 0\n"
                " Behaviors 1 1\n}\n}\n",
                "Type \"SPHERE\"\nRadius 12\n" + keyframerLW({{0, 3.0f}})));
    root->update(0.0f);
    EXPECT_EQ(grid().threshold, 0.0f);  // no value lies below 0: no edge is crossed
    EXPECT_EQ(grid().polygonise().triangleCount(), 0u);
    root->update(10.0f);
    EXPECT_FLOAT_EQ(grid().threshold, 0.25f);  // at or above every field value: nothing is drawn
    EXPECT_EQ(grid().polygonise().triangleCount(), 0u);
    root->update(5.0f);
    const IsoMesh& mesh = grid().polygonise();
    ASSERT_GT(mesh.triangleCount(), 0u);
    Vec3 middle;
    for (const IsoVertex& v : mesh.vertices) middle += v.position * (1.0f / mesh.vertices.size());
    EXPECT_NEAR(middle.x, 3.0f, 0.1f);  // placed by the keyframer in this frame
}

TEST_F(CubeGridTest, DrawsItsSurfaceAndNothingWithoutPrimitives) {
    for (const bool withSphere : {true, false}) {
        read(script("GridSize 16\nThreshold 0.05\n", withSphere ? "Type \"SPHERE\"\nRadius 20\n" : ""));
        root->update(0.0f);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-16, 16, -16, 16, -32, 32);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor3f(1, 1, 1);
        root->renderAll();
        EXPECT_EQ(pixel(32, 32)[0], withSphere ? 255 : 0);
        EXPECT_EQ(pixel(1, 1)[0], 0);  // outside the surface, of radius about 10.5
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

}  // namespace
}  // namespace qv3rn::test
