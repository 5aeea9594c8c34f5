// The stack-buffered line writer against the plain string functions it stands in for:
// pieces that end exactly at, cross, or are longer than its buffer must come out whole
// and in order.
#include "results/LineParts.h"

#include "core/TextWidth.h"
#include "core/Time.h"

#include "Padding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace quilo {
namespace {

// Writes the same pieces through LineWriter and through strings, after `lead` bytes.
void Compare(std::size_t lead) {
    std::string got;
    std::string want;
    {
        parts::LineWriter w(got);
        const std::string head(lead, 'h');
        w.Text(head);
        want += head;
        w.RightNumber(-42, 6);
        want += test::RightNumber(-42, 6);
        w.RightNumber(std::numeric_limits<std::int64_t>::min(), 3);
        want += std::to_string(std::numeric_limits<std::int64_t>::min());
        w.LeftChars("男子", 5);
        want += test::PadRight("男子", 5);
        w.LeftWidth("男子", 6);
        want += test::PadRightWidth("男子", 6);
        w.Name("とても長い名前の選手", 8, 3);
        want += test::PadRightWidth(LeftChars("とても長い名前の選手", 3), 8);
        w.Name("山田", 8, 3);
        want += test::PadRightWidth("山田", 8);
        w.Spaces(0);
        w.Spaces(-3);
        w.Spaces(200); // more than the whole buffer
        want += std::string(200, ' ');
        w.Text(std::string(300, 't')); // likewise
        want += std::string(300, 't');
        for (Time t : {Time::Hms(9, 5, 3), Time::Hms(12, 34, 56)}) {
            w.HhNnSs(t);
            want += FormatHhNnSs(t);
            w.HhNn(t);
            want += FormatHhNn(t);
            w.HNnSs(t, 9);
            want += test::PadLeft(FormatHNnSs(t), 9);
            w.RunningTime(t);
            want += test::PadLeft(FormatHNnSs(t), 7) + "\"";
        }
        for (int i = 0; i < 200; ++i) {
            w.Char(static_cast<char>('a' + i % 26));
            want += static_cast<char>('a' + i % 26);
        }
    }
    EXPECT_EQ(got, want) << lead;
}

TEST(LineWriter, PiecesAcrossTheBufferComeOutWholeAndInOrder) {
    for (std::size_t lead : {0, 1, 100, 150, 155, 159, 160, 161, 320}) Compare(lead);
}

TEST(LineWriter, PlacePieceForEachKindOfEntry) {
    struct Case {
        int place;
        bool reference;
        const char* want;
    };
    const Case cases[] = {{1, false, "   1"}, {123, false, " 123"}, {0, true, "参考"}, {0, false, "    "}, {4, true, "   4"}};
    for (const auto& c : cases) {
        EntryRecord r{};
        r.Place = c.place;
        r.Reference = c.reference;
        std::string out;
        {
            parts::LineWriter w(out);
            parts::PlacePiece(w, r);
        }
        EXPECT_EQ(out, c.want) << c.place << c.reference;
    }
}

} // namespace
} // namespace quilo
