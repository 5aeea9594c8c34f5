#pragma once
// The results page for phones at the finish arena: one self-contained UTF-8 HTML file
// (inline style and script, no outside resources), a section per class with each
// competitor's splits folded under the row. It reloads itself until the list is final;
// the script, where it runs, keeps the open splits and the scroll position across the
// reload. Made from the template compiled into the program, every text escaped.
#include "core/Files.h"
#include "results/ResultsSnapshot.h"

#include <string>

namespace quilo {

// The page written to `out` as it is made, a class at a time.
void WriteHtmlResults(const ResultsSnapshot& snap, ByteSink& out);
// The whole page as one text.
std::string BuildHtmlResults(const ResultsSnapshot& snap);

} // namespace quilo
