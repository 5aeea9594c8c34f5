#pragma once
// Checks that the event tables keep their shapes: slot 0 and position 0 stay untouched,
// every table of a kind has one size, and every count and number points inside them.
#include "core/Event.h"

#include <string>

namespace quilo::test {

inline bool IsBlankRecord(const EntryRecord& r) {
    return r.StartTime.IsZero() && r.BibNumber == 0 && r.EcardNumber == 0 && r.Status.empty() && r.CheckStatus.empty() &&
           r.Name.empty() && r.Club.empty() && r.RunningTime.IsZero() && r.ExtraNumber == 0 && r.Place == 0 &&
           r.ManualStatus.empty() && r.ManualTime.IsZero() && r.CardTime.IsZero() && r.LateAddition.IsZero() && !r.Reference;
}

// "" when the tables keep to their shapes, else what broke them.
inline std::string TablesIntact(const Event& ev) {
    const int classes = ev.ClassEntries();
    if (classes < kMinClassEntries) return "fewer than ten class entries";
    for (std::size_t size : {ev.CourseControls.size(), ev.ControlCount.size(), ev.ClassEntryCount.size(), ev.Entries.size(),
                             ev.FirstStart.size(), ev.LastStart.size()})
        if (size != static_cast<std::size_t>(classes)) return "class tables of different sizes";
    const auto rows = static_cast<std::size_t>(ev.Rows());
    for (std::size_t size : {ev.EntrySlot.size(), ev.CardTexts.size(), ev.PunchTimes.size(), ev.PunchCodes.size()})
        if (size != rows) return "competitor tables of different sizes";
    if (ev.LastClassIndex < -1 || ev.LastClassIndex >= classes) return "LastClassIndex out of range";
    if (ev.Cards.Count() > ev.Rows()) return "card index beyond the start-list rows";
    for (int c = 0; c < classes; ++c) {
        const std::string cls = "class " + std::to_string(c) + ": ";
        if (ev.ControlCount[c] < 0 || ev.ControlCount[c] > kPositions) return cls + "ControlCount out of range";
        if (ev.ClassEntryCount[c] < 0 || ev.Entries[c].size() != static_cast<std::size_t>(ev.ClassEntryCount[c]) + 1)
            return cls + "ClassEntryCount and slots differ";
        for (int a = 0; a < kAlternatives; ++a)
            if (ev.CourseControls[c][0][a] != 0) return cls + "position 0 written";
        if (!IsBlankRecord(ev.Entries[c][0])) return cls + "slot 0 written";
    }
    for (int n = 0; n < ev.Rows(); ++n) {
        const int c = ev.EntryClass[n], s = ev.EntrySlot[n];
        const std::string who = "competitor " + std::to_string(n) + ": ";
        if (c == -1 && s != -1) return who + "spare row with a slot";
        if (c < -1 || c >= classes) return who + "EntryClass out of range";
        if (c >= 0 && (s < 1 || s > ev.ClassEntryCount[c])) return who + "EntrySlot out of range";
        if (!ev.PunchTimes[n][0].IsZero()) return who + "punch position 0 written";
    }
    return {};
}

} // namespace quilo::test
