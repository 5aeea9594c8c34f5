#pragma once
// The results server's sockets: an HTTP server on threads of its own that answers from
// the site of the latest snapshot handed to it and keeps the events streams open. It
// never sees the station: Publish takes a snapshot, which is immutable, and the pages are
// built from it on the server's own thread, once per snapshot.
//
//   ResultsServer server;
//   if (auto started = server.Start({.port = 8080}); !started) history << failure lines;
//   station.Subscribe([&](const auto& snap) { server.Publish(snap); });
#include "core/IniFile.h"
#include "results/ResultsSnapshot.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quilo {

struct ServerOptions {
    std::string address; // empty: every address of the PC
    int port = 0;        // 0: a free port the system chooses
    int maxConnections = 2000;
    int idleSeconds = 30;    // a connection that sends nothing this long is closed
    int requestSeconds = 10; // a request's line and headers must arrive within this
    int keepAliveMs = 0;     // between the events streams' keep-alives; 0: kKeepAliveSeconds
    // Beside the operator's window: the server's threads run at a lower priority, so a
    // crowd of readers never slows the station.
    bool yieldToStation = false;
};

// ServerPort and ServerAddress (and ServerConnections) as the settings hold them: read
// when present, never added. `port` 0 (absent, 0 or not a number): no server.
ServerOptions ServerOptionsFrom(const IniFile& settings);

class ResultsServer {
public:
    ResultsServer();
    ~ResultsServer(); // stops
    ResultsServer(const ResultsServer&) = delete;
    ResultsServer& operator=(const ResultsServer&) = delete;

    // Listens; the reason in Japanese when it cannot (the port taken, the address not
    // the PC's, …).
    struct Started {
        bool ok = false;
        std::string reason;
    };
    Started Start(const ServerOptions& options);
    bool Running() const;
    int Port() const; // the port bound (the system's choice for 0)
    // "http://<address>:<port>/" for each address it is reached at: each IPv4 address of
    // the PC when bound to every address, else the one bound.
    std::vector<std::string> Urls() const;
    // The same for an address as ServerOptions holds it (empty: every IPv4 address of the
    // PC, loopback last).
    static std::vector<std::string> UrlsFor(const std::string& address, int port);

    // The history lines of a start: " (公開)<url>" each, or the warning and its reason.
    static std::vector<std::string> StartLines(const ResultsServer& server, const Started& started);

    // The latest snapshot: its site is built on the server's thread and the streams get
    // its version. Snapshots that arrive while one is built are skipped to the newest.
    void Publish(std::shared_ptr<const ResultsSnapshot> snapshot);
    // The version every request is answered from now (0 before the first site).
    std::uint64_t Version() const;

    void Stop();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace quilo
