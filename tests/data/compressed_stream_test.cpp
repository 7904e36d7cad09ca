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
    ASSERT_EQ(gzwrite(file, text.data(), static_cast<unsigned>(text.size())), int(text.size()));
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

// The text of a script file as openScriptFile reads it, or "<none>".
std::string readScript(const std::string& path) {
    auto in = openScriptFile(path);
    return in ? std::string(std::istreambuf_iterator<char>(*in), {}) : "<none>";
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
}

TEST_F(CompressedStreamTest, ScriptsAreOpenedByTheTextAfterTheLastDot) {
    const std::string text = "Shader {\r\n\tName \"a\"\r\n}\r\n";  // carriage returns stay: the reader keeps them
    std::filesystem::create_directories("sub");
    for (const char* name : {"sub/plain.shader", "plain.gshader.txt", "capitals.GSHADER"}) {
        writeRaw(name, text);
        EXPECT_EQ(readScript(name), text) << name;
    }
    EXPECT_EQ(readScript("sub\\plain.shader"), text);
    for (const char* name : {"missing.gshader", "sub"})
        EXPECT_EQ(readScript(name), "<none>") << name;
}

TEST_F(CompressedStreamTest, Bzip2FilesRoundTripAcrossBlocksReportTheirEndAndFailOnDamage) {
    std::vector<unsigned char> data(2 * 1024 * 1024 + 333);
    unsigned seed = 1;
    for (auto& byte : data) byte = static_cast<unsigned char>((seed = seed * 69069u + 1u) >> 27);  // 32 symbols

    Bzip2FileWriter writer;
    ASSERT_TRUE(writer.open("mesh.msh"));
    EXPECT_EQ(writer.write(data.data(), 1000), 1000u);
    EXPECT_EQ(writer.write(data.data() + 1000, data.size() - 1000), data.size() - 1000);
    ASSERT_TRUE(writer.close());
    EXPECT_EQ(unpacked("mesh.msh").size(), data.size());

    Bzip2FileReader reader;
    ASSERT_TRUE(reader.open("mesh.msh"));
    std::vector<unsigned char> back(data.size() + 100);
    EXPECT_EQ(reader.read(back.data(), 4), 4u);
    EXPECT_EQ(reader.read(back.data() + 4, data.size() - 4 - 10), data.size() - 14);
    EXPECT_FALSE(reader.atEnd());
    EXPECT_EQ(reader.read(back.data() + data.size() - 10, 100), 10u);  // the rest, with the end of the stream
    EXPECT_TRUE(reader.atEnd());
    back.resize(data.size());
    EXPECT_EQ(back, data);
    reader.close();

    // Truncated or foreign files fail the reader instead of looping.
    const std::string packed = bzip2Bytes(scriptOfSize(300000));
    writeRaw("cut.msh", packed.substr(0, packed.size() - 20));
    writeRaw("text.msh", "not compressed");
    for (const char* name : {"cut.msh", "text.msh"}) {
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
}

}  // namespace
}  // namespace qv3rn
