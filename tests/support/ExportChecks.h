#pragma once
// Checks of the result exports: schema validation with xmllint, and the exports read
// back per competitor.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace quilo::test {

inline std::string IofSchema() { return std::string(QUILO_TEST_DATA) + "/iof/IOF.xsd"; }

inline bool HaveXmllint() { return std::system("command -v xmllint >/dev/null 2>&1") == 0; }

// xmllint's verdict on a file against the IOF schema: its whole output, "" when valid.
inline std::string SchemaErrors(const std::string& path) {
    const std::string cmd = "xmllint --noout --schema '" + IofSchema() + "' '" + path + "' 2>&1";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return "popen failed";
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    const int status = ::pclose(p);
    return status == 0 ? std::string() : out.empty() ? "xmllint failed" : out;
}

#define QUILO_REQUIRE_XMLLINT() \
    if (!::quilo::test::HaveXmllint()) GTEST_SKIP() << "xmllint missing: run scripts/install-deps.sh"

// One competitor as the XML list carries it.
struct XmlCompetitor {
    std::string cls, family, given, club, status;
    long long time = -1, behind = -1, position = -1;
    pugi::xml_node result;
};

// The PersonResults of a list by bib number.
inline std::map<int, XmlCompetitor> XmlByBib(const pugi::xml_document& doc) {
    std::map<int, XmlCompetitor> out;
    for (pugi::xml_node cr : doc.child("ResultList").children("ClassResult"))
        for (pugi::xml_node pr : cr.children("PersonResult")) {
            XmlCompetitor x;
            pugi::xml_node res = pr.child("Result");
            x.cls = cr.child("Class").child_value("Name");
            x.family = pr.child("Person").child("Name").child_value("Family");
            x.given = pr.child("Person").child("Name").child_value("Given");
            x.club = pr.child("Organisation").child_value("Name");
            x.status = res.child_value("Status");
            if (res.child("Time")) x.time = res.child("Time").text().as_llong();
            if (res.child("TimeBehind")) x.behind = res.child("TimeBehind").text().as_llong();
            if (res.child("Position")) x.position = res.child("Position").text().as_llong();
            x.result = res;
            out[res.child("BibNumber").text().as_int()] = x;
        }
    return out;
}

} // namespace quilo::test
