#include "Receiver.h"

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quilo::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr std::size_t kMaxBody = 64 * 1024 * 1024;
constexpr int kTickMs = 20;

void Quiet(void*, const char*, ...) {}

// Parsed once per kind for every receiver of the program.
xmlSchemaPtr Schema(Receiver::Kind kind) {
    auto parse = [](const std::string& path) {
        xmlInitParser();
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(path.c_str());
        xmlSchemaSetParserErrors(parser, Quiet, Quiet, nullptr);
        xmlSchemaPtr schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
        if (!schema) throw std::runtime_error("the receiver cannot read " + path);
        return schema;
    };
    static xmlSchemaPtr iof = parse(std::string(QUILO_TEST_DATA) + "/iof/IOF.xsd");
    static xmlSchemaPtr mop = parse(std::string(QUILO_TEST_DATA) + "/mop.xsd");
    return kind == Receiver::Kind::Iof ? iof : mop;
}

std::string Trimmed(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && std::isspace(static_cast<unsigned char>(s[start]))) ++start;
    return s.substr(start);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void FirstError(void* data, xmlErrorPtr error) {
    auto* out = static_cast<std::string*>(data);
    if (error && out->empty()) out->append("line " + std::to_string(error->line) + ": " + Trimmed(error->message));
}

// "" when the body is a valid document of its kind.
std::string Invalid(Receiver::Kind kind, const std::string& body) {
    xmlSchemaPtr schema = Schema(kind);
    xmlParserCtxtPtr parser = xmlNewParserCtxt();
    xmlDocPtr doc = xmlCtxtReadMemory(parser, body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    std::string why;
    if (!doc) {
        const xmlError* error = xmlCtxtGetLastError(parser);
        why = "not well-formed XML: " + Trimmed(error && error->message ? error->message : "");
    } else {
        xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
        xmlSchemaSetValidStructuredErrors(validator, FirstError, &why);
        if (xmlSchemaValidateDoc(validator, doc) != 0 && why.empty()) why = "the schema validation failed";
        xmlSchemaFreeValidCtxt(validator);
        xmlFreeDoc(doc);
    }
    xmlFreeParserCtxt(parser);
    return why;
}

// The body of a chunked request once its last chunk is in; nothing while more is to come.
std::optional<std::string> Dechunked(std::string_view in) {
    std::string out;
    std::size_t at = 0;
    for (;;) {
        const std::size_t eol = in.find("\r\n", at);
        if (eol == std::string_view::npos) return std::nullopt;
        std::size_t size = 0;
        try {
            size = std::stoul(std::string(in.substr(at, eol - at)), nullptr, 16);
        } catch (const std::exception&) {
            return std::nullopt;
        }
        at = eol + 2;
        if (size == 0) {
            // Trailers, if any, end with an empty line.
            for (std::size_t end; (end = in.find("\r\n", at)) != std::string_view::npos; at = end + 2)
                if (end == at) return out;
            return std::nullopt;
        }
        if (size > kMaxBody || in.size() < at + size + 2) return std::nullopt;
        out.append(in.substr(at, size));
        at += size + 2;
    }
}

std::string Response(int status, const std::string& reason, const std::string& type, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string MopReply(const std::string& status) {
    return Response(200, "OK", "text/xml", "<?xml version=\"1.0\"?><MOPStatus status=\"" + status + "\"></MOPStatus>");
}

void SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

int Listen(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

struct Receiver::State {
    // One connection carries one request.
    struct Connection {
        enum class Phase { Reading, Holding, Waiting };
        int fd = -1;
        Phase phase = Phase::Reading;
        std::string in;
        bool headDone = false, chunked = false;
        std::size_t bodyStart = 0, length = 0;
        ReceivedRequest request;
        Fault fault = Fault::None;
        std::string mopStatus;
        Clock::time_point replyAt;
        std::string reply;
    };

    Kind kind;
    int port = 0;
    int listenFd = -1;
    int wake[2] = {-1, -1};
    std::thread thread;
    std::atomic<bool> stop{false};
    std::vector<Connection> connections;

    mutable std::mutex mutex;
    std::condition_variable applied;
    std::map<std::string, std::string> expected;
    Fault fault = Fault::None;
    std::string mopStatus = "ERROR";
    int slowMs = 3000;
    unsigned faultSeq = 0, appliedSeq = 0;
    std::vector<ReceivedRequest> requests;

    void Wake() const {
        const char c = 0;
        [[maybe_unused]] const ssize_t n = ::write(wake[1], &c, 1);
    }

    void Record(ReceivedRequest request) {
        std::lock_guard lock(mutex);
        requests.push_back(std::move(request));
    }

    // The listening socket follows the Refuse fault; the thread alone opens and closes it.
    void ApplyFault() {
        std::lock_guard lock(mutex);
        const bool refuse = fault == Fault::Refuse;
        if (refuse && listenFd >= 0) {
            ::close(listenFd);
            listenFd = -1;
        } else if (!refuse && listenFd < 0) {
            listenFd = Listen(port);
        }
        if (appliedSeq != faultSeq) {
            appliedSeq = faultSeq;
            applied.notify_all();
        }
    }

    void Accept() {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        Connection c;
        c.fd = fd;
        connections.push_back(std::move(c));
    }

    static void Reset(Connection& c) {
        const linger hard{1, 0};
        ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(c.fd);
        c.fd = -1;
    }

    // False once the head cannot be read; the connection is then closed.
    bool ParseHead(Connection& c) {
        const std::size_t end = c.in.find("\r\n\r\n");
        if (end == std::string::npos) return c.in.size() <= kMaxHead;
        std::size_t lineEnd = c.in.find("\r\n");
        const std::string line = c.in.substr(0, lineEnd);
        const std::size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
        if (sp1 == std::string::npos || sp2 <= sp1) return false;
        c.request.method = line.substr(0, sp1);
        c.request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
        while (lineEnd < end) {
            const std::size_t next = c.in.find("\r\n", lineEnd + 2);
            const std::string header = c.in.substr(lineEnd + 2, next - lineEnd - 2);
            const std::size_t colon = header.find(':');
            if (colon != std::string::npos)
                c.request.headers[Lower(Trimmed(header.substr(0, colon)))] = Trimmed(header.substr(colon + 1));
            lineEnd = next;
        }
        c.headDone = true;
        c.bodyStart = end + 4;
        if (auto it = c.request.headers.find("content-length"); it != c.request.headers.end()) {
            try {
                c.length = std::stoul(it->second);
            } catch (const std::exception&) {
                return false;
            }
        }
        if (c.length > kMaxBody) return false;
        if (auto it = c.request.headers.find("transfer-encoding"); it != c.request.headers.end())
            c.chunked = Lower(it->second).find("chunked") != std::string::npos;
        {
            std::lock_guard lock(mutex);
            c.fault = fault;
            c.mopStatus = mopStatus;
            c.replyAt = Clock::now() + std::chrono::milliseconds(slowMs);
        }
        const auto expect = c.request.headers.find("expect");
        if (expect != c.request.headers.end() && Lower(expect->second) == "100-continue" &&
            (c.chunked || c.in.size() - c.bodyStart < c.length))
            SendAll(c.fd, "HTTP/1.1 100 Continue\r\n\r\n");
        return true;
    }

    // The whole request is in: decide the answer (Timeout and Slow keep it for later).
    void Answer(Connection& c) {
        ReceivedRequest& r = c.request;
        r.body = c.in.substr(c.bodyStart, c.length);
        r.invalid = Invalid(kind, r.body);
        const bool mop = kind == Kind::Mop;
        bool authorised = true;
        {
            std::lock_guard lock(mutex);
            for (const auto& [name, value] : expected) {
                const auto it = r.headers.find(Lower(name));
                if (it == r.headers.end() || it->second != value) authorised = false;
            }
        }
        if (c.fault == Fault::Status500) {
            c.reply = Response(500, "Internal Server Error", "text/plain", "failed on purpose\n");
        } else if (!authorised) {
            c.reply = mop ? MopReply("BADPWD") : Response(401, "Unauthorized", "text/plain", "wrong credentials\n");
        } else if (!r.invalid.empty()) {
            c.reply = mop ? MopReply("ERROR") : Response(400, "Bad Request", "text/plain", r.invalid + "\n");
        } else if (mop && c.fault == Fault::MopStatus) {
            c.reply = MopReply(c.mopStatus);
            r.accepted = c.mopStatus == "OK";
        } else {
            c.reply = mop ? MopReply("OK") : Response(200, "OK", "text/plain", "received\n");
            r.accepted = c.fault != Fault::Timeout;
        }
        if (c.fault == Fault::Timeout) {
            r.accepted = false;
            c.phase = Connection::Phase::Holding;
            Record(r);
        } else if (c.fault == Fault::Slow) {
            c.phase = Connection::Phase::Waiting;
        } else {
            Send(c);
        }
    }

    // Recorded first: a sender holding the answer finds its request among Requests().
    void Send(Connection& c) {
        Record(c.request);
        SendAll(c.fd, c.reply);
        ::shutdown(c.fd, SHUT_WR);
        ::close(c.fd);
        c.fd = -1;
    }

    void Read(Connection& c) {
        char buffer[16384];
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            // The sender gave up: a request held or kept waiting was never answered.
            if (c.phase == Connection::Phase::Waiting) {
                c.request.accepted = false;
                Record(c.request);
            }
            ::close(c.fd);
            c.fd = -1;
            return;
        }
        if (c.phase != Connection::Phase::Reading) return; // nothing more is expected
        c.in.append(buffer, static_cast<std::size_t>(n));
        if (!c.headDone) {
            if (!ParseHead(c)) return Reset(c);
            if (!c.headDone) return;
        }
        const std::size_t have = c.in.size() - c.bodyStart;
        if (c.fault == Fault::ResetMidBody) {
            if (have == 0 && c.length > 0) return;
            c.request.body = c.in.substr(c.bodyStart, std::min(have, c.length / 2));
            Record(c.request);
            Reset(c);
            return;
        }
        if (c.chunked) {
            std::optional<std::string> body = Dechunked(std::string_view(c.in).substr(c.bodyStart));
            if (!body) return;
            c.in.resize(c.bodyStart);
            c.in += *body;
            c.length = body->size();
            return Answer(c);
        }
        if (have >= c.length) Answer(c);
    }

    void Run() {
        while (!stop) {
            ApplyFault();
            std::vector<pollfd> fds{{wake[0], POLLIN, 0}};
            if (listenFd >= 0) fds.push_back({listenFd, POLLIN, 0});
            const std::size_t first = fds.size();
            int timeout = kTickMs;
            const auto now = Clock::now();
            for (const Connection& c : connections) {
                fds.push_back({c.fd, POLLIN, 0});
                if (c.phase == Connection::Phase::Waiting) {
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(c.replyAt - now).count();
                    timeout = std::clamp(static_cast<int>(left), 0, timeout);
                }
            }
            if (::poll(fds.data(), fds.size(), timeout) < 0) continue;
            if (fds[0].revents) {
                char drain[64];
                [[maybe_unused]] const ssize_t n = ::read(wake[0], drain, sizeof drain);
            }
            for (std::size_t i = first; i < fds.size(); ++i) {
                Connection& c = connections[i - first];
                if (fds[i].revents) Read(c);
                if (c.fd >= 0 && c.phase == Connection::Phase::Waiting && Clock::now() >= c.replyAt) Send(c);
            }
            std::erase_if(connections, [](const Connection& c) { return c.fd < 0; });
            if (first == 2 && fds[1].revents & POLLIN) Accept();
        }
    }
};

Receiver::Receiver(Kind kind) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.kind = kind;
    Schema(kind);
    if (::pipe2(s.wake, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("the receiver has no pipe");
    s.listenFd = Listen(0);
    if (s.listenFd < 0) throw std::runtime_error("the receiver cannot listen on loopback");
    sockaddr_in addr{};
    socklen_t size = sizeof addr;
    ::getsockname(s.listenFd, reinterpret_cast<sockaddr*>(&addr), &size);
    s.port = ntohs(addr.sin_port);
    s.thread = std::thread([&s] { s.Run(); });
}

Receiver::~Receiver() {
    State& s = *state_;
    s.stop = true;
    s.Wake();
    s.thread.join();
    for (const auto& c : s.connections) ::close(c.fd);
    if (s.listenFd >= 0) ::close(s.listenFd);
    ::close(s.wake[0]);
    ::close(s.wake[1]);
}

int Receiver::Port() const { return state_->port; }

std::string Receiver::Url() const { return "http://127.0.0.1:" + std::to_string(Port()) + "/results"; }

void Receiver::Expect(std::map<std::string, std::string> headers) {
    std::lock_guard lock(state_->mutex);
    state_->expected = std::move(headers);
}

void Receiver::SetFault(Fault f, std::string mopStatus, int slowMs) {
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    s.fault = f;
    s.mopStatus = std::move(mopStatus);
    s.slowMs = slowMs;
    const unsigned seq = ++s.faultSeq;
    s.Wake();
    // The listening socket is closed or open again before the test goes on.
    s.applied.wait_for(lock, std::chrono::seconds(5), [&] { return s.appliedSeq >= seq; });
}

std::vector<ReceivedRequest> Receiver::Requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

std::vector<std::string> Receiver::AcceptedBodies() const {
    std::vector<std::string> bodies;
    for (const auto& r : Requests())
        if (r.accepted) bodies.push_back(r.body);
    return bodies;
}

bool Receiver::WaitFor(const std::function<bool()>& done, int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
    }
    return true;
}

} // namespace quilo::test
