#include "finish/ChangeFile.h"

#include "Clock.h"
#include "EventBuilder.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace quilo {
namespace {

using test::FixedClock;
using test::Strings;
using test::T;

const std::string kDefaultUnreadable = "  　変更データが読み込めません";
const std::string kDefaultMismatch = "  　（Ｅカード番号不一致）";

// Cards 1001 and 1002 are competitors 0 and 1 of class 0; 9001 and 9002 are spare rows.
struct ChangeFileTest : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<Event> ev;
    History history{FixedClock(9, 5, 0)};

    ChangeFileTest() { Reset(); }
    void Reset() {
        ev = std::make_unique<Event>();
        test::EventBuilder b(*ev);
        for (int card : {1001, 1002}) b.Competitor(0, Time(), 0, card, "", 0, "");
        b.Spare("9001");
        b.Spare("9002");
    }
    EntryRecord& Rec(int n) { return ev->Entries[0][n + 1]; }
    void Load(const std::vector<std::string>& lines, bool endLastLine = true) {
        test::WriteCp932(dir.File("Change.dat"), lines, endLastLine);
        EXPECT_TRUE(test::Into(history, LoadChangeFile(*ev, dir.File("Change.dat"))));
    }
};

TEST_F(ChangeFileTest, EachKindSetsItsFields) {
    struct Case {
        std::string line, status, manual;
        Time running, manualTime, late;
        bool reference;
    } cases[] = {
        {"欠席/1001", "DNS", "DNS", Time(), Time(), Time(), true},
        {"遅刻/1001,5", "", "", Time(), Time(), T(0, 5), true},
        {"遅刻/1001, 1 0分", "", "", Time(), Time(), T(0, 10), true},
        {"遅刻/1001,99999", "", "", Time(), Time(), Time::Minutes(32767), true},
        {"ＯＫ/1001,1:23:45", "", "OK", T(1, 23, 45), T(1, 23, 45), Time(), true},
        {"ＮＧ/1001,P3", "P3", "P3", Time(), Time(), Time(), true},
        {"取消/1001", "", "", Time(), Time(), Time(), true},
        {"参考/1001", "X", "Y", T(1, 0), T(1, 0), T(0, 1), true},
        {"公式/1001", "X", "Y", T(1, 0), T(1, 0), T(0, 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Reset();
        EntryRecord& e = Rec(0);
        e.Status = "X";
        e.ManualStatus = "Y";
        e.RunningTime = e.ManualTime = T(1, 0);
        e.LateAddition = T(0, 1);
        e.Reference = true;
        Load({c.line});
        EXPECT_EQ(e.Status, c.status);
        EXPECT_EQ(e.ManualStatus, c.manual);
        EXPECT_EQ(e.RunningTime, c.running);
        EXPECT_EQ(e.ManualTime, c.manualTime);
        EXPECT_EQ(e.LateAddition, c.late);
        EXPECT_EQ(e.Reference, c.reference);
    }
    EXPECT_EQ(history.Count(), 0);
}

TEST_F(ChangeFileTest, RecordsReplayInOrderAndUnknownLinesAreIgnored) {
    Load({"欠席/1001", "OK/1002,1:00:00", "スラッシュのない行", "未知/1002", "参考/1002", "取消/1001", "遅刻/1002,3",
          "公式/1002", "ＮＧ/1002,DNF"},
         /*endLastLine=*/false);
    EXPECT_EQ(Rec(0).Status, "");
    EXPECT_EQ(Rec(0).ManualStatus, "");
    EXPECT_EQ(Rec(1).Status, "DNF");
    EXPECT_EQ(Rec(1).LateAddition, Time());
    EXPECT_FALSE(Rec(1).Reference);
    EXPECT_EQ(history.Count(), 0);
}

TEST_F(ChangeFileTest, SpareRecordRekeysTheCard) {
    Load({"予備/9001,1002", "欠席/9001"});
    EXPECT_EQ(ev->Cards.Find("9001"), 1);
    EXPECT_EQ(ev->Cards.Find("1002"), 1);
    EXPECT_EQ(Rec(1).EcardNumber, 9001);
    EXPECT_EQ(Rec(1).Status, "DNS");
}

// The replay ends at a record whose card leads to no competitor: an unknown number, a spare row nobody has taken, or a spare
// record with either number unknown (which must not take the spare card's key away).
TEST_F(ChangeFileTest, UnknownCardEndsTheReplayWithTheLinesOfItsKind) {
    const std::string spaceFirstUnreadable = "　  変更データが読み込めません";
    const std::string spaceFirstMismatch = "　  （Ｅカード番号不一致）";
    struct Case {
        std::string line, unreadable, mismatch;
    } cases[] = {
        {"欠席/5555", spaceFirstUnreadable, kDefaultMismatch},
        {"遅刻/5555,3", spaceFirstUnreadable, kDefaultMismatch},
        {"ＯＫ/5555,1:00:00", spaceFirstUnreadable, kDefaultMismatch},
        {"ＮＧ/5555,DNF", kDefaultUnreadable, spaceFirstMismatch},
        {"取消/5555", kDefaultUnreadable, kDefaultMismatch},
        {"参考/5555", kDefaultUnreadable, kDefaultMismatch},
        {"公式/5555", kDefaultUnreadable, kDefaultMismatch},
        {"予備/5555,1001", kDefaultUnreadable, kDefaultMismatch},
        {"欠席/9002", spaceFirstUnreadable, kDefaultMismatch},
        {"予備/9001,5555", kDefaultUnreadable, kDefaultMismatch},
        {"予備/9001,9002", kDefaultUnreadable, kDefaultMismatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Reset();
        History h{FixedClock(9, 5, 0)};
        test::WriteCp932(dir.File("Change.dat"), {"参考/1001", c.line, "欠席/1002", "予備/9001,1002"});
        EXPECT_TRUE(test::Into(h, LoadChangeFile(*ev, dir.File("Change.dat"))));
        EXPECT_TRUE(Rec(0).Reference);
        EXPECT_EQ(Rec(1).Status, "");
        EXPECT_EQ(ev->Cards.Find("9001"), 2);
        EXPECT_EQ(ev->Cards.Count(), 4);
        EXPECT_EQ(h.Texts(), (Strings{History::kWarning, c.unreadable, c.mismatch}));
        EXPECT_TRUE(h.Lines().back().keepVisible);
    }
}

// Cards spelled with leading zeros: records carry the start list's text, and a record of
// an older file that names the card by its number alone finds the one card of that number.
TEST(ChangeFileCards, LeadingZerosAndRecordsByNumber) {
    struct Case {
        std::vector<std::string> records;
        const char* absentCard;   // the card whose competitor ends absent ("" none)
        const char* spareLeadsTo; // the card 09001 then leads to ("" still a spare row)
        int byNumber;             // records matched by number (said once)
    } cases[] = {
        {{"欠席/01234"}, "01234", "", 0},
        {{"欠席/1234"}, "01234", "", 1},
        {{"欠席/90001"}, "90001", "", 0},
        {{"予備/09001,01234", "欠席/09001"}, "01234", "01234", 0},
        {{"予備/9001,1234", "欠席/9001"}, "01234", "01234", 2},
        {{"予備/9001,90001"}, "", "90001", 1},
        // Two cards of the number 555 ("00555", "555"): neither is taken for "0555".
        {{"欠席/0555"}, "", "", 0},
        {{"欠席/555"}, "555", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records.front());
        auto ev = std::make_unique<Event>();
        test::EventBuilder b(*ev);
        for (const char* card : {"01234", "90001", "00555", "555"}) {
            b.Add(0, Time(), 2, 0, card);
            b.Card(card, 0, ev->ClassEntryCount[0]);
        }
        b.Spare("09001");
        test::TempDir dir;
        History h{FixedClock(9, 5, 0)};
        test::WriteCp932(dir.File("Change.dat"), c.records);
        EXPECT_TRUE(test::Into(h, LoadChangeFile(*ev, dir.File("Change.dat"))));
        for (int n = 0; n < ev->Cards.Count() - 1; ++n) {
            const EntryRecord& r = *ev->EntryOf(n);
            EXPECT_EQ(r.Status == "DNS", r.EcardText == c.absentCard || ev->CardTexts[n] == c.absentCard) << n;
        }
        const int spare = *ev->Cards.Find("09001");
        EXPECT_EQ(ev->EntryClass[spare] == -1 ? "" : ev->CardTexts[spare], std::string(c.spareLeadsTo));
        int said = 0;
        for (const auto& t : h.Texts()) said += t.find("番号で照合") != std::string::npos;
        EXPECT_EQ(said, c.byNumber > 0 ? 1 : 0);
        if (c.byNumber > 0) {
            EXPECT_NE(h.Texts()[1].find(std::to_string(c.byNumber) + "件"), std::string::npos);
        }
    }
}

TEST_F(ChangeFileTest, UnreadableOkTimeSkipsOnlyThatRecord) {
    Rec(0).ManualStatus = "DNS";
    Load({"参考/1002", "ＯＫ/1001,1:7x", "遅刻/1002,2"});
    EXPECT_EQ(Rec(0).ManualStatus, "DNS");
    EXPECT_EQ(Rec(1).LateAddition, T(0, 2));
    EXPECT_EQ(history.Texts(), (Strings{History::kWarning, "　Change.dat 2行目を読み飛ばしました（時刻ではありません）"}));
}

TEST_F(ChangeFileTest, SaveAppendsWholeLines) {
    const std::string path = dir.File("Change.dat");
    ASSERT_TRUE(SaveChangeRecord(path, "欠席/1001"));
    ASSERT_TRUE(SaveChangeRecord(path, "ＮＧ/1002,P3"));
    EXPECT_EQ(test::ReadCp932Lines(path), (Strings{"欠席/1001", "ＮＧ/1002,P3"}));
}

} // namespace
} // namespace quilo
