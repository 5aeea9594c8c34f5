#include "results/IofStartList.h"

#include "ExportChecks.h"
#include "ExportEvent.h"
#include "TestSupport.h"
#include "results/Evaluation.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace quilo {
namespace {

using test::T;

// Every competitor in start order, finished, absent or still out; the card they run on
// now; a valid document.
TEST(IofStartList, EveryCompetitorInStartOrderOnTheirCardNow) {
    QUILO_REQUIRE_XMLLINT();
    test::ExportEvent e{"M21", "W21"};
    e.Course(0, {{31}});
    const int late = e.Runner(0, T(10, 4), 103, "遅い 三郎", "東京OLC");
    const int early = e.Runner(0, T(10, 0), 101, "早川 一郎", "");
    const int absent = e.Runner(0, T(10, 2), 102, "欠席\x01者");
    e.Runner(1, T(11, 0), 201);
    e.Read(late, "31,0:05:00,100,0:10:00");
    e.Read(early, "31,0:09:00,100,0:20:00");
    e.Rec(absent).Status = "DNS";
    // A spare card assigned: the competitor runs on it now.
    e.Rec(early).EcardNumber = 90001;
    AssignClassPlaces(e.Tables(), 0);
    const std::string xml = BuildIofStartList(TakeSnapshot(e.Tables(), test::FixedInfo()));

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(xml.c_str())) << xml;
    const pugi::xml_node list = doc.child("StartList");
    EXPECT_STREQ(list.child("Event").child_value("Name"), "テスト大会");
    std::vector<std::string> rows;
    for (pugi::xml_node cls : list.children("ClassStart"))
        for (pugi::xml_node ps : cls.children("PersonStart")) {
            const pugi::xml_node start = ps.child("Start");
            rows.push_back(std::string(cls.child("Class").child_value("Name")) + " " + start.child_value("BibNumber") + " " +
                           start.child_value("StartTime") + " " + start.child_value("ControlCard") + " " +
                           ps.child("Person").child("Name").child_value("Family") + " " +
                           ps.child("Organisation").child_value("Name"));
        }
    EXPECT_EQ(rows, (std::vector<std::string>{"M21 101 2024-05-12T10:00:00+09:00 90001 早川 ",
                                              "M21 102 2024-05-12T10:02:00+09:00 10002 欠席者 C",
                                              "M21 103 2024-05-12T10:04:00+09:00 10000 遅い 東京OLC",
                                              "W21 201 2024-05-12T11:00:00+09:00 10003 N C"}));
    test::TempDir dir;
    test::WriteBytes(dir.File("start.xml"), xml);
    EXPECT_EQ(test::SchemaErrors(dir.File("start.xml")), "");
}

} // namespace
} // namespace quilo
