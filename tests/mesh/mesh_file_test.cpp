// mesh_file_test.cpp -- Tests of the "msh" file: byte layout, round trips and clean failure on damaged files.
#include "mesh/mesh_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "mesh_test_support.h"

namespace qv3rn {
namespace {

using test::RawMesh;

class MeshFileTest : public test::MeshTest {
protected:
    // A mesh with every field filled from a seeded generator, so that a round trip compares real data.
    std::unique_ptr<Mesh> randomMesh(std::uint16_t flags, int vertexCount, int triangleCount, unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> value(-100.0f, 100.0f);
        auto vec = [&] { return Vec3(value(random), value(random), value(random)); };
        auto mesh = std::make_unique<Mesh>();
        mesh->setFlags(flags);
        if (!mesh->allocate(vertexCount, triangleCount)) return nullptr;
        for (int i = 0; i < vertexCount; ++i) {
            MeshVertex vertex;
            vertex.position = vec();
            vertex.normal = vec();
            for (auto& c : vertex.colour) c = static_cast<std::uint8_t>(random());
            mesh->addVertex(vertex);
            for (int set = 0; set < 4; ++set)
                if (flags & MeshFlags::texCoordSet(set))
                    mesh->texCoords(set)[std::size_t(i)] = {value(random), value(random)};
            if (flags & MeshFlags::TangentSpace) mesh->tangents().append({vec(), vec()});
        }
        if (shaders.shaders().empty()) {  // the shaders random meshes name; the second's name is the longest stored
            names_[0] = addShader("wall");
            names_[2] = addShader(std::string(255, 'x'));
        }
        for (int t = 0; t < triangleCount; ++t) {
            MeshTriangle triangle;
            for (int& corner : triangle.vertices)
                corner = static_cast<int>(random() % static_cast<unsigned>(vertexCount));
            triangle.shader = Handle<Shader>(names_[random() % 3]);
            mesh->addTriangle(triangle);
        }
        return mesh;
    }

    Shader* names_[3] = {};

    static std::vector<std::uint8_t> encoded(const Mesh& mesh) {
        std::vector<std::uint8_t> bytes;
        std::string error;
        EXPECT_TRUE(encodeMeshData(mesh, bytes, error)) << error;
        return bytes;
    }
    bool readRaw(const RawMesh& raw, Mesh& mesh, std::string& error) {
        return readMeshData(raw.bytes.data(), raw.bytes.size(), mesh, MissingShaders::Leave, error);
    }
};

TEST_F(MeshFileTest, TheEncoderProducesTheTabledBytes) {
    Mesh mesh;
    mesh.setFlags(MeshFlags::Normals | MeshFlags::TexCoords1 | MeshFlags::TangentSpace);
    ASSERT_TRUE(test::fillMesh(mesh, {{1, 2, 3}, {-1, -2, -3}}, {{0, 1, 1}, {1, 1, 1}}));
    for (MeshVertex& v : mesh.vertices()) {
        v.normal = {0, 1, 0};
        std::memcpy(v.colour, "\x09\x08\x07\x06", 4);
    }
    mesh.triangles()[0].shader = Handle<Shader>(addShader("rock"));
    mesh.texCoords(1)[0] = {0.5f, 0.25f};
    mesh.texCoords(1)[1] = {1.5f, 2.5f};
    mesh.tangents().append({{1, 0, 0}, {0, 0, 1}});
    mesh.tangents().append({{0, 1, 0}, {1, 0, 0}});

    RawMesh expected;
    expected.header(0x0121, 2, 2)
        .vertex({1, 2, 3}, {0, 1, 0}, {9, 8, 7, 6})
        .vertex({-1, -2, -3}, {0, 1, 0}, {9, 8, 7, 6})
        .f32(0.5f).f32(0.25f).f32(1.5f).f32(2.5f)                      // set 1
        .f32(1).f32(0).f32(0).f32(0).f32(0).f32(1)                      // tangent and binormal of vertex 0
        .f32(0).f32(1).f32(0).f32(1).f32(0).f32(0)                      // of vertex 1
        .triangle(0, 1, 1, "rock")
        .triangle(1, 1, 1);
    EXPECT_EQ(encoded(mesh), expected.bytes);

}

TEST_F(MeshFileTest, EveryFlagCombinationSurvivesAWriteAndBothReads) {
    MeshFileLoader loader;
    MeshFileWriter writer;
    for (unsigned combination = 0; combination < 128; ++combination) {
        // Bits 0 and 1 are 0x1 and 0x2, bits 2 to 6 the sets and the tangents, 0x10 to 0x100.
        const auto flags = static_cast<std::uint16_t>((combination & 3) | (combination & 0x7C) << 2 |
                                                      (combination % 3 ? 0 : 0x2000) | (combination % 5 ? 0 : 0x1000));
        SCOPED_TRACE("flags " + std::to_string(flags));
        auto original = randomMesh(flags, 7, 9, combination);
        ASSERT_TRUE(writer.save("round.msh", *original)) << writer.lastError();
        Mesh fromFile, fromMemory;
        ASSERT_TRUE(loader.loadFromFile("round.msh", fromFile)) << loader.lastError();
        const std::string file = test::readFile("round.msh");
        ASSERT_TRUE(loader.loadFromMemory(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), fromMemory));
        EXPECT_EQ(fromFile.flags(), flags);
        EXPECT_EQ(encoded(fromFile), encoded(*original));
        EXPECT_EQ(encoded(fromMemory), encoded(*original));
        for (int set = 0; set < 4; ++set) EXPECT_EQ(fromFile.texCoords(set).hasStorage(), (flags & (0x10 << set)) != 0);
        EXPECT_EQ(fromFile.triangles()[0].shader.get(), original->triangles()[0].shader.get());
    }
}

TEST_F(MeshFileTest, TrianglesWithoutOrWithAnUnknownShaderHaveNoneAndPlanesAreComputed) {
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
    EXPECT_EQ(mesh.triangles()[0].normal(), Vec3(0, 0, 1));
    EXPECT_EQ(mesh.bounds().max, Vec3(1, 1, 0));

}

TEST_F(MeshFileTest, BadHeadersCountsNamesIndicesAndEveryShortReadFailWithAReason) {
    auto withTriangle = [](RawMesh raw, int a = 0, int b = 1, int c = 2, const std::string& name = "") {
        return raw.vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0}).triangle(a, b, c, name);
    };
    // says: a part of the reason
    struct Case { RawMesh raw; const char* why; const char* says = ""; };
    const Case cases[] = {
        {withTriangle(RawMesh().text("MESS").u8(1).u8(1).u16(1).u32(3).u32(1)), "magic"},
        {withTriangle(RawMesh().header(1, 0, 1)), "no vertices"},
        {withTriangle(RawMesh().header(1, -3, 1)), "negative count"},
        {withTriangle(RawMesh().header(1, 0x7FFFFFFF, 1)), "more vertices than bytes"},
        {withTriangle(RawMesh().header(1 | 0x10, 3, 1)), "a set that is not there"},
        {withTriangle(RawMesh().header(1, 3, 1), 0, 1, 2, std::string(256, 's')), "long name", "255"},
        {withTriangle(RawMesh().header(1, 3, 1), 0, 1, 3), "index past the end", "vertex 3 of 3"},
    };
    std::string error;
    for (const Case& c : cases) {
        Mesh mesh;
        EXPECT_FALSE(readRaw(c.raw, mesh, error)) << c.why;
        EXPECT_FALSE(error.empty()) << c.why;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }

    RawMesh whole = RawMesh().header(0x0111, 3, 2).vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0});
    for (int i = 0; i < 6 + 18; ++i) whole.f32(0.5f);
    whole.triangle(0, 1, 2, "abc").triangle(2, 1, 0, "defg");
    Mesh complete;
    ASSERT_TRUE(readRaw(whole, complete, error)) << error;
    for (std::size_t length = 0; length < whole.bytes.size(); ++length) {
        RawMesh cut;
        cut.bytes.assign(whole.bytes.begin(), whole.bytes.begin() + static_cast<long>(length));
        Mesh mesh;
        EXPECT_FALSE(readRaw(cut, mesh, error)) << "length " << length;
    }
}

TEST_F(MeshFileTest, TheWriterRefusesWhatTheReaderWouldRefuseAndLeavesNoFile) {
    Mesh mesh;
    ASSERT_TRUE(test::fillMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, addShader(std::string(256, 'n'))));
    std::remove("refused.msh");
    MeshFileWriter writer;
    EXPECT_FALSE(writer.save("refused.msh", mesh));
    EXPECT_NE(writer.lastError().find("255"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("refused.msh"));
    EXPECT_FALSE(writer.save("no_such_folder/out.msh", *randomMesh(1, 3, 1, 2)));
}

TEST_F(MeshFileTest, OnlyWhatTheHeaderCountsCanUseIsDecompressed) {
    MeshFileLoader loader;
    loader.setDataLimit(1 << 20);
    // Eight megabytes of zeros after a one-triangle mesh are never inflated, so the data limit is not reached.
    RawMesh small = RawMesh().header(0, 3, 1).vertex({0, 0, 0}).vertex({1, 0, 0}).vertex({0, 1, 0}).triangle(0, 1, 2);
    small.bytes.resize(small.bytes.size() + (8 << 20));
    std::vector<std::uint8_t> packed = test::compressBzip2(small.bytes);
    Mesh loaded;
    EXPECT_TRUE(loader.loadFromMemory(packed.data(), packed.size(), loaded)) << loader.lastError();
    EXPECT_EQ(loaded.triangleCount(), 1);
    // Counts that could use more than the limit are read up to it, and refused once the data goes on past it.
    RawMesh large = RawMesh().header(0, 50000, 1);
    large.bytes.resize(large.bytes.size() + (2 << 20));
    packed = test::compressBzip2(large.bytes);
    Mesh refused;
    EXPECT_FALSE(loader.loadFromMemory(packed.data(), packed.size(), refused));
    EXPECT_EQ(loader.lastError(), "decompressed data larger than 1048576 bytes");
}

}  // namespace
}  // namespace qv3rn
