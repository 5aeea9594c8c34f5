#pragma once
// The records the kill tests' driver appends: record k is a late start of KillMinutes(k)
// minutes for card KillCard(k), so the killer can tell which record a number names.
#include "core/Time.h"

namespace quilo::test {

// Demo-event cards of a class, none of them absent or holding a spare card.
inline constexpr int kKillCards[] = {10001, 10002, 10003, 10004, 10005, 10007, 10008};
inline constexpr long kKillCardCount = sizeof kKillCards / sizeof kKillCards[0];

inline int KillCard(long k) { return kKillCards[k % kKillCardCount]; }
// Differs from the card's previous record's, so each record shows in the state.
inline int KillMinutes(long k) { return static_cast<int>(k % 97) + 1; }

inline Time KillClock() { return Time::Hms(12, 0, 0); }

} // namespace quilo::test
