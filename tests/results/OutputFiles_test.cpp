#include "results/OutputFiles.h"

#include "ResultsFixture.h"
#include "core/General.h"
#include "results/StatusRefresh.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::EventBuilder;
using test::Sp;
using test::T;

const Time kLimit = Time::Minutes(150);

TEST(ResultsLine, Columns) {
    EntryRecord r;
    r.BibNumber = 12;
    r.Name = "山田太郎";
    r.ExtraNumber = 3;
    r.Club = "OLC";
    r.RunningTime = T(0, 41, 10);
    r.Place = 1;
    const std::string name = " (  12) 山田太郎" + Sp(8);
    const std::string tail = "    3 OLC" + Sp(15);

    // Provisional: no mark, its place.
    EXPECT_EQ(ResultsLine(r, kLimit), "     1" + name + " 0:41'10\"" + tail);
    EXPECT_EQ(ByteLength(ResultsLine(r, kLimit)), 63);
    r.Status = "OK";
    EXPECT_EQ(ResultsLine(r, kLimit), "・   1" + name + " 0:41'10\"" + tail);
    r.RunningTime = T(2, 30, 0);  // equal to the limit: placed
    EXPECT_EQ(ResultsLine(r, kLimit), "・   1" + name + " 2:30'00\"" + tail);
    r.RunningTime = T(2, 30, 1);  // over: the place is left blank, the record keeps it
    EXPECT_EQ(ResultsLine(r, kLimit), "・    " + name + " 2:30'01\"" + tail);
    EXPECT_EQ(r.Place, 1);

    r.Place = 0;
    r.Reference = true;
    EXPECT_EQ(ResultsLine(r, kLimit), "・    " + name + " 2:30'01\"" + tail);
    r.RunningTime = T(1, 0, 0);
    EXPECT_EQ(ResultsLine(r, kLimit), "・参考" + name + " 1:00'00\"" + tail);

    r.Reference = false;
    r.Status = "DNF";
    r.RunningTime = Time();
    EXPECT_EQ(ResultsLine(r, kLimit), "・    " + name + " DNF     " + tail);
    r.Status = "DNS";
    EXPECT_EQ(ResultsLine(r, kLimit), "・    " + name + " DNS     " + tail);
}

TEST(ResultsLine, WideNamesAndClubs) {
    EntryRecord r;
    r.Status = "OK";
    r.RunningTime = T(0, 50);
    r.Place = 10;
    r.BibNumber = 7;
    r.ExtraNumber = 12345;
    r.Name = "一二三四五六七八九";  // width 18: cut to 8 characters
    r.Club = "東京大学オリエンテーリング部";
    EXPECT_EQ(ResultsLine(r, kLimit), "・  10 (   7) 一二三四五六七八 0:50'00\" 12345 東京大学オリエンテーリング部");
    r.Name = "ABCDEFGHIJKLMNOPQ";  // 17 columns: cut to 8 characters, padded again
    r.Club = "";
    EXPECT_EQ(ResultsLine(r, kLimit), "・  10 (   7) ABCDEFGH" + Sp(8) + " 0:50'00\" 12345 " + Sp(18));
}

TEST(ResultsFile, ClassesInResultOrder) {
    EventBuilder b{"M21", "W21"};
    auto add = [&](const char* name, const char* status, Time running, int place, bool reference = false) {
        int n = b->ClassEntryCount[0] + 1;
        EntryRecord& r = b.Add(0, T(10, 0), n, 1000 + n, name, n, "C");
        r.Status = status;
        r.RunningTime = running;
        r.Place = place;
        r.Reference = reference;
    };
    add("A", "", T(0, 50), 2);
    add("B", "DNS", Time(), 0);
    add("C", "OK", T(0, 45), 0, true);
    add("D", "", Time(), 0);  // not returned: left out
    add("E", "P1", T(0, 40), 0);
    add("F", "OK", T(2, 40), 4);
    add("G", "OK", T(0, 30), 1);
    add("H", "DNF", Time(), 0);
    add("I", "", T(2, 31), 0, true);
    add("J", "OK", T(0, 55), 3);
    // A class beyond the last class index is never written.
    b->ClassNames[2] = "X";
    b->ClassEntryCount[2] = 1;
    b->Entries[2][1].Status = "OK";

    const std::string c = " C" + Sp(17);
    const std::vector<std::string> expected = {
        "◆◆ Ｍ２１",
        "",
        "・   1 (   7) G" + Sp(15) + " 0:30'00\"    7" + c,
        "・参考 (   3) C" + Sp(15) + " 0:45'00\"    3" + c,
        "     2 (   1) A" + Sp(15) + " 0:50'00\"    1" + c,
        "・   3 (  10) J" + Sp(15) + " 0:55'00\"   10" + c,
        "       (   9) I" + Sp(15) + " 2:31'00\"    9" + c,  // reference over the limit
        "・     (   6) F" + Sp(15) + " 2:40'00\"    6" + c,  // over the limit: place left blank
        "・     (   5) E" + Sp(15) + " P1" + Sp(10) + "5" + c,
        "・     (   8) H" + Sp(15) + " DNF" + Sp(9) + "8" + c,
        "・     (   2) B" + Sp(15) + " DNS" + Sp(9) + "2" + c,
        "",
        "",
        "◆◆ Ｗ２１",
        "",
        "",
        "",
    };
    std::vector<std::string> lines = BuildResultsFile(*b, kLimit);
    EXPECT_EQ(lines, expected);

    // Pressing twice without new data gives the same file.
    EXPECT_EQ(BuildResultsFile(*b, kLimit), lines);
}

TEST(ResultsFile, NoClassesGivesAnEmptyFile) {
    EventBuilder b{};
    b->LastClassIndex = -1;
    EXPECT_TRUE(BuildResultsFile(*b, kLimit).empty());
}

TEST(NotReturnedFile, EveryCompetitorOutInClassThenSlotOrder) {
    EventBuilder b{"M21", "W21", "M50"};
    b.Add(0, T(11, 0), 1, 1001, "A", 1, "C1");                   // out
    b.Add(0, T(9, 0), 2, 1002, "B", 2, "C2").Status = "DNS";
    b.Add(0, T(9, 5), 3, 1003, "C", 3, "C3").Status = "DNF";     // a code without time
    b.Add(0, T(9, 10), 4, 1004, "D", 4, "C4").RunningTime = T(0, 40);  // provisional
    b.Add(0, T(10, 0), 5, 1005, "E", 5, "C5").Reference = true;  // out, reference
    b.Add(1, T(23, 0), 6, 2001, "一二三四五六七", 6, "東京大学オリエンテーリング部");  // still to start
    b.Add(2, T(9, 0), 7, 3001, "G", 7, "C7").Status = "OK";

    EXPECT_EQ(BuildNotReturnedFile(*b),
              (std::vector<std::string>{
                  "◆◆ 未帰還者リスト（Ｅカード）",
                  "",
                  "M21     11:00 (   1) < 1001> A" + Sp(11) + "  1 C1" + Sp(16),
                  "M21     10:00 (   5) < 1005> E" + Sp(11) + "  5 C5" + Sp(16),
                  "W21     23:00 (   6) < 2001> 一二三四五六  6 東京大学オリエンテーリング部",
              }));
    // The file does not depend on the order the competitor list shows.
    EXPECT_EQ(BuildNotReturnedFile(*b)[2], RosterLine(*b, 0, 1));
}

TEST(NotReturnedFile, NobodyOut) {
    EventBuilder b{"M21"};
    b.Add(0, T(9, 0)).Status = "DNS";
    const std::vector<std::string> onlyHeading = {"◆◆ 未帰還者リスト（Ｅカード）", ""};
    EXPECT_EQ(BuildNotReturnedFile(*b), onlyHeading);

    EventBuilder empty{};
    empty->LastClassIndex = -1;
    EXPECT_EQ(BuildNotReturnedFile(*empty), onlyHeading);
}

} // namespace
} // namespace quilo
