#include "serve/StaticSite.h"

#include "ServeEvent.h"
#include "results/HtmlResults.h"
#include "results/IofStartList.h"
#include "results/IofXml.h"
#include "serve/Site.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

namespace quilo {
namespace {

using test::ServeEvent;
using test::T;

using Files = std::map<std::string, std::string>;

Files FilesOf(const ResultsSnapshot& snap) {
    Files files;
    for (const StaticFile& f : StaticSiteFiles(snap)) EXPECT_TRUE(files.emplace(f.path, f.bytes).second) << f.path;
    return files;
}

// `link` as a browser resolves it from the file at `from`; empty for one that leaves the
// folder or is absolute.
std::string Resolve(const std::string& from, std::string link) {
    link = link.substr(0, link.find('#'));
    if (link.empty() || link.front() == '/' || link.find(':') != std::string::npos) return {};
    std::vector<std::string> parts;
    std::string path = from.substr(0, from.rfind('/') + 1) + link;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, end - at);
        if (part == "..") {
            if (parts.empty()) return {};
            parts.pop_back();
        } else if (part != "." && !part.empty()) {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

// The body between <main> and </main>, the part whose look the server's pages give.
std::string MainOf(const std::string& html) {
    const std::size_t from = html.find("<main"), to = html.find("</main>");
    return from == std::string::npos || to == std::string::npos ? std::string("(no main)") : html.substr(from, to - from);
}

// Enough of JSON's grammar to catch a dropped or doubled comma or an unclosed bracket.
bool LooksLikeJson(const std::string& text) {
    std::string stack, bare;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (inString) {
            if (ch == '\\') ++i;
            else if (ch == '"') inString = false;
            continue;
        }
        if (ch == '"') inString = true;
        else if (ch == '{' || ch == '[') stack += ch;
        else if (ch == '}' || ch == ']') {
            if (stack.empty() || stack.back() != (ch == '}' ? '{' : '[')) return false;
            stack.pop_back();
        }
        if (ch != '\n') bare += inString ? '"' : ch;
    }
    for (const char* wrong : {",}", ",]", "{,", "[,", ",,"})
        if (bare.find(wrong) != std::string::npos) return false;
    return !inString && stack.empty() && text.front() == '{' && text.back() == '\n';
}

struct StaticSiteTest : ::testing::Test {
    ServeEvent ev;
};

TEST_F(StaticSiteTest, EveryLinkIsAFileOfTheSetAndNoPageNeedsTheServer) {
    const Files files = FilesOf(*ev.Snapshot(7));
    std::set<std::string> paths;
    for (const auto& [path, bytes] : files) paths.insert(path);
    EXPECT_EQ(paths, (std::set<std::string>{"index.html", "style.css", "class/0.html", "class/1.html", "class/2.html",
                                            "api/v1/classes.json", "api/v1/class/0.json", "api/v1/class/1.json",
                                            "api/v1/class/2.json", "results.html", "results.xml", "start.xml"}));
    const std::regex link(R"re((href|src)="([^"]*)")re");
    for (const auto& [path, html] : files) {
        if (path.ends_with(".html") && path != "results.html") {
            SCOPED_TRACE(path);
            int links = 0;
            for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it, ++links)
                EXPECT_TRUE(files.count(Resolve(path, (*it)[2]))) << (*it)[0];
            EXPECT_GE(links, 2);
            EXPECT_EQ(html.find("<meta http-equiv=\"refresh\" content=\"60\">"), html.rfind("<meta http-equiv"));
            for (const char* server : {"<script", "<noscript", "data-version", "/api", "EventSource"})
                EXPECT_EQ(html.find(server), std::string::npos) << server;
        }
    }
    EXPECT_NE(files.at("index.html").find("<a href=\"class/2.html\">Ｍ１２</a>"), std::string::npos);
    EXPECT_NE(files.at("class/1.html").find("<a href=\"../index.html\">クラス一覧</a>"), std::string::npos);
}

// The pages read as the server's, the JSON is the API's without versions, the exports
// are the results lib's own bytes.
TEST_F(StaticSiteTest, FilesSayWhatTheServerSays) {
    const auto snap = ev.Snapshot(7);
    const Files files = FilesOf(*snap);
    const auto site = Site::Build(snap, nullptr);
    const std::regex version(R"re("version":\d+,|,"(version|changedAt)":\d+)re");
    for (int c = 0; c < 3; ++c) {
        const std::string n = std::to_string(c);
        EXPECT_EQ(MainOf(files.at("class/" + n + ".html")), MainOf(site->Find("/class/" + n)->plain)) << c;
        EXPECT_EQ(files.at("api/v1/class/" + n + ".json"),
                  std::regex_replace(site->Find("/api/v1/class/" + n)->plain, version, ""));
    }
    const std::string served =
        std::regex_replace(site->Find("/")->plain, std::regex(R"re(href="/class/(\d+)")re"), "href=\"class/$1.html\"");
    EXPECT_EQ(MainOf(files.at("index.html")), MainOf(served));
    EXPECT_EQ(files.at("api/v1/classes.json"), std::regex_replace(site->Find("/api/v1/classes")->plain, version, ""));
    for (const auto& [path, bytes] : files) EXPECT_TRUE(!path.ends_with(".json") || LooksLikeJson(bytes)) << path;
    EXPECT_EQ(files.at("results.xml"), BuildIofResultList(*snap));
    EXPECT_EQ(files.at("start.xml"), BuildIofStartList(*snap));
    EXPECT_EQ(files.at("results.html"), BuildHtmlResults(*snap));
    EXPECT_EQ(files.at("style.css"), site->Find("/style.css")->plain);
}

// The uploader sends only files whose bytes moved: a new serial alone moves none.
TEST_F(StaticSiteTest, SameResultsGiveTheSameBytes) {
    const Files first = FilesOf(*ev.Snapshot(7));
    EXPECT_EQ(FilesOf(*ev.Snapshot(7)), first);
    EXPECT_EQ(FilesOf(*ev.Snapshot(8)), first);
}

TEST_F(StaticSiteTest, AReadMovesOnlyItsClassAndTheFilesOverEveryClass) {
    struct Case {
        int ServeEvent::*runner;
        const char* read;
        int cls;
    };
    for (const Case& k : {Case{&ServeEvent::out, "31,0:05:00,32,0:10:00,33,0:15:00,100,0:45:00", 0},
                          Case{&ServeEvent::kid, "51,0:10:00,100,0:20:00", 2}}) {
        SCOPED_TRACE(k.cls);
        ServeEvent fresh;
        const Files before = FilesOf(*fresh.Snapshot(7));
        fresh.e.Read(fresh.*k.runner, k.read);
        const Files after = FilesOf(*fresh.Snapshot(8));
        std::set<std::string> moved;
        for (const auto& [path, bytes] : after)
            if (before.at(path) != bytes) moved.insert(path);
        const std::string n = std::to_string(k.cls);
        EXPECT_EQ(moved, (std::set<std::string>{"index.html", "api/v1/classes.json", "class/" + n + ".html",
                                                "api/v1/class/" + n + ".json", "results.html", "results.xml"}));
    }
}

} // namespace
} // namespace quilo
