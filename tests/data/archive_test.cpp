// The data archive (packing, reading, logging, damage) and the resource reader.
#include "data/archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/log.h"
#include "data/archive_writer.h"
#include "data/resource_reader.h"
#include "support/test_files.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::readFile;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Text that deflates well but is not trivially repetitive.
Bytes scriptText(std::size_t size) {
    std::string text;
    for (unsigned seed = 7; text.size() < size;) {
        seed = seed * 1103515245u + 12345u;
        text += "Position " + std::to_string(seed % 1000) + ".5 0.25 " + std::to_string(seed % 77) + "\n";
    }
    return bytesOf(text.substr(0, size));
}

// A content folder packed into "data.dat" with the demo's password, in a fresh folder of the test's own.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, bytes] : files) {
            fs::create_directories(fs::path("content/" + name).parent_path());
            std::ofstream("content/" + name, std::ios::binary) << std::string(bytes.begin(), bytes.end());
        }
    }
    void pack(const std::string& password = demoArchivePassword, const std::string& path = "data.dat") {
        std::vector<PackedFile> packed;
        std::string error;
        ASSERT_TRUE(packFolder("content", path, password, packed, error)) << error;
    }
    // Overwrites a 32-bit field of the directory record of `name` (20: compressed size, 24: uncompressed size).
    static void patchDirectory(const std::string& name, std::size_t offset, std::uint32_t value) {
        std::string zip = readFile("data.dat");
        for (std::size_t at = zip.find("PK\1\2"); at != std::string::npos; at = zip.find("PK\1\2", at + 1)) {
            std::uint16_t nameLength = 0;
            std::memcpy(&nameLength, zip.data() + at + 28, 2);
            if (zip.compare(at + 46, nameLength, name) == 0) std::memcpy(zip.data() + at + offset, &value, 4);
        }
        std::ofstream("data.dat", std::ios::binary) << zip;
    }

    test::TemporaryFolder folder;
    const std::vector<std::pair<std::string, Bytes>> files = {{"data/art/empty.tga", {}},
                                                              {"data/fnt/font.png", {0x89, 'P', 'N', 'G', 0, 0xff}},
                                                              {"data/obj/x.msh", scriptText(70000)},
                                                              {"data/shader/demo.shader", bytesOf("Shader {\n}\n")}};
};

TEST_F(ArchiveTest, PackedEntriesReadBackExactlyFromFileOrMemoryAndAreListedSorted) {
    pack();
    Archive archive;
    ASSERT_TRUE(archive.open("data.dat", demoArchivePassword));
    const std::string zip = readFile("data.dat");
    Archive memory;
    ASSERT_TRUE(memory.openBuffer(zip.data(), zip.size(), "memory", demoArchivePassword));
    for (Archive* each : {&archive, &memory, &archive}) {  // the first archive twice: reading again reads the same
        for (const auto& [name, bytes] : files) {
            Bytes data{1, 2, 3};  // stale content must not survive
            ASSERT_TRUE(each->readFile(name, data)) << name << ": " << each->lastError();
            EXPECT_EQ(data, bytes) << name;
        }
    }
    EXPECT_FALSE(memory.openBuffer(zip.data(), 100, "memory", demoArchivePassword));

    const std::vector<ArchiveEntry> entries = archive.entries();
    ASSERT_EQ(entries.size(), files.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, files[i].first);
        EXPECT_EQ(entries[i].size, files[i].second.size());
    }

    // Backslashes are slashes; otherwise names match exactly.
    Bytes data;
    for (const char* name : {"data\\obj\\x.msh", "data\\obj/x.msh"}) {
        ASSERT_TRUE(archive.readFile(name, data));
        EXPECT_EQ(data, files[2].second);
    }
    const std::string missing[] = {"Data/Obj/x.msh", "/data/obj/x.msh", std::string("data/obj/x.msh\0tail", 19)};
    for (const std::string& name : missing) EXPECT_FALSE(archive.readFile(name, data)) << name;
    EXPECT_TRUE(data.empty());
}

TEST_F(ArchiveTest, LogsOpeningReadingMissingEntriesAndClosingButNoLineOfItsOwnForAWrongPassword) {
    pack();
    Log log;
    ASSERT_TRUE(log.open("archive.log"));
    Bytes data;
    {
        Archive archive;
        ASSERT_TRUE(archive.open("data.dat", demoArchivePassword));
        EXPECT_TRUE(archive.readFile("data\\shader\\demo.shader", data));
        EXPECT_FALSE(archive.readFile("data\\shader\\missing.shader", data));
        ASSERT_TRUE(archive.open("data.dat", "wolmz353"));  // reopening closes; the password is tried on entries
        EXPECT_FALSE(archive.readFile("data/obj/x.msh", data));
        EXPECT_TRUE(data.empty());
    }
    log.close();
    EXPECT_EQ(readFile("archive.log"),
              "Opening archive data.dat\nreading file from archive: data/shader/demo.shader\n"
              "unable to read file from archive: data/shader/missing.shader\nClosed archive\n"
              "Opening archive data.dat\nreading file from archive: data/obj/x.msh\nClosed archive\n");
}

TEST_F(ArchiveTest, DamagedArchivesFailToOpenAndDamagedEntriesFailWhileOthersStillRead) {
    pack();
    const std::string zip = readFile("data.dat");
    for (const std::string& bytes : {std::string("this is not a zip file at all\n"), zip.substr(0, zip.size() - 10)}) {
        std::ofstream("damaged.dat", std::ios::binary) << bytes;
        Archive archive;
        EXPECT_FALSE(archive.open("damaged.dat", demoArchivePassword)) << bytes.size();
        EXPECT_FALSE(archive.lastError().empty());
    }
    const std::function<void()> damages[] = {
        [&] {
            std::string changed = zip;
            for (std::size_t i = 0; i < 64; ++i) changed[changed.find("data/obj/x.msh") + 2000 + i] ^= 0x5a;
            std::ofstream("data.dat", std::ios::binary) << changed;
        },
        [] { patchDirectory("data/obj/x.msh", 24, 70000 - 1); },  // inflates to more than claimed
        [] { patchDirectory("data/obj/x.msh", 24, 0xfffffff0u); },  // a near 4 GiB claim must not be allocated
        [] { patchDirectory("data/obj/x.msh", 20, 0x7fffffffu); },  // compressed data larger than the archive
    };
    for (const auto& damage : damages) {
        std::ofstream("data.dat", std::ios::binary) << zip;
        damage();
        Archive archive;
        ASSERT_TRUE(archive.open("data.dat", demoArchivePassword));
        Bytes data;
        EXPECT_FALSE(archive.readFile("data/obj/x.msh", data)) << &damage - damages;
        EXPECT_TRUE(data.empty());
        EXPECT_TRUE(archive.readFile("data/shader/demo.shader", data));
        EXPECT_EQ(data, files[3].second);
    }
}

TEST_F(ArchiveTest, HighlyCompressedEntriesLargerThanTheirFirstBufferReadWhole) {
    Bytes zeros(9 * 1024 * 1024 + 17, 0);  // deflates about 1000 to 1: read through a growing buffer
    zeros[123456] = 1;
    zeros.back() = 2;
    ArchiveWriter writer;
    ASSERT_TRUE(writer.create("data.dat", demoArchivePassword));
    ASSERT_TRUE(writer.addData("data/obj/zeros.msh", zeros));
    ASSERT_TRUE(writer.commit());
    Archive archive;
    ASSERT_TRUE(archive.open("data.dat", demoArchivePassword));
    ASSERT_LT(archive.entries().at(0).compressedSize, 64u * 1024);
    Bytes data;
    ASSERT_TRUE(archive.readFile("data/obj/zeros.msh", data)) << archive.lastError();
    EXPECT_TRUE(data == zeros);
}

TEST_F(ArchiveTest, PackingSkipsTheArchiveItselfAndFailsForMissingFoldersAndUnstorableNames) {
    std::ofstream("content/data.dat") << "an older archive";
    std::vector<PackedFile> packed;
    std::string error;
    ASSERT_TRUE(packFolder("content", "content/data.dat", demoArchivePassword, packed, error)) << error;
    ASSERT_EQ(packed.size(), files.size());
    Archive archive;
    ASSERT_TRUE(archive.open("content/data.dat", demoArchivePassword));
    EXPECT_EQ(archive.entries().size(), files.size());

    EXPECT_FALSE(packFolder("nowhere", "data.dat", demoArchivePassword, packed, error));
    EXPECT_NE(error.find("nowhere"), std::string::npos);
    std::ofstream("content/data\\art\\windows.tga") << "x";
    EXPECT_FALSE(packFolder("content", "data.dat", demoArchivePassword, packed, error));
    EXPECT_NE(error.find("windows.tga"), std::string::npos);
    EXPECT_FALSE(fs::exists("data.dat"));
}

TEST(EntryNames, SafeNamesStayInsideTheirFolder) {
    for (const char* name : {"a", "data/obj/x.msh", "data/", ".hidden", "a..b/c", "abc:d"})
        EXPECT_TRUE(isSafeEntryName(name)) << name;
    for (const char* name : {"", "/etc/passwd", "../x", "a/../../x", "a/..", "./a", "a//b", "a\\b", "C:/x", "c:x"})
        EXPECT_FALSE(isSafeEntryName(name)) << name;
    EXPECT_FALSE(isSafeEntryName(std::string("a\0b", 3)));
}

using Order = Lookup::Order;

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
               (text ? std::string(std::istreambuf_iterator<char>(*text), {}) : "<unreadable>");
    }

    test::TemporaryFolder folder_;
    std::shared_ptr<Archive> archive_;
    ResourceReader reader_;
};

TEST_F(ResourceReaderTest, EachOrderReadsANameFromItsSourcesAndADestroyedArchiveIsNotAsked) {
    pack({{"data/shader/a.shader", "archive a"}, {"data/scene/s.gscene", "archive s"},
          {"data/fnt/font.tga", "archive font"}});
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
    // after: where the search goes on after
    const struct { const char* name; Lookup lookup; const char* expected; Source after = Source::None; } rows[] = {
        {"data\\shader\\a.shader", {}, "archive:data/shader/a.shader:archive a"},
        {"data\\shader\\b.shader", {}, "disk:data/shader/b.shader:disk b"},
        {"Data/Shader/a.shader", {}, "none"},
        // Compressed scripts come from the disk only, through their stream.
        {"data\\scene\\s.gscene", {Order::DiskOnly}, "disk:data/scene/s.gscene:unpacked s"},
        // While an archive is open it alone is asked.
        {"data/shader/a.shader", {Order::ArchiveOrDisk}, "archive:data/shader/a.shader:archive a"},
        {"data/shader/b.shader", {Order::ArchiveOrDisk}, "none"},
        // Archive folders in order, then the disk folders in order, then the bare name.
        {"font.tga", images, "archive:data/fnt/font.tga:archive font"},
        {"loose.tga", images, "disk:loose.tga:bare loose"},
        {"m.msh", meshes, "disk:obj/second/m.msh:disk m"},
        {"folder.shader", {}, "none"},
        {"/dev/zero", {Order::DiskOnly}, "none"},
        // After the archive comes the disk, after the disk nothing; with the archive alone, nothing after it.
        {"data/shader/a.shader", {}, "disk:data/shader/a.shader:disk a", Source::Archive},
        {"data/shader/a.shader", {Order::ArchiveOrDisk}, "none", Source::Archive},
    };
    for (const auto& row : rows) EXPECT_EQ(found(row.name, row.lookup, row.after), row.expected) << row.name;

    archive_.reset();  // the demo destroys its archive at the end of loading
    EXPECT_EQ(found("data/shader/b.shader", {Order::ArchiveOrDisk}), "disk:data/shader/b.shader:disk b");
}

TEST(ResourceNames, BackslashesAreSlashesAndTheExtensionIsTheFileNames) {
    EXPECT_EQ(resourceName("data\\obj\\X.msh"), "data/obj/X.msh");
    const std::pair<const char*, const char*> rows[] = {
        {"a.b.msh", "msh"}, {"noextension", ""}, {"my.meshes\\ball", ""}, {"ends.", ""}, {"capitals.GSHADER", "GSHADER"}};
    for (const auto& [path, extension] : rows) EXPECT_EQ(fileExtension(path), extension) << path;
}

TEST(IncludeTracker, RefusesAnOpenScriptInAnySpellingAndTooDeepANestingWithTheChain) {
    IncludeTracker tracker;
    {
        const IncludeTracker::Open outer(tracker, "data\\a.shader");
        const IncludeTracker::Open inner(tracker, "b.shader");
        using enum IncludeTracker::Refusal;
        const std::pair<const char*, IncludeTracker::Refusal> rows[] = {
            {"data/a.shader", Circular}, {"./data\\a.shader", Circular}, {"data/x/../a.shader", Circular},
            {"b.shader", Circular},      {"data/A.shader", None},        {"c.shader", None}};
        for (const auto& [name, refusal] : rows) EXPECT_EQ(tracker.refusal(name), refusal) << name;
        EXPECT_EQ(tracker.chain("./data/a.shader"), "data\\a.shader -> b.shader -> ./data/a.shader");
    }
    EXPECT_EQ(tracker.depth(), 0);

    std::vector<std::unique_ptr<IncludeTracker::Open>> nested;
    for (int i = 1; i < IncludeTracker::maxDepth; ++i)
        nested.push_back(std::make_unique<IncludeTracker::Open>(tracker, std::to_string(i)));
    EXPECT_EQ(tracker.refusal("last"), IncludeTracker::Refusal::None);
    nested.push_back(std::make_unique<IncludeTracker::Open>(tracker, "last"));
    EXPECT_EQ(tracker.refusal("more"), IncludeTracker::Refusal::TooDeep);
}

}  // namespace
}  // namespace qv3rn
