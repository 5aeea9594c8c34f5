#include "results/Identities.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

std::string Entry(const std::string& bib, const std::string& card, const std::string& cls = "M21") {
    return "<PersonEntry>" + (bib.empty() ? std::string() : "<Id type=\"BibNumber\">" + bib + "</Id>") +
           "<Person><Id type=\"FED\">P" + card +
           "</Id><Name><Family>F</Family><Given>G</Given></Name></Person>"
           "<ControlCard>" +
           card + "</ControlCard><Class><Id>C-" + cls + "</Id><Name>" + cls + "</Name></Class></PersonEntry>";
}
std::string List(const std::string& entries) {
    return "<EntryList iofVersion=\"3.0\"><Event><Name>E</Name></Event>" + entries + "</EntryList>";
}

// Who a competitor is: by bib while every entry has its own, else by the start list's card.
TEST(Identities, MatchedByBibWhileUniqueElseByCard) {
    struct Case {
        const char* what;
        std::string xml;
        int bib;
        const char* card;
        const char* person; // the person id found, "" for none
    };
    const Case cases[] = {
        {"unique bibs: the bib", List(Entry("1", "10001") + Entry("2", "10002")), 2, "10001", "P10002"},
        {"unique bibs: an unknown bib is nobody", List(Entry("1", "10001")), 9, "10001", ""},
        {"a bib twice: the card", List(Entry("1", "10001") + Entry("1", "10002")), 1, "10002", "P10002"},
        {"a bib missing: the card", List(Entry("", "10001") + Entry("2", "10002")), 2, "10001", "P10001"},
        {"not XML: nobody", "<EntryList", 1, "10001", ""},
        {"another document: nobody", "<StartList iofVersion=\"3.0\"/>", 1, "10001", ""},
    };
    for (const Case& c : cases) {
        const Identities ids = ParseIdentities(c.xml);
        const Identity* found = ids.Of(c.bib, c.card);
        EXPECT_EQ(found ? found->personIds.front().second : std::string(), c.person) << c.what;
    }
    const Identities ids = ParseIdentities(List(Entry("1", "10001", "W21")));
    ASSERT_NE(ids.OfClass("W21"), nullptr);
    EXPECT_EQ(ids.OfClass("W21")->classId, "C-W21");
    EXPECT_EQ(ids.OfClass("M21"), nullptr);
    EXPECT_FALSE(ReadIdentities("/nonexistent/Entries.xml"));
}

} // namespace
} // namespace quilo
