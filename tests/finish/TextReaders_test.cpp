// Every reader over bytes in memory leaves the same tables, history lines and questions as
// over the same bytes in a file, and fails on a file it cannot read: the course file and the
// start list here too, since this is the program that links every reader.
#include "finish/ChangeFile.h"
#include "finish/FinishLog.h"

#include "Clock.h"
#include "EventText.h"
#include "TestSupport.h"
#include "core/Cp932.h"
#include "readers/CourseFile.h"
#include "readers/StartList.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quilo {
namespace {

const std::vector<std::string> kCourses = {
    "",
    "**:M21\r\n1:31\r\n2:32\r\n99:100\r\n",
    "**:M21\n1:31\n2:32\n99:100",
    "**:M21\r1:31\r2:32\r99:100\r",
    "1:31\r\n**:A\r\n1:x\r\n40:1\r\n2:32\r\n2:33\r\n2:34\r\n2:35\r\n**:B\r\n**:C\r\n",
    Utf8ToCp932("**:Ｗ２１\r\n1:31\r\n99:100\r\n99:200\r\n") + "\x82",
    "**:1\r\n**:2\r\n**:3\r\n**:4\r\n**:5\r\n**:6\r\n**:7\r\n**:8\r\n**:9\r\n**:10\r\n**:11\r\n1:31\r\n",
};

const char* const kClasses = "**:M21\r\n1:31\r\n99:100\r\n**:W21\r\n1:32\r\n99:100\r\n**:\r\n";

const std::vector<std::string> kStartLists = {
    "",
    "10001,M21,10:00:00,101,A,0,c\r\n10002,W21,10:01:00,102,B,1,d\r\n90001,**,,,,,\r\n",
    "10001,M21,10:00:00,101,A,0,c\n10002,W21,10:01:00,102,B,1,d",
    "10001,M21,10:00:00,101,A,0,c\r10001,M21,10:00:00,101,A,0,c\rx,M21,10:00:00,1,A,0,c\r",
    "10001,,0:00:00,1,A,0,c\r\n10002,M21,bad,1,A,0,c\r\n10003,M21,10:00:00,x,A,0,c\r\n10004,M21,10:00:00,1,A,y,c\r\n",
    "10001,M21,10:00:00,101,A,0,c\r\n10002,X99,10:01:00,102,B,1,d\r\n10003,M21,10:02:00,103,C,0,e\r\n",
    Utf8ToCp932("10001,M21,10:00:00,101,山田,0,\"東京,OLC\"\r\n") + "1\x82,M21",
};

struct Reads {
    std::unique_ptr<Event> ev = std::make_unique<Event>();
    History history{test::FixedClock(9, 5, 0)};
    std::vector<int> asked;

    // The event the change file and the finish log are read into.
    void Setup() {
        test::Into(history, ReadCourseText(*ev, "**:M21\r\n1:31\r\n2:32\r\n99:100\r\n**:W21\r\n1:41\r\n99:100\r\n"));
        test::Into(history, ReadStartListText(*ev,
                                              "10001,M21,10:00:00,101,A,0,c\r\n10002,M21,10:02:00,102,B,0,c\r\n"
                                              "10003,W21,10:04:00,201,C,0,c\r\n90001,**,,,,,\r\n")
                                .warnings);
    }
    SparePrompt Prompt() {
        return [this](int card) {
            asked.push_back(card);
            return SpareAnswer::Cancelled;
        };
    }
};

const std::vector<std::string> kLogs = {
    "",
    "1,(10001),x,x,x,x,31,0:10:00,32,0:20:00,100,0:30:00\r\n2,(10002),x,x,x,x,31,0:11:00,100,0:31:00\r\n",
    "1,(10001),x,x,x,x,31,0:10:00,32,0:20:00,100,0:30:00\n2,(10003),x,x,x,x,41,0:11:00,100,0:31:00",
    "1,(10001),x,x,x,x,31,0:10:00,32,0:20:00,100,0:30:00\r1,(99999),x\r1,(90001),x,x,x,x,100,0:40:00\r",
    "no comma\r\n1,(10002),x,x,x,x,31,bad,32,0:20:00,100,0:30:00\r\n\r\n1,(10001),x,x,x,x,100,0:5",
    Utf8ToCp932("1,(１０００１),x\r\n") + "1,(10003),x,x,x,x,41,0:11:00,100,0:31:00\r\n\x82",
};

const std::vector<std::string> kChanges = {
    "",
    Utf8ToCp932("欠席/10001\r\n遅刻/10002,5\r\nＯＫ/10003,1:23:45\r\n"),
    Utf8ToCp932("ＮＧ/10001,P3\n取消/10001\n参考/10002\n公式/10002"),
    Utf8ToCp932("予備/90001,10004\r欠席/90001\rOK/10001,1:00:00\r"),
    Utf8ToCp932("no slash\r\n遅刻/10002,99999\r\nＯＫ/10003,x\r\n欠席/55555\r\n欠席/10001\r\n"),
    Utf8ToCp932("欠席/10001\r\n") + "\x82\r\n\x81",
};

// A reader whose warnings are all it leaves beside the tables, over a file and over bytes.
template <class Read>
std::function<Result<std::string>(Reads&, const std::string&)> FromFile(Read read) {
    return [read](Reads& r, const std::string& p) {
        return WithValue(test::Outcome(test::Into(r.history, read(*r.ev, p))), std::string());
    };
}
template <class Read>
std::function<std::string(Reads&, const std::string&)> FromBytes(Read read) {
    return [read](Reads& r, const std::string& b) { return test::Into(r.history, read(*r.ev, b)), std::string(); };
}

std::string Summary(const StartListRead& read) {
    return std::to_string(read.undefinedClass) + " " + std::to_string(read.skippedRows);
}

TEST(TextReaders, EveryReaderReadsBytesAsTheFile) {
    struct Reader {
        std::string label;
        const char* file;
        const std::vector<std::string>& inputs;
        std::function<void(Reads&)> setup;
        // Each gives what the read leaves beside the tables and the history.
        std::function<Result<std::string>(Reads&, const std::string& path)> fromFile;
        std::function<std::string(Reads&, const std::string& bytes)> fromBytes;
    };
    // The whole log, and the log cut inside a line, at a line end and before a CR LF's LF.
    const auto finishLog = [](std::uint64_t limit) {
        return Reader{"finish log cut at " + std::to_string(limit),
                      "Regnly.log",
                      kLogs,
                      &Reads::Setup,
                      [limit](Reads& r, const std::string& p) {
                          return WithValue(ReadFinishLogFile(*r.ev, p, r.history, r.Prompt(), limit), std::string());
                      },
                      [limit](Reads& r, const std::string& b) {
                          return ReadFinishLogText(*r.ev, b, r.history, r.Prompt(), limit), std::string();
                      }};
    };
    const Reader readers[] = {
        {"course file", "Control.dat", kCourses, [](Reads&) {}, FromFile(ReadCourseFile), FromBytes(ReadCourseText)},
        {"start list", "Startlst.dat", kStartLists, [](Reads& r) { test::Into(r.history, ReadCourseText(*r.ev, kClasses)); },
         [](Reads& r, const std::string& p) {
             const Result<StartListRead> read = test::Into(r.history, ReadStartList(*r.ev, p));
             return WithValue(test::Outcome(read), read ? Summary(*read) : std::string());
         },
         [](Reads& r, const std::string& b) {
             const StartListRead read = ReadStartListText(*r.ev, b);
             return test::Into(r.history, read.warnings), Summary(read);
         }},
        {"change file", "Change.dat", kChanges, &Reads::Setup, FromFile(LoadChangeFile), FromBytes(LoadChangeText)},
        finishLog(UINT64_MAX),
        finishLog(20),
        finishLog(53),
        finishLog(54),
    };
    test::TempDir dir;
    for (const Reader& reader : readers)
        for (std::size_t i = 0; i < reader.inputs.size(); ++i) {
            SCOPED_TRACE(reader.label + ", case " + std::to_string(i));
            test::WriteBytes(dir.File(reader.file), reader.inputs[i]);
            Reads file, bytes;
            reader.setup(file);
            reader.setup(bytes);
            const Result<std::string> fromFile = reader.fromFile(file, dir.File(reader.file));
            ASSERT_TRUE(fromFile);
            EXPECT_EQ(reader.fromBytes(bytes, reader.inputs[i]), *fromFile);
            EXPECT_EQ(test::EventText(*bytes.ev), test::EventText(*file.ev));
            EXPECT_EQ(test::HistoryText(bytes.history), test::HistoryText(file.history));
            EXPECT_EQ(bytes.asked, file.asked);
        }
}

TEST(TextReaders, MissingFileStillFailsAndClearsTheClassCounter) {
    test::TempDir dir;
    Reads file;
    file.ev->LastClassIndex = 4;
    EXPECT_FALSE(test::Into(file.history, ReadCourseFile(*file.ev, dir.File("Control.dat"))));
    EXPECT_EQ(file.ev->LastClassIndex, -1);
    EXPECT_FALSE(test::Into(file.history, ReadStartList(*file.ev, dir.File("Startlst.dat"))));
}

// A file whose read fails: this process's memory read from address 0, which nothing maps.
// Every reader gives the failure, never the lines before it as the whole file.
TEST(ReadFailures, EveryReaderGivesTheError) {
    const std::string path = "/proc/self/mem";
    LogPlace place;
    const std::pair<const char*, std::function<Result<>(Reads&)>> readers[] = {
        {"text lines", [&](Reads&) { return test::Outcome(ReadTextLines(path)); }},
        {"file bytes", [&](Reads&) { return test::Outcome(ReadFileBytes(path)); }},
        {"line reader",
         [&](Reads&) {
             LineReader reader(path);
             std::string_view line;
             while (reader.Next(line)) {
             }
             return reader.Status();
         }},
        {"course file", [&](Reads& r) { return test::Outcome(test::Into(r.history, ReadCourseFile(*r.ev, path))); }},
        {"start list", [&](Reads& r) { return test::Outcome(test::Into(r.history, ReadStartList(*r.ev, path))); }},
        {"change file", [&](Reads& r) { return test::Outcome(test::Into(r.history, LoadChangeFile(*r.ev, path))); }},
        {"finish log", [&](Reads& r) { return ReadFinishLogFile(*r.ev, path, r.history, {}); }},
        {"finish log followed",
         [&](Reads& r) { return test::Outcome(ReadFinishLogFollowing(*r.ev, path, r.history, {}, place, {})); }},
    };
    for (const auto& [name, read] : readers) {
        Reads r;
        r.Setup();
        const Result<> got = read(r);
        ASSERT_FALSE(got) << name;
        EXPECT_EQ(got.Failure().kind, Error::Kind::System) << name;
        EXPECT_EQ(got.Failure().errnum, EIO) << name;
        EXPECT_EQ(got.Failure().path, path) << name;
    }
    EXPECT_FALSE(FirstReadDate(path));
    EXPECT_FALSE(place.holds);
}

} // namespace
} // namespace quilo
