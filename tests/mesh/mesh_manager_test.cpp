// mesh_manager_test.cpp -- Tests of the mesh manager: loaders, archive and search paths, cache, derived tables.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "import/lwo_writer.h"
#include "mesh/mesh_file.h"
#include "mesh/object_mesh_loader.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
using test::RawMesh;

// A closed tetrahedron with texture coordinates, as compressed "msh" bytes; `extra` vertices tell copies apart.
std::vector<std::uint8_t> tetraFile(int extra = 0) {
    RawMesh raw;
    raw.header(0x0011, 4 + extra, 4);
    for (const Vec3& p : test::kTetraPoints) raw.vertex(p, p.normalized());
    for (int i = 0; i < extra; ++i) raw.vertex({0, 0, 0});
    const float uv[] = {0, 0, 1, 0, 0, 1, 1, 1};
    for (int i = 0; i < 4; ++i) raw.f32(uv[2 * i]).f32(uv[2 * i + 1]);
    for (int i = 0; i < extra; ++i) raw.f32(0).f32(0);
    for (const auto& t : test::kTetraTriangles) raw.triangle(t[0], t[1], t[2]);
    return test::compressBzip2(raw.bytes);
}

class MeshManagerTest : public test::MeshTest {
protected:
    void SetUp() override {
        MeshTest::SetUp();
        root_ = folder_.path();
        registerStandardMeshFormats(meshes);
    }

    std::string path(const std::string& relative) const { return (root_ / relative).string(); }

    void writeDisk(const std::string& relative, const std::vector<std::uint8_t>& bytes) const {
        fs::create_directories((root_ / relative).parent_path());
        test::writeFile(path(relative), bytes);
    }

    std::shared_ptr<Archive> archiveWith(
        const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries) {
        ArchiveWriter writer;
        EXPECT_TRUE(writer.create(path("data.dat"), demoArchivePassword));
        for (const auto& [name, bytes] : entries) EXPECT_TRUE(writer.addData(name, bytes));
        EXPECT_TRUE(writer.commit()) << writer.lastError();
        auto archive = std::make_shared<Archive>();
        EXPECT_TRUE(archive->open(path("data.dat"), demoArchivePassword));
        archive_ = archive;  // the manager holds only a weak reference
        return archive;
    }

    // The search path as a script writes it, with backslashes.
    std::string scriptPath(const std::string& relative) const {
        std::string text = (root_ / relative).string() + "/";
        for (char& c : text)
            if (c == '/') c = '\\';
        return text;
    }

    test::TemporaryFolder folder_;  // each test's files in a folder of its own
    fs::path root_;
    std::shared_ptr<Archive> archive_;
};

TEST_F(MeshManagerTest, TheArchiveComesFirstThenTheSearchPathsInOrderWithAFreshMeshForEachTry) {
    std::vector<std::uint8_t> damaged = tetraFile(2);
    damaged.resize(damaged.size() / 2);
    for (const char* name : {"second/both.msh", "second/damaged.msh", "second/disk.msh"}) writeDisk(name, tetraFile(1));
    writeDisk("third/disk.msh", tetraFile(3));
    meshes.addSearchPath(scriptPath("first"));
    meshes.addSearchPath(scriptPath("second"));
    meshes.addSearchPath(scriptPath("third"));
    auto archive = archiveWith({{"data/obj/both.msh", tetraFile(2)}, {"data/obj/damaged.msh", damaged}});
    meshes.setArchive(archive);
    archive_.reset();

    // 4 vertices plus the copy's extra ones: 6 from the archive, 5 from "second", 7 from "third".
    for (auto [name, vertices] : {std::pair{"both.msh", 6}, {"damaged.msh", 5}, {"disk.msh", 5}}) {
        Mesh* mesh = meshes.load(name, MeshType::EdgeMesh);  // an edge mesh can only be allocated once
        ASSERT_NE(mesh, nullptr) << name;
        EXPECT_EQ(mesh->vertexCount(), vertices) << name;
    }

    archive.reset();  // the demo destroys its archive after loading
    MeshManager later;
    registerStandardMeshFormats(later);
    later.addSearchPath(scriptPath("second"));
    Mesh* fromDisk = later.load("both.msh", MeshType::Static);
    ASSERT_NE(fromDisk, nullptr);
    EXPECT_EQ(fromDisk->vertexCount(), 5);
}

// A failed load is logged, not cached, and tried again later.
TEST_F(MeshManagerTest, ANameIsLoadedOnceAndFoundByNameOrAliasWhateverTypeAsksAgain) {
    meshes.addSearchPath(scriptPath("obj"));
    EXPECT_EQ(meshes.load("tetra.msh", MeshType::Static), nullptr);
    EXPECT_EQ(meshes.find("tetra.msh"), nullptr);
    writeDisk("obj/tetra.msh", tetraFile());
    Mesh* mesh = meshes.load("tetra.msh", MeshType::Static);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(meshes.find("tetra.msh"), mesh);  // a node asking for an edge mesh finds the cached plain mesh
    EXPECT_EQ(meshes.find("TETRA.msh"), nullptr);
    mesh->setAlias("pyramid");
    EXPECT_EQ(meshes.find("pyramid"), mesh);
    EXPECT_EQ(logText(), "Loading of mesh \"tetra.msh\" FAILED\nLoaded Mesh \"tetra.msh\" [4 vertices, 4 tris]\n");
}

TEST_F(MeshManagerTest, EachKindDerivesItsTables) {
    meshes.setArchive(archiveWith(
        {{"data/obj/a.msh", tetraFile()}, {"data/obj/b.msh", tetraFile()}, {"data/obj/c.msh", tetraFile()}}));
    const struct { const char* name; MeshType type; bool edges, tangents; } rows[] = {
        {"a.msh", MeshType::EdgeMesh, true, false}, {"b.msh", MeshType::BumpMap, false, true},
        {"c.msh", MeshType::BumpMapEdgeMesh, true, true}};
    for (const auto& row : rows) {
        Mesh* mesh = meshes.load(row.name, row.type);
        ASSERT_NE(mesh, nullptr);
        auto* edged = dynamic_cast<EdgeMesh*>(mesh);
        EXPECT_EQ(edged ? edged->edges().size() : 0u, row.edges ? 6u : 0u) << row.name;
        EXPECT_EQ(mesh->tangents().size(), row.tangents ? 4u : 0u) << row.name;
    }
    EXPECT_EQ(logText().find("not valid"), std::string::npos) << logText();
}

TEST_F(MeshManagerTest, ObjectsLoadFromTheArchiveAndFromDisk) {
    test::LwoData chunks;
    chunks.chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}}))
        .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}, 0}}));  // logged with the file's name
    const std::vector<std::uint8_t> file = test::lwoFile(chunks);
    writeDisk("obj/ship.lwo", file);
    meshes.addSearchPath(scriptPath("obj"));
    ASSERT_NE(meshes.load("ship.lwo", MeshType::Static), nullptr);

    meshes.setArchive(archiveWith({{"data/obj/boat.lwo", file}}));
    ASSERT_NE(meshes.load("boat.lwo", MeshType::Static), nullptr);
    EXPECT_NE(logText().find("\tFile \"buffered\"\n"), std::string::npos);  // read from memory, not the disk
}

}  // namespace
}  // namespace qv3rn
