#pragma once
// The records the kill tests' driver appends: record k is a late start of KillMinutes(k)
// minutes for card KillCard(k), so the killer can tell which record a number names; and
// the start-list rows its entry-desk mode writes, step k giving KillEntryRow(k).
#include "core/Time.h"

#include <string>

namespace quilo::test {

// Demo-event cards of a class, none of them absent or holding a spare card.
inline constexpr int kKillCards[] = {10001, 10002, 10003, 10004, 10005, 10007, 10008};
inline constexpr long kKillCardCount = sizeof kKillCards / sizeof kKillCards[0];

inline int KillCard(long k) { return kKillCards[k % kKillCardCount]; }
// Differs from the card's previous record's, so each record shows in the state.
inline int KillMinutes(long k) { return static_cast<int>(k % 97) + 1; }

inline Time KillClock() { return Time::Hms(12, 0, 0); }

// The entry desk's steps: step k enters a new competitor, or each fourth step fixes the
// name and club of one of the start list's first rows (its line is its row number).
inline constexpr int kKillEntryRows = 6;
inline bool KillEntryIsFix(long k) { return k % 4 == 3; }
inline int KillEntryFixed(long k) { return static_cast<int>(k % kKillEntryRows); }
// Start-list row i (from 0) as the event is made.
inline std::string KillEntryFirstRow(int i) {
    const std::string n = std::to_string(i + 1);
    return "1000" + n + "," + (i % 2 ? "W21" : "M21") + ",10:0" + n + ":00,10" + n + ",選手" + n + "," + n + ",クラブ" + n;
}
inline std::string KillEntryName(long k) { return "当日 " + std::to_string(k); }
// With a comma every other step: the row quotes it.
inline std::string KillEntryClub(long k) { return k % 2 ? "Club, " + std::to_string(k) : "クラブ" + std::to_string(k); }
inline std::string KillEntryQuoted(const std::string& field) {
    return field.find(',') == std::string::npos ? field : "\"" + field + "\"";
}
// The row step k writes: a new competitor on card 30000 + k, or row KillEntryFixed(k)
// with its name and club replaced.
inline std::string KillEntryRow(long k) {
    if (KillEntryIsFix(k)) {
        const std::string first = KillEntryFirstRow(KillEntryFixed(k));
        std::string head; // card, class, start and bib
        for (int commas = 0, i = 0; commas < 4; ++i) {
            if (first[static_cast<std::size_t>(i)] == ',') ++commas;
            head += first[static_cast<std::size_t>(i)];
        }
        return head + KillEntryName(k) + "," + std::to_string(KillEntryFixed(k) + 1) + "," + KillEntryQuoted(KillEntryClub(k));
    }
    return std::to_string(30000 + k) + "," + (k % 2 ? "W21" : "M21") + ",10:30:00," + std::to_string(500 + k) + "," +
           KillEntryName(k) + ",0," + KillEntryQuoted(KillEntryClub(k));
}

} // namespace quilo::test
