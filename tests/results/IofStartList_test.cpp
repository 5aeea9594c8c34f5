#include "results/IofStartList.h"

#include "ExportChecks.h"
#include "ExportEvent.h"
#include "TestSupport.h"
#include "results/Evaluation.h"
#include "results/IofXml.h"

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

// The ids an import kept go into both lists: by bib while the bibs are unique, else by
// the start list's card, which a spare card assigned later does not change.
TEST(IofStartList, IdsFromTheImportInBothLists) {
    QUILO_REQUIRE_XMLLINT();
    test::ExportEvent e{"M21"};
    e.Course(0, {{31}});
    const int a = e.Runner(0, T(10, 0), 101, "山田 太郎", "東京OLC");
    const int b = e.Runner(0, T(10, 2), 102, "鈴木 花子", "大阪OLC");
    e.Read(a, "31,0:05:00,100,0:10:00");
    e.Rec(b).EcardNumber = 90001; // runs on a spare card now
    Identity yamada{{{"FED", "JPN-1"}, {"", "7"}},
                    "山田",
                    "太郎",
                    "11",
                    "東京オリエンテーリングクラブ",
                    "東京OLC",
                    "JPN",
                    "Japan",
                    "C1",
                    "M21",
                    "M-E",
                    101,
                    "10000"};
    Identity suzuki{{{"FED", "JPN-2"}}, "鈴木", "花子", "", "", "", "", "", "", "M21", "", 102, "10001"};
    for (bool uniqueBibs : {true, false}) {
        if (!uniqueBibs) yamada.bib = suzuki.bib = 5; // bibs no key: the cards are
        ExportInfo info = test::FixedInfo();
        info.identities = std::make_shared<const Identities>(std::vector<Identity>{yamada, suzuki});
        AssignClassPlaces(e.Tables(), 0);
        const ResultsSnapshot snap = TakeSnapshot(e.Tables(), info);
        test::TempDir dir;
        for (const auto& [name, xml] :
             {std::pair{"results.xml", BuildIofResultList(snap)}, {"start.xml", BuildIofStartList(snap)}}) {
            test::WriteBytes(dir.File(name), xml);
            EXPECT_EQ(test::SchemaErrors(dir.File(name)), "") << name;
            pugi::xml_document doc;
            ASSERT_TRUE(doc.load_string(xml.c_str()));
            const pugi::xml_node group = doc.first_child().child("Event").next_sibling();
            const pugi::xml_node cls = group.child("Class");
            EXPECT_STREQ(cls.child_value("Id"), "C1") << name;
            EXPECT_STREQ(cls.child_value("ShortName"), "M-E") << name;
            std::vector<std::string> people;
            for (pugi::xml_node p = cls.next_sibling(); p; p = p.next_sibling()) {
                std::string row;
                for (pugi::xml_node id : p.child("Person").children("Id"))
                    row += std::string(id.attribute("type").value()) + "=" + id.child_value() + " ";
                const pugi::xml_node org = p.child("Organisation");
                row += std::string(org.child_value("Id")) + "|" + org.child_value("Name") + "|" +
                       org.child_value("ShortName") + "|" + org.child("Country").attribute("code").value();
                people.push_back(row);
            }
            EXPECT_EQ(people, (std::vector<std::string>{"FED=JPN-1 =7 11|東京OLC|東京OLC|JPN", "FED=JPN-2 |大阪OLC||"}))
                << name << " unique bibs " << uniqueBibs;
        }
    }
}

} // namespace
} // namespace quilo
