#include "results/Evaluation.h"

#include "ResultsFixture.h"
#include "core/Time.h"
#include "results/LineParts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quilo {
namespace {

using test::EventBuilder;
using test::T;

EntryRecord Rec(const std::string& status, Time running, bool reference = false) {
    EntryRecord r;
    r.Status = status;
    r.RunningTime = running;
    r.Reference = reference;
    return r;
}

TEST(Evaluation, StateFollowsStatusAndRunningTime) {
    EXPECT_EQ(StateOf(Rec("DNS", Time())), CompetitorState::Absent);
    EXPECT_EQ(StateOf(Rec("DNS", T(0, 40))), CompetitorState::Absent);
    EXPECT_EQ(StateOf(Rec("", Time())), CompetitorState::NotReturned);
    EXPECT_EQ(StateOf(Rec("", T(0, 40))), CompetitorState::Provisional);
    EXPECT_EQ(StateOf(Rec("OK", Time())), CompetitorState::Confirmed);
    EXPECT_EQ(StateOf(Rec("ok", T(0, 40))), CompetitorState::Coded);  // exact, case-sensitive
    EXPECT_EQ(StateOf(Rec("DNF", Time())), CompetitorState::Coded);
    EXPECT_EQ(StateOf(Rec("P2", T(0, 40))), CompetitorState::Coded);

    EXPECT_FALSE(HasResult(Rec("", Time())));
    EXPECT_TRUE(HasResult(Rec("", Time(1))));
    EXPECT_TRUE(HasResult(Rec("DNS", Time())));
}

TEST(Evaluation, TimeLimitReadsTheLeadingWholeMinutes) {
    EXPECT_EQ(TimeLimitFromText("150"), T(2, 30));
    EXPECT_EQ(TimeLimitFromText(" 1 20 min"), Time::Minutes(120));
    EXPECT_EQ(TimeLimitFromText("90.5"), Time::Minutes(90));  // halves to even
    EXPECT_EQ(TimeLimitFromText("91.5"), Time::Minutes(92));
    EXPECT_EQ(TimeLimitFromText("abc"), Time());
    EXPECT_EQ(TimeLimitFromText(""), Time());
    EXPECT_EQ(TimeLimitFromText("99999"), Time::Minutes(32767));
}

TEST(Evaluation, TimeLimitFromSettings) {
    IniFile settings;  // no file: every key reads empty
    EXPECT_EQ(TimeLimitOf(settings), Time());
}

TEST(Evaluation, OverTheLimitIsStrictlyLonger) {
    Time limit = TimeLimitFromText("150");
    EXPECT_FALSE(IsOverTimeLimit(Rec("OK", T(2, 30, 0)), limit));
    EXPECT_TRUE(IsOverTimeLimit(Rec("OK", T(2, 30, 1)), limit));
    EXPECT_FALSE(IsOverTimeLimit(Rec("", Time()), limit));

    // A limit that is not a number puts every running time over it, but not a missing one.
    Time zero = TimeLimitFromText("none");
    EXPECT_TRUE(IsOverTimeLimit(Rec("", Time(1)), zero));
    EXPECT_FALSE(IsOverTimeLimit(Rec("DNS", Time()), zero));
}

TEST(Evaluation, RunningTimeTextIsSevenColumnsAndAQuote) {
    EXPECT_EQ(RunningTimeText(Rec("", T(1, 5, 9))), "1:05'09\"");
    EXPECT_EQ(RunningTimeText(Rec("", T(0, 41, 10))), "0:41'10\"");
    EXPECT_EQ(RunningTimeText(Rec("", Time())), "0:00'00\"");
    EXPECT_EQ(RunningTimeText(Rec("", T(12, 0, 5))), "12:00'05\"");  // wider: written whole
}

TEST(Evaluation, ResultSortKeys) {
    EXPECT_EQ(ResultSortKey(Rec("", T(0, 41, 10))), "00:41:10");
    EXPECT_EQ(ResultSortKey(Rec("OK", T(1, 2, 3))), "01:02:03");
    EXPECT_EQ(ResultSortKey(Rec("OK", Time())), "00:00:00");
    EXPECT_EQ(ResultSortKey(Rec("DNF", T(0, 50))), "99:99:97");
    EXPECT_EQ(ResultSortKey(Rec("DNQ", Time())), "99:99:98");
    EXPECT_EQ(ResultSortKey(Rec("P3", T(0, 50))), "99:99:03");
    EXPECT_EQ(ResultSortKey(Rec("P12", T(0, 50))), "99:99:12");
    EXPECT_EQ(ResultSortKey(Rec("P123", T(0, 50))), "99:99:123");
    EXPECT_EQ(ResultSortKey(Rec("P 4", Time())), "99:99:04");
    EXPECT_EQ(ResultSortKey(Rec("P2.5", Time())), "99:99:02");
    EXPECT_EQ(ResultSortKey(Rec("P3.5", Time())), "99:99:04");
    EXPECT_EQ(ResultSortKey(Rec("P", Time())), "99:99:00");
    EXPECT_EQ(ResultSortKey(Rec("Px", Time())), "99:99:00");
    EXPECT_EQ(ResultSortKey(Rec("p3", Time())), "99:99:99");
    EXPECT_EQ(ResultSortKey(Rec("DNS", Time())), "99:99:99");
    EXPECT_EQ(ResultSortKey(Rec("DISQ", T(0, 50))), "99:99:99");
}

TEST(Evaluation, ResultOrderOfTimesAndCodes) {
    const char* statuses[] = {"p1", "DNQ", "P13", "DNF", "P123", "OK", "P3", "P12", "", "DISQ"};
    SortPairs pairs;
    int slot = 0;
    for (const char* st : statuses) {
        Time running = std::string(st) == "OK" ? T(0, 50) : std::string(st).empty() ? T(0, 45) : T(0, 30);
        pairs.emplace_back(ResultSortKey(Rec(st, running)), ++slot);
    }
    SortByKey(pairs);
    std::vector<int> order;
    for (const auto& p : pairs) order.push_back(p.second);
    // 0:45 and 0:50 first, then P3, P12, P123, P13, DNF, DNQ, and the other codes in slot order.
    EXPECT_EQ(order, (std::vector<int>{9, 6, 7, 8, 5, 3, 4, 2, 1, 10}));
}

TEST(Evaluation, StartOrderKeyIsTheStartMinute) {
    EntryRecord r;
    r.StartTime = T(9, 5, 59);
    EXPECT_EQ(StartOrderKey(r), "09:05");
}

TEST(Evaluation, SortByKeyKeepsSlotOrderOfEqualKeys) {
    SortPairs pairs{{"10:01", 1}, {"10:00", 2}, {"10:01", 3}, {"10:00", 4}, {"09:59", 5}};
    SortByKey(pairs);
    EXPECT_EQ(pairs, (SortPairs{{"09:59", 5}, {"10:00", 2}, {"10:00", 4}, {"10:01", 1}, {"10:01", 3}}));
}

TEST(Evaluation, KeySorterOrdersByWholeKeyText) {
    // Keys longer than 8 bytes, keys that share their first 8 bytes, and equal keys.
    KeySorter sorter;
    for (int round = 0; round < 2; ++round) {  // reused between classes
        sorter.Clear();
        const char* keys[] = {"99:99:13", "99:99:123", "00:41:10", "99:99:12", "99:99:1234", "00:41:10", "99:99:99", "9"};
        int slot = 0;
        for (const char* k : keys) sorter.Add(k, ++slot);
        sorter.Sort();
        std::vector<std::pair<std::string, int>> got;
        for (int i = 0; i < sorter.Count(); ++i) got.emplace_back(std::string(sorter.KeyAt(i)), sorter.SlotAt(i));
        EXPECT_EQ(got, (std::vector<std::pair<std::string, int>>{{"00:41:10", 3},
                                                                {"00:41:10", 6},
                                                                {"9", 8},
                                                                {"99:99:12", 4},
                                                                {"99:99:123", 2},
                                                                {"99:99:1234", 5},
                                                                {"99:99:13", 1},
                                                                {"99:99:99", 7}}));
    }
}

// Confirmation: class 0 is examined, class 1 has someone still out.
class Confirmation : public ::testing::Test {
protected:
    EventBuilder b{"M21", "W21"};
    Time now = T(12, 0, 0);

    EntryRecord& Finisher(Time running) {
        EntryRecord& r = b.Add(0, T(10, 0));
        r.RunningTime = running;
        return r;
    }
};

TEST_F(Confirmation, NobodyOutConfirmsEveryProvisionalResult) {
    EntryRecord& a = Finisher(T(0, 45));
    EntryRecord& c = Finisher(T(2, 10));
    b.Add(1, T(11, 59)).Status = "";  // out in another class: no effect here
    EntryRecord& dns = b.Add(0, T(11, 50));
    dns.Status = "DNS";
    ConfirmClassResults(*b, 0, now);
    EXPECT_EQ(a.Status, "OK");
    EXPECT_EQ(c.Status, "OK");
    EXPECT_EQ(dns.Status, "DNS");
    EXPECT_EQ(LatestStartOut(*b, 0), Time());
    EXPECT_EQ(LatestStartOut(*b, 1), T(11, 59));
}

TEST_F(Confirmation, ACompetitorStillToStartHoldsTheClassBack) {
    EntryRecord& a = Finisher(T(0, 1));
    b.Add(0, T(12, 30));  // starts in the future: negative threshold
    ConfirmClassResults(*b, 0, now);
    EXPECT_EQ(a.Status, "");
}

TEST_F(Confirmation, TheThresholdIsStrict) {
    // The latest still-out start is 11:00 (an earlier start does not lower it): threshold 1:00:00.
    b.Add(0, T(11, 0));
    b.Add(0, T(10, 30));
    EntryRecord& equal = Finisher(T(1, 0, 0));
    EntryRecord& under = Finisher(T(0, 59, 59));
    EntryRecord& coded = Finisher(T(0, 30));
    coded.Status = "DNF";
    ConfirmClassResults(*b, 0, now);
    EXPECT_EQ(equal.Status, "");
    EXPECT_EQ(under.Status, "OK");
    EXPECT_EQ(coded.Status, "DNF");
}

TEST_F(Confirmation, AReferenceRunnerOutDoesNotHoldBack) {
    b.Add(0, T(11, 59)).Reference = true;
    EntryRecord& a = Finisher(T(1, 30));
    EntryRecord& ref = Finisher(T(1, 40));
    ref.Reference = true;
    ConfirmClassResults(*b, 0, now);
    EXPECT_EQ(a.Status, "OK");
    EXPECT_EQ(ref.Status, "OK");
}

TEST_F(Confirmation, OnlyAStatusLessRecordWithoutTimeIsOut) {
    // A DNF without running time and an absent competitor are not out.
    EntryRecord& dnf = b.Add(0, T(11, 59));
    dnf.Status = "DNF";
    b.Add(0, T(11, 58)).Status = "DNS";
    EntryRecord& a = Finisher(T(1, 30));
    ConfirmClassResults(*b, 0, now);
    EXPECT_EQ(a.Status, "OK");
}

std::vector<int> PlacesOf(const Event& ev, int c) {
    std::vector<int> places;
    for (int s = 1; s <= ev.ClassEntryCount[static_cast<std::size_t>(c)]; ++s) places.push_back(ev.Entries[c][s].Place);
    return places;
}

TEST(Places, EqualTimesShareAPlaceAndTheNextSkips) {
    EventBuilder b{"M21"};
    const Time times[] = {T(0, 45), T(0, 41, 10), T(0, 41, 10), T(0, 50), T(0, 41, 11)};
    for (Time t : times) {
        EntryRecord& r = b.Add(0, T(10, 0));
        r.RunningTime = t;
        r.Status = "OK";
    }
    b->Entries[0][4].Status = "";  // provisional results are placed too
    AssignClassPlaces(*b, 0);
    EXPECT_EQ(PlacesOf(*b, 0), (std::vector<int>{4, 1, 1, 5, 3}));
}

TEST(Places, OnlyNonReferenceValidResultsArePlaced) {
    EventBuilder b{"M21"};
    auto add = [&](const char* status, Time running, bool reference = false) {
        EntryRecord& r = b.Add(0, T(10, 0));
        r.Status = status;
        r.RunningTime = running;
        r.Reference = reference;
        r.Place = 99;  // a stale place from an earlier refresh
    };
    add("OK", T(0, 40));
    add("OK", T(0, 30), true);  // reference: fastest, yet takes no place number
    add("OK", T(0, 45));
    add("OK", Time());          // confirmed without running time: first
    add("P2", T(0, 20));
    add("DNS", Time());
    add("", Time());
    add("OK", T(3, 0));         // over any limit: still placed
    AssignClassPlaces(*b, 0);
    EXPECT_EQ(PlacesOf(*b, 0), (std::vector<int>{2, 0, 3, 1, 0, 0, 0, 4}));
}

TEST(Places, ClassesAreIndependent) {
    EventBuilder b{"M21", "W21"};
    b.Add(0, T(10, 0)).RunningTime = T(0, 50);
    b.Add(1, T(10, 0)).RunningTime = T(0, 55);
    AssignClassPlaces(*b, 0);
    AssignClassPlaces(*b, 1);
    EXPECT_EQ(b->Entries[0][1].Place, 1);
    EXPECT_EQ(b->Entries[1][1].Place, 1);
}

// The list builders format times without snprintf; they must agree with the core forms.
TEST(LineWriter, TimeFormsMatchTheCoreFormats) {
    for (std::int64_t s = -90000; s <= 200000; s += 7) {
        Time t(s);
        std::string hms, hm, h;
        parts::LineWriter(hms).HhNnSs(t);
        parts::LineWriter(hm).HhNn(t);
        parts::LineWriter(h).HNnSs(t, 0);
        ASSERT_EQ(hms, FormatHhNnSs(t)) << s;
        ASSERT_EQ(hm, FormatHhNn(t)) << s;
        ASSERT_EQ(h, FormatHNnSs(t)) << s;
    }
}

TEST(LineWriter, LongTextsPassTheBuffer) {
    // Texts longer than the stack buffer, and a line that fills it several times.
    const std::string club(500, 'c');
    std::string out = "x";
    {
        parts::LineWriter w(out);
        w.Text("ab");
        w.LeftWidth(club, 18);
        for (int i = 0; i < 100; ++i) w.RightNumber(i, 4);
        w.Spaces(300);
        w.Char('|');
    }
    std::string expected = "xab" + club;
    for (int i = 0; i < 100; ++i) expected += std::string(i < 10 ? 3 : 2, ' ') + std::to_string(i);
    expected += std::string(300, ' ') + "|";
    EXPECT_EQ(out, expected);
}

} // namespace
} // namespace quilo
