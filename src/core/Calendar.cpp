#include "core/Calendar.h"

#include <cstdio>
#include <ctime>

namespace quilo {
namespace {

// Days since 1970-01-01 of a Gregorian date and back (H. Hinnant's civil algorithms).
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

} // namespace

Calendar SystemCalendar() {
    return [] {
        std::time_t t = std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        LocalDate d;
        d.year = tm.tm_year + 1900;
        d.month = tm.tm_mon + 1;
        d.day = tm.tm_mday;
        d.utcOffsetMinutes = static_cast<int>(tm.tm_gmtoff / 60);
        return d;
    };
}

std::string IsoDate(const LocalDate& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

namespace {

bool ParseDateWith(std::string_view text, char separator, LocalDate& d) {
    if (text.size() != 10 || text[4] != separator || text[7] != separator) return false;
    for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (text[i] < '0' || text[i] > '9') return false;
    auto number = [&](std::size_t at, std::size_t len) {
        int v = 0;
        for (std::size_t i = at; i < at + len; ++i) v = v * 10 + (text[i] - '0');
        return v;
    };
    const int y = number(0, 4), m = number(5, 2), day = number(8, 2);
    if (m < 1 || m > 12 || day < 1 || day > 31) return false;
    // A day past the month's end comes back as another date.
    int y2, m2, d2;
    CivilFromDays(DaysFromCivil(y, m, day), y2, m2, d2);
    if (y2 != y || m2 != m || d2 != day) return false;
    d.year = y;
    d.month = m;
    d.day = day;
    return true;
}

} // namespace

bool ParseIsoDate(std::string_view text, LocalDate& d) { return ParseDateWith(text, '-', d); }

bool ParseDate(std::string_view text, LocalDate& d) { return ParseDateWith(text, '-', d) || ParseDateWith(text, '/', d); }

std::string IsoDateTime(const LocalDate& d, Time t) {
    long long s = t.Seconds();
    long long days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
    s -= days * 86400;
    int y, m, day;
    CivilFromDays(DaysFromCivil(d.year, d.month, d.day) + days, y, m, day);
    const int off = d.utcOffsetMinutes < 0 ? -d.utcOffsetMinutes : d.utcOffsetMinutes;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02lld:%02lld:%02lld%c%02d:%02d", y, m, day, s / 3600, s / 60 % 60, s % 60,
                  d.utcOffsetMinutes < 0 ? '-' : '+', off / 60, off % 60);
    return buf;
}

} // namespace quilo
