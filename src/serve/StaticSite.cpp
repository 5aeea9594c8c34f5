#include "serve/StaticSite.h"

#include "results/HtmlResults.h"
#include "results/IofStartList.h"
#include "results/IofXml.h"
#include "serve/Pages.h"

namespace quilo {

using namespace serve;

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kXml = "application/xml; charset=utf-8";

} // namespace

std::vector<StaticFile> StaticSiteFiles(const ResultsSnapshot& snap) {
    std::vector<StaticFile> pages, json;
    std::vector<ClassLine> lines;
    for (std::size_t c = 0; c < snap.classes.size(); ++c) {
        const int index = static_cast<int>(c);
        const ClassView view = MakeClassView(snap.info, snap.classes[c], index);
        // No serial anywhere: with it every file would change with every snapshot.
        std::vector<Site::CompetitorVersion> competitors;
        competitors.reserve(view.rows.size());
        for (const RowView& row : view.rows) competitors.push_back({CompetitorJson(view, row), 0});
        const std::string n = std::to_string(c);
        pages.push_back({"class/" + n + ".html", kHtml, StaticClassPage(snap, view)});
        json.push_back({"api/v1/class/" + n + ".json", kJson, ClassJson(view, competitors, std::nullopt)});
        lines.push_back({index, view.cls->name, static_cast<int>(view.rows.size()), view.counts, 0});
    }
    std::vector<StaticFile> files;
    files.reserve(pages.size() + json.size() + 6);
    files.push_back({"index.html", kHtml, StaticIndexPage(snap, lines)});
    files.push_back({"style.css", "text/css; charset=utf-8", std::string(StyleFile())});
    for (StaticFile& f : pages) files.push_back(std::move(f));
    files.push_back({"api/v1/classes.json", kJson, ClassesJson(snap, lines, std::nullopt)});
    for (StaticFile& f : json) files.push_back(std::move(f));
    files.push_back({"results.html", kHtml, BuildHtmlResults(snap)});
    files.push_back({"results.xml", kXml, BuildIofResultList(snap)});
    files.push_back({"start.xml", kXml, BuildIofStartList(snap)});
    return files;
}

} // namespace quilo
