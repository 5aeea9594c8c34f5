#include "results/Evaluation.h"

#include "core/Numbers.h"
#include "results/LineParts.h"

#include <algorithm>
#include <array>

namespace quilo {

CompetitorState StateOf(const EntryRecord& r) {
    if (r.Status.empty()) return r.RunningTime.IsZero() ? CompetitorState::NotReturned : CompetitorState::Provisional;
    if (IsStatus(r.Status, "DNS")) return CompetitorState::Absent;
    if (IsStatus(r.Status, "OK")) return CompetitorState::Confirmed;
    return CompetitorState::Coded;
}

int SlotCount(const Event& ev, int c) { return static_cast<int>(ev.Entries[static_cast<std::size_t>(c)].size()) - 1; }

bool HasResult(const EntryRecord& r) { return !r.Status.empty() || !r.RunningTime.IsZero(); }

Time TimeLimitFromText(const std::string& text) { return Time::Minutes(LeadingInt16(text)); }

Time TimeLimitOf(const IniFile& settings) { return TimeLimitFromText(settings.Item("TimeLimit")); }

bool IsOverTimeLimit(const EntryRecord& r, Time limit) { return r.RunningTime > limit; }

std::string RunningTimeText(const EntryRecord& r) {
    std::string out;
    parts::LineWriter(out).RunningTime(r.RunningTime);
    return out;
}

std::string ResultSortKey(const EntryRecord& r) {
    std::string out;
    const std::string& st = r.Status;
    if (st.empty() || IsStatus(st, "OK")) {
        parts::LineWriter(out).HhNnSs(r.RunningTime);
    } else if (IsStatus(st, "DNF")) {
        out += "99:99:97";
    } else if (IsStatus(st, "DNQ")) {
        out += "99:99:98";
    } else if (st[0] == 'P') {
        out += "99:99:";
        out += ZeroPad(RoundHalfEven(LeadingNumber(std::string_view(st).substr(1))), 2);
    } else {
        out += "99:99:99";
    }
    return out;
}

std::string StartOrderKey(const EntryRecord& r) {
    std::string key;
    parts::LineWriter(key).HhNn(r.StartTime);
    return key;
}

Time LatestStartOut(const Event& ev, int c) {
    Time latest;
    const int count = SlotCount(ev, c);
    for (int s = 1; s <= count; ++s) {
        const EntryRecord& r = ev.Entries[c][s];
        if (r.Status.empty() && r.RunningTime.IsZero() && !r.Reference && r.StartTime > latest) latest = r.StartTime;
    }
    return latest;
}

void ConfirmClassResults(Event& ev, int c, Time now) {
    const Time threshold = now - LatestStartOut(ev, c);
    const int count = SlotCount(ev, c);
    for (int s = 1; s <= count; ++s) {
        EntryRecord& r = ev.Entries[c][s];
        if (!r.RunningTime.IsZero() && r.RunningTime < threshold && r.Status.empty()) r.Status = "OK";
    }
}

void AssignClassPlaces(Event& ev, int c) {
    // The key is the running time as "hh:nn:ss"; its text order and equality are those
    // of the second of the day, so the integer serves and no text is built.
    static thread_local std::vector<std::pair<std::int64_t, int>> keys;
    int placed = 0;
    const int count = SlotCount(ev, c);
    keys.resize(static_cast<std::size_t>(count));
    for (int s = 1; s <= count; ++s) {
        EntryRecord& r = ev.Entries[c][s];
        r.Place = 0;
        const CompetitorState st = StateOf(r);
        if (r.Reference || (st != CompetitorState::Confirmed && st != CompetitorState::Provisional)) continue;
        std::int64_t secs = r.RunningTime.Seconds() % 86400;
        if (secs < 0) secs += 86400;
        keys[static_cast<std::size_t>(placed++)] = {secs, s};
    }
    // Equal times share a place, so the order among them does not matter.
    std::sort(keys.begin(), keys.begin() + placed);
    int place = 0;
    for (int i = 0; i < placed; ++i) {
        const auto& key = keys[static_cast<std::size_t>(i)];
        if (i == 0 || key.first != keys[static_cast<std::size_t>(i - 1)].first) place = i + 1;
        ev.Entries[c][key.second].Place = place;
    }
}

void KeySorter::Clear() {
    items_.clear();
    arena_.clear();
}

void KeySorter::Add(std::string_view key, int slot) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        prefix <<= 8;
        if (i < key.size()) prefix |= static_cast<unsigned char>(key[i]);
    }
    items_.push_back({prefix, static_cast<std::uint32_t>(arena_.size()), static_cast<std::uint32_t>(key.size()), slot,
                      static_cast<int>(items_.size())});
    arena_ += key;
}

void KeySorter::Sort() {
    std::string_view arena = arena_;
    // Keys of up to 8 bytes are decided by their prefix; only longer ones (P codes of
    // three digits or more) need the whole text. The order added breaks ties.
    std::sort(items_.begin(), items_.end(), [arena](const Item& a, const Item& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (a.length > 8 || b.length > 8) {
            int cmp = arena.substr(a.offset, a.length).compare(arena.substr(b.offset, b.length));
            if (cmp != 0) return cmp < 0;
        }
        return a.seq < b.seq;
    });
}

} // namespace quilo
