// Tests of the gzip and bzip2 text streams, the bzip2 file reader and writer, and opening scripts by extension.
#include "data/compressed_stream.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/bzip2_file.h"
#include "data/bzip2_stream.h"
#include "data/gzip_stream.h"
#include "data/script_file.h"
#include "data/script_parser.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;

// A script of exactly `size` bytes with lines of varying length.
std::string scriptOfSize(std::size_t size) {
    std::string text;
    for (unsigned i = 0; text.size() < size; ++i)
        text += "Key" + std::to_string(i) + " " + std::string(i % 37, 'v') + (i % 5 ? "\n" : " ; note\r\n");
    text.resize(size);
    return text;
}

// Files compressed by the libraries directly, so that the readers are not tested against our own writers.
void writeGzip(const std::string& path, const std::string& text) {
    gzFile file = gzopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (!text.empty()) {
        ASSERT_EQ(gzwrite(file, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
    }
    ASSERT_EQ(gzclose(file), Z_OK);
}

std::string bzip2Bytes(const std::string& text) {
    std::string packed(text.size() + text.size() / 100 + 600, '\0');
    unsigned length = static_cast<unsigned>(packed.size());
    EXPECT_EQ(BZ2_bzBuffToBuffCompress(packed.data(), &length, const_cast<char*>(text.data()),
                                       static_cast<unsigned>(text.size()), 9, 0, 0),
              BZ_OK);
    packed.resize(length);
    return packed;
}

void writeRaw(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string readRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string readAll(std::istream& in) { return std::string(std::istreambuf_iterator<char>(in), {}); }

std::string gunzip(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    std::string text;
    char piece[1000];
    for (int got; file && (got = gzread(file, piece, sizeof piece)) > 0;) text.append(piece, static_cast<std::size_t>(got));
    if (file) gzclose(file);
    return text;
}

std::string bunzip2(const std::string& bytes, std::size_t expectedSize) {
    std::string text(expectedSize + 1, '\0');
    unsigned length = static_cast<unsigned>(text.size());
    if (BZ2_bzBuffToBuffDecompress(text.data(), &length, const_cast<char*>(bytes.data()),
                                   static_cast<unsigned>(bytes.size()), 0, 0) != BZ_OK)
        return "<not bzip2>";
    text.resize(length);
    return text;
}

class CompressedStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path("streams") / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    std::string file(const std::string& name) const { return (folder_ / name).string(); }

    fs::path folder_;
};

const std::size_t oddSizes[] = {0, 1, 100, 511, 512, 513, 1023, 1025, 5 * 512 + 77, 100003};

TEST_F(CompressedStreamTest, GzipScriptsOfEverySizeReadCompletely) {
    for (std::size_t size : oddSizes) {
        const std::string text = scriptOfSize(size);
        const std::string path = file("s" + std::to_string(size) + ".gshader");
        writeGzip(path, text);
        auto in = openScriptFile(path);
        ASSERT_NE(in, nullptr) << path;
        EXPECT_EQ(readAll(*in), text) << "size " << size;
    }
}

TEST_F(CompressedStreamTest, Bzip2ScriptsOfEverySizeReadCompletely) {
    for (std::size_t size : oddSizes) {
        const std::string text = scriptOfSize(size);
        const std::string path = file("s" + std::to_string(size) + ".bscene");
        writeRaw(path, bzip2Bytes(text));
        auto in = openScriptFile(path);
        ASSERT_NE(in, nullptr) << path;
        EXPECT_EQ(readAll(*in), text) << "size " << size;
    }
}

TEST_F(CompressedStreamTest, LinesLongerThanTheBufferAndAcrossRefillsReadWhole) {
    const std::string longLine = "Name \"" + std::string(2000, 'n') + "\"";
    const std::string text = "  First 1\n" + longLine + "\r\n\t\tLast 2 ;end";
    writeGzip(file("long.gscene"), text);
    writeRaw(file("long.bshader"), bzip2Bytes(text));
    for (const char* name : {"long.gscene", "long.bshader"}) {
        auto in = openScriptFile(file(name));
        ASSERT_NE(in, nullptr);
        ScriptParser parser;
        EXPECT_EQ(parser.readLine(*in), "First 1");
        EXPECT_EQ(parser.readLine(*in), longLine + "\r");
        EXPECT_EQ(parser.readLine(*in), "Last 2 ");
        EXPECT_EQ(parser.lineCount(), 2) << name;
        EXPECT_EQ(parser.readLine(*in), "");
        EXPECT_FALSE(in->good());
    }
}

TEST_F(CompressedStreamTest, WrittenStreamsReadBackThroughTheLibrariesAndThemselves) {
    const std::string text = scriptOfSize(3 * 512 + 11);
    {
        GzipStream out(file("w.gshader"), std::ios::out | std::ios::binary);
        ASSERT_TRUE(out.isOpen());
        out << text;
        ASSERT_TRUE(out.close());
    }
    {
        Bzip2Stream out(file("w.bshader"), std::ios::out | std::ios::binary);
        ASSERT_TRUE(out.isOpen());
        for (char c : text) out.put(c);  // one character at a time through the buffer
        ASSERT_TRUE(out.close());
    }
    EXPECT_EQ(gunzip(file("w.gshader")), text);
    EXPECT_EQ(bunzip2(readRaw(file("w.bshader")), text.size()), text);
    for (const char* name : {"w.gshader", "w.bshader"}) {
        auto in = openScriptFile(file(name));
        ASSERT_NE(in, nullptr);
        EXPECT_EQ(readAll(*in), text) << name;
    }
}

TEST_F(CompressedStreamTest, DestroyingAWritingStreamFinishesTheFile) {
    const std::string text = "Shader {\n}\n";
    {
        GzipStream out(file("d.gshader"), std::ios::out);
        out << text;
    }
    {
        Bzip2Stream out(file("d.bshader"), std::ios::out);
        out << text;
    }
    EXPECT_EQ(gunzip(file("d.gshader")), text);
    EXPECT_EQ(bunzip2(readRaw(file("d.bshader")), text.size()), text);
}

TEST_F(CompressedStreamTest, TruncatedOrDamagedDataEndsReadingWithAnError) {
    const std::string text = scriptOfSize(50000);
    const std::string packed = bzip2Bytes(text);
    writeRaw(file("cut.bshader"), packed.substr(0, packed.size() * 2 / 3));
    std::string damaged = packed;
    for (std::size_t i = 100; i < 140; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x33);
    writeRaw(file("bad.bscene"), damaged);
    writeGzip(file("whole.gshader"), text);
    const std::string gzipped = readRaw(file("whole.gshader"));
    writeRaw(file("cut.gshader"), gzipped.substr(0, gzipped.size() / 2));
    writeRaw(file("text.bshader"), text);  // not compressed at all

    for (const char* name : {"cut.bshader", "bad.bscene", "cut.gshader", "text.bshader"}) {
        auto in = openScriptFile(file(name));
        ASSERT_NE(in, nullptr) << name;
        ScriptParser parser;
        int lines = 0;
        try {
            while (in->good() && lines < 100000) {
                parser.readLine(*in);
                ++lines;
            }
            ADD_FAILURE() << name << " read to the end without an error after " << lines << " lines";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
    }
    // Formatted and unformatted stream operations pass the same error on (the exception mask includes badbit).
    auto in = openScriptFile(file("cut.bshader"));
    ASSERT_NE(in, nullptr);
    std::string word;
    EXPECT_THROW(while (*in >> word) {}, std::runtime_error);
    EXPECT_TRUE(in->bad());
}

TEST_F(CompressedStreamTest, ModeStringsFollowTheRequestedDirection) {
    using std::ios;
    EXPECT_EQ(compressedFileMode(ios::in), "r");
    EXPECT_EQ(compressedFileMode(ios::in | ios::binary), "rb");
    EXPECT_EQ(compressedFileMode(ios::out), "w");
    EXPECT_EQ(compressedFileMode(ios::out | ios::trunc | ios::binary), "wb");
    EXPECT_EQ(compressedFileMode(ios::app), "a");
    EXPECT_EQ(compressedFileMode(ios::out | ios::app | ios::binary), "ab");
    EXPECT_EQ(compressedFileMode(ios::in | ios::out), "");
    EXPECT_EQ(compressedFileMode(ios::in | ios::trunc), "");
    EXPECT_EQ(compressedFileMode(ios::in | ios::app), "");
    EXPECT_EQ(compressedFileMode(ios::out | ios::app | ios::trunc), "");
    EXPECT_EQ(compressedFileMode(ios::binary), "");
    EXPECT_EQ(compressedFileMode(ios::openmode{}), "");
}

TEST_F(CompressedStreamTest, OpeningIsRefusedTwiceForBothDirectionsAndForBzip2Appending) {
    writeGzip(file("a.gshader"), "x");
    GzipStreamBuf gzip;
    EXPECT_FALSE(gzip.open(file("a.gshader"), std::ios::in | std::ios::out));
    ASSERT_TRUE(gzip.open(file("a.gshader"), std::ios::in));
    EXPECT_FALSE(gzip.open(file("a.gshader"), std::ios::in));
    EXPECT_TRUE(gzip.close());
    EXPECT_FALSE(gzip.close());
    EXPECT_FALSE(gzip.open(file("missing.gshader"), std::ios::in));

    Bzip2StreamBuf bzip2;
    EXPECT_FALSE(bzip2.open(file("b.bshader"), std::ios::out | std::ios::app));
    EXPECT_FALSE(fs::exists(file("b.bshader")));
    ASSERT_TRUE(bzip2.open(file("b.bshader"), std::ios::out));
    EXPECT_FALSE(bzip2.open(file("b.bshader"), std::ios::out));
    EXPECT_EQ(bzip2.sgetc(), std::char_traits<char>::eof());  // a writing stream has nothing to read
    EXPECT_TRUE(bzip2.close());

    GzipStream reader(file("a.gshader"), std::ios::in);
    EXPECT_EQ(reader.rdbuf()->sputc('y'), std::char_traits<char>::eof());  // nor a reading one anything to write
}

TEST_F(CompressedStreamTest, GzipAppendingAddsAMemberThatReadsOn) {
    writeGzip(file("log.gshader"), "first\n");
    {
        GzipStream out(file("log.gshader"), std::ios::app);
        out << "second\n";
    }
    auto in = openScriptFile(file("log.gshader"));
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(readAll(*in), "first\nsecond\n");
}

TEST_F(CompressedStreamTest, ASmallerBufferSetBeforeUseStillReadsEverything) {
    const std::string text = scriptOfSize(1000);
    writeRaw(file("small.bshader"), bzip2Bytes(text));
    Bzip2StreamBuf buffer;
    EXPECT_EQ(buffer.pubsetbuf(nullptr, 7), &buffer);
    ASSERT_TRUE(buffer.open(file("small.bshader"), std::ios::in | std::ios::binary));
    EXPECT_EQ(buffer.in_avail(), 0);
    std::istream in(&buffer);
    EXPECT_EQ(readAll(in), text);
    EXPECT_EQ(buffer.pubsetbuf(nullptr, 100), nullptr);  // too late once in use
}

TEST_F(CompressedStreamTest, ScriptsAreOpenedByTheTextAfterTheLastDot) {
    const std::string text = "Shader {\r\n\tName \"a\"\r\n}\r\n";
    writeRaw(file("plain.shader"), text);
    writeRaw(file("plain.gshader.txt"), text);
    writeRaw(file("v1.2"), text);
    for (const char* name : {"plain.shader", "plain.gshader.txt", "v1.2"}) {
        auto in = openScriptFile(file(name));
        ASSERT_NE(in, nullptr) << name;
        EXPECT_EQ(readAll(*in), text) << name;  // carriage returns stay: the reader keeps them
    }
    std::string windowsPath = file("plain.shader");
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    auto backslashed = openScriptFile(windowsPath);
    ASSERT_NE(backslashed, nullptr) << windowsPath;
    EXPECT_EQ(readAll(*backslashed), text);

    EXPECT_EQ(openScriptFile(file("missing.shader")), nullptr);
    EXPECT_EQ(openScriptFile(file("missing.gshader")), nullptr);
    EXPECT_EQ(openScriptFile(file("missing.bscene")), nullptr);
    EXPECT_EQ(openScriptFile(folder_.string()), nullptr);
}

TEST_F(CompressedStreamTest, Bzip2FilesRoundTripAcrossBlocksAndReportTheirEnd) {
    std::vector<unsigned char> data(2 * 1024 * 1024 + 333);
    unsigned seed = 1;
    for (auto& byte : data) byte = static_cast<unsigned char>((seed = seed * 69069u + 1u) >> 27);  // 32 symbols

    Bzip2FileWriter writer;
    EXPECT_FALSE(writer.close());
    ASSERT_TRUE(writer.open(file("mesh.msh")));
    EXPECT_FALSE(writer.open(file("other.msh")));
    EXPECT_EQ(writer.write(data.data(), 1000), 1000u);
    EXPECT_EQ(writer.write(data.data() + 1000, data.size() - 1000), data.size() - 1000);
    EXPECT_EQ(writer.write(data.data(), 0), 0u);
    ASSERT_TRUE(writer.close());
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(bunzip2(readRaw(file("mesh.msh")), data.size()).size(), data.size());

    Bzip2FileReader reader;
    ASSERT_TRUE(reader.open(file("mesh.msh")));
    EXPECT_FALSE(reader.open(file("mesh.msh")));
    std::vector<unsigned char> back(data.size() + 100);
    EXPECT_EQ(reader.read(back.data(), 4), 4u);
    EXPECT_EQ(reader.read(back.data() + 4, data.size() - 4 - 10), data.size() - 14);
    EXPECT_FALSE(reader.atEnd());
    EXPECT_EQ(reader.read(back.data() + data.size() - 10, 100), 10u);  // the rest, with the end of the stream
    EXPECT_TRUE(reader.atEnd());
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.read(back.data(), 1), 0u);
    back.resize(data.size());
    EXPECT_EQ(back, data);
    reader.close();
    EXPECT_FALSE(reader.isOpen());
}

TEST_F(CompressedStreamTest, Bzip2ReaderFailsOnTruncatedOrForeignFilesInsteadOfLooping) {
    const std::string packed = bzip2Bytes(scriptOfSize(300000));
    writeRaw(file("cut.msh"), packed.substr(0, packed.size() - 20));
    writeRaw(file("empty.msh"), "");
    writeRaw(file("text.msh"), "not compressed");
    for (const char* name : {"cut.msh", "empty.msh", "text.msh"}) {
        Bzip2FileReader reader;
        ASSERT_TRUE(reader.open(file(name))) << name;
        std::vector<char> buffer(4096);
        std::size_t total = 0;
        int reads = 0;
        for (std::size_t got; (got = reader.read(buffer.data(), buffer.size())) > 0 && reads < 1000; ++reads) total += got;
        EXPECT_TRUE(reader.failed()) << name;
        EXPECT_FALSE(reader.atEnd()) << name;
        EXPECT_LT(reads, 1000) << name;
        EXPECT_LT(total, 300000u) << name;
        EXPECT_EQ(reader.read(buffer.data(), buffer.size()), 0u);
    }
    Bzip2FileReader missing;
    EXPECT_FALSE(missing.open(file("missing.msh")));
    Bzip2FileWriter unwritable;
    EXPECT_FALSE(unwritable.open(file("no/such/folder/x.msh")));
}

}  // namespace
}  // namespace qv3rn
