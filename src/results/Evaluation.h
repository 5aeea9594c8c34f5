#pragma once
// Judging, timing and ordering a competitor's record.
#include "core/Event.h"
#include "core/IniFile.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quilo {

enum class CompetitorState { Absent, NotReturned, Provisional, Confirmed, Coded };

CompetitorState StateOf(const EntryRecord& r);
// Exact, case-sensitive comparison of a status with a code. Inline with the code's
// length known, it compiles to a few instructions instead of a library call.
inline bool IsStatus(const std::string& status, std::string_view code) {
    return status.size() == code.size() && std::memcmp(status.data(), code.data(), code.size()) == 0;
}
// Slots in use of class c (ClassEntryCount, kept within the table).
int SlotCount(const Event& ev, int c);
bool HasResult(const EntryRecord& r); // status not empty or a running time

// The time limit from the text of TimeLimit: leading number, whole minutes in 16 bits.
Time TimeLimitFromText(const std::string& text);
Time TimeLimitOf(const IniFile& settings);

bool IsOverTimeLimit(const EntryRecord& r, Time limit);
std::string RunningTimeText(const EntryRecord& r);
std::string ResultSortKey(const EntryRecord& r);
std::string StartOrderKey(const EntryRecord& r);

// Latest start among the class's non-reference competitors still out (0 when none).
Time LatestStartOut(const Event& ev, int c);
// Promotes every provisional result of the class shorter than the time its competitors
// still out have been out to "OK".
void ConfirmClassResults(Event& ev, int c, Time now);
void AssignClassPlaces(Event& ev, int c);

// The sorter of the lists and files: (key, slot) items of one class at a time, read
// back ascending by key text, equal keys in the order added. It keeps its buffers
// between classes and sorts small fixed items, not strings.
class KeySorter {
public:
    void Clear();
    void Add(std::string_view key, int slot);
    void Sort();
    int Count() const { return static_cast<int>(items_.size()); }
    int SlotAt(int i) const { return items_[static_cast<std::size_t>(i)].slot; }

private:
    struct Item {
        std::uint64_t prefix; // the first 8 bytes of the key, big-endian, zero-padded
        std::uint32_t offset; // the whole key in arena_
        std::uint32_t length;
        int slot;
        int seq;
    };
    std::vector<Item> items_;
    std::string arena_;
};

} // namespace quilo
