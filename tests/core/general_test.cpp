#include "core/General.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

TEST(GetField, SplitsAndHonoursQuotes) {
    EXPECT_EQ(GetField("a,b,c", 2, ","), "b");
    EXPECT_EQ(GetField("a,b,c", 4, ","), "");
    EXPECT_EQ(GetField("a,b,", 3, ","), "");
    EXPECT_EQ(GetField("\"x,y\",z", 1, ","), "x,y");
    EXPECT_EQ(GetField("\"x,y\",z", 2, ","), "z");
    EXPECT_EQ(GetField("\"a\",b,\"c\"", 1, ","), "a");
    EXPECT_EQ(GetField("\"a\",b,\"c\"", 2, ","), "b");
    EXPECT_EQ(GetField("\"a\",b,\"c\"", 3, ","), "c");
    // An unclosed quote protects nothing and is kept.
    EXPECT_EQ(GetField("a,\"b,c", 2, ","), "\"b");
    EXPECT_EQ(GetField("a,\"b,c", 3, ","), "c");
    EXPECT_EQ(GetField("a,\"\",c", 2, ","), "");
    EXPECT_EQ(GetField("", 1, ","), "");
    EXPECT_EQ(GetField("a,b", 0, ","), "");
    EXPECT_EQ(GetField("a,b", -1, ","), "");
    EXPECT_EQ(GetField("a,b", 1, ""), "");
    // Nothing is trimmed; Japanese text passes through.
    EXPECT_EQ(GetField(" 山田 , 太郎 ", 2, ","), " 太郎 ");
    EXPECT_EQ(GetField("**:M21:x", 2, ":"), "M21");
}

TEST(StripQuotesAndCount, Basics) {
    EXPECT_EQ(StripQuotes("\"a\"\"b\""), "a\"\"b");
    EXPECT_EQ(StripQuotes("\""), "\"");
    EXPECT_EQ(StripQuotes("\"\""), "");
    EXPECT_EQ(StripQuotes("\"a"), "\"a");
    EXPECT_EQ(CountOccurrences("1,2,,3", ","), 3);
    EXPECT_EQ(CountOccurrences("aaaa", "aa"), 2);
    EXPECT_EQ(CountOccurrences("abc", ""), 0);
}

TEST(Paths, AddBackslashAndFileExists) {
    EXPECT_EQ(AddBackslash("/ev"), "/ev/");
    EXPECT_EQ(AddBackslash("/ev/"), "/ev/");
    EXPECT_EQ(AddBackslash("C:\\ev\\"), "C:\\ev\\");
    EXPECT_EQ(AddBackslash(""), "/");

    test::TempDir dir;
    EXPECT_FALSE(FileExists(dir.File("none")));
    EXPECT_FALSE(FileExists(dir.Path()));  // a folder is not a file
    EXPECT_FALSE(FileExists(""));
    test::WriteBytes(dir.File("f"), "x");
    EXPECT_TRUE(FileExists(dir.File("f")));
}

TEST(ByteLength, CountsCp932Bytes) {
    EXPECT_EQ(ByteLength("山田太12"), 8);
    EXPECT_EQ(ByteLength("ｱｲｳ"), 3);      // half-width katakana: one byte each
    EXPECT_EQ(ByteLength("①"), 2);         // NEC extension
    EXPECT_EQ(ByteLength("😀"), 1);        // not in the code page: one-byte substitute
    EXPECT_EQ(ByteLength(""), 0);
}

TEST(Numbers, LeadingNumberRule) {
    EXPECT_DOUBLE_EQ(LeadingNumber("12abc"), 12);
    EXPECT_DOUBLE_EQ(LeadingNumber(" 1 2 3"), 123);
    EXPECT_DOUBLE_EQ(LeadingNumber("abc"), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber(""), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("-5x"), -5);
    EXPECT_DOUBLE_EQ(LeadingNumber("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e3"), 1000);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e"), 1);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
    EXPECT_EQ(LeadingInt16("99999"), 32767);
    EXPECT_EQ(LeadingInt16("-99999"), -32768);
}

TEST(Numbers, WholeNumberConversion) {
    EXPECT_EQ(ToWholeNumber(" 12 "), 12);
    EXPECT_EQ(ToWholeNumber("0012"), 12);
    EXPECT_EQ(ToWholeNumber("-3"), -3);
    EXPECT_EQ(ToWholeNumber("2.5"), 2);
    EXPECT_FALSE(ToWholeNumber(""));
    EXPECT_FALSE(ToWholeNumber("  "));
    EXPECT_FALSE(ToWholeNumber("12a"));
    EXPECT_FALSE(ToWholeNumber("99999999999"));
}

TEST(Padding, CharactersAndDisplayWidth) {
    EXPECT_EQ(PadLeft("12", 4), "  12");
    EXPECT_EQ(PadLeft("12345", 4), "12345");
    EXPECT_EQ(PadRight("M21", 8), "M21     ");
    EXPECT_EQ(PadRight("男子", 4), "男子  ");       // by characters
    EXPECT_EQ(PadRightWidth("男子", 6), "男子  ");  // by display width
    EXPECT_EQ(ZeroPad(12, 4), "0012");
    EXPECT_EQ(ZeroPad(12345, 4), "12345");
    EXPECT_EQ(ZeroPad(812, 5), "00812");
    EXPECT_EQ(LeftChars("山田太郎花子", 3), "山田太");
    EXPECT_EQ(LeftChars("ab", 5), "ab");
    EXPECT_EQ(CharCount("山田a"), 3);
}

TEST(TextConversion, FullWidthAndUpper) {
    EXPECT_EQ(ToFullWidth("M21 A"), "Ｍ２１　Ａ");
    EXPECT_EQ(ToFullWidth("ｶﾞｲﾄﾞ"), "ガイド");
    EXPECT_EQ(ToFullWidth("ﾊﾟ"), "パ");
    EXPECT_EQ(ToFullWidth("男子"), "男子");
    EXPECT_EQ(ToUpper("dnf p3"), "DNF P3");
    EXPECT_EQ(ToUpper("ｄｎｆ"), "ＤＮＦ");
}

} // namespace
} // namespace quilo
