// Walking UTF-8 text: every sequence length round-trips, and a broken sequence costs one
// replacement character and one byte, so the walk never stalls nor skips good text.
#include "core/Cp932.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

TEST(Utf8Edges, EveryLengthRoundTrips) {
    for (char32_t cp : {U'\x00', U'A', U'\x7F', U'\x80', U'é', U'\x7FF', U'\x800', U'あ', U'\xFFFF', U'\x10000', U'😀'}) {
        std::string s;
        AppendUtf8(s, cp);
        std::size_t pos = 0;
        EXPECT_EQ(NextCodePoint(s, pos), cp) << static_cast<unsigned>(cp);
        EXPECT_EQ(pos, s.size());
    }
}

TEST(Utf8Edges, ABrokenSequenceCostsOneByte) {
    struct Case {
        const char* text;
        std::u32string want;
    };
    const Case cases[] = {
        {"\x80"
         "A",
         U"\xFFFD"
         "A"}, // a lone continuation byte
        {"\xF8"
         "A",
         U"\xFFFD"
         "A"},                           // no such lead byte
        {"A\xE3\x81", U"A\xFFFD\xFFFD"}, // cut short at the end
        {"\xC3", U"\xFFFD"},
        {"\xE3\x41\x42",
         U"\xFFFD"
         "AB"}, // a lead byte before plain text
        {"\xF0\x9F\x98"
         "A",
         U"\xFFFD\xFFFD\xFFFD"
         "A"},
        {"\xC3\xA9\xE3\x81\x82", U"éあ"},
    };
    for (const auto& c : cases) {
        const std::string s = c.text;
        std::u32string got;
        for (std::size_t pos = 0; pos < s.size();) got += NextCodePoint(s, pos);
        EXPECT_EQ(got, c.want) << c.text;
    }
}

} // namespace
} // namespace quilo
