#pragma once
// What the IOF XML result list and the HTML page share: the export's moment and event,
// the order of a class's competitors, the competitor number of a slot, names split
// into family and given name, and the punched positions of a read card.
#include "core/Calendar.h"
#include "core/Event.h"
#include "results/Identities.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quilo {

struct ExportInfo {
    std::string eventName;
    LocalDate eventDate; // the day the start times belong to (with the offset)
    LocalDate today;     // the day of the export
    Time now;            // the time of day of the export (the station's clock)
    Time limit;          // the time limit
    std::string creator; // "Quilo <version>"
    // The start list was not read whole: competitors may be missing, so the lists are
    // never final.
    bool startListIncomplete = false;
    // The sport's ids from Entries.xml, when the event was imported with them.
    std::shared_ptr<const Identities> identities;
};

// "Quilo" and the version the program was built as.
std::string CreatorText();

// Competitor number of every (class, slot); -1 where none.
class CompetitorNumbers {
public:
    explicit CompetitorNumbers(const Event& ev);
    int Of(int c, int s) const { return number_[static_cast<std::size_t>(c)][static_cast<std::size_t>(s)]; }

private:
    std::vector<std::vector<int>> number_;
};

// The slots of class c: those with a result in result order (equal keys in slot order),
// then those still out in start order.
std::vector<int> ExportOrder(const Event& ev, int c);

// Family and given name: the name split at its first blank (half-width or ideographic);
// a name without one is all family name.
struct SplitNameParts {
    std::string family, given;
};
SplitNameParts SplitName(std::string_view name);

// True when the read card has a punch taken for position p of its course.
inline bool Punched(const Event& ev, int n, int p) { return ev.PunchCodes[n][p] != 0 || !ev.PunchTimes[n][p].IsZero(); }
// False for a position the course file left without a code: no card can be checked
// against it, so the splits leave it out rather than show a control 0.
inline bool PositionHasCode(const Event& ev, int c, int p) { return ev.CourseControls[c][p][0] != 0; }
// The code shown for position p: the one punched, else the position's first code.
inline int SplitCode(const Event& ev, int c, int n, int p) {
    return ev.PunchCodes[n][p] != 0 ? ev.PunchCodes[n][p] : ev.CourseControls[c][p][0];
}

} // namespace quilo
