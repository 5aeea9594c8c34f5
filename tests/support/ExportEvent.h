#pragma once
// A small event for the export tests: classes with courses, runners registered in the
// card index, and card reads through the punch check.
#include "Clock.h"
#include "EventBuilder.h"
#include "finish/FinishLog.h"
#include "results/ExportCommon.h"

#include <string>

namespace quilo::test {

struct ExportEvent : EventBuilder {
    using EventBuilder::EventBuilder;

    // A runner of class c on card 10000 + its competitor number; returns that number.
    int Runner(int c, Time start, int bib, const char* name = "N", const char* club = "C") {
        return Competitor(c, start, bib, 10000 + Tables().Cards.Count(), name, 0, club);
    }

    // A card read with "code,h:mm:ss" pairs as the punch check sees them.
    void Read(int n, const std::string& pairs) {
        CheckLine(Tables(), n, "001,(" + std::to_string(10000 + n) + "),2024/05/12,10:00:00,x,y," + pairs);
    }
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
