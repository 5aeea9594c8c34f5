#pragma once
// The benchmark programs' marks: the console table as usual, then each mark of the
// chosen event (--marks=) taken from its benchmark's median, or its only run.
#include "BenchEvent.h"

#include <vector>

namespace quilo::bench {

struct BenchmarkMark {
    Mark mark;
    // The run's name without "/real_time", as the table shows it: "BM_X/byResult:0".
    const char* benchmark;
};

// benchmark::RunSpecifiedBenchmarks, then the marks of MarkSet() in milliseconds of real
// time (what the operator waits).
void RunWithMarks(const std::vector<BenchmarkMark>& marks);

} // namespace quilo::bench
