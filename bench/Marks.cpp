#include "Marks.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace quilo::bench {
namespace {

struct Figures {
    double median = -1;
    std::vector<double> runs;
};

class MarkReporter : public benchmark::ConsoleReporter {
public:
    explicit MarkReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            std::string name = r.run_name.str();
            if (const auto at = name.rfind("/real_time"); at != std::string::npos && at + 10 == name.size()) name.resize(at);
            const double ms = r.GetAdjustedRealTime() * 1e3 / benchmark::GetTimeUnitMultiplier(r.time_unit);
            if (r.run_type == Run::RT_Aggregate) {
                if (r.aggregate_name == "median") figures[name].median = ms;
            } else {
                figures[name].runs.push_back(ms);
            }
        }
    }

    std::map<std::string, Figures> figures;
};

} // namespace

void RunWithMarks(const std::vector<BenchmarkMark>& marks) {
    MarkReporter reporter(::isatty(1) ? benchmark::ConsoleReporter::OO_Defaults : benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (MarkSet().empty()) return;
    bool any = false;
    for (const BenchmarkMark& m : marks) {
        if (MarkSet() != m.mark.event) continue;
        if (!any) std::printf("marks of the %s event:\n", MarkSet().c_str());
        any = true;
        const auto it = reporter.figures.find(m.benchmark);
        if (it == reporter.figures.end()) {
            std::printf("%s: not run (%s filtered out or failed)\n", m.mark.what, m.benchmark);
            continue;
        }
        Figures f = it->second;
        char figure[96];
        double value = f.median;
        if (value >= 0) {
            std::snprintf(figure, sizeof figure, "median %.2f %s", value, m.mark.unit);
        } else {
            // No repetitions: the middle of the runs there are (one, as a rule).
            std::sort(f.runs.begin(), f.runs.end());
            value = f.runs[f.runs.size() / 2];
            std::snprintf(figure, sizeof figure, "%.2f %s (one run, no repetitions)", value, m.mark.unit);
        }
        PrintMark(m.mark, figure, value);
    }
}

} // namespace quilo::bench
