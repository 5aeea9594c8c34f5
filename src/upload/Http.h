#pragma once
// One HTTP exchange through libcurl, on the uploader's thread. The reply's failure text
// is the operator's (Japanese, short) and never holds the URL's user or password.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace quilo {

struct HttpRequest {
    std::string method = "POST"; // POST, PUT, MOVE, MKCOL
    std::string url;
    std::string user, password; // HTTP Basic when user is set
    std::vector<std::string> headers;
    std::string body;
};

struct HttpReply {
    bool answered = false; // a whole HTTP reply came back (any status)
    int status = 0;
    std::string body;
    std::string failure; // why no reply came, when not answered
};

struct HttpTimeouts {
    long connectSeconds = 10;
    long totalSeconds = 30;
};

class HttpClient {
public:
    // `stop` (may be null) ends an exchange in flight as soon as it turns true.
    explicit HttpClient(HttpTimeouts timeouts, const std::atomic<bool>* stop = nullptr);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpReply Send(const HttpRequest& request);

private:
    struct Handle;
    std::unique_ptr<Handle> handle_; // the connection is kept between exchanges
    HttpTimeouts timeouts_;
    const std::atomic<bool>* stop_;
};

// The operator's words for an HTTP status that is not success ("HTTP 500").
std::string StatusText(int status);

} // namespace quilo
