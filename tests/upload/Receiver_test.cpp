// The loopback receiver the uploader's tests stand on: each answer and fault as libcurl meets
// it, then the same request taken once the fault ends.
#include "Receiver.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace quilo::test {
namespace {

using Kind = Receiver::Kind;
using Ms = std::chrono::milliseconds;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

const std::string kMop = R"(<?xml version="1.0" encoding="UTF-8"?>
<MOPComplete xmlns="http://www.melin.nu/mop">
  <competition date="2026-12-06" organizer="Demo OC">Demo Cup</competition>
  <cls id="1" ord="1">M21A</cls>
  <org id="1">Tokyo OLC</org>
  <cmp id="1"><base org="1" cls="1" stat="1" st="360000" rt="23510">Kato Satoshi</base></cmp>
</MOPComplete>)";
const std::string kBadMop = R"(<MOPComplete xmlns="http://www.melin.nu/mop"><cls id="1">M21A</cls></MOPComplete>)";
const std::string kBadIof = R"(<StartList xmlns="http://www.orienteering.org/datastandard/3.0"><Other/></StartList>)";

struct Reply {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
    long long ms = 0;
};

size_t Append(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// One POST as the uploader sends it; an explicit Expect makes libcurl wait for 100 Continue.
Reply Post(const std::string& url, const std::string& body, bool credentials, bool expect100, long timeoutMs,
           bool chunked = false) {
    Reply reply;
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    if (credentials) {
        headers = curl_slist_append(headers, "competition: 7");
        headers = curl_slist_append(headers, "pwd: secret");
    }
    headers = curl_slist_append(headers, expect100 ? "Expect: 100-continue" : "Expect:");
    if (chunked) headers = curl_slist_append(headers, "Transfer-Encoding: chunked");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_EXPECT_100_TIMEOUT_MS, 60000L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    const auto start = std::chrono::steady_clock::now();
    reply.code = curl_easy_perform(curl);
    reply.ms = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start).count();
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return reply;
}

struct Case {
    const char* name;
    Kind kind;
    Fault fault;
    bool credentials = true, valid = true, expect100 = false, chunked = false;
    std::set<CURLcode> codes{CURLE_OK};
    long status = 200;
    std::string replyHas = "";
    bool recorded = true, accepted = false, invalid = false;
    std::string mopStatus = "ERROR";
};

const Case kCases[] = {
    {.name = "iof_taken", .kind = Kind::Iof, .fault = Fault::None, .replyHas = "received", .accepted = true},
    {.name = "mop_taken", .kind = Kind::Mop, .fault = Fault::None, .replyHas = R"(status="OK")", .accepted = true},
    {.name = "iof_after_continue", .kind = Kind::Iof, .fault = Fault::None, .expect100 = true, .accepted = true},
    {.name = "mop_after_continue", .kind = Kind::Mop, .fault = Fault::None, .expect100 = true, .accepted = true},
    {.name = "iof_chunked", .kind = Kind::Iof, .fault = Fault::None, .expect100 = true, .chunked = true, .accepted = true},
    {.name = "iof_no_credentials", .kind = Kind::Iof, .fault = Fault::None, .credentials = false, .status = 401},
    {.name = "mop_no_credentials",
     .kind = Kind::Mop,
     .fault = Fault::None,
     .credentials = false,
     .replyHas = R"(status="BADPWD")"},
    {.name = "iof_invalid", .kind = Kind::Iof, .fault = Fault::None, .valid = false, .status = 400, .invalid = true},
    {.name = "mop_invalid",
     .kind = Kind::Mop,
     .fault = Fault::None,
     .valid = false,
     .replyHas = R"(status="ERROR")",
     .invalid = true},
    {.name = "refused",
     .kind = Kind::Iof,
     .fault = Fault::Refuse,
     .codes = {CURLE_COULDNT_CONNECT},
     .status = 0,
     .recorded = false},
    {.name = "status500", .kind = Kind::Mop, .fault = Fault::Status500, .status = 500},
    {.name = "timeout", .kind = Kind::Iof, .fault = Fault::Timeout, .codes = {CURLE_OPERATION_TIMEDOUT}, .status = 0},
    {.name = "reset_mid_body",
     .kind = Kind::Iof,
     .fault = Fault::ResetMidBody,
     .expect100 = true,
     .codes = {CURLE_SEND_ERROR, CURLE_RECV_ERROR, CURLE_GOT_NOTHING},
     .status = 100},
    {.name = "slow", .kind = Kind::Mop, .fault = Fault::Slow, .replyHas = R"(status="OK")", .accepted = true},
    {.name = "mop_status",
     .kind = Kind::Mop,
     .fault = Fault::MopStatus,
     .replyHas = R"(status="BADCMP")",
     .mopStatus = "BADCMP"},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class ReceiverTest : public testing::TestWithParam<Case> {};

TEST_P(ReceiverTest, AnswersThenTakesTheRequestOnceTheFaultEnds) {
    const Case& c = GetParam();
    const bool iof = c.kind == Kind::Iof;
    const std::string body =
        iof ? (c.valid ? Read(std::string(QUILO_TEST_DATA) + "/iof/StartList1.xml") : kBadIof) : (c.valid ? kMop : kBadMop);
    Receiver receiver(c.kind);
    receiver.Expect({{"Competition", "7"}, {"pwd", "secret"}});
    constexpr int kSlowMs = 300;
    receiver.SetFault(c.fault, c.mopStatus, kSlowMs);

    const Reply reply =
        Post(receiver.Url(), body, c.credentials, c.expect100, c.fault == Fault::Timeout ? 400 : 5000, c.chunked);
    EXPECT_TRUE(c.codes.count(reply.code)) << curl_easy_strerror(reply.code);
    EXPECT_EQ(reply.status, c.status);
    EXPECT_NE(reply.body.find(c.replyHas), std::string::npos) << reply.body;
    if (c.fault == Fault::Slow) {
        EXPECT_GE(reply.ms, kSlowMs);
    }

    // A request the receiver read is recorded by the time the sender is done with it.
    ASSERT_TRUE(Receiver::WaitFor([&] { return receiver.Requests().size() == (c.recorded ? 1u : 0u); }, 2000));
    if (c.recorded) {
        const ReceivedRequest r = receiver.Requests()[0];
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.target, "/results");
        EXPECT_EQ(r.accepted, c.accepted);
        EXPECT_EQ(!r.invalid.empty(), c.invalid) << r.invalid;
        if (c.fault == Fault::ResetMidBody) {
            EXPECT_LT(r.body.size(), body.size());
        } else {
            EXPECT_EQ(r.body, body);
        }
        if (c.credentials) {
            EXPECT_EQ(r.headers.at("competition"), "7");
        }
        EXPECT_EQ(r.headers.count("transfer-encoding"), c.chunked ? 1u : 0u);
    }

    // Back to normal on the same port: the next request is taken.
    receiver.SetFault(Fault::None);
    const Reply again = Post(receiver.Url(), body, c.credentials, c.expect100, 5000);
    EXPECT_EQ(again.code, CURLE_OK) << curl_easy_strerror(again.code);
    if (c.credentials && c.valid) {
        EXPECT_EQ(again.status, 200);
        const std::vector<std::string> taken = receiver.AcceptedBodies();
        ASSERT_EQ(taken.size(), c.accepted ? 2u : 1u);
        EXPECT_EQ(taken.back(), body);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ReceiverTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// A held request does not hold the test: the receiver stops at once and the sender sees the end.
TEST(ReceiverStop, EndsPromptlyWhileATimeoutHoldsTheSocket) {
    auto receiver = std::make_unique<Receiver>(Kind::Mop);
    receiver->SetFault(Fault::Timeout);
    Reply reply;
    std::thread sender([&, url = receiver->Url()] { reply = Post(url, kMop, true, false, 10000); });
    ASSERT_TRUE(Receiver::WaitFor([&] { return receiver->Requests().size() == 1; }, 5000));
    const auto start = std::chrono::steady_clock::now();
    receiver.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(500));
    sender.join();
    EXPECT_EQ(reply.code, CURLE_GOT_NOTHING) << curl_easy_strerror(reply.code);
    EXPECT_LT(reply.ms, 5000);
}

} // namespace
} // namespace quilo::test
