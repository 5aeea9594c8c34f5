// Names and event titles come from files the organisers typed: control characters in
// them must not reach the page (no browser shows them, and some break the XHTML check),
// while markup characters are escaped.
#include "results/HtmlResults.h"

#include "ExportEvent.h"
#include "results/Evaluation.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::ExportEvent;
using test::FixedInfo;
using test::T;

TEST(HtmlOddText, ControlCharactersLeftOutMarkupEscaped) {
    ExportEvent e{"M21"};
    e.Course(0, {{31}});
    e.Runner(0, T(10, 0), 101, "山\x01田<b>",
             "A&\x1f"
             "B");
    AssignClassPlaces(e.Tables(), 0);
    ExportInfo info = FixedInfo();
    info.eventName = "春\x07の\x1b大会\t\r\n";
    const std::string html = BuildHtmlResults(TakeSnapshot(e.Tables(), info));
    EXPECT_NE(html.find("山田&lt;b&gt;"), std::string::npos);
    EXPECT_NE(html.find("A&amp;B"), std::string::npos);
    // Tab and line ends are white space a page may carry.
    EXPECT_NE(html.find("<h1>春の大会\t\r\n</h1>"), std::string::npos);
    for (char c = 1; c < 0x20; ++c) {
        if (c != '\t' && c != '\n' && c != '\r') {
            EXPECT_EQ(html.find(c), std::string::npos) << int(c);
        }
    }
}

} // namespace
} // namespace quilo
