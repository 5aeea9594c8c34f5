#pragma once
// The results page's wording of times, places and statuses, so that the results
// server's pages read the same as the page the station writes.
#include "core/Event.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quilo::pagetext {

// Running times as h:mm:ss; legs and split times (shortForm) m:ss below the hour.
void AppendClock(std::string& out, std::int64_t seconds, bool shortForm);
// The place column: blank over the time limit, else the number, else "参考".
void AppendPlace(std::string& out, const EntryRecord& r, Time limit);
// A start time as the clock reads: seconds only when the start list has them.
std::string StartText(Time t);
// The status column as the lists word it; blank for one still to start (`toStart`),
// whose row shows the start time instead.
std::string_view StatusWord(const EntryRecord& r, Time limit, bool toStart);

} // namespace quilo::pagetext
