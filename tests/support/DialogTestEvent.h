#pragma once
// A small event for the dialog tests, filled straight into the tables: two classes,
// a few competitors and a spare card, with the clock standing at 10:15:00.
#include "TestSupport.h"
#include "core/Event.h"
#include "core/General.h"
#include "station/Station.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quilo::test {

class DialogTestEvent {
public:
    DialogTestEvent() : station(dir.Path(), [] { return Time::Hms(10, 15, 0); }) {
        Event& ev = station.Tables();
        ev.LastClassIndex = 1;
        ev.ClassNames[0] = "M21";
        ev.ClassNames[1] = "W21";
        ev.ControlCount[0] = 3;
        ev.ControlCount[1] = 0;
    }

    // Files the competitor into its class's next slot and the card index; returns the
    // competitor number.
    int Add(int cls, int card, int bib, const std::string& name) {
        Event& ev = station.Tables();
        int n = ev.Cards.Count();
        ev.Cards.Add(std::to_string(card), n);
        int s = ++ev.ClassEntryCount[cls];
        ev.EntryClass[n] = cls;
        ev.EntrySlot[n] = s;
        EntryRecord& r = ev.Entry(cls, s);
        r.EcardNumber = card;
        r.BibNumber = bib;
        r.Name = name;
        r.Club = "OLC";
        r.ExtraNumber = 7;
        r.StartTime = Time::Hms(9, 5, 0);
        return n;
    }

    // A start-list row with class "**".
    int AddSpare(int card) {
        Event& ev = station.Tables();
        int n = ev.Cards.Count();
        ev.Cards.Add(std::to_string(card), n);
        ev.EntryClass[n] = -1;
        ev.EntrySlot[n] = -1;
        return n;
    }

    EntryRecord& Rec(int n) { return *station.Tables().EntryOf(n); }

    std::vector<std::string> Records() const {
        if (!std::filesystem::exists(dir.File("Change.dat"))) return {};
        return ReadCp932Lines(dir.File("Change.dat"));
    }

    std::vector<std::string> HistoryTexts() const { return station.OperationHistory().Texts(); }
    std::vector<int> HistoryItems() const {
        std::vector<int> items;
        for (const auto& l : station.OperationHistory().Lines()) items.push_back(l.itemData);
        return items;
    }

    // Makes every SaveData fail: the change file's name is taken by a folder.
    void BreakChangeFile() { std::filesystem::create_directory(dir.File("Change.dat")); }

    TempDir dir;
    Station station;
};

} // namespace quilo::test
