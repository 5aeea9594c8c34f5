// The live station's reading and publishing, driven by a fake millisecond clock over a
// real event folder that the test appends to as a card reader does.
#include "Clock.h"
#include "TestSupport.h"
#include "core/Cp932.h"
#include "station/LiveReader.h"
#include "station/Publisher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quilo {
namespace {

using test::TempDir;

const std::string kValid = "1,2,3,4,5,(10001),31,0:10:00,32,0:20:00,100,0:35:00";

class LiveReaderTest : public ::testing::Test {
protected:
    LiveReaderTest() {
        test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "99:100"},
                                    .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC",
                                                  "10002,M21,10:02:00,102,鈴木 一郎,2,大阪OLC",
                                                  "10003,M21,10:04:00,103,高橋 三郎,3,京都OLC", "90001,**"},
                                    .finishLog = {"1,2,3,4,5,(10003),31,0:11:00,32,0:21:00,100,0:30:00"}});
        station.Startup();
        live = std::make_unique<LiveReader>(station);
        historyAtStart = station.OperationHistory().Count();
    }

    void Append(const std::string& utf8) {
        std::ofstream out(dir.File("Regnly.log"), std::ios::binary | std::ios::app);
        out << Utf8ToCp932(utf8);
    }
    // Polls every 250 ms for the given time, as the window's timer does.
    void Run(std::int64_t ms) {
        for (std::int64_t end = now + ms; now < end;) {
            now += 250;
            live->Poll(now);
        }
    }
    const EntryRecord& Rec(int slot) { return station.Tables().Entry(0, slot); }
    int NewHistoryLines() const { return station.OperationHistory().Count() - historyAtStart; }

    TempDir dir;
    Station station{dir.Path(), test::FixedClock(Time::Hms(12, 0, 0))};
    std::unique_ptr<LiveReader> live;
    std::int64_t now = 0;
    int historyAtStart = 0;
};

TEST_F(LiveReaderTest, ABurstOfAppendsGivesOneReadAndAQuietLogNone) {
    Run(3000);
    EXPECT_EQ(live->Reads(), 0);
    for (int i = 0; i < 4; ++i) {
        Append(kValid + "\r\n");
        now += 50;
        live->Notify(now);
    }
    Run(1000);
    EXPECT_EQ(live->Reads(), 1);
    EXPECT_EQ(Rec(1).RunningTime, Time::Hms(0, 35, 0));
    EXPECT_EQ(NewHistoryLines(), 1); // " (読込)ゴールデータ"
    Run(10000);
    EXPECT_EQ(live->Reads(), 1);
}

TEST_F(LiveReaderTest, APieceOfALineIsNeverReadByItselfAndIsWarnedOfOnce) {
    const auto warnings = [&] {
        int n = 0;
        for (const auto& line : station.OperationHistory().Texts()) n += line.find("書きかけ") != std::string::npos;
        return n;
    };
    // "0:4" of "0:45:00" would read as a finish at 0:04:00.
    Append("1,2,3,4,5,(10002),31,0:12:00,32,0:22:00,100,0:4");
    Run(29000);
    EXPECT_TRUE(Rec(2).RunningTime.IsZero());
    EXPECT_EQ(warnings(), 0);
    EXPECT_FALSE(live->Pending());
    Run(60000);
    EXPECT_TRUE(Rec(2).RunningTime.IsZero());
    EXPECT_EQ(warnings(), 1); // once, however long it stays
    Append("5:00\r\n");
    Run(1000);
    EXPECT_EQ(Rec(2).RunningTime, Time::Hms(0, 45, 0));

    // Whole lines before a piece are read; the piece is not, and a new piece is warned again.
    Append("1,2,3,4,5,(10003),31,0:11:00,32,0:21:00,100,0:31:00\r\n1,2,3,4,5,(10001),31,0:10:00,32,0:20:00,100,0:5");
    Run(1000);
    EXPECT_EQ(Rec(3).RunningTime, Time::Hms(0, 31, 0));
    EXPECT_TRUE(Rec(1).RunningTime.IsZero());
    Run(31000);
    EXPECT_EQ(warnings(), 2);
    // A pressed read always reads the piece as it stands; the next whole line follows.
    station.ReadFinishLog();
    EXPECT_EQ(Rec(1).RunningTime, Time::Hms(0, 5, 0));
    Append("0:00\r\n");
    Run(1000);
    EXPECT_EQ(Rec(1).RunningTime, Time::Hms(0, 50, 0));
}

TEST_F(LiveReaderTest, ALogReplacedOrCutIsReadWhole) {
    Append(kValid + "\r\n");
    Run(1000);
    ASSERT_EQ(Rec(1).RunningTime, Time::Hms(0, 35, 0));
    // Replaced by a shorter log of other reads: every line is read again from the first.
    test::WriteCp932(dir.File("Regnly.log"), {"1,2,3,4,5,(10001),31,0:10:00,32,0:20:00,100,0:41:00"});
    Run(1000);
    EXPECT_EQ(Rec(1).RunningTime, Time::Hms(0, 41, 0));
    EXPECT_EQ(live->Reads(), 2);
}

TEST_F(LiveReaderTest, NoReadWhileTheStationIsBusyNorInsideARead) {
    bool free = false;
    live->isFree = [&] { return free; };
    Append(kValid + "\r\n");
    Run(5000);
    EXPECT_EQ(live->Reads(), 0);
    EXPECT_TRUE(live->Pending());
    free = true;
    Run(250);
    EXPECT_EQ(live->Reads(), 1);

    // The spare-card question is modal: timers run inside it, a read must not start.
    int nested = 0;
    station.SetSparePrompt([&](int) {
        Append(kValid + "\r\n");
        const int before = live->Reads();
        Run(2000);
        nested += live->Reads() - before;
        return SpareAnswer::Cancelled;
    });
    Append("1,2,3,4,5,(90001),31,0:10:00,32,0:20:00,100,0:38:00\r\n");
    Run(1000);
    EXPECT_EQ(nested, 0);
}

TEST_F(LiveReaderTest, ACancelledSpareCardIsAskedAgainOnlyByAPressedRead) {
    int asked = 0;
    station.SetSparePrompt([&](int spareRow) {
        EXPECT_EQ(station.Tables().CardTexts[static_cast<std::size_t>(spareRow)], "90001");
        ++asked; // the operator cancels
        return SpareAnswer::Cancelled;
    });
    Append("1,2,3,4,5,(90001),31,0:10:00,32,0:20:00,100,0:38:00\r\n");
    Run(1000);
    EXPECT_EQ(asked, 1);
    Append(kValid + "\r\n");
    Run(1000);
    EXPECT_EQ(live->Reads(), 2);
    EXPECT_EQ(asked, 1);
    station.ReadFinishLog();
    EXPECT_EQ(asked, 2);
    // The pressed read took everything: nothing is left to read by itself.
    Run(2000);
    EXPECT_EQ(live->Reads(), 2);
}

TEST_F(LiveReaderTest, AQuietReadAddsNoHistoryLineAndWarningsComeOnlyWhenTheyDiffer) {
    station.SetSparePrompt([](int) { return SpareAnswer::Cancelled; }); // the operator cancels
    struct Step {
        const char* line;
        int newLines; // history lines the automatic read adds
    } steps[] = {
        {"1,2,3,4,5,(99999),31,0:10:00", 3},                        // the read and its warning
        {"1,2,3,4,5,(10003),31,0:11:00,32,0:21:00,100,0:30:00", 0}, // the same result again
        {"1,2,3,4,5,(10001),31,0:10:00,32,0:20:00,100,0:35:00", 1}, // a result, the same warning
        {"1,2,3,4,5,(90001),31,0:10:00,32,0:20:00,100,0:36:00", 5}, // a new warning: both again
        {"1,2,3,4,5,(10002),31,0:10:00,32,0:20:00,100,0:37:00", 1},
    };
    int total = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.line);
        Append(std::string(s.line) + "\r\n");
        Run(1000);
        total += s.newLines;
        EXPECT_EQ(NewHistoryLines(), total);
    }
    EXPECT_EQ(live->Reads(), 5);
    // A pressed read says everything, as always.
    station.ReadFinishLog();
    EXPECT_EQ(NewHistoryLines(), total + 5);
}

TEST_F(LiveReaderTest, PublishingWritesOnlyWhatChangedAndReportsAFailureOnce) {
    Publisher publisher(station);
    EXPECT_EQ(publisher.LastWritten(), 5);
    for (const char* f : {"E_Result.txt", "E_NoRet.txt", "E_Result.xml", "E_Result.html", "E_Start.xml"})
        EXPECT_TRUE(std::filesystem::exists(dir.File(f))) << f;
    station.RefreshStatus();
    EXPECT_EQ(publisher.LastWritten(), 0);

    // The not-returned file's name taken by a folder: one warning, however often.
    std::filesystem::remove(dir.File("E_NoRet.txt"));
    std::filesystem::create_directory(dir.File("E_NoRet.txt"));
    Append(kValid + "\r\n");
    station.ReadFinishLog();
    const int after = station.OperationHistory().Count();
    station.RefreshStatus();
    const auto& lines = station.OperationHistory().Lines();
    ASSERT_EQ(station.OperationHistory().Count(), after);
    EXPECT_EQ(lines[after - 2].text, History::kWarning);
    EXPECT_EQ(lines[after - 1].text,
              "　" + dir.File("E_NoRet.txt") + " を書き込めませんでした（同じ名前のフォルダがあります）");

    std::filesystem::remove(dir.File("E_NoRet.txt"));
    station.RefreshStatus();
    EXPECT_EQ(station.OperationHistory().Lines().back().text, "12:00 (出力)E_NoRet.txt");
    EXPECT_EQ(publisher.LastWritten(), 1);
}

} // namespace
} // namespace quilo
