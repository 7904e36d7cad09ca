// memory_stream_test.cpp -- Tests of the read-only memory stream that scripts from the archive are parsed from.
#include "data/memory_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv3rn {
namespace {

constexpr auto eof = std::char_traits<char>::eof();

TEST(MemoryStream, ReadsExactlyTheBufferAndNeverPastItAndEmptyOrNullBuffersAreAtTheirEndAtOnce) {
    const std::string storage = "0123456789GUARD";
    MemoryStream in(storage.data(), 10);
    char target[32] = {};
    in.read(target, sizeof target);
    EXPECT_EQ(in.gcount(), 10);
    EXPECT_EQ(std::string(target), "0123456789");
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(in.rdbuf()->sgetc(), eof);
    MemoryStream empty("x", 0);
    EXPECT_EQ(empty.get(), eof);
    MemoryStream none(nullptr, 100);  // a size without data is taken as no data
    EXPECT_EQ(none.rdbuf()->in_avail(), 0);
    EXPECT_EQ(none.get(), eof);
}

TEST(MemoryStream, SeeksInsideTheBufferOnly) {
    const std::string text = "Envelope {\n}\n";
    MemoryStream in(text.data(), text.size());
    std::string word;
    in >> word;
    EXPECT_EQ(in.tellg(), 8);
    in.seekg(0);
    in >> word;
    EXPECT_EQ(word, "Envelope");
    in.seekg(-2, std::ios::end);
    EXPECT_EQ(in.get(), '}');
    for (auto [offset, from] : {std::pair{1, std::ios::end}, {-1, std::ios::beg}}) {  // outside: refused
        in.seekg(offset, from);
        EXPECT_TRUE(in.fail());
        in.clear();
    }
    in.seekg(text.size(), std::ios::beg);  // exactly the end is a valid position
    EXPECT_FALSE(in.fail());
    EXPECT_EQ(in.get(), eof);
}

TEST(MemoryStream, NeverWritesIntoTheBuffer) {
    const std::vector<char> bytes = {'a', 'b', 'c'};
    MemoryStream in(bytes.data(), bytes.size());
    EXPECT_EQ(in.get(), 'a');
    EXPECT_EQ(in.rdbuf()->sputbackc('z'), eof);  // would change the buffer
    EXPECT_EQ(in.rdbuf()->sputbackc('a'), 'a');  // stepping back is fine
    EXPECT_EQ(in.rdbuf()->sputc('q'), eof);
    EXPECT_EQ(bytes, (std::vector<char>{'a', 'b', 'c'}));
    EXPECT_EQ(in.get(), 'a');
}

}  // namespace
}  // namespace qv3rn
