// Lengths in characters and in display columns, and the padding the tests measure with.
#include "core/TextWidth.h"

#include "Padding.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

TEST(TextWidth, CharactersAndCp932Bytes) {
    EXPECT_EQ(ByteLength("山田太12"), 8);
    EXPECT_EQ(ByteLength("ｱｲｳ"), 3); // half-width katakana: one byte each
    EXPECT_EQ(ByteLength("①"), 2);   // NEC extension
    EXPECT_EQ(ByteLength("😀"), 1);   // not in the code page: one-byte substitute
    EXPECT_EQ(ByteLength(""), 0);
    EXPECT_EQ(CharCount("山田a"), 3);
    EXPECT_EQ(LeftChars("山田太郎花子", 3), "山田太");
    EXPECT_EQ(LeftChars("ab", 5), "ab");
}

TEST(TextWidth, PaddingNeverCutsAndCountsRight) {
    using namespace test;
    EXPECT_EQ(PadLeft("12", 4), "  12");
    EXPECT_EQ(PadLeft("12345", 4), "12345");
    EXPECT_EQ(PadLeft("abcd", 2), "abcd");
    EXPECT_EQ(PadLeft("男子", 3), " 男子"); // characters
    EXPECT_EQ(PadRight("M21", 8), "M21     ");
    EXPECT_EQ(PadRight("abcd", 2), "abcd");
    EXPECT_EQ(PadRight("男子", 3), "男子 ");
    EXPECT_EQ(PadRight("男子", 4), "男子  ");
    EXPECT_EQ(PadRightWidth("abcd", 2), "abcd");
    EXPECT_EQ(PadRightWidth("男子", 5), "男子 "); // CP932 bytes
    EXPECT_EQ(PadRightWidth("男子", 6), "男子  ");
    EXPECT_EQ(RightNumber(-12, 4), " -12");
    EXPECT_EQ(RightNumber(12345, 3), "12345");
}

} // namespace
} // namespace quilo
