// The gzip and bzip2 text streams, the bzip2 file reader and writer, opening scripts by extension.
#include "data/compressed_stream.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/bzip2_file.h"
#include "data/bzip2_stream.h"
#include "data/gzip_stream.h"
#include "data/script_file.h"
#include "data/script_parser.h"
#include "support/test_files.h"

namespace qv3rn {
namespace {

using test::readFile;

// A script of exactly `size` bytes with lines of varying length.
std::string scriptOfSize(std::size_t size) {
    std::string text;
    for (unsigned i = 0; text.size() < size; ++i)
        text += "Key" + std::to_string(i) + " " + std::string(i % 37, 'v') + (i % 5 ? "\n" : " ; note\r\n");
    text.resize(size);
    return text;
}

void writeRaw(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Files compressed by the libraries directly, so that the readers are not tested against our own writers.
void writeGzip(const std::string& path, const std::string& text) {
    gzFile file = gzopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (!text.empty()) {
        ASSERT_EQ(gzwrite(file, text.data(), static_cast<unsigned>(text.size())), int(text.size()));
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

void writeBzip2(const std::string& path, const std::string& text) { writeRaw(path, bzip2Bytes(text)); }

std::string readAll(std::istream& in) { return std::string(std::istreambuf_iterator<char>(in), {}); }

// The text of a script file as openScriptFile reads it, or "<none>".
std::string readScript(const std::string& path) {
    auto in = openScriptFile(path);
    return in ? readAll(*in) : "<none>";
}

// The text of `path` as the libraries decompress it.
std::string unpacked(const std::string& path) {
    std::string bytes = readFile(path), text;
    if (bytes.starts_with("\x1f\x8b")) {
        gzFile file = gzopen(path.c_str(), "rb");
        char piece[1000];
        for (int got; (got = gzread(file, piece, sizeof piece)) > 0;) text.append(piece, std::size_t(got));
        gzclose(file);
        return text;
    }
    text.resize(8 * 1024 * 1024);
    unsigned length = static_cast<unsigned>(text.size());
    if (BZ2_bzBuffToBuffDecompress(text.data(), &length, bytes.data(), static_cast<unsigned>(bytes.size()), 0, 0))
        return "<not bzip2>";
    text.resize(length);
    return text;
}

class CompressedStreamTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
};

TEST_F(CompressedStreamTest, GzipAndBzip2ScriptsOfEverySizeReadCompletely) {
    for (std::size_t size : {0, 1, 100, 511, 512, 513, 1023, 1025, 5 * 512 + 77, 100003}) {
        const std::string text = scriptOfSize(size);
        writeGzip("s.gshader", text);
        writeBzip2("s.bscene", text);
        EXPECT_EQ(readScript("s.gshader"), text) << "size " << size;
        EXPECT_EQ(readScript("s.bscene"), text) << "size " << size;
    }
}

TEST_F(CompressedStreamTest, WrittenStreamsReadBackThroughTheLibrariesAndThemselvesAlsoWhenOnlyDestroyed) {
    const std::string text = scriptOfSize(3 * 512 + 11);
    {
        GzipStream out("w.gshader", std::ios::out | std::ios::binary);
        ASSERT_TRUE(out.isOpen());
        out << text;
        ASSERT_TRUE(out.close());
        Bzip2Stream bzip2("w.bshader", std::ios::out | std::ios::binary);
        ASSERT_TRUE(bzip2.isOpen());
        for (char c : text) bzip2.put(c);  // one character at a time through the buffer
        ASSERT_TRUE(bzip2.close());
        GzipStream("d.gshader", std::ios::out) << "Shader {\n}\n";  // destroying the stream finishes the file
        Bzip2Stream("d.bshader", std::ios::out) << "Shader {\n}\n";
        GzipStream("w.gshader", std::ios::app) << "appended\n";  // appending adds a member that reads on
    }
    for (const char* name : {"w.gshader", "w.bshader", "d.gshader", "d.bshader"}) {
        const std::string expected = name[0] == 'd' ? "Shader {\n}\n" : text + (name[2] == 'g' ? "appended\n" : "");
        EXPECT_EQ(unpacked(name), expected) << name;
        EXPECT_EQ(readScript(name), expected) << name;
    }
}

TEST_F(CompressedStreamTest, TruncatedOrDamagedDataEndsReadingWithAnErrorNamingTheFile) {
    const std::string text = scriptOfSize(50000);
    const std::string packed = bzip2Bytes(text);
    writeRaw("cut.bshader", packed.substr(0, packed.size() * 2 / 3));
    std::string damaged = packed;
    for (std::size_t i = 100; i < 140; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x33);
    writeRaw("bad.bscene", damaged);
    writeGzip("whole.gshader", text);
    writeRaw("cut.gshader", readFile("whole.gshader").substr(0, readFile("whole.gshader").size() / 2));
    writeRaw("text.bshader", text);  // not compressed at all

    for (const char* name : {"cut.bshader", "bad.bscene", "cut.gshader", "text.bshader"}) {
        auto in = openScriptFile(name);
        ASSERT_NE(in, nullptr) << name;
        ScriptParser parser;
        int lines = 0;
        try {
            for (; in->good() && lines < 100000; ++lines) parser.readLine(*in);
            ADD_FAILURE() << name << " read to the end without an error after " << lines << " lines";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
    }
    // Formatted and unformatted stream operations pass the same error on (the exception mask includes badbit).
    auto in = openScriptFile("cut.bshader");
    ASSERT_NE(in, nullptr);
    std::string word;
    EXPECT_THROW(while (*in >> word) {}, std::runtime_error);
    EXPECT_TRUE(in->bad());
}

TEST_F(CompressedStreamTest, ModeStringsFollowTheRequestedDirectionAndOpeningIsRefusedWhereItCannotWork) {
    using std::ios;
    const std::pair<ios::openmode, const char*> modes[] = {  // the modes the streams open with are read below
        {ios::out | ios::app | ios::binary, "ab"}, {ios::in | ios::out, ""}, {ios::in | ios::trunc, ""},
        {ios::in | ios::app, ""}, {ios::out | ios::app | ios::trunc, ""}, {ios::binary, ""}, {ios::openmode{}, ""}};
    for (const auto& [mode, text] : modes) EXPECT_EQ(compressedFileMode(mode), text) << mode;

    writeGzip("a.gshader", "x");
    GzipStreamBuf gzip;
    EXPECT_FALSE(gzip.open("a.gshader", ios::in | ios::out));
    ASSERT_TRUE(gzip.open("a.gshader", ios::in));
    EXPECT_FALSE(gzip.open("a.gshader", ios::in));
    EXPECT_TRUE(gzip.close());
    EXPECT_FALSE(gzip.close());
    EXPECT_FALSE(gzip.open("missing.gshader", ios::in));

    Bzip2StreamBuf bzip2;
    EXPECT_FALSE(bzip2.open("b.bshader", ios::out | ios::app));
    EXPECT_FALSE(std::ifstream("b.bshader").is_open());
    ASSERT_TRUE(bzip2.open("b.bshader", ios::out));
    EXPECT_FALSE(bzip2.open("b.bshader", ios::out));
    EXPECT_EQ(bzip2.sgetc(), std::char_traits<char>::eof());  // a writing stream has nothing to read
    EXPECT_TRUE(bzip2.close());
    GzipStream reader("a.gshader", ios::in);
    EXPECT_EQ(reader.rdbuf()->sputc('y'), std::char_traits<char>::eof());  // nor a reading one anything to write
}

TEST_F(CompressedStreamTest, ASmallerBufferSetBeforeUseStillReadsEverything) {
    const std::string text = scriptOfSize(1000);
    writeBzip2("small.bshader", text);
    Bzip2StreamBuf buffer;
    EXPECT_EQ(buffer.pubsetbuf(nullptr, 7), &buffer);
    ASSERT_TRUE(buffer.open("small.bshader", std::ios::in | std::ios::binary));
    EXPECT_EQ(buffer.in_avail(), 0);
    std::istream in(&buffer);
    EXPECT_EQ(readAll(in), text);
    EXPECT_EQ(buffer.pubsetbuf(nullptr, 100), nullptr);  // too late once in use
}

TEST_F(CompressedStreamTest, ScriptsAreOpenedByTheTextAfterTheLastDot) {
    const std::string text = "Shader {\r\n\tName \"a\"\r\n}\r\n";  // carriage returns stay: the reader keeps them
    std::filesystem::create_directories("sub");
    for (const char* name : {"sub/plain.shader", "plain.gshader.txt", "v1.2", "capitals.GSHADER"}) {
        writeRaw(name, text);
        EXPECT_EQ(readScript(name), text) << name;
    }
    EXPECT_EQ(readScript("sub\\plain.shader"), text);
    for (const char* name : {"missing.shader", "missing.gshader", "missing.bscene", "sub"})
        EXPECT_EQ(readScript(name), "<none>") << name;
}

TEST_F(CompressedStreamTest, Bzip2FilesRoundTripAcrossBlocksReportTheirEndAndFailOnDamage) {
    std::vector<unsigned char> data(2 * 1024 * 1024 + 333);
    unsigned seed = 1;
    for (auto& byte : data) byte = static_cast<unsigned char>((seed = seed * 69069u + 1u) >> 27);  // 32 symbols

    Bzip2FileWriter writer;
    EXPECT_FALSE(writer.close());
    ASSERT_TRUE(writer.open("mesh.msh"));
    EXPECT_FALSE(writer.open("other.msh"));
    EXPECT_EQ(writer.write(data.data(), 1000), 1000u);
    EXPECT_EQ(writer.write(data.data() + 1000, data.size() - 1000), data.size() - 1000);
    EXPECT_EQ(writer.write(data.data(), 0), 0u);
    ASSERT_TRUE(writer.close());
    EXPECT_EQ(unpacked("mesh.msh").size(), data.size());

    Bzip2FileReader reader;
    ASSERT_TRUE(reader.open("mesh.msh"));
    EXPECT_FALSE(reader.open("mesh.msh"));
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

    // Truncated or foreign files fail the reader instead of looping.
    const std::string packed = bzip2Bytes(scriptOfSize(300000));
    writeRaw("cut.msh", packed.substr(0, packed.size() - 20));
    writeRaw("empty.msh", "");
    writeRaw("text.msh", "not compressed");
    for (const char* name : {"cut.msh", "empty.msh", "text.msh"}) {
        ASSERT_TRUE(reader.open(name)) << name;
        std::vector<char> buffer(4096);
        std::size_t total = 0;
        int reads = 0;
        for (std::size_t got; (got = reader.read(buffer.data(), buffer.size())) > 0 && reads < 1000; ++reads)
            total += got;
        EXPECT_TRUE(reader.failed()) << name;
        EXPECT_FALSE(reader.atEnd()) << name;
        EXPECT_LT(reads, 1000) << name;
        EXPECT_LT(total, 300000u) << name;
        EXPECT_EQ(reader.read(buffer.data(), buffer.size()), 0u);
        reader.close();
    }
    EXPECT_FALSE(reader.open("missing.msh"));
    EXPECT_FALSE(writer.open("no/such/folder/x.msh"));
}

}  // namespace
}  // namespace qv3rn
