#include "station/Publisher.h"
#include "station/Station.h"

#include "Clock.h"
#include "TestSupport.h"
#include "core/Cp932.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace quilo {
namespace {

using test::TempDir;

class SnapshotTest : public ::testing::Test {
protected:
    SnapshotTest() {
        test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "99:100"},
                                    .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC",
                                                  "10002,M21,10:02:00,102,鈴木 一郎,2,大阪OLC",
                                                  "10003,M21,10:04:00,103,高橋 三郎,3,京都OLC"},
                                    .finishLog = {"1,2,3,4,5,(10003),31,0:11:00,32,0:21:00,100,0:30:00"}});
        station.Startup();
    }

    void Append(const std::string& utf8) {
        std::ofstream out(dir.File("Regnly.log"), std::ios::binary | std::ios::app);
        out << Utf8ToCp932(utf8) << "\r\n";
    }

    TempDir dir;
    Station station{dir.Path(), test::FixedClock(Time::Hms(12, 0, 0))};
};

TEST_F(SnapshotTest, ATakenSnapshotKeepsItsContentThroughLaterReads) {
    const std::shared_ptr<const ResultsSnapshot> taken = station.Snapshot();
    const ResultsSnapshot copy = *taken;
    Append("1,2,3,4,5,(10001),31,0:10:00,32,0:20:00,100,0:35:00");
    station.ReadFinishLog();
    ASSERT_NE(station.Snapshot()->classes, copy.classes);
    EXPECT_EQ(taken->classes, copy.classes);
    EXPECT_EQ(taken->classTable, copy.classTable);
    EXPECT_EQ(taken->competitorList, copy.competitorList);
    EXPECT_EQ(taken->serial, copy.serial);
}

TEST_F(SnapshotTest, TheSerialsMoveOnlyWithWhatIsShown) {
    struct Row {
        const char* what;
        std::function<void(EntryRecord&, ExportInfo&)> edit;
        int serial, exportSerial;
    } rows[] = {
        {"nothing", [](EntryRecord&, ExportInfo&) {}, 0, 0},
        {"the clock only", [](EntryRecord&, ExportInfo& i) { i.now = i.now + Time::Hms(0, 0, 1); }, 0, 0},
        {"a result confirmed (only the results file shows it)", [](EntryRecord& r, ExportInfo&) { r.Status.clear(); }, 1, 0},
        {"a name", [](EntryRecord& r, ExportInfo&) { r.Name = "高橋 四郎"; }, 1, 1},
        {"a code", [](EntryRecord& r, ExportInfo&) { r.Status = "DNF"; }, 1, 1},
        {"the start list read only in part", [](EntryRecord&, ExportInfo& i) { i.startListIncomplete = true; }, 1, 1},
        {"the event name", [](EntryRecord&, ExportInfo& i) { i.eventName = "秋の大会"; }, 1, 1},
        {"the event date", [](EntryRecord&, ExportInfo& i) { ++i.eventDate.day; }, 1, 1},
        {"the time limit", [](EntryRecord&, ExportInfo& i) { i.limit = i.limit + Time::Hms(0, 1, 0); }, 1, 1},
        {"the creator", [](EntryRecord&, ExportInfo& i) { i.creator += " "; }, 1, 1},
    };
    const std::shared_ptr<const ResultsSnapshot> base = station.Snapshot();
    ASSERT_EQ(base->classes.at(0).competitors.at(0).record.Status, "OK");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Event ev = station.Tables();
        ExportInfo info = base->info;
        row.edit(ev.Entries[0][3], info);
        const auto next = NextSnapshot(ev, info, station.Lists(), base);
        EXPECT_EQ(next->serial - base->serial, static_cast<std::uint64_t>(row.serial));
        EXPECT_EQ(next->exportSerial - base->exportSerial, static_cast<std::uint64_t>(row.exportSerial));
        // Nothing changed at all: the same snapshot again.
        EXPECT_EQ(next == base, row.serial == 0 && info.now == base->info.now);
    }
}

TEST_F(SnapshotTest, RefreshesKeepTheSerialUnlessSomethingChanged) {
    const std::shared_ptr<const ResultsSnapshot> first = station.Snapshot();
    station.RefreshStatus();
    EXPECT_EQ(station.Snapshot(), first);
    // Another order: new lines, the same results.
    station.SetSortByResult(true);
    EXPECT_NE(station.Snapshot(), first);
    EXPECT_EQ(station.Snapshot()->serial, first->serial);
    Append("1,2,3,4,5,(10001),31,0:10:00,32,0:20:00,100,0:35:00");
    station.ReadFinishLog();
    EXPECT_EQ(station.Snapshot()->serial, first->serial + 1);
}

TEST_F(SnapshotTest, SubscriptionsEndWithTheirObjects) {
    int kept = 0, moved = 0, self = 0, later = 0;
    Subscription a = station.Subscribe([&](const auto& snap) {
        ++kept;
        EXPECT_EQ(snap, station.Snapshot());
    });
    Subscription b;
    {
        Subscription c = station.Subscribe([&](const auto&) { ++moved; });
        station.RefreshStatus();
        b = std::move(c);
    }
    station.RefreshStatus();
    b = Subscription();
    // A handler that ends itself, one called before it and one still to come.
    Subscription d, e;
    d = station.Subscribe([&](const auto&) {
        ++self;
        d.Reset();
        a.Reset();
        e.Reset();
    });
    e = station.Subscribe([&](const auto&) { ++later; });
    station.RefreshStatus();
    station.RefreshStatus();
    EXPECT_EQ(kept, 3);
    EXPECT_EQ(moved, 2);
    EXPECT_EQ(self, 1);
    EXPECT_EQ(later, 0);

    // The station gone first.
    Subscription outlived;
    {
        Station other(dir.Path(), test::FixedClock(Time::Hms(12, 0, 0)));
        outlived = other.Subscribe([](const auto&) {});
    }
    outlived.Reset();
}

TEST_F(SnapshotTest, TheResultsFileWrittenByItsButtonIsNotPublishedAgain) {
    Publisher publisher(station);
    EXPECT_EQ(publisher.LastWritten(), 5);
    // A name the results file, the XML lists and the page show: the button writes the
    // file, the publisher the three others.
    station.Tables().Entry(0, 3).Name = "高橋 四郎";
    ASSERT_TRUE(station.WriteResults());
    EXPECT_EQ(station.WrittenAt(station.OutputPath("SeisekiOutput")), station.Snapshot()->serial);
    EXPECT_EQ(publisher.LastWritten(), 3);
    EXPECT_NE(test::ReadBytes(dir.File("E_Result.txt")).find(Utf8ToCp932("高橋 四郎")), std::string::npos);
    // Pressed again without change: nothing is published.
    ASSERT_TRUE(station.WriteResults());
    EXPECT_EQ(publisher.LastWritten(), 0);
}

TEST_F(SnapshotTest, AFileThePublisherFailedOnIsReportedWrittenOnceItsButtonWroteIt) {
    Publisher publisher(station);
    const std::string path = station.OutputPath("SeisekiOutput");
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    station.Tables().Entry(0, 3).Name = "高橋 四郎";
    station.RefreshStatus();
    const auto& lines = station.OperationHistory().Lines();
    EXPECT_EQ(lines.back().text, "　" + path + " を書き込めませんでした（同じ名前のフォルダがあります）");

    // Failing again at the same path says nothing more; at another path it warns again.
    const int warned = station.OperationHistory().Count();
    station.RefreshStatus();
    EXPECT_EQ(station.OperationHistory().Count(), warned);
    const std::string other = dir.File("E_Other.txt");
    std::filesystem::create_directory(other);
    station.Settings().SetItem("SeisekiOutput", other);
    station.RefreshStatus();
    EXPECT_EQ(lines.back().text, "　" + other + " を書き込めませんでした（同じ名前のフォルダがあります）");
    station.Settings().SetItem("SeisekiOutput", path);
    station.RefreshStatus();

    std::filesystem::remove(path);
    ASSERT_TRUE(station.WriteResults());
    EXPECT_EQ(lines.back().text, "12:00 (出力)E_Result.txt");
    EXPECT_EQ(publisher.LastWritten(), 0);
    EXPECT_NE(test::ReadBytes(path).find(Utf8ToCp932("高橋 四郎")), std::string::npos);
}

} // namespace
} // namespace quilo
