#include "results/OutputFiles.h"

#include "Clock.h"
#include "EventBuilder.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::EventBuilder;
using test::Sp;
using test::T;

const Time kLimit = Time::Minutes(150);

ResultsSnapshot Taken(const Event& ev) {
    ExportInfo info;
    info.limit = kLimit;
    return TakeSnapshot(ev, info);
}

TEST(ResultsFile, LineColumns) {
    EntryRecord r;
    r.Status = "OK";
    r.BibNumber = 7;
    r.Name = "一二三四五六七八九"; // width 18: cut to 8 characters, no padding
    r.RunningTime = T(0, 50);
    r.ExtraNumber = 12345;
    r.Club = "東京大学オリエンテーリング部";
    r.Place = 10;
    EXPECT_EQ(ResultsLine(r, kLimit), "・  10 (   7) 一二三四五六七八 0:50'00\" 12345 東京大学オリエンテーリング部");
    r.Name = "山田太郎";
    r.ExtraNumber = 3;
    r.Club = "OLC";
    const std::string tail = " (   7) 山田太郎" + Sp(8);
    const std::string club = "    3 OLC" + Sp(15);
    r.RunningTime = T(2, 30, 0); // equal to the limit: placed
    EXPECT_EQ(ResultsLine(r, kLimit), "・  10" + tail + " 2:30'00\"" + club);
    r.RunningTime = T(2, 30, 1); // over: the place is left blank in the file only
    EXPECT_EQ(ResultsLine(r, kLimit), "・    " + tail + " 2:30'01\"" + club);
    r.Status = "";
    r.Place = 0;
    r.Reference = true;
    r.RunningTime = T(1, 0, 0);
    EXPECT_EQ(ResultsLine(r, kLimit), "  参考" + tail + " 1:00'00\"" + club);
    r.Status = "DNS";
    EXPECT_EQ(ResultsLine(r, kLimit), "・参考" + tail + " DNS     " + club);
}

TEST(ResultsFile, ClassesInResultOrder) {
    EventBuilder b{"M21", "W21"};
    auto add = [&](const char* status, Time running, int place, bool reference = false) {
        int n = b->ClassEntryCount[0] + 1;
        EntryRecord& r = b.Add(0, T(10, 0), n, 1000 + n, "A", n, "C");
        r.Status = status;
        r.RunningTime = running;
        r.Place = place;
        r.Reference = reference;
    };
    add("", T(0, 50), 2);
    add("DNS", Time(), 0);
    add("OK", T(0, 45), 0, true);
    add("", Time(), 0); // not returned: left out
    add("P1", T(0, 40), 0);
    add("OK", T(0, 30), 1);
    add("DNF", Time(), 0);
    add("", T(2, 31), 0, true);
    // The file as written, padded columns and all.
    EXPECT_EQ(test::CompareWithGolden(BuildResultsFile(Taken(*b)), "results/ClassesInResultOrder.txt"), "");

    EventBuilder none{};
    none->LastClassIndex = -1;
    EXPECT_TRUE(BuildResultsFile(Taken(*none)).empty());
}

TEST(NotReturnedFile, EveryCompetitorOutInClassThenSlotOrder) {
    EventBuilder b{"M21", "W21"};
    b.Add(0, T(11, 0), 1, 1001, "A", 1, "C1");
    b.Add(0, T(9, 0), 2, 1002, "B", 2, "C2").Status = "DNS";
    b.Add(0, T(9, 5), 3, 1003, "C", 3, "C3").Status = "DNF";          // a code without time
    b.Add(0, T(9, 10), 4, 1004, "D", 4, "C4").RunningTime = T(0, 40); // provisional
    b.Add(0, T(10, 0), 5, 1005, "E", 5, "C5").Reference = true;
    b.Add(1, T(23, 0), 6, 2001, "一二三四五六七", 6, "東京大学オリエンテーリング部"); // still to start
    const std::string heading = "◆◆ 未帰還者リスト（Ｅカード）";
    EXPECT_EQ(test::CompareWithGolden(BuildNotReturnedFile(Taken(*b)), "results/NotReturnedInClassThenSlotOrder.txt"), "");

    EventBuilder empty{};
    empty->LastClassIndex = -1;
    EXPECT_EQ(BuildNotReturnedFile(Taken(*empty)), (std::vector<std::string>{heading, ""}));
}

} // namespace
} // namespace quilo
