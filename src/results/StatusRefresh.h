#pragma once
// The status refresh: confirmation, counts and places for every class, then the class
// status table and the competitor list as plain lines with item data.
#include "core/Event.h"
#include "core/History.h"

#include <string>
#include <vector>

namespace quilo {

struct StatusLists {
    std::vector<ListLine> classStatus; // header, then one row per class
    std::vector<ListLine> competitors; // the competitor list in the current order
    std::vector<ListLine> kesseki;     // absent (rebuilt in result order only)
    std::vector<ListLine> mikikan;     // not returned (rebuilt in result order only)
};

extern const char* const kClassStatusHeader;

// Runs the whole refresh over the tables; `now` is the time of day, `limit` the time limit,
// `byResult` the competitor list's order (else start order).
void RefreshStatus(Event& ev, Time now, Time limit, bool byResult, StatusLists& lists);

// The competitor list (called by RefreshStatus after places are assigned).
void BuildCompetitorList(const Event& ev, Time limit, bool byResult, StatusLists& lists);

std::string ClassHeading(const std::string& className); // "◆◆ " + full-width name
std::string NameColumn(const std::string& name, int width, int cutChars);
std::string ClubColumn(const std::string& club, int width);
std::string RosterLine(const Event& ev, int c, int s);
std::string RosterLine(const std::string& className, const EntryRecord& r);
std::string StartOrderLine(const EntryRecord& r);
std::string ResultOrderLine(const EntryRecord& r, Time limit);

// The same lines appended to `out`, so a refresh can build them in place.
void AppendRosterLine(std::string& out, const Event& ev, int c, int s);
void AppendRosterLine(std::string& out, const std::string& className, const EntryRecord& r);
void AppendStartOrderLine(std::string& out, const EntryRecord& r);
void AppendResultOrderLine(std::string& out, const EntryRecord& r, Time limit);

} // namespace quilo
