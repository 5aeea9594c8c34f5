#pragma once
// Builds small events for the results tests.
#include "core/Event.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace quilo::test {

inline Time T(int h, int m, int s = 0) { return Time::Hms(h, m, s); }
inline std::string Sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

struct EventBuilder {
    std::unique_ptr<Event> ev = std::make_unique<Event>();

    explicit EventBuilder(std::initializer_list<const char*> classes) {
        int c = 0;
        for (const char* name : classes) ev->ClassNames[static_cast<std::size_t>(c++)] = name;
        ev->LastClassIndex = c - 1;
    }

    // Appends a competitor to class c with the start-list fields; results are set by the test.
    EntryRecord& Add(int c, Time start, int bib = 1, int ecard = 10000, const char* name = "N", int extra = 0,
                     const char* club = "C") {
        int s = ++ev->ClassEntryCount[static_cast<std::size_t>(c)];
        EntryRecord& r = ev->Entries[c][s];
        r.StartTime = start;
        r.BibNumber = bib;
        r.EcardNumber = ecard;
        r.Name = name;
        r.ExtraNumber = extra;
        r.Club = club;
        Time& first = ev->FirstStart[static_cast<std::size_t>(c)];
        Time& last = ev->LastStart[static_cast<std::size_t>(c)];
        if (first.IsZero() || start < first) first = start;
        if (start > last) last = start;
        return r;
    }

    Event& operator*() { return *ev; }
    Event* operator->() { return ev.get(); }
};

} // namespace quilo::test
