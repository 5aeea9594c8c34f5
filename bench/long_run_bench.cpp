// A long day at a live station: 20,000 card reads appended to the demo event's log at
// the pace the station follows them, each read by itself (the engine's live reading,
// no window), with a correction through the edit dialog's logic after every 50th read.
// Prints, per block of 1,000 reads, the read cost per log line, the station's memory
// apart from its history, and its open file handles: all three must stay flat, and the
// last block is held against the first (exit status 1 when one of them grew).
//
//   quilo_long_run_bench [--reads=N] [--event=FOLDER]   (default: examples/demo-event)
#include "core/Cp932.h"
#include "core/Files.h"
#include "station/EditLogic.h"
#include "station/LiveReader.h"
#include "station/Station.h"

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace quilo;
namespace fs = std::filesystem;

namespace {

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int OpenHandles() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n - 3; // ".", ".." and the handle of the listing itself
}

long HistoryKiB(const History& h) {
    std::size_t bytes = h.Lines().capacity() * sizeof(HistoryLine);
    for (const auto& l : h.Lines()) bytes += l.text.capacity();
    return static_cast<long>(bytes / 1024);
}

} // namespace

int main(int argc, char** argv) {
    int reads = 20000;
    std::string event = std::string(QUILO_SOURCE_DIR) + "/examples/demo-event";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--reads=", 8) == 0) reads = std::atoi(argv[i] + 8);
        if (std::strncmp(argv[i], "--event=", 8) == 0) event = argv[i] + 8;
    }
    const fs::path folder = fs::temp_directory_path() / ("quilo-long-run-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::copy(event, folder);
    fs::remove(folder / "Quilo.ini");

    // Reads as the card reader wrote them: the log's own lines, played again in turn.
    std::vector<std::string> recorded = ReadTextLines((folder / "Regnly.log").string()).Value();
    std::erase_if(recorded, [](const std::string& l) { return l.find('(') == std::string::npos; });

    Station station(folder.string(), [] { return Time::Hms(12, 0, 0); });
    station.SetSparePrompt([](int) { return SpareAnswer::Cancelled; }); // the operator cancels: asked once, then never again
    station.Startup();
    LiveReader live(station);
    std::mt19937 rng(20261207);
    std::int64_t nowMs = 0;
    std::size_t logLines = recorded.size();

    std::printf("%8s %10s %14s %12s %14s %8s\n", "reads", "log lines", "us/read/line", "memory KiB", "history KiB", "handles");
    double blockSeconds = 0;
    std::size_t blockLines = 0;
    struct Block {
        double usPerLine;
        long memoryKiB;
        int handles;
    };
    std::vector<Block> blocks;
    for (int i = 1; i <= reads; ++i) {
        {
            std::ofstream out(folder / "Regnly.log", std::ios::binary | std::ios::app);
            out << Utf8ToCp932(recorded[static_cast<std::size_t>(i) % recorded.size()]) << "\r\n";
        }
        ++logLines;
        const auto start = std::chrono::steady_clock::now();
        const int before = live.Reads();
        for (int tries = 0; live.Reads() == before && tries < 100; ++tries) live.Poll(nowMs += 250);
        blockSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        blockLines += logLines;

        if (i % 50 == 0) {
            // A late start or a release through the edit dialog, as an operator makes them.
            const Event& ev = station.Tables();
            const int c = static_cast<int>(rng() % static_cast<unsigned>(ev.LastClassIndex + 1));
            const int s = 1 + static_cast<int>(rng() % static_cast<unsigned>(std::max(1, ev.ClassEntryCount[c])));
            const auto competitor = ev.Cards.Find(ev.Entry(c, s).EcardText);
            EditLogic edit(station, competitor.value_or(-1));
            if (edit.Load()) {
                if (rng() % 2) {
                    edit.SetLate(true);
                    edit.SetLateMinutes(std::to_string(rng() % 5));
                } else {
                    edit.SetAbsent(false);
                    edit.SetLate(false);
                    edit.SetByHand(false);
                }
                edit.Apply();
            }
            station.RefreshStatus();
        }
        if (i % 1000 == 0) {
            const long history = HistoryKiB(station.OperationHistory());
            blocks.push_back({blockSeconds * 1e6 / static_cast<double>(blockLines), ResidentKiB() - history, OpenHandles()});
            std::printf("%8d %10zu %14.3f %12ld %14ld %8d\n", i, logLines, blocks.back().usPerLine, blocks.back().memoryKiB,
                        history, blocks.back().handles);
            std::fflush(stdout);
            blockSeconds = 0;
            blockLines = 0;
        }
    }
    fs::remove_all(folder);
    if (blocks.size() < 2) return 0;

    // Flat: the cost per line within half again of the first block's (a shared machine
    // wobbles), the memory within 1 MiB of it, the same handles.
    const Block& first = blocks.front();
    const Block& last = blocks.back();
    std::vector<std::string> grew;
    if (last.usPerLine > 1.5 * first.usPerLine) grew.push_back("cost per log line");
    if (last.memoryKiB > first.memoryKiB + 1024) grew.push_back("memory");
    if (last.handles != first.handles) grew.push_back("open handles");
    std::printf("long run: %s (first block %.3f us/line, %ld KiB, %d handles; last %.3f us/line, %ld KiB, %d handles)\n",
                grew.empty() ? "flat" : "GREW", first.usPerLine, first.memoryKiB, first.handles, last.usPerLine,
                last.memoryKiB, last.handles);
    for (const auto& g : grew) std::printf("long run: %s grew\n", g.c_str());
    return grew.empty() ? 0 : 1;
}
