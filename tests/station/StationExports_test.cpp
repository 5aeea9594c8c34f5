// The result exports as the station writes them: beside the results file, agreeing with
// it, on the paths the settings name, and failing without harm.
#include "station/Messages.h"
#include "station/Station.h"

#include "Clock.h"
#include "ExportChecks.h"
#include "ReportRun.h"
#include "TestSupport.h"
#include "core/Cp932.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

namespace quilo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::Report;
using test::ReportRun;
using test::TempDir;
using test::WriteCp932;

const LocalDate kDay{2026, 12, 6, 540};

std::unique_ptr<Station> OpenStation(const TempDir& dir) {
    auto st = std::make_unique<Station>(dir.Path(), test::FixedClock(12, 0, 0));
    st->SetCalendar([] { return kDay; });
    st->Startup();
    return st;
}

void CopyDemo(const TempDir& dir) {
    for (const auto& f : fs::directory_iterator(std::string(QUILO_SOURCE_DIR) + "/examples/demo-event"))
        fs::copy_file(f.path(), dir.File(f.path().filename().string()));
}

void WriteSmallEvent(const TempDir& dir) {
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "99:100"},
                                .startList = {"12345,M21,10:00:00,101,山田　太郎,1,東京OLC"},
                                .finishLog = {"1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,100,0:35:00"}});
}

// One line of the results file, cut at its fixed columns (CP932 bytes).
struct FileLine {
    std::string place, timeOrCode;
};

std::string Trim(std::string s) {
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::map<int, FileLine> ResultsFileByBib(const std::string& path) {
    std::map<int, FileLine> out;
    std::stringstream in(ReadBytes(path));
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (raw.size() < 39 || raw.compare(6, 2, " (") != 0) continue;
        FileLine l{Trim(Cp932ToUtf8(raw.substr(2, 4))), Trim(Cp932ToUtf8(raw.substr(31, 8)))};
        out[std::stoi(raw.substr(8, 4))] = l;
    }
    return out;
}

// "h:nn'ss\"" and "h:mm:ss" as seconds; -1 for anything else.
long long Seconds(const std::string& text) {
    std::smatch m;
    static const std::regex form("(\\d+):(\\d\\d)[':](\\d\\d)\"?");
    if (!std::regex_match(text, m, form)) return -1;
    return std::stoll(m[1]) * 3600 + std::stoll(m[2]) * 60 + std::stoll(m[3]);
}

struct HtmlLine {
    std::string place, time, status;
};

std::map<int, HtmlLine> HtmlByBib(const std::string& html, int& rows) {
    static const std::regex row(
        "<tr class=\"r[^\"]*\" data-bib=\"(\\d+)\"><td class=\"pl\">([^<]*)</td>.*?"
        "<td class=\"tm[^\"]*\"[^>]*>([^<]*)</td>(?:<td class=\"bh\">[^<]*</td>)?<td class=\"st\">([^<]*)</td></tr>");
    std::map<int, HtmlLine> out;
    rows = 0;
    for (std::sregex_iterator it(html.begin(), html.end(), row), e; it != e; ++it, ++rows)
        out[std::stoi((*it)[1])] = {(*it)[2], (*it)[3], (*it)[4]};
    return out;
}

TEST(ResultExports, DemoEventAgreesAcrossTheThreeOutputs) {
    TempDir dir;
    CopyDemo(dir);
    auto st = OpenStation(dir);
    Station::ResultOutputs out = st->WriteResultOutputs();
    ASSERT_TRUE(out.results && out.xml && out.html) << ReasonText(out.xml) << ReasonText(out.html);
    EXPECT_EQ(out.xml.Value(), dir.File("E_Result.xml"));
    EXPECT_EQ(out.html.Value(), dir.File("E_Result.html"));

    if (test::HaveXmllint()) EXPECT_EQ(test::SchemaErrors(out.xml.Value()), "");
    else ADD_FAILURE() << "xmllint missing: run scripts/install-deps.sh";

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(out.xml.Value().c_str()));
    const auto xml = test::XmlByBib(doc);
    int htmlRows = 0;
    const auto html = HtmlByBib(ReadBytes(out.html.Value()), htmlRows);
    const auto file = ResultsFileByBib(out.results.Value());

    int competitors = 0;
    for (int c = 0; c <= st->Tables().LastClassIndex; ++c) competitors += st->Tables().ClassEntryCount[c];
    EXPECT_EQ(static_cast<int>(xml.size()), competitors);
    EXPECT_EQ(htmlRows, competitors);
    EXPECT_EQ(static_cast<int>(html.size()), competitors);
    ASSERT_GT(file.size(), 50u);

    std::set<std::string> seen;
    for (const auto& [bib, x] : xml) {
        SCOPED_TRACE("bib " + std::to_string(bib));
        ASSERT_TRUE(html.count(bib));
        const HtmlLine& h = html.at(bib);
        seen.insert(x.status);
        auto f = file.find(bib);
        if (f == file.end()) { // still out: not in the results file
            EXPECT_TRUE(x.status == "Active" || x.status == "Inactive") << x.status;
            EXPECT_EQ(h.status, x.status == "Active" ? "未帰還" : "");
            EXPECT_EQ(h.time.ends_with(" スタート"), x.status == "Inactive") << h.time;
            EXPECT_EQ(h.place, "");
            continue;
        }
        const FileLine& l = f->second;
        EXPECT_EQ(h.place, l.place);
        const long long seconds = Seconds(l.timeOrCode);
        if (seconds >= 0) {
            EXPECT_EQ(x.time, seconds);
            EXPECT_EQ(Seconds(h.time), seconds);
            if (l.place == "参考") {
                EXPECT_EQ(x.status, "NotCompeting");
                EXPECT_EQ(h.status, "参考");
            } else if (l.place.empty()) {
                EXPECT_EQ(x.status, "OverTime");
            } else {
                EXPECT_EQ(x.status, "OK");
                EXPECT_EQ(std::to_string(x.position), l.place);
                EXPECT_EQ(h.status, "");
            }
        } else {
            const std::string& code = l.timeOrCode;
            EXPECT_EQ(x.time, -1);
            EXPECT_EQ(x.position, -1);
            EXPECT_EQ(h.time, "");
            EXPECT_EQ(h.status, code == "DNS" ? "欠席" : code);
            if (code == "DNS") EXPECT_EQ(x.status, "DidNotStart");
            else if (code[0] == 'P') EXPECT_EQ(x.status, "MissingPunch");
            else if (code == "DNF") EXPECT_TRUE(x.status == "MissingPunch" || x.status == "DidNotFinish");
            else if (code == "DNQ") EXPECT_EQ(x.status, "DidNotFinish");
            else EXPECT_EQ(x.status, "Disqualified");
        }
    }
    // The demo event shows most of the statuses.
    for (const char* s : {"OK", "OverTime", "NotCompeting", "MissingPunch", "Disqualified", "DidNotStart", "Active"})
        EXPECT_TRUE(seen.count(s)) << s;
}

TEST(ResultExports, PathsAndEventDetailsFromTheSettingsWhichGainNoKeys) {
    TempDir dir;
    WriteSmallEvent(dir);
    fs::create_directory(dir.File("web"));
    WriteCp932(dir.File("Quilo.ini"),
               {"XmlOutput=web/list.xml", "HtmlOutput=", "EventName=春の大会 <B&C>", "EventDate=2027-04-29"});
    {
        auto st = OpenStation(dir);
        Station::ResultOutputs out = st->WriteResultOutputs();
        ASSERT_TRUE(out.results && out.xml && out.html);
        EXPECT_EQ(out.xml.Value(), dir.File("web/list.xml"));
        EXPECT_EQ(out.html.Value(), dir.File("E_Result.html"));
        ASSERT_TRUE(st->ReleaseSettings());
    }
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(dir.File("web/list.xml").c_str()));
    pugi::xml_node list = doc.child("ResultList");
    EXPECT_STREQ(list.child("Event").child_value("Name"), "春の大会 <B&C>");
    EXPECT_STREQ(list.child("Event").child("StartTime").child_value("Date"), "2027-04-29");
    EXPECT_STREQ(list.attribute("createTime").value(), "2026-12-06T12:00:00+09:00");
    EXPECT_STREQ(list.attribute("status").value(), "Complete");
    auto x = test::XmlByBib(doc);
    EXPECT_STREQ(x[101].result.child_value("StartTime"), "2027-04-29T10:00:00+09:00");
    EXPECT_EQ(x[101].family, "山田");
    EXPECT_EQ(x[101].given, "太郎");
    const std::string html = ReadBytes(dir.File("E_Result.html"));
    EXPECT_NE(html.find("<h1>春の大会 &lt;B&amp;C&gt;</h1>"), std::string::npos);

    // Without the keys: defaults in the event folder, the folder's name and today's date.
    TempDir other;
    WriteSmallEvent(other);
    {
        auto st = OpenStation(other);
        Station::ResultOutputs out = st->WriteResultOutputs();
        EXPECT_EQ(out.xml.Value(), other.File("E_Result.xml"));
        ASSERT_TRUE(st->ReleaseSettings());
    }
    ASSERT_TRUE(doc.load_file(other.File("E_Result.xml").c_str()));
    EXPECT_EQ(std::string(doc.child("ResultList").child("Event").child_value("Name")),
              fs::path(other.Path()).filename().string());
    EXPECT_STREQ(doc.child("ResultList").child("Event").child("StartTime").child_value("Date"), "2026-12-06");
    for (const std::string& line : test::ReadCp932Lines(other.File("Quilo.ini")))
        for (const char* key : {"XmlOutput", "HtmlOutput", "EventName", "EventDate"})
            EXPECT_EQ(line.find(key), std::string::npos) << line;
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Quilo.ini")).size(), 10u); // the four kept, six defaults added
}

// The day on every start and finish time: EventDate in either spelling, else the day of
// the finish log's first read, else today (the calendar's 2026-12-06). A value that is
// not a date is warned about once, at start-up.
TEST(ResultExports, EventDateFromTheSettingElseTheFirstReadElseToday) {
    const test::Strings dated = {"ヘッダ", "1,2026/12/05,11:00:20,0001,R,(12345),31,0:10:00,32,0:20:00,100,0:35:00",
                                 "2,2026/12/06,09:00:00,0001,R,(12345),31,0:10:00,32,0:20:00,100,0:35:00"};
    const test::Strings undated = {"1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,100,0:35:00"};
    const struct {
        const char* name;
        const char* setting; // null: no EventDate line
        test::Strings log;
        const char* date;
        bool warned;
    } cases[] = {
        {"first read", nullptr, dated, "2026-12-05", false},
        {"no dated read", nullptr, undated, "2026-12-06", false},
        {"no log", nullptr, {}, "2026-12-06", false},
        {"ISO setting", "2027-04-29", dated, "2027-04-29", false},
        {"slashed setting", " 2027/04/29 ", dated, "2027-04-29", false},
        {"blank setting", "  ", dated, "2026-12-05", false},
        {"not a date", "29.04.2027", dated, "2026-12-05", true},
        {"not a day", "2027/02/30", undated, "2026-12-06", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "99:100"},
                                    .startList = {"12345,M21,10:00:00,101,山田　太郎,1,東京OLC"},
                                    .finishLog = c.log});
        if (c.setting) WriteCp932(dir.File("Quilo.ini"), {std::string("EventDate=") + c.setting});
        auto st = OpenStation(dir);
        for (int i = 0; i < 2; ++i) ASSERT_TRUE(st->WriteResultOutputs().xml);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(dir.File("E_Result.xml").c_str()));
        EXPECT_STREQ(doc.child("ResultList").child("Event").child("StartTime").child_value("Date"), c.date);
        EXPECT_EQ(std::string(test::XmlByBib(doc)[101].result.child_value("StartTime")),
                  std::string(c.date) + "T10:00:00+09:00");
        EXPECT_STREQ(doc.child("ResultList").attribute("createTime").value(), "2026-12-06T12:00:00+09:00");
        EXPECT_NE(ReadBytes(dir.File("E_Result.html")).find(std::string("<p>") + c.date + " ・ "), std::string::npos);
        const test::Strings texts = st->OperationHistory().Texts();
        const std::string warning = std::string("　Quilo.ini: EventDate=") + (c.setting ? Trim(c.setting) : "") +
                                    " は日付ではないため使いません（YYYY-MM-DD または YYYY/MM/DD）";
        EXPECT_EQ(std::count(texts.begin(), texts.end(), warning), c.warned ? 1 : 0);
        if (c.warned) {
            EXPECT_EQ(texts[1], warning); // right after the settings, before the course file
        }
    }
}

// A start list not read whole leaves competitors out of every list: neither export may
// call itself final, and the page says why.
TEST(ResultExports, AStartListNotReadWholeIsNeverFinal) {
    const std::string row = "12345,M21,10:00:00,101,山田　太郎,1,東京OLC";
    const std::string banner = "スタートリストを全部は読み込めませんでした。この結果は確定ではありません。";
    const struct {
        const char* name;
        test::Strings startList;
        const char* status;
    } cases[] = {
        {"read whole", {"見出し", row}, "Complete"},
        {"undefined class first", {"12346,W21,10:02:00,102,鈴木,1,C", row}, "Snapshot"},
        {"a skipped row", {"x,M21,10:02:00,102,鈴木,1,C", row}, "Snapshot"},
        {"a card given twice", {row, "12345,M21,10:02:00,102,鈴木,1,C"}, "Snapshot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "99:100"},
                                    .startList = c.startList,
                                    .finishLog = {"1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,100,0:35:00"}});
        auto st = OpenStation(dir);
        const bool whole = std::string(c.status) == "Complete";
        EXPECT_EQ(st->StartListIncomplete(), !whole);
        Station::ResultOutputs out = st->WriteResultOutputs();
        ASSERT_TRUE(out.xml && out.html);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(out.xml.Value().c_str()));
        EXPECT_STREQ(doc.child("ResultList").attribute("status").value(), c.status);
        if (test::HaveXmllint()) {
            EXPECT_EQ(test::SchemaErrors(out.xml.Value()), "");
        } else {
            ADD_FAILURE() << "xmllint missing: run scripts/install-deps.sh";
        }
        const std::string html = ReadBytes(out.html.Value());
        EXPECT_EQ(html.find(banner) != std::string::npos, !whole);
        EXPECT_EQ(html.find(whole ? " 更新 ・ 確定</p>" : " 更新 ・ 速報</p>") != std::string::npos, true);
    }
}

TEST(ResultExports, AFailedWriteIsReportedAndThePreviousFileStays) {
    TempDir dir;
    WriteSmallEvent(dir);
    test::WriteBytes(dir.File("E_Result.xml"), "previous list");
    test::WriteBytes(dir.File("E_Result.html"), "previous page");
    // The temporary file cannot be made: the XML is not replaced.
    fs::create_directory(dir.File("E_Result.xml.quilo-tmp"));
    WriteCp932(dir.File("Quilo.ini"), {"HtmlOutput=" + dir.Path() + "/missing/page.html"});
    auto st = OpenStation(dir);
    Station::ResultOutputs out = st->WriteResultOutputs();
    EXPECT_TRUE(out.results);
    EXPECT_FALSE(out.xml);
    EXPECT_EQ(test::FailedPath(out.xml), dir.File("E_Result.xml"));
    EXPECT_FALSE(ReasonText(out.xml).empty());
    EXPECT_FALSE(out.html);
    EXPECT_EQ(test::FailedPath(out.html), dir.Path() + "/missing/page.html");
    EXPECT_EQ(ReasonText(out.html), "フォルダまたはファイルが見つかりません");
    EXPECT_EQ(ReadBytes(dir.File("E_Result.xml")), "previous list");
    EXPECT_EQ(ReadBytes(dir.File("E_Result.html")), "previous page");
    EXPECT_FALSE(fs::exists(dir.Path() + "/missing"));
}

TEST(ResultExports, ReportWritesBothQuietlyAndTakesPathsFromTheCommandLine) {
    TempDir dir;
    WriteSmallEvent(dir);
    ReportRun plain = Report({"--now", "12:00:00", dir.Path()});
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(plain.err, "");
    EXPECT_TRUE(fs::exists(dir.File("E_Result.xml")));
    EXPECT_TRUE(fs::exists(dir.File("E_Result.html")));

    TempDir target;
    ReportRun moved =
        Report({"--now", "12:00:00", "--xml", target.File("a.xml"), "--html", target.File("a.html"), dir.Path()});
    ASSERT_EQ(moved.code, 0) << moved.err;
    EXPECT_EQ(moved.out, plain.out); // standard output as without the exports
    EXPECT_NE(ReadBytes(target.File("a.xml")).find("<ResultList"), std::string::npos);
    EXPECT_NE(ReadBytes(target.File("a.html")).find("<!DOCTYPE html>"), std::string::npos);

    ReportRun failed = Report({"--now", "12:00:00", "--html", target.Path() + "/none/a.html", dir.Path()});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.err,
              "quilo-report: cannot write " + target.Path() + "/none/a.html: フォルダまたはファイルが見つかりません\n");
    EXPECT_EQ(failed.out, plain.out);
    EXPECT_EQ(Report({"--xml"}).code, 2);
}

// Entries.xml read at the start and at every reload: the ids go into both XML lists;
// taken away (or not an entry list), the lists are as they were without it.
TEST(StationIdentities, EntriesXmlReadAtStartAndReload) {
    TempDir dir;
    CopyDemo(dir);
    const std::string entries =
        "<EntryList xmlns=\"http://www.orienteering.org/datastandard/3.0\" iofVersion=\"3.0\"><Event><Name>E</Name></Event>"
        "<PersonEntry><Id type=\"BibNumber\">101</Id><Person><Id type=\"FED\">JPN-101</Id><Name><Family>F</Family>"
        "<Given/></Name></Person><Class><Id>C7</Id><Name>M21A</Name></Class></PersonEntry></EntryList>";
    auto written = [&](Station& st) {
        EXPECT_TRUE(st.WriteResultOutputs().startXml);
        return ReadBytes(dir.File("E_Result.xml")) + ReadBytes(dir.File("E_Start.xml"));
    };
    auto st = OpenStation(dir);
    const std::string without = written(*st);
    EXPECT_EQ(without.find("JPN-101"), std::string::npos);
    test::WriteBytes(dir.File("Entries.xml"), entries);
    st->Reload();
    const std::string with = written(*st);
    EXPECT_NE(with.find("<Id type=\"FED\">JPN-101</Id>"), std::string::npos);
    EXPECT_NE(with.find("<Id>C7</Id>"), std::string::npos);
    test::WriteBytes(dir.File("Entries.xml"), "<StartList/>");
    st = OpenStation(dir);
    EXPECT_EQ(written(*st).find("JPN-101"), std::string::npos);
}

// A reload that stops at an undefined class reads no log, yet refreshes the lists.
TEST(StationIdentities, AReloadThatStopsStillRefreshes) {
    TempDir dir;
    CopyDemo(dir);
    auto st = OpenStation(dir);
    const std::uint64_t reads = st->ReadSerial();
    test::WriteBytes(dir.File("Startlst.dat"), ReadBytes(dir.File("Startlst.dat")) + "12399,NOCLASS,10:00:00,1,X,0,Y\r\n");
    const std::uint64_t serial = st->Snapshot()->serial;
    st->Reload();
    EXPECT_TRUE(st->StartupStopped());
    EXPECT_EQ(st->ReadSerial(), reads);
    EXPECT_NE(st->Snapshot()->serial, serial);
}

} // namespace
} // namespace quilo
