// A course file and a start list saved as UTF-8 read to the same tables as their CP932
// form, with one warning per UTF-8 file; CP932 files read as before, without one.
#include "readers/CourseFile.h"
#include "readers/StartList.h"

#include "Clock.h"
#include "EventText.h"
#include "TestSupport.h"
#include "core/Cp932.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quilo {
namespace {

const std::string kCourse = "**:男子エリート\r\n1:31\r\n2:32\r\n99:100\r\n**:女子\r\n1:41\r\n99:100\r\n";
const std::string kStartList =
    "10001,男子エリート,10:00:00,101,渡辺拓也,0,みちの会\r\n"
    "10002,女子,10:01:00,102,佐藤花子,1,東京OLクラブ\r\n90001,**,,,,,\r\n";

enum class Form { Cp932, Utf8, Utf8Bom };

std::string Encoded(const std::string& utf8, Form form) {
    if (form == Form::Cp932) return Utf8ToCp932(utf8);
    return (form == Form::Utf8Bom ? std::string(kUtf8Bom) : std::string()) + utf8;
}

std::vector<std::string> Utf8Warning(const std::string& file) {
    return {History::kWarning, "　" + file + " は UTF-8 で書かれています（UTF-8 として読みました）",
            "　Quilo が書き込むファイルは CP932（Shift_JIS）です"};
}

struct Read {
    std::unique_ptr<Event> ev = std::make_unique<Event>();
    History history{test::FixedClock(9, 5, 0)};
};

void ReadBoth(Read& r, const test::TempDir& dir, Form course, Form startList) {
    test::WriteBytes(dir.File("Control.dat"), Encoded(kCourse, course));
    test::WriteBytes(dir.File("Startlst.dat"), Encoded(kStartList, startList));
    ASSERT_TRUE(test::Into(r.history, ReadCourseFile(*r.ev, dir.File("Control.dat"))));
    const Result<StartListRead> read = test::Into(r.history, ReadStartList(*r.ev, dir.File("Startlst.dat")));
    ASSERT_TRUE(read && !read->undefinedClass);
}

TEST(Utf8Files, ReadLikeTheirCp932FormWithOneWarningEach) {
    struct Case {
        Form course, startList;
        std::vector<std::string> warned;
    };
    const Case cases[] = {
        {Form::Cp932, Form::Cp932, {}},
        {Form::Utf8, Form::Utf8, {"Control.dat", "Startlst.dat"}},
        {Form::Utf8Bom, Form::Utf8Bom, {"Control.dat", "Startlst.dat"}},
        {Form::Utf8, Form::Cp932, {"Control.dat"}},
        {Form::Cp932, Form::Utf8Bom, {"Startlst.dat"}},
    };
    test::TempDir dir;
    Read cp932;
    ReadBoth(cp932, dir, Form::Cp932, Form::Cp932);
    ASSERT_EQ(cp932.ev->ClassNames[0], "男子エリート");
    ASSERT_EQ(cp932.ev->Entries[0][1].Name, "渡辺拓也");
    ASSERT_EQ(cp932.ev->Entries[1][1].Club, "東京OLクラブ");

    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        Read r;
        ReadBoth(r, dir, cases[i].course, cases[i].startList);
        EXPECT_EQ(test::EventText(*r.ev), test::EventText(*cp932.ev));
        std::vector<std::string> want;
        for (const auto& f : cases[i].warned)
            for (const auto& line : Utf8Warning(f)) want.push_back(line);
        EXPECT_EQ(r.history.Texts(), want);
    }
}

TEST(Utf8Files, TheMarkAloneDecidesAndIsNoText) {
    Read r;
    test::Into(r.history, ReadCourseText(*r.ev, std::string(kUtf8Bom) + "**:M21\r\n1:31\r\n99:100\r\n"));
    EXPECT_EQ(r.ev->ClassNames[0], "M21");
    EXPECT_EQ(r.ev->LastClassIndex, 0);
    EXPECT_EQ(r.history.Texts(), Utf8Warning("Control.dat"));
}

} // namespace
} // namespace quilo
