#include "DialogTestEvent.h"
#include "finish/ResultFields.h"
#include "station/EditLogic.h"
#include "station/Messages.h"

#include <gtest/gtest.h>

using namespace quilo;
using quilo::test::DialogTestEvent;
using quilo::test::Strings;

namespace {

// The enabled state of each column of the states table, in the table's order.
struct Row {
    bool reference, late, byHand, lateMinutes, options, handTime, code;
    bool operator==(const Row&) const = default;
};

class EditLogicTest : public ::testing::Test {
protected:
    EditLogicTest() {
        yamada = ev.Add(0, 345, 12, "山田 太郎");
        other = ev.Add(1, 400, 20, "鈴木 花子");
    }

    static Row States(const EditLogic& l) {
        const auto& c = l.Controls();
        EXPECT_EQ(c.Valid.enabled, c.Disqualified.enabled);
        return {c.Reference.enabled, c.Late.enabled,     c.ByHand.enabled, c.LateMinutes.enabled,
                c.Valid.enabled,     c.HandTime.enabled, c.Code.enabled};
    }

    EditLogic Loaded(int card = 345) {
        EditLogic l(ev.station, ev.Row(card));
        EXPECT_TRUE(l.Load());
        return l;
    }

    DialogTestEvent ev;
    int yamada = 0;
    int other = 0;
};

constexpr Row kAbsentRow{false, false, false, false, false, false, false};
constexpr Row kLateRow{true, true, false, true, false, false, false};
constexpr Row kTimeRow{true, false, true, false, true, true, false};
constexpr Row kCodeRow{true, false, true, false, true, false, true};
constexpr Row kNoOptionRow{true, false, true, false, true, false, false};
constexpr Row kNoneRow{true, true, true, false, false, false, false};

// --- Loading -------------------------------------------------------------------------

TEST_F(EditLogicTest, UnknownCardOrSpareRowIsNotFoundAndChangesNothing) {
    ev.AddSpare(812);
    for (int none : {-1, 2, 999, 501}) {
        EditLogic unknown(ev.station, none);
        EXPECT_FALSE(unknown.Load());
        EXPECT_FALSE(unknown.Loading());
    }
    EditLogic spare(ev.station, ev.Row(812));
    EXPECT_FALSE(spare.Load());
    EXPECT_TRUE(ev.HistoryTexts().empty());
    EXPECT_TRUE(ev.Records().empty());
}

TEST_F(EditLogicTest, LoadFindsTheCompetitorAndShowsTheNameAsCaption) {
    EditLogic l = Loaded();
    EXPECT_EQ(l.CompetitorNumber(), yamada);
    EXPECT_EQ(l.ClassIndex(), 0);
    EXPECT_EQ(l.Slot(), 1);
    EXPECT_EQ(l.Controls().Caption, "山田 太郎");
    EXPECT_FALSE(l.Loading());
}

TEST_F(EditLogicTest, LinesShowTimeInfoPunchesAndGoal) {
    EntryRecord& r = ev.Rec(yamada);
    r.RunningTime = Time::Hms(0, 45, 9);
    Event& e = ev.station.Tables();
    e.PunchTimes[yamada][1] = Time::Hms(0, 5, 0);
    e.PunchTimes[yamada][3] = Time::Hms(0, 12, 7);
    e.PunchTimes[yamada][kFinishPosition] = Time::Hms(0, 45, 9);
    EXPECT_EQ(Loaded().Controls().Lines, (Strings{"Time = 0:45'09\"", "Info = OK", "", "  01 = 0:05'00\"", "  02 = -:--'--\"",
                                                  "  03 = 0:12'07\"", "GOAL = 0:45'09\""}));
}

TEST_F(EditLogicTest, LinesShowStatusAndEmptyCourse) {
    ev.Rec(yamada).Status = "OK";
    EXPECT_EQ(Loaded().Controls().Lines[1], "Info = OK<確定>");
    ev.Rec(yamada).Status = "P2";
    EXPECT_EQ(Loaded().Controls().Lines[1], "Info = P2");
    // A class without course positions, a competitor without times.
    EXPECT_EQ(Loaded(400).Controls().Lines, (Strings{"Time = 0:00'00\"", "Info = OK", "", "GOAL = 0:00'00\""}));
}

TEST_F(EditLogicTest, NothingSetOpensWithTheInitialStates) {
    EditLogic l = Loaded();
    const auto& c = l.Controls();
    EXPECT_FALSE(c.Absent.ticked || c.Reference.ticked || c.Late.ticked || c.ByHand.ticked);
    EXPECT_FALSE(c.Valid.selected || c.Disqualified.selected);
    EXPECT_TRUE(c.Absent.enabled);
    EXPECT_EQ(States(l), kNoneRow);
    EXPECT_EQ(c.LateMinutes.text + c.HandTime.text + c.Code.text, "");
    EXPECT_FALSE(c.ApplyEnabled);
    EXPECT_TRUE(l.NothingSetAtLoad());
    EXPECT_TRUE(l.NotReferenceAtLoad());
}

TEST_F(EditLogicTest, LoadedStatesRunTheHandlersButLeaveChangeDisabled) {
    EntryRecord& r = ev.Rec(yamada);

    r.ManualStatus = "DNS";
    EditLogic absent = Loaded();
    EXPECT_TRUE(absent.Controls().Absent.ticked);
    EXPECT_EQ(States(absent), kAbsentRow);
    EXPECT_FALSE(absent.Controls().ApplyEnabled);
    EXPECT_FALSE(absent.NothingSetAtLoad());

    r.ManualStatus = "";
    r.LateAddition = Time::Hms(1, 30, 30); // 90 minutes 30 seconds
    EditLogic late = Loaded();
    EXPECT_TRUE(late.Controls().Late.ticked);
    EXPECT_EQ(late.Controls().LateMinutes.text, "90");
    EXPECT_EQ(States(late), kLateRow);
    EXPECT_FALSE(late.Controls().ApplyEnabled);

    r.LateAddition = Time();
    r.ManualStatus = "OK";
    r.ManualTime = Time::Hms(1, 23, 45);
    EditLogic manual = Loaded();
    EXPECT_TRUE(manual.Controls().ByHand.ticked);
    EXPECT_TRUE(manual.Controls().Valid.selected);
    EXPECT_EQ(manual.Controls().HandTime.text, "01:23:45");
    EXPECT_EQ(States(manual), kTimeRow);
    EXPECT_FALSE(manual.Controls().ApplyEnabled);

    r.ManualStatus = "P3";
    r.ManualTime = Time();
    EditLogic code = Loaded();
    EXPECT_TRUE(code.Controls().Disqualified.selected);
    EXPECT_EQ(code.Controls().Code.text, "P3");
    EXPECT_EQ(States(code), kCodeRow);
    EXPECT_FALSE(code.Controls().ApplyEnabled);
    EXPECT_FALSE(code.NothingSetAtLoad());
}

TEST_F(EditLogicTest, LoadedReferenceAndLateWithManualRecord) {
    EntryRecord& r = ev.Rec(yamada);
    r.Reference = true;
    r.LateAddition = Time::Minutes(5);
    r.ManualStatus = "DNF";
    EditLogic l = Loaded();
    EXPECT_TRUE(l.Controls().Reference.ticked);
    EXPECT_FALSE(l.NotReferenceAtLoad());
    // Both state boxes ticked: the late start comes first.
    EXPECT_TRUE(l.Controls().Late.ticked);
    EXPECT_TRUE(l.Controls().ByHand.ticked);
    EXPECT_EQ(States(l), kLateRow);
    EXPECT_FALSE(l.Controls().ApplyEnabled);
}

// --- Enabled states and change tracking -------------------------------------------------

TEST_F(EditLogicTest, EnabledStatesTableRowByRow) {
    EditLogic l = Loaded();
    EXPECT_EQ(States(l), kNoneRow);
    l.SetByHand(true);
    EXPECT_EQ(States(l), kNoOptionRow);
    l.SelectValid();
    EXPECT_EQ(States(l), kTimeRow);
    l.SelectDisqualified();
    EXPECT_FALSE(l.Controls().Valid.selected);
    EXPECT_EQ(States(l), kCodeRow);
    l.SetLate(true);
    EXPECT_EQ(States(l), kLateRow);
    l.SetAbsent(true);
    EXPECT_EQ(States(l), kAbsentRow);
    EXPECT_TRUE(l.Controls().Absent.enabled);
    // Disabled boxes keep their ticks, selections and texts.
    EXPECT_TRUE(l.Controls().Late.ticked);
    EXPECT_TRUE(l.Controls().ByHand.ticked);
    EXPECT_TRUE(l.Controls().Disqualified.selected);
    l.SetAbsent(false);
    EXPECT_EQ(States(l), kLateRow);
    l.SetLate(false);
    EXPECT_EQ(States(l), kCodeRow);
    l.SetByHand(false);
    EXPECT_EQ(States(l), kNoneRow);
    EXPECT_TRUE(l.Controls().Disqualified.selected);
}

TEST_F(EditLogicTest, EveryOperatorActionEnablesChangeAndNothingDisablesIt) {
    using Action = void (*)(EditLogic&);
    const Action actions[] = {
        [](EditLogic& l) { l.SetAbsent(true); },     [](EditLogic& l) { l.SetReference(true); },
        [](EditLogic& l) { l.SetLate(true); },       [](EditLogic& l) { l.SetByHand(true); },
        [](EditLogic& l) { l.SelectValid(); },       [](EditLogic& l) { l.SelectDisqualified(); },
        [](EditLogic& l) { l.SetLateMinutes("5"); }, [](EditLogic& l) { l.SetHandTime("1:00:00"); },
        [](EditLogic& l) { l.SetCode("DNF"); },
    };
    for (Action act : actions) {
        EditLogic l = Loaded();
        act(l);
        EXPECT_TRUE(l.Controls().ApplyEnabled);
    }
    EditLogic l = Loaded();
    l.SetReference(true);
    EXPECT_EQ(States(l), kNoneRow); // the reference box leaves the states alone
    l.SetReference(false);
    EXPECT_TRUE(l.Controls().ApplyEnabled);
}

TEST_F(EditLogicTest, SettingTheSameValueRunsNoHandler) {
    EditLogic l = Loaded();
    l.SetAbsent(false);
    l.SetReference(false);
    l.SetLateMinutes("");
    l.SetCode("");
    EXPECT_FALSE(l.Controls().ApplyEnabled);
}

// --- Applying: the state cases -----------------------------------------------------------

// One row per state case: the record before, what the operator does, and what the
// apply leaves in the record, the history and the change file.
TEST_F(EditLogicTest, StateCases) {
    struct Case {
        const char* what;
        void (*before)(EntryRecord&);
        void (*act)(EditLogic&);
        const char* manual;
        const char* status;
        Time running, manualTime, late;
        const char* history;
        const char* record;
        const char* shownCode; // the code box after the apply, when the case shows one
    };
    const Case cases[] = {
        {"absent",
         [](EntryRecord& r) {
             r.RunningTime = Time::Hms(1, 0, 0);
             r.LateAddition = Time::Minutes(3);
             r.Status = "OK";
         },
         [](EditLogic& l) { l.SetAbsent(true); }, "DNS", "DNS", Time(), Time(), Time(), "10:15 (変更)欠席 (0012) 山田 太郎",
         "欠席/345", nullptr},
        {"late start",
         [](EntryRecord& r) {
             r.RunningTime = Time::Hms(1, 0, 0);
             r.ManualStatus = "P1";
             r.Status = "P1";
         },
         [](EditLogic& l) {
             l.SetByHand(false);
             l.SetLate(true);
             l.SetLateMinutes("5");
         },
         "", nullptr, Time(), Time(), Time::Minutes(5), "10:15 (変更)5分遅刻 (0012) 山田 太郎", "遅刻/345,5", nullptr},
        {"time set by hand",
         [](EntryRecord& r) {
             r.LateAddition = Time::Minutes(5);
             r.Status = "DNF";
         },
         [](EditLogic& l) {
             l.SetLate(false);
             l.SetByHand(true);
             l.SelectValid();
             l.SetHandTime("1:23:45");
         },
         "OK", "", Time::Hms(1, 23, 45), Time::Hms(1, 23, 45), Time(), "10:15 (変更)1:23:45 (0012) 山田 太郎",
         "ＯＫ/345,1:23:45", nullptr},
        {"disqualified, the code upper-cased", [](EntryRecord& r) { r.RunningTime = Time::Hms(1, 0, 0); },
         [](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("dnf");
         },
         "DNF", "DNF", Time(), Time(), Time(), "10:15 (変更)DNF (0012) 山田 太郎", "ＮＧ/345,DNF", "DNF"},
        {"release restores the card's own result",
         [](EntryRecord& r) {
             r.ManualStatus = "DNS";
             r.Status = "DNS";
             r.CheckStatus = "P1";
             r.CardTime = Time::Hms(0, 50, 0);
             r.CardRead = true;
         },
         [](EditLogic& l) { l.SetAbsent(false); },
         // A coded card has no running time.
         "", "P1", Time(), Time(), Time(), "10:15 (変更)手動変更解除 (0012) 山田 太郎", "取消/345", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogTestEvent local;
        const int n = local.Add(0, 345, 12, "山田 太郎");
        local.Add(1, 400, 20, "鈴木 花子");
        EntryRecord& r = local.Rec(n);
        c.before(r);
        EditLogic l(local.station, n);
        ASSERT_TRUE(l.Load());
        c.act(l);
        const DialogOutcome res = l.Apply();
        EXPECT_FALSE(res.refused);
        EXPECT_TRUE(res.saveFailures.empty());
        EXPECT_TRUE(l.Closed());
        if (c.shownCode) {
            EXPECT_EQ(l.Controls().Code.text, c.shownCode);
        }
        EXPECT_EQ(r.ManualStatus, c.manual);
        if (c.status) {
            EXPECT_EQ(r.Status, c.status);
        }
        EXPECT_EQ(r.RunningTime, c.running);
        EXPECT_EQ(r.ManualTime, c.manualTime);
        EXPECT_EQ(r.LateAddition, c.late);
        EXPECT_EQ(local.HistoryTexts(), Strings{c.history});
        EXPECT_EQ(local.HistoryItems(), std::vector<int>{345});
        EXPECT_TRUE(local.station.OperationHistory().Lines()[0].keepVisible);
        EXPECT_EQ(local.Records(), Strings{c.record});
    }
}

// The result a late start leaves is the one the next read of the card gives.
TEST_F(EditLogicTest, LateStartResultFollowsTheCard) {
    struct Case {
        bool read;
        const char* check;
        const char* manual;
        Time late;
        const char* status;
        Time running;
    };
    const Time hour = Time::Hms(1, 0, 0);
    const Case cases[] = {
        {false, "", "", Time(), "", Time()},                      // still out: only the minutes
        {true, "", "", Time(), "", Time::Hms(1, 5, 0)},           // valid card
        {true, "P2", "", Time(), "P2", Time::Minutes(5)},         // coded card keeps its code
        {true, "", "", Time::Minutes(3), "", Time::Hms(1, 5, 0)}, // replaces an earlier late start
        {true, "", "DSQ", Time(), "", Time::Hms(1, 5, 0)},        // replaces a code
        {true, "", "DNS", Time(), "", Time::Hms(1, 5, 0)},        // replaces absence
    };
    for (const Case& c : cases) {
        DialogTestEvent local;
        EntryRecord& r = local.Rec(local.Add(0, 345, 12, "A"));
        r.CardRead = c.read;
        r.CheckStatus = c.check;
        r.CardTime = c.read ? hour : Time();
        r.ManualStatus = c.manual;
        r.LateAddition = c.late;
        SettleResultFields(r);
        EditLogic l(local.station, local.Row(345));
        ASSERT_TRUE(l.Load());
        l.SetAbsent(false);
        l.SetByHand(false);
        l.SetLate(true);
        l.SetLateMinutes("5");
        EXPECT_FALSE(l.Apply().refused);
        EXPECT_EQ(r.Status, c.status) << c.check << c.manual;
        EXPECT_EQ(r.RunningTime, c.running) << c.check << c.manual;
        EXPECT_EQ(r.LateAddition, Time::Minutes(5));
    }
}

TEST_F(EditLogicTest, LateMinutesFollowTheLeadingNumberRule) {
    struct Case {
        const char* text;
        int minutes; // -1: refused as no number
    };
    for (Case c : {Case{"abc", -1}, Case{"", -1}, Case{"  ", -1}, Case{"12abc", -1}, Case{"2.5", 2}, Case{"3.5", 4},
                   Case{" 1 2", 12}, Case{"-0.4", 0}, Case{"32767", 32767}}) {
        DialogTestEvent local;
        int n = local.Add(0, 345, 12, "A");
        EditLogic l(local.station, n);
        ASSERT_TRUE(l.Load());
        l.SetLate(true);
        l.SetLateMinutes(c.text);
        const DialogOutcome res = l.Apply();
        if (c.minutes < 0) {
            EXPECT_TRUE(res.refused) << c.text;
            EXPECT_EQ(res.message, EditLogic::kBadLate) << c.text;
            EXPECT_TRUE(local.Records().empty()) << c.text;
            EXPECT_TRUE(local.HistoryTexts().empty()) << c.text;
            continue;
        }
        EXPECT_FALSE(res.refused) << c.text;
        EXPECT_EQ(local.Rec(n).LateAddition, Time::Minutes(c.minutes)) << c.text;
        // The box's text goes into the record as typed.
        EXPECT_EQ(local.Records(), Strings{std::string("遅刻/345,") + c.text});
    }
}

TEST_F(EditLogicTest, ReapplyingAbsentWritesItAgain) {
    ev.Rec(yamada).ManualStatus = "DNS";
    EditLogic l = Loaded();
    l.SetAbsent(false);
    l.SetAbsent(true);
    EXPECT_TRUE(l.Controls().ApplyEnabled);
    l.Apply();
    EXPECT_EQ(ev.Records(), Strings{"欠席/345"});
    EXPECT_EQ(ev.HistoryTexts(), Strings{"10:15 (変更)欠席 (0012) 山田 太郎"});
}

TEST_F(EditLogicTest, NothingSetAndNothingTickedWritesNothing) {
    EditLogic l = Loaded();
    l.SetReference(true);
    l.SetReference(false);
    l.SetLate(true);
    l.SetLate(false);
    DialogOutcome res = l.Apply();
    EXPECT_FALSE(res.refused);
    EXPECT_TRUE(l.Closed());
    EXPECT_TRUE(ev.HistoryTexts().empty());
    EXPECT_TRUE(ev.Records().empty());
}

// --- Applying: the reference step and the order of records --------------------------------

TEST_F(EditLogicTest, ReferenceIsComparedWithTheStateAtLoad) {
    EditLogic on = Loaded();
    on.SetReference(true);
    on.Apply();
    EXPECT_TRUE(ev.Rec(yamada).Reference);

    EditLogic off = Loaded();
    EXPECT_FALSE(off.NotReferenceAtLoad());
    off.SetReference(false);
    off.Apply();
    EXPECT_FALSE(ev.Rec(yamada).Reference);

    EXPECT_EQ(ev.HistoryTexts(),
              (Strings{"10:15 (変更)参考記録 (0012) 山田 太郎", "10:15 (変更)参考記録取消 (0012) 山田 太郎"}));
    EXPECT_EQ(ev.HistoryItems(), (std::vector<int>{345, 345}));
    EXPECT_EQ(ev.Records(), (Strings{"参考/345", "公式/345"}));
}

TEST_F(EditLogicTest, StateRecordComesBeforeTheReferenceRecord) {
    EditLogic l = Loaded();
    l.SetReference(true);
    l.SetAbsent(true);
    l.Apply();
    EXPECT_EQ(ev.HistoryTexts(), (Strings{"10:15 (変更)欠席 (0012) 山田 太郎", "10:15 (変更)参考記録 (0012) 山田 太郎"}));
    EXPECT_EQ(ev.Records(), (Strings{"欠席/345", "参考/345"}));
}

// --- Refusals -------------------------------------------------------------------------------

TEST_F(EditLogicTest, RefusalsChangeNothingAndKeepTheDialogOpen) {
    EntryRecord& r = ev.Rec(yamada);
    r.RunningTime = Time::Hms(1, 0, 0);
    const EntryRecord before = r;

    struct Case {
        void (*setup)(EditLogic&);
        const char* message;
    };
    const Case cases[] = {
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectValid();
             l.SetHandTime("1:2x");
         },
         EditLogic::kBadTime},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectValid();
         },
         EditLogic::kBadTime},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
         },
         EditLogic::kEmptyCode},
        {[](EditLogic& l) { l.SetByHand(true); }, EditLogic::kEmptyCode}, // no option: a code
        {[](EditLogic& l) {
             l.SetLate(true);
             l.SetLateMinutes("40000");
         },
         EditLogic::kLateTooLarge},
        {[](EditLogic& l) {
             l.SetLate(true);
             l.SetLateMinutes("-32769");
         },
         EditLogic::kBadLate},
        {[](EditLogic& l) {
             l.SetLate(true);
             l.SetLateMinutes("-5");
         },
         EditLogic::kBadLate},
        {[](EditLogic& l) {
             l.SetLate(true);
             l.SetLateMinutes("－５");
         },
         EditLogic::kBadLate},
        {[](EditLogic& l) {
             l.SetLate(true);
             l.SetLateMinutes("−1");
         },
         EditLogic::kBadLate},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectValid();
             l.SetHandTime("0:00:00");
         },
         EditLogic::kBadTime},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectValid();
             l.SetHandTime("０：００");
         },
         EditLogic::kBadTime},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("dq/x,y");
         },
         EditLogic::kBadCodeSign},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("a,b");
         },
         EditLogic::kBadCodeSign},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("\"DQ\"");
         },
         EditLogic::kBadCodeSign},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("ＤＱ／１");
         },
         EditLogic::kBadCodeSign},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("ok");
         },
         EditLogic::kOkAsCode},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("ＯＫ");
         },
         EditLogic::kOkAsCode},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode(" OK ");
         },
         EditLogic::kOkAsCode},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("　ｏｋ\t");
         },
         EditLogic::kOkAsCode},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("   ");
         },
         EditLogic::kEmptyCode},
        {[](EditLogic& l) {
             l.SetLate(true);
             l.SetLateMinutes("abc");
         },
         EditLogic::kBadLate},
        {[](EditLogic& l) {
             l.SetLate(true);
             l.SetLateMinutes("");
         },
         EditLogic::kBadLate},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("DQ😀");
         },
         EditLogic::kNotInCodePage},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("D\tQ");
         },
         EditLogic::kNotInCodePage},
    };
    for (const Case& c : cases) {
        EditLogic l = Loaded();
        c.setup(l);
        l.SetReference(true); // the reference step must not run either
        DialogOutcome res = l.Apply();
        EXPECT_TRUE(res.refused);
        EXPECT_EQ(res.message, c.message);
        EXPECT_FALSE(l.Closed());
        EXPECT_TRUE(l.Controls().ApplyEnabled);
        EXPECT_TRUE(l.Controls().Reference.ticked);
    }
    EXPECT_EQ(r.RunningTime, before.RunningTime);
    EXPECT_EQ(r.ManualStatus, before.ManualStatus);
    EXPECT_FALSE(r.Reference);
    EXPECT_TRUE(ev.HistoryTexts().empty());
    EXPECT_TRUE(ev.Records().empty());
}

// Text typed with the input method on is applied, shown, logged and written half-width.
TEST_F(EditLogicTest, FullWidthInputIsTakenHalfWidth) {
    struct Case {
        void (*setup)(EditLogic&);
        const char* shown; // the box's text after the apply
        const char* record;
    };
    const Case cases[] = {
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("ｐ３");
         },
         "P3", "ＮＧ/345,P3"},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode("ｄｓｑ　１");
         },
         "DSQ 1", "ＮＧ/345,DSQ 1"},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectDisqualified();
             l.SetCode(" dsq 1　");
         },
         "DSQ 1", "ＮＧ/345,DSQ 1"},
        {[](EditLogic& l) {
             l.SetByHand(true);
             l.SelectValid();
             l.SetHandTime("１：０５：００");
         },
         "1:05:00", "ＯＫ/345,1:05:00"},
        {[](EditLogic& l) {
             l.SetLate(true);
             l.SetLateMinutes("１２");
         },
         "12", "遅刻/345,12"},
    };
    for (const Case& c : cases) {
        DialogTestEvent local;
        local.Add(0, 345, 12, "A");
        EditLogic l(local.station, local.Row(345));
        ASSERT_TRUE(l.Load());
        c.setup(l);
        EXPECT_FALSE(l.Apply().refused) << c.record;
        const auto& k = l.Controls();
        EXPECT_TRUE(k.LateMinutes.text == c.shown || k.HandTime.text == c.shown || k.Code.text == c.shown) << c.shown;
        EXPECT_EQ(local.Records(), Strings{c.record});
        ASSERT_EQ(local.HistoryTexts().size(), 1u);
        EXPECT_NE(local.HistoryTexts()[0].find(c.shown), std::string::npos);
    }
}

TEST_F(EditLogicTest, ARefusedApplyCanBeCorrectedAndApplied) {
    EditLogic l = Loaded();
    l.SetByHand(true);
    l.SelectValid();
    l.SetHandTime("25:00:00");
    EXPECT_TRUE(l.Apply().refused);
    l.SetHandTime("1:05");
    EXPECT_FALSE(l.Apply().refused);
    EXPECT_EQ(ev.Rec(yamada).ManualTime, Time::Hms(1, 5, 0));
    EXPECT_EQ(ev.Records(), Strings{"ＯＫ/345,1:05"});
}

// --- Change file failures ----------------------------------------------------------------------

TEST_F(EditLogicTest, FailedRecordsAreReportedAndTheCorrectionStands) {
    ev.BreakChangeFile();
    EditLogic l = Loaded();
    l.SetAbsent(true);
    l.SetReference(true);
    DialogOutcome res = l.Apply();
    EXPECT_FALSE(res.refused);
    ASSERT_EQ(res.saveFailures.size(), 2u);
    for (const auto& f : res.saveFailures) {
        EXPECT_EQ(f.path, ev.dir.File("Change.dat"));
        EXPECT_FALSE(ReasonText(f).empty());
    }
    EXPECT_EQ(ev.Rec(yamada).Status, "DNS");
    EXPECT_TRUE(ev.Rec(yamada).Reference);
    EXPECT_EQ(ev.HistoryTexts().size(), 2u);
    EXPECT_TRUE(l.Closed());
}

} // namespace
