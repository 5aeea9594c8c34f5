// quilo-serve: the results pages of an event folder that the finish PC keeps, served from
// a second PC (or a TV box) that mounts the folder. It follows the folder and never writes
// into it.
#include "Publishing.h"
#include "core/Numbers.h"
#include "core/Version.h"
#include "server/ResultsServer.h"
#include "station/Follower.h"
#include "station/Messages.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: quilo-serve [--port N] [--address A] [--no-publish] [--outbox DIR] FOLDER\n"
    "\n"
    "Serves the results pages of the event FOLDER over HTTP and follows the folder as the\n"
    "finish PC's station changes it (finish log, change file, start list, course file),\n"
    "without ever writing into it. Prints each address it serves on, one a line, once it\n"
    "listens; SIGINT or SIGTERM ends it. Sends the results online as the station's window\n"
    "does when the folder's settings name targets (UploadUrl, IofUploadUrl, MopUrl).\n"
    "\n"
    "  --port N      the port to listen on, 0 for one the system chooses (default: the\n"
    "                folder's ServerPort setting, else 8080)\n"
    "  --address A   the address to listen on (default: the ServerAddress setting, else\n"
    "                every address of the PC)\n"
    "  --no-publish  send nothing online (the finish PC's window publishes)\n"
    "  --outbox DIR  where what waits to be sent is kept (default: a folder of this\n"
    "                user's, ~/.local/state/quilo-serve/, never the event folder)\n"
    "  --help        this text\n"
    "  --version     the program's version\n"
    "\n"
    "Exit status: 0 ended by a signal, 1 cannot listen, 2 bad usage or folder.\n";

constexpr int kDefaultPort = 8080;
constexpr int kLookMs = 250;

int Usage(const std::string& problem) {
    std::cerr << "quilo-serve: " << problem << "\n" << kUsage;
    return 2;
}

// The signals only wake the loop: the pipe's write end is all a handler touches.
int g_wake = -1;
extern "C" void OnSignal(int) {
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(g_wake, &byte, 1);
    errno = saved;
}

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The history lines added since the last call (a reload cuts the history back).
void PrintHistory(const quilo::History& history, std::size_t& printed) {
    const auto& lines = history.Lines();
    if (printed > lines.size()) printed = lines.size();
    for (; printed < lines.size(); ++printed) std::cerr << lines[printed].text << "\n";
    std::cerr.flush();
}

// ~/.local/state/quilo-serve/<the folder's name>-<a hash of its path>/Outbox.
std::string DefaultOutbox(const std::string& folder) {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    std::string base = state && *state ? state : std::string(home && *home ? home : "/tmp") + "/.local/state";
    char hash[24];
    std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(folder));
    return base + "/quilo-serve/" + std::filesystem::path(folder).filename().string() + "-" + hash + "/Outbox";
}

} // namespace

int main(int argc, char** argv) {
    using namespace quilo;
    std::optional<int> port;
    std::optional<std::string> address;
    std::string folder, outbox;
    bool publish = true;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--version") {
            std::cout << "quilo-serve " QUILO_VERSION "\n";
            return 0;
        } else if (a == "--port") {
            if (i + 1 >= args.size()) return Usage("--port needs a number");
            const auto n = ToWholeNumber(args[++i]);
            if (!n || *n < 0 || *n > 65535) return Usage("malformed --port: " + args[i]);
            port = static_cast<int>(*n);
        } else if (a == "--address") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return Usage("--address needs an address");
            address = args[++i];
        } else if (a == "--no-publish") {
            publish = false;
        } else if (a == "--outbox") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return Usage("--outbox needs a folder");
            outbox = std::filesystem::absolute(args[++i]).lexically_normal().string();
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return Usage("unknown option: " + a);
        } else if (folder.empty()) {
            folder = a;
        } else {
            return Usage("more than one folder given");
        }
    }
    if (folder.empty()) return Usage("no event folder given");
    folder = std::filesystem::absolute(folder).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::cerr << "quilo-serve: not a folder: " << folder << "\n";
        return 2;
    }

    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::cerr << "quilo-serve: cannot make a pipe\n";
        return 1;
    }
    g_wake = wake[1];
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    ::sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    Follower follower(folder);
    follower.Start();
    std::size_t printed = 0;
    PrintHistory(follower.Followed().OperationHistory(), printed);
    if (const Error* stopped = follower.Followed().StartupError()) {
        std::cerr << "quilo-serve: " << ReasonText(*stopped) << "\n";
        return 2;
    }

    ServerOptions options = ServerOptionsFrom(follower.Followed().Settings());
    options.port = port ? *port : options.port > 0 ? options.port : kDefaultPort;
    if (address) options.address = *address;
    ResultsServer server;
    if (const ResultsServer::Started started = server.Start(options); !started.ok) {
        std::cerr << "quilo-serve: " << started.reason << "\n";
        return 1;
    }
    for (const std::string& url : server.Urls()) std::cout << url << "\n";
    std::cout.flush();

    // Results online: the folder is the finish PC's, so the outbox is kept elsewhere.
    std::unique_ptr<Uploader> uploader;
    if (UploaderOptions o = PublishingOptions(follower.Followed().Settings(), outbox.empty() ? DefaultOutbox(folder) : outbox);
        publish && !o.targets.empty())
        uploader = std::make_unique<Uploader>(std::move(o));

    Subscription published = follower.Subscribe([&server, &uploader](const auto& snapshot) {
        server.Publish(snapshot);
        if (uploader) uploader->Publish(snapshot);
    });
    server.Publish(follower.Followed().Snapshot());
    if (uploader) uploader->Publish(follower.Followed().Snapshot());
    for (;;) {
        pollfd pfd{wake[0], POLLIN, 0};
        if (::poll(&pfd, 1, kLookMs) > 0) break;
        follower.Poll(NowMs());
        if (uploader) uploader->ReportTo(follower.OperationHistory());
        PrintHistory(follower.Followed().OperationHistory(), printed);
    }
    published.Reset();
    uploader.reset();
    server.Stop();
    return 0;
}
