#pragma once
// Checks that nothing was written outside the event tables' used cells: slot 0 and
// position 0 stay untouched, slots beyond a class's count stay blank, and every count
// and competitor number stays within its limit.
#include "core/Event.h"

#include <string>

namespace quilo::test {

inline bool IsBlankRecord(const EntryRecord& r) {
    return r.StartTime.IsZero() && r.BibNumber == 0 && r.EcardNumber == 0 && r.Status.empty() && r.CheckStatus.empty() &&
           r.Name.empty() && r.Club.empty() && r.RunningTime.IsZero() && r.ExtraNumber == 0 && r.Place == 0 &&
           r.ManualStatus.empty() && r.ManualTime.IsZero() && r.CardTime.IsZero() && r.LateAddition.IsZero() &&
           !r.Reference;
}

// "" when the tables keep to their limits, else what broke them.
inline std::string TablesIntact(const Event& ev) {
    if (ev.LastClassIndex < -1 || ev.LastClassIndex >= kMaxClasses) return "LastClassIndex out of range";
    if (ev.Cards.Count() > kMaxCompetitors) return "card index beyond 501 entries";
    for (int c = 0; c < kMaxClasses; ++c) {
        const std::string cls = "class " + std::to_string(c) + ": ";
        if (ev.ControlCount[c] < 0 || ev.ControlCount[c] > kPositions) return cls + "ControlCount out of range";
        if (ev.ClassEntryCount[c] < 0 || ev.ClassEntryCount[c] > kMaxSlots) return cls + "ClassEntryCount out of range";
        for (int a = 0; a < kAlternatives; ++a)
            if (ev.CourseControls[c][0][a] != 0) return cls + "position 0 written";
        if (!IsBlankRecord(ev.Entries[c][0])) return cls + "slot 0 written";
        for (int s = ev.ClassEntryCount[c] + 1; s <= kMaxSlots; ++s)
            if (!IsBlankRecord(ev.Entries[c][s])) return cls + "slot " + std::to_string(s) + " beyond the count written";
    }
    for (int n = 0; n < kMaxCompetitors; ++n) {
        const int c = ev.EntryClass[n], s = ev.EntrySlot[n];
        const std::string who = "competitor " + std::to_string(n) + ": ";
        if (c == -1 && s != -1) return who + "spare row with a slot";
        if (c < -1 || c >= kMaxClasses) return who + "EntryClass out of range";
        if (c >= 0 && s != 0 && (s < 1 || s > ev.ClassEntryCount[c])) return who + "EntrySlot out of range";
        if (!ev.PunchTimes[n][0].IsZero()) return who + "punch position 0 written";
    }
    return {};
}

} // namespace quilo::test
