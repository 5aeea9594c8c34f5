#include "LoopbackClient.h"
#include "serve/Http.h"
#include "server/ResultsServer.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace quilo {
namespace {

using test::Get;
using test::LoopbackClient;

std::shared_ptr<const ResultsSnapshot> Snapshot(std::uint64_t serial) {
    auto s = std::make_shared<ResultsSnapshot>();
    ClassResult c;
    c.name = "M21";
    s->classes.push_back(c);
    s->serial = serial;
    s->exportSerial = serial;
    return s;
}

ServerOptions Options(std::string address, int port = 0) {
    ServerOptions o;
    o.address = std::move(address);
    o.port = port;
    return o;
}

std::string Gunzip(const std::string& in) {
    z_stream z{};
    inflateInit2(&z, 16 + MAX_WBITS);
    std::string out(in.size() * 20 + 1024, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

class ResultsServerTest : public ::testing::Test {
protected:
    // Started on a free loopback port with version 1 published and built.
    void Start(ServerOptions o = {}) {
        o.address = "127.0.0.1";
        ASSERT_TRUE(server.Start(o).ok);
        PublishAndWait(1);
    }
    void PublishAndWait(std::uint64_t v) {
        server.Publish(Snapshot(v));
        for (int i = 0; i < 200 && server.Version() != v; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(server.Version(), v);
    }
    std::optional<test::HttpReply> Ask(const std::string& request) {
        LoopbackClient c(server.Port());
        c.Send(request);
        return c.Reply();
    }
    int AskStatus(const std::string& request) {
        const auto r = Ask(request);
        return r ? r->status : 0;
    }
    ResultsServer server;
};

// What the site answers, sent as it decided: bodies, revalidation, gzip, HEAD, refusals.
TEST_F(ResultsServerTest, SendsTheSitesAnswers) {
    Start();
    const auto page = Ask(Get("/"));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_FALSE(page->body.empty());
    ASSERT_TRUE(page->headers.count("etag"));
    EXPECT_EQ(AskStatus(Get("/", "If-None-Match: " + page->headers.at("etag") + "\r\n")), 304);
    const auto script = Ask(Get("/app.js"));
    const auto zipped = Ask(Get("/app.js", "Accept-Encoding: gzip\r\n"));
    ASSERT_TRUE(script && zipped);
    EXPECT_EQ(zipped->status, 200);
    ASSERT_TRUE(zipped->headers.count("content-encoding"));
    EXPECT_EQ(Gunzip(zipped->body), script->body);
    const auto refused = Ask(Get("/", "", "POST"));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 405);
    EXPECT_TRUE(refused->headers.count("allow"));
    EXPECT_EQ(AskStatus(Get("/no/such/page")), 404);
    // A body is skipped and the connection closed after the answer; a large one closes it.
    for (const std::size_t size : {std::size_t{5}, std::size_t{200 * 1024}}) {
        LoopbackClient posting(server.Port());
        posting.Send(Get("/", "Content-Length: " + std::to_string(size) + "\r\n", "POST") + std::string(size, 'b'));
        EXPECT_EQ(posting.Status(), size < 1024 ? 405 : 0) << size;
        EXPECT_TRUE(posting.ClosedWithin(1000)) << size;
    }

    // HEAD: the GET's length, no body: the next answer on the connection follows at once.
    LoopbackClient c(server.Port());
    ASSERT_TRUE(c.Send(Get("/", "", "HEAD") + Get("/no/such/page")));
    const auto head = c.Reply(true);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->headers.at("content-length"), std::to_string(page->body.size()));
    EXPECT_EQ(c.Status(), 404);
}

// Over-long request lines and over-large headers, under MHD's memory limit (our check) and
// past it (MHD's own answer): the same codes, and the connection closed.
TEST_F(ResultsServerTest, RefusesOversizedRequests) {
    Start();
    const struct {
        std::string request;
        int status;
    } cases[] = {
        {Get("/" + std::string(9 * 1024, 'a')), 414},
        {Get("/" + std::string(70 * 1024, 'a')), 414},
        {Get("/", "X-Big: " + std::string(20 * 1024, 'b') + "\r\n"), 431},
        {Get("/", "X-Big: " + std::string(70 * 1024, 'b') + "\r\n"), 431},
    };
    for (const auto& k : cases) {
        LoopbackClient c(server.Port());
        c.Send(k.request);
        const auto r = c.Reply();
        ASSERT_TRUE(r) << k.status;
        EXPECT_EQ(r->status, k.status);
        EXPECT_TRUE(c.ClosedWithin(1000)) << k.status;
    }
}

TEST_F(ResultsServerTest, AnswersPastTheCapWith503) {
    ServerOptions o;
    o.maxConnections = 2;
    Start(o);
    LoopbackClient a(server.Port());
    auto b = std::make_unique<LoopbackClient>(server.Port());
    for (LoopbackClient* c : {&a, b.get()}) {
        c->Send(Get("/x"));
        ASSERT_EQ(c->Status(), 404);
    }
    LoopbackClient over(server.Port());
    over.Send(Get("/x"));
    EXPECT_EQ(over.Status(), 503);
    EXPECT_TRUE(over.ClosedWithin(1000));
    // Answered again once those closed are let go (MHD's cleanup follows the close).
    b.reset();
    int status = 0;
    for (int i = 0; i < 50 && status != 404; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        status = AskStatus(Get("/x"));
    }
    EXPECT_EQ(status, 404);
}

// MHD's idle timeout closes a silent client; a client that trickles its request is never
// idle, and the sweeper closes it once requestSeconds have passed since it connected.
TEST_F(ResultsServerTest, ClosesIdleAndSlowClients) {
    const struct {
        int idleSeconds, requestSeconds;
        bool trickle;
    } cases[] = {{1, 10, false}, {10, 1, true}};
    for (const auto& k : cases) {
        ResultsServer s;
        ServerOptions o = Options("127.0.0.1");
        o.idleSeconds = k.idleSeconds;
        o.requestSeconds = k.requestSeconds;
        ASSERT_TRUE(s.Start(o).ok);
        LoopbackClient c(s.Port());
        const auto began = std::chrono::steady_clock::now();
        const std::string request = Get("/x", "X-Pad: " + std::string(100, 'p') + "\r\n");
        bool closed = false;
        for (std::size_t i = 0; i < request.size() && !closed; ++i) {
            closed = (k.trickle && !c.Send(request.substr(i, 1))) || !c.Read(100);
        }
        EXPECT_TRUE(closed) << k.trickle;
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(2000)) << k.trickle;
    }
}

TEST_F(ResultsServerTest, StreamsEachNewVersion) {
    // A stream outlives the idle timeout: it is off MHD's loop between frames.
    ServerOptions o;
    o.keepAliveMs = 1500;
    o.idleSeconds = 1;
    Start(o);
    std::vector<std::unique_ptr<LoopbackClient>> streams;
    for (int i = 0; i < 100; ++i) {
        streams.push_back(std::make_unique<LoopbackClient>(server.Port()));
        streams.back()->Send(Get("/events"));
    }
    for (auto& s : streams) ASSERT_TRUE(s->WaitFor("id: 1\n")) << s->Got();
    PublishAndWait(2);
    for (auto& s : streams) ASSERT_TRUE(s->WaitFor("id: 2\n", 1000)) << s->Got();
    // Nothing new: a keep-alive comment within the interval.
    streams[0]->Clear();
    EXPECT_TRUE(streams[0]->WaitFor(std::string(KeepAliveFrame()), 3000));
    EXPECT_EQ(streams[0]->Got().find("id:"), std::string::npos);
    // A stream ends cleanly when the server stops; stopping twice is harmless.
    server.Stop();
    server.Stop();
    EXPECT_FALSE(server.Running());
    EXPECT_TRUE(streams[0]->ClosedWithin(1000));
    EXPECT_NE(streams[0]->Got().find("0\r\n\r\n"), std::string::npos);
}

// HEAD gives the stream's headers only; a request with a body is answered and closed.
TEST_F(ResultsServerTest, OpensNoStreamForHeadOrABody) {
    Start();
    LoopbackClient head(server.Port());
    head.Send(Get("/events", "", "HEAD") + Get("/no/such/page"));
    const auto r = head.Reply(true);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->headers.at("content-type").rfind("text/event-stream", 0), 0u);
    EXPECT_EQ(head.Status(), 404) << head.Got();
    LoopbackClient body(server.Port());
    body.Send(Get("/events", "Content-Length: 2\r\n") + "ab");
    EXPECT_TRUE(body.ClosedWithin(1000));
    EXPECT_EQ(body.Got().find("id:"), std::string::npos);
}

// Last-Event-ID: a client already at the current version waits for the next; one behind
// gets at once every version built since its own.
TEST_F(ResultsServerTest, ResumesAfterTheLastEventId) {
    Start();
    PublishAndWait(4);
    PublishAndWait(5);
    LoopbackClient current(server.Port()), behind(server.Port());
    current.Send(Get("/events", "Last-Event-ID: 5\r\n"));
    behind.Send(Get("/events", "Last-Event-ID: 3\r\n"));
    EXPECT_TRUE(behind.WaitFor(EventFrame(4) + EventFrame(5), 1000)) << behind.Got();
    EXPECT_TRUE(current.WaitFor("\r\n\r\n"));
    EXPECT_FALSE(current.WaitFor("id: 5\n", 300));
    PublishAndWait(6);
    EXPECT_TRUE(current.WaitFor("id: 6\n", 1000));
}

TEST_F(ResultsServerTest, ReportsWhyItCannotStart) {
    ResultsServer first;
    ASSERT_TRUE(first.Start(Options("127.0.0.1")).ok);
    const std::string taken = std::to_string(first.Port());
    const struct {
        ServerOptions options;
        std::string reason;
    } cases[] = {
        {Options("127.0.0.1", first.Port()), "ポート " + taken + " は使用中です"},
        {Options("192.0.2.1"), "アドレス 192.0.2.1 はこのPCのものではありません"},
        {Options("xyz"), "アドレス xyz が読めません"},
        {Options("", 70000), "ポート番号 70000 は範囲外です"},
        {Options("", -1), "ポート番号 -1 は範囲外です"},
    };
    for (const auto& k : cases) {
        const auto started = server.Start(k.options);
        EXPECT_FALSE(started.ok);
        EXPECT_FALSE(server.Running());
        EXPECT_EQ(ResultsServer::StartLines(server, started),
                  (std::vector<std::string>{"【警告】*******************",
                                            "　結果サーバーを開始できませんでした（" + k.reason + "）"}));
    }
}

// Out of descriptors (a child's limit cut to the next free one, then one more): the
// socket, then MHD's own, cannot be had, and the system's reason is given.
TEST_F(ResultsServerTest, ReportsTheSystemsReason) {
    for (const rlim_t spare : {0, 1}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(10);
            const int next = dup(0);
            close(next);
            const rlimit cut{static_cast<rlim_t>(next) + spare, static_cast<rlim_t>(next) + spare};
            setrlimit(RLIMIT_NOFILE, &cut);
            ResultsServer s;
            const auto started = s.Start(Options("127.0.0.1"));
            const int code = !started.ok && started.reason == std::strerror(EMFILE) ? 0 : 1;
#if defined(__SANITIZE_ADDRESS__)
            _exit(code); // the sanitizers object to gtest's statics going mid-test
#else
            std::exit(code); // the coverage counters are written at exit
#endif
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << spare;
    }
}

TEST_F(ResultsServerTest, NamesItsUrls) {
    EXPECT_TRUE(server.Urls().empty());
    server.Publish(Snapshot(3)); // before the start: built once it runs
    ASSERT_TRUE(server.Start(Options("127.0.0.1")).ok);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
    EXPECT_EQ(server.Urls(), std::vector<std::string>{url});
    EXPECT_EQ(ResultsServer::StartLines(server, {true, {}}), std::vector<std::string>{" (公開)" + url});
    // Formatting only: nothing is bound to this port.
    const auto every = ResultsServer::UrlsFor("", 8080);
    ASSERT_FALSE(every.empty());
    EXPECT_EQ(every.back(), "http://127.0.0.1:" + std::to_string(8080) + "/");
    for (const auto& u : every) EXPECT_EQ(u.rfind("http://", 0), 0u) << u;
    EXPECT_EQ(ResultsServer::UrlsFor("0.0.0.0", 80), ResultsServer::UrlsFor("", 80));
    for (int i = 0; i < 200 && server.Version() != 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(server.Version(), 3u);
}

// Room for the cap's connections: the soft limit of open files is raised at the start.
TEST_F(ResultsServerTest, RaisesTheOpenFileLimit) {
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    if (before.rlim_max != RLIM_INFINITY && before.rlim_max < 4000) GTEST_SKIP() << "hard limit " << before.rlim_max;
    rlimit low = before;
    low.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    ServerOptions o = Options("127.0.0.1");
    o.maxConnections = 3000;
    EXPECT_TRUE(server.Start(o).ok);
    rlimit after{};
    getrlimit(RLIMIT_NOFILE, &after);
    server.Stop();
    setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_GE(after.rlim_cur, 3000u);
}

TEST(ServerOptionsFromTest, ReadsTheSettingsWithoutAddingThem) {
    const struct {
        std::string text;
        int port;
        std::string address;
        int connections;
    } cases[] = {
        {"", 0, "", 2000},
        {"ServerPort= 8080 \r\nServerAddress= 127.0.0.5 \r\n", 8080, "127.0.0.5", 2000},
        {"ServerPort=0\r\n", 0, "", 2000},
        {"ServerPort=  \r\n", 0, "", 2000},
        {"ServerPort=80a\r\n", 0, "", 2000},
        {"ServerPort=80.5\r\n", 0, "", 2000},
        {"ServerPort=-\r\n", 0, "", 2000},
        {"ServerPort=70000\r\n", 70000, "", 2000},
        {"ServerPort=-1\r\n", -1, "", 2000},
        {"ServerPort=99999999999999999999\r\n", 2147483647, "", 2000},
        {"ServerPort=80\r\nServerConnections=500\r\n", 80, "", 500},
        {"ServerPort=80\r\nServerConnections=0\r\n", 80, "", 2000},
        {"ServerPort=80\r\nServerConnections=many\r\n", 80, "", 2000},
        {"ServerPort=80\r\nServerConnections=5x\r\n", 80, "", 2000},
    };
    for (const auto& k : cases) {
        IniFile settings;
        settings.LoadText(k.text);
        const auto keys = settings.Keys();
        const ServerOptions o = ServerOptionsFrom(settings);
        EXPECT_EQ(o.port, k.port) << k.text;
        EXPECT_EQ(o.address, k.address) << k.text;
        EXPECT_EQ(o.maxConnections, k.connections) << k.text;
        EXPECT_EQ(settings.Keys(), keys);
        EXPECT_FALSE(settings.Dirty());
    }
}

} // namespace
} // namespace quilo
