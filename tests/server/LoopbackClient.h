#pragma once
// A blocking HTTP client over a loopback socket for the server tests: every wait bounded
// by poll(), so a server that does not answer fails the test instead of hanging it.
#include <arpa/inet.h>
#include <chrono>
#include <map>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace quilo::test {

struct HttpReply {
    int status = 0;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

class LoopbackClient {
public:
    explicit LoopbackClient(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    }
    ~LoopbackClient() { close(fd_); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool Connected() const { return connected_; }
    bool Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    // Reads what arrives within `ms`; false once the server closed (or reset) the socket.
    bool Read(int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) return true;
        char buf[16384];
        const ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) return false;
        got_.append(buf, static_cast<std::size_t>(n));
        return true;
    }
    // Waits until `text` arrived (true), the socket closed or `ms` passed.
    bool WaitFor(std::string_view text, int ms = 2000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got_.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !Read(static_cast<int>(left.count()))) return got_.find(text) != std::string::npos;
        }
        return true;
    }
    // Whether the server closes the socket within `ms`.
    bool ClosedWithin(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            if (!Read(static_cast<int>(left.count()))) return true;
        }
    }
    // One response with a Content-Length body (none for a HEAD); consumed from what arrived.
    std::optional<HttpReply> Reply(bool head = false, int ms = 2000) {
        if (!WaitFor("\r\n\r\n", ms)) return std::nullopt;
        const std::size_t end = got_.find("\r\n\r\n");
        HttpReply r;
        const std::string head_ = got_.substr(0, end);
        if (head_.size() < 12) return std::nullopt;
        r.status = std::stoi(head_.substr(9, 3));
        for (std::size_t at = head_.find("\r\n"); at != std::string::npos;) {
            const std::size_t next = head_.find("\r\n", at + 2);
            const std::string line = head_.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
            const std::size_t colon = line.find(':');
            std::string name = line.substr(0, colon);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            r.headers[name] = colon == std::string::npos ? "" : line.substr(line.find_first_not_of(' ', colon + 1));
            at = next;
        }
        std::size_t length = 0;
        if (!head && r.headers.count("content-length")) length = std::stoul(r.headers["content-length"]);
        const std::size_t total = end + 4 + length;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got_.size() < total && std::chrono::steady_clock::now() < until) {
            if (!Read(100)) break;
        }
        if (got_.size() < total) return std::nullopt;
        r.body = got_.substr(end + 4, length);
        got_.erase(0, total);
        return r;
    }
    // The next response's status, 0 when none came.
    int Status(bool head = false) {
        const auto r = Reply(head);
        return r ? r->status : 0;
    }
    const std::string& Got() const { return got_; }
    void Clear() { got_.clear(); }

private:
    int fd_;
    bool connected_ = false;
    std::string got_;
};

inline std::string Get(std::string_view target, std::string_view headers = {}, std::string_view method = "GET") {
    return std::string(method) + " " + std::string(target) + " HTTP/1.1\r\nHost: x\r\n" + std::string(headers) + "\r\n";
}

} // namespace quilo::test
