#include "results/Evaluation.h"

#include "Clock.h"
#include "EventBuilder.h"
#include "results/LineParts.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::EventBuilder;
using test::T;

EntryRecord Rec(const char* status, Time running) {
    EntryRecord r;
    r.Status = status;
    r.RunningTime = running;
    return r;
}

TEST(ResultRules, StatesAndTimeLimit) {
    EXPECT_EQ(StateOf(Rec("DNS", T(0, 40))), CompetitorState::Absent);
    EXPECT_EQ(StateOf(Rec("", Time())), CompetitorState::NotReturned);
    EXPECT_EQ(StateOf(Rec("", T(0, 40))), CompetitorState::Provisional);
    EXPECT_EQ(StateOf(Rec("OK", Time())), CompetitorState::Confirmed);
    EXPECT_EQ(StateOf(Rec("ok", T(0, 40))), CompetitorState::Coded);

    const Time limit = TimeLimitFromText(" 15 0");
    EXPECT_EQ(limit, T(2, 30));
    EXPECT_FALSE(IsOverTimeLimit(Rec("OK", T(2, 30, 0)), limit));
    EXPECT_TRUE(IsOverTimeLimit(Rec("OK", T(2, 30, 1)), limit));
    EXPECT_EQ(TimeLimitFromText("90.5"), Time::Minutes(90));
    EXPECT_EQ(TimeLimitFromText("99999"), Time::Minutes(32767));
    // Not a number: a limit of 0 puts every running time over it, but not a missing one.
    EXPECT_EQ(TimeLimitFromText("none"), Time());
    EXPECT_TRUE(IsOverTimeLimit(Rec("", Time(1)), Time()));
    EXPECT_FALSE(IsOverTimeLimit(Rec("DNS", Time()), Time()));
}

TEST(ResultRules, TimeTextsAndKeys) {
    EXPECT_EQ(RunningTimeText(Rec("", T(1, 5, 9))), "1:05'09\"");
    EXPECT_EQ(RunningTimeText(Rec("", T(12, 0, 5))), "12:00'05\"");
    EntryRecord start;
    start.StartTime = T(9, 5, 59);
    EXPECT_EQ(StartOrderKey(start), "09:05");
    EXPECT_EQ(ResultSortKey(Rec("OK", Time())), "00:00:00");
    EXPECT_EQ(ResultSortKey(Rec("P", Time())), "99:99:00");
    EXPECT_EQ(ResultSortKey(Rec("P3.5x", Time())), "99:99:04");

    // The result order through the sorter of the lists and files.
    const char* statuses[] = {"p1", "DNQ", "P13", "DNF", "P123", "OK", "P3", "P12", "", "DISQ"};
    KeySorter sorter;
    int slot = 0;
    for (const char* st : statuses) sorter.Add(ResultSortKey(Rec(st, *st ? T(0, 50) : T(0, 45))), ++slot);
    sorter.Sort();
    std::vector<int> order;
    for (int i = 0; i < sorter.Count(); ++i) order.push_back(sorter.SlotAt(i));
    // 0:45, 0:50, P3, P12, P123, P13, DNF, DNQ, then the other codes in the order added.
    EXPECT_EQ(order, (std::vector<int>{9, 6, 7, 8, 5, 3, 4, 2, 1, 10}));
}

TEST(ResultRules, ConfirmationThreshold) {
    // now 12:00. M: a competitor still to start. W: only a reference runner out.
    // X: latest start still out 11:00 (threshold 1:00:00).
    EventBuilder b{"M", "W", "X"};
    const Time now = T(12, 0);
    EntryRecord& m = b.Add(0, T(10, 0));
    m.RunningTime = T(0, 1);
    b.Add(0, T(12, 30));
    EntryRecord& w = b.Add(1, T(10, 0));
    w.RunningTime = T(1, 59);
    b.Add(1, T(11, 59)).Reference = true;
    b.Add(2, T(11, 0));
    b.Add(2, T(10, 30));
    b.Add(2, T(11, 58)).Status = "DNF";
    EntryRecord& equal = b.Add(2, T(9, 0));
    equal.RunningTime = T(1, 0, 0);
    EntryRecord& under = b.Add(2, T(9, 0));
    under.RunningTime = T(0, 59, 59);
    under.Reference = true;
    for (int c = 0; c < 3; ++c) ConfirmClassResults(*b, c, now);
    EXPECT_EQ(m.Status, "");
    EXPECT_EQ(w.Status, "OK");
    EXPECT_EQ(equal.Status, "");
    EXPECT_EQ(under.Status, "OK");
    EXPECT_EQ(LatestStartOut(*b, 2), T(11, 0));
}

TEST(ResultRules, Places) {
    EventBuilder b{"M21"};
    auto add = [&](const char* status, Time running, bool reference = false) {
        EntryRecord& r = b.Add(0, T(10, 0));
        r.Status = status;
        r.RunningTime = running;
        r.Reference = reference;
        r.Place = 99; // left from an earlier refresh
    };
    add("OK", T(0, 41, 10));
    add("OK", T(0, 30), true); // the fastest, but a reference
    add("", T(0, 41, 10));
    add("OK", T(0, 45));
    add("OK", Time()); // confirmed without running time
    add("P2", T(0, 20));
    add("DNS", Time());
    add("", Time());
    add("OK", T(3, 0)); // over any limit
    AssignClassPlaces(*b, 0);
    std::vector<int> places;
    for (int s = 1; s <= 9; ++s) places.push_back(b->Entries[0][s].Place);
    EXPECT_EQ(places, (std::vector<int>{2, 0, 2, 4, 1, 0, 0, 0, 5}));
}

// The list builders format times themselves; they must agree with the core forms.
TEST(LineWriter, TimeFormsMatchTheCoreFormats) {
    for (std::int64_t s = -90000; s <= 200000; s += 7) {
        std::string hms, hm, h;
        parts::LineWriter(hms).HhNnSs(Time(s));
        parts::LineWriter(hm).HhNn(Time(s));
        parts::LineWriter(h).HNnSs(Time(s), 0);
        ASSERT_EQ(hms + hm + h, FormatHhNnSs(Time(s)) + FormatHhNn(Time(s)) + FormatHNnSs(Time(s))) << s;
    }
}

} // namespace
} // namespace quilo
