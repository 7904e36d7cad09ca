// keyword_table_test.cpp -- the block loop of the keyword tables: the first keyword a line contains wins,
// closing, failing and unknown lines, comment lines and the end of the stream, errors located at their line.
#include "data/keyword_table.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "data/line_counting_buffer.h"
#include "data/script_error.h"

namespace qv3rn {
namespace {

struct Taken {
    std::vector<std::string> lines;  // "keyword=line" for every line a row took
};

Row<Taken> noting(const char* keyword) {
    return {keyword, [keyword](Taken& taken, BlockLine& line) { taken.lines.push_back(keyword + ("=" + line.text)); }};
}

// "WriteMask " is listed before "Mask ", which it contains.
const KeywordTable<Taken> rows = {
    noting("WriteMask "),
    noting("Mask "),
    {"Stop", [](Taken&, BlockLine& line) { line.endBlock(); }},
    {"Refuse", [](Taken&, BlockLine& line) { line.failBlock("no use"); }},
};

TEST(KeywordTable, ReadsABlockLineByLineWithTheFirstKeywordTheLineContains) {
    struct Case {
        const char* text;
        UnknownLine unknown;
        std::vector<std::string> taken;
        BlockEnd::How how;
        const char* error;   // "file:line: message" raised, or ""
        const char* failed;  // the line that failed the block
        const char* rest;    // what the block left in the stream
    };
    const UnknownLine raise = UnknownLine::raise("Unknown Test Token");
    const Case cases[] = {
        {"WriteMask 3\nMask 1\n}\nMask 2\n", raise, {"WriteMask =WriteMask 3", "Mask =Mask 1"},
         BlockEnd::How::Closed, "", "", "Mask 2\n"},
        {"Mask 1 }\n", raise, {"Mask =Mask 1 }"}, BlockEnd::How::EndOfStream, "", "", ""},  // taken, not closing
        {"; a comment\n\t; another }\nMask 1", raise, {"Mask =Mask 1"}, BlockEnd::How::EndOfStream, "", "", ""},
        {"Stop now\nMask 1\n", raise, {}, BlockEnd::How::Closed, "", "", "Mask 1\n"},
        {"Mask 1\nRefuse 2\nMask 3\n", raise, {"Mask =Mask 1"}, BlockEnd::How::Failed, "", "Refuse 2", "Mask 3\n"},
        {"Other\nMask 1\n}\n", UnknownLine::skip(), {"Mask =Mask 1"}, BlockEnd::How::Closed, "", "", ""},
        {"Other\nMask 1\n", UnknownLine::fail(), {}, BlockEnd::How::Failed, "", "Other", "Mask 1\n"},
        {"Mask 1\n\n; two\nmask 3\n", raise, {"Mask =Mask 1"}, BlockEnd::How::Failed,
         "block.test:4: Unknown Test Token", "", ""},
        {"Mask 1\nOther 2\n", UnknownLine::raiseWithLine("Unknown: "), {"Mask =Mask 1"}, BlockEnd::How::Failed,
         "block.test:2: Unknown: Other 2", "", ""},
    };
    for (const Case& c : cases) {
        std::istringstream source(c.text);
        const LineCountingBuffer* counter = nullptr;
        ScriptParser parser;
        Taken taken;
        BlockEnd end;
        std::string error;
        std::string rest;
        try {
            parseCountingLines(source, "block.test", counter, [&](std::istream& stream) {
                end = readKeywordBlock(parser, stream, taken, rows, c.unknown);
                rest = std::string(std::istreambuf_iterator<char>(stream), {});
                return true;
            });
        } catch (const ScriptError& raised) {
            error = raised.located();
        }
        EXPECT_EQ(taken.lines, c.taken) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        if (*c.error) continue;
        EXPECT_EQ(end.how, c.how) << c.text;
        EXPECT_EQ(end.failedLine, c.failed) << c.text;
        EXPECT_EQ(end.reason, end.failedLine == "Refuse 2" ? "no use" : "") << c.text;
        EXPECT_EQ(rest, c.rest) << c.text;
    }
}

}  // namespace
}  // namespace qv3rn
