// The course file and the start list read from bytes in memory leave the same tables and
// history lines as the same bytes read from the file.
#include "readers/CourseFile.h"
#include "readers/StartList.h"

#include "Clock.h"
#include "EventText.h"
#include "TestSupport.h"
#include "core/Cp932.h"

#include <gtest/gtest.h>

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
};

TEST(TextReaders, CourseTextReadsAsTheFile) {
    test::TempDir dir;
    for (std::size_t i = 0; i < kCourses.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        test::WriteBytes(dir.File("Control.dat"), kCourses[i]);
        Reads file, text;
        ASSERT_TRUE(test::Into(file.history, ReadCourseFile(*file.ev, dir.File("Control.dat"))));
        test::Into(text.history, ReadCourseText(*text.ev, kCourses[i]));
        EXPECT_EQ(test::EventText(*text.ev), test::EventText(*file.ev));
        EXPECT_EQ(test::HistoryText(text.history), test::HistoryText(file.history));
    }
}

TEST(TextReaders, StartListTextReadsAsTheFile) {
    test::TempDir dir;
    for (std::size_t i = 0; i < kStartLists.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        test::WriteBytes(dir.File("Startlst.dat"), kStartLists[i]);
        Reads file, text;
        test::Into(file.history, ReadCourseText(*file.ev, kClasses));
        test::Into(text.history, ReadCourseText(*text.ev, kClasses));
        const Result<StartListRead> r = test::Into(file.history, ReadStartList(*file.ev, dir.File("Startlst.dat")));
        ASSERT_TRUE(r);
        const StartListRead read = ReadStartListText(*text.ev, kStartLists[i]);
        test::Into(text.history, read.warnings);
        EXPECT_EQ(read.undefinedClass, r->undefinedClass);
        EXPECT_EQ(read.skippedRows, r->skippedRows);
        EXPECT_EQ(test::EventText(*text.ev), test::EventText(*file.ev));
        EXPECT_EQ(test::HistoryText(text.history), test::HistoryText(file.history));
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

} // namespace
} // namespace quilo
