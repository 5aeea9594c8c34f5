#include "results/IofXml.h"

#include "ExportChecks.h"
#include "ExportEvent.h"
#include "TestSupport.h"
#include "results/Evaluation.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string_view>

namespace quilo {
namespace {

using test::ExportEvent;
using test::FixedInfo;
using test::T;
using test::XmlByBib;

const Time kNow = T(12, 0);
const Time kLimit = Time::Minutes(150);

// ---- Status: one row per rule, in the order the rules are tried.

struct StatusRow {
    const char* rule;
    const char* status;
    const char* check;
    const char* manual;
    Time running;
    bool reference;
    Time start;
    const char* expected;
};

// Rows print and name their tests by their words, never by their bytes, so the test
// names stay the same from build to build: "out, start to come" is OutStartToCome.
void PrintTo(const StatusRow& row, std::ostream* os) { *os << row.rule; }

std::string CamelName(std::string_view words) {
    std::string name;
    bool up = true;
    for (const char c : words) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) name += static_cast<char>(up ? std::toupper(u) : u);
        if (c != '\'') up = !std::isalnum(u);
    }
    return name;
}

class IofStatusRules : public ::testing::TestWithParam<StatusRow> {};

TEST_P(IofStatusRules, FirstRuleThatHolds) {
    const StatusRow& row = GetParam();
    EntryRecord r;
    r.Status = row.status;
    r.CheckStatus = row.check;
    r.ManualStatus = row.manual;
    r.RunningTime = row.running;
    r.Reference = row.reference;
    r.StartTime = row.start;
    EXPECT_STREQ(IofStatus(r, kLimit, kNow), row.expected) << row.rule;
}

INSTANTIATE_TEST_SUITE_P(
    Table, IofStatusRules,
    ::testing::Values(StatusRow{"absent", "DNS", "", "DNS", {}, false, T(10, 0), "DidNotStart"},
                      StatusRow{"absent reference", "DNS", "", "DNS", {}, true, T(10, 0), "DidNotStart"},
                      StatusRow{"out, started before the clock", "", "", "", {}, false, T(11, 0), "Active"},
                      StatusRow{"out, starting at the clock", "", "", "", {}, false, T(12, 0), "Active"},
                      StatusRow{"out, start to come", "", "", "", {}, false, T(12, 0, 1), "Inactive"},
                      StatusRow{"provisional reference", "", "", "", T(0, 40), true, T(10, 0), "NotCompeting"},
                      StatusRow{"reference over the limit", "OK", "", "", T(2, 31), true, T(10, 0), "NotCompeting"},
                      StatusRow{"confirmed over the limit", "OK", "", "", T(2, 30, 1), false, T(10, 0), "OverTime"},
                      StatusRow{"provisional at the limit", "", "", "", T(2, 30, 0), false, T(10, 0), "OK"},
                      StatusRow{"confirmed", "OK", "", "", T(0, 40), false, T(10, 0), "OK"},
                      StatusRow{"missing controls", "P2", "P2", "", {}, false, T(10, 0), "MissingPunch"},
                      StatusRow{"last control missing", "DNF", "DNF", "", {}, false, T(10, 0), "MissingPunch"},
                      StatusRow{"DNF typed by the operator", "DNF", "", "DNF", {}, false, T(10, 0), "DidNotFinish"},
                      StatusRow{"DNF typed over the check's DNF", "DNF", "DNF", "DNF", {}, false, T(10, 0), "DidNotFinish"},
                      StatusRow{"no finish punch", "DNQ", "DNQ", "", {}, false, T(10, 0), "DidNotFinish"},
                      StatusRow{"operator code", "失格", "", "失格", {}, false, T(10, 0), "Disqualified"},
                      StatusRow{"lower-case p is another code", "p3", "", "p3", {}, false, T(10, 0), "Disqualified"}),
    [](const auto& row) { return CamelName(row.param.rule); });

// ---- The document.

struct IofXmlTest : ::testing::Test {
    ExportEvent e{"M21", "W21"};
    pugi::xml_document doc;
    std::string xml;

    IofXmlTest() {
        e.Course(0, {{31}, {32, 132}, {33}, {34}});
        e.Course(1, {{41}, {42}});
    }
    void Build(Time now = kNow) {
        for (int c = 0; c <= e.Tables().LastClassIndex; ++c) AssignClassPlaces(e.Tables(), c);
        xml = BuildIofResultList(TakeSnapshot(e.Tables(), FixedInfo(now)));
        ASSERT_TRUE(doc.load_string(xml.c_str())) << xml;
    }
    static std::vector<std::pair<std::string, std::string>> Splits(pugi::xml_node result) {
        std::vector<std::pair<std::string, std::string>> out;
        for (pugi::xml_node s : result.children("SplitTime"))
            out.emplace_back(s.child_value("ControlCode"),
                             s.attribute("status") ? std::string(s.attribute("status").value()) : s.child_value("Time"));
        return out;
    }
};

TEST_F(IofXmlTest, HeaderEventAndClasses) {
    e.Runner(0, T(10, 0), 101);
    Build();
    pugi::xml_node list = doc.child("ResultList");
    EXPECT_STREQ(list.attribute("xmlns").value(), "http://www.orienteering.org/datastandard/3.0");
    EXPECT_STREQ(list.attribute("iofVersion").value(), "3.0");
    EXPECT_STREQ(list.attribute("createTime").value(), "2024-05-12T12:00:00+09:00");
    EXPECT_STREQ(list.attribute("creator").value(), "Quilo 0.1");
    EXPECT_STREQ(list.child("Event").child_value("Name"), "テスト大会");
    EXPECT_STREQ(list.child("Event").child("StartTime").child_value("Date"), "2024-05-12");
    std::vector<std::string> classes;
    for (pugi::xml_node cr : list.children("ClassResult")) classes.push_back(cr.child("Class").child_value("Name"));
    EXPECT_EQ(classes, (std::vector<std::string>{"M21", "W21"})); // an empty class too
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
}

TEST_F(IofXmlTest, SplitsTakeThePunchedAlternativeAndMarkAMissingPosition) {
    const int a = e.Runner(0, T(10, 0), 101);
    const int b = e.Runner(0, T(10, 2), 102);
    const int c = e.Runner(0, T(10, 4), 103);
    e.Read(a, "31,0:05:00,132,0:10:00,34,0:20:00,100,0:25:00"); // 33 missing: P1
    e.Read(b, "31,0:06:00,32,0:11:00,33,0:15:00,34,0:21:00,100,0:26:00");
    Build();
    auto x = XmlByBib(doc);
    EXPECT_EQ(Splits(x[101].result), (std::vector<std::pair<std::string, std::string>>{
                                         {"31", "300"}, {"132", "600"}, {"33", "Missing"}, {"34", "1200"}}));
    EXPECT_FALSE(x[101].result.find_child_by_attribute("SplitTime", "status", "Missing").child("Time"));
    EXPECT_EQ(x[101].status, "MissingPunch");
    EXPECT_EQ(x[101].time, -1);
    EXPECT_STREQ(x[101].result.child_value("FinishTime"), "2024-05-12T10:25:00+09:00");
    EXPECT_EQ(Splits(x[102].result),
              (std::vector<std::pair<std::string, std::string>>{{"31", "360"}, {"32", "660"}, {"33", "900"}, {"34", "1260"}}));
    EXPECT_STREQ(x[102].result.child_value("ControlCard"), std::to_string(10000 + b).c_str());
    // A card never read has no splits.
    EXPECT_FALSE(x[103].result.child("SplitTime"));
    EXPECT_STREQ(x[103].result.child_value("ControlCard"), std::to_string(10000 + c).c_str());
}

// Position 3 of W21's course has no code in the course file: nobody gets a split for it,
// and the list stays valid.
TEST_F(IofXmlTest, APositionWithoutACodeHasNoSplit) {
    QUILO_REQUIRE_XMLLINT();
    e.Course(1, {{41}, {42}, {}, {44}});
    const int a = e.Runner(1, T(10, 0), 201);
    const int b = e.Runner(1, T(10, 2), 202);
    e.Read(a, "41,0:05:00,42,0:10:00,44,0:20:00,100,0:25:00");
    e.Read(b, "41,0:05:00,44,0:20:00,100,0:25:00");
    Build();
    auto x = XmlByBib(doc);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Splits(x[201].result), (Pairs{{"41", "300"}, {"42", "600"}, {"44", "1200"}}));
    EXPECT_EQ(Splits(x[202].result), (Pairs{{"41", "300"}, {"42", "Missing"}, {"44", "1200"}}));
    EXPECT_EQ(xml.find("<ControlCode>0</ControlCode>"), std::string::npos);
    test::TempDir dir;
    test::WriteBytes(dir.File("list.xml"), xml);
    EXPECT_EQ(test::SchemaErrors(dir.File("list.xml")), "");
}

TEST_F(IofXmlTest, TimesPlacesAndTimeBehind) {
    const int a = e.Runner(0, T(10, 0), 101);
    const int b = e.Runner(0, T(10, 2), 102);
    const int c = e.Runner(0, T(10, 4), 103);
    const int d = e.Runner(0, T(10, 6), 104);
    const int f = e.Runner(0, T(10, 8), 105);
    e.Read(a, "31,0:05:00,32,0:10:00,33,0:15:00,34,0:20:00,100,0:40:00");
    e.Read(b, "31,0:05:00,32,0:10:00,33,0:15:00,34,0:20:00,100,0:41:30");
    e.Rec(c).Status = "OK";
    e.Rec(c).RunningTime = T(0, 40); // ties with a
    e.Rec(d).Reference = true;
    e.Read(d, "31,0:05:00,32,0:10:00,33,0:15:00,34,0:20:00,100,0:30:00");
    e.Rec(f).Status = "OK";
    e.Rec(f).RunningTime = T(2, 40);
    Build();
    auto x = XmlByBib(doc);
    EXPECT_EQ(x[101].position, 1);
    EXPECT_EQ(x[103].position, 1);
    EXPECT_EQ(x[102].position, 3);
    EXPECT_EQ(x[102].time, 2490);
    EXPECT_EQ(x[102].behind, 90);
    EXPECT_EQ(x[101].behind, 0);
    // The reference runner is faster but not the leader; it keeps its time only.
    EXPECT_EQ(x[104].status, "NotCompeting");
    EXPECT_EQ(x[104].time, 1800);
    EXPECT_EQ(x[104].position, -1);
    EXPECT_EQ(x[104].behind, -1);
    // Over the limit: the time, no place, nothing behind.
    EXPECT_EQ(x[105].status, "OverTime");
    EXPECT_EQ(x[105].time, 9600);
    EXPECT_EQ(x[105].position, -1);
    EXPECT_EQ(x[105].behind, -1);
    // The schema's order inside Result.
    std::vector<std::string> names;
    for (pugi::xml_node n : x[102].result.children()) names.push_back(n.name());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"BibNumber", "StartTime", "FinishTime", "Time", "TimeBehind", "Position",
                                               "Status", "SplitTime", "ControlCard"}));
}

TEST_F(IofXmlTest, FinishTimeOnlyFromTheCardsOwnTime) {
    const int a = e.Runner(0, T(10, 0), 101);
    const int b = e.Runner(0, T(10, 0), 102);
    const int c = e.Runner(0, T(10, 0), 103);
    const int d = e.Runner(0, T(23, 50), 104);
    const std::string full = "31,0:05:00,32,0:10:00,33,0:15:00,34,0:20:00,100,0:40:00";
    e.Rec(a).LateAddition = Time::Minutes(2);
    e.Read(a, full);
    e.Rec(b).ManualTime = T(0, 45);
    e.Read(b, full);
    e.Read(c, "31,0:05:00,32,0:10:00"); // no finish punch: DNQ
    e.Read(d, full);                    // past midnight: the next day
    Build();
    auto x = XmlByBib(doc);
    EXPECT_FALSE(x[101].result.child("FinishTime"));
    EXPECT_EQ(x[101].time, 2520);
    EXPECT_FALSE(x[102].result.child("FinishTime"));
    EXPECT_EQ(x[102].time, 2700);
    EXPECT_FALSE(x[103].result.child("FinishTime"));
    EXPECT_EQ(x[103].status, "DidNotFinish");
    EXPECT_STREQ(x[104].result.child_value("FinishTime"), "2024-05-13T00:30:00+09:00");
}

TEST_F(IofXmlTest, ListIsCompleteOnlyWhenNobodyIsOutOrProvisional) {
    const int a = e.Runner(0, T(10, 0), 101);
    const int b = e.Runner(1, T(13, 0), 201); // still to start
    e.Rec(a).Status = "OK";
    e.Rec(a).RunningTime = T(0, 40);
    Build();
    EXPECT_STREQ(doc.child("ResultList").attribute("status").value(), "Snapshot");
    EXPECT_EQ(XmlByBib(doc)[201].status, "Inactive");
    e.Rec(b).RunningTime = T(0, 50); // back, not yet confirmed
    Build();
    EXPECT_STREQ(doc.child("ResultList").attribute("status").value(), "Snapshot");
    e.Rec(b).Status = "DNS";
    Build();
    EXPECT_STREQ(doc.child("ResultList").attribute("status").value(), "Complete");
    // Competitors the start list could not give may be missing.
    ExportInfo info = FixedInfo();
    info.startListIncomplete = true;
    ASSERT_TRUE(doc.load_string(BuildIofResultList(TakeSnapshot(e.Tables(), info)).c_str()));
    EXPECT_STREQ(doc.child("ResultList").attribute("status").value(), "Snapshot");
}

TEST_F(IofXmlTest, TextsAreEscapedAndControlCharactersLeftOut) {
    e->ClassNames[1] = "W<21>&\"A\"";
    e.Runner(0, T(10, 0), 101, "O'Neil <&> \"Bo\"\x01", "Club & <Co>\x1f\t");
    e.Runner(1, T(10, 0), 201, "X", "");
    Build();
    EXPECT_EQ(xml.find('\x01'), std::string::npos);
    EXPECT_EQ(xml.find('\x1f'), std::string::npos);
    EXPECT_EQ(xml.find("<&>"), std::string::npos);
    auto x = XmlByBib(doc);
    EXPECT_EQ(x[101].family, "O'Neil");
    EXPECT_EQ(x[101].given, "<&> \"Bo\"");
    EXPECT_EQ(x[101].club, "Club & <Co>\t");
    EXPECT_EQ(x[201].cls, "W<21>&\"A\"");
    // No club: no Organisation.
    EXPECT_FALSE(x[201].result.parent().child("Organisation"));
}

struct NameRow {
    const char* label;
    const char* name;
    const char* family;
    const char* given;
};

void PrintTo(const NameRow& row, std::ostream* os) { *os << row.label; }

class IofNameSplit : public ::testing::TestWithParam<NameRow> {};

TEST_P(IofNameSplit, AtTheFirstBlank) {
    const NameRow& row = GetParam();
    ExportEvent e{"M21"};
    e.Runner(0, T(10, 0), 101, row.name);
    pugi::xml_document doc;
    const std::string xml = BuildIofResultList(TakeSnapshot(e.Tables(), FixedInfo()));
    ASSERT_TRUE(doc.load_string(xml.c_str()));
    auto x = XmlByBib(doc);
    EXPECT_EQ(x[101].family, row.family);
    EXPECT_EQ(x[101].given, row.given);
    // The schema wants Given even when there is none.
    EXPECT_TRUE(x[101].result.parent().child("Person").child("Name").child("Given"));
}

INSTANTIATE_TEST_SUITE_P(Table, IofNameSplit,
                         ::testing::Values(NameRow{"FullWidthBlank", "山田　太郎", "山田", "太郎"},
                                           NameRow{"HalfWidthBlank", "山田 太郎", "山田", "太郎"},
                                           NameRow{"LatinLetters", "Anna Berg", "Anna", "Berg"},
                                           NameRow{"BlankInTheGivenName", "Mary Ann　Lee", "Mary", "Ann　Lee"},
                                           NameRow{"BlanksOfBothWidths", "田中　 花子", "田中", "花子"},
                                           NameRow{"OneName", "単名", "単名", ""},
                                           NameRow{"LeadingBlank", "　先頭", "先頭", ""}),
                         [](const auto& row) { return std::string(row.param.label); });

TEST_F(IofXmlTest, GeneratedEventWithEveryStatusIsValid) {
    QUILO_REQUIRE_XMLLINT();
    const std::string full = "31,0:05:00,132,0:10:00,33,0:15:00,34,0:20:00,100,0:40:00";
    int bib = 100;
    auto runner = [&](int c, Time start, const char* name = "山田　太郎", const char* club = "東京OLC") {
        return e.Runner(c, start, ++bib, name, club);
    };
    e.Read(runner(0, T(10, 0)), full);
    e.Read(runner(0, T(10, 1), "O'Neil <&>\x02", ""), "31,0:05:00,34,0:20:00,100,0:40:00"); // P1
    e.Read(runner(0, T(10, 2)), "31,0:05:00,132,0:10:00,33,0:15:00,100,0:40:00");           // DNF
    e.Read(runner(0, T(10, 3)), "31,0:05:00");                                              // DNQ
    e.Rec(runner(0, T(10, 4))).Status = "DNS";
    runner(0, T(11, 0)); // out
    runner(0, T(13, 0)); // to come
    const int ref = runner(0, T(10, 5));
    e.Rec(ref).Reference = true;
    e.Read(ref, full);
    e.Rec(runner(0, T(10, 6))).RunningTime = T(2, 45);
    e.Rec(runner(1, T(10, 0), "単名", "Club & Co")).Status = "失格";
    e.Rec(runner(1, T(10, 0))).ManualStatus = "DNF";
    Build();
    test::TempDir dir;
    test::WriteBytes(dir.File("list.xml"), xml);
    EXPECT_EQ(test::SchemaErrors(dir.File("list.xml")), "");
}

} // namespace
} // namespace quilo
