// Tests of the data archive: packing a folder, reading entries back, and every way an archive or entry can fail.
#include "data/archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "data/archive_writer.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Text that deflates well but is not trivially repetitive.
Bytes scriptText(std::size_t size) {
    Bytes bytes;
    unsigned seed = 7;
    while (bytes.size() < size) {
        seed = seed * 1103515245u + 12345u;
        const std::string line = "Position " + std::to_string(seed % 1000) + ".5 0.25 " + std::to_string(seed % 77) + "\n";
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    bytes.resize(size);
    return bytes;
}

// A content folder packed into an archive with the demo's password, in a folder of the test's own.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path("archive") / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root_);
        content_ = root_ / "content";
        files_ = {{"data/shader/demo.shader", bytesOf("Shader {\n\tName \"x\"\n}\n")},
                  {"data/obj/x.msh", scriptText(70000)},
                  {"data/art/empty.tga", {}},
                  {"data/fnt/font.png", Bytes{0x89, 'P', 'N', 'G', 0, 0xff, 0x10}}};
        for (const auto& [name, bytes] : files_) writeFile(content_ / name, bytes);
        archivePath_ = (root_ / "data.dat").string();
    }

    void pack(const std::string& password = demoArchivePassword) {
        std::vector<PackedFile> packed;
        std::string error;
        ASSERT_TRUE(packFolder(content_.string(), archivePath_, password, packed, error)) << error;
    }

    // The byte offset of the central directory record of `name`.
    static std::size_t centralRecord(const std::string& zip, const std::string& name) {
        for (std::size_t at = zip.find("PK\1\2"); at != std::string::npos; at = zip.find("PK\1\2", at + 1)) {
            std::uint16_t nameLength = 0;
            std::memcpy(&nameLength, zip.data() + at + 28, 2);
            if (zip.compare(at + 46, nameLength, name) == 0) return at;
        }
        ADD_FAILURE() << "no directory record for " << name;
        return 0;
    }

    // Overwrites a 32-bit field of the directory record of `name` (20: compressed size, 24: uncompressed size).
    void patchDirectory(const std::string& name, std::size_t offset, std::uint32_t value) {
        std::string zip = readText(archivePath_);
        const std::size_t record = centralRecord(zip, name);
        std::memcpy(zip.data() + record + offset, &value, 4);
        std::ofstream(archivePath_, std::ios::binary) << zip;
    }

    fs::path root_, content_;
    std::string archivePath_;
    std::vector<std::pair<std::string, Bytes>> files_;
};

TEST_F(ArchiveTest, PackedEntriesReadBackExactly) {
    pack();
    Archive archive;
    ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
    for (const auto& [name, bytes] : files_) {
        Bytes data{1, 2, 3};  // stale content must not survive
        ASSERT_TRUE(archive.readFile(name, data)) << name << ": " << archive.lastError();
        EXPECT_EQ(data, bytes) << name;
    }
    // Reading twice gives the same bytes again.
    Bytes again;
    ASSERT_TRUE(archive.readFile("data/obj/x.msh", again));
    EXPECT_EQ(again, files_[1].second);
}

TEST_F(ArchiveTest, ZeroLengthEntryYieldsAnEmptyBuffer) {
    pack();
    Archive archive;
    ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
    Bytes data{42};
    EXPECT_TRUE(archive.readFile("data/art/empty.tga", data));
    EXPECT_TRUE(data.empty());
}

TEST_F(ArchiveTest, EntryNamesTakeBackslashesAsSlashesAndOtherwiseMatchExactly) {
    pack();
    Archive archive;
    ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
    Bytes slash, backslash, mixed, data;
    ASSERT_TRUE(archive.readFile("data/obj/x.msh", slash));
    ASSERT_TRUE(archive.readFile("data\\obj\\x.msh", backslash));
    ASSERT_TRUE(archive.readFile("data\\obj/x.msh", mixed));
    EXPECT_EQ(slash, backslash);
    EXPECT_EQ(slash, mixed);

    EXPECT_FALSE(archive.readFile("Data/Obj/x.msh", data));
    EXPECT_FALSE(archive.readFile("/data/obj/x.msh", data));
    EXPECT_FALSE(archive.readFile("data/obj/x.ms", data));
    EXPECT_FALSE(archive.readFile("obj/x.msh", data));
    EXPECT_FALSE(archive.readFile(std::string("data/obj/x.msh\0tail", 19), data));
    EXPECT_TRUE(data.empty());
}

TEST_F(ArchiveTest, LogsOpeningReadingMissingEntriesAndClosing) {
    pack();
    Log log;
    ASSERT_TRUE(log.open((root_ / "archive.log").string()));
    {
        Archive archive;
        ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
        Bytes data;
        EXPECT_TRUE(archive.readFile("data\\shader\\demo.shader", data));
        EXPECT_FALSE(archive.readFile("data\\shader\\missing.shader", data));
    }  // the destructor closes
    log.close();
    EXPECT_EQ(readText(root_ / "archive.log"),
              "Opening archive " + archivePath_ +
                  "\n"
                  "reading file from archive: data/shader/demo.shader\n"
                  "unable to read file from archive: data/shader/missing.shader\n"
                  "Closed archive\n");
}

TEST_F(ArchiveTest, WrongPasswordFailsLikeADamagedEntryWithoutALogLineOfItsOwn) {
    pack();
    Log log;
    ASSERT_TRUE(log.open((root_ / "password.log").string()));
    Archive archive;
    ASSERT_TRUE(archive.open(archivePath_, "wolmz353"));  // the password is only tried on the entries
    Bytes data;
    for (const auto& [name, bytes] : files_) EXPECT_FALSE(archive.readFile(name, data)) << name;
    EXPECT_TRUE(data.empty());
    log.close();
    std::string expected = "Opening archive " + archivePath_ + "\n";
    for (const auto& [name, bytes] : files_) expected += "reading file from archive: " + name + "\n";
    EXPECT_EQ(readText(root_ / "password.log"), expected);
}

TEST_F(ArchiveTest, OpenRefusesEmptyPathsAndPasswordsSilently) {
    std::string error;
    std::vector<PackedFile> packed;
    ASSERT_TRUE(packFolder(content_.string(), archivePath_, "", packed, error)) << error;  // no encryption at all
    Log log;
    ASSERT_TRUE(log.open((root_ / "empty.log").string()));
    Archive archive;
    EXPECT_FALSE(archive.open(archivePath_, ""));
    EXPECT_FALSE(archive.open("", demoArchivePassword));
    EXPECT_FALSE(archive.isOpen());
    Bytes data;
    EXPECT_FALSE(archive.readFile("data/obj/x.msh", data));

    // Any password opens an archive whose entries are not encrypted.
    ASSERT_TRUE(archive.open(archivePath_, "anything"));
    EXPECT_TRUE(archive.readFile("data/obj/x.msh", data));
    EXPECT_EQ(data, files_[1].second);
    log.close();
    EXPECT_EQ(readText(root_ / "empty.log"),
              "Opening archive " + archivePath_ + "\nreading file from archive: data/obj/x.msh\n");
}

TEST_F(ArchiveTest, ReopeningClosesTheFirstArchive) {
    pack();
    Log log;
    ASSERT_TRUE(log.open((root_ / "reopen.log").string()));
    Archive archive;
    ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
    ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
    EXPECT_FALSE(archive.open((root_ / "missing.dat").string(), demoArchivePassword));
    EXPECT_FALSE(archive.isOpen());  // the open archive was closed before the failing attempt
    archive.close();                 // closing a closed archive logs nothing
    log.close();
    const std::string opening = "Opening archive " + archivePath_ + "\n";
    EXPECT_EQ(readText(root_ / "reopen.log"), opening + "Closed archive\n" + opening + "Closed archive\n");
}

TEST_F(ArchiveTest, CorruptedArchivesFailToOpenCleanly) {
    pack();
    const std::string zip = readText(archivePath_);
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"empty", ""},
        {"text", "this is not a zip file at all\n"},
        {"truncated", zip.substr(0, zip.size() / 2)},
        {"no end record", zip.substr(0, zip.size() - 10)},
    };
    for (const auto& [label, bytes] : damaged) {
        const fs::path path = root_ / (label + ".dat");
        std::ofstream(path, std::ios::binary) << bytes;
        Archive archive;
        EXPECT_FALSE(archive.open(path.string(), demoArchivePassword)) << label;
        EXPECT_FALSE(archive.lastError().empty()) << label;
        EXPECT_FALSE(archive.isOpen());
    }
}

TEST_F(ArchiveTest, DamagedEntryDataFailsWhileOtherEntriesStillRead) {
    pack();
    std::string zip = readText(archivePath_);
    const std::size_t local = zip.find("data/obj/x.msh");  // the first hit is the local header's name
    ASSERT_NE(local, std::string::npos);
    for (std::size_t i = 0; i < 64; ++i) zip[local + 2000 + i] ^= 0x5a;
    std::ofstream(archivePath_, std::ios::binary) << zip;

    Archive archive;
    ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
    Bytes data;
    EXPECT_FALSE(archive.readFile("data/obj/x.msh", data));
    EXPECT_TRUE(data.empty());
    EXPECT_TRUE(archive.readFile("data/shader/demo.shader", data));
    EXPECT_EQ(data, files_[0].second);
}

TEST_F(ArchiveTest, EntryWhoseDirectorySizeLiesFailsCleanly) {
    const auto expectLie = [this](std::uint32_t claimed, std::size_t field = 24) {
        pack();
        patchDirectory("data/obj/x.msh", field, claimed);
        Archive archive;
        ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
        Bytes data;
        EXPECT_FALSE(archive.readFile("data/obj/x.msh", data)) << "claimed " << claimed;
        EXPECT_TRUE(data.empty());
        EXPECT_TRUE(archive.readFile("data/shader/demo.shader", data));  // the rest of the archive is fine
    };
    expectLie(70000 - 1);      // inflates to more than claimed
    expectLie(70000 + 1);      // inflates to less than claimed
    expectLie(0);              // claims to be empty
    expectLie(0xfffffff0u);    // a near 4 GiB claim must not be allocated up front
    expectLie(0x7fffffffu, 20);  // compressed data larger than the whole archive
}

TEST_F(ArchiveTest, HighlyCompressedEntriesLargerThanTheirFirstBufferReadWhole) {
    Bytes zeros(9 * 1024 * 1024 + 17, 0);  // deflates about 1000 to 1: read through a growing buffer
    zeros[123456] = 1;
    zeros.back() = 2;
    ArchiveWriter writer;
    ASSERT_TRUE(writer.create(archivePath_, demoArchivePassword));
    ASSERT_TRUE(writer.addData("data/obj/zeros.msh", zeros));
    ASSERT_TRUE(writer.commit());
    Archive archive;
    ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
    ASSERT_LT(archive.entries().at(0).compressedSize, 64u * 1024);
    Bytes data;
    ASSERT_TRUE(archive.readFile("data/obj/zeros.msh", data)) << archive.lastError();
    EXPECT_TRUE(data == zeros);
}

TEST_F(ArchiveTest, OpensAnArchiveImageInMemory) {
    pack();
    const std::string zip = readText(archivePath_);
    Archive archive;
    ASSERT_TRUE(archive.openBuffer(zip.data(), zip.size(), "memory", demoArchivePassword));
    Bytes data;
    ASSERT_TRUE(archive.readFile("data\\fnt\\font.png", data));
    EXPECT_EQ(data, files_[3].second);
    EXPECT_FALSE(archive.openBuffer(zip.data(), 100, "memory", demoArchivePassword));
    EXPECT_FALSE(archive.openBuffer(nullptr, 0, "memory", demoArchivePassword));
    EXPECT_FALSE(archive.openBuffer(zip.data(), zip.size(), "memory", ""));
}

TEST_F(ArchiveTest, ListsEntriesInSortedOrderWithTheirSizes) {
    pack();
    Archive archive;
    EXPECT_TRUE(archive.entries().empty());
    ASSERT_TRUE(archive.open(archivePath_, demoArchivePassword));
    const std::vector<ArchiveEntry> entries = archive.entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "data/art/empty.tga");
    EXPECT_EQ(entries[1].name, "data/fnt/font.png");
    EXPECT_EQ(entries[2].name, "data/obj/x.msh");
    EXPECT_EQ(entries[3].name, "data/shader/demo.shader");
    EXPECT_EQ(entries[2].size, 70000u);
    EXPECT_LT(entries[2].compressedSize, 70000u / 2);  // deflated
    for (const ArchiveEntry& entry : entries) EXPECT_TRUE(entry.encrypted) << entry.name;
}

TEST_F(ArchiveTest, PackingFailsForMissingFoldersAndUnstorableNames) {
    std::vector<PackedFile> packed;
    std::string error;
    EXPECT_FALSE(packFolder((root_ / "nowhere").string(), archivePath_, demoArchivePassword, packed, error));
    EXPECT_NE(error.find("nowhere"), std::string::npos);

    fs::create_directories(root_ / "blank");
    EXPECT_FALSE(packFolder((root_ / "blank").string(), archivePath_, demoArchivePassword, packed, error));
    EXPECT_FALSE(fs::exists(archivePath_));

    writeFile(content_ / "data\\art\\windows.tga", bytesOf("x"));
    error.clear();
    EXPECT_FALSE(packFolder(content_.string(), archivePath_, demoArchivePassword, packed, error));
    EXPECT_NE(error.find("windows.tga"), std::string::npos);
    EXPECT_FALSE(fs::exists(archivePath_));
}

TEST_F(ArchiveTest, PackingSkipsTheArchiveItselfAndReplacesAnOldOne) {
    const std::string inside = (content_ / "data.dat").string();
    std::ofstream(inside) << "an older archive";
    std::vector<PackedFile> packed;
    std::string error;
    ASSERT_TRUE(packFolder(content_.string(), inside, demoArchivePassword, packed, error)) << error;
    ASSERT_EQ(packed.size(), files_.size());
    for (const PackedFile& file : packed) EXPECT_NE(file.entryName, "data.dat");
    EXPECT_EQ(packed[2].entryName, "data/obj/x.msh");
    EXPECT_EQ(packed[2].size, 70000u);

    Archive archive;
    ASSERT_TRUE(archive.open(inside, demoArchivePassword));
    EXPECT_EQ(archive.entries().size(), files_.size());
}

TEST(ArchiveWriter, StoresWhatItIsGivenAndDiscardsWithoutCommit) {
    const fs::path folder = "archive/writer";
    fs::remove_all(folder);
    fs::create_directories(folder);
    {
        ArchiveWriter writer;
        ASSERT_TRUE(writer.create((folder / "discarded.zip").string(), "pw"));
        EXPECT_FALSE(writer.create((folder / "second.zip").string(), "pw"));
        ASSERT_TRUE(writer.addData("a.txt", bytesOf("abc")));
    }
    EXPECT_FALSE(fs::exists(folder / "discarded.zip"));

    ArchiveWriter writer;
    ASSERT_TRUE(writer.create((folder / "kept.zip").string(), "pw"));
    ASSERT_TRUE(writer.addData("dir/a.txt", bytesOf("abc")));
    ASSERT_TRUE(writer.addData("dir/none", {}));
    EXPECT_FALSE(writer.addData("dir/a.txt", bytesOf("again")));  // names are unique
    EXPECT_FALSE(writer.addFile("b.txt", (folder / "missing").string()));
    ASSERT_TRUE(writer.commit());
    EXPECT_FALSE(writer.addData("late", {}));

    Archive archive;
    ASSERT_TRUE(archive.open((folder / "kept.zip").string(), "pw"));
    Bytes data;
    ASSERT_TRUE(archive.readFile("dir/a.txt", data));
    EXPECT_EQ(data, bytesOf("abc"));
    ASSERT_TRUE(archive.readFile("dir/none", data));
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(archive.entries().size(), 2u);
}

TEST(EntryNames, SafeNamesStayInsideTheirFolder) {
    for (const char* name : {"a", "data/obj/x.msh", "data/", ".hidden", "a..b/c", "abc:d"})
        EXPECT_TRUE(isSafeEntryName(name)) << name;
    for (const char* name : {"", "/", "/etc/passwd", "../x", "a/../../x", "a/..", "./a", "a//b", "a\\b", "C:/x",
                             "c:x", "//server/share"})
        EXPECT_FALSE(isSafeEntryName(name)) << name;
    EXPECT_FALSE(isSafeEntryName(std::string("a\0b", 3)));
}

}  // namespace
}  // namespace qv3rn
