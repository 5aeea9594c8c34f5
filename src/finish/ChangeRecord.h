#pragma once
// One correction as the change file keeps it: its kind, the card it names and its value.
// The one place that knows the record words, how a line reads and what a record does
// to a competitor; the replay and both dialogs go through it.
#include "core/Event.h"

#include <optional>
#include <string>
#include <string_view>

namespace quilo {

enum class ChangeKind { Absent, Late, HandTime, Code, Cancel, Reference, Official, Spare };

struct ChangeRecord {
    ChangeKind kind = ChangeKind::Cancel;
    std::string card;  // the E-card number text (for Spare: the spare card)
    std::string value; // minutes, time or code; for Spare: the user's card; else empty

    // The line as written to the change file (no line end).
    std::string Text() const;
    // A line of the change file; nothing when it has no "/" or names no known kind.
    static std::optional<ChangeRecord> Parse(std::string_view line);
};

enum class ChangeOutcome {
    Applied,
    UnknownCard, // the card (for Spare: either card) leads to no competitor
    BadValue,    // a hand time that is no time; nothing changed
};

// Applies the record to the competitor its card leads to: the operator's fields (with
// Status and RunningTime as a record leaves them for a card not read), then, for a card
// already read, the result fields again from the card. Spare re-keys the card index.
ChangeOutcome ApplyChangeRecord(Event& ev, const ChangeRecord& record);

// The same as the record will read back from the change file (CP932, field splitting),
// so the running program never differs from the next start.
ChangeOutcome ApplyAsStored(Event& ev, const ChangeRecord& record);

} // namespace quilo
