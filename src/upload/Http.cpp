#include "upload/Http.h"

#include <curl/curl.h>

#include <mutex>

namespace quilo {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* sink) {
    auto* body = static_cast<std::string*>(sink);
    // A reply is a short status; a server that streams megabytes is cut off.
    constexpr std::size_t kMaxReply = 1 << 20;
    if (body->size() + size * count > kMaxReply) return 0;
    body->append(data, size * count);
    return size * count;
}

int Progress(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* flag = static_cast<const std::atomic<bool>*>(stop);
    return flag && flag->load() ? 1 : 0;
}

std::string FailureText(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_CONNECT: return "接続できません";
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return "ホスト名が見つかりません";
    case CURLE_OPERATION_TIMEDOUT: return "応答がありません";
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE: return "接続が切れました";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE: return "TLS の接続を確かめられません";
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return "URL が正しくありません";
    case CURLE_ABORTED_BY_CALLBACK: return "中断しました";
    default: return curl_easy_strerror(code);
    }
}

} // namespace

struct HttpClient::Handle {
    CURL* curl = nullptr;
    ~Handle() {
        if (curl) curl_easy_cleanup(curl);
    }
};

HttpClient::HttpClient(HttpTimeouts timeouts, const std::atomic<bool>* stop)
    : handle_(std::make_unique<Handle>()), timeouts_(timeouts), stop_(stop) {
    GlobalInit();
    handle_->curl = curl_easy_init();
}

HttpClient::~HttpClient() = default;

HttpReply HttpClient::Send(const HttpRequest& request) {
    HttpReply reply;
    CURL* c = handle_->curl;
    if (!c) {
        reply.failure = "通信を始められません";
        return reply;
    }
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, timeouts_.connectSeconds);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, timeouts_.totalSeconds);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Quilo");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(stop_));
    if (!request.user.empty()) {
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(c, CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, request.password.c_str());
    }
    if (request.method == "POST" || request.method == "PUT") {
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    if (request.method != "POST") curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, request.method.c_str());

    curl_slist* headers = nullptr;
    // No 100-continue round trip: the bodies are small and some hosts answer it slowly.
    headers = curl_slist_append(headers, "Expect:");
    for (const std::string& h : request.headers) headers = curl_slist_append(headers, h.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);

    const CURLcode code = curl_easy_perform(c);
    curl_slist_free_all(headers);
    if (code != CURLE_OK) {
        reply.failure = FailureText(code);
        reply.body.clear();
        return reply;
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    reply.answered = true;
    reply.status = static_cast<int>(status);
    return reply;
}

std::string StatusText(int status) {
    std::string text = "HTTP " + std::to_string(status);
    if (status == 401 || status == 403) text += "：ユーザー名かパスワードが違います";
    else if (status == 404) text += "：URL が見つかりません";
    else if (status == 507) text += "：容量が足りません";
    return text;
}

} // namespace quilo
