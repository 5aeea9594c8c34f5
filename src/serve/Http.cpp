#include "serve/Http.h"

#include "core/Version.h"
#include "serve/Encode.h"

#include <array>

namespace quilo {
namespace {

constexpr std::string_view kCsp = "default-src 'self'";
// The results page is the file the station writes, self-contained by design (its style
// and script are inline), so it alone is let run them.
constexpr std::string_view kCspInline =
    "default-src 'self'; style-src 'self' 'unsafe-inline'; script-src 'self' 'unsafe-inline'";
// A computed answer (the changes) is sent compressed from this size on.
constexpr std::size_t kGzipFrom = 1024;

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX decoded; a % without two hex digits after it stays as it is.
std::string Decode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
            out += static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool AllDigits(std::string_view s) {
    for (const char c : s)
        if (c < '0' || c > '9') return false;
    return !s.empty();
}

// A class number as a plain decimal: no sign, no leading zero, within an int.
std::optional<int> ClassNumber(std::string_view s) {
    if (!AllDigits(s) || s.size() > 9 || (s.size() > 1 && s[0] == '0')) return std::nullopt;
    int n = 0;
    for (const char c : s) n = n * 10 + (c - '0');
    return n;
}

// A version: digits within 64 bits.
std::optional<std::uint64_t> VersionNumber(std::string_view s) {
    if (!AllDigits(s) || s.size() > 20) return std::nullopt;
    std::uint64_t n = 0;
    for (const char c : s) {
        const auto d = static_cast<std::uint64_t>(c - '0');
        if (n > (UINT64_MAX - d) / 10) return std::nullopt;
        n = n * 10 + d;
    }
    return n;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        if (x != b[i]) return false;
    }
    return true;
}

// Calls `each` with every comma-separated item, blanks around it trimmed.
template <class F>
void EachItem(std::string_view list, char sep, F&& each) {
    while (true) {
        const std::size_t at = list.find(sep);
        each(Trim(list.substr(0, at)));
        if (at == std::string_view::npos) return;
        list.remove_prefix(at + 1);
    }
}

// True when the client takes gzip: listed with a weight above zero, or not listed and
// `*` taking everything.
bool AcceptsGzip(std::string_view header) {
    std::optional<bool> gzip, any;
    EachItem(header, ',', [&](std::string_view item) {
        const std::size_t semi = item.find(';');
        const std::string_view coding = Trim(item.substr(0, semi));
        bool weighted = true;
        if (semi != std::string_view::npos)
            EachItem(item.substr(semi + 1), ';', [&](std::string_view param) {
                if (param.size() >= 2 && SameLetters(param.substr(0, 2), "q=")) {
                    // A weight of 0, 0.0, 0.00 or 0.000 refuses; any other digit takes.
                    weighted = param.substr(2).find_first_of("123456789") != std::string_view::npos;
                }
            });
        if (SameLetters(coding, "gzip") || SameLetters(coding, "x-gzip")) gzip = weighted;
        if (coding == "*") any = weighted;
    });
    return gzip ? *gzip : any.value_or(false);
}

// True when If-None-Match names `tag` (weakly compared, so a W/ form matches too) or is `*`.
bool Matches(std::string_view header, std::string_view plainTag, std::string_view gzipTag) {
    bool match = false;
    EachItem(header, ',', [&](std::string_view item) {
        if (item.size() >= 2 && item.substr(0, 2) == "W/") item.remove_prefix(2);
        match = match || item == "*" || item == plainTag || item == gzipTag;
    });
    return match;
}

void CommonHeaders(ServeResponse& r, std::string_view contentType, std::string_view csp = kCsp) {
    r.headers.emplace_back("Content-Type", contentType);
    r.headers.emplace_back("Cache-Control", "no-cache");
    r.headers.emplace_back("X-Content-Type-Options", "nosniff");
    r.headers.emplace_back("Content-Security-Policy", csp);
}

ServeResponse Small(int status, std::string text, std::string_view type) {
    ServeResponse r;
    r.status = status;
    CommonHeaders(r, type);
    r.text = std::move(text);
    return r;
}

ServeResponse NotFound() {
    return Small(404,
                 "<!DOCTYPE html>\n<html lang=\"ja\">\n<head><meta charset=\"utf-8\"><title>404 Not Found</title>"
                 "<link rel=\"stylesheet\" href=\"/style.css\"></head>\n<body><main><h1>404 Not Found</h1>"
                 "<p>このページはありません。<a href=\"/\">クラス一覧</a></p></main></body>\n</html>\n",
                 "text/html; charset=utf-8");
}

std::string_view Reason(int status) {
    switch (status) {
    case 408: return "Request Timeout";
    case 414: return "URI Too Long";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}

struct Route {
    std::string_view path;
    ServeTarget::Route route;
};
constexpr std::array<Route, 10> kRoutes = {{
    {"/", ServeTarget::Route::Index},
    {"/screen", ServeTarget::Route::Screen},
    {"/speaker", ServeTarget::Route::Speaker},
    {"/results.xml", ServeTarget::Route::ResultsXml},
    {"/results.html", ServeTarget::Route::ResultsHtml},
    {"/api/v1/classes", ServeTarget::Route::ApiClasses},
    {"/api/v1/changes", ServeTarget::Route::ApiChanges},
    {"/events", ServeTarget::Route::Events},
    {"/app.js", ServeTarget::Route::Script},
    {"/style.css", ServeTarget::Route::Style},
}};

// A body answered with its ETag, the gzip form where the client takes it.
ServeResponse Body(const ServeRequest& request, std::string_view contentType, std::string_view csp, std::string etagBase,
                   std::string_view plain, std::string_view gzip) {
    const std::string plainTag = '"' + etagBase + '"';
    const std::string gzipTag = '"' + etagBase + "-gzip\"";
    const bool zipped = !gzip.empty() && AcceptsGzip(request.acceptEncoding);
    ServeResponse r;
    CommonHeaders(r, contentType, csp);
    r.headers.emplace_back("ETag", zipped ? gzipTag : plainTag);
    r.headers.emplace_back("Vary", "Accept-Encoding");
    if (!request.ifNoneMatch.empty() && Matches(request.ifNoneMatch, plainTag, gzipTag)) {
        r.status = 304;
        return r;
    }
    if (zipped) r.headers.emplace_back("Content-Encoding", "gzip");
    r.view = zipped ? gzip : plain;
    return r;
}

} // namespace

ServeTarget ParseTarget(std::string_view target) {
    ServeTarget t;
    const std::size_t q = target.find('?');
    t.path = Decode(target.substr(0, q));
    const std::string_view query = q == std::string_view::npos ? std::string_view() : target.substr(q + 1);
    for (const Route& r : kRoutes)
        if (t.path == r.path) t.route = r.route;
    const std::string_view path = t.path;
    for (const auto& [prefix, route] : {std::pair{std::string_view("/class/"), ServeTarget::Route::Class},
                                        std::pair{std::string_view("/api/v1/class/"), ServeTarget::Route::ApiClass}}) {
        if (path.substr(0, prefix.size()) != prefix) continue;
        if (const auto n = ClassNumber(path.substr(prefix.size()))) {
            t.route = route;
            t.classIndex = *n;
        }
    }
    if (t.route == ServeTarget::Route::ApiChanges)
        EachItem(query, '&', [&](std::string_view item) {
            const std::size_t eq = item.find('=');
            if (eq != std::string_view::npos && Decode(item.substr(0, eq)) == "since")
                t.since = VersionNumber(Decode(item.substr(eq + 1)));
        });
    return t;
}

ServeResponse Answer(const std::shared_ptr<const Site>& site, const ServeRequest& request) {
    if (!site) return ErrorAnswer(503);
    const bool head = request.method == "HEAD";
    if (!head && request.method != "GET") {
        ServeResponse r = Small(405, "405 Method Not Allowed\n", "text/plain; charset=utf-8");
        r.headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }
    const ServeTarget target = ParseTarget(request.target);
    ServeResponse r;
    switch (target.route) {
    case ServeTarget::Route::NotFound: r = NotFound(); break;
    case ServeTarget::Route::Events:
        CommonHeaders(r, "text/event-stream");
        r.eventStream = true;
        r.resumeAfter = VersionNumber(Trim(request.lastEventId));
        break;
    case ServeTarget::Route::ApiChanges: {
        std::string json = site->Changes(target.since.value_or(0));
        const std::string zipped = json.size() >= kGzipFrom ? serve::Gzip(json, 1) : std::string();
        r = Body(request, "application/json; charset=utf-8", kCsp, 'v' + std::to_string(site->Version()), json, zipped);
        if (!r.view.empty()) r.text = std::string(r.view);
        r.view = {};
        break;
    }
    default: {
        const SiteBody* body = site->Find(target.path);
        if (!body) {
            r = NotFound();
            break;
        }
        const bool isStatic = target.route == ServeTarget::Route::Script || target.route == ServeTarget::Route::Style;
        std::string etag = isStatic ? std::string("quilo-") + QUILO_VERSION : 'v' + std::to_string(body->version);
        r = Body(request, body->contentType, target.route == ServeTarget::Route::ResultsHtml ? kCspInline : kCsp,
                 std::move(etag), body->plain, body->gzip);
        r.site = site;
    }
    }
    r.headOnly = head;
    return r;
}

ServeResponse ErrorAnswer(int status) {
    ServeResponse r =
        Small(status, std::to_string(status) + ' ' + std::string(Reason(status)) + '\n', "text/plain; charset=utf-8");
    r.headers.emplace_back("Connection", "close");
    return r;
}

std::string EventFrame(std::uint64_t version) {
    return "id: " + std::to_string(version) + "\ndata: " + std::to_string(version) + "\n\n";
}

std::string_view KeepAliveFrame() { return ":\n\n"; }

} // namespace quilo
