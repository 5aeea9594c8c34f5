// The follower over a folder the test changes as the finish PC's station would: after
// each change it shows what a fresh start of that station shows, and every file of the
// folder is byte for byte what the test wrote.
#include "Clock.h"
#include "EventText.h"
#include "TestSupport.h"
#include "core/Cp932.h"
#include "finish/ChangeRecord.h"
#include "station/Follower.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

namespace quilo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const Time kNoon = Time::Hms(12, 0, 0);

class FollowerTest : public ::testing::Test {
public:
    FollowerTest() {
        Write("Control.dat", {"**:M21", "1:31", "2:32", "99:100", "**:W21", "1:33", "99:100"});
        Write("Startlst.dat", {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC", "10002,M21,10:02:00,102,鈴木 一郎,2,大阪OLC",
                               "20001,W21,10:01:00,201,高橋 花子,3,京都OLC", "90001,**"});
        Write("Change.dat", {"欠席/20001"});
        Write("Regnly.log", {"1,2,3,4,5,(10001),31,0:11:00,32,0:21:00,100,0:30:00"});
        // Settings without the defaults a start-up would add, and a temporary file a
        // start-up would remove: the follower does neither.
        Write("Quilo.ini", {"EventName=追跡"});
        WriteRaw("E_Result.txt.quilo-tmp", "half a fi");
        follower.Start();
        subscription = follower.Subscribe([this](const auto& snap) { latest = snap; });
    }

    void WriteRaw(const std::string& name, const std::string& bytes) {
        test::WriteBytes(dir.File(name), bytes);
        written[name] = bytes;
    }
    void Write(const std::string& name, const std::vector<std::string>& lines) { WriteRaw(name, test::Cp932Bytes(lines)); }
    void Append(const std::string& name, const std::string& utf8) { WriteRaw(name, written[name] + Utf8ToCp932(utf8)); }
    void Remove(const std::string& name) {
        fs::remove(dir.File(name));
        written.erase(name);
    }
    // Looks every 250 ms for the given time, as quilo-serve does.
    void Run(std::int64_t ms) {
        for (const std::int64_t end = now + ms; now < end;) follower.Poll(now += 250);
    }
    // The tables of a fresh start of the finish PC's station, on a copy of the folder.
    std::string FreshStart() {
        fs::remove_all(copy.Path());
        fs::copy(dir.Path(), copy.Path(), fs::copy_options::recursive);
        Station station(copy.Path(), test::FixedClock(kNoon));
        station.Startup();
        return test::EventText(station.Tables());
    }
    std::string Followed() const { return test::EventText(follower.Followed().Tables()); }
    // "" when every file of the folder is what the test wrote, byte for byte.
    std::string FolderAsWritten() const {
        std::map<std::string, std::string> found;
        for (const auto& e : fs::directory_iterator(dir.Path()))
            found[e.path().filename().string()] = test::ReadBytes(e.path().string());
        if (found == written) return "";
        std::string what;
        for (const auto& [name, bytes] : found)
            if (!written.count(name) || written.at(name) != bytes) what += " " + name;
        for (const auto& [name, bytes] : written)
            if (!found.count(name)) what += " " + name + "(gone)";
        return "changed in the folder:" + what;
    }

    TempDir dir, copy;
    std::map<std::string, std::string> written;
    Follower follower{dir.Path(), test::FixedClock(kNoon)};
    Subscription subscription;
    std::shared_ptr<const ResultsSnapshot> latest;
    std::int64_t now = 0;
};

TEST_F(FollowerTest, EachChangeOfTheFinishPcShowsAsAFreshStartWouldAndNothingIsWritten) {
    const std::string late = ChangeRecord{ChangeKind::Late, "10002", "3"}.Text();
    struct Case {
        const char* what;
        std::function<void(FollowerTest&)> change;
        bool reloads; // the event is loaded again (else only the log is read)
    };
    const Case cases[] = {
        {"finish log appended",
         [](FollowerTest& t) { t.Append("Regnly.log", "1,2,3,4,5,(10002),31,0:13:00,32,0:23:00,100,0:33:00\r\n"); }, false},
        {"a correction appended to the change file", [&](FollowerTest& t) { t.Append("Change.dat", late + "\r\n"); }, true},
        {"a new entry in the start list",
         [](FollowerTest& t) {
             t.Append("Startlst.dat", "20002,W21,10:05:00,202,伊藤 幸子,4,神戸OLC\r\n");
             t.Append("Regnly.log", "1,2,3,4,5,(20002),33,0:15:00,100,0:25:00\r\n");
         },
         true},
        {"the course file changed",
         [](FollowerTest& t) {
             t.Write("Control.dat", {"**:M21", "1:31", "2:33", "99:100", "**:W21", "1:33", "99:100"});
         },
         true},
        {"the change file replaced", [](FollowerTest& t) { t.Write("Change.dat", {"参考/10001"}); }, true},
    };
    ASSERT_EQ(Followed(), FreshStart());
    std::uint64_t serial = latest ? latest->serial : 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = Followed();
        const int reloads = follower.Reloads();
        c.change(*this);
        Run(1000);
        EXPECT_NE(Followed(), before) << "the change shows nowhere";
        EXPECT_EQ(Followed(), FreshStart());
        EXPECT_EQ(follower.Reloads(), reloads + (c.reloads ? 1 : 0));
        ASSERT_TRUE(latest);
        EXPECT_GT(latest->serial, serial) << "the subscribers heard nothing";
        serial = latest->serial;
        EXPECT_EQ(FolderAsWritten(), "");
    }
}

TEST_F(FollowerTest, ACutRecordWaitsUntilWholeOrItStaysCut) {
    const std::string record = ChangeRecord{ChangeKind::Absent, "10002", ""}.Text();
    const std::string before = Followed();
    Append("Change.dat", record.substr(0, 3));
    Run(1000);
    EXPECT_EQ(follower.Reloads(), 0);
    EXPECT_EQ(Followed(), before);
    Append("Change.dat", record.substr(3) + "\r\n");
    Run(500);
    EXPECT_EQ(follower.Reloads(), 1);
    EXPECT_EQ(Followed(), FreshStart());
    // One that stays cut is loaded after a while, as a start would read it.
    Append("Change.dat", record.substr(0, 3));
    Run(Follower::kCutLineWaitMs - 500);
    EXPECT_EQ(follower.Reloads(), 1);
    Run(1000);
    EXPECT_EQ(follower.Reloads(), 2);
    EXPECT_EQ(Followed(), FreshStart());
    // The reload reads the whole log: not while a card line is half written.
    Append("Change.dat", record.substr(3) + "\r\n");
    Append("Regnly.log", "1,2,3,4,5,(10002),31,0:4");
    Run(1000);
    EXPECT_EQ(follower.Reloads(), 2);
    Append("Regnly.log", "3:00,32,0:44:00,100,0:45:10\r\n");
    Run(500);
    EXPECT_EQ(follower.Reloads(), 3);
    EXPECT_EQ(Followed(), FreshStart());
    EXPECT_EQ(FolderAsWritten(), "");
}

TEST_F(FollowerTest, AFileGoneKeepsTheLastResultsUntilItIsBack) {
    for (const char* name : {"Startlst.dat", "Regnly.log"}) {
        SCOPED_TRACE(name);
        const std::string before = Followed(), bytes = written[name];
        const int reloads = follower.Reloads();
        Remove(name);
        Append("Change.dat", "参考/10001\r\n");
        Run(1000);
        EXPECT_EQ(follower.Reloads(), reloads);
        EXPECT_EQ(Followed(), before);
        WriteRaw(name, bytes);
        Run(1000);
        EXPECT_EQ(follower.Reloads(), reloads + 1);
        EXPECT_EQ(Followed(), FreshStart());
        EXPECT_EQ(FolderAsWritten(), "");
    }
    // A file that was not there at the start may come.
    const int reloads = follower.Reloads();
    Write("Entries.xml", {"<?xml version=\"1.0\"?>"});
    Run(1000);
    EXPECT_EQ(follower.Reloads(), reloads + 1);
    EXPECT_EQ(Followed(), FreshStart());
    EXPECT_EQ(FolderAsWritten(), "");
}

TEST(FollowerUnstarted, PollsNothingAndAFolderWithoutSettingsIsLeftAsItIs) {
    TempDir dir;
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "99:100"},
                                .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC"}});
    Follower follower(dir.Path(), test::FixedClock(kNoon));
    follower.Poll(250);
    EXPECT_EQ(follower.Followed().Tables().Rows(), 0);
    follower.Start();
    follower.Poll(500);
    EXPECT_EQ(follower.Followed().Tables().Rows(), 1);
    // Without a change file too.
    test::WriteCp932(dir.File("Startlst.dat"), {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC", "90001,**"});
    follower.Poll(750);
    EXPECT_EQ(follower.Followed().Tables().Rows(), 2);
    EXPECT_FALSE(fs::exists(dir.File("Quilo.ini")));
}

} // namespace
} // namespace quilo
