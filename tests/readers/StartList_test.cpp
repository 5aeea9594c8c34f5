#include "readers/StartList.h"

#include "Clock.h"
#include "EventBuilder.h"
#include "TableChecks.h"
#include "TestSupport.h"
#include "core/Cp932.h"
#include "readers/CourseFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace quilo {
namespace {

struct StartListTest : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<Event> ev = std::make_unique<Event>();
    History history{test::FixedClock(9, 5, 0)};

    StartListTest() {
        ev->ClassNames[0] = "M21";
        ev->ClassNames[1] = "Ｗ２１";
    }
    int skipped = -1;
    bool Read(const std::vector<std::string>& lines) {
        test::WriteCp932(dir.File("Startlst.dat"), lines);
        const Result<StartListRead> r = test::Into(history, ReadStartList(*ev, dir.File("Startlst.dat")));
        EXPECT_TRUE(r);
        skipped = r ? r->skippedRows : -1;
        return r && !r->undefinedClass;
    }
    // Cards of five characters, as the finish log gives them.
    static std::string Row(int card, const std::string& cls, const std::string& start = "10:00:00") {
        return Card(card) + "," + cls + "," + start + ",1,名前,0,クラブ";
    }
    static std::string Card(int card) {
        std::string text = std::to_string(card);
        return std::string(text.size() < 5 ? 5 - text.size() : 0, '0') + text;
    }
};

TEST_F(StartListTest, RowsGetCompetitorNumbersSlotsAndFields) {
    ASSERT_TRUE(Read({"ヘッダ行", "01001,M21,10:00:00,101,山田 太郎,7,\"クラブ,A\",ignored",
                      "10002,Ｗ２１,0:00:00,201,花子,0,B", "90001,**,,,,,", "10003,M21,09:30:00,102,次郎,3,C",
                      "10004,Ｗ２１,10:20:00,202,x,1,D", "10005,Ｗ２１,10:01:00,203,y,1,E"}));
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(ev->Cards.Count(), 6);
    // Competitor numbers run across all rows, slots per class; the spare row has none.
    const int cls[] = {0, 1, -1, 0, 1, 1}, slot[] = {1, 1, -1, 2, 2, 3};
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(ev->EntryClass[n], cls[n]) << n;
        EXPECT_EQ(ev->EntrySlot[n], slot[n]) << n;
    }
    EXPECT_EQ(ev->Cards.Find("01001"), 0);
    EXPECT_FALSE(ev->Cards.Find("1001"));
    EXPECT_EQ(ev->Cards.Find("90001"), 2);
    EXPECT_EQ(ev->ClassEntryCount[0], 2);
    EXPECT_EQ(ev->ClassEntryCount[1], 3);

    const EntryRecord& e = ev->Entries[0][1];
    EXPECT_EQ(e.EcardNumber, 1001);
    EXPECT_EQ(e.StartTime, Time::Hms(10, 0, 0));
    EXPECT_EQ(e.BibNumber, 101);
    EXPECT_EQ(e.Name, "山田 太郎");
    EXPECT_EQ(e.ExtraNumber, 7);
    EXPECT_EQ(e.Club, "クラブ,A");

    EXPECT_EQ(ev->FirstStart[0], Time::Hms(9, 30, 0));
    EXPECT_EQ(ev->LastStart[0], Time::Hms(10, 0, 0));
    // A start at 0:00:00 reads as no start yet, so the next row becomes the earliest.
    EXPECT_EQ(ev->FirstStart[1], Time::Hms(10, 1, 0));
    EXPECT_EQ(ev->LastStart[1], Time::Hms(10, 20, 0));
    EXPECT_EQ(history.Count(), 0);
}

TEST_F(StartListTest, EmptyClassFieldLandsInFirstUnnamedClass) {
    ASSERT_TRUE(Read({Row(1, "")}));
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(ev->EntryClass[0], 2);
}

TEST_F(StartListTest, UndefinedClassStopsWithThreeLines) {
    EXPECT_FALSE(Read({Row(1, "M21"), "bad,M21,,,,,", Row(2, "M21 "), Row(3, "M21")}));
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(ev->Cards.Count(), 1);
    EXPECT_FALSE(ev->Cards.Find(Card(3)));
    EXPECT_EQ(history.Texts(),
              (test::Strings{History::kWarning, "　Startlst.dat 2行目を読み飛ばしました（Ｅカード番号が数値ではありません）",
                             History::kWarning, "　クラス情報の相違があります", "　Control.dat/Startlst.dat"}));
    EXPECT_TRUE(history.Lines().back().keepVisible);
}

TEST_F(StartListTest, RowsThatDoNotConvertAreSkipped) {
    ASSERT_TRUE(Read({"x1,M21,10:00:00,1,a,0,c", "00002,M21,10:00,1,a,0,c", "3,M21,ten,1,a,0,c", "4,M21,10:00:00,,a,0,c",
                      "5,M21,10:00:00,1,a,z,c", "6,M21,10:00:00,1,a", Row(2, "M21"), Row(7, "**"), Row(2, "**")}));
    EXPECT_EQ(skipped, 7);
    EXPECT_EQ(ev->Cards.Count(), 2);
    EXPECT_EQ(ev->ClassEntryCount[0], 1);
    EXPECT_EQ(history.Texts(),
              (test::Strings{History::kWarning, "　Startlst.dat 1行目を読み飛ばしました（Ｅカード番号が数値ではありません）",
                             History::kWarning, "　Startlst.dat 3行目を読み飛ばしました（スタート時刻が読めません）",
                             History::kWarning, "　Startlst.dat 4行目を読み飛ばしました（ゼッケン番号が数値ではありません）",
                             History::kWarning, "　Startlst.dat 5行目を読み飛ばしました（６番目の項目が数値ではありません）",
                             History::kWarning, "　Startlst.dat 6行目を読み飛ばしました（６番目の項目が数値ではありません）",
                             History::kWarning, "　Startlst.dat 7行目を読み飛ばしました（Ｅカード番号が重複しています）",
                             History::kWarning, "　Startlst.dat 9行目を読み飛ばしました（Ｅカード番号が重複しています）"}));
}

// No limit but memory: every class, slot and row is held, in the order the files give.
// The empty class field keeps its rule: below ten classes it is held in the first entry
// after the last class; from ten classes on it names no class and stops the reading.
TEST_F(StartListTest, AnySizeOfEventIsHeld) {
    const struct {
        int classes, rows;
        bool emptyClassRow;
        bool stops;
    } cases[] = {
        {2, 301, false, false}, // 301 in one class
        {2, 502, false, false}, {1, 5000, false, false}, {11, 502, false, false}, {60, 5000, false, false},
        {9, 20, true, false},   {10, 20, true, true},    {11, 20, true, true},    {60, 20, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.classes) + " classes, " + std::to_string(c.rows) + " rows");
        ev = std::make_unique<Event>();
        history = History(test::FixedClock(9, 5, 0));
        std::string course;
        for (int k = 0; k < c.classes; ++k) course += "**:K" + std::to_string(k) + "\r\n1:31\r\n99:100\r\n";
        test::Into(history, ReadCourseText(*ev, Utf8ToCp932(course)));
        ASSERT_EQ(ev->LastClassIndex, c.classes - 1);
        std::vector<std::string> lines;
        // Class k takes rows k, k + classes, ...; a spare row every 100th.
        for (int r = 0; r < c.rows; ++r)
            lines.push_back(r % 100 == 99 ? Row(90000 + r, "**") : Row(10000 + r, "K" + std::to_string(r % c.classes)));
        if (c.emptyClassRow) lines.push_back(Row(9999, ""));
        EXPECT_EQ(Read(lines), !c.stops);
        EXPECT_EQ(test::TablesIntact(*ev), "");
        EXPECT_EQ(ev->Cards.Count(), c.rows + (c.emptyClassRow && !c.stops ? 1 : 0));
        int held = 0;
        for (int k = 0; k < ev->ClassEntries(); ++k) held += ev->ClassEntryCount[k];
        EXPECT_EQ(held, c.rows - c.rows / 100 + (c.emptyClassRow && !c.stops ? 1 : 0));
        EXPECT_EQ(ev->Cards.Find(Card(10000 + c.rows - 1 - (c.rows % 100 == 0 ? 1 : 0))),
                  c.rows - 1 - (c.rows % 100 == 0 ? 1 : 0));
        const int last = c.rows - 1 - (c.rows % 100 == 0 ? 1 : 0);
        const EntryRecord* e = ev->EntryOf(last);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(ev->EntryClass[last], last % c.classes);
        EXPECT_EQ(e->EcardText, Card(10000 + last));
        if (c.emptyClassRow && !c.stops) {
            EXPECT_EQ(ev->EntryClass[c.rows], c.classes);
            EXPECT_EQ(ev->ClassesInUse(), c.classes);
        }
        if (c.stops) EXPECT_EQ(history.Texts().back(), "　Control.dat/Startlst.dat");
        else EXPECT_EQ(history.Count(), 0);
    }
}

TEST_F(StartListTest, WarningsStopAfterTenWithASummary) {
    ASSERT_TRUE(Read(std::vector<std::string>(12, "x,M21,,,,,")));
    EXPECT_EQ(skipped, 12);
    ASSERT_EQ(history.Count(), 22);
    EXPECT_EQ(history.Texts().back(), "　Startlst.dat ほか2行を読み飛ばしました");
}

// A card of any length but five characters can never match a read: its row is read as
// before and named in the history, at most ten rows, then one summary line.
TEST_F(StartListTest, CardsNoReadCanMatchAreNamed) {
    const std::string warn = "は5文字でないため、ゴールで読み取れません";
    // Twelve four-digit cards, spare and competitor rows in turn: ten named, two counted.
    test::Strings twelve, capped;
    for (int i = 0; i < 12; ++i) {
        const std::string card = std::to_string(1000 + i);
        twelve.push_back(card + (i % 2 ? ",M21,10:00:00,1,a,0,c" : ",**,,,,,"));
        if (i < 10) capped.push_back("　Startlst.dat " + std::to_string(i + 1) + "行目: Ｅカード番号 " + card + " " + warn);
    }
    capped.push_back("　Startlst.dat ほか2行: Ｅカード番号が5文字でないため、ゴールで読み取れません");
    const struct {
        const char* name;
        test::Strings lines;
        test::Strings warnings; // without the warning heads
        int cards;
    } cases[] = {
        {"lengths",
         {Row(12345, "M21"), "1234,M21,10:00:00,1,a,0,c", "123456,Ｗ２１,10:00:00,1,a,0,c", "0123,**,,,,,", " 12345,**,,,,,",
          "\"12345\",**,,,,,", "99,M21,ten,1,a,0,c"},
         {"　Startlst.dat 2行目: Ｅカード番号 1234 " + warn, "　Startlst.dat 3行目: Ｅカード番号 123456 " + warn,
          "　Startlst.dat 4行目: Ｅカード番号 0123 " + warn, "　Startlst.dat 5行目: Ｅカード番号  12345 " + warn,
          "　Startlst.dat 6行目を読み飛ばしました（Ｅカード番号が重複しています）",
          "　Startlst.dat 7行目を読み飛ばしました（スタート時刻が読めません）"},
         5},
        {"capped", twelve, capped, 12},
        {"stopped by a class",
         {"1,M21,10:00:00,1,a,0,c", "2,**,,,,,", "3,M22,10:00:00,1,a,0,c"},
         {"　Startlst.dat 1行目: Ｅカード番号 1 " + warn, "　Startlst.dat 2行目: Ｅカード番号 2 " + warn,
          "　クラス情報の相違があります", "　Control.dat/Startlst.dat"},
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ev = std::make_unique<Event>();
        ev->ClassNames[0] = "M21";
        ev->ClassNames[1] = "Ｗ２１";
        history = History(test::FixedClock(9, 5, 0));
        Read(c.lines);
        test::Strings texts;
        for (const std::string& t : history.Texts())
            if (t != History::kWarning) texts.push_back(t);
        EXPECT_EQ(texts, c.warnings);
        EXPECT_EQ(ev->Cards.Count(), c.cards);
        EXPECT_EQ(skipped, c.name == std::string("lengths") ? 2 : 0);
    }
}

// The line a row came from is the reader's line, whatever ends the lines; the rest of
// the bytes stay as they were.
TEST(StartListLines, ReplacedAndAppendedByTheReadersLineRules) {
    struct Case {
        std::string bytes;
        int line;
        std::string replaced, appended;
    };
    const std::string row = "9,M21,10:00:00,1,\xE5\xB1\xB1,0,C"; // 山 in UTF-8
    const std::string sjis = Utf8ToCp932(row);
    const Case cases[] = {
        {"a,1\r\nb,2\r\n", 1, "a,1\r\n" + sjis + "\r\n", "a,1\r\nb,2\r\n" + sjis + "\r\n"},
        {"a,1\rb,2\nc,3", 2, "a,1\rb,2\n" + sjis, "a,1\rb,2\nc,3\r\n" + sjis + "\r\n"},
        {"x\r\n\r\na,1", 2, "x\r\n\r\n" + sjis, "x\r\n\r\na,1\r\n" + sjis + "\r\n"},
        {"", 0, sjis + "\r\n", sjis + "\r\n"},
        {"\xEF\xBB\xBF"
         "a,1\n",
         0, "\xEF\xBB\xBF" + row + "\n",
         "\xEF\xBB\xBF"
         "a,1\n" +
             row + "\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithLineReplaced(c.bytes, c.line, row), c.replaced) << c.bytes;
        EXPECT_EQ(WithLineAppended(c.bytes, row), c.appended) << c.bytes;
    }
    // The line each row came from, skipped rows and lines without a comma between.
    Event ev;
    test::EventBuilder(ev).Classes({"M21"});
    const StartListRead read =
        ReadStartListText(ev, "head\r\n1,M21,10:00:00,1,A,0,C\r\nbad,M21,x,1,B,0,C\r\n9,**,0:00:00,0,S,0,S\r\n");
    EXPECT_EQ(read.rowLines, (std::vector<int>{1, 3}));
}

} // namespace
} // namespace quilo
