// The nginx WebDAV harness the uploader's tests run against: what the server answers to
// the uploader's requests, what lands in its folder and what its log shows.
#include "NginxDav.h"
#include "TestSupport.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quilo::test {
namespace {

const std::string kUser = "quilo";
// A colon and non-ASCII bytes: the password file must keep both.
const std::string kPassword = "s3:cr\xC3\xA9t";

struct Reply {
    long status = 0; // 0: no answer at all
    std::string body;
};

size_t Collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// One request; an empty `user` sends no credentials.
Reply Send(const std::string& method, const std::string& url, const std::string& body = {},
           const std::string& destination = {}, const std::string& user = kUser, const std::string& password = kPassword) {
    Reply reply;
    CURL* curl = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    if (!destination.empty()) {
        headers = curl_slist_append(headers, ("Destination: " + destination).c_str());
        headers = curl_slist_append(headers, "Overwrite: T");
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    if (method == "PUT") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    if (!user.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
    }
    if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return reply;
}

// Bytes a text transfer or a careless copy would change: CR LF, NUL, CP932, 0xFF.
std::string Page(const std::string& name) {
    return "<p>" + name + "</p>\r\n" + std::string("\0\x82\xa0\x93\xfa\xff\n", 8) + std::string(70000, 'x');
}

// A path's bytes outside the plain ASCII ones percent-encoded, as an uploader sends them.
std::string Encoded(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (c > ' ' && c < 0x7f && c != '%') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

class NginxDavTest : public ::testing::Test {
protected:
    void SetUp() override { QUILO_REQUIRE_NGINX(dav); }
    NginxDav dav{kUser, kPassword};
};

TEST_F(NginxDavTest, UploadStepsLandAndAreLogged) {
    // Status codes as this nginx gives them: a MOVE answers 204 even to a new name, a PUT
    // into a missing folder fails with 500, a MKCOL wants the trailing slash (409 without)
    // and answers 405 for a folder that exists.
    struct Step {
        std::string method, path, body, destination;
        int status;
    };
    const std::vector<Step> steps = {
        {"PUT", "index.html.part", Page("first"), "", 201},
        {"PUT", "index.html.part", Page("index"), "", 204},
        {"MOVE", "index.html.part", "", "index.html", 204},
        {"PUT", "index.html.part", Page("index again"), "", 201},
        {"MOVE", "index.html.part", "", "index.html", 204},
        {"PUT", "class/1.html.part", Page("class 1"), "", 500},
        {"MKCOL", "class", "", "", 409},
        {"MKCOL", "class/", "", "", 201},
        {"MKCOL", "class/", "", "", 405},
        {"PUT", "class/1.html.part", Page("class 1"), "", 201},
        {"MOVE", "class/1.html.part", "", "class/1.html", 204},
        {"GET", "class/1.html", "", "", 200},
        {"GET", "class/2.html", "", "", 404},
        {"PUT", "結果 1.html.part", Page("結果"), "", 201},
        {"MOVE", "結果 1.html.part", "", "結果 1.html", 204},
    };
    std::vector<AccessLine> expected;
    for (const auto& s : steps) {
        std::string destination = s.destination.empty() ? "" : dav.Url() + Encoded(s.destination);
        Reply reply = Send(s.method, dav.Url() + Encoded(s.path), s.body, destination);
        EXPECT_EQ(reply.status, s.status) << s.method << " " << s.path;
        if (s.method == "GET" && s.status == 200) {
            EXPECT_EQ(reply.body, Page("class 1"));
        }
        expected.push_back({s.method, "/site/" + s.path, s.status, s.destination.empty() ? "" : "/site/" + s.destination});
    }
    EXPECT_EQ(ReadBytes(dav.Root() + "/index.html"), Page("index again"));
    EXPECT_EQ(ReadBytes(dav.Root() + "/class/1.html"), Page("class 1"));
    EXPECT_EQ(ReadBytes(dav.Root() + "/結果 1.html"), Page("結果"));
    EXPECT_FALSE(std::filesystem::exists(dav.Root() + "/index.html.part"));
    EXPECT_FALSE(std::filesystem::exists(dav.Root() + "/class/1.html.part"));

    const auto access = dav.Access();
    ASSERT_EQ(access.size(), expected.size());
    for (std::size_t i = 0; i < access.size(); ++i) {
        EXPECT_EQ(access[i].method, expected[i].method) << i;
        EXPECT_EQ(access[i].path, expected[i].path) << i;
        EXPECT_EQ(access[i].status, expected[i].status) << i;
        EXPECT_EQ(access[i].destination, expected[i].destination) << i;
    }
}

TEST_F(NginxDavTest, BasicAuthWantsThePassword) {
    struct Case {
        std::string user, password;
        int status;
    };
    const std::vector<Case> cases = {
        {"", "", 401}, {kUser, "s3", 401}, {kUser, kPassword + "x", 401}, {"other", kPassword, 401}, {kUser, kPassword, 201},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Send("PUT", dav.Url() + "a.html", "a", "", c.user, c.password).status, c.status)
            << c.user << ":" << c.password;
    ASSERT_EQ(dav.Access().size(), cases.size());
    EXPECT_EQ(dav.Access().back().status, 201);

    NginxDav open;
    ASSERT_TRUE(open.Running()) << open.Why();
    EXPECT_NE(open.Port(), dav.Port());
    EXPECT_EQ(Send("PUT", open.Url() + "a.html", "a", "", "").status, 201);
}

TEST_F(NginxDavTest, StopAndStartKeepThePortAndTheFiles) {
    ASSERT_EQ(Send("PUT", dav.Url() + "a.html", "before").status, 201);
    const int port = dav.Port();
    dav.Stop();
    EXPECT_FALSE(dav.Running());
    EXPECT_EQ(Send("PUT", dav.Url() + "b.html", "while gone").status, 0);
    dav.Start();
    ASSERT_TRUE(dav.Running()) << dav.Why();
    EXPECT_EQ(dav.Port(), port);
    EXPECT_EQ(dav.Url(), "http://127.0.0.1:" + std::to_string(port) + "/site/");
    Reply got = Send("GET", dav.Url() + "a.html");
    EXPECT_EQ(got.status, 200);
    EXPECT_EQ(got.body, "before");
    EXPECT_EQ(Send("PUT", dav.Url() + "b.html", "after").status, 201);
    const auto access = dav.Access();
    ASSERT_EQ(access.size(), 3u);
    EXPECT_EQ(access[2].path, "/site/b.html");
}

} // namespace
} // namespace quilo::test
