#pragma once
// The results server's HTTP without sockets: a request's method, target and the few
// headers that matter in, the status, headers and body out, over the site of the latest
// snapshot. The socket side sends what this decides and keeps `/events` open.
#include "serve/Site.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quilo {

struct ServeRequest {
    std::string_view method; // as sent ("GET", "HEAD", …)
    std::string_view target; // path and query as sent, percent-encoded
    std::string_view acceptEncoding;
    std::string_view ifNoneMatch;
    std::string_view lastEventId;
};

// Where a request target leads, its query read.
struct ServeTarget {
    enum class Route {
        Index,       // /
        Class,       // /class/<n>
        Screen,      // /screen
        Speaker,     // /speaker
        ResultsXml,  // /results.xml
        ResultsHtml, // /results.html
        ApiClasses,  // /api/v1/classes
        ApiClass,    // /api/v1/class/<n>
        ApiChanges,  // /api/v1/changes?since=<version>
        Events,      // /events
        Script,      // /app.js
        Style,       // /style.css
        NotFound,
    };
    Route route = Route::NotFound;
    std::string path;                   // decoded, without the query
    int classIndex = -1;                // Class, ApiClass
    std::optional<std::uint64_t> since; // ApiChanges
};

// Never throws, whatever the bytes.
ServeTarget ParseTarget(std::string_view target);

struct ServeResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers; // Content-Length is the sender's
    // The body: `text` when set, else a view into `site`, which the sender keeps alive
    // until the body is sent.
    std::string text;
    std::string_view view;
    std::shared_ptr<const Site> site;
    bool headOnly = false; // HEAD: the headers of the GET, no body
    // /events: send the headers, then EventFrame for each version after `resumeAfter`
    // (the Last-Event-ID, when the client sent one), KeepAliveFrame between.
    bool eventStream = false;
    std::optional<std::uint64_t> resumeAfter;

    std::string_view Body() const { return text.empty() ? view : std::string_view(text); }
};

// The answer to a request over `site` (null before the first snapshot: 503).
ServeResponse Answer(const std::shared_ptr<const Site>& site, const ServeRequest& request);
// An answer the socket side decides itself: 414, 431, 503 (too many connections), 408.
ServeResponse ErrorAnswer(int status);

// The events stream's frames.
std::string EventFrame(std::uint64_t version);
std::string_view KeepAliveFrame();
constexpr int kKeepAliveSeconds = 15;

} // namespace quilo
