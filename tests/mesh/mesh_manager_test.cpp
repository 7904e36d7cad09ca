// Tests of the mesh manager: loader choice, archive before disk, search paths, the cache, the derived tables
// of each kind and the log lines.
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
std::vector<std::uint8_t> tetraFile(int extra = 0, const std::string& shader = "") {
    RawMesh raw;
    raw.header(0x0011, 4 + extra, 4);
    for (const Vec3& p : test::kTetraPoints) raw.vertex(p, p.normalized());
    for (int i = 0; i < extra; ++i) raw.vertex({0, 0, 0});
    const float uv[] = {0, 0, 1, 0, 0, 1, 1, 1};
    for (int i = 0; i < 4; ++i) raw.f32(uv[2 * i]).f32(uv[2 * i + 1]);
    for (int i = 0; i < extra; ++i) raw.f32(0).f32(0);
    for (const auto& t : test::kTetraTriangles) raw.triangle(t[0], t[1], t[2], shader);
    return test::compressBzip2(raw.bytes);
}

class MeshManagerTest : public test::MeshTest {
protected:
    void SetUp() override {
        MeshTest::SetUp();
        root_ = fs::absolute(fs::path("manager") / ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        registerStandardMeshFormats(meshes);
    }

    std::string path(const std::string& relative) const { return (root_ / relative).string(); }

    void writeDisk(const std::string& relative, const std::vector<std::uint8_t>& bytes) const {
        fs::create_directories((root_ / relative).parent_path());
        test::writeFile(path(relative), bytes);
    }

    std::shared_ptr<Archive> archiveWith(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries) {
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

    const struct {
        const char* name;
        int vertices;  // 4 plus the copy's extra ones: 6 from the archive, 5 from "second", 7 from "third"
    } rows[] = {{"both.msh", 6}, {"damaged.msh", 5}, {"disk.msh", 5}};
    for (const auto& row : rows) {
        Mesh* mesh = meshes.load(row.name, MeshType::EdgeMesh);  // an edge mesh can only be allocated once
        ASSERT_NE(mesh, nullptr) << row.name;
        EXPECT_EQ(mesh->vertexCount(), row.vertices) << row.name;
        EXPECT_EQ(mesh->triangleCount(), 4) << row.name;
    }

    archive.reset();  // the demo destroys its archive after loading
    MeshManager later;
    registerStandardMeshFormats(later);
    later.addSearchPath(scriptPath("second"));
    Mesh* fromDisk = later.load("both.msh", MeshType::Static);
    ASSERT_NE(fromDisk, nullptr);
    EXPECT_EQ(fromDisk->vertexCount(), 5);
}

TEST_F(MeshManagerTest, ANameIsLoadedOnceAndFoundByNameOrAliasWhateverTypeAsksAgain) {
    writeDisk("obj/tetra.msh", tetraFile());
    meshes.addSearchPath(scriptPath("obj"));
    EXPECT_EQ(meshes.find("tetra.msh"), nullptr);
    Mesh* mesh = meshes.load("tetra.msh", MeshType::Static);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->name(), "tetra.msh");
    EXPECT_EQ(meshes.find("tetra.msh"), mesh);
    // A node asking for an edge mesh of the same name finds the cached plain mesh first.
    EXPECT_EQ(meshes.find("tetra.msh"), mesh);
    EXPECT_EQ(dynamic_cast<EdgeMesh*>(meshes.find("tetra.msh")), nullptr);
    EXPECT_EQ(meshes.find("TETRA.msh"), nullptr);
    mesh->setAlias("pyramid");
    EXPECT_EQ(meshes.find("pyramid"), mesh);
    EXPECT_EQ(meshes.meshes().size(), 1u);
    const std::string log = logText();
    EXPECT_EQ(log, "Loaded Mesh \"tetra.msh\" [4 vertices, 4 tris]\n");

    // Loading the name again directly still gives the caller its own kind, and find keeps the first.
    Mesh* edges = meshes.load("tetra.msh", MeshType::EdgeMesh);
    ASSERT_NE(edges, nullptr);
    EXPECT_NE(edges, mesh);
    EXPECT_NE(dynamic_cast<EdgeMesh*>(edges), nullptr);
    EXPECT_EQ(meshes.find("tetra.msh"), mesh);
}

TEST_F(MeshManagerTest, TheLoaderIsTheOneOfTheFileNamesExtensionAndOtherNamesLoadNothingSilently) {
    for (const char* name : {"obj/tetra", "obj/msh", "obj/my.meshes/ball", "obj/tetra.MSH"})
        writeDisk(name, tetraFile());
    meshes.addSearchPath(scriptPath("obj"));
    const struct {
        const char* name;
        const char* loader;  // the extension of the loader chosen, "" for none
    } rows[] = {
        {"tetra.msh", "msh"},         {"a.b.msh", "msh"},        {"data\\obj\\ship.lwo", "lwo"},
        {"my.meshes/ball.lwo", "lwo"}, {"tetra", ""},            {"msh", ""},
        {"my.meshes/ball", ""},       {"my.meshes\\msh", ""},    {"tetra.MSH", ""},
        {"tetra.3ds", ""},            {"tetra.", ""},
    };
    for (const auto& row : rows) {
        const MeshLoader* loader = meshes.loaderFor(row.name);
        EXPECT_EQ(loader ? std::string(loader->extension()) : "", row.loader) << row.name;
        if (!loader) {
            EXPECT_EQ(meshes.load(row.name, MeshType::Static), nullptr) << row.name;
        }
    }
    EXPECT_EQ(logText(), "");
}

TEST_F(MeshManagerTest, AFailedLoadIsLoggedNotCachedAndTriedAgainLater) {
    meshes.addSearchPath(scriptPath("obj"));
    EXPECT_EQ(meshes.load("late.msh", MeshType::Static), nullptr);
    EXPECT_EQ(logText(), "Loading of mesh \"late.msh\" FAILED\n");
    EXPECT_EQ(meshes.find("late.msh"), nullptr);
    writeDisk("obj/late.msh", tetraFile());
    EXPECT_NE(meshes.load("late.msh", MeshType::Static), nullptr);
}

TEST_F(MeshManagerTest, EachKindDerivesItsTablesAndLogsItsLine) {
    writeDisk("obj/tetra.msh", tetraFile());
    meshes.addSearchPath(scriptPath("obj"));
    meshes.setArchive(archiveWith({{"data/obj/a.msh", tetraFile()}, {"data/obj/b.msh", tetraFile()},
                                   {"data/obj/c.msh", tetraFile()}}));
    auto* edges = dynamic_cast<EdgeMesh*>(meshes.load("a.msh", MeshType::EdgeMesh));
    ASSERT_NE(edges, nullptr);
    EXPECT_TRUE(edges->has(MeshFlags::Edges));
    EXPECT_EQ(edges->edges().size(), 6u);
    EXPECT_FALSE(edges->has(MeshFlags::TangentSpace));

    Mesh* bump = meshes.load("b.msh", MeshType::BumpMap);
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(dynamic_cast<EdgeMesh*>(bump), nullptr);
    EXPECT_TRUE(bump->has(MeshFlags::TangentSpace));
    EXPECT_EQ(bump->tangents().size(), 4u);

    auto* both = dynamic_cast<EdgeMesh*>(meshes.load("c.msh", MeshType::BumpMapEdgeMesh));
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->edges().size(), 6u);
    EXPECT_TRUE(both->has(MeshFlags::TangentSpace));

    const std::string log = logText();
    const std::string ours =
        "Calculate edges for \"a.msh\"\n"
        "Loaded Mesh \"a.msh\" [4 vertices, 4 tris]\n";
    EXPECT_NE(log.find(ours), std::string::npos) << log;
    EXPECT_NE(log.find("Calculate tangents for \"b.msh\"\nLoaded Mesh \"b.msh\" [4 vertices, 4 tris]\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Calculate tangents and edges for \"c.msh\"\nLoaded Mesh \"c.msh\" [4 vertices, 4 tris]\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("not valid"), std::string::npos) << log;
}

TEST_F(MeshManagerTest, ObjectsLoadFromTheArchiveAndFromDisk) {
    test::LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Hull"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}, 0}}))
        .chunk("SURF", test::surfaceChunk("Hull"));
    const std::vector<std::uint8_t> file = test::lwoFile(chunks);
    writeDisk("obj/ship.lwo", file);
    meshes.addSearchPath(scriptPath("obj"));
    Mesh* fromDisk = meshes.load("ship.lwo", MeshType::Static);
    ASSERT_NE(fromDisk, nullptr);
    EXPECT_EQ(fromDisk->triangleCount(), 2);
    ASSERT_EQ(fromDisk->batches().size(), 1u);
    EXPECT_EQ(fromDisk->batches()[0].shader->getName(), "Hull");
    EXPECT_NE(logText().find("\tFile \"" + path("obj/ship.lwo") + "\"\n\t\tVMAD \"uv\" dim 2\n"), std::string::npos)
        << logText();

    meshes.setArchive(archiveWith({{"data/obj/boat.lwo", file}}));
    Mesh* fromArchive = meshes.load("boat.lwo", MeshType::Static);
    ASSERT_NE(fromArchive, nullptr);
    EXPECT_NE(logText().find("\tFile \"buffered\"\n"), std::string::npos);
}

TEST_F(MeshManagerTest, TheWriterIsChosenByExtensionAndClearForgetsEverything) {
    Mesh mesh;
    ASSERT_TRUE(test::fillMesh(mesh, test::kTetraPoints, test::kTetraTriangles));
    EXPECT_TRUE(meshes.save(path("saved.msh"), mesh));
    EXPECT_FALSE(meshes.save(path("saved.obj"), mesh));
    meshes.addSearchPath(scriptPath(""));
    ASSERT_NE(meshes.load("saved.msh", MeshType::Static), nullptr);
    ASSERT_NE(meshes.loaderFor("x.lwo"), nullptr);
    EXPECT_EQ(meshes.loaderFor("x.lwo"), meshes.loaderFor("y.lwo"));
    meshes.clear();
    EXPECT_TRUE(meshes.meshes().empty());
    EXPECT_EQ(meshes.find("saved.msh"), nullptr);
    EXPECT_EQ(meshes.loaderFor("x.msh"), nullptr);
    EXPECT_EQ(meshes.load("saved.msh", MeshType::Static), nullptr);
}

TEST(MeshManagerInstance, ATestsManagerIsCurrentWhileItExists) {
    MeshManager* process = MeshManager::instance();
    ASSERT_NE(process, nullptr);
    {
        MeshManager own;
        EXPECT_EQ(MeshManager::instance(), &own);
    }
    EXPECT_EQ(MeshManager::instance(), process);
}

TEST(MeshTypes, ScriptKeywordsNameTheKinds) {
    EXPECT_EQ(meshTypeFromKeyword("STATIC"), MeshType::Static);
    EXPECT_EQ(meshTypeFromKeyword("EDGEMESH"), MeshType::EdgeMesh);
    EXPECT_EQ(meshTypeFromKeyword("BUMPMAP"), MeshType::BumpMap);
    EXPECT_EQ(meshTypeFromKeyword("BUMPMAP_EDGEMESH"), MeshType::BumpMapEdgeMesh);
    EXPECT_EQ(meshTypeFromKeyword("bumpmap"), MeshType::Static);
    EXPECT_EQ(meshTypeFromKeyword("ANYTHING"), MeshType::Static);
    EXPECT_NE(dynamic_cast<EdgeMesh*>(createMesh(MeshType::BumpMapEdgeMesh).get()), nullptr);
    EXPECT_EQ(dynamic_cast<EdgeMesh*>(createMesh(MeshType::BumpMap).get()), nullptr);
}

}  // namespace
}  // namespace qv3rn
