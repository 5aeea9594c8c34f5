#include "core/Cp932.h"
#include "core/Event.h"
#include "core/Files.h"
#include "core/History.h"
#include "core/IniFile.h"

#include "Clock.h"
#include "TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

namespace quilo {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::vector<std::string> AllLines(const std::string& path) {
    std::vector<std::string> lines;
    LineReader r(path);
    std::string_view l;
    while (r.Next(l)) lines.emplace_back(l);
    return lines;
}

TEST(Cp932, RoundTripAndInvalidBytes) {
    std::string text = "山田太郎,ｱｲｳ,①,ABC";
    std::string bytes = Utf8ToCp932(text);
    EXPECT_EQ(bytes.size(), 8u + 1 + 3 + 1 + 2 + 1 + 3);
    EXPECT_EQ(Cp932ToUtf8(bytes), text);
    // An invalid lead byte never swallows the separator behind it.
    EXPECT_EQ(Cp932ToUtf8(std::string("\x81,a", 3)), "\xEF\xBF\xBD,a");
    EXPECT_EQ(Cp932ToUtf8(std::string("\xFF", 1)), "\xEF\xBF\xBD");
    EXPECT_EQ(Cp932ToUtf8(std::string("a\x82", 2)), "a\xEF\xBF\xBD"); // cut after a lead byte
    EXPECT_EQ(Utf8ToCp932("😀x"), "?x");
}

TEST(LineReader, AcceptsEveryLineEnd) {
    TempDir dir;
    WriteBytes(dir.File("a"), "one\r\ntwo\nthree\rfour");
    EXPECT_EQ(AllLines(dir.File("a")), (std::vector<std::string>{"one", "two", "three", "four"}));
    WriteBytes(dir.File("b"), "\r\n\r\nx\r\n");
    EXPECT_EQ(AllLines(dir.File("b")), (std::vector<std::string>{"", "", "x"}));
    WriteBytes(dir.File("c"), "");
    EXPECT_TRUE(AllLines(dir.File("c")).empty());
    EXPECT_FALSE(LineReader(dir.File("none")).IsOpen());
    EXPECT_FALSE(LineReader(dir.Path()).IsOpen());
}

TEST(LineReader, LongLinesAndCrLfAcrossTheBuffer) {
    TempDir dir;
    std::string big(1 << 20, 'x');
    // Put a CR LF exactly across the 64 KiB read boundary.
    std::string edge(64 * 1024 - 1, 'y');
    WriteBytes(dir.File("a"), big + "\r\n" + edge + "\r\nend");
    auto lines = AllLines(dir.File("a"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], big);
    EXPECT_EQ(lines[1], edge);
    EXPECT_EQ(lines[2], "end");
}

TEST(AppendLineDurable, CreatesAndNeverGluesOntoAnOpenLastLine) {
    TempDir dir;
    std::string f = dir.File("Change.dat");
    ASSERT_TRUE(AppendLineDurable(f, "欠席/123"));
    EXPECT_EQ(ReadBytes(f), Utf8ToCp932("欠席/123") + "\r\n");
    WriteBytes(f, "a/1"); // a power cut left the last line open
    ASSERT_TRUE(AppendLineDurable(f, "b/2"));
    EXPECT_EQ(ReadBytes(f), "a/1\r\nb/2\r\n");
    const Result<> r = AppendLineDurable(dir.File("missing/Change.dat"), "x");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.Failure().path, dir.File("missing/Change.dat"));
    EXPECT_EQ(r.Failure().kind, Error::Kind::System);
    EXPECT_EQ(r.Failure().errnum, ENOENT);
}

TEST(ReplaceFile, WritesWholeOrLeavesThePreviousFile) {
    TempDir dir;
    std::string f = dir.File("out.txt");
    ASSERT_TRUE(ReplaceFile(f, {"◆◆ Ｍ２１", ""}));
    EXPECT_EQ(test::ReadCp932Lines(f), (std::vector<std::string>{"◆◆ Ｍ２１", ""}));
    ASSERT_TRUE(ReplaceFile(f, {"new"}));
    EXPECT_EQ(ReadBytes(f), "new\r\n");
    EXPECT_FALSE(ReplaceFile(dir.File("no/such/folder.txt"), {"x"}));
    EXPECT_FALSE(ReplaceFile(dir.Path(), {"x"})); // a folder where the file should be
    if (::geteuid() != 0) {
        ::chmod(dir.Path().c_str(), 0500);
        const Result<> r = ReplaceFile(f, {"lost"});
        ::chmod(dir.Path().c_str(), 0700);
        EXPECT_FALSE(r);
        EXPECT_EQ(ReadBytes(f), "new\r\n");
    }
}

TEST(IniFile, CreatesAppendsAndRewritesOnlyWhenDirty) {
    TempDir dir;
    std::string f = dir.File("Quilo.ini");
    {
        IniFile ini;
        ASSERT_TRUE(ini.SetFileName(f));
        EXPECT_TRUE(test::ReadBytes(f).empty()); // created empty
        ini.SetItem("TimeLimit", "150");
        ini.SetItem("  EntryListFontSize ", " 9 ");
        EXPECT_FALSE(ini.Dirty());
        EXPECT_EQ(ReadBytes(f), "TimeLimit=150\r\nEntryListFontSize=9\r\n");
        for (const std::string& again : {f, std::string("other")}) {
            const Result<> r = ini.SetFileName(again);
            ASSERT_FALSE(r);
            EXPECT_EQ(r.Failure().kind, Error::Kind::SettingsNamedTwice);
        }
        EXPECT_EQ(ini.FileName(), f);
    }
    EXPECT_EQ(ReadBytes(f), "TimeLimit=150\r\nEntryListFontSize=9\r\n"); // nothing more at release
}

TEST(IniFile, ParsesTrimsAndKeepsFirstSpelling) {
    TempDir dir;
    std::string f = dir.File("Quilo.ini");
    WriteBytes(f, "  TimeLimit = 120 \r\nSeisekiOutput=/a=b/E.txt\r\nno equals\r\n\r\ntimelimit=7\r\nClassListFontSize=");
    IniFile ini;
    ASSERT_TRUE(ini.SetFileName(f));
    EXPECT_EQ(ini.Item("timelimit"), "120"); // first occurrence kept
    EXPECT_EQ(ini.Item("SeisekiOutput"), "/a=b/E.txt");
    EXPECT_EQ(ini.Item("ClassListFontSize"), "");
    EXPECT_EQ(ini.Item("Missing"), "");
    ini.SetItem("CLASSLISTFONTSIZE", "9");
    EXPECT_TRUE(ini.Dirty());
    ini.SetItem("NewKey", "x"); // appended at once, the end of the file ended first
    EXPECT_EQ(ReadBytes(f),
              "  TimeLimit = 120 \r\nSeisekiOutput=/a=b/E.txt\r\nno "
              "equals\r\n\r\ntimelimit=7\r\nClassListFontSize=\r\nNewKey=x\r\n");
    ASSERT_TRUE(ini.Save());
    EXPECT_FALSE(ini.Dirty());
    EXPECT_EQ(ReadBytes(f), "TimeLimit=120\r\nSeisekiOutput=/a=b/E.txt\r\nClassListFontSize=9\r\nNewKey=x\r\n");
}

TEST(CardIndexAndHistory, Basics) {
    CardIndex idx;
    EXPECT_TRUE(idx.Add("ab12", 0));
    EXPECT_FALSE(idx.Add("AB12", 1));
    EXPECT_EQ(idx.Find("Ab12"), 0);
    EXPECT_FALSE(idx.Find("00812"));
    EXPECT_TRUE(idx.Remove("AB12"));
    EXPECT_EQ(idx.Count(), 0);

    History h(test::FixedClock(9, 5, 0));
    for (int i = 0; i < 8; ++i) h.Report(" (読込)x");
    h.Report(" (読込)ゴールデータ", 0, false);
    h.Warning({"  　スタートリストにないＥカードがあります"});
    // The keep-visible step follows each report, and a warning's last line only.
    std::string steps;
    for (const HistoryLine& line : h.Lines()) steps += line.keepVisible ? '+' : '-';
    EXPECT_EQ(steps, "++++++++--+");
    EXPECT_EQ(h.Lines()[0].text, "09:05 (読込)x");
    EXPECT_EQ(h.Lines()[9].text, "【警告】*******************");
}

} // namespace
} // namespace quilo
