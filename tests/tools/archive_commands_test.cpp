// archive_commands_test.cpp -- "qv3rn-tool pack", "list" and "extract", against Info-ZIP unzip and the engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/resource_reader.h"
#include "tool_test.h"

namespace qv3rn::test {
namespace {

namespace fs = std::filesystem;

struct ArchiveCommandsTest : ToolTest {
    ArchiveCommandsTest() : ToolTest("") {}
    void SetUp() override {
        ToolTest::SetUp();
        // Nesting, an empty file, binary bytes, a space in a name and an upper-case name, which sorts first.
        content_ = {
            {"data/shader/demo.shader", "Shader {\r\n\tName \"glow\"\r\n}\r\n"},
            {"data/art/demo_loading.jpg", std::string("\xff\xd8\xff\xe0\0\x10JFIF\0", 11) + std::string(5000, '\x7f')},
            {"data/effect/demo.effect", ""}, {"data/obj/big mesh.msh", std::string(300000, 'm')},
            {"readme.txt", "top level\n"},
            {"B.txt", "upper case"}};
        for (const auto& [name, bytes] : content_) file("content/" + name, bytes);
    }
    std::string path(const std::string& name) const { return quoted((root_ / name).string()); }

    // Every regular file below `folder`, by its relative name.
    static std::map<std::string, std::string> tree(const fs::path& folder) {
        std::map<std::string, std::string> files;
        for (const auto& item : fs::recursive_directory_iterator(folder))
            if (item.is_regular_file())
                files[item.path().lexically_relative(folder).generic_string()] = readText(item.path());
        return files;
    }

    std::map<std::string, std::string> content_;
};

TEST_F(ArchiveCommandsTest, PackWritesSortedEncryptedEntriesThatUnzipAndTheEngineRead) {
    const ToolRun pack = tool("pack " + path("content") + " " + path("data.dat"));
    ASSERT_EQ(pack.status, 0) << pack.err;
    std::size_t total = 0;
    for (const auto& [name, bytes] : content_) total += bytes.size();
    EXPECT_NE(pack.out.find("6 files, " + std::to_string(total) + " bytes"), std::string::npos) << pack.out;

    Archive archive;
    ASSERT_TRUE(archive.open((root_ / "data.dat").string(), demoArchivePassword));
    std::vector<std::string> names;
    for (const ArchiveEntry& entry : archive.entries()) names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B.txt", "data/art/demo_loading.jpg", "data/effect/demo.effect",
                                               "data/obj/big mesh.msh", "data/shader/demo.shader", "readme.txt"}));
    for (const auto& [name, bytes] : content_) {
        std::vector<std::uint8_t> data;
        ASSERT_TRUE(archive.readFile(resourceName(name), data)) << name;
        EXPECT_EQ(std::string(data.begin(), data.end()), bytes) << name;
    }

    if (!fs::exists("/usr/bin/unzip")) return;  // Info-ZIP unzip is not installed
    const ToolRun unzip = shell("/usr/bin/unzip -q -P wolmz352 " + path("data.dat") + " -d " + path("unzipped"));
    ASSERT_EQ(unzip.status, 0) << unzip.out << unzip.err;
    EXPECT_EQ(tree(root_ / "unzipped"), tree(root_ / "content"));
    EXPECT_NE(shell("/usr/bin/unzip -t -P wolmz353 " + path("data.dat")).status, 0);
}

TEST_F(ArchiveCommandsTest, ListAndExtractUseThePasswordAndExtractRestoresTheFolder) {
    ASSERT_EQ(tool("pack " + path("content") + " " + path("own.dat") + " --password s3cret").status, 0);
    const ToolRun good = tool("list --password s3cret " + path("own.dat"));
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("data/obj/big mesh.msh"), std::string::npos);
    EXPECT_NE(good.out.find("6 entries, 0 failed"), std::string::npos) << good.out;

    const ToolRun wrong = tool("list " + path("own.dat"));  // the demo's password
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.out.find("6 entries, 6 failed"), std::string::npos) << wrong.out;
    EXPECT_NE(wrong.err.find("own.dat"), std::string::npos) << wrong.err;

    const ToolRun extract = tool("extract --password s3cret " + path("own.dat") + " " + path("out/nested"));
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(tree(root_ / "out/nested"), tree(root_ / "content"));
}

TEST_F(ArchiveCommandsTest, ExtractRefusesNamesThatEscapeTheFolderAndWritesNothing) {
    const std::string absolute = (root_ / "absolute.txt").string();
    for (const std::string& evil : {std::string("../escaped.txt"), std::string("a/../../escaped.txt"), absolute,
                                    std::string("dir\\..\\..\\escaped.txt"), std::string("C:/escaped.txt")}) {
        ArchiveWriter writer;
        ASSERT_TRUE(writer.create((root_ / "evil.zip").string(), demoArchivePassword));
        ASSERT_TRUE(writer.addData("good.txt", std::vector<std::uint8_t>{'g'}));
        ASSERT_TRUE(writer.addData(evil, std::vector<std::uint8_t>{'e'}));
        ASSERT_TRUE(writer.commit());

        const ToolRun extract = tool("extract " + path("evil.zip") + " " + path("target/inner"));
        EXPECT_EQ(extract.status, 1) << evil;
        EXPECT_NE(extract.err.find("refusing"), std::string::npos) << extract.err;
        EXPECT_FALSE(fs::exists(root_ / "target")) << evil;
        EXPECT_FALSE(fs::exists(root_ / "escaped.txt"));
        EXPECT_FALSE(fs::exists(absolute));
    }
}

}  // namespace
}  // namespace qv3rn::test
