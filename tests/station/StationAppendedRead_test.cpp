// The live station's appended-only read: a station following the log against one that
// reads the whole log every time, over two folders that hold the same files. After
// every read both hold the same tables and history; the follower took only the
// appended lines exactly when the log only grew.
#include "Clock.h"
#include "TestSupport.h"
#include "core/Cp932.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace quilo {
namespace {

using test::TempDir;

std::string Line(const std::string& card, const std::string& finish) {
    return "1,2,3,4,5,(" + card + "),31,0:10:00,32,0:20:00,100," + finish + "\r\n";
}

enum class Edit { None, Replace, Truncate, RewriteMiddle };

struct Step {
    Edit edit = Edit::None;
    std::optional<ChangeRecord> correction{};
    std::string append{};
    bool pressed = false;  // the data-load button instead of a read by the station itself
    bool appended = false; // the follower took only the appended lines
};

struct Case {
    const char* name;
    std::vector<Step> steps;
};

std::string Diff(const Event& a, const Event& b) {
    for (int n = 0; n < a.Rows(); ++n) {
        const EntryRecord* x = a.EntryOf(n);
        const EntryRecord* y = b.EntryOf(n);
        if (!x) continue;
        const std::string who = "competitor " + std::to_string(n) + ": ";
        if (x->Status != y->Status || x->CheckStatus != y->CheckStatus || x->RunningTime != y->RunningTime ||
            x->CardTime != y->CardTime || x->Place != y->Place || x->CardRead != y->CardRead ||
            x->LateAddition != y->LateAddition || x->EcardNumber != y->EcardNumber)
            return who + "record";
        if (a.PunchTimes[n] != b.PunchTimes[n] || a.PunchCodes[n] != b.PunchCodes[n]) return who + "punches";
    }
    return {};
}

// Two stations over two folders of the same event: one follows the log, the other reads
// the whole log every time.
class AppendedReadTest : public ::testing::Test {
protected:
    struct Side {
        TempDir dir;
        Station station{dir.Path(), test::FixedClock(Time::Hms(12, 0, 0))};
    };

    AppendedReadTest() { Start(); }

    void Start() {
        followed = std::make_unique<Side>();
        whole = std::make_unique<Side>();
        for (Side* side : {followed.get(), whole.get()})
            test::WriteEventFiles(side->dir, {.course = {"**:M21", "1:31", "2:32", "99:100"},
                                              .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC",
                                                            "10002,M21,10:02:00,102,鈴木 一郎,2,大阪OLC",
                                                            "10003,M21,10:04:00,103,高橋 三郎,3,京都OLC",
                                                            "10004,M21,11:50:00,104,伊藤 四郎,4,神戸OLC", "90001,**"},
                                              .finishLog = {"1,2,3,4,5,(10003),31,0:11:00,32,0:21:00,100,0:30:00",
                                                            "1,2,3,4,5,(90001),31,0:12:00,100,0:33:00",
                                                            "1,2,3,4,5,(55555),100,0:34:00"}});
        followed->station.FollowLog(true);
        // The spare card's question is cancelled at the start (no dialog here).
        for (Side* side : {followed.get(), whole.get()}) side->station.Startup();
    }

    static void Apply(const Step& step, Side& side) {
        Station& station = side.station;
        const std::string log = side.dir.File("Regnly.log");
        std::string bytes = test::ReadBytes(log);
        switch (step.edit) {
        case Edit::None: break;
        case Edit::Replace:
            // A new file (another inode) with the same bytes.
            test::WriteBytes(log + ".new", bytes);
            std::filesystem::rename(log + ".new", log);
            break;
        case Edit::Truncate: std::filesystem::resize_file(log, bytes.find('\n') + 1); break;
        case Edit::RewriteMiddle: {
            // The same length, in place: one time of the first line changed.
            std::fstream f(log, std::ios::binary | std::ios::in | std::ios::out);
            f.seekp(static_cast<std::streamoff>(bytes.find("0:30:00")));
            f << "0:31:00";
            break;
        }
        }
        if (step.correction) {
            const int n = station.Tables().Cards.Find(step.correction->card).value_or(-1);
            EXPECT_TRUE(station.Correct(*step.correction, " (変更)" + step.correction->Text(), n));
        }
        std::ofstream(log, std::ios::binary | std::ios::app) << Utf8ToCp932(step.append);
        if (step.pressed) {
            station.ReadFinishLog();
        } else {
            // As the live reader reads: up to the last line feed.
            bytes = test::ReadBytes(log);
            station.AutoReadFinishLog(bytes.rfind('\n') + 1);
        }
    }

    std::unique_ptr<Side> followed, whole;
};

TEST_F(AppendedReadTest, LeavesWhatAWholeReadLeaves) {
    const ChangeRecord late{ChangeKind::Late, "10003", "5"};
    const ChangeRecord handTime{ChangeKind::HandTime, "10001", "0:44:00"};
    const ChangeRecord spare{ChangeKind::Spare, "90001", "10002"};
    // Out since 11:50, the last competitor keeps every result provisional at 12:00.
    const ChangeRecord absent{ChangeKind::Absent, "10004", ""};
    const ChangeRecord cancel{ChangeKind::Cancel, "10004", ""};
    const Case cases[] = {
        {"grown", {{.append = Line("10001", "0:35:00"), .appended = true}}},
        {"grown again, a card read twice",
         {{.append = Line("10001", "0:35:00"), .appended = true},
          {.append = Line("10001", "0:36:00") + Line("10002", "0:40:00"), .appended = true},
          {.append = "", .appended = true}}},
        {"replaced", {{.edit = Edit::Replace, .append = Line("10001", "0:35:00"), .appended = false}}},
        {"truncated", {{.edit = Edit::Truncate, .appended = false}, {.append = Line("10001", "0:35:00"), .appended = true}}},
        {"rewritten in the middle", {{.edit = Edit::RewriteMiddle, .append = Line("10001", "0:35:00"), .appended = false}}},
        {"a line in progress",
         {{.append = Line("10001", "0:35:00") + "1,2,3,4,5,(10002),31,0:1", .appended = true},
          {.append = "2:00,32,0:22:00,100,0:45:00\r\n", .appended = true}}},
        {"a line in progress read by the button",
         {{.append = "1,2,3,4,5,(10002),31,0:12:00,32,0:22:00,100,0:4", .pressed = true},
          {.append = "5:00\r\n", .appended = false},
          {.append = Line("10001", "0:35:00"), .appended = true}}},
        {"corrections between the reads",
         {{.correction = late, .append = Line("10001", "0:35:00"), .appended = true},
          {.correction = handTime, .append = Line("10002", "0:40:00"), .appended = true}}},
        // A read takes back the confirmations of the cards it reads again.
        {"a confirmation taken back",
         {{.correction = absent, .append = Line("10001", "0:35:00"), .appended = true},
          {.correction = cancel, .append = "", .appended = true}}},
        {"a spare card read before given by a record",
         {{.correction = spare, .append = Line("10001", "0:35:00"), .appended = false},
          {.append = Line("90001", "0:39:00"), .appended = true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        const Station& follower = followed->station;
        const Station& reader = whole->station;
        int number = 0;
        for (const Step& step : c.steps) {
            SCOPED_TRACE("step " + std::to_string(++number));
            Apply(step, *followed);
            Apply(step, *whole);
            if (!step.pressed) {
                EXPECT_EQ(follower.LastReadAppended(), step.appended);
            }
            EXPECT_FALSE(reader.LastReadAppended());
            EXPECT_EQ(Diff(follower.Tables(), reader.Tables()), "");
            EXPECT_EQ(follower.OperationHistory().Texts(), reader.OperationHistory().Texts());
        }
    }
}

TEST_F(AppendedReadTest, TheAppendedLineIsReadAndTheWarningsStayThoseOfTheWholeLog) {
    const Station& follower = followed->station;
    const auto before = follower.OperationHistory().Count();
    Apply({.append = Line("10001", "0:35:00")}, *followed);
    ASSERT_TRUE(follower.LastReadAppended());
    EXPECT_EQ(follower.Tables().Entry(0, 1).RunningTime, Time::Hms(0, 35, 0));
    // The unknown card and the unassigned spare card of the first lines are no news.
    EXPECT_EQ(follower.OperationHistory().Count(), before + 1);
    EXPECT_EQ(follower.OperationHistory().Texts().back(), "12:00 (読込)ゴールデータ");
}

} // namespace
} // namespace quilo
