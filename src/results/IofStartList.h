#pragma once
// The IOF XML 3.0 start list of the event as it stands: every competitor of every
// class in start order, on the card they run on now (a spare card once assigned), for
// the online services that want a start list before the first finisher.
#include "core/Files.h"
#include "results/ResultsSnapshot.h"

#include <string>

namespace quilo {

// The document written to `out` as it is made, a competitor at a time, UTF-8.
void WriteIofStartList(const ResultsSnapshot& snap, ByteSink& out);
std::string BuildIofStartList(const ResultsSnapshot& snap);

} // namespace quilo
