#pragma once
// The results file and the not-returned file, built as lines and replaced whole.
#include "core/Event.h"

#include <string>
#include <vector>

namespace quilo {

// The lines of the results file (run the status refresh first, so places are fresh).
std::vector<std::string> BuildResultsFile(const Event& ev, Time limit);
std::string ResultsLine(const EntryRecord& r, Time limit);
// The lines of the not-returned file.
std::vector<std::string> BuildNotReturnedFile(const Event& ev);

} // namespace quilo
