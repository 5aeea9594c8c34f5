// The live station while it publishes to targets that keep failing, on the offscreen
// platform. Opens the real window on a copy of the demo event and appends card reads to
// its finish log at a steady pace (the log's own reads in turn, each with a finish time
// of its own, so every read changes the results), timing each read as
// serve_window_bench does: the live station's read of the appended line, the status
// refresh and the lists filled, then the window's pending events. Run three times:
// without publishing, with the uploader set up as quilo sets it up, sending to an
// IOF XML receiver, a MOP receiver and, when nginx is there, a WebDAV host, all on
// loopback, each failing about 30 % of the seconds (a seeded choice of HTTP 500, refused
// connections and no answer; the web host can only be gone). The receivers and nginx
// run at nice 19, as if on other machines; the uploader's timeouts are 2 s. Then
// without publishing again.
//
// Prints the medians and p95 of the runs and, the Marks way, whether the median with
// publishing stayed within 10 % of the mean of the two without, whether each target's
// outbox folder (sampled every 50 ms) ever held more than one waiting state or one
// temporary file, and whether every target was up to date within 60 s once the faults
// stopped. Exit status 1 when a mark was missed or a receiver got a body its schema
// refuses.
//
//   quilo_publish_bench [--reads=N] [--pace-ms=MS] [--seed=S] [--event=FOLDER]
//     (defaults: 2,000 reads, one every 100 ms, examples/demo-event)
#include "BenchEvent.h"
#include "Receiver.h"
#ifdef QUILO_BENCH_NGINX
#include "NginxDav.h"
#endif

#include "app/Publishing.h"
#include "core/Cp932.h"
#include "core/Files.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "station/Station.h"
#include "upload/Uploader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <dirent.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace quilo;
namespace fs = std::filesystem;

namespace {

constexpr double kFailingShare = 0.3;
constexpr int kOutboxSampleMs = 50;
constexpr int kUpToDateLimitS = 60;

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

// Sleeps between the reads as the window does (processEvents with a time spins, and a
// spinning station thread would take a core from the uploader's threads).
void ProcessEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The log's card reads (UTF-8), those with a finish.
std::vector<std::string> CardReads(const std::string& log) {
    std::vector<std::string> reads;
    if (Result<std::vector<std::string>> lines = ReadTextLines(log))
        for (std::string& l : *lines)
            if (l.rfind(",100,") != std::string::npos) reads.push_back(std::move(l));
    return reads;
}

// The i-th read to append: the log's reads in turn, the finish a second later each round.
std::string NthRead(const std::vector<std::string>& reads, int i) {
    const std::string& line = reads[static_cast<std::size_t>(i) % reads.size()];
    const std::size_t at = line.rfind(",100,") + 5;
    int h = 0, m = 0, s = 0;
    if (std::sscanf(line.c_str() + at, "%d:%d:%d", &h, &m, &s) != 3) return line;
    const int t = h * 3600 + m * 60 + s + 1 + i / static_cast<int>(reads.size());
    char time[16];
    std::snprintf(time, sizeof time, "%d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
    return line.substr(0, at) + time;
}

// A fresh copy of the event: its data files, and of its settings only the event's name
// and day (no live reading, no files written, no server: the bench drives the reads).
void CopyEvent(const fs::path& from, const fs::path& to, const std::string& moreSettings) {
    fs::remove_all(to);
    fs::create_directories(to);
    for (const char* f : {"Control.dat", "Startlst.dat", "Regnly.log", "Change.dat"})
        if (fs::exists(from / f)) fs::copy_file(from / f, to / f);
    std::string ini;
    if (Result<std::string> bytes = ReadFileBytes((from / "Quilo.ini").string())) {
        std::size_t start = 0;
        while (start < bytes->size()) {
            std::size_t end = bytes->find('\n', start);
            if (end == std::string::npos) end = bytes->size() - 1;
            const std::string line = bytes->substr(start, end + 1 - start);
            if (line.rfind("EventName=", 0) == 0 || line.rfind("EventDate=", 0) == 0) ini += line;
            start = end + 1;
        }
    }
    std::ofstream((to / "Quilo.ini").string(), std::ios::binary) << ini << moreSettings;
}

// The targets' side: the receivers (and nginx) made on a thread at nice 19, so they and
// every thread they start weigh on the station as little as machines of their own
// would; the same thread runs the faults, one seeded choice per target each second.
class FarSide {
public:
    explicit FarSide(unsigned seed) : thread_([this, seed] { Run(seed); }) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return ready_; });
    }

    ~FarSide() { Finish(); }

    // Stops the receivers (and nginx) and counts what they got.
    void Finish() {
        {
            std::lock_guard lock(mutex_);
            phase_ = Phase::Ending;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    std::string settings; // the targets, as Quilo.ini lines
    std::vector<std::string> folders;

    // Every target answers from now on.
    void FaultsOff() {
        std::unique_lock lock(mutex_);
        phase_ = Phase::Calm;
        changed_.notify_all();
        changed_.wait(lock, [this] { return calm_; });
    }

    void Print() const {
        std::lock_guard lock(mutex_);
        for (const std::string& line : summary_) std::printf("%s\n", line.c_str());
    }
    int Invalid() const {
        std::lock_guard lock(mutex_);
        return invalid_;
    }

private:
    enum class Phase { Faulty, Calm, Ending };

    void Run(unsigned seed) {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
        test::Receiver iof(test::Receiver::Kind::Iof), mop(test::Receiver::Kind::Mop);
        mop.Expect({{"competition", "1"}, {"pwd", "bench"}});
        std::string lines =
            "IofUploadUrl=" + iof.Url() + "\r\nMopUrl=" + mop.Url() + "\r\nMopCompetition=1\r\nMopPassword=bench\r\n";
        std::vector<std::string> names = {"iof", "mop"};
#ifdef QUILO_BENCH_NGINX
        test::NginxDav dav;
        if (dav.Running()) {
            lines += "UploadUrl=" + dav.Url() + "\r\n";
            names.insert(names.begin(), "web");
        } else {
            std::printf("no web host: %s\n", dav.Why().c_str());
        }
#endif
        {
            std::lock_guard lock(mutex_);
            settings = lines;
            folders = names;
            ready_ = true;
        }
        changed_.notify_all();

        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> share(0, 1);
        const test::Fault kinds[] = {test::Fault::Status500, test::Fault::Refuse, test::Fault::Timeout};
        int seconds = 0, iofFaulty = 0, mopFaulty = 0, webFaulty = 0;
        const auto pick = [&](int& faulty) {
            if (share(rng) >= kFailingShare) return test::Fault::None;
            ++faulty;
            return kinds[rng() % 3];
        };
        std::unique_lock lock(mutex_);
        while (phase_ == Phase::Faulty) {
            lock.unlock();
            ++seconds;
            iof.SetFault(pick(iofFaulty));
            mop.SetFault(pick(mopFaulty));
#ifdef QUILO_BENCH_NGINX
            if (dav.Port() != 0) {
                if (pick(webFaulty) != test::Fault::None) dav.Stop();
                else dav.Start();
            }
#endif
            lock.lock();
            changed_.wait_for(lock, std::chrono::seconds(1), [this] { return phase_ != Phase::Faulty; });
        }
        lock.unlock();
        iof.SetFault(test::Fault::None);
        mop.SetFault(test::Fault::None);
#ifdef QUILO_BENCH_NGINX
        dav.Start();
#endif
        lock.lock();
        calm_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return phase_ == Phase::Ending; });

        const auto tell = [&](const char* name, const test::Receiver& r, int faulty) {
            int accepted = 0, invalid = 0;
            const auto requests = r.Requests();
            for (const auto& q : requests) {
                accepted += q.accepted;
                invalid += !q.invalid.empty();
            }
            invalid_ += invalid;
            char line[200];
            std::snprintf(line, sizeof line,
                          "  %s receiver: failing %d of %d s; %zu requests, %d accepted, %d refused by the schema", name,
                          faulty, seconds, requests.size(), accepted, invalid);
            summary_.push_back(line);
        };
        tell("IOF XML", iof, iofFaulty);
        tell("MOP", mop, mopFaulty);
#ifdef QUILO_BENCH_NGINX
        if (dav.Port() != 0) {
            int puts = 0, moves = 0;
            for (const auto& a : dav.Access()) {
                puts += a.method == "PUT";
                moves += a.method == "MOVE";
            }
            char line[200];
            std::snprintf(line, sizeof line, "  web host: gone %d of %d s; %d PUT, %d MOVE", webFaulty, seconds, puts, moves);
            summary_.push_back(line);
        }
#endif
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool ready_ = false, calm_ = false;
    Phase phase_ = Phase::Faulty;
    std::vector<std::string> summary_;
    int invalid_ = 0;
    std::thread thread_;
};

// Looks into each target's outbox folder every 50 ms: the waiting state is one file,
// replaced whole, so a look finds at most one `waiting` and at most one temporary file
// (the one being written) beside `accepted`, `lock` and MOP's `clubs` and `unsure`.
class OutboxWatch {
public:
    OutboxWatch(std::string outbox, std::vector<std::string> folders)
        : outbox_(std::move(outbox)), folders_(std::move(folders)), thread_([this] { Run(); }) {}
    ~OutboxWatch() { Stop(); }

    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    struct Look {
        int waiting = 0, temporary = 0;
    };
    // The most of each one look found in one folder; how many looks.
    Look most;
    int looks = 0;

    Look LookNow() const {
        Look worst;
        for (const std::string& f : folders_) {
            Look l;
            if (DIR* d = ::opendir((outbox_ + "/" + f).c_str())) {
                while (const dirent* e = ::readdir(d)) {
                    const std::string name = e->d_name;
                    if (name == "." || name == ".." || name == "accepted" || name == "clubs" || name == "unsure" ||
                        name == "lock")
                        continue;
                    if (name.size() > std::strlen(kTempSuffix) &&
                        name.compare(name.size() - std::strlen(kTempSuffix), std::string::npos, kTempSuffix) == 0)
                        ++l.temporary;
                    else ++l.waiting; // `waiting`, or any other file that would be a second one
                }
                ::closedir(d);
            }
            worst.waiting = std::max(worst.waiting, l.waiting);
            worst.temporary = std::max(worst.temporary, l.temporary);
        }
        return worst;
    }

private:
    void Run() {
        while (!stop_) {
            const Look l = LookNow();
            most.waiting = std::max(most.waiting, l.waiting);
            most.temporary = std::max(most.temporary, l.temporary);
            ++looks;
            std::this_thread::sleep_for(std::chrono::milliseconds(kOutboxSampleMs));
        }
    }

    std::string outbox_;
    std::vector<std::string> folders_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The station thread's CPU time: the same per read in both runs when what publishing
// adds to the wall time is only the other threads taking the cores.
double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The process's CPU time (every thread: the station, the uploader, the far side).
double ProcessCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The machine's load, as other work on it skews a run.
std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    double one = 0;
    in >> one;
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", one);
    return text;
}

struct Figures {
    std::vector<double> ms, cpuMs;
    int appendedOnly = 0;
    double wallSeconds = 0, processCpuSeconds = 0;
    std::string loadBefore, loadAfter;
    double median() const { return Percentile(ms, 0.5); }
    double p95() const { return Percentile(ms, 0.95); }
};

// Appends the reads one by one at the pace and times each one's way to the window.
Figures Drive(Station& station, const std::vector<std::string>& reads, int count, int paceMs) {
    const std::string log = station.PathOf("Regnly.log");
    Figures f;
    f.loadBefore = LoadAverage();
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        const qint64 due = static_cast<qint64>(paceMs) * i;
        if (clock.elapsed() < due) ProcessEventsFor(static_cast<int>(due - clock.elapsed()));
        {
            std::ofstream out(log, std::ios::binary | std::ios::app);
            out << Utf8ToCp932(NthRead(reads, i)) << "\r\n";
        }
        const std::uintmax_t size = fs::file_size(log);
        QElapsedTimer refresh;
        refresh.start();
        const double cpu = ThreadCpuMs();
        station.AutoReadFinishLog(size);
        QApplication::processEvents();
        f.ms.push_back(static_cast<double>(refresh.nsecsElapsed()) / 1e6);
        f.cpuMs.push_back(ThreadCpuMs() - cpu);
        if (station.LastReadAppended()) ++f.appendedOnly;
    }
    f.wallSeconds = static_cast<double>(clock.elapsed()) / 1e3;
    f.processCpuSeconds = ProcessCpuSeconds() - cpuBefore;
    f.loadAfter = LoadAverage();
    return f;
}

// The window as quilo opens it, without questions (nobody answers them here).
void Open(MainWindow& window) {
    window.spareOpener = nullptr;
    window.importOpener = nullptr;
    window.critical = [](QWidget*, const QString&, const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    window.Load();
    window.show();
    ProcessEventsFor(200);
}

void PrintRun(const char* name, const Figures& f, int count) {
    std::printf(
        "%s: %d reads in %.1f s, read to window median %.2f ms, p95 %.2f ms, max %.2f ms; %d read the appended line only\n"
        "  station thread CPU per read median %.2f ms, p95 %.2f ms; the process's CPU %.1f s; load %s before, %s after\n",
        name, count, f.wallSeconds, f.median(), f.p95(), *std::max_element(f.ms.begin(), f.ms.end()), f.appendedOnly,
        Percentile(f.cpuMs, 0.5), Percentile(f.cpuMs, 0.95), f.processCpuSeconds, f.loadBefore.c_str(), f.loadAfter.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    int count = 2000, paceMs = 100;
    unsigned seed = 20261208;
    std::string event = std::string(QUILO_SOURCE_DIR) + "/examples/demo-event";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--reads=", 8) == 0) count = std::max(1, std::atoi(argv[i] + 8));
        else if (std::strncmp(argv[i], "--pace-ms=", 10) == 0) paceMs = std::max(1, std::atoi(argv[i] + 10));
        else if (std::strncmp(argv[i], "--seed=", 7) == 0)
            seed = static_cast<unsigned>(std::strtoul(argv[i] + 7, nullptr, 10));
        else if (std::strncmp(argv[i], "--event=", 8) == 0) event = argv[i] + 8;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    InstallFontSubstitutions();

    const fs::path scratch = fs::temp_directory_path() / ("quilo-publish-bench-" + std::to_string(::getpid()));
    const std::vector<std::string> reads = CardReads(event + "/Regnly.log");
    if (reads.empty()) {
        std::fprintf(stderr, "%s/Regnly.log has no card read with a finish\n", event.c_str());
        return 2;
    }
    std::printf("%d reads, one every %d ms, on %s; seed %u\n", count, paceMs, event.c_str(), seed);
    std::fflush(stdout);

    // Without publishing: once before the run with it and once after, as a shared machine's
    // speed drifts over a long run; the mark holds the mean of the two.
    const auto plainRun = [&](const char* folder, Figures& f) {
        CopyEvent(event, scratch / folder, "");
        Station station((scratch / folder).string());
        MainWindow window(station);
        Open(window);
        if (station.StartupError()) return false;
        f = Drive(station, reads, count, paceMs);
        return true;
    };
    Figures plain, plainAfter;
    if (!plainRun("plain", plain)) return 2;
    PrintRun("without publishing", plain, count);

    // With the uploader, as quilo wires it, to targets that fail 30 % of the time.
    Figures publishing;
    OutboxWatch::Look most, left;
    int looks = 0, warnings = 0, recoveries = 0;
    double upToDateSeconds = -1;
    std::vector<Uploader::TargetStatus> behind;
    auto far = std::make_unique<FarSide>(seed);
    {
        CopyEvent(event, scratch / "publishing", far->settings);
        Station station((scratch / "publishing").string());
        MainWindow window(station);
        Open(window);
        if (station.StartupError()) return 2;
        UploaderOptions options = PublishingOptions(station.Settings(), station.PathOf("Outbox"));
        options.yieldToStation = true;
        options.timeouts = {.connectSeconds = 2, .totalSeconds = 2};
        Uploader uploader(std::move(options));
        Subscription uploading = station.Subscribe([&uploader](const auto& snapshot) { uploader.Publish(snapshot); });
        uploader.Publish(station.Snapshot());
        QTimer notes;
        QObject::connect(&notes, &QTimer::timeout, &window, [&] { uploader.ReportTo(station.OperationHistory()); });
        notes.start(500);
        OutboxWatch watch(station.PathOf("Outbox"), far->folders);

        publishing = Drive(station, reads, count, paceMs);

        far->FaultsOff();
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < (kUpToDateLimitS + 30) * 1000) {
            const auto all = uploader.Status();
            if (std::all_of(all.begin(), all.end(), [](const auto& s) { return s.upToDate; })) {
                upToDateSeconds = static_cast<double>(settle.elapsed()) / 1e3;
                break;
            }
            ProcessEventsFor(50);
        }
        for (const auto& s : uploader.Status())
            if (!s.upToDate) behind.push_back(s);
        ProcessEventsFor(600); // the last notes reach the history
        watch.Stop();
        most = watch.most;
        looks = watch.looks;
        left = watch.LookNow();
        for (const HistoryLine& l : station.OperationHistory().Lines()) {
            warnings += l.text == History::kWarning;
            recoveries += l.text.find(" (送信)") != std::string::npos;
        }
    }
    PrintRun("with publishing", publishing, count);
    far->Finish();
    if (!plainRun("plain-after", plainAfter)) return 2;
    PrintRun("without publishing, again", plainAfter, count);
    far->Print();
    std::printf("  history: %d warnings, %d recoveries\n", warnings, recoveries);
    for (const auto& s : behind) std::printf("  still behind: %s (%s)\n", s.name.c_str(), s.reason.c_str());
    const int invalid = far->Invalid();
    fs::remove_all(scratch);

    bool met = true;
    char figure[200];
    const double without = (plain.median() + plainAfter.median()) / 2;
    const double ratio = 100.0 * publishing.median() / without;
    std::snprintf(figure, sizeof figure, "%.1f %% (median %.2f ms with, %.2f ms without: %.2f before, %.2f after)", ratio,
                  publishing.median(), without, plain.median(), plainAfter.median());
    met &= bench::PrintMark({"", "publishing, read to window median against without", 110, "%"}, figure, ratio);
    std::snprintf(figure, sizeof figure, "at most %d in one folder over %d looks", most.waiting, looks);
    met &= bench::PrintMark({"", "publishing, outbox waiting states per target", 1, "files"}, figure, most.waiting);
    std::snprintf(figure, sizeof figure, "at most %d in one folder over %d looks", most.temporary, looks);
    met &= bench::PrintMark({"", "publishing, outbox temporary files per target", 1, "files"}, figure, most.temporary);
    std::snprintf(figure, sizeof figure, "%d waiting, %d temporary", left.waiting, left.temporary);
    met &= bench::PrintMark({"", "publishing, outbox files left once up to date", 0, "files"}, figure,
                            left.waiting + left.temporary);
    const double upTo = upToDateSeconds < 0 ? kUpToDateLimitS + 30 : upToDateSeconds;
    if (upToDateSeconds < 0) std::snprintf(figure, sizeof figure, "not within %d s", kUpToDateLimitS + 30);
    else std::snprintf(figure, sizeof figure, "%.1f s", upToDateSeconds);
    met &= bench::PrintMark({"", "publishing, every target up to date after the faults stop", kUpToDateLimitS, "s"}, figure,
                            upTo);
    if (invalid > 0) std::printf("publishing: %d bodies refused by their schema\n", invalid);
    return met && invalid == 0 ? 0 : 1;
}
