#pragma once
// Fills the event tables the way the readers would: class names, courses, records in
// their class slots, and card index rows (competitors and spare cards).
#include "core/Event.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace quilo::test {

class EventBuilder {
public:
    // A fresh event of its own, held on the heap (the tables are large).
    EventBuilder() : owned_(std::make_unique<Event>()), ev_(owned_.get()) {}
    explicit EventBuilder(std::initializer_list<const char*> classes) : EventBuilder() { Classes(classes); }
    // Tables held elsewhere, such as a station's.
    explicit EventBuilder(Event& tables) : ev_(&tables) {}

    // Names classes 0.. in order; the last one named is the last class in use.
    void Classes(std::initializer_list<const char*> names) {
        int c = 0;
        for (const char* name : names) ev_->ClassNames[static_cast<std::size_t>(c++)] = name;
        ev_->LastClassIndex = c - 1;
    }

    // Positions in order (each with up to three alternatives) and the finish code.
    void Course(int c, const std::vector<std::vector<int>>& positions, int finish = 100) {
        for (std::size_t p = 0; p < positions.size(); ++p)
            for (std::size_t a = 0; a < positions[p].size(); ++a) ev_->CourseControls[c][p + 1][a] = positions[p][a];
        ev_->ControlCount[static_cast<std::size_t>(c)] = static_cast<int>(positions.size());
        ev_->CourseControls[c][kFinishPosition][0] = finish;
    }

    // A record in class c's next slot with the start-list fields, widening the class's
    // start range; not in the card index. Results are set by the test.
    EntryRecord& Add(int c, Time start, int bib = 1, int ecard = 10000, const char* name = "N", int extra = 0,
                     const char* club = "C") {
        int s = ++ev_->ClassEntryCount[static_cast<std::size_t>(c)];
        ev_->Entries[static_cast<std::size_t>(c)].resize(static_cast<std::size_t>(s) + 1);
        EntryRecord& r = ev_->Entries[c][s];
        r.StartTime = start;
        r.BibNumber = bib;
        r.EcardNumber = ecard;
        r.Name = name;
        r.ExtraNumber = extra;
        r.Club = club;
        Time& first = ev_->FirstStart[static_cast<std::size_t>(c)];
        Time& last = ev_->LastStart[static_cast<std::size_t>(c)];
        if (first.IsZero() || start < first) first = start;
        if (start > last) last = start;
        return r;
    }

    // A card index row pointing at class c, slot s (-1, -1 for a spare card); returns
    // its competitor number, the next free one.
    int Card(const std::string& key, int c, int s) {
        const int n = ev_->Rows();
        ev_->Cards.Add(key, n);
        ev_->EntryClass.push_back(c);
        ev_->EntrySlot.push_back(s);
        ev_->CardTexts.push_back(key);
        ev_->PunchTimes.emplace_back();
        ev_->PunchCodes.emplace_back();
        // A slot given before its record is added exists, blank, as a start-list row's would.
        if (c >= 0 && ev_->Entries[static_cast<std::size_t>(c)].size() <= static_cast<std::size_t>(s))
            ev_->Entries[static_cast<std::size_t>(c)].resize(static_cast<std::size_t>(s) + 1);
        if (EntryRecord* r = ev_->EntryOf(n)) r->EcardText = key;
        return n;
    }

    // A start-list row of class c: the record and its card; returns the competitor number.
    int Competitor(int c, Time start, int bib, int ecard, const char* name = "N", int extra = 0, const char* club = "C") {
        Add(c, start, bib, ecard, name, extra, club);
        return Card(std::to_string(ecard), c, ev_->ClassEntryCount[static_cast<std::size_t>(c)]);
    }

    // A start-list row with class "**".
    int Spare(const std::string& key) { return Card(key, -1, -1); }

    EntryRecord& Rec(int n) { return *ev_->EntryOf(n); }
    Event& Tables() { return *ev_; }
    Event& operator*() { return *ev_; }
    Event* operator->() { return ev_; }

private:
    std::unique_ptr<Event> owned_;
    Event* ev_;
};

} // namespace quilo::test
