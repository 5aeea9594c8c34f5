#include "station/Messages.h"
#include "station/Station.h"

#include "Clock.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::FixedClock;
using test::ReadBytes;
using test::Strings;
using test::TempDir;
using test::WriteCp932;

void WriteEvent(const TempDir& dir) {
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "3:33", "99:100"},
                                .startList = {"12345,M21,10:00:00,101,山田太郎,1,東京OLC",
                                              "12346,M21,10:02:00,102,鈴木花子,2,大阪OLC"},
                                .changes = {"参考/12346"},
                                .finishLog = {"1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00"}});
}

TEST(Station, FirstRunInAnEmptyFolderWritesTheSixDefaults) {
    TempDir dir;
    {
        Station st(dir.Path(), FixedClock(9, 0, 0));
        st.Startup();
        EXPECT_TRUE(st.OperationHistory().Lines().empty());
        EXPECT_TRUE(st.Lists().classStatus.empty());
        EXPECT_EQ(st.Tables().LastClassIndex, 0);
        ASSERT_TRUE(st.ReleaseSettings());
    }
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Quilo.ini")),
              (Strings{"SeisekiOutput=E_Result.txt", "MikikanOutput=E_NoRet.txt", "TimeLimit=150", "ClassListFontSize=9",
                       "HistoryListFontSize=9", "EntryListFontSize=9"}));
}

TEST(Station, StartupReadsTheFourFilesInOrder) {
    TempDir dir;
    WriteEvent(dir);
    Station st(dir.Path(), FixedClock(11, 7, 30));
    st.Startup();
    EXPECT_EQ(st.OperationHistory().Texts(), (Strings{"11:07 (読込)コントロールデータ", "11:07 (読込)スタートリスト",
                                                      "11:07 (読込)変更データ", "11:07 (読込)ゴールデータ"}));
    // The finish log reader ended with a refresh: the lists are filled.
    ASSERT_EQ(st.Lists().classStatus.size(), 2u);
    const EntryRecord& r = st.Tables().Entry(0, 1);
    EXPECT_EQ(r.RunningTime, Time::Hms(0, 35, 0));
    EXPECT_EQ(r.Status, "OK"); // confirmed: nobody of the class is out but a reference runner
    EXPECT_EQ(r.Place, 1);
    EXPECT_TRUE(st.Tables().Entry(0, 2).Reference);
}

// Undoing a reference puts a later starter out again: the result confirmed while only a
// reference runner was out is provisional again, as a restart shows it.
TEST(Station, ACorrectionTakesBackAConfirmationARestartWouldNotGive) {
    TempDir dir;
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "3:33", "99:100"},
                                .startList = {"12345,M21,10:00:00,101,山田太郎,1,東京OLC",
                                              "12346,M21,10:50:00,102,鈴木花子,2,大阪OLC"},
                                .changes = {"参考/12346"},
                                .finishLog = {"1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00"}});
    Station st(dir.Path(), FixedClock(11, 7, 30));
    st.Startup();
    ASSERT_EQ(st.Tables().Entry(0, 1).Status, "OK");
    ASSERT_TRUE(st.Correct({ChangeKind::Official, "12346", {}}, " (変更)参考記録取消", 1));
    st.RefreshStatus();
    EXPECT_EQ(st.Tables().Entry(0, 1).Status, ""); // 鈴木 is out 17 minutes, 山田 ran 35
    Station fresh(dir.Path(), FixedClock(11, 7, 30));
    fresh.Startup();
    EXPECT_EQ(fresh.Tables().Entry(0, 1).Status, "");
    EXPECT_EQ(st.Lists().classStatus, fresh.Lists().classStatus);
    EXPECT_EQ(st.Lists().competitors, fresh.Lists().competitors);
}

TEST(Station, AnUndefinedClassStopsTheStartup) {
    TempDir dir;
    WriteEvent(dir);
    WriteCp932(dir.File("Startlst.dat"),
               {"12345,M21,10:00:00,101,山田太郎,1,東京OLC", "12346,M21 ,10:02:00,102,鈴木花子,2,大阪OLC"});
    Station st(dir.Path(), FixedClock(11, 7, 30));
    st.Startup();
    EXPECT_TRUE(st.StartupStopped());
    EXPECT_EQ(st.OperationHistory().Texts(), (Strings{"11:07 (読込)コントロールデータ", "【警告】*******************",
                                                      "　クラス情報の相違があります", "　Control.dat/Startlst.dat"}));
    EXPECT_TRUE(st.Lists().classStatus.empty());
    // The data-load button still reads the finish log.
    st.ReadFinishLog();
    EXPECT_EQ(st.OperationHistory().Lines().back().text, "11:07 (読込)ゴールデータ");
    EXPECT_EQ(st.Tables().Entry(0, 1).RunningTime, Time::Hms(0, 35, 0));
}

TEST(Station, SettingsWithAnEmptyValueAreRewrittenAtRelease) {
    TempDir dir;
    test::WriteBytes(dir.File("Quilo.ini"), "TimeLimit=\r\nX=1\r\n");
    {
        Station st(dir.Path(), FixedClock(9, 0, 0));
        st.Startup();
        EXPECT_EQ(st.TimeLimit(), Time::Hms(2, 30, 0));
        ASSERT_TRUE(st.ReleaseSettings());
    }
    std::string bytes = ReadBytes(dir.File("Quilo.ini"));
    EXPECT_EQ(bytes.rfind("TimeLimit=150\r\nX=1\r\nSeisekiOutput=", 0), 0u) << bytes;
}

TEST(Station, OutputsReportTheFailedPathAndKeepTheData) {
    TempDir dir;
    WriteEvent(dir);
    Station st(dir.Path(), FixedClock(12, 0, 0));
    st.Startup();
    ASSERT_TRUE(st.WriteResults());
    ASSERT_TRUE(st.WriteNotReturned());
    auto noRet = test::ReadCp932Lines(dir.File("E_NoRet.txt"));
    ASSERT_EQ(noRet.size(), 3u); // heading, empty line, the reference runner still out
    EXPECT_EQ(noRet[0], "◆◆ 未帰還者リスト（Ｅカード）");
    EXPECT_NE(noRet[2].find("鈴木花子"), std::string::npos);
    st.Settings().SetItem("SeisekiOutput", dir.File("missing/E_Result.txt"));
    const Result<std::string> r = st.WriteResults();
    EXPECT_FALSE(r);
    EXPECT_EQ(test::FailedPath(r), dir.File("missing/E_Result.txt"));
    EXPECT_FALSE(ReasonText(r).empty());
    EXPECT_EQ(st.Tables().Entry(0, 1).Place, 1);
}

TEST(Station, ChangeRecordsAreAppendedAndReplayed) {
    TempDir dir;
    WriteEvent(dir);
    {
        Station st(dir.Path(), FixedClock(12, 0, 0));
        st.Startup();
        ASSERT_TRUE(st.SaveData("欠席/12345"));
    }
    Station again(dir.Path(), FixedClock(12, 0, 0));
    again.Startup();
    EXPECT_EQ(again.Tables().Entry(0, 1).Status, "DNS");
    EXPECT_EQ(again.Tables().Entry(0, 1).RunningTime, Time());
}

} // namespace
} // namespace quilo

namespace quilo {
namespace {

// Refreshes asked for while the spare-card question waits inside a read (the 30 s timer,
// a sort button) are held: nothing is refreshed or published before the answer, then
// exactly one refresh.
TEST(Station, RefreshesAskedForInsideAReadAreHeldForOneAfterIt) {
    TempDir dir;
    WriteEvent(dir);
    WriteCp932(dir.File("Startlst.dat"), {"12345,M21,10:00:00,101,山田太郎,1,東京OLC", "90001,**"});
    WriteCp932(dir.File("Regnly.log"), {"1,2,3,4,5,(90001),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00",
                                        "1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,33,0:30:00,100,0:3"});
    Station st(dir.Path(), FixedClock(12, 0, 0));
    int refreshes = 0;
    const Subscription counted = st.Subscribe([&](const auto&) { ++refreshes; });
    int asked = 0;
    st.SetSparePrompt([&](int) {
        ++asked;
        EXPECT_FALSE(st.RefreshHeld());
        st.RefreshStatus(); // the 30 s timer
        st.RefreshStatus();
        st.SetSortByResult(false);
        EXPECT_TRUE(st.WriteResults()); // from the results as last refreshed
        EXPECT_TRUE(st.RefreshHeld());
        EXPECT_EQ(refreshes, 0);
        EXPECT_TRUE(st.Lists().competitors.empty());
        return SpareAnswer::Cancelled;
    });
    st.Startup();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(st.RefreshHeld());
    EXPECT_FALSE(st.Lists().competitors.empty());
}

// Outputs that go into another event's folder (a settings file copied with the folder)
// are written as asked but said once; bare names and other folders are not.
TEST(Station, OutputsInAnotherEventFolderAreWarnedOfOnce) {
    TempDir other;
    WriteCp932(other.File("Control.dat"), {"**:M21"});
    TempDir plain;
    struct Case {
        Strings ini;
        int warnedLines; // lines under the one warning (0: no warning)
    } cases[] = {
        {{"SeisekiOutput=E_Result.txt"}, 0},
        {{"SeisekiOutput=" + plain.File("E_Result.txt")}, 0},
        {{"SeisekiOutput=" + other.File("E_Result.txt")}, 2},
        {{"SeisekiOutput=" + other.File("E_Result.txt"), "MikikanOutput=" + other.File("E_NoRet.txt"),
          "HtmlOutput=" + other.Path() + "/./web.html"},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini.front());
        TempDir dir;
        WriteEvent(dir);
        WriteCp932(dir.File("Quilo.ini"), c.ini);
        Station st(dir.Path(), FixedClock(12, 0, 0));
        st.Startup();
        const Strings h = st.OperationHistory().Texts();
        const auto at = std::find(h.begin(), h.end(), History::kWarning);
        if (c.warnedLines == 0) {
            EXPECT_EQ(at, h.end());
            continue;
        }
        ASSERT_NE(at, h.end());
        EXPECT_EQ(std::count(h.begin(), h.end(), History::kWarning), 1);
        EXPECT_EQ(at[1], "　出力先が別の大会のフォルダにあります");
        EXPECT_EQ(at[2], "　SeisekiOutput=" + other.File("E_Result.txt"));
        ASSERT_GT(h.end() - at, c.warnedLines + 1);
        EXPECT_EQ(at[c.warnedLines].rfind("　", 0), 0u);
        EXPECT_EQ(at[c.warnedLines + 1], "12:00 (読込)コントロールデータ");
        // Honoured as it stands.
        EXPECT_EQ(st.OutputPath("SeisekiOutput"), other.File("E_Result.txt"));
    }
}

} // namespace
} // namespace quilo
