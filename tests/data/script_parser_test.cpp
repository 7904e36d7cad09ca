// Tests of the logical line reader and the keyword, quote and block helpers shared by every script format.
#include "data/script_parser.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/memory_stream.h"

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
    const struct {
        const char* what;
        std::string text;
        Lines lines;
        std::size_t hidden = 0;  // bytes at the end of the text that lie outside the stream's buffer
    } rows[] = {
        {"leading blanks and comments go, trailing space stays", "  Scale 1.0 2.0 3.0 ;big\nNext",
         {{"Scale 1.0 2.0 3.0 ", 1}, {"Next", 1}}},
        {"a comment-only line is empty and counted", "; only a comment\nValue 1\n", {{"", 1}, {"Value 1", 2}, {"", 2}}},
        {"skipped blank lines do not count", "\n\n\r\n  \t\nA\n\n\nB", {{"A", 1}, {"B", 1}}},
        {"tabs become spaces, carriage returns stay", "\tA\tB\r\nC", {{"A B\r", 1}, {"C", 1}}},
        {"comments end the line wherever they start", "A;B\n   ;whole line\nC ; tail ; more\nD ;no line feed",
         {{"A", 1}, {"", 2}, {"C ", 3}, {"D ", 3}}},
        {"the end of the stream ends the last line", "Last 1\t", {{"Last 1 ", 0}}},
        {"only blanks", " \n\t\r\n  ", {{"", 0}}},
        {"only line feeds end lines", "A\rB\r\v\fC\n\v\f  D", {{"A\rB\r\v\fC", 1}, {"D", 1}}},
        {"a zero byte stops the skipping", std::string(" \0x\n", 4), {{std::string("\0x", 2), 1}, {"", 1}}},
        {"bytes above seven bits stay", "Name \"caf\xc3\xa9\xff\"\n", {{"Name \"caf\xc3\xa9\xff\"", 1}, {"", 1}}},
        {"nothing past the buffer is read", "Name \"a\"\nEnd}XXXX", {{"Name \"a\"", 1}, {"End}", 1}}, 4},
        {"a realistic block", "; demo shader\n\nShader {\r\n\tName \"glow\"\t; the name\r\n\n\n\tState {\n\t}\n}",
         {{"", 1}, {"Shader {\r", 2}, {"Name \"glow\" ", 3}, {"State {", 4}, {"}", 5}, {"}", 5}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryStream in(row.text.data(), row.text.size() - row.hidden);
        EXPECT_EQ(readAll(in), row.lines);
    }
}

TEST(ReadLine, StaysAtTheEndAndReadsNothingFromAFailedStream) {
    std::istringstream in("Last\n");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "Last");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(parser.readLine(in), "");
    EXPECT_EQ(parser.lineCount(), 1);
    EXPECT_TRUE(in.eof());

    std::istringstream failed("Value 1\n");
    failed.setstate(std::ios::failbit);
    EXPECT_EQ(parser.readLine(failed), "");
    EXPECT_EQ(parser.lineCount(), 1);
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

TEST(SkipBlock, LeavesTheReaderAfterTheClosingBrace) {
    std::istringstream in("Unknown {\n  Inner 1\n  Deeper {\n}\nNext 2\n");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "Unknown {");
    EXPECT_TRUE(skipBlock(in));
    EXPECT_EQ(parser.readLine(in), "Next 2");  // the first brace closed the skip, even the inner block's

    std::istringstream immediately("}X");
    EXPECT_TRUE(skipBlock(immediately));
    EXPECT_EQ(immediately.get(), 'X');

    std::istringstream empty("");
    EXPECT_FALSE(skipBlock(empty));
}

TEST(Matches, IsACaseSensitiveSubstringTest) {
    EXPECT_FALSE(matches("MassVariance 0.5", "Mass "));
    EXPECT_TRUE(matches("Mass 2", "Mass "));
    EXPECT_TRUE(matches("ParticleMass 2", "Mass "));
    EXPECT_FALSE(matches("mass 2", "Mass "));
    EXPECT_TRUE(matches("anything", ""));
    EXPECT_TRUE(matches("", ""));
}

TEST(QuotedText, TakesTextBetweenFirstAndLastQuote) {
    EXPECT_EQ(quotedText("Include \"demo2.shader\""), "demo2.shader");
    EXPECT_EQ(quotedText("Name none"), "");
    EXPECT_EQ(quotedText("Name \"open ended"), "open ended");
    EXPECT_EQ(quotedText("Name \"a\" \"b\""), "a\" \"b");
    EXPECT_EQ(quotedText("\"\""), "");
}

TEST(SkipBlock, EndsAtTheFirstClosingBraceWithoutNesting) {
    std::istringstream in("a { b } c } rest");
    EXPECT_TRUE(skipBlock(in));
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, " c } rest");

    std::istringstream unterminated("no brace here");
    EXPECT_FALSE(skipBlock(unterminated));
}

}  // namespace
}  // namespace qv3rn
