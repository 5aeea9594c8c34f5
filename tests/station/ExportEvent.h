#pragma once
// A small event for the export tests: classes with courses, runners registered in the
// card index, and card reads through the punch check.
#include "../results/ResultsFixture.h"
#include "finish/FinishLog.h"
#include "results/ExportCommon.h"

#include <string>
#include <vector>

namespace quilo::test {

struct ExportEvent {
    EventBuilder b;
    int next = 0;  // next competitor number

    explicit ExportEvent(std::initializer_list<const char*> classes) : b(classes) {}

    // Positions in order (each with up to three alternatives) and the finish code.
    void Course(int c, const std::vector<std::vector<int>>& positions, int finish = 100) {
        for (std::size_t p = 0; p < positions.size(); ++p)
            for (std::size_t a = 0; a < positions[p].size(); ++a) b->CourseControls[c][p + 1][a] = positions[p][a];
        b->ControlCount[c] = static_cast<int>(positions.size());
        b->CourseControls[c][kFinishPosition][0] = finish;
    }

    // A runner of class c; returns the competitor number.
    int Runner(int c, Time start, int bib, const char* name = "N", const char* club = "C") {
        const int n = next++;
        EntryRecord& r = b.Add(c, start, bib, 10000 + n, name, 0, club);
        (void)r;
        b->EntryClass[n] = c;
        b->EntrySlot[n] = b->ClassEntryCount[c];
        b->Cards.Add(std::to_string(10000 + n), n);
        return n;
    }

    // A card read with "code,h:mm:ss" pairs as the punch check sees them.
    void Read(int n, const std::string& pairs) {
        CheckLine(*b, n, "001,(" + std::to_string(10000 + n) + "),2024/05/12,10:00:00,x,y," + pairs);
    }

    EntryRecord& Rec(int n) { return *b->EntryOf(n); }
    Event& Tables() { return *b; }
};

inline ExportInfo FixedInfo(Time now = Time::Hms(12, 0, 0)) {
    ExportInfo info;
    info.eventName = "テスト大会";
    info.eventDate = {2024, 5, 12, 540};
    info.today = {2024, 5, 12, 540};
    info.now = now;
    info.limit = Time::Minutes(150);
    info.creator = "Quilo 0.1";
    return info;
}

} // namespace quilo::test
