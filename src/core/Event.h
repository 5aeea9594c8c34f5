#pragma once
// The event tables: classes and courses, competitors and their results, punch times
// and the card index. Fixed sizes, indexed directly.
#include "core/Time.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quilo {

constexpr int kMaxClasses = 10;        // class index 0..9
constexpr int kPositions = 31;         // position 1..31
constexpr int kFinishPosition = 31;    // position 31 holds the finish codes
constexpr int kAlternatives = 3;       // alternative 0..2
constexpr int kMaxSlots = 300;         // slot 1..300
constexpr int kMaxCompetitors = 501;   // competitor number 0..500

struct EntryRecord {
    Time StartTime;
    int BibNumber = 0;
    int EcardNumber = 0;
    // The card it runs on as the start list spells it ("01234"), for the change records.
    std::string EcardText;
    std::string Status;
    std::string CheckStatus;
    std::string Name;
    std::string Club;
    Time RunningTime;
    int ExtraNumber = 0;
    int Place = 0;
    std::string ManualStatus;
    Time ManualTime;
    Time CardTime;
    Time LateAddition;
    bool Reference = false;
    // The card was read since the program started (kept in memory only).
    bool CardRead = false;
};

// E-card number text -> competitor number. Keys compare without regard to letter case.
class CardIndex {
public:
    // False (and nothing changes) when the key is already present.
    bool Add(std::string_view key, int competitor);
    std::optional<int> Find(std::string_view key) const;
    bool Remove(std::string_view key);
    int Count() const { return static_cast<int>(map_.size()); }
    void Clear() { map_.clear(); }

private:
    std::unordered_map<std::string, int> map_;
};

struct Event {
    std::array<std::string, kMaxClasses> ClassNames{};
    int LastClassIndex = 0;
    // [class][position 0..31][alternative]; position 0 is unused.
    int CourseControls[kMaxClasses][kPositions + 1][kAlternatives] = {};
    std::array<int, kMaxClasses> ControlCount{};
    CardIndex Cards;
    // [competitor]: the card of each start-list row as the start list spells it.
    std::array<std::string, kMaxCompetitors> CardTexts{};
    std::array<int, kMaxCompetitors> EntryClass{};
    std::array<int, kMaxCompetitors> EntrySlot{};
    std::array<int, kMaxClasses> ClassEntryCount{};
    // [class][slot 0..300]; slot 0 is unused.
    EntryRecord Entries[kMaxClasses][kMaxSlots + 1];
    // [competitor][position 0..31]; position 0 is unused.
    Time PunchTimes[kMaxCompetitors][kPositions + 1];
    // [competitor][position]: the code taken beside each punch time (0 = none); kept in
    // memory only, for the split times of the result exports.
    int PunchCodes[kMaxCompetitors][kPositions + 1] = {};
    std::array<Time, kMaxClasses> FirstStart{};
    std::array<Time, kMaxClasses> LastStart{};
    int SortByResult = 0;

    EntryRecord& Entry(int c, int s) { return Entries[c][s]; }
    const EntryRecord& Entry(int c, int s) const { return Entries[c][s]; }
    // The record of a competitor number, or null for a spare-card row or a bad number.
    EntryRecord* EntryOf(int competitor);
    const EntryRecord* EntryOf(int competitor) const;
    // Class indexes in use: 0..LastClassIndex, never beyond the table.
    int ClassesInUse() const;
};

} // namespace quilo
