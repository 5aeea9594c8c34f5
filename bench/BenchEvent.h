#pragma once
// The capacity event the benchmarks run on, and scratch folders beside it.
#include <string>

namespace quilo::bench {

// Takes "--event=FOLDER" out of argv (so the benchmark library does not see it).
// Without it, QUILO_BENCH_EVENT names the folder; without that, the capacity event is
// generated into a temporary folder that is removed at exit.
void SetUpEvent(int& argc, char** argv);

// The folder holding Control.dat, Startlst.dat and Regnly.log (read only).
const std::string& EventFolder();

// A new empty scratch folder, removed at exit.
std::string ScratchFolder(const std::string& name);

// A fresh copy of the event folder's files into `to` (created or emptied first).
void CopyEvent(const std::string& to);

} // namespace quilo::bench
