#pragma once
// The results as the lists, the files and the pages show them, taken after a refresh.
// It owns its data and never changes, so it can be handed to another thread as it is.
#include "core/Event.h"
#include "core/History.h"
#include "results/ExportCommon.h"
#include "results/StatusRefresh.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quilo {

// A position of a read card's course (0 for the finish).
struct SplitTime {
    int position = 0;
    int code = 0;
    bool punched = false;
    Time time;
    bool operator==(const SplitTime&) const = default;
};

struct CompetitorResult {
    EntryRecord record; // as the refresh left it
    int number = -1;    // competitor number, -1 where none
    int slot = 0;
    std::string card;                             // the start list's card of the row
    bool started = false;                         // started by the snapshot's clock
    Time finish;                                  // the finish punch
    std::uint32_t firstSplit = 0, splitCount = 0; // in the class's splits (a read card only)
    bool HasSplits() const { return record.CardRead && number >= 0; }
    bool operator==(const CompetitorResult&) const = default;
};

struct ClassResult {
    std::string name;
    // Those with a result in result order (equal keys in slot order), then those still
    // out in start order.
    std::vector<CompetitorResult> competitors;
    int withResult = 0;
    std::vector<SplitTime> splits;
    std::span<const SplitTime> SplitsOf(const CompetitorResult& r) const {
        return {splits.data() + r.firstSplit, r.splitCount};
    }
    bool operator==(const ClassResult&) const = default;
};

struct ResultsSnapshot {
    ExportInfo info;
    std::vector<ClassResult> classes;
    // Nothing is still to come: no one out, no result provisional, the start list whole.
    bool complete = false;
    std::vector<ListLine> classTable;
    std::vector<ListLine> competitorList;
    // Moves when something the files or pages show changed; the export serial only when
    // the XML list or the HTML page would (a result confirmed changes neither).
    std::uint64_t serial = 0;
    std::uint64_t exportSerial = 0;
};

// The results of the refreshed tables (without list lines).
ResultsSnapshot TakeSnapshot(const Event& ev, const ExportInfo& info);
// The same with the lines, numbered after `previous` (which may be null): with nothing
// changed, `previous` itself.
std::shared_ptr<const ResultsSnapshot> NextSnapshot(const Event& ev, const ExportInfo& info, const StatusLists& lists,
                                                    const std::shared_ptr<const ResultsSnapshot>& previous);

} // namespace quilo
