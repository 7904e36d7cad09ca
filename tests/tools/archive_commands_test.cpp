// Tests of "qv3rn-tool pack", "list" and "extract", run as the program itself, against Info-ZIP unzip and the engine.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/resource_reader.h"
#include "tool_test.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using test::ToolRun;

class ArchiveCommandsTest : public test::ToolTest {
protected:
    ArchiveCommandsTest() : ToolTest("") {}
    void SetUp() override {
        ToolTest::SetUp();
        // Created out of name order, with nesting, an empty file, binary bytes and a space in a name.
        content_ = {{"data/shader/demo.shader", "Shader {\r\n\tName \"glow\"\r\n}\r\n"},
                    {"data/art/demo_loading.jpg", std::string("\xff\xd8\xff\xe0\0\x10JFIF\0", 11) + std::string(5000, '\x7f')},
                    {"data/effect/demo.effect", ""},
                    {"data/obj/big mesh.msh", std::string(300000, 'm')},
                    {"readme.txt", "top level\n"}};
        for (const auto& [name, bytes] : content_) write(root_ / "content" / name, bytes);
    }

    static void write(const fs::path& path, const std::string& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string path(const std::string& name) const { return quoted((root_ / name).string()); }

    // Every regular file below `folder`, by its relative name.
    static std::map<std::string, std::string> tree(const fs::path& folder) {
        std::map<std::string, std::string> files;
        for (const auto& item : fs::recursive_directory_iterator(folder))
            if (item.is_regular_file()) files[item.path().lexically_relative(folder).generic_string()] = readText(item.path());
        return files;
    }

    std::map<std::string, std::string> content_;
};

TEST_F(ArchiveCommandsTest, PackedArchiveIsReadByUnzipAndByTheEngine) {
    if (!fs::exists("/usr/bin/unzip")) GTEST_SKIP() << "Info-ZIP unzip is not installed";
    const ToolRun pack = tool("pack " + path("content") + " " + path("data.dat"));
    ASSERT_EQ(pack.status, 0) << pack.err;
    std::size_t total = 0;
    for (const auto& [name, bytes] : content_) total += bytes.size();
    EXPECT_NE(pack.out.find("5 files, " + std::to_string(total) + " bytes"), std::string::npos) << pack.out;

    const ToolRun names = shell("/usr/bin/unzip -Z1 " + path("data.dat"));
    ASSERT_EQ(names.status, 0) << names.err;
    EXPECT_EQ(names.out,
              "data/art/demo_loading.jpg\ndata/effect/demo.effect\ndata/obj/big mesh.msh\n"
              "data/shader/demo.shader\nreadme.txt\n");

    const ToolRun unzip = shell("/usr/bin/unzip -q -P wolmz352 " + path("data.dat") + " -d " + path("unzipped"));
    ASSERT_EQ(unzip.status, 0) << unzip.out << unzip.err;
    EXPECT_EQ(tree(root_ / "unzipped"), tree(root_ / "content"));
    EXPECT_NE(shell("/usr/bin/unzip -t -P wolmz353 " + path("data.dat")).status, 0);

    Archive archive;
    ASSERT_TRUE(archive.open((root_ / "data.dat").string(), demoArchivePassword));
    for (const auto& [name, bytes] : content_) {
        Bytes data;
        ASSERT_TRUE(archive.readFile(resourceName(name), data)) << name;
        EXPECT_EQ(std::string(data.begin(), data.end()), bytes) << name;
    }
}

TEST_F(ArchiveCommandsTest, EveryEntryIsDeflatedAndEncrypted) {
    ASSERT_EQ(tool("pack " + path("content") + " " + path("data.dat")).status, 0);
    const std::string zip = readText(root_ / "data.dat");
    int records = 0;
    for (std::size_t at = zip.find("PK\1\2"); at != std::string::npos; at = zip.find("PK\1\2", at + 1), ++records) {
        std::uint16_t flags = 0, method = 0;
        std::memcpy(&flags, zip.data() + at + 8, 2);
        std::memcpy(&method, zip.data() + at + 10, 2);
        EXPECT_EQ(flags & 1, 1) << "record " << records << " is not encrypted";
        EXPECT_EQ(method, 8) << "record " << records << " is not deflated";
    }
    EXPECT_EQ(records, 5);
}

TEST_F(ArchiveCommandsTest, ListChecksEveryEntryWithThePassword) {
    ASSERT_EQ(tool("pack " + path("content") + " " + path("own.dat") + " --password s3cret").status, 0);
    const ToolRun good = tool("list --password s3cret " + path("own.dat"));
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("data/obj/big mesh.msh"), std::string::npos);
    EXPECT_NE(good.out.find("5 entries, 0 failed"), std::string::npos) << good.out;

    const ToolRun wrong = tool("list " + path("own.dat"));  // the demo's password
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.out.find("5 entries, 5 failed"), std::string::npos) << wrong.out;
    EXPECT_NE(wrong.err.find("own.dat"), std::string::npos) << wrong.err;
}

TEST_F(ArchiveCommandsTest, ExtractRestoresTheFolder) {
    ASSERT_EQ(tool("pack " + path("content") + " " + path("data.dat")).status, 0);
    const ToolRun extract = tool("extract " + path("data.dat") + " " + path("out/nested"));
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(tree(root_ / "out/nested"), tree(root_ / "content"));

    const ToolRun wrong = tool("extract " + path("data.dat") + " " + path("wrong") + " --password nope");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("Wrong password"), std::string::npos) << wrong.err;
}

TEST_F(ArchiveCommandsTest, ExtractRefusesNamesThatEscapeTheFolderAndWritesNothing) {
    const std::string absolute = (root_ / "absolute.txt").string();
    for (const std::string& evil : {std::string("../escaped.txt"), std::string("a/../../escaped.txt"), absolute,
                                    std::string("dir\\..\\..\\escaped.txt"), std::string("C:/escaped.txt")}) {
        ArchiveWriter writer;
        ASSERT_TRUE(writer.create((root_ / "evil.zip").string(), demoArchivePassword));
        ASSERT_TRUE(writer.addData("good.txt", Bytes{'g'}));
        ASSERT_TRUE(writer.addData(evil, Bytes{'e'}));
        ASSERT_TRUE(writer.commit());

        const ToolRun extract = tool("extract " + path("evil.zip") + " " + path("target/inner"));
        EXPECT_EQ(extract.status, 1) << evil;
        EXPECT_NE(extract.err.find("refusing"), std::string::npos) << extract.err;
        EXPECT_FALSE(fs::exists(root_ / "target")) << evil;
        EXPECT_FALSE(fs::exists(root_ / "target/escaped.txt"));
        EXPECT_FALSE(fs::exists(root_ / "escaped.txt"));
        EXPECT_FALSE(fs::exists(absolute));
    }
}

TEST_F(ArchiveCommandsTest, PackOrderIsSortedAndTheSameEveryTime) {
    write(root_ / "content/B.txt", "upper case sorts first");
    ASSERT_EQ(tool("pack " + path("content") + " " + path("one.dat")).status, 0);
    ASSERT_EQ(tool("pack " + path("content") + " " + path("two.dat")).status, 0);
    std::vector<std::string> first, second;
    Archive archive;
    ASSERT_TRUE(archive.open((root_ / "one.dat").string(), demoArchivePassword));
    for (const ArchiveEntry& entry : archive.entries()) first.push_back(entry.name);
    ASSERT_TRUE(archive.open((root_ / "two.dat").string(), demoArchivePassword));
    for (const ArchiveEntry& entry : archive.entries()) second.push_back(entry.name);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, (std::vector<std::string>{"B.txt", "data/art/demo_loading.jpg", "data/effect/demo.effect",
                                               "data/obj/big mesh.msh", "data/shader/demo.shader", "readme.txt"}));
}

TEST_F(ArchiveCommandsTest, ContentErrorsExitWithOneAndNameTheFile) {
    ToolRun run = tool("pack " + path("missing") + " " + path("x.dat"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(root_ / "x.dat"));

    write(root_ / "not.zip", "plain text, not an archive");
    run = tool("list " + path("not.zip"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("not.zip"), std::string::npos) << run.err;

    run = tool("extract " + path("absent.dat") + " " + path("out"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("absent.dat"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(root_ / "out"));
}

TEST_F(ArchiveCommandsTest, UsageErrorsExitWithTwo) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"pack", "pack <folder> <archive>"},
        {"pack " + path("content"), "missing arguments"},
        {"pack a b c", "too many arguments"},
        {"pack a b --password", "needs a value"},
        {"pack a b --password ''", "must not be empty"},
        {"pack a b --level 9", "unknown option --level"},
        {"list", "list <archive>"},
        {"extract " + path("data.dat"), "extract <archive> <folder>"},
    };
    for (const auto& [arguments, message] : cases) {
        const ToolRun run = tool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.err.find(message), std::string::npos) << arguments << ": " << run.err;
    }
    EXPECT_FALSE(fs::exists("a"));
}

}  // namespace
}  // namespace qv3rn
