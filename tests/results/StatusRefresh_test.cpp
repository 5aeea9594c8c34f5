#include "results/StatusRefresh.h"

#include "Clock.h"
#include "EventBuilder.h"
#include "TestSupport.h"

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

TEST(ClassStatus, RowOfAClassOfTwelve) {
    EventBuilder b{"M12"};
    b.Add(0, T(9, 0)).Status = "DNS";
    for (const char* st : {"OK", "OK", "OK", "OK", "DNF", "P2", "DNQ"}) b.Add(0, T(9, 30)).Status = st;
    for (Time start : {T(10, 0), T(11, 30), T(10, 30)}) b.Add(0, start); // out: threshold 0:30:00
    b.Add(0, T(9, 45)).RunningTime = T(0, 45);                           // stays provisional
    StatusLists lists;
    RefreshStatus(*b, kNow, kLimit, false, lists);
    EXPECT_EQ(Texts(lists.classStatus), (std::vector<std::string>{"クラス  人数 欠席 出走 確定 未帰    TOP   LAST",
                                                                  "M12       12    1   11    7    3    09:00 11:30"}));
    EXPECT_EQ(Items(lists.classStatus), (std::vector<int>{0, 0}));
}

TEST(ClassStatus, EmptyClassesPromotionsAndWideCounts) {
    EventBuilder b{"A", "B", "BIG"};
    b.Add(0, T(10, 0)).RunningTime = T(0, 50); // promoted now, counted as confirmed now
    b->FirstStart[1] = T(9, 0);
    for (int i = 0; i < 1000; ++i) b.Add(2, Time()); // wider than the columns; all still out
    b->ClassNames[3] = "X";                          // beyond the last class: never walked
    b.Add(3, T(10, 0)).RunningTime = T(0, 30);
    StatusLists lists;
    RefreshStatus(*b, kNow, kLimit, false, lists);
    EXPECT_EQ(Texts(lists.classStatus),
              (std::vector<std::string>{kClassStatusHeader, "A          1    0    1    1    0    10:00 10:00",
                                        "B          0    0    0    0    0    09:00 00:00",
                                        "BIG      1000    0  1000    0  1000    00:00 00:00"}));
    EXPECT_EQ(b->Entries[0][1].Place, 1);
    EXPECT_EQ(b->Entries[3][1].Status, "");

    EventBuilder none{};
    none->LastClassIndex = -1;
    RefreshStatus(*none, kNow, kLimit, true, lists);
    EXPECT_EQ(Texts(lists.classStatus), (std::vector<std::string>{kClassStatusHeader}));
    EXPECT_EQ(Texts(lists.competitors), (std::vector<std::string>{"◆◆ 欠席", "", "◆◆ 未帰還者", ""}));
}

TEST(ListColumns, NamesClubsAndHeadings) {
    EXPECT_EQ(NameColumn("一二三四五六七", 12, 6), "一二三四五六");
    EXPECT_EQ(NameColumn("一二三四五", 12, 6), "一二三四五  ");
    EXPECT_EQ(NameColumn("ABCDEFGHIJKLM", 12, 6), "ABCDEF" + Sp(6));
    EXPECT_EQ(NameColumn("ｱｲｳｴｵｶｷｸｹｺｻｼ", 12, 6), "ｱｲｳｴｵｶｷｸｹｺｻｼ");
    EXPECT_EQ(NameColumn("一二三四五六七八九", 16, 8), "一二三四五六七八");
    EXPECT_EQ(ClubColumn("東京OLC", 18), "東京OLC" + Sp(11));
    EXPECT_EQ(ClubColumn("東京大学オリエンテーリング部", 22), "東京大学オリエンテーリング部");
    EXPECT_EQ(ClassHeading("W-12 ｼﾞｭﾆｱ"), "◆◆ Ｗ－１２　ジュニア");
}

TEST(ListColumns, LineLayouts) {
    EventBuilder b{"M21A"};
    EntryRecord& r = b.Add(0, T(10, 2, 30), 12, 51234, "山田太郎", 3, "OLC");
    const std::string id = " (  12) <51234> 山田太郎    ";
    EXPECT_EQ(RosterLine(*b, 0, 1), "M21A    10:02" + id + "  3 OLC" + Sp(15));
    const std::string start = "10:02" + id + "  3 OLC" + Sp(19);
    EXPECT_EQ(StartOrderLine(r), start +
                                     "  "
                                     "    "
                                     "     未帰還");
    r.Status = "DNS";
    EXPECT_EQ(StartOrderLine(r), start +
                                     " *"
                                     "    "
                                     "       欠席");
    r.Status = "OK";
    r.RunningTime = T(2, 30, 1);
    r.Place = 2;
    EXPECT_EQ(StartOrderLine(r), start +
                                     " *"
                                     "   2"
                                     "   2:30'01\"");
    EXPECT_EQ(ResultOrderLine(r, kLimit), "x*   2" + id + " 2:30'01\"    3 OLC" + Sp(15));
    EXPECT_EQ(ResultOrderLine(r, T(2, 30, 1)), " *   2" + id + " 2:30'01\"    3 OLC" + Sp(15));
    r.Status = "LONGCODE9";
    r.Place = 0;
    r.Reference = true;
    EXPECT_EQ(StartOrderLine(r), start +
                                     " *"
                                     "参考"
                                     "   LONGCODE9");
    r.Status = "P3";
    r.Reference = false;
    r.Name = "一二三四五六七";
    r.Club = "東京大学オリエンテーリング部";
    r.BibNumber = 12345;
    b->ClassNames[0] = "VeryLongClass";
    const std::string wide = " (12345) <51234> 一二三四五六";
    EXPECT_EQ(ResultOrderLine(r, kLimit), "x*    " + wide + " P3          3 東京大学オリエンテーリング部");
    EXPECT_EQ(RosterLine(*b, 0, 1), "VeryLongClass10:02" + wide + "  3 東京大学オリエンテーリング部");
}

class CompetitorList : public ::testing::Test {
protected:
    EventBuilder b{"M21", "W21", "M50"};
    StatusLists lists;

    void Add(int c, Time start, int n, const char* status, Time running, bool reference = false) {
        std::string name(1, static_cast<char>('A' + n - 1));
        EntryRecord& r = b.Add(c, start, n, 1000 + n, name.c_str(), n, "C");
        r.Status = status;
        r.RunningTime = running;
        r.Reference = reference;
    }
    void SetUp() override {
        // M21 in start-list order; the latest start still out, 11:30, holds confirmation back.
        Add(0, T(10, 5), 1, "", T(0, 50));
        Add(0, T(10, 0), 2, "DNS", Time());
        Add(0, T(10, 5, 30), 3, "", T(0, 45), true); // the same start minute as slot 1
        Add(0, T(11, 30), 4, "", Time());
        Add(0, T(9, 0), 5, "P1", T(0, 40));
        Add(0, T(9, 10), 6, "OK", T(2, 40)); // over the limit, placed all the same
        // W21: only absent and not returned. M50: nobody.
        Add(1, T(10, 0), 7, "", Time());
        Add(1, T(9, 0), 8, "DNS", Time());
    }
    static std::string Line(const char* head, int n, const std::string& tail) {
        std::string s = std::to_string(n);
        return head + (" (   " + s + ") < 100" + s + "> ") + static_cast<char>('A' + n - 1) + Sp(11) + tail;
    }
};

TEST_F(CompetitorList, StartOrder) {
    RefreshStatus(*b, kNow, kLimit, false, lists);
    auto line = [](const char* start, int n, const char* state) {
        return Line(start, n, "  " + std::to_string(n) + " C" + Sp(21) + state);
    };
    EXPECT_EQ(Texts(lists.competitors),
              (std::vector<std::string>{"◆◆ Ｍ２１", line("09:00", 5, " *       P1      "),
                                        line("09:10", 6, " *   2   2:40'00\""), line("10:00", 2, " *           欠席"),
                                        line("10:05", 1, "     1   0:50'00\""), line("10:05", 3, "  参考   0:45'00\""),
                                        line("11:30", 4, "           未帰還"), "", "◆◆ Ｗ２１",
                                        line("09:00", 8, " *           欠席"), line("10:00", 7, "           未帰還"), "",
                                        "◆◆ Ｍ５０", ""}));
    EXPECT_EQ(Items(lists.competitors), (std::vector<int>{0, 1005, 1006, 1002, 1001, 1003, 1004, 0, 0, 1008, 1007, 0, 0, 0}));
}

TEST_F(CompetitorList, ResultOrderAndBackToStartOrder) {
    RefreshStatus(*b, kNow, kLimit, true, lists);
    auto roster = [](const char* cls, const char* start, int n) {
        return Line((std::string(cls) + "     " + start).c_str(), n, "  " + std::to_string(n) + " C" + Sp(17));
    };
    auto line = [](const char* head, int n, const char* result) {
        return Line(head, n, std::string(" ") + result + "    " + std::to_string(n) + " C" + Sp(17));
    };
    const std::vector<std::string> kesseki = {roster("M21", "10:00", 2), roster("W21", "09:00", 8)};
    const std::vector<std::string> mikikan = {roster("M21", "11:30", 4), roster("W21", "10:00", 7)};
    EXPECT_EQ(Texts(lists.competitors),
              (std::vector<std::string>{"◆◆ Ｍ２１", line("  参考", 3, "0:45'00\""), line("     1", 1, "0:50'00\""),
                                        line("x*   2", 6, "2:40'00\""), line(" *    ", 5, "P1      "), "", "◆◆ Ｗ２１", "",
                                        "◆◆ Ｍ５０", "", "◆◆ 欠席", kesseki[0], kesseki[1], "", "◆◆ 未帰還者", mikikan[0],
                                        mikikan[1], ""}));
    EXPECT_EQ(Items(lists.competitors),
              (std::vector<int>{0, 1003, 1001, 1006, 1005, 0, 0, 0, 0, 0, 0, 1002, 1008, 0, 0, 1004, 1007, 0}));
    EXPECT_EQ(Texts(lists.kesseki), kesseki);
    EXPECT_EQ(Items(lists.mikikan), (std::vector<int>{1004, 1007}));

    // Start order again: the hidden lists keep what they held, nothing of the longer list stays.
    const StatusLists before = lists;
    RefreshStatus(*b, kNow, kLimit, true, lists);
    EXPECT_EQ(lists.competitors, before.competitors);
    RefreshStatus(*b, kNow, kLimit, false, lists);
    EXPECT_EQ(lists.kesseki, before.kesseki);
    EXPECT_EQ(lists.mikikan, before.mikikan);
    EXPECT_EQ(lists.competitors.size(), 14u);
}

} // namespace
} // namespace quilo
