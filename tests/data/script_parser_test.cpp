// What every script format shares: the line reader, the keyword table's block loop, the helpers.
#include "data/script_parser.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "data/keyword_table.h"
#include "data/line_counting_buffer.h"
#include "data/memory_stream.h"
#include "data/script_error.h"

namespace qv3rn {
namespace {

// Every line the reader gives while the stream is good, each with the line count after it.
std::vector<std::pair<std::string, int>> readAll(std::istream& in) {
    ScriptParser parser;
    std::vector<std::pair<std::string, int>> lines;
    while (in.good()) {
        std::string line = parser.readLine(in);
        lines.emplace_back(std::move(line), parser.lineCount());
    }
    return lines;
}

TEST(ReadLine, GivesLogicalLinesAndCountsOnlyTheLineFeedsThatEndThem) {
    using Lines = std::vector<std::pair<std::string, int>>;
    // hidden: bytes at the end of the text that lie outside the stream's buffer
    const struct { const char* what; std::string text; Lines lines; std::size_t hidden = 0; } rows[] = {
        {"leading blanks and comments go, trailing space stays", "  Scale 1.0 2.0 3.0 ;big\nNext",
         {{"Scale 1.0 2.0 3.0 ", 1}, {"Next", 1}}},
        {"a comment-only line is empty and counted", "; only a comment\nValue 1\n", {{"", 1}, {"Value 1", 2}, {"", 2}}},
        {"skipped blank lines do not count", "\n\n\r\n  \t\nA\n\n\nB", {{"A", 1}, {"B", 1}}},
        {"tabs become spaces, carriage returns stay", "\tA\tB\r\nC", {{"A B\r", 1}, {"C", 1}}},
        {"comments end the line wherever they start", "A;B\n   ;whole line\nC ; tail ; more\nD ;no line feed",
         {{"A", 1}, {"", 2}, {"C ", 3}, {"D ", 3}}},
        {"only line feeds end lines", "A\rB\r\v\fC\n\v\f  D", {{"A\rB\r\v\fC", 1}, {"D", 1}}},
        {"a zero byte stops the skipping", std::string(" \0x\n", 4), {{std::string("\0x", 2), 1}, {"", 1}}},
        {"nothing past the buffer is read", "Name \"a\"\nEnd}XXXX", {{"Name \"a\"", 1}, {"End}", 1}}, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryStream in(row.text.data(), row.text.size() - row.hidden);
        EXPECT_EQ(readAll(in), row.lines);
    }
}

// An endless line (a compressed script could inflate to one) ends with an error at the reading allowance.
TEST(ReadLine, AnEndlessLineIsRefused) {
    struct Endless : std::streambuf {
        std::string block = std::string(1 << 16, 'x');
        int_type underflow() override {
            setg(block.data(), block.data(), block.data() + block.size());
            return 'x';
        }
    } endless;
    std::istream stream(&endless);
    ScriptParser parser;
    EXPECT_THROW(parser.readLine(stream), std::runtime_error);
}

// The first closing brace ends the skip, even an inner block's; without one the skip fails.
TEST(SkipBlock, LeavesTheReaderAfterTheFirstClosingBraceWithoutNesting) {
    const std::pair<const char*, const char*> rows[] = {  // the text, and what is left after it (nullptr: refused)
        {"  Inner 1\n  Deeper {\n}\nNext 2\n", "\nNext 2\n"}, {"}X", "X"}, {"a { b } c } rest", " c } rest"},
        {"", nullptr}, {"no brace here", nullptr}};
    for (const auto& [text, rest] : rows) {
        std::istringstream in(text);
        EXPECT_EQ(skipBlock(in), rest != nullptr) << text;
        if (rest) {
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), rest) << text;
        }
    }
}

TEST(Matches, IsACaseSensitiveSubstringTest) {
    for (auto [line, keyword, found] : {std::tuple{"MassVariance 0.5", "Mass ", false}, {"Mass 2", "Mass ", true},
                                        {"ParticleMass 2", "Mass ", true}, {"mass 2", "Mass ", false},
                                        {"anything", "", true}, {"", "", true}})
        EXPECT_EQ(matches(line, keyword), found) << line << " / " << keyword;
}

TEST(QuotedText, TakesTextBetweenFirstAndLastQuote) {
    for (auto [line, text] : {std::pair{"Include \"demo2.shader\"", "demo2.shader"}, {"Name none", ""},
                              {"Name \"open ended", "open ended"}, {"Name \"a\" \"b\"", "a\" \"b"}, {"\"\"", ""}})
        EXPECT_EQ(quotedText(line), text) << line;
}

// lines: "keyword=line" for every line a row took
struct Taken { std::vector<std::string> lines; };

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
        {"; a comment\n\t; another }\nMask 1 }", raise, {"Mask =Mask 1 }"}, BlockEnd::How::EndOfStream, "", "", ""},
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
