// The number and text rules at their edges: blanks inside numbers, exponents, limits,
// widths narrower than the text, and half-width kana with their voicing marks.
#include "core/General.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace quilo {
namespace {

TEST(TextRules, LeadingNumberEdges) {
    const std::pair<const char*, double> cases[] = {
        {"\t\r\n7", 7},      {"1 2", 12},       {"+.5", 0.5},     {"-5x", -5},       {"1.2.3", 1.2},
        {".", 0},            {"-", 0},          {"abc", 0},       {"1e3", 1000},     {"1 E 2", 100},
        {"1e+2", 100},       {"1d-1", 0.1},     {"2D1", 20},      {"1e", 1},         {"1e+", 1},
        {"1ex", 1},          {"1e999", 0},      // infinite: no number rather than a wrong one
        {"1e-00000001", 1},                     // the exponent keeps at most seven characters
    };
    for (const auto& [text, want] : cases) EXPECT_DOUBLE_EQ(LeadingNumber(text), want) << text;
}

TEST(TextRules, RoundingAndClamping) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, std::int64_t> rounds[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {std::nan(""), 0}, {inf, 0}, {-inf, 0},
        {1e19, 9'000'000'000'000'000'000}, {-1e19, -9'000'000'000'000'000'000},
    };
    for (const auto& [value, want] : rounds) EXPECT_EQ(RoundHalfEven(value), want) << value;
    const std::pair<const char*, int> int16[] = {{"40000", 32767}, {"-40000", -32768}, {"32767", 32767}, {"12.5", 12}};
    for (const auto& [text, want] : int16) EXPECT_EQ(LeadingInt16(text), want) << text;
}

TEST(TextRules, WholeNumberEdges) {
    const std::pair<std::string, std::optional<std::int32_t>> cases[] = {
        {"+5", 5},
        {"-5", -5},
        {" 5. ", 5},
        {"2.5", 2},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-2147483649", std::nullopt},
        {"1.2.3", std::nullopt},
        {"+", std::nullopt},
        {".", std::nullopt},
        {"-.", std::nullopt},
        {"1 2", std::nullopt},
        {std::string(400, '9'), std::nullopt},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(ToWholeNumber(text), want) << text;
}

TEST(TextRules, PaddingNeverCutsAndCountsRight) {
    EXPECT_EQ(PadLeft("abcd", 2), "abcd");
    EXPECT_EQ(PadRight("abcd", 2), "abcd");
    EXPECT_EQ(PadRightWidth("abcd", 2), "abcd");
    EXPECT_EQ(PadLeft("男子", 3), " 男子");        // characters
    EXPECT_EQ(PadRight("男子", 3), "男子 ");
    EXPECT_EQ(PadRightWidth("男子", 5), "男子 ");  // CP932 bytes
    EXPECT_EQ(RightNumber(-12, 4), " -12");
    EXPECT_EQ(RightNumber(12345, 3), "12345");
    EXPECT_EQ(ZeroPad(-5, 3), "-005");
    EXPECT_EQ(ZeroPad(1234, 2), "1234");
}

TEST(TextRules, FullWidthKanaTakeOnlyTheMarksTheyCanCarry) {
    const std::pair<const char*, const char*> cases[] = {
        {"ｳﾞ", "ヴ"},  {"ﾂﾞ", "ヅ"},   {"ﾃﾞ", "デ"},   {"ﾄﾞ", "ド"},   {"ｶﾞ", "ガ"},   {"ﾎﾞ", "ボ"},
        {"ﾎﾟ", "ポ"},  {"ﾋﾟ", "ピ"},   {"ｯﾞ", "ッ゛"}, {"ｱﾞ", "ア゛"}, {"ﾏﾟ", "マ゜"}, {"ｶﾟ", "カ゜"},
        {"ｶ", "カ"},   {"ﾞ", "゛"},    {"~!", "～！"}, {"a b", "ａ　ｂ"}, {"｡", "。"},   {"\x7f", "\x7f"},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(ToFullWidth(text), want) << text;
}

TEST(TextRules, TrimAndQuotes) {
    EXPECT_EQ(TrimBlanks(" \t a b \t "), "a b");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(StripQuotes("\"a\""), "a");
    EXPECT_EQ(StripQuotes("\"\""), "");
    EXPECT_EQ(StripQuotes("\""), "\"");
    EXPECT_EQ(StripQuotes("\"a"), "\"a");
    EXPECT_EQ(StripQuotes("a\""), "a\"");
}

} // namespace
} // namespace quilo
