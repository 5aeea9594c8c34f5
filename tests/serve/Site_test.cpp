#include "serve/Site.h"

#include "ServeEvent.h"
#include "TestSupport.h"
#include "results/HtmlResults.h"
#include "results/IofXml.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>

namespace quilo {
namespace {

using test::ServeEvent;
using test::T;

// Compares `text` with tests/data/serve/<name>; with QUILO_UPDATE_GOLDEN=1 in the
// environment it writes the file instead (check the diff before committing it).
std::string CompareWithGolden(const std::string& text, const std::string& name) {
    const std::string path = std::string(QUILO_TEST_DATA) + "/serve/" + name;
    const char* update = std::getenv("QUILO_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        test::WriteBytes(path, text);
        return {};
    }
    if (!std::filesystem::exists(path)) return path + ": missing (QUILO_UPDATE_GOLDEN=1 writes it)";
    const std::string golden = test::ReadBytes(path);
    if (golden == text) return {};
    std::size_t at = 0;
    while (at < golden.size() && at < text.size() && golden[at] == text[at]) ++at;
    return path + " differs at byte " + std::to_string(at) + ": [" + text.substr(at > 40 ? at - 40 : 0, 120) + "]";
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

struct SiteTest : ::testing::Test {
    ServeEvent ev;

    static std::string Body(const Site& site, const std::string& path) {
        const SiteBody* body = site.Find(path);
        return body ? body->plain : "(none)";
    }
};

TEST_F(SiteTest, PagesAndJsonMatchTheGoldenFiles) {
    const auto site = Site::Build(ev.Snapshot(7), nullptr);
    const std::pair<const char*, const char*> pages[] = {
        {"/", "index.html"},
        {"/class/0", "class-0.html"},
        {"/class/1", "class-1.html"},
        {"/screen", "screen.html"},
        {"/speaker", "speaker.html"},
        {"/api/v1/classes", "classes.json"},
        {"/api/v1/class/0", "class-0.json"},
    };
    for (const auto& [path, golden] : pages) {
        SCOPED_TRACE(path);
        EXPECT_EQ(CompareWithGolden(Body(*site, path), golden), "");
    }
    EXPECT_EQ(CompareWithGolden(site->Changes(0), "changes-full.json"), "");
    // The exports are the files the station writes.
    EXPECT_EQ(Body(*site, "/results.xml"), BuildIofResultList(site->Snapshot()));
    EXPECT_EQ(Body(*site, "/results.html"), BuildHtmlResults(site->Snapshot()));
    for (const char* missing : {"/class/3", "/nothing", "/api/v1/changes", "/events"})
        EXPECT_EQ(site->Find(missing), nullptr) << missing;
}

// Every page links the style and the script, refreshes without the script and says its
// version; bodies are gzipped where that is smaller.
TEST_F(SiteTest, EveryPageCarriesItsVersionAndTheSharedFiles) {
    const auto site = Site::Build(ev.Snapshot(7), nullptr);
    for (const char* path : {"/", "/class/0", "/class/2", "/screen", "/speaker"}) {
        SCOPED_TRACE(path);
        const SiteBody* body = site->Find(path);
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(body->contentType, "text/html; charset=utf-8");
        const std::string& html = body->plain;
        for (const char* part :
             {"<html lang=\"ja\">", "<link rel=\"stylesheet\" href=\"/style.css\">", "<script src=\"/app.js\" defer></script>",
              "<noscript><meta http-equiv=\"refresh\" content=\"30\"></noscript>", "<body data-version=\"7\"",
              "<main id=\"live\">"})
            EXPECT_EQ(Count(html, part), 1u) << part;
        // Nothing inline: the pages run under default-src 'self'.
        for (const char* inline_ : {"<script>", "<style", "style=", "onclick", "http://", "https://"})
            EXPECT_EQ(html.find(inline_), std::string::npos) << inline_;
        EXPECT_FALSE(body->gzip.empty());
        EXPECT_LT(body->gzip.size(), body->plain.size());
    }
    for (const char* path : {"/app.js", "/style.css"}) {
        const SiteBody* body = site->Find(path);
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(body->version, 0u);
        EXPECT_FALSE(body->gzip.empty());
    }
    // Nothing to gain from gzip (an event name of bytes without a pattern): left plain.
    auto noise = std::make_shared<ResultsSnapshot>();
    for (unsigned x = 1; noise->info.eventName.size() < 300;) {
        x = x * 1103515245u + 12345u;
        noise->info.eventName += static_cast<char>(0x80 | (x >> 16 & 0x7F));
    }
    const auto empty = Site::Build(noise, nullptr);
    EXPECT_TRUE(empty->Find("/api/v1/classes")->gzip.empty());
    EXPECT_EQ(empty->Find("/class/0"), nullptr);
}

// Counts per class: finished (a result or a read card, a code too), out (started,
// nothing yet), to start (after the snapshot's clock), absent.
TEST_F(SiteTest, IndexCountsEachStanding) {
    const auto site = Site::Build(ev.Snapshot(1), nullptr);
    const std::string index = Body(*site, "/");
    EXPECT_NE(index.find("<a href=\"/class/0\">M21</a></td><td class=\"n\">5</td><td class=\"n\">2</td>"
                         "<td class=\"n\">1</td><td class=\"n\">1</td><td class=\"n\">1</td>"),
              std::string::npos);
    EXPECT_NE(Body(*site, "/api/v1/classes")
                  .find("\"name\":\"W21\",\"count\":2,\"finished\":2,\"out\":0,\"toStart\":0,\"absent\":0"),
              std::string::npos);
}

// The speaker's list is newest first by the time of day of the finish: yamada
// finished 10:40:00, suzuki 10:43:30, ito (MP) 10:40:00, the reference 10:47:00.
TEST_F(SiteTest, SpeakerListsTheNewestFinishFirst) {
    const auto site = Site::Build(ev.Snapshot(1), nullptr);
    const std::string speaker = Body(*site, "/speaker");
    std::vector<std::string> order;
    static const std::regex row("<td class=\"ft\">([0-9:]+)</td>");
    for (std::sregex_iterator it(speaker.begin(), speaker.end(), row), end; it != end; ++it) order.push_back((*it)[1]);
    EXPECT_EQ(order, (std::vector<std::string>{"10:47:00", "10:43:30", "10:40:00", "10:40:00"}));
    EXPECT_NE(speaker.find("<td class=\"bh\">+1:30</td><td class=\"tm ld\">0:40:00</td>"), std::string::npos);
    EXPECT_NE(speaker.find("高橋　次郎"), std::string::npos); // out
    EXPECT_EQ(speaker.find("田中　三郎"), std::string::npos); // still to start
}

TEST_F(SiteTest, HostileTextIsEscapedInHtmlAndJson) {
    ev.e->ClassNames[2] = "K<\"&'>\\";
    ev.e.Rec(ev.kid).Name = "<script>alert(\"x\")</script>\x01";
    ev.e.Rec(ev.kid).Club = "a\\b\"c\x1f";
    const auto site = Site::Build(ev.Snapshot(1), nullptr);
    for (const char* path : {"/", "/class/2", "/screen", "/speaker"}) {
        const std::string html = Body(*site, path);
        SCOPED_TRACE(path);
        EXPECT_EQ(html.find("<script>alert"), std::string::npos);
        EXPECT_EQ(html.find('\x01'), std::string::npos);
        EXPECT_EQ(html.find("K<\""), std::string::npos);
        EXPECT_NE(html.find("K&lt;&quot;&amp;&apos;&gt;\\"), std::string::npos);
    }
    EXPECT_NE(Body(*site, "/class/2").find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"), std::string::npos);
    const std::string json = Body(*site, "/api/v1/class/2");
    EXPECT_NE(json.find("\"name\":\"K<\\\"&'>\\\\\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"name\":\"<script>alert(\\\"x\\\")</script>\\u0001\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"club\":\"a\\\\b\\\"c\\u001f\""), std::string::npos) << json;
}

// An unchanged class keeps its bodies (and their version); a changed one is made again,
// and only the competitors whose JSON changed get the new version.
TEST_F(SiteTest, UnchangedClassesKeepTheirBodiesAndChangesTellOnlyWhatMoved) {
    const auto first = Site::Build(ev.Snapshot(1), nullptr);
    ev.e.Rec(ev.kid).Status = "DNF";
    const auto second = Site::Build(ev.Snapshot(2), first);
    ev.e.Rec(ev.out).RunningTime = T(0, 39);
    const auto third = Site::Build(ev.Snapshot(3), second);

    EXPECT_EQ(second->Find("/class/0"), first->Find("/class/0"));
    EXPECT_EQ(third->Find("/class/2"), second->Find("/class/2"));
    EXPECT_EQ(third->Find("/class/1"), first->Find("/class/1"));
    EXPECT_NE(third->Find("/class/0"), first->Find("/class/0"));
    EXPECT_EQ(third->Find("/class/2")->version, 2u);
    EXPECT_EQ(third->Find("/class/0")->version, 3u);
    EXPECT_EQ(third->Find("/")->version, 3u);

    // bib@changedAt of each competitor the answer gives.
    const auto changed = [](const std::string& json) {
        std::vector<std::string> out;
        for (auto at = json.find("\"bib\":"); at != std::string::npos; at = json.find("\"bib\":", at + 1)) {
            const auto bib = at + 6, version = json.find("\"changedAt\":", at) + 12;
            out.push_back(json.substr(bib, json.find(',', bib) - bib) + "@" +
                          json.substr(version, json.find('}', version) - version));
        }
        return out;
    };
    using V = std::vector<std::string>;
    // 104 finished first: it takes first place and 101, 102 move down a place.
    EXPECT_EQ(changed(third->Changes(2)), (V{"104@3", "101@3", "102@3"}));
    EXPECT_EQ(changed(third->Changes(1)), (V{"104@3", "101@3", "102@3", "301@2"}));
    EXPECT_EQ(changed(third->Changes(3)), V{});
    EXPECT_EQ(CompareWithGolden(third->Changes(2), "changes-since.json"), "");
    EXPECT_NE(third->Changes(1).find("\"full\":false"), std::string::npos);
    // Older than the first site: everyone, marked so.
    const std::string all = third->Changes(0);
    EXPECT_NE(all.find("\"version\":3,\"since\":0,\"full\":true"), std::string::npos);
    EXPECT_EQ(changed(all).size(), 8u);

    // A competitor gone cannot be told as a change: the history starts again.
    ev.e->ClassEntryCount[2] = 0;
    ev.e->Entries[2].resize(1);
    const auto fourth = Site::Build(ev.Snapshot(4), third);
    EXPECT_NE(fourth->Changes(3).find("\"full\":true"), std::string::npos);
    EXPECT_NE(fourth->Changes(4).find("\"full\":false,\"competitors\":[]"), std::string::npos);
    // A site of an older version is no base.
    const auto restarted = Site::Build(ev.Snapshot(1), fourth);
    EXPECT_NE(restarted->Find("/class/0"), fourth->Find("/class/0"));
}

// Only the moment moved: every body is the one before; the exports follow their serial.
TEST_F(SiteTest, SameResultsShareEveryBody) {
    const auto first = Site::Build(ev.Snapshot(5), nullptr);
    const auto again = Site::Build(ev.Snapshot(5, T(12, 0, 1)), first);
    for (const char* path : {"/", "/class/0", "/screen", "/speaker", "/api/v1/classes", "/results.xml"})
        EXPECT_EQ(again->Find(path), first->Find(path)) << path;
    // A page-wide detail changed: the classes are made again, their competitors keep
    // their versions.
    auto snap = std::make_shared<ResultsSnapshot>(*ev.Snapshot(6));
    snap->info.eventName = "別の大会";
    const auto renamed = Site::Build(snap, again);
    EXPECT_NE(renamed->Find("/class/0"), first->Find("/class/0"));
    EXPECT_NE(Body(*renamed, "/class/0").find("別の大会"), std::string::npos);
    EXPECT_EQ(renamed->Changes(5), "{\"version\":6,\"since\":5,\"full\":false,\"competitors\":[]}\n");
    EXPECT_NE(renamed->Find("/results.xml"), first->Find("/results.xml"));
}

// Each detail every page shows makes every class again; a class renamed is made anew
// (its competitors are new to the changes), one added is made alone.
TEST_F(SiteTest, PageWideDetailsAndClassNamesMakeTheirPagesAgain) {
    struct Case {
        const char* name;
        std::function<void(ResultsSnapshot&)> change;
        bool otherClassesKept;
    };
    const Case cases[] = {
        {"event date", [](ResultsSnapshot& s) { s.info.eventDate.day = 13; }, false},
        {"time limit", [](ResultsSnapshot& s) { s.info.limit = Time::Minutes(90); }, false},
        {"creator", [](ResultsSnapshot& s) { s.info.creator = "Quilo 0.2"; }, false},
        {"start list incomplete", [](ResultsSnapshot& s) { s.info.startListIncomplete = true; }, false},
        {"complete", [](ResultsSnapshot& s) { s.complete = true; }, false},
        {"class renamed", [](ResultsSnapshot& s) { s.classes[0].name = "M21A"; }, true},
        {"class added", [](ResultsSnapshot& s) { s.classes.push_back(s.classes[0]); }, true},
    };
    const auto first = Site::Build(ev.Snapshot(5), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto snap = std::make_shared<ResultsSnapshot>(*ev.Snapshot(6));
        c.change(*snap);
        const auto next = Site::Build(snap, first);
        EXPECT_EQ(next->Find("/class/1") == first->Find("/class/1"), c.otherClassesKept);
        EXPECT_NE(next->Find("/"), first->Find("/"));
        const std::string changes = next->Changes(5);
        if (std::string(c.name) == "class renamed") {
            EXPECT_NE(changes.find("\"bib\":101"), std::string::npos);
            EXPECT_EQ(changes.find("\"bib\":201"), std::string::npos);
        } else if (std::string(c.name) == "class added") {
            EXPECT_NE(next->Find("/class/3"), nullptr);
            EXPECT_NE(changes.find("\"class\":3"), std::string::npos);
            EXPECT_EQ(changes.find("\"class\":0"), std::string::npos);
        } else {
            // The competitors read the same: nothing to tell.
            EXPECT_NE(changes.find("\"full\":false,\"competitors\":[]"), std::string::npos);
        }
    }
    auto incomplete = std::make_shared<ResultsSnapshot>(*ev.Snapshot(6));
    incomplete->info.startListIncomplete = true;
    EXPECT_NE(Body(*Site::Build(incomplete, first), "/class/0").find("<p class=\"alert\" role=\"alert\">"), std::string::npos);
}

// The lists of latest finishers are cut (the speaker's at 30, the screen's band at 10);
// equal finish times keep the class's order; a time over the limit has no place and no
// time behind; a punch earlier than the one before leaves the leg blank.
TEST_F(SiteTest, LatestFinishersAreCutAndOddTimesShownAsThePageShowsThem) {
    for (int i = 0; i < 34; ++i) {
        const int n = ev.e.Runner(1, T(10, 20) + Time(i * 60), 400 + i, "走者");
        ev.e.Rec(n).RunningTime = T(0, 50) - Time(i * 60); // all finish at 11:10
    }
    const int slow = ev.e.Runner(1, T(9, 0), 500, "遅い");
    ev.e.Rec(slow).Status = "OK";
    ev.e.Rec(slow).RunningTime = T(2, 31);
    ev.e.Read(ev.mp, "41,0:06:00,42,0:05:00,100,0:30:00");
    const auto site = Site::Build(ev.Snapshot(1), nullptr);
    const std::string speaker = Body(*site, "/speaker"), screen = Body(*site, "/screen");
    EXPECT_EQ(Count(speaker, "<td class=\"ft\">"), 30u);
    EXPECT_EQ(Count(screen, "<span class=\"bi\">"), 10u);
    // The newest first; the ties in the class's (result) order.
    const auto at400 = speaker.find("<td class=\"nm\">走者"), atFirst = speaker.find("<td class=\"ft\">11:10:00</td>");
    EXPECT_EQ(speaker.find("<td class=\"ft\">11:31:00</td>") < atFirst, true); // the slow one, 9:00 + 2:31
    EXPECT_LT(atFirst, at400);
    const std::string json = Body(*site, "/api/v1/class/1");
    EXPECT_NE(json.find(
                  "\"bib\":500,\"name\":\"遅い\",\"club\":\"C\",\"card\":\"10042\",\"start\":\"09:00:00\",\"standing\":"
                  "\"finished\",\"place\":\"\",\"time\":\"2:31:00\",\"seconds\":9060,\"behind\":\"\",\"status\":\"時間超過\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"position\":2,\"code\":42,\"punched\":true,\"leg\":\"\",\"elapsed\":\"5:00\"}"), std::string::npos);
}

} // namespace
} // namespace quilo
