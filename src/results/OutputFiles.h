#pragma once
// The results file and the not-returned file, built as lines and replaced whole.
#include "results/ResultsSnapshot.h"

#include <string>
#include <vector>

namespace quilo {

// The lines of the results file.
std::vector<std::string> BuildResultsFile(const ResultsSnapshot& snap);
std::string ResultsLine(const EntryRecord& r, Time limit);
// The lines of the not-returned file.
std::vector<std::string> BuildNotReturnedFile(const ResultsSnapshot& snap);

} // namespace quilo
