#pragma once
// Judging, timing and ordering a competitor's record.
#include "core/Event.h"
#include "core/IniFile.h"

#include <string>
#include <utility>
#include <vector>

namespace quilo {

enum class CompetitorState { Absent, NotReturned, Provisional, Confirmed, Coded };

CompetitorState StateOf(const EntryRecord& r);
// Slots in use of class c (ClassEntryCount, kept within the table).
int SlotCount(const Event& ev, int c);
bool HasResult(const EntryRecord& r);  // status not empty or a running time

// The time limit from the text of TimeLimit: leading number, whole minutes in 16 bits.
Time TimeLimitFromText(const std::string& text);
Time TimeLimitOf(const IniFile& settings);

bool IsOverTimeLimit(const EntryRecord& r, Time limit);
std::string RunningTimeText(const EntryRecord& r);
void AppendRunningTimeText(std::string& out, const EntryRecord& r);
std::string ResultSortKey(const EntryRecord& r);
std::string StartOrderKey(const EntryRecord& r);

// Latest start among the class's non-reference competitors still out (0 when none).
Time LatestStartOut(const Event& ev, int c);
void ConfirmClassResults(Event& ev, int c, Time now);
void AssignClassPlaces(Event& ev, int c);

// (key, slot) pairs sorted ascending by key.
using SortPairs = std::vector<std::pair<std::string, int>>;
void SortByKey(SortPairs& pairs);

} // namespace quilo
