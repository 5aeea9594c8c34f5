#pragma once
// The capacity event the benchmarks run on, and scratch folders beside it.
#include <string>

namespace quilo::bench {

// Takes "--event=FOLDER" and "--marks=capacity|large" out of argv (so the benchmark
// library does not see them). Without --event, QUILO_BENCH_EVENT names the folder;
// without that, the capacity event is generated into a temporary folder that is removed
// at exit.
void SetUpEvent(int& argc, char** argv);

// Which event's marks to print ("capacity", "large"; "" prints none): the marks belong to
// the event they were set for, which the folder alone does not tell.
const std::string& MarkSet();

// One mark of the issue on one event: a figure (milliseconds or megabytes) that must not
// exceed `limit`.
struct Mark {
    const char* event; // the MarkSet() it belongs to
    const char* what;
    double limit;
    const char* unit;
};

// "what: FIGURE UNIT (target <= LIMIT UNIT: met|MISSED)", the line floor.sh prints too.
// Returns whether it was met.
bool PrintMark(const Mark& mark, const std::string& figure, double value);

// The folder holding Control.dat, Startlst.dat and Regnly.log (read only).
const std::string& EventFolder();

// A new empty scratch folder, removed at exit.
std::string ScratchFolder(const std::string& name);

// A fresh copy of the event folder's files into `to` (created or emptied first).
void CopyEvent(const std::string& to);

} // namespace quilo::bench
