// quilo-serve as a program: its usage, the URL it prints once it listens, a page over
// loopback, a port it cannot take, and SIGTERM ending it cleanly, the folder untouched.
#include "TestSupport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

namespace quilo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The program running with its stdout and stderr on pipes.
class Program {
public:
    explicit Program(std::vector<std::string> args) {
        args.insert(args.begin(), QUILO_SERVE_EXE);
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Program() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
        ::close(err_);
    }
    // The next line of stdout, waiting at most `ms`; empty at the end or on time-out.
    std::string Line(int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (auto lf = outBuf_.find('\n'); lf != std::string::npos) {
                std::string line = outBuf_.substr(0, lf);
                outBuf_.erase(0, lf + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
            char buf[4096];
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0) return {};
            outBuf_.append(buf, static_cast<std::size_t>(n));
        }
    }
    // The exit status once it ended within `ms`, else -1.
    int Exit(int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string Stderr() {
        std::string text;
        char buf[4096];
        for (ssize_t n; (n = ::read(err_, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
        return text;
    }
    void Signal(int sig) { ::kill(pid_, sig); }

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    bool exited_ = false;
    std::string outBuf_;
};

// One GET over loopback, answered within two seconds; the whole answer.
std::string Get(int port, const std::string& path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
            char buf[4096];
            for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) answer.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return answer;
}

std::map<std::string, std::string> FolderBytes(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        files[e.path().filename().string()] = test::ReadBytes(e.path().string());
    return files;
}

class QuiloServeTest : public ::testing::Test {
protected:
    QuiloServeTest() {
        for (const char* f : {"Control.dat", "Startlst.dat", "Change.dat", "Regnly.log", "Quilo.ini"})
            fs::copy_file(fs::path(QUILO_SOURCE_DIR) / "examples/demo-event" / f, fs::path(dir.File(f)));
    }
    TempDir dir;
};

TEST_F(QuiloServeTest, BadUsageAndNoFolderExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--port"},
        {"--port", "x", dir.Path()},
        {"--port", "65536", dir.Path()},
        {"--address"},
        {"--what", dir.Path()},
        {dir.Path(), dir.Path()},
        {dir.File("Control.dat")},
        {dir.File("none")},
    };
    for (const auto& args : cases) {
        Program p(args);
        const std::string err = p.Stderr();
        EXPECT_EQ(p.Exit(), 2) << ::testing::PrintToString(args);
        EXPECT_EQ(err.rfind("quilo-serve: ", 0), 0u) << err;
    }
    for (const char* flag : {"--help", "--version"}) {
        Program p({flag});
        EXPECT_EQ(p.Line().rfind(std::string(flag) == "--help" ? "usage: quilo-serve" : "quilo-serve ", 0), 0u);
        EXPECT_EQ(p.Exit(), 0);
    }
}

TEST_F(QuiloServeTest, APortTakenIsSaidAndExitsOne) {
    const int taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&at), &size), 0);
    Program p({dir.Path(), "--port", std::to_string(ntohs(at.sin_port)), "--address", "127.0.0.1"});
    EXPECT_EQ(p.Line(), "");
    EXPECT_EQ(p.Exit(), 1);
    EXPECT_NE(p.Stderr().find("quilo-serve: "), std::string::npos);
    ::close(taken);
}

TEST_F(QuiloServeTest, ServesOnTheChosenPortFollowsTheLogAndEndsAtSigterm) {
    const auto before = FolderBytes(dir.Path());
    Program p({dir.Path(), "--port", "0", "--address", "127.0.0.1"});
    const std::string url = p.Line();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(url, m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)"))) << url;
    const int port = std::stoi(m[1]);
    EXPECT_GT(port, 0);
    // A 503 until the first snapshot's site is built, a moment after it listens.
    std::string page = Get(port, "/");
    for (int i = 0; i < 40 && page.rfind("HTTP/1.1 503", 0) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        page = Get(port, "/");
    }
    EXPECT_EQ(page.rfind("HTTP/1.1 200", 0), 0u) << page.substr(0, 300);
    const auto t0 = std::chrono::steady_clock::now();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Exit(2000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_EQ(FolderBytes(dir.Path()), before);
}

} // namespace
} // namespace quilo
