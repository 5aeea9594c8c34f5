#include "LoopbackClient.h"
#include "server/ResultsServer.h"

#include <gtest/gtest.h>
#include <thread>
#include <zlib.h>

namespace quilo {
namespace {

using test::Get;
using test::LoopbackClient;

std::shared_ptr<const ResultsSnapshot> Snapshot(std::uint64_t serial) {
    auto s = std::make_shared<ResultsSnapshot>();
    s->classes.push_back(ClassResult{.name = "M21"});
    s->serial = serial;
    s->exportSerial = serial;
    return s;
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
    std::optional<test::HttpReply> Ask(const std::string& request, bool head = false) {
        LoopbackClient c(server.Port());
        if (!c.Send(request)) return std::nullopt;
        return c.Reply(head);
    }
    ResultsServer server;
};

TEST_F(ResultsServerTest, Explore) {
    Start();
    for (const std::string& req :
         {Get("/" + std::string(70000, 'a')), Get("/", "X-A: " + std::string(70000, 'b') + "\r\n"),
          Get("/", "", "HEAD") + Get("/x"), Get("/x") + Get("/y"), Get("/events") + Get("/x")}) {
        LoopbackClient c(server.Port());
        c.Send(req);
        c.ClosedWithin(1000);
        std::printf("----\n%s\n", c.Got().substr(0, 400).c_str());
    }
}

} // namespace
} // namespace quilo
