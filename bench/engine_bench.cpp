// The engine on a benchmark event: finish log read, status refresh, output files, start-up.
#include "BenchEvent.h"
#include "Marks.h"

#include "core/Event.h"
#include "core/Files.h"
#include "core/History.h"
#include "finish/FinishLog.h"
#include "readers/CourseFile.h"
#include "readers/StartList.h"
#include "results/Evaluation.h"
#include "results/HtmlResults.h"
#include "results/IofXml.h"
#include "results/OutputFiles.h"
#include "results/ResultsSnapshot.h"
#include "results/StatusRefresh.h"
#include "station/EntryDesk.h"
#include "station/Messages.h"
#include "station/Station.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
using namespace quilo;
using quilo::bench::EventFolder;

namespace {

const Time kNow = Time::Hms(12, 0, 0);
Clock FixedClock() {
    return [] { return kNow; };
}

std::string InEvent(const char* file) { return EventFolder() + "/" + file; }

// The event as the two set-up readers leave it (no finish log yet).
std::unique_ptr<Event> ReadSetUp() {
    auto ev = std::make_unique<Event>();
    if (!ReadCourseFile(*ev, InEvent("Control.dat"))) std::abort();
    const Result<StartListRead> read = ReadStartList(*ev, InEvent("Startlst.dat"));
    if (!read || read->undefinedClass) std::abort();
    return ev;
}

// The event after the finish log and one refresh, shared by the refresh and output benchmarks.
Event& FilledEvent() {
    static std::unique_ptr<Event> ev = [] {
        auto e = ReadSetUp();
        History h(FixedClock());
        if (!ReadFinishLogFile(*e, InEvent("Regnly.log"), h, {})) std::abort();
        StatusLists lists;
        RefreshStatus(*e, kNow, TimeLimitFromText("150"), false, lists);
        return e;
    }();
    return *ev;
}

void BM_ReadFinishLog(benchmark::State& state) {
    auto ev = ReadSetUp();
    const std::string path = InEvent("Regnly.log");
    for (auto _ : state) {
        History h(FixedClock());
        if (!ReadFinishLogFile(*ev, path, h, {})) state.SkipWithError("the finish log cannot be read");
        benchmark::DoNotOptimize(h.Count());
    }
    const std::vector<std::string> lines = ReadTextLines(path).Value();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_ReadFinishLog)->Unit(benchmark::kMillisecond)->UseRealTime();

// One typical line of the log through the punch check (31 pairs against 30 positions).
void BM_CheckLine(benchmark::State& state) {
    auto ev = ReadSetUp();
    LineReader reader(InEvent("Regnly.log"));
    std::string_view v;
    reader.Next(v);
    const std::string line(v);
    const int n = *ev->Cards.Find(CardNumberText(line));
    for (auto _ : state) {
        CheckLine(*ev, n, line);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CheckLine);

void BM_CardLookup(benchmark::State& state) {
    auto ev = ReadSetUp();
    const std::string line = "1,2026/12/06,09:00:01,0001,R,(10250),39,0:02:55";
    for (auto _ : state) benchmark::DoNotOptimize(ev->Cards.Find(CardNumberText(line)));
}
BENCHMARK(BM_CardLookup);

// The status refresh with the class table and the competitor list; arg 0 start order,
// 1 result order. The lists are kept between calls, as the station keeps them.
void BM_RefreshStatus(benchmark::State& state) {
    Event& ev = FilledEvent();
    const bool byResult = state.range(0) != 0;
    const Time limit = TimeLimitFromText("150");
    StatusLists lists;
    for (auto _ : state) {
        RefreshStatus(ev, kNow, limit, byResult, lists);
        benchmark::DoNotOptimize(lists.competitors.data());
    }
    state.counters["lines"] = static_cast<double>(lists.competitors.size() + lists.classStatus.size());
}
BENCHMARK(BM_RefreshStatus)->ArgName("byResult")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same with new lists every time (the first refresh of a run).
void BM_RefreshStatusNewLists(benchmark::State& state) {
    Event& ev = FilledEvent();
    const bool byResult = state.range(0) != 0;
    const Time limit = TimeLimitFromText("150");
    for (auto _ : state) {
        StatusLists lists;
        RefreshStatus(ev, kNow, limit, byResult, lists);
        benchmark::DoNotOptimize(lists.competitors.data());
    }
}
BENCHMARK(BM_RefreshStatusNewLists)->ArgName("byResult")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// What the files and the exports are built from: the results taken from the tables.
ExportInfo BenchExportInfo() {
    ExportInfo info;
    info.eventName = fs::path(EventFolder()).filename().string();
    info.eventDate = info.today = {2026, 12, 6, 540};
    info.now = kNow;
    info.limit = TimeLimitFromText("150");
    info.creator = CreatorText();
    return info;
}

ResultsSnapshot Taken() { return TakeSnapshot(FilledEvent(), BenchExportInfo()); }

void BM_TakeSnapshot(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Taken());
}
BENCHMARK(BM_TakeSnapshot)->Unit(benchmark::kMicrosecond);

// The files below are built from a snapshot the refresh already took (BM_TakeSnapshot is
// that step's cost), as the publisher and the output buttons build them.
void BM_BuildResultsFile(benchmark::State& state) {
    const ResultsSnapshot snap = Taken();
    for (auto _ : state) benchmark::DoNotOptimize(BuildResultsFile(snap));
}
BENCHMARK(BM_BuildResultsFile)->Unit(benchmark::kMicrosecond);

void BM_BuildNotReturnedFile(benchmark::State& state) {
    const ResultsSnapshot snap = Taken();
    for (auto _ : state) benchmark::DoNotOptimize(BuildNotReturnedFile(snap));
}
BENCHMARK(BM_BuildNotReturnedFile)->Unit(benchmark::kMicrosecond);

// Build and replace the file on disk (written whole, synced, renamed).
void BM_WriteResultsFile(benchmark::State& state) {
    const std::string path = quilo::bench::ScratchFolder("results") + "/E_Result.txt";
    const ResultsSnapshot snap = Taken();
    for (auto _ : state) {
        const Result<> r = ReplaceFile(path, BuildResultsFile(snap));
        if (!r) state.SkipWithError(ReasonText(r).c_str());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(path));
}
BENCHMARK(BM_WriteResultsFile)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_WriteNotReturnedFile(benchmark::State& state) {
    const std::string path = quilo::bench::ScratchFolder("noret") + "/E_NoRet.txt";
    const ResultsSnapshot snap = Taken();
    for (auto _ : state) {
        const Result<> r = ReplaceFile(path, BuildNotReturnedFile(snap));
        if (!r) state.SkipWithError(ReasonText(r).c_str());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(path));
}
BENCHMARK(BM_WriteNotReturnedFile)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Only the replace of a file of the results' size: the part the build does not explain.
void BM_ReplaceFileOnly(benchmark::State& state) {
    const std::vector<std::string> lines = BuildResultsFile(Taken());
    const std::string path = quilo::bench::ScratchFolder("replace") + "/E_Result.txt";
    for (auto _ : state) {
        const Result<> r = ReplaceFile(path, lines);
        if (!r) state.SkipWithError(ReasonText(r).c_str());
    }
}
BENCHMARK(BM_ReplaceFileOnly)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The result exports: built and written whole with a plain write, without the sync
// (which the disk, not the program, decides).
template <std::string (*Build)(const ResultsSnapshot&)>
void WriteExport(benchmark::State& state, const char* name) {
    const std::string path = quilo::bench::ScratchFolder(name) + "/" + name;
    const ResultsSnapshot snap = Taken();
    for (auto _ : state) {
        const std::string bytes = Build(snap);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) state.SkipWithError("write failed");
        if (f) std::fclose(f);
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(path));
}

void BM_WriteIofXml(benchmark::State& state) { WriteExport<BuildIofResultList>(state, "E_Result.xml"); }
BENCHMARK(BM_WriteIofXml)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteHtmlResults(benchmark::State& state) { WriteExport<BuildHtmlResults>(state, "E_Result.html"); }
BENCHMARK(BM_WriteHtmlResults)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole start-up sequence on a copy of the event. Arg 1: settings file already
// there (every later start); arg 0: first start, the settings file created anew.
void BM_Startup(benchmark::State& state) {
    const bool iniPresent = state.range(0) != 0;
    const std::string folder = quilo::bench::ScratchFolder("startup");
    quilo::bench::CopyEvent(folder);
    const std::string ini = folder + "/Quilo.ini";
    {
        Station warm(folder, FixedClock());
        warm.Startup();
    }
    for (auto _ : state) {
        if (!iniPresent) {
            state.PauseTiming();
            fs::remove(ini);
            state.ResumeTiming();
        }
        Station station(folder, FixedClock());
        station.Startup();
        benchmark::DoNotOptimize(station.Lists().competitors.size());
    }
}
BENCHMARK(BM_Startup)->ArgName("iniPresent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One late entry at the desk: checked, the start list written (its previous version
// kept) and the whole event loaded again, what the operator waits for after OK.
void BM_EntryDeskNewEntry(benchmark::State& state) {
    const std::string folder = quilo::bench::ScratchFolder("desk");
    quilo::bench::CopyEvent(folder);
    Station station(folder, FixedClock());
    station.Startup();
    const std::vector<std::string> classes = EntryDesk(station).Classes();
    int card = 0;
    for (auto _ : state) {
        // Five digits no start-list row of the benchmark events holds.
        char text[8];
        std::snprintf(text, sizeof text, "%05d", 99999 - card++ % 9000);
        EntryDesk desk(station);
        const DialogOutcome r = desk.Ok({text, classes.front(), "11:30:00", "9999", "当日 申込", "0", "会"});
        if (r.refused) {
            state.SkipWithError(r.message.c_str());
            break;
        }
    }
}
BENCHMARK(BM_EntryDeskNewEntry)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    quilo::bench::SetUpEvent(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The mark for the refresh the window makes after every read.
    quilo::bench::RunWithMarks({
        {{"large", "status refresh with new lists, start order", 5, "ms"}, "BM_RefreshStatusNewLists/byResult:0"},
        {{"large", "status refresh with new lists, result order", 5, "ms"}, "BM_RefreshStatusNewLists/byResult:1"},
        {{"large", "entry desk: a new entry written and the event loaded again", 500, "ms"}, "BM_EntryDeskNewEntry"},
    });
    benchmark::Shutdown();
    return 0;
}
