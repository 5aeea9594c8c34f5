#include "serve/Http.h"

#include "ServeEvent.h"
#include "core/Version.h"
#include "serve/Encode.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace quilo {
namespace {

using Route = ServeTarget::Route;

std::string Gunzip(std::string_view zipped) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, 15 + 16), Z_OK);
    std::string out(1 << 20, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zipped.data()));
    z.avail_in = static_cast<uInt>(zipped.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

std::string Header(const ServeResponse& r, const std::string& name) {
    for (const auto& [key, value] : r.headers)
        if (key == name) return value;
    return "(none)";
}

TEST(ParseTargetTest, RoutesAndTheirNumbers) {
    struct Case {
        const char* target;
        Route route;
        int classIndex;
        std::optional<std::uint64_t> since;
    };
    const Case cases[] = {
        {"/", Route::Index, -1, {}},
        {"/?x=1", Route::Index, -1, {}},
        {"/class/0", Route::Class, 0, {}},
        {"/class/12?open=s3", Route::Class, 12, {}},
        {"/class/%31%32", Route::Class, 12, {}},
        {"/class/999999999", Route::Class, 999999999, {}},
        {"/class/1000000000", Route::NotFound, -1, {}},
        {"/class/", Route::NotFound, -1, {}},
        {"/class/01", Route::NotFound, -1, {}},
        {"/class/-1", Route::NotFound, -1, {}},
        {"/class/+1", Route::NotFound, -1, {}},
        {"/class/1x", Route::NotFound, -1, {}},
        {"/class/1/", Route::NotFound, -1, {}},
        {"/api/v1/class/3", Route::ApiClass, 3, {}},
        {"/api/v1/classes", Route::ApiClasses, -1, {}},
        {"/api/v1/changes?since=42", Route::ApiChanges, -1, 42},
        {"/api/v1/changes?x=1&%73ince=18446744073709551615", Route::ApiChanges, -1, 18446744073709551615u},
        {"/api/v1/changes?since=18446744073709551616", Route::ApiChanges, -1, {}},
        {"/api/v1/changes?since=123456789012345678901", Route::ApiChanges, -1, {}},
        {"/api/v1/changes?since=-1", Route::ApiChanges, -1, {}},
        {"/api/v1/changes?since", Route::ApiChanges, -1, {}},
        {"/api/v1/changes", Route::ApiChanges, -1, {}},
        {"/screen?classes=0,2,5&seconds=15", Route::Screen, -1, {}},
        {"/speaker", Route::Speaker, -1, {}},
        {"/results.xml", Route::ResultsXml, -1, {}},
        {"/results.html", Route::ResultsHtml, -1, {}},
        {"/events", Route::Events, -1, {}},
        {"/%61pp.js", Route::Script, -1, {}},
        {"/style.css", Route::Style, -1, {}},
        {"/style.css%", Route::NotFound, -1, {}},
        {"/%zz%4", Route::NotFound, -1, {}},
        {"/%61%70%70%2E%6a%73", Route::Script, -1, {}},
        {"/%41pp.js", Route::NotFound, -1, {}},
        {"/class/%3g", Route::NotFound, -1, {}},
        {"/class/%g3", Route::NotFound, -1, {}},
        {"/class/%:3", Route::NotFound, -1, {}},
        {"/class/%3:", Route::NotFound, -1, {}},
        {"", Route::NotFound, -1, {}},
        {"screen", Route::NotFound, -1, {}},
        {"/SCREEN", Route::NotFound, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const ServeTarget t = ParseTarget(c.target);
        EXPECT_EQ(t.route, c.route);
        EXPECT_EQ(t.classIndex, c.classIndex);
        EXPECT_EQ(t.since, c.since);
    }
    EXPECT_EQ(ParseTarget("/%zz%4").path, "/%zz%4");
    EXPECT_EQ(ParseTarget("/a%20b%00?q").path, std::string("/a b\0", 5));
}

struct AnswerTest : ::testing::Test {
    test::ServeEvent ev;
    std::shared_ptr<const Site> site = Site::Build(ev.Snapshot(7), nullptr);

    ServeResponse Get(std::string_view target, std::string_view acceptEncoding = "", std::string_view ifNoneMatch = "",
                      std::string_view method = "GET") {
        return Answer(site, ServeRequest{method, target, acceptEncoding, ifNoneMatch, ""});
    }
};

TEST_F(AnswerTest, StatusHeadersAndBodies) {
    const std::string version = std::string("\"quilo-") + QUILO_VERSION;
    struct Case {
        const char* method;
        const char* target;
        const char* acceptEncoding;
        const char* ifNoneMatch;
        int status;
        const char* type;
        const char* etag;
        bool gzip;
    };
    const Case cases[] = {
        {"GET", "/", "", "", 200, "text/html; charset=utf-8", "\"v7\"", false},
        {"GET", "/", "gzip", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/", "deflate, GZIP;q=0.5", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/", "gzip;q=0", "", 200, "text/html; charset=utf-8", "\"v7\"", false},
        {"GET", "/", "gzip; Q=0.000, *", "", 200, "text/html; charset=utf-8", "\"v7\"", false},
        {"GET", "/", "br, *", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/", "*;q=0", "", 200, "text/html; charset=utf-8", "\"v7\"", false},
        {"GET", "/", "x-gzip", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/", "identity", "", 200, "text/html; charset=utf-8", "\"v7\"", false},
        {"GET", "/", "gzip;level=1;q=1", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/", "gzip;q", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/", "", "W/", 200, "text/html; charset=utf-8", "\"v7\"", false},
        {"GET", "/", "", "\"v7\"", 304, "text/html; charset=utf-8", "\"v7\"", false},
        {"GET", "/", "gzip", "\"v6\", W/\"v7\"", 304, "text/html; charset=utf-8", "\"v7-gzip\"", false},
        {"GET", "/", "gzip", "\"v7-gzip\"", 304, "text/html; charset=utf-8", "\"v7-gzip\"", false},
        {"GET", "/", "", "*", 304, "text/html; charset=utf-8", "\"v7\"", false},
        {"GET", "/", "", "\"v6\"", 200, "text/html; charset=utf-8", "\"v7\"", false},
        {"HEAD", "/class/1", "gzip", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/screen?classes=1", "gzip", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/speaker", "gzip", "", 200, "text/html; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/class/3", "", "", 404, "text/html; charset=utf-8", "(none)", false},
        {"GET", "/api/v1/class/2", "gzip", "", 200, "application/json; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/api/v1/classes", "", "", 200, "application/json; charset=utf-8", "\"v7\"", false},
        {"GET", "/api/v1/changes?since=0", "gzip", "", 200, "application/json; charset=utf-8", "\"v7-gzip\"", true},
        {"GET", "/api/v1/changes?since=7", "gzip", "", 200, "application/json; charset=utf-8", "\"v7\"", false},
        {"GET", "/api/v1/changes?since=0", "", "\"v7\"", 304, "application/json; charset=utf-8", "\"v7\"", false},
        {"GET", "/results.xml", "", "", 200, "application/xml; charset=utf-8", "\"v7\"", false},
        {"GET", "/app.js", "gzip", "", 200, "text/javascript; charset=utf-8", "-gzip\"", true},
        {"GET", "/style.css", "", "", 200, "text/css; charset=utf-8", "\"", false},
        {"GET", "/nothing", "", "", 404, "text/html; charset=utf-8", "(none)", false},
        {"POST", "/", "", "", 405, "text/plain; charset=utf-8", "(none)", false},
        {"get", "/", "", "", 405, "text/plain; charset=utf-8", "(none)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.target + " [" + c.acceptEncoding + "] [" + c.ifNoneMatch + "]");
        const ServeResponse r = Get(c.target, c.acceptEncoding, c.ifNoneMatch, c.method);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(Header(r, "Content-Type"), c.type);
        EXPECT_EQ(Header(r, "Cache-Control"), "no-cache");
        EXPECT_EQ(Header(r, "X-Content-Type-Options"), "nosniff");
        EXPECT_EQ(Header(r, "Content-Security-Policy"), "default-src 'self'");
        const std::string etag = Header(r, "ETag");
        EXPECT_TRUE(etag.size() >= std::strlen(c.etag) &&
                    etag.compare(etag.size() - std::strlen(c.etag), std::string::npos, c.etag) == 0)
            << etag;
        if (std::string(c.target).find("app.js") != std::string::npos) {
            EXPECT_EQ(etag.rfind(version, 0), 0u) << etag;
        }
        EXPECT_EQ(Header(r, "Content-Encoding"), c.gzip ? "gzip" : "(none)");
        EXPECT_EQ(Header(r, "Allow"), c.status == 405 ? "GET, HEAD" : "(none)");
        EXPECT_EQ(r.headOnly, std::string(c.method) == "HEAD");
        EXPECT_EQ(r.Body().empty(), c.status == 304);
        EXPECT_FALSE(r.eventStream);
        if (c.status == 200) {
            EXPECT_EQ(Header(r, "Vary"), "Accept-Encoding");
            const std::string path = ParseTarget(c.target).path;
            const std::string plain = c.gzip ? Gunzip(r.Body()) : std::string(r.Body());
            if (path == "/api/v1/changes") EXPECT_EQ(plain, site->Changes(ParseTarget(c.target).since.value()));
            else EXPECT_EQ(plain, site->Find(path)->plain);
        }
        if (c.status == 304) {
            EXPECT_EQ(Header(r, "Vary"), "Accept-Encoding");
        }
    }
}

// The body views point into the site; the answer holds it, so a newer site can take
// its place while the body is still being sent.
TEST_F(AnswerTest, BodyOutlivesTheSite) {
    ServeResponse r = Get("/class/0");
    const std::string copy(r.Body());
    site = Site::Build(ev.Snapshot(8), nullptr);
    EXPECT_EQ(r.Body(), copy);
    EXPECT_NE(r.site, nullptr);
}

TEST_F(AnswerTest, ResultsPageAloneMayRunItsInlineStyleAndScript) {
    const ServeResponse r = Get("/results.html");
    EXPECT_EQ(Header(r, "Content-Security-Policy"),
              "default-src 'self'; style-src 'self' 'unsafe-inline'; script-src 'self' 'unsafe-inline'");
    EXPECT_NE(r.Body().find("<style>"), std::string_view::npos);
}

TEST_F(AnswerTest, EventsStreamResumesAfterTheLastEventId) {
    const std::pair<const char*, std::optional<std::uint64_t>> cases[] = {
        {"", std::nullopt}, {"12", 12}, {" 12 ", 12}, {"x", std::nullopt}, {"99999999999999999999", std::nullopt}};
    for (const auto& [id, resume] : cases) {
        const ServeResponse r = Answer(site, ServeRequest{"GET", "/events", "gzip", "", id});
        EXPECT_EQ(r.status, 200);
        EXPECT_TRUE(r.eventStream);
        EXPECT_EQ(r.resumeAfter, resume) << id;
        EXPECT_EQ(Header(r, "Content-Type"), "text/event-stream");
        EXPECT_EQ(Header(r, "Cache-Control"), "no-cache");
        EXPECT_EQ(Header(r, "Content-Encoding"), "(none)");
    }
    EXPECT_EQ(EventFrame(7), "id: 7\ndata: 7\n\n");
    EXPECT_EQ(KeepAliveFrame(), ":\n\n");
}

TEST_F(AnswerTest, ErrorsCloseTheConnection) {
    const std::pair<int, const char*> cases[] = {{408, "408 Request Timeout\n"},
                                                 {414, "414 URI Too Long\n"},
                                                 {431, "431 Request Header Fields Too Large\n"},
                                                 {503, "503 Service Unavailable\n"},
                                                 {500, "500 Error\n"}};
    for (const auto& [status, body] : cases) {
        const ServeResponse r = ErrorAnswer(status);
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.Body(), body);
        EXPECT_EQ(Header(r, "Connection"), "close");
        EXPECT_EQ(Header(r, "Content-Type"), "text/plain; charset=utf-8");
        EXPECT_EQ(Header(r, "X-Content-Type-Options"), "nosniff");
    }
    const ServeResponse none = Answer(nullptr, ServeRequest{"GET", "/", "", "", ""});
    EXPECT_EQ(none.status, 503);
    EXPECT_EQ(Header(none, "Connection"), "close");
}

TEST(EncodeTest, GzipRefusesAnUnknownLevelAndJsonEscapes) {
    EXPECT_EQ(serve::Gzip("text", 42), "");
    EXPECT_EQ(serve::Deflate("text", 42).bytes, "");
    // Pieces made apart join into one stream, an empty one included.
    const serve::DeflatePiece a = serve::Deflate("<p>one</p>", 6), b = serve::Deflate("", 6), c = serve::Deflate("two", 1);
    const serve::DeflatePiece* pieces[] = {&a, &b, &c};
    EXPECT_EQ(Gunzip(serve::JoinGzip(pieces, 3)), "<p>one</p>two");
    EXPECT_EQ(Gunzip(serve::JoinGzip(pieces, 0)), "");
    EXPECT_EQ(Gunzip(serve::Gzip("text", 9)), "text");
    std::string json;
    serve::AppendJsonString(json, std::string("a\"b\\c\n\x7f\0é", 10));
    EXPECT_EQ(json, "\"a\\\"b\\\\c\\u000a\\u007f\\u0000é\"");
}

} // namespace
} // namespace quilo
