// Tests of the diagnostic log: line format, section nesting, failure behaviour and the formatting buffer.
#include "core/log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace qv3rn {
namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Log, SectionsIndentEnclosedLinesByOneTab) {
    Log log;
    ASSERT_TRUE(log.open("sections.log"));
    EXPECT_TRUE(log.beginSection("OpenGL"));
    log.beginSection("Buffers");
    log.printf("Color       : %d", 32);
    log.endSection("Buffers");
    log.writeLine("outer");
    log.endSection("OpenGL");
    log.writeLine("top");
    log.close();
    EXPECT_EQ(readAll("sections.log"),
              "--==[OpenGL]==--\n\t--==[Buffers]==--\n\t\tColor       : 32\n\t--==[Buffers]==--\n"
              "\touter\n--==[OpenGL]==--\ntop\n");
}

TEST(Log, NegativeDepthWritesWithoutIndentation) {
    Log log;
    ASSERT_TRUE(log.open("negative.log"));
    log.endSection("Closed");
    log.endSection("Again");
    log.writeLine("line");
    log.beginSection("Opened");  // back to -1 after this
    log.writeLine("still flat");
    log.close();
    EXPECT_EQ(log.depth(), -1);
    EXPECT_EQ(readAll("negative.log"), "--==[Closed]==--\n--==[Again]==--\nline\n--==[Opened]==--\nstill flat\n");
}

TEST(Log, OpeningTwiceFailsAndKeepsTheFirstFile) {
    Log log;
    ASSERT_TRUE(log.open("first.log"));
    EXPECT_FALSE(log.open("second.log"));
    log.writeLine("goes to the first");
    log.close();
    EXPECT_EQ(readAll("first.log"), "goes to the first\n");
    EXPECT_FALSE(std::ifstream("second.log").good());
}

TEST(Log, WritesBeforeOpenAndAfterCloseAreQuietNoOps) {
    Log log;
    EXPECT_FALSE(log.printf("%d", 1));
    EXPECT_FALSE(log.writeLine("x"));
    EXPECT_FALSE(log.beginSection("S"));
    EXPECT_FALSE(log.endSection("S"));
    EXPECT_EQ(log.depth(), 0);
    EXPECT_FALSE(log.close());
    ASSERT_TRUE(log.open("reopened.log"));
    ASSERT_TRUE(log.close());
    EXPECT_FALSE(log.writeLine("after close"));
    EXPECT_EQ(readAll("reopened.log"), "");
}

TEST(Log, OpenTruncatesAndResetsDepth) {
    {
        std::ofstream("truncate.log") << "old contents\n";
    }
    Log log;
    ASSERT_TRUE(log.open("truncate.log"));
    log.beginSection("A");
    log.close();
    ASSERT_TRUE(log.open("truncate.log"));
    EXPECT_EQ(log.depth(), 0);
    log.writeLine("new");
    log.close();
    EXPECT_EQ(readAll("truncate.log"), "new\n");
}

TEST(Log, FormattedLinesAreCutTo255CharactersButWriteLineIsNot) {
    Log log;
    ASSERT_TRUE(log.open("long.log"));
    const std::string longText(400, 'x');
    log.printf("%s", longText.c_str());
    log.writeLine(longText);
    log.close();
    EXPECT_EQ(readAll("long.log"), std::string(255, 'x') + "\n" + longText + "\n");
}

TEST(Log, LinesAreOnDiskBeforeClose) {
    Log log;
    ASSERT_TRUE(log.open("flushed.log"));
    log.printf("value %d", 7);
    EXPECT_EQ(readAll("flushed.log"), "value 7\n");
}

TEST(Log, InstanceFollowsConstructionAndDestruction) {
    Log* before = Log::instance();
    ASSERT_NE(before, nullptr);  // the process log exists before main
    {
        Log inner;
        EXPECT_EQ(Log::instance(), &inner);
        EXPECT_EQ(&logger(), &inner);
    }
    EXPECT_EQ(Log::instance(), before);
}

}  // namespace
}  // namespace qv3rn
