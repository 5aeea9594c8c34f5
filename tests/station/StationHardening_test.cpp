// The station over event folders at and past every fixed limit, with lines of a
// megabyte, bytes that are no CP932, empty files, folders and FIFOs where files belong,
// and a missing or read-only event folder: the start-up always completes, problems
// come out as the history's warnings or as errors, and nothing is written outside a
// table.
#include "station/Messages.h"
#include "station/Station.h"

#include "ChildProcess.h"
#include "Clock.h"
#include "EventBuilder.h"
#include "TableChecks.h"
#include "TestSupport.h"
#include "core/Cp932.h"
#include "core/Numbers.h"
#include "finish/FinishLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>

#include <gtest/gtest.h>

namespace quilo {
namespace {

namespace fs = std::filesystem;
using test::FixedClock;
using test::ReadBytes;
using test::Strings;
using test::TempDir;
using test::WriteBytes;
using test::WriteCp932;

std::string Card(int n) { return std::to_string(10000 + n); }

// "h:mm:ss" of a number of seconds.
std::string Hms(int seconds) {
    return std::to_string(seconds / 3600) + ":" + ZeroPad(seconds / 60 % 60, 2) + ":" + ZeroPad(seconds % 60, 2);
}

std::string Warned(const std::string& file, int line, const std::string& reason) {
    return "　" + file + " " + std::to_string(line) + "行目を読み飛ばしました（" + reason + "）";
}

std::vector<std::string> FolderListing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Codes of class c, position p (1..30), alternative a: 101.., 201.., 301..; a fourth
// line for position 30 replaces the third alternative with 430.
int Code(int p, int a) { return p == 30 && a == 2 ? 430 : 100 * (a + 1) + p; }
constexpr int kFinishCodes[] = {901, 902, 904};

// Ten classes of 30 positions with three alternatives and three finish codes (a fourth
// code line for a position and for the finish each), then a position 32 and an eleventh
// class; 300 competitors in class 0 and one more, 20 in each other class, 21 spare
// rows, and a 502nd row: the old limits of the tables, and one past each.
void WriteCapacityEvent(const TempDir& dir) {
    std::vector<std::string> course;
    for (int c = 0; c < 10; ++c) {
        course.push_back("**:C" + std::to_string(c));
        for (int p = 1; p <= 30; ++p)
            for (int a = 0; a < 3; ++a) course.push_back(std::to_string(p) + ":" + std::to_string(100 * (a + 1) + p));
        course.push_back("30:430");
        for (const char* f : {"99:901", "99:902", "99:903", "99:904"}) course.push_back(f);
    }
    course.insert(course.end(), {"32:5", "**:C10", "1:555"}); // lines 961, 962, 963
    WriteCp932(dir.File("Control.dat"), course);

    std::vector<std::string> start;
    auto row = [&](int n, int c) {
        start.push_back(Card(n) + ",C" + std::to_string(c) + "," + FormatHhNnSs(Time::Hms(9, 0, 0) + Time::Minutes(n)) + "," +
                        std::to_string(n + 1) + ",選手" + std::to_string(n) + "," + std::to_string(n % 10) + ",クラブ");
    };
    for (int n = 0; n < 300; ++n) row(n, 0);
    start.push_back("19999,C0,10:00:00,999,三百一人目,0,x"); // line 301: the 301st of a class
    for (int n = 300; n < 480; ++n) row(n, 1 + (n - 300) / 20);
    for (int s = 0; s < 21; ++s) start.push_back(std::to_string(90000 + s) + ",**,,,,,");
    start.push_back("19998,C1,10:00:00,998,五百二行目,0,x"); // line 503: 502nd row
    WriteCp932(dir.File("Startlst.dat"), start);

    WriteCp932(dir.File("Change.dat"),
               {"欠席/" + Card(0), "遅刻/" + Card(479) + ",5", "予備/90000," + Card(1), "ＮＧ/" + Card(300) + ",P3"});

    std::vector<std::string> log;
    for (int n = 0; n < 480; ++n) {
        std::string line = std::to_string(n + 1) + ",2026/12/06,11:00:00,0001,R,(" + (n == 1 ? "90000" : Card(n)) + ")";
        for (int p = 1; p <= 30; ++p) line += "," + std::to_string(Code(p, n % 3)) + "," + Hms(60 * p);
        line += "," + std::to_string(kFinishCodes[n % 3]) + "," + Hms(3600 + n);
        log.push_back(line);
    }
    log.push_back("481,x,x,x,x,(90001),101,0:01:00,901,1:00:00"); // spare nobody takes
    log.push_back("482,x,x,x,x,(99999),101,0:01:00,901,1:00:00"); // not in the start list
    WriteCp932(dir.File("Regnly.log"), log);
}

TEST(Hardening, OldLimitsAndOnePastAreHeld) {
    TempDir dir;
    WriteCapacityEvent(dir);
    Station st(dir.Path(), FixedClock(23, 0, 0));
    st.Startup();
    const Event& ev = st.Tables();
    EXPECT_EQ(test::TablesIntact(ev), "");

    const std::string w = History::kWarning;
    EXPECT_EQ(st.OperationHistory().Texts(),
              (Strings{w, Warned("Control.dat", 961, "位置番号が範囲外です"), "23:00 (読込)コントロールデータ",
                       "23:00 (読込)スタートリスト", "23:00 (読込)変更データ", "23:00 (読込)ゴールデータ", w,
                       "  　スタートリストにないＥカードがあります", w, "  　未入力の予備Ｅカード情報があります"}));

    EXPECT_EQ(ev.LastClassIndex, 10);
    EXPECT_EQ(ev.ClassNames[10], "C10");
    EXPECT_EQ(ev.CourseControls[10][1][0], 555);
    EXPECT_EQ(ev.Cards.Count(), 503);
    EXPECT_EQ(ev.ClassEntryCount[0], 301);
    EXPECT_EQ(ev.ClassEntryCount[1], 21);
    for (int c = 0; c < 10; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(ev.ClassNames[c], "C" + std::to_string(c));
        EXPECT_EQ(ev.ControlCount[c], 30);
        if (c > 1) {
            EXPECT_EQ(ev.ClassEntryCount[c], 20);
        }
        EXPECT_EQ(std::vector<int>(ev.CourseControls[c][30].begin(), ev.CourseControls[c][30].end()),
                  (std::vector<int>{130, 230, 430}));
        EXPECT_EQ(std::vector<int>(ev.CourseControls[c][31].begin(), ev.CourseControls[c][31].end()),
                  (std::vector<int>{901, 902, 904}));
    }
    EXPECT_EQ(ev.Cards.Find("19999"), 300);
    EXPECT_EQ(ev.Cards.Find("19998"), 502);
    EXPECT_EQ(ev.Cards.Find("90020"), 501);
    EXPECT_EQ(ev.Cards.Find("90000"), 1);

    // Every competitor read with all 30 positions, whichever alternative was punched.
    for (int n = 1; n < 480; ++n) {
        SCOPED_TRACE(n);
        const int k = n < 300 ? n : n + 1; // the 301st of class 0 takes number 300
        const EntryRecord& r = ev.Entries[ev.EntryClass[k]][ev.EntrySlot[k]];
        for (int p = 1; p <= 30; ++p) ASSERT_EQ(ev.PunchTimes[k][p], Time::Minutes(p));
        ASSERT_EQ(ev.PunchTimes[k][31], Time(3600 + n));
        ASSERT_EQ(r.CheckStatus, "");
        if (n == 300) {
            EXPECT_EQ(r.Status, "P3");
        } else {
            EXPECT_EQ(r.Status, "OK");
            EXPECT_EQ(r.RunningTime, Time(3600 + n) + (n == 479 ? Time::Minutes(5) : Time()));
        }
    }
    EXPECT_EQ(ev.Entries[0][1].Status, "DNS");
    EXPECT_EQ(ev.Entries[0][2].EcardNumber, 90000);
    EXPECT_EQ(ev.Entries[0][2].Place, 1);
    EXPECT_EQ(ev.Entries[0][300].Place, 299);
    EXPECT_EQ(ev.Entries[9][20].Place, 20);

    ASSERT_TRUE(st.WriteResults());
    EXPECT_EQ(test::ReadCp932Lines(dir.File("E_Result.txt")).size(), 11u * 4 + 480);
    ASSERT_TRUE(st.WriteNotReturned());
    // The two rows past the old limits, still out.
    const auto out = test::ReadCp932Lines(dir.File("E_NoRet.txt"));
    ASSERT_EQ(out.size(), 4u);
    EXPECT_NE(out[2].find("三百一人目"), std::string::npos);
    EXPECT_NE(out[3].find("五百二行目"), std::string::npos);
    st.SetSortByResult(true);
    EXPECT_EQ(test::TablesIntact(ev), "");
}

TEST(Hardening, LinesOfAMegabyteInEveryFile) {
    constexpr std::size_t kMB = 1 << 20;
    TempDir dir;
    std::string name;
    for (std::size_t i = 0; i < kMB / 2; ++i) name += "山"; // 1 MB in CP932
    WriteCp932(dir.File("Control.dat"), {"**:M21", "1:31", "2:32", "99:100", std::string(kMB, 'x'),
                                         "3:" + std::string(400, '9'), "**:" + std::string(kMB, 'N')});
    WriteCp932(dir.File("Startlst.dat"), {"10001,M21,10:00:00,101," + name + ",1,club",
                                          "10002,M21,10:02:00,102,普通,2," + std::string(kMB, 'C'), std::string(kMB, ',')});
    std::string punches;
    while (punches.size() < kMB) punches += ",55,0:00:01";
    WriteCp932(dir.File("Regnly.log"), {"1,x,x,x,x,(10001)" + punches + ",31,0:10:00,32,0:20:00,100,0:30:00",
                                        std::string(kMB, 'r'), std::string(kMB, ',')});
    WriteCp932(dir.File("Change.dat"), {"ＮＧ/10002," + std::string(kMB, 'Z'), std::string(kMB, 'q'), "参考/10001"});
    WriteCp932(dir.File("Quilo.ini"), {std::string(kMB, 'c'), "TimeLimit=" + std::string(kMB, ' ') + "60"});

    Station st(dir.Path(), FixedClock(12, 0, 0));
    st.Startup();
    const Event& ev = st.Tables();
    EXPECT_EQ(test::TablesIntact(ev), "");
    const std::string w = History::kWarning;
    // A number of 400 digits is no whole number of 32 bits, however it overflows.
    EXPECT_EQ(st.OperationHistory().Texts(),
              (Strings{w, Warned("Control.dat", 6, "数値ではありません"), "12:00 (読込)コントロールデータ", w,
                       Warned("Startlst.dat", 3, "Ｅカード番号が数値ではありません"), "12:00 (読込)スタートリスト",
                       "12:00 (読込)変更データ", "12:00 (読込)ゴールデータ", w,
                       "  　スタートリストにないＥカードがあります"}));
    EXPECT_EQ(ev.ControlCount[0], 2);
    EXPECT_EQ(ev.ClassNames[1], std::string(kMB, 'N'));
    EXPECT_EQ(st.TimeLimit(), Time::Minutes(60));

    const EntryRecord& first = ev.Entries[0][1];
    EXPECT_EQ(first.Name, name);
    EXPECT_EQ(first.CheckStatus, "");
    EXPECT_EQ(first.RunningTime, Time::Hms(0, 30, 0));
    EXPECT_TRUE(first.Reference);
    const EntryRecord& second = ev.Entries[0][2];
    EXPECT_EQ(second.Club, std::string(kMB, 'C'));
    EXPECT_EQ(second.Status, std::string(kMB, 'Z'));

    ASSERT_TRUE(st.WriteResults());
    EXPECT_GT(ReadBytes(dir.File("E_Result.txt")).size(), kMB);
    ASSERT_TRUE(st.WriteNotReturned());
    st.SetSortByResult(true);
    EXPECT_EQ(test::TablesIntact(ev), "");
}

// A megabyte of double quotes inside a field, with a separator after it: the field
// splitters once searched for that separator again after every quote pair, which took
// minutes per line.
TEST(Hardening, LinesOfAMegabyteOfQuotesTakeLinearTime) {
    const std::string quotes(1 << 20, '"');
    TempDir dir;
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "99:100", quotes + ":"},
                                .startList = {"10001,M21,10:00:00,101,山田太郎,1,東京OLC",
                                              "10002,M21,10:02:00,102," + quotes + ",2,大阪OLC"},
                                .changes = {"ＮＧ/10002," + quotes + "/"},
                                .finishLog = {"1,x,x,x,x,(10001),31,0:10:00," + quotes + ",0:15:00,32,0:20:00,100,0:30:00"}});

    const auto start = std::chrono::steady_clock::now();
    Station st(dir.Path(), FixedClock(12, 0, 0));
    st.Startup();
    ASSERT_TRUE(st.WriteResults());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(20));

    const std::string inner = quotes.substr(2); // the enclosing pair removed
    EXPECT_EQ(st.OperationHistory().Texts(),
              (Strings{History::kWarning, Warned("Control.dat", 5, "数値ではありません"), "12:00 (読込)コントロールデータ",
                       "12:00 (読込)スタートリスト", "12:00 (読込)変更データ", "12:00 (読込)ゴールデータ"}));
    const EntryRecord& second = st.Tables().Entries[0][2];
    EXPECT_EQ(second.Name, inner);
    EXPECT_EQ(second.ExtraNumber, 2);
    EXPECT_EQ(second.Club, "大阪OLC");
    EXPECT_EQ(second.Status, inner);
    const EntryRecord& first = st.Tables().Entries[0][1];
    // The code of quotes reads as 0, which an unset finish alternative accepts.
    EXPECT_EQ(first.CheckStatus, "");
    EXPECT_EQ(first.RunningTime, Time::Hms(0, 15, 0));
    EXPECT_EQ(test::TablesIntact(st.Tables()), "");
}

TEST(Hardening, FinishLogLineOfQuotesTakesLinearTime) {
    test::EventBuilder ev;
    ev.Course(0, {{31}});
    ev->CourseControls[0][kFinishPosition][1] = 101;
    ev->CourseControls[0][kFinishPosition][2] = 102;
    ev.Card("10001", 0, 1);
    const std::string quotes(1 << 20, '"');
    const auto start = std::chrono::steady_clock::now();
    CheckLine(*ev, 0, "1,x,x,x,x,(10001)," + quotes + ",0:05:00,31,0:10:00," + quotes + ",0:15:00,100,0:30:00");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(ev->Entries[0][1].CheckStatus, "");
    EXPECT_EQ(ev->Entries[0][1].RunningTime, Time::Hms(0, 30, 0));
}

TEST(Hardening, FilesOfBytesThatAreNoCp932) {
    TempDir dir;
    // Lone lead bytes, lead bytes before a byte that is no trail byte, unassigned bytes.
    WriteBytes(dir.File("Control.dat"), "\xFF:\x80\r\n**:\x81\x7F\r\n1:\xFE\r\n99:1\xFD\r\n\x81");
    WriteBytes(dir.File("Startlst.dat"), "12345,\x81\x7F,10:00:00,1,\xFF\xFE,0,\xA0\x80\r\n\xFE,**,,\r\n\x9F");
    WriteBytes(dir.File("Change.dat"), Utf8ToCp932("参考/12345") + "\r\n" + Utf8ToCp932("欠席/") + "\xFF\xFF\r\n" +
                                           Utf8ToCp932("公式/12345") + "\r\n");
    WriteBytes(dir.File("Regnly.log"),
               "\xFF,(\x85\x40\xFF\xFF\xFF\xFF,31,0:10:00\r\n\x81\r\n(12345),\x80,\x81,\xFF,,,1\x82,0:1\xFF\r\n");
    const std::string ini = "\xFF\xFE=\x80\x81\r\nTimeLimit=\x82\r\n";
    WriteBytes(dir.File("Quilo.ini"), ini);

    Station st(dir.Path(), FixedClock(12, 0, 0));
    st.Startup();
    const Event& ev = st.Tables();
    EXPECT_EQ(test::TablesIntact(ev), "");
    const std::string w = History::kWarning;
    EXPECT_EQ(st.OperationHistory().Texts(),
              (Strings{w, Warned("Control.dat", 1, "最初のクラス行より前の行です"), w,
                       Warned("Control.dat", 3, "数値ではありません"), w, Warned("Control.dat", 4, "数値ではありません"),
                       "12:00 (読込)コントロールデータ", w, Warned("Startlst.dat", 2, "Ｅカード番号が数値ではありません"),
                       "12:00 (読込)スタートリスト", w, "　  変更データが読み込めません", "  　（Ｅカード番号不一致）",
                       "12:00 (読込)変更データ", "12:00 (読込)ゴールデータ", w,
                       "  　スタートリストにないＥカードがあります"}));
    // The same bytes decode the same way in both files, so the class is found.
    EXPECT_EQ(ev.LastClassIndex, 0);
    ASSERT_EQ(ev.ClassEntryCount[0], 1);
    // The replay stopped at the unreadable card: the reference stands, the official is unread.
    EXPECT_TRUE(ev.Entries[0][1].Reference);
    // The line of card 12345 has no readable punch: no finish.
    EXPECT_EQ(ev.Entries[0][1].CheckStatus, "DNQ");

    ASSERT_TRUE(st.WriteResults());
    ASSERT_TRUE(st.WriteNotReturned());
    ASSERT_TRUE(st.ReleaseSettings());
    // Not dirty: the settings file keeps its bytes, the defaults appended after them.
    EXPECT_EQ(ReadBytes(dir.File("Quilo.ini")).rfind(ini + "SeisekiOutput=", 0), 0u);
}

// Output settings with a relative path: the files go to the event folder, never to the
// folder the program was started from.
TEST(Hardening, RelativeOutputPathsStayInTheEventFolder) {
    TempDir dir, elsewhere;
    WriteCp932(dir.File("Quilo.ini"), {"SeisekiOutput=Results.txt", "MikikanOutput=missing/NoRet.txt"});
    const fs::path started = fs::current_path();
    fs::current_path(elsewhere.Path());
    Station st(dir.Path(), FixedClock(9, 0, 0));
    st.Startup();
    const Result<std::string> results = st.WriteResults();
    const Result<std::string> noRet = st.WriteNotReturned();
    fs::current_path(started);
    ASSERT_TRUE(results);
    EXPECT_EQ(*results, dir.File("Results.txt"));
    EXPECT_TRUE(fs::exists(dir.File("Results.txt")));
    EXPECT_FALSE(noRet);
    EXPECT_EQ(test::FailedPath(noRet), dir.File("missing/NoRet.txt"));
    EXPECT_EQ(ReasonText(noRet), "フォルダまたはファイルが見つかりません");
    EXPECT_TRUE(FolderListing(elsewhere.Path()).empty());
}

TEST(Hardening, EmptyFiles) {
    TempDir dir;
    for (const char* f : {"Control.dat", "Startlst.dat", "Change.dat", "Regnly.log", "Quilo.ini"}) WriteBytes(dir.File(f), "");
    {
        Station st(dir.Path(), FixedClock(8, 30, 0));
        st.Startup();
        EXPECT_EQ(st.OperationHistory().Texts(), (Strings{"08:30 (読込)コントロールデータ", "08:30 (読込)スタートリスト",
                                                          "08:30 (読込)変更データ", "08:30 (読込)ゴールデータ"}));
        EXPECT_EQ(st.Tables().LastClassIndex, -1);
        EXPECT_EQ(test::TablesIntact(st.Tables()), "");
        ASSERT_TRUE(st.WriteResults());
        ASSERT_TRUE(st.WriteNotReturned());
        ASSERT_TRUE(st.ReleaseSettings());
    }
    EXPECT_EQ(ReadBytes(dir.File("E_Result.txt")), "");
    EXPECT_EQ(test::ReadCp932Lines(dir.File("E_NoRet.txt")), (Strings{"◆◆ 未帰還者リスト（Ｅカード）", ""}));
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Quilo.ini")).size(), 6u);
    EXPECT_EQ(ReadBytes(dir.File("Change.dat")), "");
    EXPECT_EQ(ReadBytes(dir.File("Regnly.log")), "");
}

TEST(Hardening, FoldersWhereFilesBelong) {
    TempDir dir;
    const char* names[] = {"Control.dat", "Startlst.dat", "Change.dat", "Regnly.log",
                           "Quilo.ini",   "E_Result.txt", "E_NoRet.txt"};
    for (const char* f : names) fs::create_directory(dir.File(f));
    Station st(dir.Path(), FixedClock(9, 0, 0));
    st.Startup();
    // A folder is no file: every step is skipped without a history line.
    EXPECT_TRUE(st.OperationHistory().Lines().empty());
    EXPECT_EQ(st.Tables().LastClassIndex, 0);
    // The settings live in memory with their defaults.
    EXPECT_EQ(st.Settings().Item("TimeLimit"), "150");
    EXPECT_EQ(st.Settings().Item("SeisekiOutput"), "E_Result.txt");
    EXPECT_EQ(st.OutputPath("SeisekiOutput"), dir.File("E_Result.txt"));
    st.ReadFinishLog(); // the data-load button
    EXPECT_TRUE(st.OperationHistory().Lines().empty());

    for (const Result<>& r :
         {test::Outcome(st.WriteResults()), test::Outcome(st.WriteNotReturned()), st.SaveData("欠席/12345")}) {
        SCOPED_TRACE(test::FailedPath(r));
        EXPECT_FALSE(r);
        EXPECT_EQ(ReasonText(r), "同じ名前のフォルダがあります");
    }
    EXPECT_TRUE(st.ReleaseSettings()); // nothing changed: nothing to write
    st.Settings().SetItem("TimeLimit", "90");
    const Result<> r = st.ReleaseSettings();
    EXPECT_FALSE(r);
    EXPECT_EQ(test::FailedPath(r), dir.File("Quilo.ini"));
    EXPECT_EQ(ReasonText(r), "同じ名前のフォルダがあります");
    // The folders are left as they were, and nothing else appeared.
    for (const char* f : names) EXPECT_TRUE(fs::is_directory(dir.File(f))) << f;
    EXPECT_EQ(FolderListing(dir.Path()).size(), std::size(names));
}

TEST(Hardening, FifosWhereFilesBelongDoNotHang) {
    TempDir dir;
    for (const char* f : {"Control.dat", "Startlst.dat", "Change.dat", "Regnly.log", "Quilo.ini"})
        ASSERT_EQ(::mkfifo(dir.File(f).c_str(), 0644), 0);
    // In a child with an alarm, so that a regression fails the test instead of hanging it.
    std::string out = test::InChild([&]() -> std::string {
        ::alarm(30);
        Station st(dir.Path(), FixedClock(9, 0, 0));
        st.Startup();
        st.ReadFinishLog();
        std::string problems;
        if (!st.OperationHistory().Lines().empty()) problems += "history lines; ";
        if (st.Settings().Item("TimeLimit") != "150") problems += "no defaults; ";
        const Result<> r = st.SaveData("欠席/12345");
        if (r || r.Failure().kind != Error::Kind::NotRegularFile || r.Failure().path != dir.File("Change.dat"))
            problems += "SaveData: " + ReasonText(r) + "; ";
        return problems;
    });
    EXPECT_EQ(out, "");
}

TEST(Hardening, MissingEventFolder) {
    TempDir dir;
    const std::string folder = dir.File("gone");
    Station st(folder, FixedClock(9, 0, 0));
    st.Startup();
    EXPECT_TRUE(st.OperationHistory().Lines().empty());
    EXPECT_EQ(st.OutputPath("MikikanOutput"), folder + "/E_NoRet.txt");
    st.ReadFinishLog();
    for (const Result<>& r :
         {test::Outcome(st.WriteResults()), test::Outcome(st.WriteNotReturned()), st.SaveData("欠席/12345")}) {
        SCOPED_TRACE(test::FailedPath(r));
        EXPECT_FALSE(r);
        EXPECT_EQ(test::FailedPath(r).rfind(folder + "/", 0), 0u);
        EXPECT_EQ(ReasonText(r), "フォルダまたはファイルが見つかりません");
    }
    EXPECT_TRUE(st.ReleaseSettings());
    EXPECT_FALSE(fs::exists(folder));
}

TEST(Hardening, ReadOnlyEventFolder) {
    TempDir dir;
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "99:100"},
                                .startList = {"12345,M21,10:00:00,101,山田太郎,1,東京OLC",
                                              "12346,M21,10:05:00,102,鈴木花子,2,大阪OLC"},
                                .changes = {"参考/12346"},
                                .finishLog = {"1,2,3,4,5,(12345),31,0:10:00,100,0:35:00"}});
    const std::string changes = ReadBytes(dir.File("Change.dat"));
    const auto before = FolderListing(dir.Path());
    // Read and execute only; as root the child runs as another user, who may not write.
    ::chmod(dir.Path().c_str(), 0555);
    for (const auto& f : before) ::chmod(dir.File(f).c_str(), 0444);

    std::string out = test::InChild(
        [&]() -> std::string {
            std::string problems;
            Station st(dir.Path(), FixedClock(12, 0, 0));
            st.Startup();
            const std::vector<std::string> expected = {"12:00 (読込)コントロールデータ", "12:00 (読込)スタートリスト",
                                                       "12:00 (読込)変更データ", "12:00 (読込)ゴールデータ"};
            if (st.OperationHistory().Texts() != expected) problems += "history; ";
            if (st.Settings().Item("TimeLimit") != "150") problems += "defaults; ";
            if (st.Tables().Entries[0][1].RunningTime != Time::Hms(0, 35, 0)) problems += "result; ";
            if (!st.Tables().Entries[0][2].Reference) problems += "replay; ";
            for (const Result<>& r :
                 {test::Outcome(st.WriteResults()), test::Outcome(st.WriteNotReturned()), st.SaveData("欠席/12345")}) {
                if (r || ReasonText(r) != "書き込みの権限がありません" || test::FailedPath(r).rfind(dir.Path() + "/", 0) != 0)
                    problems += "write " + test::FailedPath(r) + ": " + ReasonText(r) + "; ";
            }
            st.Settings().SetItem("TimeLimit", "90");
            const Result<> r = st.ReleaseSettings();
            if (r || ReasonText(r) != "書き込みの権限がありません") problems += "settings: " + ReasonText(r) + "; ";
            // The data stays in memory for the operator.
            if (st.Tables().Entries[0][1].Place != 1) problems += "place; ";
            return problems;
        },
        /*unprivileged=*/true);
    ::chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(out, "");
    EXPECT_EQ(FolderListing(dir.Path()), before);
    EXPECT_EQ(ReadBytes(dir.File("Change.dat")), changes);
}

} // namespace
} // namespace quilo
