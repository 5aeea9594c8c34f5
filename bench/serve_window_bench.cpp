// The window's refresh while its results server is under load, on the offscreen platform.
// Opens the real window on a copy of a benchmark event with lines held back from its
// finish log, starts the results server as quilo does (here on 127.0.0.1, a free port)
// and prints its address; then appends a held-back line every 100 ms and times the
// refresh it causes: the live station's read of the appended lines, the status refresh
// and the lists filled (the station's subscribers, the server's Publish among them),
// then the window's pending events. bench/serve_bench.py runs it once alone and once
// with the events clients and wrk on its address, and compares the two.
//
//   quilo_serve_window_bench [--event=FOLDER] [--hold=N] [--seconds=S] [--wait]
//
// The lines appended: FOLDER/Regnly.held when there is one (serve_bench.py writes it
// beside the log it cut them from), else the log's last N lines (300), cut off the copy.
// --seconds: how long the appends go on, ten a second. --wait: after the address, wait
// for a line on stdin before the appends start, and for another before the server stops
// (the driver starts and stops the load around it).
#include "BenchEvent.h"

#include "core/Files.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "serve/Site.h"
#include "server/ResultsServer.h"
#include "station/Station.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using namespace quilo;

namespace {

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', from)) {
        std::string line = bytes.substr(from, at - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        from = at + 1;
    }
    return lines;
}

// The lines to append: those of Regnly.held beside the event's log when there is one
// (serve_bench.py writes it), else the log's last `hold` lines, cut off the copy.
std::vector<std::string> HeldLines(const std::string& log, int hold) {
    if (const Result<std::string> given = ReadFileBytes(bench::EventFolder() + "/Regnly.held")) return SplitLines(*given);
    const Result<std::string> bytes = ReadFileBytes(log);
    if (!bytes) return {};
    std::vector<std::string> lines = SplitLines(*bytes);
    if (lines.size() <= static_cast<std::size_t>(hold)) return {};
    const std::vector<std::string> held(lines.end() - hold, lines.end());
    lines.resize(lines.size() - static_cast<std::size_t>(hold));
    std::ofstream out(log, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << "\r\n";
    return held;
}

void ProcessEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, static_cast<int>(ms - t.elapsed()));
}

} // namespace

int main(int argc, char** argv) {
    bench::SetUpEvent(argc, argv);
    int hold = 300;
    int seconds = 10;
    bool wait = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--hold=", 7) == 0) hold = std::max(1, std::atoi(argv[i] + 7));
        else if (std::strncmp(argv[i], "--seconds=", 10) == 0) seconds = std::max(1, std::atoi(argv[i] + 10));
        else if (std::strcmp(argv[i], "--wait") == 0) wait = true;
    }
    QApplication app(argc, argv);
    InstallFontSubstitutions();

    const std::string folder = bench::ScratchFolder("serve-window");
    bench::CopyEvent(folder);
    const std::string log = folder + "/Regnly.log";
    const std::vector<std::string> held = HeldLines(log, hold);
    if (held.empty()) {
        std::fprintf(stderr, "no lines to append: no Regnly.held, and the log has no %d lines to hold back\n", hold);
        return 2;
    }

    // No AutoRead: the appends are read here, one by one, on the live station's path.
    Station station(folder);
    MainWindow window(station);
    window.spareOpener = nullptr;
    window.importOpener = nullptr;
    window.critical = [](QWidget*, const QString&, const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    window.Load();
    if (station.StartupError()) return 2;
    window.show();
    ProcessEventsFor(200);

    // As quilo.cpp starts it, on loopback and a free port.
    ResultsServer server;
    const ResultsServer::Started started = server.Start({.address = "127.0.0.1", .port = 0, .yieldToStation = true});
    if (!started.ok) {
        std::fprintf(stderr, "the results server did not start: %s\n", started.reason.c_str());
        return 1;
    }
    Subscription serving = station.Subscribe([&server](const auto& snapshot) { server.Publish(snapshot); });
    server.Publish(station.Snapshot());
    for (const std::string& url : server.Urls()) std::printf("%s\n", url.c_str());
    std::fflush(stdout);

    // One site's build on this machine, for the driver's once-per-snapshot figure.
    {
        const auto t0 = std::chrono::steady_clock::now();
        const auto site = Site::Build(station.Snapshot(), nullptr);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        std::printf("site build: %.2f ms (version %llu)\n", ms, static_cast<unsigned long long>(site->Version()));
        std::fflush(stdout);
    }
    std::string line;
    if (wait) std::getline(std::cin, line);

    const int appends = std::min(static_cast<int>(held.size()), seconds * 10);
    std::vector<double> ms;
    int appendedOnly = 0; // reads that took only the appended lines, as they should
    const std::uint64_t firstSerial = station.Snapshot()->serial;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < appends; ++i) {
        const qint64 due = 100LL * i;
        if (clock.elapsed() < due) ProcessEventsFor(static_cast<int>(due - clock.elapsed()));
        {
            std::ofstream out(log, std::ios::binary | std::ios::app);
            out << held[static_cast<std::size_t>(i)] << "\r\n";
        }
        const std::uintmax_t size = std::filesystem::file_size(log);
        QElapsedTimer refresh;
        refresh.start();
        station.AutoReadFinishLog(size);
        QApplication::processEvents();
        ms.push_back(static_cast<double>(refresh.nsecsElapsed()) / 1e6);
        if (station.LastReadAppended()) ++appendedOnly;
    }
    const double wall = static_cast<double>(clock.elapsed()) / 1e3;
    // The last version reaches the streams before the figures are printed.
    ProcessEventsFor(1500);
    std::printf(
        "window refresh: %d appends in %.1f s, median %.2f ms, p90 %.2f ms, max %.2f ms; "
        "%d reads of the appended lines only, %llu new versions, server at version %llu\n",
        appends, wall, Percentile(ms, 0.5), Percentile(ms, 0.9), *std::max_element(ms.begin(), ms.end()), appendedOnly,
        static_cast<unsigned long long>(station.Snapshot()->serial - firstSerial),
        static_cast<unsigned long long>(server.Version()));
    std::fflush(stdout);
    if (wait) std::getline(std::cin, line);
    serving.Reset();
    server.Stop();
    return 0;
}
