#pragma once
// Time helpers of the tests: a clock that always shows the same time of day.
// <functional> first: moc cannot parse <compare> when no standard header came before it.
#include <functional>

#include "core/History.h"
#include "core/Time.h"

namespace quilo::test {

inline Time T(int h, int m, int s = 0) { return Time::Hms(h, m, s); }

inline Clock FixedClock(Time t) {
    return [t] { return t; };
}

inline Clock FixedClock(int h, int m, int s) { return FixedClock(Time::Hms(h, m, s)); }

} // namespace quilo::test
