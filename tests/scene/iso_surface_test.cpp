// iso_surface_test.cpp -- field primitives, marching cubes and the "CubeGrid {" / "MetaObject {" blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
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

TEST(IsoSurface, APlaceThatIsNoNumberContributesNothing) {
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
    add("spheres apart", 4, part<SpherePrimitive>({-8, 0, 0}, 6.0f), part<SpherePrimitive>({8, 0, 0}, 6.0f));
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
        {"Shader \"nowhere\"\n", "", "4: unable to load shader: nowhere"},
        {"Threshold {\nbroken\n", "", "5: unable to load threashold envelope"},
        {"", "Type \"BLOB\"\n", "6: unknown meta object type"},
        {"", "Type \"SPHERE\"\nRadius 0\n", "8: meta object radius must be above 0"},
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
