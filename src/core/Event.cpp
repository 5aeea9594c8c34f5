#include "core/Event.h"

#include "core/General.h"

namespace quilo {

bool CardIndex::Add(std::string_view key, int competitor) { return map_.emplace(AsciiLower(key), competitor).second; }

std::optional<int> CardIndex::Find(std::string_view key) const {
    auto it = map_.find(AsciiLower(key));
    if (it == map_.end()) return std::nullopt;
    return it->second;
}

bool CardIndex::Remove(std::string_view key) { return map_.erase(AsciiLower(key)) > 0; }

EntryRecord* Event::EntryOf(int n) {
    return const_cast<EntryRecord*>(static_cast<const Event*>(this)->EntryOf(n));
}

const EntryRecord* Event::EntryOf(int n) const {
    if (n < 0 || n >= kMaxCompetitors) return nullptr;
    int c = EntryClass[n], s = EntrySlot[n];
    if (c < 0 || c >= kMaxClasses || s < 1 || s > kMaxSlots) return nullptr;
    return &Entries[c][s];
}

int Event::ClassesInUse() const {
    if (LastClassIndex < 0) return 0;
    return LastClassIndex >= kMaxClasses ? kMaxClasses : LastClassIndex + 1;
}

} // namespace quilo
