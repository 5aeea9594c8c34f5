#include "NginxDav.h"

#include "TestSupport.h"

#include <arpa/inet.h>
#include <crypt.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace quilo::test {
namespace {

using Clock = std::chrono::steady_clock;

std::string FindNginx() {
    std::vector<std::string> dirs;
    if (const char* path = std::getenv("PATH")) {
        std::stringstream in(path);
        for (std::string dir; std::getline(in, dir, ':');) dirs.push_back(dir.empty() ? "." : dir);
    }
    // sbin is often missing from an ordinary user's PATH.
    for (const char* dir : {"/usr/sbin", "/usr/local/sbin", "/sbin", "/usr/local/nginx/sbin"}) dirs.push_back(dir);
    for (const auto& dir : dirs) {
        std::string exe = dir + "/nginx";
        if (::access(exe.c_str(), X_OK) == 0) return exe;
    }
    return {};
}

sockaddr_in Loopback(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    return addr;
}

// A port the OS picks for a loopback bind, free again once returned.
int FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

int Connect(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    timeval tv{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in addr = Loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The part of the error log written since `from`, its last lines only.
std::string LogTail(const std::string& path, std::uintmax_t from) {
    std::string text = ReadBytes(path);
    text = from < text.size() ? text.substr(from) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.size() > 600) text = "..." + text.substr(text.size() - 600);
    return text;
}

std::string PercentDecoded(const std::string& s) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// A request target or Destination (absolute URL or path) to its decoded path.
std::string PathOf(std::string target) {
    if (auto scheme = target.find("://"); scheme != std::string::npos) {
        auto slash = target.find('/', scheme + 3);
        target = slash == std::string::npos ? "/" : target.substr(slash);
    }
    if (auto query = target.find('?'); query != std::string::npos) target.resize(query);
    return PercentDecoded(target);
}

// One JSON-escaped quoted field at `pos` (which is left past it).
std::string QuotedField(const std::string& line, std::size_t& pos) {
    std::string out;
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size() || line[pos] != '"') return out;
    for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
        if (line[pos] != '\\' || pos + 1 >= line.size()) {
            out += line[pos];
            continue;
        }
        char c = line[++pos];
        switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u':
            // nginx writes \u00XX for control characters only.
            if (pos + 4 < line.size()) out += static_cast<char>(std::stoi(line.substr(pos + 1, 4), nullptr, 16));
            pos += 4;
            break;
        default: out += c;
        }
    }
    ++pos;
    return out;
}

} // namespace

NginxDav::NginxDav(std::string user, std::string password, bool move)
    : dir_(std::make_unique<TempDir>()), user_(std::move(user)), password_(std::move(password)), move_(move) {
    exe_ = FindNginx();
    if (exe_.empty()) {
        why_ = "nginx is not installed";
        return;
    }
    if (user_.find_first_of(":\r\n") != std::string::npos || password_.find_first_of("\r\n") != std::string::npos) {
        why_ = "the user name holds a colon or a line break, or the password a line break";
        return;
    }
    std::filesystem::create_directory(Root());
    if (!user_.empty()) {
        // Hashed, not {PLAIN}: nginx ends a password field at a colon, which a password may hold.
        crypt_data data{};
        const char* hash = ::crypt_r(password_.c_str(), "$6$quilotest$", &data);
        if (!hash || hash[0] != '$') {
            why_ = "crypt() could not hash the password";
            return;
        }
        WriteBytes(dir_->File("htpasswd"), user_ + ":" + hash + "\n");
    }
    Start();
}

NginxDav::~NginxDav() { Stop(); }

std::string NginxDav::Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/site/"; }

std::string NginxDav::Root() const { return dir_->File("site"); }

void NginxDav::Start() {
    if (Running() || exe_.empty()) return;
    if (port_ != 0) {
        StartOn(port_);
        return;
    }
    // The port may be taken between our probe and nginx's bind: try another one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        int port = FreePort();
        if (port == 0) {
            why_ = "no free loopback port";
            return;
        }
        if (StartOn(port)) {
            port_ = port;
            return;
        }
        if (why_.find("already in use") == std::string::npos) return;
    }
}

void NginxDav::WriteConfig(int port) const {
    const std::string d = dir_->Path();
    std::ostringstream c;
    c << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
      << "pid " << Quoted(d + "/nginx.pid") << ";\n"
      << "events { worker_connections 64; }\n"
      << "http {\n"
      << "  log_format dav escape=json '$status $request_method \"$request_uri\" \"$http_destination\"';\n"
      << "  access_log " << Quoted(d + "/access.log") << " dav;\n";
    for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        c << "  " << temp << "_temp_path " << Quoted(d + "/" + temp) << ";\n";
    c << "  client_max_body_size 0;\n"
      << "  types { text/html html; text/css css; text/javascript js; application/json json; application/xml xml; "
         "text/plain txt; }\n"
      << "  server {\n"
      << "    listen 127.0.0.1:" << port << ";\n"
      << "    location /site/ {\n"
      << "      alias " << Quoted(Root() + "/") << ";\n"
      << "      dav_methods PUT DELETE MKCOL COPY" << (move_ ? " MOVE" : "") << ";\n"
      << "      create_full_put_path off;\n"
      << "      min_delete_depth 0;\n"
      << "      dav_access user:rw;\n";
    if (!user_.empty())
        c << "      auth_basic \"Quilo test\";\n"
          << "      auth_basic_user_file " << Quoted(d + "/htpasswd") << ";\n";
    c << "    }\n"
      // Answered after every earlier request was logged: nginx runs one process, one loop.
      << "    location = /.quilo-sync { access_log off; return 204; }\n"
      << "  }\n"
      << "}\n";
    WriteBytes(dir_->File("nginx.conf"), c.str());
}

bool NginxDav::StartOn(int port) {
    WriteConfig(port);
    const std::string d = dir_->Path();
    const std::string pidFile = d + "/nginx.pid", errorLog = d + "/error.log";
    std::error_code ec;
    std::filesystem::remove(pidFile, ec);
    std::uintmax_t logStart = std::filesystem::exists(errorLog, ec) ? std::filesystem::file_size(errorLog, ec) : 0;

    std::vector<std::string> args = {exe_, "-p", d + "/", "-c", d + "/nginx.conf", "-e", errorLog};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) {
        why_ = "fork failed";
        return false;
    }
    if (pid == 0) {
#ifdef __linux__
        // Gone with the test program, even when it crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }

    // Bound after listen(): a connect alone could reach whoever took the port meanwhile.
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            why_ = "nginx exited (status " + std::to_string(status) + "): " + LogTail(errorLog, logStart);
            return false;
        }
        if (std::filesystem::exists(pidFile, ec)) {
            if (int fd = Connect(port); fd >= 0) {
                ::close(fd);
                pid_ = pid;
                why_.clear();
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    why_ = "nginx did not answer within 5 s: " + LogTail(errorLog, logStart);
    return false;
}

void NginxDav::Stop() {
    if (!Running()) return;
    ::kill(pid_, SIGQUIT);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    bool gone = false;
    while (!gone && Clock::now() < deadline) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) gone = true;
        else std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!gone) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

std::vector<AccessLine> NginxDav::Access() const {
    if (Running()) {
        if (int fd = Connect(port_); fd >= 0) {
            const std::string request = "GET /.quilo-sync HTTP/1.0\r\n\r\n";
            if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
                char buf[512];
                while (::recv(fd, buf, sizeof buf, 0) > 0) {
                }
            }
            ::close(fd);
        }
    }
    std::vector<AccessLine> lines;
    std::istringstream in(ReadBytes(dir_->File("access.log")));
    for (std::string line; std::getline(in, line);) {
        std::istringstream head(line);
        AccessLine a;
        if (!(head >> a.status >> a.method)) continue;
        auto pos = static_cast<std::size_t>(head.tellg());
        a.path = PathOf(QuotedField(line, pos));
        std::string destination = QuotedField(line, pos);
        if (!destination.empty()) a.destination = PathOf(destination);
        lines.push_back(std::move(a));
    }
    return lines;
}

} // namespace quilo::test
