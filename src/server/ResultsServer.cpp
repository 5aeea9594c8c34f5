#include "server/ResultsServer.h"

#include "core/Fields.h"
#include "serve/Http.h"
#include "serve/Site.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <ifaddrs.h>
#include <microhttpd.h>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace quilo {

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kDefaultConnections = 2000;
// Our own limits, well inside MHD's per-connection memory so that we, not MHD, answer.
constexpr std::size_t kMaxTarget = 8 * 1024;
constexpr std::size_t kMaxHeaders = 16 * 1024;
constexpr std::size_t kMaxBody = 64 * 1024;
constexpr std::size_t kConnectionMemory = 32 * 1024;
constexpr unsigned kWorkers = 2;
constexpr int kLowerNice = 10;
constexpr auto kSweepEvery = std::chrono::milliseconds(200);
constexpr auto kStreamsEnd = std::chrono::milliseconds(500);

std::string PortText(std::string_view text) { return TrimBlanks(text); }

} // namespace

ServerOptions ServerOptionsFrom(const IniFile& settings) {
    ServerOptions o;
    const std::string port = PortText(settings.Item("ServerPort"));
    const bool negative = !port.empty() && port[0] == '-';
    const std::string_view digits = std::string_view(port).substr(negative ? 1 : 0);
    long long value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || end != digits.data() + digits.size()) {
        o.port = 0; // blank or not a whole number: no server
    } else {
        if (ec == std::errc::result_out_of_range) value = INT_MAX;
        value = std::min<long long>(value, INT_MAX);
        o.port = static_cast<int>(negative ? -value : value);
    }
    o.address = TrimBlanks(settings.Item("ServerAddress"));
    const std::string cap = TrimBlanks(settings.Item("ServerConnections"));
    int connections = 0;
    const auto [capEnd, capEc] = std::from_chars(cap.data(), cap.data() + cap.size(), connections);
    o.maxConnections =
        (capEc == std::errc() && capEnd == cap.data() + cap.size() && connections > 0) ? connections : kDefaultConnections;
    return o;
}

// One socket from accept to close; its request deadline is what the sweeper checks.
struct Connection {
    MHD_Connection* mhd = nullptr;
    int fd = -1;
    Steady::time_point deadline; // the request's line and headers must be in by then
    bool awaiting = true;        // no request under way: the deadline applies
    bool headed = false;         // the access handler has seen this request's headers
    std::size_t bodyBytes = 0;   // of the request's body, skipped
    std::string target;          // the raw request target (path and query as sent)
};

// One open `/events` response.
struct Stream {
    ResultsServer::Impl* impl = nullptr;
    MHD_Connection* mhd = nullptr;
    std::optional<std::uint64_t> lastSent;
    std::uint64_t tick = 0; // the keep-alive tick last answered
    std::string pending;
    std::size_t offset = 0;
    bool suspended = false;
};

// A nice value for this thread alone (Linux gives each thread its own), below the
// station's thread.
bool LowerThisThread() { return setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kLowerNice) == 0; }

// A body the response points into, kept alive until MHD frees the response.
struct BodyHold {
    std::string text;
    std::shared_ptr<const Site> site;
};

struct ResultsServer::Impl {
    ServerOptions options;
    MHD_Daemon* daemon = nullptr;
    int port = 0;
    std::chrono::milliseconds keepAlive{kKeepAliveSeconds * 1000};

    // The site every request is answered from.
    mutable std::mutex siteMutex;
    std::shared_ptr<const Site> site;
    std::atomic<std::uint64_t> version{0};

    // The builder's work: the newest snapshot not yet built, and the stop signal.
    std::mutex workMutex;
    std::condition_variable work;
    std::shared_ptr<const ResultsSnapshot> waiting;
    bool quit = false;
    std::thread thread;

    // Streams, and whether they may still be suspended (false once stopping).
    std::mutex streamMutex;
    std::unordered_set<Stream*> streams;
    std::condition_variable streamsEnded;
    std::uint64_t tick = 0;
    bool stopping = false;
    // The versions built lately, oldest first: a stream woken late still tells each one
    // (a page that missed one would not know its competitors changed twice).
    std::deque<std::uint64_t> recent;
    static constexpr std::size_t kRecent = 64;

    // Open connections, those awaiting a request under the sweeper's watch.
    std::mutex connectionMutex;
    std::unordered_set<Connection*> awaiting;
    std::atomic<int> open{0};

    void Run();
    void WakeStreams(bool keepAliveTick);
    void Sweep();
    void Arm(Connection& c, int seconds) {
        c.deadline = Steady::now() + std::chrono::seconds(seconds);
        c.awaiting = true;
        awaiting.insert(&c);
    }
};

namespace {

std::string_view Header(MHD_Connection* c, const char* name) {
    const char* v = MHD_lookup_connection_value(c, MHD_HEADER_KIND, name);
    return v ? std::string_view(v) : std::string_view();
}

MHD_Result AddSize(void* cls, MHD_ValueKind, const char* key, const char* value) {
    *static_cast<std::size_t*>(cls) += std::strlen(key) + std::strlen(value) + 4; // "k: v\r\n"
    return MHD_YES;
}

bool HasHeader(const ServeResponse& r, std::string_view name) {
    return std::any_of(r.headers.begin(), r.headers.end(), [&](const auto& h) { return AsciiLower(h.first) == name; });
}

void FreeBody(void* cls) { delete static_cast<BodyHold*>(cls); }

MHD_Result Send(MHD_Connection* c, ServeResponse r, bool close) {
    auto* hold = new BodyHold{std::move(r.text), std::move(r.site)};
    const std::string_view body = hold->text.empty() ? r.view : std::string_view(hold->text);
    MHD_Response* resp =
        MHD_create_response_from_buffer_with_free_callback_cls(body.size(), const_cast<char*>(body.data()), &FreeBody, hold);
    for (const auto& [name, value] : r.headers) MHD_add_response_header(resp, name.c_str(), value.c_str());
    if (close && !HasHeader(r, "connection")) MHD_add_response_header(resp, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued = MHD_queue_response(c, static_cast<unsigned>(r.status), resp);
    MHD_destroy_response(resp);
    return queued;
}

ssize_t ReadStream(void* cls, std::uint64_t, char* buf, std::size_t max) {
    auto* s = static_cast<Stream*>(cls);
    ResultsServer::Impl& impl = *s->impl;
    std::lock_guard lock(impl.streamMutex);
    if (impl.stopping) return MHD_CONTENT_READER_END_OF_STREAM;
    if (s->offset == s->pending.size()) {
        s->pending.clear();
        s->offset = 0;
        const std::uint64_t v = impl.version.load();
        if (v != s->lastSent) {
            // Every version since the one last sent, when the stream has one and it is
            // still among the recent ones; else only the newest.
            const auto& recent = impl.recent;
            const bool known = s->lastSent && *s->lastSent < v && !recent.empty() && recent.front() <= *s->lastSent;
            if (known) {
                for (const std::uint64_t r : recent)
                    if (r > *s->lastSent && r < v) s->pending += EventFrame(r);
            }
            s->pending += EventFrame(v);
            s->lastSent = v;
            s->tick = impl.tick;
        } else if (s->tick != impl.tick) {
            s->pending = KeepAliveFrame();
            s->tick = impl.tick;
        } else {
            // Nothing to say: off MHD's loop until a new site or the next keep-alive.
            s->suspended = true;
            MHD_suspend_connection(s->mhd);
            return 0;
        }
    }
    const std::size_t n = std::min(max, s->pending.size() - s->offset);
    std::memcpy(buf, s->pending.data() + s->offset, n);
    s->offset += n;
    return static_cast<ssize_t>(n);
}

void EndStream(void* cls) {
    auto* s = static_cast<Stream*>(cls);
    {
        std::lock_guard lock(s->impl->streamMutex);
        s->impl->streams.erase(s);
    }
    s->impl->streamsEnded.notify_all();
    delete s;
}

MHD_Result OpenStream(ResultsServer::Impl& impl, MHD_Connection* c, ServeResponse r) {
    auto* s = new Stream;
    s->impl = &impl;
    s->mhd = c;
    s->lastSent = r.resumeAfter;
    {
        std::lock_guard lock(impl.streamMutex);
        s->tick = impl.tick;
        impl.streams.insert(s);
    }
    MHD_Response* resp = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 1024, &ReadStream, s, &EndStream);
    for (const auto& [name, value] : r.headers) MHD_add_response_header(resp, name.c_str(), value.c_str());
    const MHD_Result queued = MHD_queue_response(c, static_cast<unsigned>(r.status), resp);
    MHD_destroy_response(resp);
    return queued;
}

MHD_Result OnRequest(void* cls, MHD_Connection* c, const char*, const char* method, const char*, const char*,
                     std::size_t* uploadSize, void** requestContext) {
    auto& impl = *static_cast<ResultsServer::Impl*>(cls);
    auto* conn = static_cast<Connection*>(*requestContext);
    if (!conn->headed) {
        conn->headed = true;
        {
            std::lock_guard lock(impl.connectionMutex);
            conn->awaiting = false;
            impl.awaiting.erase(conn);
        }
        // Refusals go at once; MHD closes a connection answered before its request ended.
        if (impl.open.load() > impl.options.maxConnections) return Send(c, ErrorAnswer(503), true);
        if (conn->target.size() > kMaxTarget) return Send(c, ErrorAnswer(414), true);
        std::size_t headers = 0;
        MHD_get_connection_values(c, MHD_HEADER_KIND, &AddSize, &headers);
        if (headers > kMaxHeaders) return Send(c, ErrorAnswer(431), true);
        // The answer waits for the request's end, so that the connection can be kept.
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        // No page takes a body: a small one is skipped to answer it, a large one ends here.
        conn->bodyBytes += *uploadSize;
        *uploadSize = 0;
        return conn->bodyBytes <= kMaxBody ? MHD_YES : MHD_NO;
    }
    const bool body = conn->bodyBytes != 0;

    ServeRequest request{method, conn->target, Header(c, MHD_HTTP_HEADER_ACCEPT_ENCODING),
                         Header(c, MHD_HTTP_HEADER_IF_NONE_MATCH), Header(c, "Last-Event-ID")};
    std::shared_ptr<const Site> site;
    {
        std::lock_guard lock(impl.siteMutex);
        site = impl.site;
    }
    ServeResponse r = Answer(site, request);
    // HEAD gets the stream's headers only: MHD would end a chunked HEAD answer with a body.
    if (r.eventStream && !r.headOnly && !body) return OpenStream(impl, c, std::move(r));
    return Send(c, std::move(r), body);
}

void* OnUri(void*, const char* uri, MHD_Connection* c) {
    auto* conn = static_cast<Connection*>(MHD_get_connection_info(c, MHD_CONNECTION_INFO_SOCKET_CONTEXT)->socket_context);
    conn->target = uri;
    conn->headed = false;
    conn->bodyBytes = 0;
    return conn;
}

void OnCompleted(void* cls, MHD_Connection*, void** requestContext, MHD_RequestTerminationCode code) {
    auto& impl = *static_cast<ResultsServer::Impl*>(cls);
    auto* conn = static_cast<Connection*>(*requestContext);
    if (code != MHD_REQUEST_TERMINATED_COMPLETED_OK) return;
    // The next request on a kept-alive connection gets its own deadline.
    std::lock_guard lock(impl.connectionMutex);
    impl.Arm(*conn, std::max(impl.options.requestSeconds, impl.options.idleSeconds));
}

void OnConnection(void* cls, MHD_Connection* c, void** socketContext, MHD_ConnectionNotificationCode code) {
    auto& impl = *static_cast<ResultsServer::Impl*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        // MHD's threads are its own: each lowers itself on its first connection.
        if (impl.options.yieldToStation) {
            static thread_local const bool lowered = LowerThisThread();
            (void)lowered;
        }
        auto* conn = new Connection;
        conn->mhd = c;
        conn->fd = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD)->connect_fd;
        *socketContext = conn;
        impl.open.fetch_add(1);
        std::lock_guard lock(impl.connectionMutex);
        impl.Arm(*conn, impl.options.requestSeconds);
        return;
    }
    auto* conn = static_cast<Connection*>(*socketContext);
    {
        std::lock_guard lock(impl.connectionMutex);
        impl.awaiting.erase(conn);
    }
    impl.open.fetch_sub(1);
    delete conn;
}

void RaiseFileLimit(int connections) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = static_cast<rlim_t>(connections) + 256;
    if (limit.rlim_cur >= wanted) return;
    limit.rlim_cur = std::min(wanted, limit.rlim_max); // RLIM_INFINITY is the largest value
    setrlimit(RLIMIT_NOFILE, &limit);
}

std::string BindFailure(int err, const ServerOptions& o) {
    if (err == EADDRINUSE) return "ポート " + std::to_string(o.port) + " は使用中です";
    if (err == EADDRNOTAVAIL) return "アドレス " + o.address + " はこのPCのものではありません";
    return std::strerror(err);
}

} // namespace

void ResultsServer::Impl::WakeStreams(bool keepAliveTick) {
    std::lock_guard lock(streamMutex);
    if (keepAliveTick) {
        ++tick;
    } else if (const std::uint64_t v = version.load(); recent.empty() || recent.back() != v) {
        recent.push_back(v);
        if (recent.size() > kRecent) recent.pop_front();
    }
    for (Stream* s : streams) {
        if (s->suspended) {
            s->suspended = false;
            MHD_resume_connection(s->mhd);
        }
    }
}

void ResultsServer::Impl::Sweep() {
    const auto now = Steady::now();
    std::lock_guard lock(connectionMutex);
    for (auto it = awaiting.begin(); it != awaiting.end();) {
        Connection* c = *it;
        if (c->deadline > now) {
            ++it;
            continue;
        }
        // The fd stays open until MHD's closed notice, which takes this mutex first.
        shutdown(c->fd, SHUT_RDWR);
        it = awaiting.erase(it);
    }
}

void ResultsServer::Impl::Run() {
    if (options.yieldToStation) LowerThisThread();
    auto nextKeepAlive = Steady::now() + keepAlive;
    for (;;) {
        std::shared_ptr<const ResultsSnapshot> snap;
        {
            // Held only to take the work: Publish must never wait for a build.
            std::unique_lock lock(workMutex);
            work.wait_until(lock, std::min(nextKeepAlive, Steady::now() + kSweepEvery),
                            [&] { return quit || waiting != nullptr; });
            if (quit) return;
            snap = std::move(waiting);
            waiting = nullptr;
        }
        if (snap) {
            // Only this thread sets the site, so `site` is read here without the lock.
            auto next = Site::Build(std::move(snap), site);
            {
                std::lock_guard siteLock(siteMutex);
                site = next;
                version.store(next->Version());
            }
            WakeStreams(false);
        }
        if (const auto now = Steady::now(); now >= nextKeepAlive) {
            nextKeepAlive = now + keepAlive;
            WakeStreams(true);
        }
        Sweep();
    }
}

ResultsServer::ResultsServer() : impl_(std::make_unique<Impl>()) {}
ResultsServer::~ResultsServer() { Stop(); }

ResultsServer::Started ResultsServer::Start(const ServerOptions& options) {
    Stop();
    Impl& impl = *impl_;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (!options.address.empty() && inet_pton(AF_INET, options.address.c_str(), &addr.sin_addr) != 1) {
        return {false, "アドレス " + options.address + " が読めません"};
    }
    if (options.port < 0 || options.port > 65535) {
        return {false, "ポート番号 " + std::to_string(options.port) + " は範囲外です"};
    }
    addr.sin_port = htons(static_cast<std::uint16_t>(options.port));
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return {false, std::strerror(errno)};
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 512) != 0) {
        const int err = errno;
        close(fd);
        return {false, BindFailure(err, options)};
    }
    sockaddr_in bound{};
    socklen_t len = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);

    impl.options = options;
    impl.options.maxConnections = std::max(1, options.maxConnections);
    impl.keepAlive = std::chrono::milliseconds(options.keepAliveMs > 0 ? options.keepAliveMs : kKeepAliveSeconds * 1000);
    impl.stopping = false;
    impl.quit = false;
    // A hard stop above the cap, so that those past it still get the 503.
    const int hardLimit = impl.options.maxConnections + impl.options.maxConnections / 4 + 16;
    RaiseFileLimit(hardLimit);
    impl.daemon =
        MHD_start_daemon(MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME, 0, nullptr, nullptr,
                         &OnRequest, &impl, MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_THREAD_POOL_SIZE, kWorkers,
                         MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(hardLimit), MHD_OPTION_CONNECTION_TIMEOUT,
                         static_cast<unsigned>(std::max(1, options.idleSeconds)), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
                         kConnectionMemory, MHD_OPTION_NOTIFY_CONNECTION, &OnConnection, &impl, MHD_OPTION_NOTIFY_COMPLETED,
                         &OnCompleted, &impl, MHD_OPTION_URI_LOG_CALLBACK, &OnUri, &impl, MHD_OPTION_END);
    if (!impl.daemon) return {false, std::strerror(errno)}; // MHD closed the socket
    impl.port = ntohs(bound.sin_port);
    impl.thread = std::thread([&impl] { impl.Run(); });
    return {true, {}};
}

bool ResultsServer::Running() const { return impl_->daemon != nullptr; }

int ResultsServer::Port() const { return impl_->port; }

std::vector<std::string> ResultsServer::Urls() const {
    if (!Running()) return {};
    return UrlsFor(impl_->options.address, impl_->port);
}

std::vector<std::string> ResultsServer::UrlsFor(const std::string& address, int portNumber) {
    std::vector<std::string> urls;
    const std::string port = std::to_string(portNumber);
    if (!address.empty() && address != "0.0.0.0") {
        urls.push_back("http://" + address + ":" + port + "/");
        return urls;
    }
    std::vector<std::string> loopback;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs* a = list; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !(a->ifa_flags & IFF_UP)) continue;
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text);
            std::string url = "http://" + std::string(text) + ":" + port + "/";
            ((a->ifa_flags & IFF_LOOPBACK) ? loopback : urls).push_back(std::move(url));
        }
        freeifaddrs(list);
    }
    urls.insert(urls.end(), loopback.begin(), loopback.end());
    return urls;
}

std::vector<std::string> ResultsServer::StartLines(const ResultsServer& server, const Started& started) {
    std::vector<std::string> lines;
    if (!started.ok) {
        lines.emplace_back("【警告】*******************");
        lines.push_back("　結果サーバーを開始できませんでした（" + started.reason + "）");
        return lines;
    }
    for (const std::string& url : server.Urls()) lines.push_back(" (公開)" + url);
    return lines;
}

void ResultsServer::Publish(std::shared_ptr<const ResultsSnapshot> snapshot) {
    {
        std::lock_guard lock(impl_->workMutex);
        impl_->waiting = std::move(snapshot);
    }
    impl_->work.notify_one();
}

std::uint64_t ResultsServer::Version() const { return impl_->version.load(); }

void ResultsServer::Stop() {
    Impl& impl = *impl_;
    if (!impl.daemon) return;
    {
        std::lock_guard lock(impl.workMutex);
        impl.quit = true;
    }
    impl.work.notify_one();
    impl.thread.join();
    // MHD must not be stopped with a stream suspended: each is resumed and ends.
    {
        std::lock_guard lock(impl.streamMutex);
        impl.stopping = true;
    }
    impl.WakeStreams(false);
    {
        // Their last chunk sent, the streams' responses go; a stuck client is not waited for.
        std::unique_lock lock(impl.streamMutex);
        impl.streamsEnded.wait_for(lock, kStreamsEnd, [&] { return impl.streams.empty(); });
    }
    MHD_stop_daemon(impl.daemon);
    impl.daemon = nullptr;
    impl.port = 0;
}

} // namespace quilo
