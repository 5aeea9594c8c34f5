#include "results/HtmlResults.h"

#include "ExportEvent.h"
#include "results/Evaluation.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace quilo {
namespace {

using test::ExportEvent;
using test::FixedInfo;
using test::T;

struct HtmlRow {
    std::string bib, place, name, club, time, behind, start, status;
};

// The competitor rows of a page, in page order. One still to start has its start time
// across the time and behind columns.
std::vector<HtmlRow> Rows(const std::string& html) {
    static const std::regex row(
        "<tr class=\"r[^\"]*\" data-bib=\"([^\"]*)\"><td class=\"pl\">([^<]*)</td><td class=\"bib\">[^<]*</td>"
        "<td class=\"nm\">([^<]*)<span class=\"cl\">([^<]*)</span></td>"
        "(?:<td class=\"tm\">([^<]*)</td><td class=\"bh\">([^<]*)</td>|<td class=\"tm ts\" colspan=\"2\">([^<]*)</td>)"
        "<td class=\"st\">([^<]*)</td></tr>");
    std::vector<HtmlRow> out;
    for (std::sregex_iterator it(html.begin(), html.end(), row), end; it != end; ++it)
        out.push_back({(*it)[1], (*it)[2], (*it)[3], (*it)[4], (*it)[5], (*it)[6], (*it)[7], (*it)[8]});
    return out;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The split rows folded under the competitor with the given bib: (position, code, leg, elapsed).
std::vector<std::vector<std::string>> SplitRows(const std::string& html, const std::string& bib) {
    const auto at = html.find("data-bib=\"" + bib + "\"");
    const auto end = html.find("</details>", at);
    if (at == std::string::npos || end == std::string::npos) return {};
    const std::string part = html.substr(at, end - at);
    if (part.find("<details id=") == std::string::npos) return {};
    static const std::regex split("<tr><td>([^<]*)</td><td>([^<]*)</td><td>([^<]*)</td><td[^>]*>([^<]*)</td></tr>");
    std::vector<std::vector<std::string>> out;
    for (std::sregex_iterator it(part.begin(), part.end(), split), e; it != e; ++it)
        out.push_back({(*it)[1], (*it)[2], (*it)[3], (*it)[4]});
    return out;
}

struct HtmlResultsTest : ::testing::Test {
    ExportEvent e{"M21", "W21"};
    std::string html;

    HtmlResultsTest() {
        e.Course(0, {{31}, {32, 132}, {33}});
        e.Course(1, {{41}});
    }
    void Build() {
        for (int c = 0; c <= e.Tables().LastClassIndex; ++c) AssignClassPlaces(e.Tables(), c);
        html = BuildHtmlResults(TakeSnapshot(e.Tables(), FixedInfo()));
    }
};

TEST_F(HtmlResultsTest, SelfContainedPage) {
    e.Runner(0, T(10, 0), 101);
    Build();
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(html.find("<meta name=\"viewport\""), std::string::npos);
    EXPECT_NE(html.find("@media print"), std::string::npos);
    for (const char* outside : {"src=", "<link", "http://", "https://", "url(", "fetch(", "XMLHttpRequest"})
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    EXPECT_NE(html.find("<h1>テスト大会</h1>"), std::string::npos);
}

// The page reloads itself only while the list may still change; the script that keeps
// the open splits and the scroll position across a reload is there either way, as the
// last reload brings the final page.
TEST_F(HtmlResultsTest, RefreshesUntilTheListIsComplete) {
    struct Case {
        const char* name;
        const char* secondStatus; // of the second runner; "" with a time is provisional
        Time secondTime;
        bool startListIncomplete;
        bool refreshes;
    };
    const Case cases[] = {
        {"all confirmed", "OK", T(0, 41), false, false},
        {"one absent, one coded", "DNS", Time(), false, false},
        {"one still out", "", Time(), false, true},
        {"one provisional", "", T(0, 41), false, true},
        {"start list not read whole", "OK", T(0, 41), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExportEvent ev{"M21"};
        ev.Course(0, {{31}});
        ev.Rec(ev.Runner(0, T(10, 0), 101)).Status = "MP";
        EntryRecord& second = ev.Rec(ev.Runner(0, T(10, 2), 102));
        second.Status = c.secondStatus;
        second.RunningTime = c.secondTime;
        AssignClassPlaces(ev.Tables(), 0);
        ExportInfo info = FixedInfo();
        info.startListIncomplete = c.startListIncomplete;
        const std::string page = BuildHtmlResults(TakeSnapshot(ev.Tables(), info));
        // Without script the meta refresh reloads; with it, the script does.
        EXPECT_EQ(Count(page, "<noscript><meta http-equiv=\"refresh\" content=\"30\"></noscript>"), c.refreshes ? 1u : 0u);
        EXPECT_EQ(Count(page, "http-equiv"), c.refreshes ? 1u : 0u);
        EXPECT_EQ(Count(page, "setTimeout(function(){location.reload()},30000);"), c.refreshes ? 1u : 0u);
        EXPECT_NE(page.find(c.refreshes ? " 更新 ・ 速報</p>" : " 更新 ・ 確定</p>"), std::string::npos);
        EXPECT_EQ(Count(page, "<script>"), 1u);
        EXPECT_EQ(Count(page, "</script>"), 1u);
        for (const char* part : {"sessionStorage", "details[open]", "scrollY", "\"pagehide\""})
            EXPECT_NE(page.find(part), std::string::npos) << part;
    }
}

// One still to start (after the export's clock, no result) shows the start time in
// place of a time and no status; one whose start has passed is still out.
TEST_F(HtmlResultsTest, StillToStartShowsTheStartTime) {
    struct Case {
        Time start;
        const char* status; // typed by the operator, or none
        Time running;
        const char *time, *startText, *statusText;
    };
    const Case cases[] = {
        {T(12, 36), "", Time(), "", "12:36 スタート", ""},
        {T(12, 36, 30), "", Time(), "", "12:36:30 スタート", ""},
        {T(12, 0, 1), "", Time(), "", "12:00:01 スタート", ""},
        {T(12, 0), "", Time(), "", "", "未帰還"},
        {T(11, 0), "", Time(), "", "", "未帰還"},
        {T(12, 36), "DNS", Time(), "", "", "欠席"},
        {T(12, 36), "", T(0, 40), "0:40:00", "", ""},
    };
    for (const Case& c : cases) {
        ExportEvent ev{"M21"};
        ev.Course(0, {{31}});
        EntryRecord& r = ev.Rec(ev.Runner(0, c.start, 101));
        r.Status = c.status;
        r.RunningTime = c.running;
        AssignClassPlaces(ev.Tables(), 0);
        const std::vector<HtmlRow> rows = Rows(BuildHtmlResults(TakeSnapshot(ev.Tables(), FixedInfo(T(12, 0)))));
        ASSERT_EQ(rows.size(), 1u);
        SCOPED_TRACE(FormatHhNnSs(c.start) + " " + c.status);
        EXPECT_EQ(rows[0].time, c.time);
        EXPECT_EQ(rows[0].start, c.startText);
        EXPECT_EQ(rows[0].status, c.statusText);
    }
}

// On a phone a class whose status column would stay empty folds it away; the table says
// which classes those are.
TEST_F(HtmlResultsTest, ClassWithoutAnyStatusMarkedForTheNarrowPage) {
    const int a = e.Runner(0, T(10, 0), 101);
    e.Runner(0, T(12, 30), 102); // still to start: no status
    e.Rec(a).Status = "OK";
    e.Rec(a).RunningTime = T(0, 40);
    const int b = e.Runner(1, T(10, 0), 201);
    e.Runner(1, T(10, 2), 202); // still out
    e.Rec(b).Status = "OK";
    e.Rec(b).RunningTime = T(0, 40);
    Build();
    const auto m21 = html.find("<section id=\"c1\">"), w21 = html.find("<section id=\"c2\">");
    ASSERT_NE(w21, std::string::npos);
    EXPECT_NE(html.substr(m21, w21 - m21).find("<table class=\"nost\">"), std::string::npos);
    EXPECT_EQ(html.substr(w21).find("class=\"nost\""), std::string::npos);
    EXPECT_NE(html.find("@media (max-width:480px){"), std::string::npos);
    EXPECT_NE(html.find("table.nost .st{display:none}"), std::string::npos);
}

// Printed, a class repeats its name on every page it runs onto (a heading row in the
// table's head), each competitor keeps to one line and the splits are left out.
TEST_F(HtmlResultsTest, PrintRulesRepeatTheClassAndKeepACompetitorToOneLine) {
    e.Runner(0, T(10, 0), 101);
    e.Runner(1, T(10, 0), 201);
    Build();
    const auto at = html.find("@media print{");
    ASSERT_NE(at, std::string::npos);
    const std::string print = html.substr(at, html.find("</style>", at) - at);
    for (const char* rule : {"nav,h2,tr.sp{display:none}", "tr.ch{display:table-row}", "tr.r{break-inside:avoid}",
                             "td.nm{width:100%;max-width:0;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}",
                             "td.nm .cl{display:inline;"})
        EXPECT_NE(print.find(rule), std::string::npos) << rule;
    for (const char* forced : {"break-before:page", "break-after:page", "page-break-before:always", "page-break-after:always"})
        EXPECT_EQ(html.find(forced), std::string::npos) << forced;
    EXPECT_NE(html.find("tr.ch{display:none}"), std::string::npos);
    EXPECT_NE(html.find("<thead><tr class=\"ch\"><th colspan=\"6\">M21 <small>1名</small></th></tr>"), std::string::npos);
    EXPECT_NE(html.find("<thead><tr class=\"ch\"><th colspan=\"6\">W21 <small>1名</small></th></tr>"), std::string::npos);
}

TEST_F(HtmlResultsTest, RowsInResultOrderWithStatusesAndStillOutLast) {
    const int a = e.Runner(0, T(10, 0), 101, "山田　太郎", "東京OLC");
    const int b = e.Runner(0, T(10, 2), 102);
    const int c = e.Runner(0, T(10, 4), 103);
    const int d = e.Runner(0, T(10, 6), 104);
    const int f = e.Runner(0, T(10, 8), 105);
    const int g = e.Runner(0, T(10, 10), 106);
    const int h = e.Runner(0, T(10, 12), 107);
    e.Runner(0, T(10, 14), 108); // still out
    e.Read(a, "31,0:05:00,32,0:10:00,33,0:15:00,100,0:40:00");
    e.Read(b, "31,0:05:00,32,0:10:00,33,0:15:00,100,0:41:30");
    e.Rec(c).Status = "DNS";
    e.Read(d, "31,0:05:00,33,0:15:00,100,0:30:00"); // P1
    e.Rec(f).Reference = true;
    e.Rec(f).RunningTime = T(0, 35);
    e.Rec(g).Status = "OK";
    e.Rec(g).RunningTime = T(2, 31); // over the limit
    e.Rec(h).Status = "失格";
    Build();
    const std::vector<HtmlRow> rows = Rows(html);
    std::vector<std::string> order, places, times, behind, statuses;
    for (const auto& r : rows) {
        order.push_back(r.bib);
        places.push_back(r.place);
        times.push_back(r.time);
        behind.push_back(r.behind);
        statuses.push_back(r.status);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"105", "101", "102", "106", "104", "103", "107", "108"}));
    EXPECT_EQ(places, (std::vector<std::string>{"参考", "1", "2", "", "", "", "", ""}));
    EXPECT_EQ(times, (std::vector<std::string>{"0:35:00", "0:40:00", "0:41:30", "2:31:00", "", "", "", ""}));
    EXPECT_EQ(behind, (std::vector<std::string>{"", "", "+1:30", "", "", "", "", ""}));
    EXPECT_EQ(statuses, (std::vector<std::string>{"参考", "", "", "時間超過", "P1", "欠席", "失格", "未帰還"}));
    EXPECT_EQ(rows[1].name, "山田　太郎");
    EXPECT_EQ(rows[1].club, "東京OLC");
}

TEST_F(HtmlResultsTest, SplitsMarkAMissingPositionAndLeaveTheNextLegBlank) {
    const int a = e.Runner(0, T(10, 0), 101);
    const int b = e.Runner(0, T(10, 0), 102);
    const int c = e.Runner(0, T(10, 0), 103);
    e.Read(a, "31,0:05:00,33,0:15:00,100,0:20:00");             // 32/132 missing
    e.Read(b, "31,0:05:00,132,0:09:30,33,0:15:00,100,1:05:10"); // the alternative
    e.Read(c, "31,0:05:00,32,0:09:30");                         // no finish, last missing
    e.Runner(0, T(10, 0), 104);                                 // never read
    Build();
    using Splits = std::vector<std::vector<std::string>>;
    EXPECT_EQ(SplitRows(html, "101"), (Splits{{"1", "31", "5:00", "5:00"},
                                              {"2", "32", "", "欠落"},
                                              {"3", "33", "", "15:00"},
                                              {"F", "フィニッシュ", "5:00", "20:00"}}));
    EXPECT_EQ(SplitRows(html, "102"), (Splits{{"1", "31", "5:00", "5:00"},
                                              {"2", "132", "4:30", "9:30"},
                                              {"3", "33", "5:30", "15:00"},
                                              {"F", "フィニッシュ", "50:10", "1:05:10"}}));
    EXPECT_EQ(SplitRows(html, "103"), (Splits{{"1", "31", "5:00", "5:00"},
                                              {"2", "32", "4:30", "9:30"},
                                              {"3", "33", "", "欠落"},
                                              {"F", "フィニッシュ", "", "欠落"}}));
    EXPECT_TRUE(SplitRows(html, "104").empty());
    // Each fold has its own id, by which the script opens it again after a reload.
    std::set<std::string> ids;
    static const std::regex id("<details id=\"(s\\d+)\">");
    for (std::sregex_iterator it(html.begin(), html.end(), id), end; it != end; ++it) ids.insert((*it)[1]);
    EXPECT_EQ(ids, (std::set<std::string>{"s" + std::to_string(a), "s" + std::to_string(b), "s" + std::to_string(c)}));
    EXPECT_NE(html.find("<td class=\"miss\">欠落</td>"), std::string::npos);
}

// A position the course file left without a code is left out of the splits; the leg
// after it runs from the position before it.
TEST_F(HtmlResultsTest, SplitsLeaveOutAPositionWithoutACode) {
    e.Course(1, {{41}, {}, {43}});
    const int a = e.Runner(1, T(10, 0), 201);
    const int b = e.Runner(1, T(10, 0), 202);
    e.Read(a, "41,0:05:00,43,0:12:00,100,0:20:00");
    e.Read(b, "43,0:12:00,100,0:20:00");
    Build();
    using Splits = std::vector<std::vector<std::string>>;
    EXPECT_EQ(SplitRows(html, "201"),
              (Splits{{"1", "41", "5:00", "5:00"}, {"3", "43", "7:00", "12:00"}, {"F", "フィニッシュ", "8:00", "20:00"}}));
    EXPECT_EQ(SplitRows(html, "202"),
              (Splits{{"1", "41", "", "欠落"}, {"3", "43", "", "12:00"}, {"F", "フィニッシュ", "8:00", "20:00"}}));
}

TEST_F(HtmlResultsTest, EveryTextFromAFileIsEscaped) {
    e->ClassNames[1] = "W<21>&\"A\"";
    e.Runner(0, T(10, 0), 101, "<script>alert('x')</script>\x01", "Club & \"Co\"\x1b");
    e.Runner(1, T(10, 0), 201);
    Build();
    EXPECT_EQ(html.find("<script>alert"), std::string::npos);
    EXPECT_EQ(Count(html, "<script>"), 1u);
    EXPECT_EQ(html.find('\x01'), std::string::npos);
    EXPECT_EQ(html.find('\x1b'), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(&apos;x&apos;)&lt;/script&gt;<span"), std::string::npos);
    EXPECT_NE(html.find("Club &amp; &quot;Co&quot;</span>"), std::string::npos);
    EXPECT_NE(html.find("<h2>W&lt;21&gt;&amp;&quot;A&quot; <small>"), std::string::npos);
    EXPECT_NE(html.find(">W&lt;21&gt;&amp;&quot;A&quot;</a>"), std::string::npos);
}

} // namespace
} // namespace quilo
