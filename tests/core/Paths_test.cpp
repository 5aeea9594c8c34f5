#include "core/Paths.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

TEST(Paths, AddBackslashAndFileExists) {
    EXPECT_EQ(AddBackslash("/ev"), "/ev/");
    EXPECT_EQ(AddBackslash("/ev/"), "/ev/");
    EXPECT_EQ(AddBackslash("C:\\ev\\"), "C:\\ev\\");
    EXPECT_EQ(AddBackslash(""), "/");

    test::TempDir dir;
    EXPECT_FALSE(FileExists(dir.File("none")));
    EXPECT_FALSE(FileExists(dir.Path())); // a folder is not a file
    EXPECT_FALSE(FileExists(""));
    test::WriteBytes(dir.File("f"), "x");
    EXPECT_TRUE(FileExists(dir.File("f")));
}

} // namespace
} // namespace quilo
