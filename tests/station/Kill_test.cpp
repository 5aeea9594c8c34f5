// Real kills: quilo-report, the station's correction path and the entry desk
// (quilo_kill_driver) are killed with SIGKILL at random moments, hundreds of times.
// After each kill every output file is the previous one or the new one byte for byte,
// every line of Quilo.ini is a whole line of the old or the new settings, the start list
// is one whole version the desk wrote, a fresh start replays every change record the
// driver reported appended, and leaves no temporary file in the event folder.
// Seeded: QUILO_KILL_SEED repeats a run, QUILO_KILL_ROUNDS sets the rounds per test.
#include "core/Cp932.h"
#include "core/Event.h"
#include "core/Files.h"
#include "finish/ChangeRecord.h"
#include "station/Station.h"

#include "Clock.h"
#include "KillRecords.h"
#include "RandomEvent.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

namespace quilo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const char* const kOutputs[] = {"E_Result.txt", "E_NoRet.txt", "E_Result.xml", "E_Result.html"};

bool Sanitized() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

// Rounds per test: fewer under the sanitizers, whose runs are several times slower.
int Rounds() {
    if (const char* r = std::getenv("QUILO_KILL_ROUNDS")) return std::max(1, std::atoi(r));
    return Sanitized() ? 40 : 150;
}

std::uint64_t Seed() {
    if (const char* s = std::getenv("QUILO_KILL_SEED")) return std::strtoull(s, nullptr, 10);
    return std::random_device{}();
}

// The demo event in `folder`, with the given settings file.
void CopyDemo(const std::string& folder, const std::string& ini) {
    fs::create_directories(folder);
    for (const char* f : {"Control.dat", "Startlst.dat", "Change.dat", "Regnly.log"})
        fs::copy_file(fs::path(QUILO_SOURCE_DIR) / "examples/demo-event" / f, fs::path(folder) / f,
                      fs::copy_options::overwrite_existing);
    WriteBytes(folder + "/Quilo.ini", ini);
}

void CopyFolder(const std::string& from, const std::string& to) {
    fs::remove_all(to);
    fs::copy(from, to, fs::copy_options::recursive);
}

// The runs to the end that give the expected files: on tmpfs when there is one, where
// their syncs cost nothing (the bytes do not depend on the folder).
class Scratch {
public:
    Scratch() {
        std::error_code ec;
        fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm")
                                                                                            : fs::temp_directory_path();
        std::string tmpl = (base / "quilo-kill-XXXXXX").string();
        if (::mkdtemp(tmpl.data())) path_ = tmpl;
    }
    ~Scratch() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    std::string Folder() const { return path_ + "/event"; }

private:
    std::string path_;
};

// Starts a program with stdout and stderr thrown away; `keepFd` stays open in it.
pid_t Spawn(const std::vector<std::string>& args, int keepFd = -1) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Runs to its end; the exit code, or -1 when it did not exit.
int RunToEnd(const std::vector<std::string>& args, double& seconds) {
    auto t0 = std::chrono::steady_clock::now();
    int status = Wait(Spawn(args));
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void KillAfter(pid_t pid, std::chrono::microseconds delay) {
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
}

// One run of a driver that reports on a pipe, killed after `delay`: how it ended and
// everything it reported before.
struct KilledRun {
    int status;
    std::string heard;
};
KilledRun RunKilled(const std::function<std::vector<std::string>(int reportFd)>& args, std::chrono::microseconds delay) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {-1, {}};
    const pid_t pid = Spawn(args(fds[1]), fds[1]);
    ::close(fds[1]);
    KillAfter(pid, delay);
    KilledRun run{Wait(pid), {}};
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) run.heard.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    return run;
}

std::vector<std::string> SplitCrLf(const std::string& bytes, std::string& tail) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t e; (e = bytes.find("\r\n", at)) != std::string::npos; at = e + 2)
        lines.push_back(bytes.substr(at, e - at));
    tail = bytes.substr(at);
    return lines;
}

std::string TempFilesIn(const std::string& folder) {
    std::string found;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().find("quilo-tmp") != std::string::npos) found += " " + e.path().filename().string();
    return found;
}

// The next start: the station's start-up, as the window and quilo-report run it.
std::string NextStartLeavesNoTemp(const std::string& folder) {
    {
        Station station(folder, test::FixedClock(test::KillClock()));
        station.Startup();
    }
    std::string left = TempFilesIn(folder);
    return left.empty() ? "" : "temporary files left after the next start:" + left;
}

// Typical run time as a kill window, from runs to the end.
std::chrono::microseconds Window(const std::vector<double>& seconds) {
    std::vector<double> s = seconds;
    std::sort(s.begin(), s.end());
    return std::chrono::microseconds(static_cast<long>(s[s.size() / 2] * 1e6));
}

// Settings missing three keys and with an empty one: the start-up appends the three
// and the settings are saved whole at the end.
const std::string kShortIni =
    "EventName=Kill\r\nEventDate=2026-12-06\r\nSeisekiOutput=E_Result.txt\r\nMikikanOutput=E_NoRet.txt\r\nTimeLimit=\r\n";

std::string CheckReportRound(const std::string& folder, const std::map<std::string, std::string>& before,
                             const std::map<std::string, std::string>& complete) {
    for (const char* f : kOutputs) {
        std::string now = ReadBytes(folder + "/" + f);
        if (now != before.at(f) && now != complete.at(f)) return std::string(f) + " is neither the previous nor the new file";
    }
    std::string tail;
    std::set<std::string> known;
    for (const char* which : {"old", "new"}) {
        auto lines = SplitCrLf((which[0] == 'o' ? before : complete).at("Quilo.ini"), tail);
        known.insert(lines.begin(), lines.end());
    }
    for (const auto& line : SplitCrLf(ReadBytes(folder + "/Quilo.ini"), tail))
        if (!known.count(line)) return "Quilo.ini line \"" + line + "\" is no whole line of the old or new settings";
    if (!tail.empty()) return "Quilo.ini ends in a cut line \"" + tail + "\"";
    // The spare answer's records: the old file with none, some or all of them, whole.
    std::string change = ReadBytes(folder + "/Change.dat");
    const std::string &oldChange = before.at("Change.dat"), &newChange = complete.at("Change.dat");
    if (change.compare(0, oldChange.size(), oldChange) != 0 || newChange.compare(0, change.size(), change) != 0)
        return "Change.dat is no record-wise step from the old file to the new one";
    if (!change.empty() && change.size() != oldChange.size() && change.substr(change.size() - 2) != "\r\n")
        return "Change.dat ends in a cut record";
    return {};
}

// quilo-report on `event` (its files in place, the settings kShortIni), killed at a
// random moment of its run in each round; `changes` is the change file each third round
// starts from again, and `spare` the --spare answer.
void KillReportAtRandom(const TempDir& dir, const std::string& event, const std::string& changes, const std::string& spare,
                        int rounds) {
    const std::uint64_t seed = Seed();
    std::mt19937_64 rng(seed);
    Scratch scratchDir;
    const std::string scratch = scratchDir.Folder();
    auto args = [&spare](const std::string& folder) {
        return std::vector<std::string>{QUILO_REPORT_EXE, "--now", "12:00:00", "--spare", spare, folder};
    };
    // The kill window: whole runs on the event's own disk.
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
        CopyFolder(event, dir.File("measure"));
        double seconds = 0;
        ASSERT_EQ(RunToEnd(args(dir.File("measure")), seconds), 0);
        runs.push_back(seconds);
    }
    std::map<std::string, std::map<std::string, std::string>> completeAfter;
    int killedMidway = 0;
    for (int round = 0; round < rounds; ++round) {
        // The spare question comes back with the first change file, and the settings
        // are short again: every round has appends and replacements to cut.
        if (round % 3 == 0) WriteBytes(event + "/Change.dat", changes);
        WriteBytes(event + "/Quilo.ini", kShortIni);
        std::map<std::string, std::string> before;
        const char* const files[] = {"Quilo.ini", "Change.dat", kOutputs[0], kOutputs[1], kOutputs[2], kOutputs[3]};
        for (const char* f : files) before[f] = ReadBytes(event + "/" + f);
        // A complete run's files depend only on the change file here (the rest is reset).
        auto& complete = completeAfter[before["Change.dat"]];
        if (complete.empty()) {
            CopyFolder(event, scratch);
            double seconds = 0;
            ASSERT_EQ(RunToEnd(args(scratch), seconds), 0) << "seed " << seed;
            for (const char* f : files) complete[f] = ReadBytes(scratch + "/" + f);
        }
        std::uniform_int_distribution<long> delay(0, Window(runs).count());
        const long us = delay(rng);
        pid_t pid = Spawn(args(event));
        KillAfter(pid, std::chrono::microseconds(us));
        if (WIFSIGNALED(Wait(pid))) ++killedMidway;
        std::string problem = CheckReportRound(event, before, complete);
        if (problem.empty()) problem = NextStartLeavesNoTemp(event);
        ASSERT_EQ(problem, "") << "seed " << seed << " (QUILO_KILL_SEED), round " << round << ", killed after " << us << " us";
    }
    // Most kills must land inside a run, or the test proves nothing.
    EXPECT_GT(killedMidway, rounds / 3) << "seed " << seed;
    std::printf("quilo-report: %d rounds, %d killed midway, seed %llu\n", rounds, killedMidway,
                static_cast<unsigned long long>(seed));
}

TEST(KillTest, QuiloReportKilledAtRandomLeavesWholeFiles) {
    TempDir dir;
    const std::string event = dir.File("event");
    CopyDemo(event, kShortIni);
    KillReportAtRandom(dir, event, ReadBytes(event + "/Change.dat"), "90002=0110", Rounds());
}

// The same past the old limits (60 classes, 301 in a class, 700 rows), whose longer
// writes leave more moments to cut; fewer rounds, as each run is longer.
TEST(KillTest, QuiloReportKilledAtRandomPastTheOldLimits) {
    TempDir dir;
    const std::string event = dir.File("event");
    fs::create_directories(event);
    std::mt19937 rng(20261208);
    const test::RandomEvent ev = test::MakeRandomEvent({"past the old limits", 60, 700, 301}, rng);
    test::WriteCp932(event + "/Control.dat", ev.files.course);
    test::WriteCp932(event + "/Startlst.dat", ev.files.startList);
    test::WriteCp932(event + "/Regnly.log", ev.files.finishLog);
    WriteBytes(event + "/Quilo.ini", kShortIni);
    KillReportAtRandom(dir, event, test::Cp932Bytes(ev.files.changes), "90002=" + ev.bibs.front(), std::max(5, Rounds() / 10));
}

std::string RecordText(long k) {
    return ChangeRecord{ChangeKind::Late, std::to_string(test::KillCard(k)), std::to_string(test::KillMinutes(k))}.Text();
}

// The output files a complete run writes after the first `records` lines of the change file.
std::map<std::string, std::string> OutputsAfter(const std::string& event, const std::string& scratch,
                                                const std::vector<std::string>& lines, std::size_t records) {
    CopyFolder(event, scratch);
    std::string bytes;
    for (std::size_t i = 0; i < records; ++i) bytes += Utf8ToCp932(lines[i]) + "\r\n";
    WriteBytes(scratch + "/Change.dat", bytes);
    {
        Station station(scratch, test::FixedClock(test::KillClock()));
        station.Startup();
        station.WriteResultOutputs();
        EXPECT_TRUE(station.WriteNotReturned());
    }
    std::map<std::string, std::string> out;
    for (const char* f : kOutputs) out[f] = ReadBytes(scratch + "/" + f);
    return out;
}

TEST(KillTest, CorrectionsKilledAtRandomKeepEveryReportedRecord) {
    const std::uint64_t seed = Seed();
    std::mt19937_64 rng(seed);
    TempDir dir;
    Scratch scratchDir;
    const std::string event = dir.File("event"), scratch = scratchDir.Folder();
    CopyDemo(event,
             "EventName=Kill\r\nEventDate=2026-12-06\r\nSeisekiOutput=E_Result.txt\r\nMikikanOutput=E_NoRet.txt\r\n"
             "TimeLimit=150\r\nClassListFontSize=9\r\nHistoryListFontSize=9\r\nEntryListFontSize=9\r\n");
    auto driver = [](const std::string& folder, int fd, long first, long count) {
        std::vector<std::string> a{QUILO_KILL_DRIVER_EXE, folder, std::to_string(fd), std::to_string(first)};
        if (count > 0) a.push_back(std::to_string(count));
        return a;
    };
    // The kill window: a start-up and a few corrections with their outputs, on the
    // event's own disk.
    std::vector<double> runs;
    const std::string measure = dir.File("measure");
    for (int i = 0; i < 3; ++i) {
        CopyFolder(event, measure);
        double seconds = 0;
        ASSERT_EQ(RunToEnd(driver(measure, 2, 0, 3), seconds), 0);
        runs.push_back(seconds);
    }
    const std::chrono::microseconds window = Window(runs);

    std::string tail;
    std::vector<std::string> expected = SplitCrLf(Cp932ToUtf8(ReadBytes(event + "/Change.dat")), tail);
    long next = 0; // the driver's next record
    long reportedTotal = 0;
    std::map<std::size_t, std::map<std::string, std::string>> outputsAfter;
    const int rounds = Rounds();
    for (int round = 0; round < rounds; ++round) {
        std::map<std::string, std::string> before;
        for (const char* f : kOutputs) before[f] = ReadBytes(event + "/" + f);
        const long us = std::uniform_int_distribution<long>(0, window.count())(rng);
        const auto [status, heard] =
            RunKilled([&](int fd) { return driver(event, fd, next, 0); }, std::chrono::microseconds(us));
        auto fail = [&](const std::string& what) {
            return "seed " + std::to_string(seed) + " (QUILO_KILL_SEED), round " + std::to_string(round) + ", killed after " +
                   std::to_string(us) + " us: " + what;
        };
        ASSERT_TRUE(WIFSIGNALED(status)) << fail("the driver ended by itself, status " + std::to_string(status));

        std::istringstream numbers(heard);
        long reported = 0;
        for (long k; numbers >> k; ++reported) ASSERT_EQ(k, next + reported) << fail("records reported out of order");
        reportedTotal += reported;

        // The change file: what was there, every reported record in order, then at most
        // the record being appended when the kill came.
        std::vector<std::string> lines = SplitCrLf(Cp932ToUtf8(ReadBytes(event + "/Change.dat")), tail);
        ASSERT_TRUE(tail.empty() || Utf8ToCp932(RecordText(next + reported)).rfind(Utf8ToCp932(tail), 0) == 0)
            << fail("a cut last line that is no start of the next record: " + tail);
        ASSERT_GE(lines.size(), expected.size() + static_cast<std::size_t>(reported)) << fail("a reported record is missing");
        ASSERT_LE(lines.size(), expected.size() + static_cast<std::size_t>(reported) + 1) << fail("unknown records appended");
        for (long i = 0; i < reported; ++i) expected.push_back(RecordText(next + i));
        next += reported;
        if (lines.size() > expected.size()) {
            expected.push_back(RecordText(next));
            ++next;
        }
        ASSERT_EQ(lines, expected) << fail("the change file differs from the records appended");

        // Outputs: as before the round, or as written after the last or the one before.
        // The file only grows, so the outputs after m records never change: kept by m.
        for (std::size_t m : {lines.size() - 1, lines.size()})
            if (!outputsAfter.count(m)) outputsAfter[m] = OutputsAfter(event, scratch, lines, m);
        auto& newest = outputsAfter[lines.size()];
        auto& previous = outputsAfter[lines.size() - 1];
        for (const char* f : kOutputs) {
            std::string now = ReadBytes(event + "/" + f);
            ASSERT_TRUE(now == before[f] || now == newest[f] || now == previous[f]) << fail(std::string(f) + " is not whole");
        }

        // A fresh start replays every record: each card shows its last record's minutes.
        {
            Station station(event, test::FixedClock(test::KillClock()));
            station.Startup();
            for (long c = 0; c < test::kKillCardCount; ++c) {
                long last = -1;
                for (long k = 0; k < next; ++k)
                    if (test::KillCard(k) == test::kKillCards[c]) last = k;
                if (last < 0) continue;
                const Event& ev = station.Tables();
                auto n = ev.Cards.Find(std::to_string(test::kKillCards[c]));
                ASSERT_TRUE(n && ev.EntryOf(*n)) << fail("card lost");
                ASSERT_EQ(ev.EntryOf(*n)->LateAddition.Seconds(), test::KillMinutes(last) * 60)
                    << fail("card " + std::to_string(test::kKillCards[c]) + " lost its record " + std::to_string(last));
            }
        }
        const std::string left = TempFilesIn(event);
        ASSERT_EQ(left, "") << fail("temporary files left after the next start:" + left);
    }
    EXPECT_GT(reportedTotal, rounds / 2) << "seed " << seed;
    std::printf("driver: %d rounds, %ld records reported, %ld in the file, seed %llu\n", rounds, reportedTotal, next,
                static_cast<unsigned long long>(seed));
}

// The start list after each entry-desk step from `first` on: versions[j] follows step j - 1.
void GrowVersions(std::vector<std::string>& versions, long upTo) {
    while (static_cast<long>(versions.size()) <= upTo) {
        const long k = static_cast<long>(versions.size()) - 1;
        const std::string row = Utf8ToCp932(test::KillEntryRow(k));
        std::string next = versions.back();
        if (test::KillEntryIsFix(k)) {
            std::string tail;
            std::vector<std::string> lines = SplitCrLf(next, tail);
            lines[static_cast<std::size_t>(test::KillEntryFixed(k))] = row;
            next.clear();
            for (const std::string& line : lines) next += line + "\r\n";
            next += tail;
        } else {
            next += row + "\r\n";
        }
        versions.push_back(std::move(next));
    }
}

// The entry desk killed at random while it enters competitors and fixes rows: the start
// list is always one of the versions written whole, the one of the last step reported or
// of the step being written, and a fresh start reads every row of it.
TEST(KillTest, EntryDeskKilledAtRandomLeavesOneWholeStartList) {
    const std::uint64_t seed = Seed();
    std::mt19937_64 rng(seed);
    TempDir dir;
    const std::string event = dir.File("event");
    fs::create_directories(event);
    test::Strings rows;
    for (int i = 0; i < test::kKillEntryRows; ++i) rows.push_back(test::KillEntryFirstRow(i));
    test::WriteCp932(event + "/Control.dat", {"**:M21", "1:31", "2:32", "99:100", "**:W21", "1:31", "99:100"});
    test::WriteCp932(event + "/Startlst.dat", rows);
    // Reads of first rows and of cards entered later: each reload has results to place.
    test::WriteCp932(event + "/Regnly.log",
                     {"1,2,3,4,5,(10001),31,0:10:00,32,0:20:00,100,0:30:00", "1,2,3,4,5,(10002),31,0:11:00,100,0:21:00",
                      "1,2,3,4,5,(30000),31,0:12:00,32,0:22:00,100,0:32:00", "1,2,3,4,5,(30005),31,0:13:00,100,0:23:00"});
    WriteBytes(event + "/Quilo.ini", kShortIni);
    auto driver = [](const std::string& folder, int fd, long first, long count) {
        std::vector<std::string> a{QUILO_KILL_DRIVER_EXE, "--entries", folder, std::to_string(fd), std::to_string(first)};
        if (count > 0) a.push_back(std::to_string(count));
        return a;
    };
    // The kill window: a start-up and a few steps on the event's own disk.
    std::vector<double> runs;
    const std::string measure = dir.File("measure");
    for (int i = 0; i < 3; ++i) {
        CopyFolder(event, measure);
        double seconds = 0;
        ASSERT_EQ(RunToEnd(driver(measure, 2, 0, 4), seconds), 0);
        runs.push_back(seconds);
    }
    const std::chrono::microseconds window = Window(runs);

    std::vector<std::string> versions{ReadBytes(event + "/Startlst.dat")};
    long next = 0; // the next step: the file is versions[next]
    long reportedTotal = 0;
    int killedMidway = 0;
    const int rounds = std::max(10, Rounds() / 2);
    for (int round = 0; round < rounds; ++round) {
        const long us = std::uniform_int_distribution<long>(0, window.count())(rng);
        const auto [status, heard] =
            RunKilled([&](int fd) { return driver(event, fd, next, 0); }, std::chrono::microseconds(us));
        auto fail = [&](const std::string& what) {
            return "seed " + std::to_string(seed) + " (QUILO_KILL_SEED), round " + std::to_string(round) + ", killed after " +
                   std::to_string(us) + " us: " + what;
        };
        ASSERT_TRUE(WIFSIGNALED(status)) << fail("the driver ended by itself, status " + std::to_string(status));
        std::istringstream numbers(heard);
        long reported = 0;
        for (long k; numbers >> k; ++reported) ASSERT_EQ(k, next + reported) << fail("steps reported out of order");
        reportedTotal += reported;
        if (reported > 0) ++killedMidway;

        // The last step reported, or the one after it written before the kill.
        GrowVersions(versions, next + reported + 1);
        const std::string now = ReadBytes(event + "/Startlst.dat");
        if (now == versions[static_cast<std::size_t>(next + reported)]) next += reported;
        else if (now == versions[static_cast<std::size_t>(next + reported + 1)]) next += reported + 1;
        else FAIL() << fail("Startlst.dat is not the version of step " + std::to_string(next + reported) + " or the next");
        const std::string bak = ReadBytes(event + "/Startlst.dat.bak");
        ASSERT_TRUE(next == 0 || bak == versions[static_cast<std::size_t>(next - 1)] ||
                    bak == versions[static_cast<std::size_t>(next)])
            << fail("Startlst.dat.bak is no version before the file's");

        {
            Station station(event, test::FixedClock(test::KillClock()));
            station.Startup();
            ASSERT_FALSE(station.StartListIncomplete()) << fail("the start list was not read whole");
            long entered = 0;
            for (long k = 0; k < next; ++k) entered += test::KillEntryIsFix(k) ? 0 : 1;
            ASSERT_EQ(station.Tables().Rows(), test::kKillEntryRows + entered) << fail("rows missing");
            ASSERT_EQ(station.StartList().bytes, now) << fail("the start-up kept other bytes than the file's");
        }
        const std::string left = TempFilesIn(event);
        ASSERT_EQ(left, "") << fail("temporary files left after the next start:" + left);
    }
    EXPECT_GT(reportedTotal, rounds / 2) << "seed " << seed;
    std::printf("entry desk: %d rounds, %d with steps reported, %ld steps reported, %ld in the file, seed %llu\n", rounds,
                killedMidway, reportedTotal, next, static_cast<unsigned long long>(seed));
}

// quilo-serve killed at random moments while the finish log grows: it never writes into
// the event folder, so every file is what the test wrote, byte for byte.
TEST(KillTest, QuiloServeKilledAtRandomLeavesTheFolderAsWritten) {
    const std::uint64_t seed = Seed();
    std::mt19937_64 rng(seed);
    TempDir dir;
    const std::string event = dir.File("event");
    // Settings short of their defaults and a leftover temporary file: a station would
    // add to the one and remove the other.
    CopyDemo(event, kShortIni);
    WriteBytes(event + "/E_Result.txt.quilo-tmp", "half a fi");
    std::map<std::string, std::string> written;
    for (const auto& e : fs::directory_iterator(event)) written[e.path().filename().string()] = ReadBytes(e.path().string());
    const std::vector<std::string> args{QUILO_SERVE_EXE, event, "--port", "0", "--address", "127.0.0.1"};
    const int rounds = std::max(5, Rounds() / 10);
    int killedMidway = 0;
    for (int round = 0; round < rounds; ++round) {
        const long us = std::uniform_int_distribution<long>(0, 600000)(rng);
        std::atomic<bool> stop{false};
        std::thread cardReader([&] {
            for (int k = 0; !stop; ++k) {
                const std::string line = "1,2,3,4,5,(" + std::to_string(10001 + k % 40) + "),31,0:10:00,100,0:3" +
                                         std::to_string(k % 10) + ":00\r\n";
                std::ofstream(event + "/Regnly.log", std::ios::binary | std::ios::app) << line;
                written["Regnly.log"] += line;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        const KilledRun run = RunKilled([&](int) { return args; }, std::chrono::microseconds(us));
        stop = true;
        cardReader.join();
        if (WIFSIGNALED(run.status)) ++killedMidway;
        std::map<std::string, std::string> found;
        for (const auto& e : fs::directory_iterator(event)) found[e.path().filename().string()] = ReadBytes(e.path().string());
        ASSERT_TRUE(found == written) << "seed " << seed << " (QUILO_KILL_SEED), round " << round << ", killed after " << us
                                      << " us: the folder is not as the test wrote it";
    }
    // Most kills must find it running (it runs until killed), or the test proves nothing.
    EXPECT_GT(killedMidway, rounds / 2) << "seed " << seed;
    std::printf("quilo-serve: %d rounds, %d killed midway, seed %llu\n", rounds, killedMidway,
                static_cast<unsigned long long>(seed));
}

// A replacement killed before its rename leaves its temporary file; the next start
// removes it, but never one a running replacement holds.
TEST(KillTest, StartupRemovesTheTempFileOfAKilledReplacement) {
    TempDir dir;
    CopyDemo(dir.Path(), kShortIni);
    WriteBytes(dir.File("E_Result.txt"), "previous\r\n");
    WriteBytes(dir.File("E_Result.txt.quilo-tmp"), "half a fi");
    WriteBytes(dir.File("E_NoRet.txt.quilo-tmp"), "being written");
    WriteBytes(dir.File("notes.quilo-tmp.txt"), "not ours");
    int held = ::open(dir.File("E_NoRet.txt.quilo-tmp").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    {
        Station station(dir.Path(), test::FixedClock(test::KillClock()));
        station.Startup();
    }
    EXPECT_FALSE(fs::exists(dir.File("E_Result.txt.quilo-tmp")));
    EXPECT_TRUE(fs::exists(dir.File("E_NoRet.txt.quilo-tmp")));
    EXPECT_TRUE(fs::exists(dir.File("notes.quilo-tmp.txt")));
    EXPECT_EQ(ReadBytes(dir.File("E_Result.txt")), "previous\r\n");
    ::close(held);
}

} // namespace
} // namespace quilo
