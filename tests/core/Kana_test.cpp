// Width and case folding, with half-width kana and their voicing marks.
#include "core/Kana.h"

#include <gtest/gtest.h>

#include <utility>

namespace quilo {
namespace {

TEST(Kana, FullWidthTakesOnlyTheMarksAKanaCanCarry) {
    const std::pair<const char*, const char*> cases[] = {
        {"M21 A", "Ｍ２１　Ａ"},
        {"ｶﾞｲﾄﾞ", "ガイド"},
        {"ﾊﾟ", "パ"},
        {"男子", "男子"},
        {"ｳﾞ", "ヴ"},
        {"ﾂﾞ", "ヅ"},
        {"ﾃﾞ", "デ"},
        {"ﾄﾞ", "ド"},
        {"ｶﾞ", "ガ"},
        {"ﾎﾞ", "ボ"},
        {"ﾎﾟ", "ポ"},
        {"ﾋﾟ", "ピ"},
        {"ｯﾞ", "ッ゛"},
        {"ｱﾞ", "ア゛"},
        {"ﾏﾟ", "マ゜"},
        {"ｶﾟ", "カ゜"},
        {"ｶ", "カ"},
        {"ﾞ", "゛"},
        {"~!", "～！"},
        {"a b", "ａ　ｂ"},
        {"｡", "。"},
        {"\x7f", "\x7f"},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(ToFullWidth(text), want) << text;
}

TEST(Kana, UpperCaseOfAsciiAndFullWidthLetters) {
    EXPECT_EQ(ToUpper("dnf p3"), "DNF P3");
    EXPECT_EQ(ToUpper("ｄｎｆ"), "ＤＮＦ");
}

} // namespace
} // namespace quilo
