#include "core/Event.h"

#include "core/Fields.h"

#include <algorithm>

namespace quilo {

bool CardIndex::Add(std::string_view key, int competitor) { return map_.emplace(AsciiLower(key), competitor).second; }

std::optional<int> CardIndex::Find(std::string_view key) const {
    auto it = map_.find(AsciiLower(key));
    if (it == map_.end()) return std::nullopt;
    return it->second;
}

bool CardIndex::Remove(std::string_view key) { return map_.erase(AsciiLower(key)) > 0; }

EntryRecord* Event::EntryOf(int n) { return const_cast<EntryRecord*>(static_cast<const Event*>(this)->EntryOf(n)); }

const EntryRecord* Event::EntryOf(int n) const {
    if (n < 0 || n >= Rows()) return nullptr;
    const auto c = static_cast<std::size_t>(EntryClass[n]);
    const int s = EntrySlot[n];
    if (c >= Entries.size() || s < 1 || static_cast<std::size_t>(s) >= Entries[c].size()) return nullptr;
    return &Entries[c][static_cast<std::size_t>(s)];
}

int Event::ClassesInUse() const {
    if (LastClassIndex < 0) return 0;
    return std::min(LastClassIndex + 1, ClassEntries());
}

void Event::EnsureClassEntries(int count) {
    const auto n = static_cast<std::size_t>(std::max(count, kMinClassEntries));
    if (ClassNames.size() >= n) return;
    ClassNames.resize(n);
    CourseControls.resize(n, CourseCodes{});
    ControlCount.resize(n, 0);
    ClassEntryCount.resize(n, 0);
    // Slot 0 of every class is there from the start and never used.
    Entries.resize(n, std::deque<EntryRecord>(1));
    FirstStart.resize(n);
    LastStart.resize(n);
}

void Event::ReserveRows(std::size_t rows) {
    CardTexts.reserve(rows);
    PunchTimes.reserve(rows);
    PunchCodes.reserve(rows);
    EntryClass.reserve(rows);
    EntrySlot.reserve(rows);
}

int Event::AddRow(int c, const std::string& cardText) {
    const int n = Rows();
    CardTexts.push_back(cardText);
    PunchTimes.emplace_back();
    PunchCodes.emplace_back();
    if (c < 0) {
        EntryClass.push_back(-1);
        EntrySlot.push_back(-1);
        return n;
    }
    auto& slots = Entries[static_cast<std::size_t>(c)];
    const int s = ++ClassEntryCount[static_cast<std::size_t>(c)];
    slots.resize(static_cast<std::size_t>(s) + 1);
    EntryClass.push_back(c);
    EntrySlot.push_back(s);
    return n;
}

} // namespace quilo
