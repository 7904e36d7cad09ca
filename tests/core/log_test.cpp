// Tests of the diagnostic log: line format, section nesting, failure behaviour and the formatting buffer.
#include "core/log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/test_files.h"

namespace qv3rn {
namespace {

using test::readFile;

TEST(Log, SectionsIndentEnclosedLinesByOneTabAndBelowZeroNothingIsIndented) {
    Log log;
    ASSERT_TRUE(log.open("sections.log"));
    EXPECT_TRUE(log.beginSection("OpenGL"));
    log.beginSection("Buffers");
    log.printf("Color       : %d", 32);
    EXPECT_EQ(readFile("sections.log"), "--==[OpenGL]==--\n\t--==[Buffers]==--\n\t\tColor       : 32\n");  // on disk
    log.endSection("Buffers");
    log.writeLine("outer");
    log.endSection("OpenGL");
    log.endSection("Closed");
    log.endSection("Again");
    log.writeLine("line");
    log.beginSection("Opened");  // back to -1 after this
    log.writeLine("still flat");
    log.close();
    EXPECT_EQ(log.depth(), -1);
    EXPECT_EQ(readFile("sections.log"),
              "--==[OpenGL]==--\n\t--==[Buffers]==--\n\t\tColor       : 32\n\t--==[Buffers]==--\n"
              "\touter\n--==[OpenGL]==--\n--==[Closed]==--\n--==[Again]==--\nline\n--==[Opened]==--\nstill flat\n");
}

// Writes before open and after close are quiet no-ops; opening twice keeps the first file; reopening truncates.
TEST(Log, OpeningTwiceKeepsTheFirstFileReopeningTruncatesAndFormattedLinesAreCut) {
    std::ofstream("first.log") << "old contents\n";
    Log log;
    EXPECT_FALSE(log.printf("%d", 1));
    ASSERT_TRUE(log.open("first.log"));
    EXPECT_FALSE(log.open("second.log"));
    log.beginSection("A");
    log.close();
    ASSERT_TRUE(log.open("first.log"));
    EXPECT_EQ(log.depth(), 0);
    const std::string longText(400, 'x');  // formatted lines are cut to 255 characters, whole lines are not
    log.printf("%s", longText.c_str());
    log.writeLine(longText);
    ASSERT_TRUE(log.close());
    EXPECT_FALSE(log.writeLine("after close"));
    EXPECT_EQ(readFile("first.log"), std::string(255, 'x') + "\n" + longText + "\n");
}

}  // namespace
}  // namespace qv3rn
