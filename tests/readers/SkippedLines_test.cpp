// Many odd lines in one file: the history names the first ten and sums up the rest,
// so a broken file cannot flood the operator's history; each read counts afresh.
#include "readers/CourseFile.h"

#include "Clock.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace quilo {
namespace {

int Containing(const History& history, const std::string& part) {
    int n = 0;
    for (const auto& l : history.Lines()) n += l.text.find(part) != std::string::npos;
    return n;
}

TEST(OddLines, TheFirstTenAreNamedAndTheRestSummedUp) {
    struct Case {
        int oddLines;
        int named;
        const char* summary; // nullptr: no summary line
    };
    const Case cases[] = {{1, 1, nullptr},
                          {10, 10, nullptr},
                          {11, 10, "ほか1行を読み飛ばしました"},
                          {25, 10, "ほか15行を読み飛ばしました"}};
    for (const auto& c : cases) {
        std::string text;
        // Lines before the first class line belong to no class.
        for (int i = 0; i < c.oddLines; ++i) text += std::to_string(i + 1) + ":31\r\n";
        text += "**:M21\r\n1:31\r\n99:100\r\n";
        auto ev = std::make_unique<Event>();
        History history{test::FixedClock(9, 0, 0)};
        for (int read = 0; read < 2; ++read) test::Into(history, ReadCourseText(*ev, text));
        EXPECT_EQ(Containing(history, "行目を読み飛ばしました"), 2 * c.named) << c.oddLines;
        EXPECT_EQ(Containing(history, "Control.dat 1行目を読み飛ばしました（最初のクラス行より前の行です）"), 2) << c.oddLines;
        EXPECT_EQ(Containing(history, "Control.dat " + std::to_string(c.named + 1) + "行目"), 0) << c.oddLines;
        if (c.summary) EXPECT_EQ(Containing(history, std::string("　Control.dat ") + c.summary), 2) << c.oddLines;
        else EXPECT_EQ(Containing(history, "ほか"), 0) << c.oddLines;
    }
}

TEST(OddLines, EntriesOutsideTheTablesAreNone) {
    auto ev = std::make_unique<Event>();
    EXPECT_EQ(ev->EntryOf(0), nullptr);
    ev->AddRow(0, "1");
    ev->AddRow(0, "2");
    EXPECT_EQ(ev->EntryOf(-1), nullptr);
    EXPECT_EQ(ev->EntryOf(2), nullptr);
    const std::pair<int, int> badPlaces[] = {{-1, 1}, {kMinClassEntries, 1}, {0, 0}, {0, 3}};
    for (const auto& [c, s] : badPlaces) {
        ev->EntryClass[0] = c;
        ev->EntrySlot[0] = s;
        EXPECT_EQ(ev->EntryOf(0), nullptr) << c << "/" << s;
        EXPECT_EQ(static_cast<const Event&>(*ev).EntryOf(0), nullptr) << c << "/" << s;
    }
    ev->EntryClass[0] = 0;
    ev->EntrySlot[0] = 2;
    EXPECT_EQ(ev->EntryOf(0), &ev->Entries[0][2]);
}

} // namespace
} // namespace quilo
