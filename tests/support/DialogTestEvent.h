#pragma once
// A small event for the dialog tests, filled straight into a station's tables: two
// classes, a few competitors and a spare card, with the clock standing at 10:15:00.
#include "Clock.h"
#include "EventBuilder.h"
#include "TestSupport.h"
#include "station/Station.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quilo::test {

class DialogTestEvent {
public:
    DialogTestEvent() : station(dir.Path(), FixedClock(10, 15, 0)), tables(station.Tables()) {
        tables.Classes({"M21", "W21"});
        tables->ControlCount[0] = 3;
        tables->ControlCount[1] = 0;
    }

    // A competitor of class cls on the card, starting at 9:05; returns the competitor number.
    int Add(int cls, int card, int bib, const std::string& name) {
        return tables.Competitor(cls, T(9, 5), bib, card, name.c_str(), 7, "OLC");
    }

    // A start-list row with class "**".
    int AddSpare(int card) { return tables.Spare(std::to_string(card)); }

    EntryRecord& Rec(int n) { return tables.Rec(n); }

    // The start-list row (competitor number) of a card as spelled there; -1 when none.
    int Row(const std::string& card) const {
        const Event& ev = station.Tables();
        for (int n = 0; n < ev.Cards.Count(); ++n)
            if (ev.CardTexts[static_cast<std::size_t>(n)] == card) return n;
        return -1;
    }
    int Row(int card) const { return Row(std::to_string(card)); }

    Strings Records() const {
        if (!std::filesystem::exists(dir.File("Change.dat"))) return {};
        return ReadCp932Lines(dir.File("Change.dat"));
    }

    Strings HistoryTexts() const { return station.OperationHistory().Texts(); }
    std::vector<int> HistoryItems() const {
        std::vector<int> items;
        for (const auto& l : station.OperationHistory().Lines()) items.push_back(l.itemData);
        return items;
    }

    // Makes every SaveData fail: the change file's name is taken by a folder.
    void BreakChangeFile() { std::filesystem::create_directory(dir.File("Change.dat")); }

    TempDir dir;
    Station station;
    EventBuilder tables;
};

} // namespace quilo::test
