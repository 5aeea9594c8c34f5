#pragma once
// The event tables: classes and courses, competitors and their results, punch times
// and the card index. Indexed directly; the class tables grow with the course file, the
// competitor tables with the start list, and nothing limits them but memory.
#include "core/Time.h"

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quilo {

constexpr int kPositions = 31;      // position 1..31
constexpr int kFinishPosition = 31; // position 31 holds the finish codes
constexpr int kAlternatives = 3;    // alternative 0..2
// The class tables never hold fewer entries than this. A start-list row with an empty
// class field takes the first entry without a name: below ten classes that is an entry
// after the last class, which nothing shows; from ten classes on there is none.
constexpr int kMinClassEntries = 10;

// [alternative]: the codes a position accepts, 0 = none.
using Alternatives = std::array<int, kAlternatives>;
// [position 0..31][alternative]; position 0 is unused.
using CourseCodes = std::array<Alternatives, kPositions + 1>;
// [position 0..31]; position 0 is unused.
using PunchRow = std::array<Time, kPositions + 1>;
using PunchCodeRow = std::array<int, kPositions + 1>;

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
    bool operator==(const EntryRecord&) const = default;
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
    Event() { EnsureClassEntries(kMinClassEntries); }

    // The class tables, [class] (ClassEntries() entries each).
    std::vector<std::string> ClassNames;
    int LastClassIndex = 0;
    std::vector<CourseCodes> CourseControls;
    std::vector<int> ControlCount;
    CardIndex Cards;
    // The competitor tables, [competitor] (one entry per start-list row, Rows() in all).
    // The card of each start-list row as the start list spells it.
    std::vector<std::string> CardTexts;
    std::vector<int> EntryClass;
    std::vector<int> EntrySlot;
    std::vector<int> ClassEntryCount;
    // [class][slot 0..ClassEntryCount]; slot 0 is unused. A deque, so that a record
    // stays where it is while its class grows.
    std::vector<std::deque<EntryRecord>> Entries;
    std::vector<PunchRow> PunchTimes;
    // The code taken beside each punch time (0 = none); kept in memory only, for the
    // split times of the result exports.
    std::vector<PunchCodeRow> PunchCodes;
    std::vector<Time> FirstStart;
    std::vector<Time> LastStart;

    EntryRecord& Entry(int c, int s) { return Entries[c][s]; }
    const EntryRecord& Entry(int c, int s) const { return Entries[c][s]; }
    // The record of a competitor number, or null for a spare-card row or a bad number.
    EntryRecord* EntryOf(int competitor);
    const EntryRecord* EntryOf(int competitor) const;
    // Class indexes in use: 0..LastClassIndex, never beyond the tables.
    int ClassesInUse() const;

    int ClassEntries() const { return static_cast<int>(ClassNames.size()); }
    int Rows() const { return static_cast<int>(EntryClass.size()); }
    // Grows every class table to at least `count` entries (new ones empty).
    void EnsureClassEntries(int count);
    // Adds the next start-list row (class -1 for a spare card) and returns its number;
    // for a class, also its next slot, which AddRow gives the competitor.
    int AddRow(int c, const std::string& cardText);
    // Room for `rows` start-list rows in the competitor tables, so a long start list
    // fills them without moving them as they grow.
    void ReserveRows(std::size_t rows);
};

} // namespace quilo
