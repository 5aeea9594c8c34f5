#pragma once
// The results site as plain files, for a copy kept on a web host or opened from a
// folder: the index and class pages with relative links and no script, the API's JSON
// and the exports. A page's or JSON's bytes move only with what it shows, so an uploader
// that sends only changed files sends a class's files only when that class changed (the
// exports carry their moment, as the files the station writes do).
#include "results/ResultsSnapshot.h"

#include <string>
#include <vector>

namespace quilo {

struct StaticFile {
    std::string path; // relative to the site's folder, '/' between folders
    std::string contentType;
    std::string bytes;
};

// Every file of the static copy of the results site for one snapshot, paths relative
// to the site's folder: "index.html", "class/<n>.html" (n = class index, as the server's /class/<n>),
// "results.xml" (BuildIofResultList), "start.xml" (BuildIofStartList), "results.html" (BuildHtmlResults),
// "api/v1/classes.json", "api/v1/class/<n>.json" (the server API's JSON, docs/api.md), "style.css".
std::vector<StaticFile> StaticSiteFiles(const ResultsSnapshot& snap);

} // namespace quilo
