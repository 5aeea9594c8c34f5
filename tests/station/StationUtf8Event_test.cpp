// An event whose files were saved as UTF-8: the station reads them right, warns once per
// file, writes its outputs in CP932 as for the CP932 event, and keeps the settings file's
// own encoding.
#include "station/Station.h"

#include "Clock.h"
#include "TestSupport.h"
#include "core/Cp932.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::FixedClock;
using test::ReadBytes;
using test::Strings;
using test::TempDir;
using test::WriteBytes;

const std::string kBom(kUtf8Bom);

std::string Crlf(const Strings& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

const Strings kCourse = {"**:男子エリート", "1:31", "2:32", "99:100"};
const Strings kStartList = {"12345,男子エリート,10:00:00,101,渡辺拓也,1,みちの会",
                            "12346,男子エリート,10:02:00,102,鈴木花子,2,東京OLクラブ"};
const Strings kFinishLog = {"1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,100,0:35:00"};

Strings Warned(const std::string& file) {
    return {History::kWarning, "　" + file + " は UTF-8 で書かれています（UTF-8 として読みました）",
            "　Quilo が書き込むファイルは CP932（Shift_JIS）です"};
}

TEST(Utf8Event, OutputsAsForTheCp932Event) {
    TempDir cp932, utf8, bom;
    test::WriteEventFiles(cp932, {.course = kCourse, .startList = kStartList, .finishLog = kFinishLog});
    test::WriteEventFiles(utf8, {.finishLog = kFinishLog});
    WriteBytes(utf8.File("Control.dat"), Crlf(kCourse));
    WriteBytes(utf8.File("Startlst.dat"), Crlf(kStartList));
    test::WriteEventFiles(bom, {.course = kCourse, .finishLog = kFinishLog});
    WriteBytes(bom.File("Startlst.dat"), kBom + Crlf(kStartList));

    struct Case {
        const TempDir* dir;
        Strings warned;
    };
    const Case cases[] = {{&cp932, {}}, {&utf8, {"Control.dat", "Startlst.dat"}}, {&bom, {"Startlst.dat"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dir->Path());
        Station st(c.dir->Path(), FixedClock(12, 0, 0));
        st.Startup();
        Strings history;
        for (const auto& line : st.OperationHistory().Texts())
            if (line == History::kWarning || line.find("UTF-8") != std::string::npos ||
                line.find("CP932") != std::string::npos)
                history.push_back(line);
        Strings want;
        for (const auto& f : c.warned)
            for (const auto& line : Warned(f)) want.push_back(line);
        EXPECT_EQ(history, want);
        EXPECT_EQ(st.Tables().Entry(0, 1).Name, "渡辺拓也");
        ASSERT_TRUE(st.WriteResults());
        ASSERT_TRUE(st.WriteNotReturned());
        ASSERT_TRUE(st.ReleaseSettings());
        for (const char* out : {"E_Result.txt", "E_NoRet.txt"})
            EXPECT_EQ(ReadBytes(c.dir->File(out)), ReadBytes(cp932.File(out))) << out;
    }
    EXPECT_NE(test::ReadCp932Lines(cp932.File("E_Result.txt"))[0].find("男子エリート"), std::string::npos);
}

TEST(Utf8Event, SettingsKeepTheirEncoding) {
    struct Case {
        std::string ini;
        std::string keptBefore; // the file's start after the release
        bool warned;
    };
    const Case cases[] = {
        {"EventName=春の大会\r\nTimeLimit=120\r\n", "EventName=春の大会\r\nTimeLimit=120\r\n", true},
        // The empty value is set by the start-up, so the file is rewritten whole.
        {kBom + "EventName=春の大会\r\nTimeLimit=\r\n", kBom + "EventName=春の大会\r\nTimeLimit=150\r\n", true},
        {Utf8ToCp932("EventName=春の大会\r\nTimeLimit=120\r\n"), Utf8ToCp932("EventName=春の大会\r\nTimeLimit=120\r\n"),
         false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        TempDir dir;
        WriteBytes(dir.File("Quilo.ini"), cases[i].ini);
        {
            Station st(dir.Path(), FixedClock(12, 0, 0));
            st.Startup();
            EXPECT_EQ(st.Settings().Item("EventName"), "春の大会");
            EXPECT_EQ(st.OperationHistory().Texts(), cases[i].warned ? Warned("Quilo.ini") : Strings{});
            ASSERT_TRUE(st.ReleaseSettings());
        }
        const std::string added =
            "SeisekiOutput=E_Result.txt\r\nMikikanOutput=E_NoRet.txt\r\nClassListFontSize=9\r\n"
            "HistoryListFontSize=9\r\nEntryListFontSize=9\r\n";
        EXPECT_EQ(ReadBytes(dir.File("Quilo.ini")), cases[i].keptBefore + added);
    }
}

} // namespace
} // namespace quilo
