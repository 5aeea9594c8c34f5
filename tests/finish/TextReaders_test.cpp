// The change file replay and the finish log read from bytes in memory leave the same
// tables and history lines as the same bytes read from the file.
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

struct Reads {
    std::unique_ptr<Event> ev = std::make_unique<Event>();
    History history{test::FixedClock(9, 5, 0)};
    std::vector<int> asked;

    Reads() {
        test::Into(history, ReadCourseText(*ev, "**:M21\r\n1:31\r\n2:32\r\n99:100\r\n**:W21\r\n1:41\r\n99:100\r\n"));
        test::Into(history, ReadStartListText(*ev, "10001,M21,10:00:00,101,A,0,c\r\n10002,M21,10:02:00,102,B,0,c\r\n"
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

TEST(TextReaders, FinishLogTextReadsAsTheFile) {
    test::TempDir dir;
    for (std::size_t i = 0; i < kLogs.size(); ++i) {
        test::WriteBytes(dir.File("Regnly.log"), kLogs[i]);
        // The whole log, and the log cut inside a line, at a line end and before a CR LF's LF.
        for (std::uint64_t limit : {std::uint64_t{UINT64_MAX}, std::uint64_t{20}, std::uint64_t{53}, std::uint64_t{54}}) {
            SCOPED_TRACE("case " + std::to_string(i) + " limit " + std::to_string(limit));
            Reads file, text;
            ASSERT_TRUE(ReadFinishLogFile(*file.ev, dir.File("Regnly.log"), file.history, file.Prompt(), limit));
            ReadFinishLogText(*text.ev, kLogs[i], text.history, text.Prompt(), limit);
            EXPECT_EQ(test::EventText(*text.ev), test::EventText(*file.ev));
            EXPECT_EQ(test::HistoryText(text.history), test::HistoryText(file.history));
            EXPECT_EQ(text.asked, file.asked);
        }
    }
}

const std::vector<std::string> kChanges = {
    "",
    Utf8ToCp932("欠席/10001\r\n遅刻/10002,5\r\nＯＫ/10003,1:23:45\r\n"),
    Utf8ToCp932("ＮＧ/10001,P3\n取消/10001\n参考/10002\n公式/10002"),
    Utf8ToCp932("予備/90001,10004\r欠席/90001\rOK/10001,1:00:00\r"),
    Utf8ToCp932("no slash\r\n遅刻/10002,99999\r\nＯＫ/10003,x\r\n欠席/55555\r\n欠席/10001\r\n"),
    Utf8ToCp932("欠席/10001\r\n") + "\x82\r\n\x81",
};

TEST(TextReaders, ChangeTextReplaysAsTheFile) {
    test::TempDir dir;
    for (std::size_t i = 0; i < kChanges.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        test::WriteBytes(dir.File("Change.dat"), kChanges[i]);
        Reads file, text;
        ASSERT_TRUE(test::Into(file.history, LoadChangeFile(*file.ev, dir.File("Change.dat"))));
        test::Into(text.history, LoadChangeText(*text.ev, kChanges[i]));
        EXPECT_EQ(test::EventText(*text.ev), test::EventText(*file.ev));
        EXPECT_EQ(test::HistoryText(text.history), test::HistoryText(file.history));
    }
}

// A file whose read fails: this process's memory read from address 0, which nothing maps.
// Every reader gives the failure, never the lines before it as the whole file.
TEST(ReadFailures, EveryReaderGivesTheError) {
    const std::string path = "/proc/self/mem";
    LogPlace place;
    const std::pair<const char*, std::function<Result<>(Reads&)>> readers[] = {
        {"text lines", [&](Reads&) { return test::Outcome(ReadTextLines(path)); }},
        {"file bytes", [&](Reads&) { return test::Outcome(ReadFileBytes(path)); }},
        {"line reader", [&](Reads&) {
             LineReader reader(path);
             std::string_view line;
             while (reader.Next(line)) {}
             return reader.Status();
         }},
        {"course file", [&](Reads& r) { return test::Outcome(test::Into(r.history, ReadCourseFile(*r.ev, path))); }},
        {"start list", [&](Reads& r) { return test::Outcome(test::Into(r.history, ReadStartList(*r.ev, path))); }},
        {"change file", [&](Reads& r) { return test::Outcome(test::Into(r.history, LoadChangeFile(*r.ev, path))); }},
        {"finish log", [&](Reads& r) { return ReadFinishLogFile(*r.ev, path, r.history, {}); }},
        {"finish log followed", [&](Reads& r) {
             return test::Outcome(ReadFinishLogFollowing(*r.ev, path, r.history, {}, place, {}));
         }},
    };
    for (const auto& [name, read] : readers) {
        Reads r;
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
