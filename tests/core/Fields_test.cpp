#include "core/Fields.h"

#include <gtest/gtest.h>

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

TEST(Fields, QuotesBlanksAndCounts) {
    const std::pair<const char*, const char*> quoted[] = {{"\"a\"\"b\"", "a\"\"b"}, {"\"a\"", "a"}, {"\"\"", ""}, {"\"", "\""},
                                                          {"\"a", "\"a"},           {"a\"", "a\""}};
    for (const auto& [text, want] : quoted) EXPECT_EQ(StripQuotes(text), want) << text;
    EXPECT_EQ(TrimBlanks(" \t a b \t "), "a b");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(CountOccurrences("1,2,,3", ","), 3);
    EXPECT_EQ(CountOccurrences("aaaa", "aa"), 2);
    EXPECT_EQ(CountOccurrences("abc", ""), 0);
}

} // namespace
} // namespace quilo
