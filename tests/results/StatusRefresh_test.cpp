#include "results/StatusRefresh.h"

#include "ResultsFixture.h"
#include "core/General.h"
#include "results/Evaluation.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::EventBuilder;
using test::Sp;
using test::T;

const Time kNow = T(12, 0, 0);
const Time kLimit = Time::Minutes(150);

std::vector<std::string> Texts(const std::vector<ListLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(l.text);
    return out;
}

std::vector<int> Items(const std::vector<ListLine>& lines) {
    std::vector<int> out;
    for (const auto& l : lines) out.push_back(l.itemData);
    return out;
}

// ---- Class status table ----

TEST(ClassStatus, RowCountsOfAClassOfTwelve) {
    EventBuilder b{"M12"};
    b.Add(0, T(9, 0)).Status = "DNS";
    const char* coded[] = {"OK", "OK", "OK", "OK", "DNF", "P2", "DNQ"};
    for (const char* st : coded) {
        EntryRecord& r = b.Add(0, T(9, 30));
        r.Status = st;
        r.RunningTime = T(0, 40);
    }
    b.Add(0, T(10, 0));
    b.Add(0, T(11, 30));  // latest still out: threshold 0:30:00
    b.Add(0, T(10, 30));
    b.Add(0, T(9, 45)).RunningTime = T(0, 45);  // provisional, stays so
    StatusLists lists;
    RefreshStatus(*b, kNow, kLimit, lists);

    ASSERT_EQ(lists.classStatus.size(), 2u);
    EXPECT_EQ(lists.classStatus[0].text, "クラス  人数 欠席 出走 確定 未帰    TOP   LAST");
    EXPECT_EQ(lists.classStatus[1].text, "M12       12    1   11    7    3    09:00 11:30");
    EXPECT_EQ(Items(lists.classStatus), (std::vector<int>{0, 0}));
    EXPECT_EQ(b->Entries[0][12].Status, "");
}

TEST(ClassStatus, PromotionInThisRefreshCountsAsConfirmed) {
    EventBuilder b{"W21"};
    b.Add(0, T(10, 0)).RunningTime = T(0, 50);
    StatusLists lists;
    RefreshStatus(*b, kNow, kLimit, lists);
    EXPECT_EQ(b->Entries[0][1].Status, "OK");
    EXPECT_EQ(b->Entries[0][1].Place, 1);
    EXPECT_EQ(lists.classStatus[1].text, "W21        1    0    1    1    0    10:00 10:00");
}

TEST(ClassStatus, EmptyClassesAndNoClasses) {
    EventBuilder b{"A", "B"};
    b->FirstStart[1] = T(9, 0);  // a stored start shows even without competitors
    StatusLists lists;
    RefreshStatus(*b, kNow, kLimit, lists);
    EXPECT_EQ(Texts(lists.classStatus), (std::vector<std::string>{kClassStatusHeader,
                                                                  "A          0    0    0    0    0    00:00 00:00",
                                                                  "B          0    0    0    0    0    09:00 00:00"}));

    EventBuilder none{};
    none->LastClassIndex = -1;
    RefreshStatus(*none, kNow, kLimit, lists);
    EXPECT_EQ(Texts(lists.classStatus), (std::vector<std::string>{kClassStatusHeader}));
    EXPECT_TRUE(lists.competitors.empty());
}

TEST(ClassStatus, OnlyClassesInUseAreWalked) {
    EventBuilder b{"A", "B", "C"};
    b->ClassNames[5] = "X";
    b->ClassEntryCount[5] = 1;
    b->Entries[5][1].RunningTime = T(0, 30);
    StatusLists lists;
    RefreshStatus(*b, kNow, kLimit, lists);
    EXPECT_EQ(lists.classStatus.size(), 4u);
    EXPECT_EQ(b->Entries[5][1].Status, "");  // never confirmed
}

TEST(ClassStatus, AWideCountPushesTheRowRight) {
    EventBuilder b{"BIG"};
    b->ClassEntryCount[0] = 1000;  // beyond the table: only the 300 slots are read
    StatusLists lists;
    RefreshStatus(*b, kNow, kLimit, lists);
    EXPECT_EQ(lists.classStatus[1].text, "BIG     " " 1000" "    0" "  1000" "    0" "  300" "    00:00 00:00");
}

// ---- Line layouts ----

class Lines : public ::testing::Test {
protected:
    EventBuilder b{"M21A"};
    EntryRecord& r = b.Add(0, T(10, 2, 30), 12, 51234, "山田太郎", 3, "OLC");
};

TEST_F(Lines, RosterLineColumns) {
    EXPECT_EQ(RosterLine(*b, 0, 1), "M21A    10:02 (  12) <51234> 山田太郎      3 OLC" + Sp(15));
    EXPECT_EQ(ByteLength(RosterLine(*b, 0, 1)), 63);
    r.BibNumber = 12345;
    r.EcardNumber = 1234567;
    r.ExtraNumber = 123;
    b->ClassNames[0] = "VeryLongClass";
    EXPECT_EQ(RosterLine(*b, 0, 1), "VeryLongClass10:02 (12345) <1234567> 山田太郎     123 OLC" + Sp(15));
}

TEST_F(Lines, StartOrderLineByState) {
    const std::string head = "10:02 (  12) <51234> 山田太郎      3 OLC" + Sp(19);
    EXPECT_EQ(StartOrderLine(r), head + "  " "    " "     未帰還");
    r.Status = "DNS";
    EXPECT_EQ(StartOrderLine(r), head + " *" "    " "       欠席");
    r.Status = "OK";
    r.RunningTime = T(0, 41, 10);
    r.Place = 1;
    EXPECT_EQ(StartOrderLine(r), head + " *" "   1" "   0:41'10\"");
    EXPECT_EQ(ByteLength(StartOrderLine(r)), 76);
    r.Status = "";
    r.Place = 0;
    r.Reference = true;
    r.RunningTime = T(2, 50, 0);  // over the limit: no mark in start order
    EXPECT_EQ(StartOrderLine(r), head + "  " "参考" "   2:50'00\"");
    r.Status = "DNF";
    EXPECT_EQ(StartOrderLine(r), head + " *" "参考" "   DNF     ");
    r.Status = "LONGCODE9";
    r.Reference = false;
    EXPECT_EQ(StartOrderLine(r), head + " *" "    " "   LONGCODE9");
}

TEST_F(Lines, ResultOrderLineByState) {
    const std::string id = " (  12) <51234> 山田太郎    ";
    const std::string tail = "    3 OLC" + Sp(15);
    r.Status = "OK";
    r.RunningTime = T(0, 41, 10);
    r.Place = 2;
    EXPECT_EQ(ResultOrderLine(r, kLimit), " *   2" + id + " 0:41'10\"" + tail);
    EXPECT_EQ(ByteLength(ResultOrderLine(r, kLimit)), 67);
    r.RunningTime = T(2, 30, 1);
    EXPECT_EQ(ResultOrderLine(r, kLimit), "x*   2" + id + " 2:30'01\"" + tail);
    r.RunningTime = T(2, 30, 0);
    EXPECT_EQ(ResultOrderLine(r, kLimit), " *   2" + id + " 2:30'00\"" + tail);
    r.Status = "";
    r.Place = 0;
    r.Reference = true;
    EXPECT_EQ(ResultOrderLine(r, kLimit), "  参考" + id + " 2:30'00\"" + tail);
    r.Status = "P3";
    r.Reference = false;
    EXPECT_EQ(ResultOrderLine(r, kLimit), " *    " + id + " P3      " + tail);
    EXPECT_EQ(ResultOrderLine(r, Time()), "x*    " + id + " P3      " + tail);
}

TEST(Columns, NameIsCutByCharactersAndPaddedByWidth) {
    EXPECT_EQ(NameColumn("一二三四五六七", 12, 6), "一二三四五六");  // width 14: cut, no padding
    EXPECT_EQ(NameColumn("一二三四五六", 12, 6), "一二三四五六");    // width 12: kept
    EXPECT_EQ(NameColumn("一二三四五", 12, 6), "一二三四五  ");
    EXPECT_EQ(NameColumn("ABCDEFGHIJKLM", 12, 6), "ABCDEF" + Sp(6));
    EXPECT_EQ(NameColumn("ｱｲｳｴｵｶｷｸｹｺｻｼ", 12, 6), "ｱｲｳｴｵｶｷｸｹｺｻｼ");  // half-width kana count 1
    EXPECT_EQ(NameColumn("", 12, 6), Sp(12));
    EXPECT_EQ(NameColumn("一二三四五六七八九", 16, 8), "一二三四五六七八");
    EXPECT_EQ(NameColumn("一二三四五六七八", 16, 8), "一二三四五六七八");
}

TEST(Columns, ClubIsPaddedByWidthAndNeverCut) {
    EXPECT_EQ(ClubColumn("東京OLC", 18), "東京OLC" + Sp(11));
    EXPECT_EQ(ClubColumn("", 22), Sp(22));
    const std::string wide = "東京大学オリエンテーリング部";  // width 28
    EXPECT_EQ(ClubColumn(wide, 18), wide);
    EXPECT_EQ(ClubColumn(wide, 22), wide);
}

TEST(Columns, ClassHeadingIsFullWidth) {
    EXPECT_EQ(ClassHeading("M21A"), "◆◆ Ｍ２１Ａ");
    EXPECT_EQ(ClassHeading("W-12 ｼﾞｭﾆｱ"), "◆◆ Ｗ－１２　ジュニア");
    EXPECT_EQ(ClassHeading(""), "◆◆ ");
}

TEST(Columns, AWideClubStillBuildsEveryLine) {
    EventBuilder b{"M21"};
    const std::string wide = "東京大学オリエンテーリング部";
    EntryRecord& r = b.Add(0, T(10, 0), 1, 100, "X", 0, wide.c_str());
    EXPECT_EQ(RosterLine(*b, 0, 1), "M21     10:00 (   1) <  100> X" + Sp(11) + "  0 " + wide);
    EXPECT_EQ(StartOrderLine(r), "10:00 (   1) <  100> X" + Sp(11) + "  0 " + wide + "  " "    " "     未帰還");
    r.Status = "DNF";
    EXPECT_EQ(ResultOrderLine(r, kLimit), " *     (   1) <  100> X" + Sp(11) + " DNF     " "    0 " + wide);
}

// ---- Competitor list ----

class CompetitorList : public ::testing::Test {
protected:
    EventBuilder b{"M21", "W21", "M50"};
    StatusLists lists;

    void SetUp() override {
        // M21: slots in start-list order, starts not in order.
        EntryRecord& a = b.Add(0, T(10, 5), 1, 1001, "A", 1, "C1");
        a.RunningTime = T(0, 50);
        b.Add(0, T(10, 0), 2, 1002, "B", 2, "C2").Status = "DNS";
        EntryRecord& c = b.Add(0, T(10, 5, 30), 3, 1003, "C", 3, "C3");  // same minute as slot 1
        c.RunningTime = T(0, 45);
        c.Reference = true;
        b.Add(0, T(11, 30), 4, 1004, "D", 4, "C4");  // out
        EntryRecord& e = b.Add(0, T(9, 0), 5, 1005, "E", 5, "C5");
        e.Status = "P1";
        e.RunningTime = T(0, 40);
        EntryRecord& f = b.Add(0, T(9, 10), 6, 1006, "F", 6, "C6");
        f.Status = "OK";
        f.RunningTime = T(2, 40);  // over the limit, still placed
        // W21: only absent and out competitors. M50: nobody.
        b.Add(1, T(10, 0), 7, 2001, "G", 7, "C7");
        b.Add(1, T(9, 0), 8, 2002, "H", 8, "C8").Status = "DNS";
    }
};

TEST_F(CompetitorList, StartOrder) {
    b->SortByResult = 0;
    RefreshStatus(*b, kNow, kLimit, lists);
    // Nobody confirmed in M21: the latest start still out is 11:30, threshold 0:30.
    const std::string pad = "    ";
    EXPECT_EQ(Texts(lists.competitors),
              (std::vector<std::string>{
                  "◆◆ Ｍ２１",
                  "09:00 (   5) < 1005> E" + Sp(11) + "  5 C5" + Sp(20) + " *" "    " "   P1      ",
                  "09:10 (   6) < 1006> F" + Sp(11) + "  6 C6" + Sp(20) + " *" "   2" "   2:40'00\"",
                  "10:00 (   2) < 1002> B" + Sp(11) + "  2 C2" + Sp(20) + " *" "    " "       欠席",
                  "10:05 (   1) < 1001> A" + Sp(11) + "  1 C1" + Sp(20) + "  " "   1" "   0:50'00\"",
                  "10:05 (   3) < 1003> C" + Sp(11) + "  3 C3" + Sp(20) + "  " "参考" "   0:45'00\"",
                  "11:30 (   4) < 1004> D" + Sp(11) + "  4 C4" + Sp(20) + "  " "    " "     未帰還",
                  "",
                  "◆◆ Ｗ２１",
                  "09:00 (   8) < 2002> H" + Sp(11) + "  8 C8" + Sp(20) + " *" "    " "       欠席",
                  "10:00 (   7) < 2001> G" + Sp(11) + "  7 C7" + Sp(20) + "  " "    " "     未帰還",
                  "",
                  "◆◆ Ｍ５０",
                  "",
              }));
    EXPECT_EQ(Items(lists.competitors),
              (std::vector<int>{0, 1005, 1006, 1002, 1001, 1003, 1004, 0, 0, 2002, 2001, 0, 0, 0}));
    EXPECT_TRUE(lists.kesseki.empty());
    EXPECT_TRUE(lists.mikikan.empty());
}

TEST_F(CompetitorList, ResultOrderWithAbsentAndNotReturnedSections) {
    b->SortByResult = 1;
    RefreshStatus(*b, kNow, kLimit, lists);
    const std::vector<std::string> kesseki = {
        "M21     10:00 (   2) < 1002> B" + Sp(11) + "  2 C2" + Sp(16),
        "W21     09:00 (   8) < 2002> H" + Sp(11) + "  8 C8" + Sp(16),
    };
    const std::vector<std::string> mikikan = {
        "M21     11:30 (   4) < 1004> D" + Sp(11) + "  4 C4" + Sp(16),
        "W21     10:00 (   7) < 2001> G" + Sp(11) + "  7 C7" + Sp(16),
    };
    EXPECT_EQ(Texts(lists.kesseki), kesseki);
    EXPECT_EQ(Items(lists.kesseki), (std::vector<int>{1002, 2002}));
    EXPECT_EQ(Texts(lists.mikikan), mikikan);
    EXPECT_EQ(Items(lists.mikikan), (std::vector<int>{1004, 2001}));

    EXPECT_EQ(Texts(lists.competitors),
              (std::vector<std::string>{
                  "◆◆ Ｍ２１",
                  "  参考 (   3) < 1003> C" + Sp(11) + " 0:45'00\"    3 C3" + Sp(16),
                  "     1 (   1) < 1001> A" + Sp(11) + " 0:50'00\"    1 C1" + Sp(16),
                  "x*   2 (   6) < 1006> F" + Sp(11) + " 2:40'00\"    6 C6" + Sp(16),
                  " *     (   5) < 1005> E" + Sp(11) + " P1          5 C5" + Sp(16),
                  "",
                  "◆◆ Ｗ２１",
                  "",
                  "◆◆ Ｍ５０",
                  "",
                  "◆◆ 欠席",
                  kesseki[0],
                  kesseki[1],
                  "",
                  "◆◆ 未帰還者",
                  mikikan[0],
                  mikikan[1],
                  "",
              }));
    EXPECT_EQ(Items(lists.competitors),
              (std::vector<int>{0, 1003, 1001, 1006, 1005, 0, 0, 0, 0, 0, 0, 1002, 2002, 0, 0, 1004, 2001, 0}));
}

TEST_F(CompetitorList, StartOrderKeepsTheHiddenListsAndRefreshIsRepeatable) {
    b->SortByResult = 1;
    RefreshStatus(*b, kNow, kLimit, lists);
    const StatusLists resultOrder = lists;
    RefreshStatus(*b, kNow, kLimit, lists);
    EXPECT_EQ(lists.competitors, resultOrder.competitors);

    b->SortByResult = 0;
    RefreshStatus(*b, kNow, kLimit, lists);
    EXPECT_EQ(lists.kesseki, resultOrder.kesseki);
    EXPECT_EQ(lists.mikikan, resultOrder.mikikan);
    EXPECT_EQ(lists.competitors.size(), 14u);  // the longer result-order list left nothing behind
    EXPECT_EQ(lists.competitors.back().text, "");
}

TEST(CompetitorListEmpty, NoClassesInResultOrderShowsTheSections) {
    EventBuilder b{};
    b->LastClassIndex = -1;
    b->SortByResult = 1;
    StatusLists lists;
    RefreshStatus(*b, kNow, kLimit, lists);
    EXPECT_EQ(Texts(lists.competitors), (std::vector<std::string>{"◆◆ 欠席", "", "◆◆ 未帰還者", ""}));
}

} // namespace
} // namespace quilo
