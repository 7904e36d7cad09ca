// Tests of the mapping from script paths to disk paths.
#include <gtest/gtest.h>

#include "data/disk_path.h"

namespace qv3rn {
namespace {

TEST(DiskPath, TurnsEveryBackslashIntoASlash) {
    EXPECT_EQ(diskPath("data\\art\\logo.tga"), "data/art/logo.tga");
    EXPECT_EQ(diskPath("data/art/\\x"), "data/art//x");
    EXPECT_EQ(diskPath("plain.png"), "plain.png");
    EXPECT_EQ(diskPath(""), "");
}

}  // namespace
}  // namespace qv3rn
