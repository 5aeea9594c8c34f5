#pragma once
// The tables of an event and the lines of a history as one text, so two reads of the
// same bytes (from a file and from memory) can be compared with a single EXPECT_EQ.
#include "core/Event.h"
#include "core/History.h"

#include <string>

namespace quilo::test {

inline std::string EventText(const Event& ev) {
    std::string s = "last " + std::to_string(ev.LastClassIndex) + " cards " + std::to_string(ev.Cards.Count()) + "\n";
    auto add = [&s](const std::string& v) { s += v + "|"; };
    auto num = [&s](long long v) { s += std::to_string(v) + "|"; };
    for (int c = 0; c < ev.ClassEntries(); ++c) {
        add(ev.ClassNames[c]);
        num(ev.ControlCount[c]);
        num(ev.ClassEntryCount[c]);
        num(ev.FirstStart[c].Seconds());
        num(ev.LastStart[c].Seconds());
        for (int p = 0; p <= kPositions; ++p)
            for (int a = 0; a < kAlternatives; ++a) num(ev.CourseControls[c][p][a]);
        for (std::size_t slot = 0; slot < ev.Entries[c].size(); ++slot) {
            const EntryRecord& e = ev.Entries[c][slot];
            for (const std::string* t : {&e.Status, &e.CheckStatus, &e.Name, &e.Club, &e.ManualStatus}) add(*t);
            for (long long v : {e.StartTime.Seconds(), e.RunningTime.Seconds(), e.ManualTime.Seconds(), e.CardTime.Seconds(),
                                e.LateAddition.Seconds()})
                num(v);
            for (long long v : {e.BibNumber, e.EcardNumber, e.ExtraNumber, e.Place}) num(v);
            num(e.Reference);
            num(e.CardRead);
        }
        s += "\n";
    }
    for (int n = 0; n < ev.Rows(); ++n) {
        num(ev.EntryClass[n]);
        num(ev.EntrySlot[n]);
        for (int p = 0; p <= kPositions; ++p) {
            num(ev.PunchTimes[n][p].Seconds());
            num(ev.PunchCodes[n][p]);
        }
    }
    return s;
}

inline std::string HistoryText(const History& h) {
    std::string s;
    for (const auto& l : h.Lines()) s += l.text + "#" + std::to_string(l.itemData) + (l.keepVisible ? "+" : "") + "\n";
    return s;
}

} // namespace quilo::test
