#pragma once
// The local date and the offset from UTC: the clock (core/History.h) gives only the
// time of day, but the exchange formats carry full date-times.
#include "core/Time.h"

#include <functional>
#include <string>
#include <string_view>

namespace quilo {

struct LocalDate {
    int year = 1970, month = 1, day = 1;
    int utcOffsetMinutes = 0; // east of UTC positive (+09:00 gives 540)
};

using Calendar = std::function<LocalDate()>;
Calendar SystemCalendar();

// "YYYY-MM-DD".
std::string IsoDate(const LocalDate& d);
// "YYYY-MM-DD" read strictly (a real day of the Gregorian calendar); false otherwise,
// leaving d as it was.
bool ParseIsoDate(std::string_view text, LocalDate& d);
// The same, also spelt "YYYY/MM/DD" (as the finish log writes it).
bool ParseDate(std::string_view text, LocalDate& d);
// "YYYY-MM-DDThh:mm:ss+hh:mm" for a time of the given day; 24 hours or more run into
// the following days.
std::string IsoDateTime(const LocalDate& d, Time t);

} // namespace quilo
