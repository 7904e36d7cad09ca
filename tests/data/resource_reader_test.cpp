// resource_reader_test.cpp -- Tests of the resource reader: which source each order reads a name from, names as
// scripts write them, the include tracker, and the log line of disk reads.
#include "data/resource_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/log.h"
#include "data/archive.h"
#include "data/archive_writer.h"
#include "support/test_files.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
using Order = Lookup::Order;

std::string readAll(std::istream& in) { return std::string(std::istreambuf_iterator<char>(in), {}); }

// A fresh folder of the test's own, made current: an archive "data.dat" and disk files beside it.
class ResourceReaderTest : public ::testing::Test {
protected:
    static void write(const std::string& path, const std::string& text) {
        if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    void pack(const std::vector<std::pair<std::string, std::string>>& entries) {
        ArchiveWriter writer;
        ASSERT_TRUE(writer.create("data.dat", demoArchivePassword));
        for (const auto& [name, text] : entries)
            ASSERT_TRUE(writer.addData(name, std::vector<std::uint8_t>(text.begin(), text.end())));
        ASSERT_TRUE(writer.commit());
        archive_ = std::make_shared<Archive>();
        ASSERT_TRUE(archive_->open("data.dat", demoArchivePassword));
        reader_.setArchive(archive_);
    }
    // What the reader finds for `name`: "archive:<path>:<text>", "disk:<path>:<text>" or "none".
    std::string found(const std::string& name, const Lookup& lookup = {}, Source after = Source::None) const {
        const Resource resource = reader_.find(name, lookup, after);
        if (!resource) return "none";
        const std::unique_ptr<std::istream> text = resource.text();
        return std::string(resource.inArchive() ? "archive:" : "disk:") + resource.path() + ":" +
               (text ? readAll(*text) : "<unreadable>");
    }

    test::TemporaryFolder folder_;
    std::shared_ptr<Archive> archive_;
    ResourceReader reader_;
};

TEST_F(ResourceReaderTest, EachOrderReadsANameFromItsSourcesAndAClosedOrDestroyedArchiveIsNotAsked) {
    pack({{"data/shader/a.shader", "archive a"},
          {"data/scene/s.gscene", "archive s"},
          {"data/fnt/font.tga", "archive font"},
          {"data/art/both.tga", "archive art"},
          {"data/fnt/both.tga", "archive fnt"}});
    write("data/shader/a.shader", "disk a");
    write("data/shader/b.shader", "disk b");
    fs::create_directories("data/scene");
    gzFile packed = gzopen("data/scene/s.gscene", "wb");  // zlib's own writer, not the stream under test
    ASSERT_NE(packed, nullptr);
    ASSERT_EQ(gzputs(packed, "unpacked s"), 10);
    ASSERT_EQ(gzclose(packed), Z_OK);
    write("obj/second/m.msh", "disk m");
    write("m.msh", "bare m");
    write("loose.tga", "bare loose");
    fs::create_directories("folder.shader");

    const Lookup images{Order::ArchiveThenDisk, {"data/art/", "data/fnt/"}, {"art\\", "fnt\\"}};
    const Lookup meshes{Order::ArchiveThenDisk, {"data/obj/"}, {"obj\\first\\", "obj\\second\\"}};
    const struct {
        const char* name;
        Lookup lookup;
        const char* expected;
        Source after = Source::None;  // where the search goes on after
    } rows[] = {
        // Archive hit, with the script's backslashes; the disk copy is not read.
        {"data\\shader\\a.shader", {}, "archive:data/shader/a.shader:archive a"},
        // Archive miss: the disk.
        {"data\\shader\\b.shader", {}, "disk:data/shader/b.shader:disk b"},
        // Entry names and disk names are case-sensitive.
        {"Data/Shader/a.shader", {}, "none"},
        {"data/shader/missing.shader", {}, "none"},
        // Compressed scripts come from the disk only, through their stream.
        {"data\\scene\\s.gscene", {Order::DiskOnly}, "disk:data/scene/s.gscene:unpacked s"},
        // While an archive is open it alone is asked.
        {"data/shader/a.shader", {Order::ArchiveOrDisk}, "archive:data/shader/a.shader:archive a"},
        {"data/shader/b.shader", {Order::ArchiveOrDisk}, "none"},
        // Archive folders in order, then the disk folders in order, then the bare name.
        {"font.tga", images, "archive:data/fnt/font.tga:archive font"},
        {"both.tga", images, "archive:data/art/both.tga:archive art"},
        {"loose.tga", images, "disk:loose.tga:bare loose"},
        {"m.msh", meshes, "disk:obj/second/m.msh:disk m"},
        // Only regular files: no folder, no device.
        {"folder.shader", {}, "none"},
        {"/dev/zero", {Order::DiskOnly}, "none"},
        // After the archive comes the disk, after the disk nothing; with the archive alone, nothing after it.
        {"data/shader/a.shader", {}, "disk:data/shader/a.shader:disk a", Source::Archive},
        {"data/shader/a.shader", {}, "none", Source::Disk},
        {"data/shader/a.shader", {Order::ArchiveOrDisk}, "none", Source::Archive},
    };
    for (const auto& row : rows) EXPECT_EQ(found(row.name, row.lookup, row.after), row.expected) << row.name;

    // A closed or destroyed archive is not asked.
    archive_->close();
    EXPECT_EQ(found("data/shader/b.shader", {Order::ArchiveOrDisk}), "disk:data/shader/b.shader:disk b");
    ASSERT_TRUE(archive_->open("data.dat", demoArchivePassword));
    archive_.reset();  // the demo destroys its archive at the end of loading
    EXPECT_EQ(found("data/shader/b.shader", {Order::ArchiveOrDisk}), "disk:data/shader/b.shader:disk b");
}

TEST_F(ResourceReaderTest, DiskReadsAreLoggedWhenTheFormatAsksForIt) {
    pack({{"in.scene", "x"}});
    write("out.scene", "y");
    Log log;
    ASSERT_TRUE(log.open("reader.log"));
    EXPECT_TRUE(reader_.find("out.scene"));  // no line without a format
    reader_.setDiskLog("Loading \"%s\"");
    EXPECT_TRUE(reader_.find("in.scene"));
    EXPECT_TRUE(reader_.find("out.scene"));
    EXPECT_FALSE(reader_.find("gone.scene"));
    log.close();
    EXPECT_EQ(test::readFile("reader.log"),
              "unable to read file from archive: out.scene\n"
              "reading file from archive: in.scene\n"
              "unable to read file from archive: out.scene\n"
              "Loading \"out.scene\"\n"
              "unable to read file from archive: gone.scene\n");
}

TEST(ResourceNames, BackslashesAreSlashesAndTheExtensionIsTheFileNames) {
    EXPECT_EQ(resourceName("data\\obj\\X.msh"), "data/obj/X.msh");
    EXPECT_EQ(resourceName("/lead\\"), "/lead/");
    const struct {
        const char* path;
        const char* extension;
    } rows[] = {{"data\\shader\\demo.gshader", "gshader"}, {"a.b.msh", "msh"},     {"noextension", ""},
                {"my.meshes/ball", ""},                    {"my.meshes\\ball", ""}, {"ends.", ""},
                {"capitals.GSHADER", "GSHADER"}};
    for (const auto& row : rows) EXPECT_EQ(fileExtension(row.path), row.extension) << row.path;
}

TEST(IncludeTracker, RefusesAnOpenScriptInAnySpellingAndTooDeepANestingWithTheChain) {
    IncludeTracker tracker;
    {
        const IncludeTracker::Open outer(tracker, "data\\a.shader");
        const IncludeTracker::Open inner(tracker, "b.shader");
        const struct {
            const char* name;
            IncludeTracker::Refusal refusal;
        } rows[] = {{"data/a.shader", IncludeTracker::Refusal::Circular},
                    {"./data\\a.shader", IncludeTracker::Refusal::Circular},
                    {"data/x/../a.shader", IncludeTracker::Refusal::Circular},
                    {"b.shader", IncludeTracker::Refusal::Circular},
                    {"data/A.shader", IncludeTracker::Refusal::None},
                    {"c.shader", IncludeTracker::Refusal::None}};
        for (const auto& row : rows) EXPECT_EQ(tracker.refusal(row.name), row.refusal) << row.name;
        EXPECT_EQ(tracker.chain("./data/a.shader"), "data\\a.shader -> b.shader -> ./data/a.shader");
    }
    EXPECT_EQ(tracker.depth(), 0);
    EXPECT_EQ(tracker.chain("a"), "a");

    std::vector<std::unique_ptr<IncludeTracker::Open>> nested;
    for (int i = 1; i < IncludeTracker::maxDepth; ++i)
        nested.push_back(std::make_unique<IncludeTracker::Open>(tracker, std::to_string(i)));
    EXPECT_EQ(tracker.refusal("last"), IncludeTracker::Refusal::None);
    nested.push_back(std::make_unique<IncludeTracker::Open>(tracker, "last"));
    EXPECT_EQ(tracker.refusal("more"), IncludeTracker::Refusal::TooDeep);
    EXPECT_EQ(tracker.refusal("1"), IncludeTracker::Refusal::Circular);
}

}  // namespace
}  // namespace qv3rn
