#pragma once
// The IOF XML 3.0 result list: every class with its competitors, their results and
// split times, as the federations', ranking and split-analysis programs read it.
#include "core/Files.h"
#include "results/ResultsSnapshot.h"

#include <string>

namespace quilo {

// The IOF result status of a competitor, by the first rule that holds: absent, still
// out (started or not yet), a valid time (reference, over the limit, within it), then
// the codes.
const char* IofStatus(const EntryRecord& r, Time limit, Time now);

// The document written to `out` as it is made, a competitor at a time, UTF-8.
void WriteIofResultList(const ResultsSnapshot& snap, ByteSink& out);
// The whole document as one text.
std::string BuildIofResultList(const ResultsSnapshot& snap);

} // namespace quilo
