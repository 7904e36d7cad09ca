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

std::vector<std::string> readAll(ScriptParser& parser, std::istream& in) {
    std::vector<std::string> lines;
    while (in.good()) lines.push_back(parser.readLine(in));
    return lines;
}

TEST(ReadLine, DropsLeadingBlanksAndCommentsButKeepsTrailingSpace) {
    std::istringstream in("  Scale 1.0 2.0 3.0 ;big\nNext");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "Scale 1.0 2.0 3.0 ");
    EXPECT_EQ(parser.lineCount(), 1);
    EXPECT_EQ(parser.readLine(in), "Next");
}

TEST(ReadLine, CommentOnlyLineIsEmptyAndCounted) {
    std::istringstream in("; only a comment\nValue 1\n");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "");
    EXPECT_EQ(parser.lineCount(), 1);
    EXPECT_EQ(parser.readLine(in), "Value 1");
    EXPECT_EQ(parser.lineCount(), 2);
}

TEST(ReadLine, SkippedBlankLinesDoNotAdvanceTheCounter) {
    std::istringstream in("\n\n\r\n  \t\nA\n\n\nB");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "A");
    EXPECT_EQ(parser.lineCount(), 1);
    EXPECT_EQ(parser.readLine(in), "B");
    EXPECT_EQ(parser.lineCount(), 1);  // B ended by the end of the stream, not a line feed
    EXPECT_EQ(parser.readLine(in), "");
    EXPECT_FALSE(in.good());
}

TEST(ReadLine, TabsBecomeSpacesAndCarriageReturnsStay) {
    std::istringstream in("\tA\tB\r\nC");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "A B\r");
    EXPECT_EQ(parser.readLine(in), "C");
}

TEST(ReadLine, StopsSkippingAtAZeroByte) {
    const char text[] = {' ', '\0', 'x', '\n'};
    MemoryStream in(text, sizeof text);
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), std::string("\0x", 2));
}

TEST(ReadLine, ReadsAMemoryBufferWithoutTerminatorExactly) {
    const std::string storage = "Name \"a\"\nEnd}XXXX";
    MemoryStream in(storage.data(), storage.size() - 4);  // the X bytes lie outside the buffer
    ScriptParser parser;
    EXPECT_EQ(readAll(parser, in), (std::vector<std::string>{"Name \"a\"", "End}"}));
}

TEST(ReadLine, CommentsEndTheLineWhereverTheyStart) {
    std::istringstream in("A;B\n   ;whole line\nC ; tail ; more\nD ;no line feed");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "A");
    EXPECT_EQ(parser.lineCount(), 1);
    EXPECT_EQ(parser.readLine(in), "");
    EXPECT_EQ(parser.lineCount(), 2);
    EXPECT_EQ(parser.readLine(in), "C ");
    EXPECT_EQ(parser.lineCount(), 3);
    EXPECT_EQ(parser.readLine(in), "D ");
    EXPECT_EQ(parser.lineCount(), 3);  // the comment ran into the end of the stream
    EXPECT_TRUE(in.eof());
}

TEST(ReadLine, EndOfStreamWithoutLineFeedEndsTheLastLineAndStaysAtTheEnd) {
    std::istringstream in("Last 1\t");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "Last 1 ");
    EXPECT_EQ(parser.lineCount(), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(parser.readLine(in), "");
    EXPECT_EQ(parser.lineCount(), 0);

    std::istringstream blanks(" \n\t\r\n  ");
    EXPECT_EQ(parser.readLine(blanks), "");
    EXPECT_FALSE(blanks.good());
    EXPECT_EQ(parser.lineCount(), 0);
}

TEST(ReadLine, OnlyLineFeedsEndLines) {
    std::istringstream in("A\rB\r\v\fC\n\v\f  D");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "A\rB\r\v\fC");  // inside a line every other character is stored
    EXPECT_EQ(parser.readLine(in), "D");                  // before it, vertical tab and form feed are skipped
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

TEST(ReadLine, KeepsBytesAboveSevenBitsAndStopsAtAFailedStream) {
    std::istringstream in("Name \"caf\xc3\xa9\xff\"\n");
    ScriptParser parser;
    EXPECT_EQ(parser.readLine(in), "Name \"caf\xc3\xa9\xff\"");

    std::istringstream failed("Value 1\n");
    failed.setstate(std::ios::failbit);
    EXPECT_EQ(parser.readLine(failed), "");
    EXPECT_EQ(parser.lineCount(), 1);
}

TEST(ReadLine, CountsLinesOfARealisticBlock) {
    const std::string script =
        "; demo shader\n"
        "\n"
        "Shader {\r\n"
        "\tName \"glow\"\t; the name\r\n"
        "\n\n"
        "\tState {\n"
        "\t}\n"
        "}";
    MemoryStream in(script.data(), script.size());
    ScriptParser parser;
    std::vector<std::pair<std::string, int>> seen;
    while (in.good()) {
        std::string line = parser.readLine(in);
        seen.emplace_back(line, parser.lineCount());
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{
                        {"", 1}, {"Shader {\r", 2}, {"Name \"glow\" ", 3}, {"State {", 4}, {"}", 5}, {"}", 5}}));
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
