#include "finish/FinishLog.h"

#include "Clock.h"
#include "EventBuilder.h"
#include "TestSupport.h"
#include "core/Cp932.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace quilo {
namespace {

using test::FixedClock;
using test::Strings;
using test::T;

// Class 0: 31, 32, 33 and finish 100. Class 1 repeats 31 at positions 1 and 3; class 2
// has the finish code 200 also as position 2; class 3 has no course positions.
// Competitor n runs in class n with card 1000n; card 20001 is a spare row (n = 4).
struct FinishLogTest : ::testing::Test {
    test::TempDir dir;
    test::EventBuilder ev;
    History history{FixedClock(9, 5, 0)};

    FinishLogTest() {
        ev.Course(0, {{31}, {32}, {33}}, 100);
        ev.Course(1, {{31}, {32}, {31}}, 100);
        ev.Course(2, {{41}, {200}, {43}}, 200);
        ev.Course(3, {}, 100);
        for (int n = 0; n < 4; ++n) ev.Card("1000" + std::to_string(n), n, 1);
        ev.Spare("20001");
    }
    static std::string Line(const std::string& card, const std::string& pairs) {
        return "001,(" + card + "),2024/05/01,10:00:00,x,y" + (pairs.empty() ? "" : "," + pairs);
    }
    EntryRecord& Rec(int n) { return ev->Entries[n][1]; }
    void Check(int n, const std::string& pairs) { CheckLine(*ev, n, Line("1000" + std::to_string(n), pairs)); }
    void ReadLog(const std::vector<std::string>& lines, const SparePrompt& prompt = {}) {
        test::WriteCp932(dir.File("Regnly.log"), lines);
        EXPECT_TRUE(ReadFinishLogFile(*ev, dir.File("Regnly.log"), history, prompt));
    }
};

TEST_F(FinishLogTest, OutcomeOfThePunchCheck) {
    struct Case {
        int cls;
        const char* pairs;
        const char* outcome;
        Time card;
    } cases[] = {
        {0, "31,0:10:00,32,0:20:00,33,0:30:00,100,0:40:00", "", T(0, 40)},
        {0, "31,0:10:00,33,0:30:00,100,0:40:00", "P1", T(0, 40)},
        {0, "33,0:30:00,100,0:40:00", "P2", T(0, 40)},
        {0, "31,0:10:00,32,0:20:00,100,0:40:00", "DNF", T(0, 40)},
        {0, "31,0:10:00,100,0:40:00", "DNF", T(0, 40)},
        {0, "31,0:10:00,32,0:20:00,33,0:30:00", "DNQ", Time()},
        {0, "", "DNQ", Time()},
        // Each position is searched from the entry taken for the one before.
        {0, "31,0:10:00,33,0:30:00,32,0:20:00,100,0:40:00", "DNF", T(0, 40)},
        // The first finish pair decides, wherever it stands; extra codes change nothing.
        {0, "100,0:05:00,31,0:10:00,50,0:11:00,32,0:20:00,33,0:30:00,100,0:40:00", "", T(0, 5)},
        // A code left without its time field is not read.
        {0, "31,0:10:00,32,0:20:00,33,0:30:00,100", "DNQ", Time()},
        // An empty code reads as 0, which the unset finish alternatives accept.
        {0, "31,0:10:00,32,0:20:00,33,0:30:00,,0:45:00", "", T(0, 45)},
        // A code used twice is always placed at its first position.
        {1, "31,0:10:00,32,0:20:00,31,0:30:00,100,0:40:00", "DNF", T(0, 40)},
        // A course code that is also a finish code is only ever the finish.
        {2, "41,0:10:00,200,0:20:00,43,0:30:00", "P1", T(0, 20)},
        {3, "100,0:40:00", "", T(0, 40)},
        {3, "31,0:10:00", "DNQ", Time()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pairs);
        Check(c.cls, c.pairs);
        EXPECT_EQ(Rec(c.cls).CheckStatus, c.outcome);
        EXPECT_EQ(Rec(c.cls).Status, c.outcome);
        EXPECT_EQ(Rec(c.cls).CardTime, c.card);
        EXPECT_EQ(Rec(c.cls).RunningTime, std::string(c.outcome).empty() ? c.card : Time());
    }
}

TEST_F(FinishLogTest, PunchTimesFollowTheTakenEntries) {
    ev->PunchTimes[0][5] = T(1, 0);
    Check(0, "31,0:10:00,33,0:30:00,32,0:20:00,100,0:40:00");
    EXPECT_EQ(ev->PunchTimes[0][1], T(0, 10));
    EXPECT_EQ(ev->PunchTimes[0][2], T(0, 20));
    EXPECT_EQ(ev->PunchTimes[0][3], Time());
    EXPECT_EQ(ev->PunchTimes[0][31], T(0, 40));
    EXPECT_EQ(ev->PunchTimes[0][5], T(1, 0)); // beyond the course: not touched
}

TEST_F(FinishLogTest, ManualFieldsApplyOnTop) {
    const std::string valid = "31,0:10:00,32,0:20:00,33,1:00:00,100,1:00:00";
    const std::string dnf = "31,0:10:00,100,1:00:00";
    struct Case {
        std::string pairs, manualStatus;
        Time manualTime, late;
        std::string status, check;
        Time running;
    } cases[] = {
        {valid, "DNS", Time(), Time(), "DNS", "", Time()}, {dnf, "OK", T(1, 10), Time(), "", "DNF", T(1, 10)},
        {dnf, "", T(1, 10), Time(), "", "DNF", T(1, 10)},  {valid, "", Time(), T(0, 2), "", "", T(1, 2)},
        {dnf, "", Time(), T(0, 2), "DNF", "DNF", T(0, 2)}, {valid, "P3", Time(), Time(), "P3", "", Time()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manualStatus + " " + c.pairs);
        Rec(0).ManualStatus = c.manualStatus;
        Rec(0).ManualTime = c.manualTime;
        Rec(0).LateAddition = c.late;
        Check(0, c.pairs);
        EXPECT_EQ(Rec(0).Status, c.status);
        EXPECT_EQ(Rec(0).CheckStatus, c.check);
        EXPECT_EQ(Rec(0).RunningTime, c.running);
        EXPECT_EQ(Rec(0).CardTime, T(1, 0));
    }
}

TEST_F(FinishLogTest, CardNumberIsFiveCharactersAfterTheFirstParenthesis) {
    EXPECT_EQ(CardNumberText(Utf8ToCp932("x(ＡＢ123)(99999),1")), "ＡＢ123");
    EXPECT_EQ(CardNumberText("1234567,x"), "12345");
    EXPECT_EQ(CardNumberText("a,(12"), "12");
}

TEST_F(FinishLogTest, RunReportsOnceAndLastLineWins) {
    EXPECT_FALSE(ReadFinishLogFile(*ev, dir.File("Regnly.log"), history, {}));
    EXPECT_EQ(history.Count(), 0);
    ReadLog({"ヘッダ", Line("10000", "31,0:10:00,32,0:20:00,33,0:30:00,100,0:40:00"), Line("10000", "100,0:50:00")});
    EXPECT_EQ(Rec(0).Status, "DNF");
    EXPECT_EQ(Rec(0).CardTime, T(0, 50));
    ASSERT_EQ(history.Count(), 1);
    EXPECT_EQ(history.Lines()[0].text, "09:05 (読込)ゴールデータ");
    EXPECT_FALSE(history.Lines()[0].keepVisible);
}

// Each warning comes once per run, in a fixed order, whatever lines caused it. A punch
// whose time cannot be read is left out, but only when its code is on the course.
TEST_F(FinishLogTest, WarningsOfARun) {
    ReadLog({Line("10000", "50,zz,31,0:10:00,32,0:20:00,33,0:30:00,100,0:40:00"), Line("77777", ""),
             Line("10000", "31,9:99,32,0:20:00,33,0:30:00,100,0:40:00"), Line("20001", "100,0:40:00"), Line("10001", "100,"),
             Line("88888", ""), Line("20001", "")});
    EXPECT_EQ(Rec(0).Status, "P1");
    EXPECT_EQ(ev->PunchTimes[0][1], Time());
    EXPECT_EQ(Rec(1).Status, "DNQ");
    EXPECT_EQ(history.Texts(),
              (Strings{"09:05 (読込)ゴールデータ", History::kWarning, "  　スタートリストにないＥカードがあります",
                       History::kWarning, "  　未入力の予備Ｅカード情報があります", History::kWarning,
                       "　Regnly.log 3行目: 時刻を読めないパンチを無視しました"}));
    for (int i : {2, 4, 6}) EXPECT_TRUE(history.Lines()[i].keepVisible);
}

TEST_F(FinishLogTest, SparePromptAssignsOrLeavesTheCard) {
    std::vector<int> asked;
    auto cancel = [&](int id) {
        asked.push_back(id);
        return SpareAnswer::Cancelled;
    };
    // The prompt names the spare card's start-list row.
    const int row = *ev->Cards.Find("20001");
    ASSERT_EQ(ev->EntryClass[row], -1);
    ReadLog({Line("20001", "100,0:40:00"), Line("20001", "100,0:41:00")}, cancel);
    EXPECT_EQ(asked, (std::vector<int>{row, row}));
    EXPECT_EQ(history.Texts().back(), "  　未入力の予備Ｅカード情報があります");

    // Assigned to the competitor of class 3: the same line is then checked for them.
    asked.clear();
    auto assign = [&](int id) {
        asked.push_back(id);
        ev->Cards.Remove("20001");
        ev->Cards.Add("20001", 3);
        return SpareAnswer::Assigned;
    };
    ReadLog({Line("20001", "100,0:40:00"), Line("20001", "31,0:10:00")}, assign);
    EXPECT_EQ(asked, (std::vector<int>{row}));
    EXPECT_EQ(Rec(3).Status, "DNQ");
    EXPECT_EQ(history.Texts().back(), "09:05 (読込)ゴールデータ");
}

// The first line with a comma and a real date in its second field gives the day.
TEST_F(FinishLogTest, FirstReadDateIsTheFirstDatedLine) {
    const struct {
        Strings lines;
        const char* want;
    } cases[] = {
        {{"1,2026/12/06,11:00:20,0001,R,(10001),69,0:02:25", "2,2026/12/07,09:00:00,0001,R,(10002)"}, "2026-12-06"},
        {{"ヘッダ 2026/01/01", "見出し,日付,時刻", "1,2026/2/3,x", "2,2026/02/30,x", "3,2026/12/07,x"}, "2026-12-07"},
        {{"1,\"2026/12/08\",x,(10001)"}, "2026-12-08"},
        {{"1,2026-12-09,x"}, "2026-12-09"},
        {{"2026/12/06", "1, 2026/12/06,x", "1,x,2026/12/06"}, nullptr},
        {{}, nullptr},
    };
    for (const auto& c : cases) {
        test::WriteCp932(dir.File("Regnly.log"), c.lines);
        const std::optional<LocalDate> d = FirstReadDate(dir.File("Regnly.log"));
        EXPECT_EQ(d ? IsoDate(*d) : "none", c.want ? c.want : "none") << (c.lines.empty() ? "" : c.lines[0]);
    }
    EXPECT_FALSE(FirstReadDate(dir.File("missing.log")));
}

} // namespace
} // namespace quilo
