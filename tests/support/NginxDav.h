#pragma once
// A real nginx serving WebDAV on loopback, for the uploader's tests: its own config, log
// and temp paths in a scratch folder, no root needed and no user switched.
#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace quilo::test {

class TempDir;

// One request from nginx's access log. `path` is the request's path as sent, percent-decoded
// and without its query; `destination` the same for a MOVE or COPY's Destination ("" otherwise).
struct AccessLine {
    std::string method, path;
    int status = 0;
    std::string destination = {};
};

class NginxDav {
public:
    // WebDAV (PUT DELETE MKCOL COPY MOVE, no intermediate folders made by PUT) under /site/ on
    // a free loopback port; with a user, every request needs HTTP Basic with that password
    // (any bytes but line breaks; colons too). Without `move`, a host that answers MOVE 405.
    NginxDav(std::string user = {}, std::string password = {}, bool move = true);
    ~NginxDav();
    NginxDav(const NginxDav&) = delete;
    NginxDav& operator=(const NginxDav&) = delete;

    // False when nginx is missing or would not start; Why() says why.
    bool Running() const { return pid_ > 0; }
    std::string Why() const { return why_; }
    int Port() const { return port_; }
    // "http://127.0.0.1:<port>/site/"
    std::string Url() const;
    // The folder /site/ maps to.
    std::string Root() const;
    // Every request logged so far, oldest first.
    std::vector<AccessLine> Access() const;
    // Stops nginx (a host gone for a while) and starts it again on the same port.
    void Stop();
    void Start();

private:
    bool StartOn(int port);
    void WriteConfig(int port) const;

    std::unique_ptr<TempDir> dir_;
    std::string user_, password_;
    bool move_ = true;
    std::string exe_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string why_;
};

// On CI a missing nginx is a fault; elsewhere the test is skipped.
inline bool NginxRequired() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

} // namespace quilo::test

// Skips (or on CI fails) the test when the server did not start.
#define QUILO_REQUIRE_NGINX(dav)                                                    \
    do {                                                                            \
        if (!(dav).Running()) {                                                     \
            if (::quilo::test::NginxRequired()) FAIL() << "nginx: " << (dav).Why(); \
            else GTEST_SKIP() << "nginx: " << (dav).Why();                          \
        }                                                                           \
    } while (0)
