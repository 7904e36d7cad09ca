// Tests of the "msh" file: the byte layout, round trips for every flag combination, and clean failure on
// damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "data/bzip2_buffer.h"
#include "mesh/mesh_file.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

using test::MeshTest;
using test::RawMesh;

class MeshFileTest : public MeshTest {
protected:
    // A mesh with every field filled from a seeded generator, so that a round trip compares real data.
    std::unique_ptr<Mesh> randomMesh(std::uint16_t flags, int vertexCount, int triangleCount, unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> value(-100.0f, 100.0f);
        auto mesh = std::make_unique<Mesh>();
        mesh->setFlags(flags);
        if (!mesh->allocate(vertexCount, triangleCount)) return nullptr;
        for (int i = 0; i < vertexCount; ++i) {
            MeshVertex vertex;
            vertex.position = {value(random), value(random), value(random)};
            vertex.normal = {value(random), value(random), value(random)};
            for (auto& c : vertex.colour) c = static_cast<std::uint8_t>(random());
            const int index = mesh->addVertex(vertex);
            for (int set = 0; set < 4; ++set)
                if (flags & MeshFlags::texCoordSet(set))
                    mesh->texCoords(set)[static_cast<std::size_t>(index)] = {value(random), value(random)};
        }
        if (flags & MeshFlags::TangentSpace)
            for (int i = 0; i < vertexCount; ++i)
                mesh->tangents().append({{value(random), value(random), value(random)},
                                         {value(random), value(random), value(random)}});
        Shader* names[3] = {addShaderOnce("wall"), nullptr, addShaderOnce(std::string(255, 'x'))};
        for (int t = 0; t < triangleCount; ++t) {
            MeshTriangle triangle;
            for (int& corner : triangle.vertices) corner = static_cast<int>(random() % static_cast<unsigned>(vertexCount));
            triangle.shader = Handle<Shader>(names[random() % 3]);
            mesh->addTriangle(triangle);
        }
        return mesh;
    }

    Shader* addShaderOnce(const std::string& name) {
        ShaderHandle found = shaders.find(name);
        Shader* shader = found ? found.get() : addShader(name);
        found.reset();
        return shader;
    }

    static void expectSameMesh(const Mesh& expected, const Mesh& actual) {
        ASSERT_EQ(actual.flags(), expected.flags());
        ASSERT_EQ(actual.vertexCount(), expected.vertexCount());
        ASSERT_EQ(actual.triangleCount(), expected.triangleCount());
        for (int i = 0; i < expected.vertexCount(); ++i) {
            const MeshVertex& a = expected.vertices()[static_cast<std::size_t>(i)];
            const MeshVertex& b = actual.vertices()[static_cast<std::size_t>(i)];
            ASSERT_EQ(a.position, b.position) << "vertex " << i;
            ASSERT_EQ(a.normal, b.normal) << "vertex " << i;
            ASSERT_EQ(std::memcmp(a.colour, b.colour, 4), 0) << "vertex " << i;
            for (int set = 0; set < 4; ++set) {
                if (!(expected.flags() & MeshFlags::texCoordSet(set))) {
                    ASSERT_EQ(actual.texCoords(set).size(), 0u);
                    continue;
                }
                ASSERT_EQ(expected.texCoords(set)[static_cast<std::size_t>(i)].u,
                          actual.texCoords(set)[static_cast<std::size_t>(i)].u);
                ASSERT_EQ(expected.texCoords(set)[static_cast<std::size_t>(i)].v,
                          actual.texCoords(set)[static_cast<std::size_t>(i)].v);
            }
            if (expected.flags() & MeshFlags::TangentSpace) {
                ASSERT_EQ(expected.tangents()[static_cast<std::size_t>(i)].tangent,
                          actual.tangents()[static_cast<std::size_t>(i)].tangent);
                ASSERT_EQ(expected.tangents()[static_cast<std::size_t>(i)].binormal,
                          actual.tangents()[static_cast<std::size_t>(i)].binormal);
            } else {
                ASSERT_EQ(actual.tangents().size(), 0u);
            }
        }
        for (int t = 0; t < expected.triangleCount(); ++t) {
            const MeshTriangle& a = expected.triangles()[static_cast<std::size_t>(t)];
            const MeshTriangle& b = actual.triangles()[static_cast<std::size_t>(t)];
            ASSERT_EQ(std::memcmp(a.vertices, b.vertices, sizeof a.vertices), 0) << "triangle " << t;
            ASSERT_EQ(a.shader.get(), b.shader.get()) << "triangle " << t;
        }
    }

    bool readRaw(const RawMesh& raw, Mesh& mesh, std::string& error) {
        return readMeshData(raw.bytes.data(), raw.bytes.size(), mesh, MissingShaders::Leave, error);
    }
};

TEST_F(MeshFileTest, TheWriterProducesTheTabledBytes) {
    addShader("rock");
    Mesh mesh;
    mesh.setFlags(MeshFlags::Normals | MeshFlags::TexCoords1 | MeshFlags::TangentSpace);
    ASSERT_TRUE(mesh.allocate(2, 2));
    MeshVertex v;
    v.position = {1, 2, 3};
    v.normal = {0, 1, 0};
    v.colour[0] = 9;
    v.colour[1] = 8;
    v.colour[2] = 7;
    v.colour[3] = 6;
    mesh.addVertex(v);
    v.position = {-1, -2, -3};
    mesh.addVertex(v);
    mesh.texCoords(1)[0] = {0.5f, 0.25f};
    mesh.texCoords(1)[1] = {1.5f, 2.5f};
    mesh.tangents().append({{1, 0, 0}, {0, 0, 1}});
    mesh.tangents().append({{0, 1, 0}, {1, 0, 0}});
    MeshTriangle t;
    t.vertices[0] = 0;
    t.vertices[1] = 1;
    t.vertices[2] = 1;
    t.shader = shaders.find("rock");
    mesh.addTriangle(t);
    t.shader.reset();
    t.vertices[0] = 1;
    mesh.addTriangle(t);

    RawMesh expected;
    expected.header(0x0121, 2, 2)
        .vertex({1, 2, 3}, {0, 1, 0}, {9, 8, 7, 6})
        .vertex({-1, -2, -3}, {0, 1, 0}, {9, 8, 7, 6})
        .f32(0.5f).f32(0.25f).f32(1.5f).f32(2.5f)
        .f32(1).f32(0).f32(0).f32(0).f32(0).f32(1)
        .f32(0).f32(1).f32(0).f32(1).f32(0).f32(0)
        .triangle(0, 1, 1, "rock")
        .triangle(1, 1, 1);
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(encodeMeshData(mesh, bytes, error)) << error;
    EXPECT_EQ(bytes, expected.bytes);

    // The file is that layout as one bzip2 stream.
    MeshFileWriter writer;
    ASSERT_TRUE(writer.save("layout.msh", mesh)) << writer.lastError();
    const std::vector<std::uint8_t> file = test::readFileBytes("layout.msh");
    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "BZh9");
    std::vector<std::uint8_t> unpacked;
    ASSERT_TRUE(decompressBzip2(file.data(), file.size(), unpacked, 1 << 20, error)) << error;
    EXPECT_EQ(unpacked, expected.bytes);
}

TEST_F(MeshFileTest, EveryFlagCombinationSurvivesAWriteAndBothReads) {
    const std::uint16_t bits[] = {0x0001, 0x0002, 0x0010, 0x0020, 0x0040, 0x0080, 0x0100};
    MeshFileLoader loader;
    MeshFileWriter writer;
    for (unsigned combination = 0; combination < 128; ++combination) {
        std::uint16_t flags = combination % 3 == 0 ? 0x2000 : 0;
        if (combination % 5 == 0) flags |= 0x1000;
        for (int b = 0; b < 7; ++b)
            if (combination & (1u << b)) flags |= bits[b];
        SCOPED_TRACE("flags " + std::to_string(flags));
        auto original = randomMesh(flags, 7, 9, combination);
        ASSERT_TRUE(original);
        ASSERT_TRUE(writer.save("round.msh", *original)) << writer.lastError();

        Mesh fromFile;
        ASSERT_TRUE(loader.loadFromFile("round.msh", fromFile)) << loader.lastError();
        expectSameMesh(*original, fromFile);

        const std::vector<std::uint8_t> file = test::readFileBytes("round.msh");
        Mesh fromMemory;
        ASSERT_TRUE(loader.loadFromMemory(file.data(), file.size(), fromMemory)) << loader.lastError();
        expectSameMesh(*original, fromMemory);
    }
}

TEST_F(MeshFileTest, AFileWithoutOptionalSetsHoldsHeaderVerticesAndTrianglesOnly) {
    auto mesh = randomMesh(MeshFlags::Normals | MeshFlags::Colours | 0x2000, 5, 4, 1);
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(encodeMeshData(*mesh, bytes, error));
    std::size_t names = 0;
    for (const MeshTriangle& t : mesh->triangles()) names += t.shader ? t.shader->getName().size() : 0;
    EXPECT_EQ(bytes.size(), 16 + 28 * 5 + 16 * 4 + names);
}

TEST_F(MeshFileTest, TrianglesWithoutOrWithAnUnknownShaderHaveNone) {
    Shader* known = addShader("known");
    RawMesh raw;
    raw.header(0x0001, 3, 3).vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0});
    raw.triangle(0, 1, 2).triangle(0, 1, 2, "known").triangle(0, 1, 2, "unknown");
    Mesh mesh;
    std::string error;
    ASSERT_TRUE(readRaw(raw, mesh, error)) << error;
    EXPECT_EQ(mesh.triangles()[0].shader.get(), nullptr);
    EXPECT_EQ(mesh.triangles()[1].shader.get(), known);
    EXPECT_EQ(mesh.triangles()[2].shader.get(), nullptr);
    EXPECT_EQ(shaders.shaders().size(), 1u);
    // The planes and the box are computed on reading.
    EXPECT_EQ(mesh.triangles()[0].normal(), Vec3(0, 0, 1));
    EXPECT_EQ(mesh.bounds().max, Vec3(1, 1, 0));

    // The tools register the names they meet instead.
    Mesh created;
    ASSERT_TRUE(readMeshData(raw.bytes.data(), raw.bytes.size(), created, MissingShaders::Create, error));
    ASSERT_NE(created.triangles()[2].shader.get(), nullptr);
    EXPECT_EQ(created.triangles()[2].shader->getName(), "unknown");
    EXPECT_EQ(shaders.shaders().size(), 2u);
}

TEST_F(MeshFileTest, HeadersAndCountsAreChecked) {
    std::string error;
    auto refuses = [&](RawMesh raw, const char* why) {
        raw.vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0}).triangle(0, 1, 2);
        Mesh mesh;
        EXPECT_FALSE(readRaw(raw, mesh, error)) << why;
        EXPECT_FALSE(error.empty()) << why;
    };
    refuses(RawMesh().text("MESS").u8(1).u8(1).u16(1).u32(3).u32(1), "magic");
    refuses(RawMesh().text("MESH").u8(1).u8(2).u16(1).u32(3).u32(1), "version");
    refuses(RawMesh().header(1, 0, 1), "no vertices");
    refuses(RawMesh().header(1, 3, 0), "no triangles");
    refuses(RawMesh().header(1, -3, 1), "negative count");
    refuses(RawMesh().header(1, 0x7FFFFFFF, 1), "more vertices than bytes");
    refuses(RawMesh().header(1, 3, 0x10000000), "more triangles than bytes");
    refuses(RawMesh().header(1 | 0x10, 3, 1), "a set that is not there");

    RawMesh good;
    good.header(1, 3, 1).vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0}).triangle(0, 1, 2, "name");
    Mesh mesh;
    ASSERT_TRUE(readRaw(good, mesh, error)) << error;
}

TEST_F(MeshFileTest, EveryShortReadFailsTheLoad) {
    RawMesh raw;
    raw.header(0x0111, 3, 2).vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0});
    for (int i = 0; i < 6; ++i) raw.f32(0.5f);
    for (int i = 0; i < 18; ++i) raw.f32(0.25f);
    raw.triangle(0, 1, 2, "abc").triangle(2, 1, 0, "defg");
    Mesh whole;
    std::string error;
    ASSERT_TRUE(readRaw(raw, whole, error)) << error;
    for (std::size_t length = 0; length < raw.bytes.size(); ++length) {
        RawMesh cut;
        cut.bytes.assign(raw.bytes.begin(), raw.bytes.begin() + static_cast<long>(length));
        Mesh mesh;
        EXPECT_FALSE(readRaw(cut, mesh, error)) << "length " << length;
    }
}

TEST_F(MeshFileTest, ShaderNamesAreAtMost255BytesAndIndicesNameVertices) {
    std::string error;
    auto withTriangle = [](int a, int b, int c, const std::string& name) {
        RawMesh raw;
        raw.header(1, 3, 1).vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0}).triangle(a, b, c, name);
        return raw;
    };
    Mesh longest;
    EXPECT_TRUE(readRaw(withTriangle(0, 1, 2, std::string(255, 's')), longest, error)) << error;
    Mesh tooLong;
    EXPECT_FALSE(readRaw(withTriangle(0, 1, 2, std::string(256, 's')), tooLong, error));
    EXPECT_NE(error.find("255"), std::string::npos) << error;
    Mesh outside;
    EXPECT_FALSE(readRaw(withTriangle(0, 1, 3, ""), outside, error));
    EXPECT_NE(error.find("vertex 3 of 3"), std::string::npos) << error;
    Mesh negative;
    EXPECT_FALSE(readRaw(withTriangle(-1, 1, 2, ""), negative, error));

    // The writer refuses what the reader would refuse, and leaves no file behind.
    Mesh mesh;
    ASSERT_TRUE(test::fillMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, addShader(std::string(256, 'n'))));
    std::remove("refused.msh");
    MeshFileWriter writer;
    EXPECT_FALSE(writer.save("refused.msh", mesh));
    EXPECT_NE(writer.lastError().find("255"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("refused.msh"));
    Mesh empty;
    EXPECT_FALSE(writer.save("refused.msh", empty));
    EXPECT_FALSE(writer.save("no_such_folder/out.msh", *randomMesh(1, 3, 1, 2)));
}

TEST_F(MeshFileTest, TruncatedOrDamagedBzip2FailsFromMemoryAndFromFile) {
    auto mesh = randomMesh(0x0013, 50, 60, 3);
    MeshFileWriter writer;
    ASSERT_TRUE(writer.save("whole.msh", *mesh));
    const std::vector<std::uint8_t> file = test::readFileBytes("whole.msh");
    MeshFileLoader loader;
    for (std::size_t length : {std::size_t{0}, std::size_t{3}, std::size_t{20}, file.size() / 2, file.size() - 1}) {
        SCOPED_TRACE("length " + std::to_string(length));
        std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<long>(length));
        Mesh fromMemory;
        EXPECT_FALSE(loader.loadFromMemory(cut.data(), cut.size(), fromMemory));
        test::writeFile("cut.msh", cut);
        Mesh fromFile;
        EXPECT_FALSE(loader.loadFromFile("cut.msh", fromFile));
    }
    std::vector<std::uint8_t> damaged = file;
    damaged[damaged.size() / 2] ^= 0xFF;
    Mesh mesh2;
    EXPECT_FALSE(loader.loadFromMemory(damaged.data(), damaged.size(), mesh2));
    RawMesh plain;
    plain.header(1, 3, 1).vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0}).triangle(0, 1, 2);
    Mesh notCompressed;
    EXPECT_FALSE(loader.loadFromMemory(plain.bytes.data(), plain.bytes.size(), notCompressed));
    Mesh missing;
    EXPECT_FALSE(loader.loadFromFile("no_such_file.msh", missing));
}

TEST(Bzip2Buffer, TheOutputGrowsPastFourTimesTheInputAndStopsAtTheLimit) {
    std::vector<std::uint8_t> data(1 << 20);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>((i / 4096) & 0x0F);
    const std::vector<std::uint8_t> packed = test::compressBzip2(data);
    ASSERT_LT(packed.size() * 4, data.size());  // the first output buffer is too small
    std::vector<std::uint8_t> out;
    std::string error;
    ASSERT_TRUE(decompressBzip2(packed.data(), packed.size(), out, std::size_t{1} << 30, error)) << error;
    EXPECT_EQ(out, data);
    EXPECT_FALSE(decompressBzip2(packed.data(), packed.size(), out, data.size() - 1, error));
    EXPECT_TRUE(out.empty());
    EXPECT_NE(error.find("larger"), std::string::npos);
    EXPECT_TRUE(decompressBzip2(packed.data(), packed.size(), out, data.size(), error)) << error;
}

}  // namespace
}  // namespace qv3rn
