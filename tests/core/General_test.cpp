#include "core/General.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace quilo {
namespace {

TEST(GetField, SplitsAndHonoursQuotes) {
    struct Case {
        const char* line;
        int index;
        const char* separator;
        const char* field;
    };
    const Case cases[] = {
        {"a,b,c", 2, ",", "b"},
        {"a,b,c", 4, ",", ""},
        {"a,b,", 3, ",", ""},
        {"\"x,y\",z", 1, ",", "x,y"},
        {"\"x,y\",z", 2, ",", "z"},
        {"\"a\",b,\"c\"", 1, ",", "a"},
        {"\"a\",b,\"c\"", 2, ",", "b"},
        {"\"a\",b,\"c\"", 3, ",", "c"},
        // An unclosed quote protects nothing and is kept.
        {"a,\"b,c", 2, ",", "\"b"},
        {"a,\"b,c", 3, ",", "c"},
        {"a,\"\",c", 2, ",", ""},
        {"", 1, ",", ""},
        {"a,b", 0, ",", ""},
        {"a,b", -1, ",", ""},
        {"a,b", 1, "", ""},
        // Nothing is trimmed; Japanese text passes through.
        {" 山田 , 太郎 ", 2, ",", " 太郎 "},
        {"**:M21:x", 2, ":", "M21"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetField(c.line, c.index, c.separator), c.field) << c.line << " #" << c.index << " '" << c.separator << "'";
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
    const std::pair<const char*, double> leading[] = {{"12abc", 12}, {" 1 2 3", 123}, {"abc", 0}, {"", 0},
                                                       {"-5x", -5},    {"2.5", 2.5},     {"1e3", 1000}, {"1e", 1}};
    for (const auto& [text, number] : leading) EXPECT_DOUBLE_EQ(LeadingNumber(text), number) << text;
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
    EXPECT_EQ(LeadingInt16("99999"), 32767);
    EXPECT_EQ(LeadingInt16("-99999"), -32768);
}

TEST(Numbers, WholeNumberConversion) {
    const std::pair<const char*, int> whole[] = {{" 12 ", 12}, {"0012", 12}, {"-3", -3}, {"2.5", 2}};
    for (const auto& [text, number] : whole) EXPECT_EQ(ToWholeNumber(text), number) << text;
    for (const char* text : {"", "  ", "12a", "99999999999"}) EXPECT_FALSE(ToWholeNumber(text)) << text;
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
