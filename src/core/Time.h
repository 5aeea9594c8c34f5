#pragma once
// Time values: whole seconds. Every input (start list, finish log, change file,
// dialogs) carries whole seconds, so comparisons are exact.
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quilo {

class Time {
public:
    constexpr Time() = default;
    constexpr explicit Time(std::int64_t seconds) : s_(seconds) {}
    static constexpr Time Hms(std::int64_t h, std::int64_t m, std::int64_t s) { return Time(h * 3600 + m * 60 + s); }
    static constexpr Time Minutes(std::int64_t m) { return Time(m * 60); }

    constexpr std::int64_t Seconds() const { return s_; }
    constexpr bool IsZero() const { return s_ == 0; }

    constexpr auto operator<=>(const Time&) const = default;
    constexpr Time operator+(Time o) const { return Time(s_ + o.s_); }
    constexpr Time operator-(Time o) const { return Time(s_ - o.s_); }

private:
    std::int64_t s_ = 0;
};

// Hours, minutes and seconds of the time of day (24 hours or more wrap).
struct DayClock {
    int h, m, s;
};
// Inline: the lists and files call it for every time they show.
inline DayClock TimeOfDay(Time t) {
    std::int64_t s = t.Seconds() % 86400;
    if (s < 0) s += 86400;
    return {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60), static_cast<int>(s % 60)};
}

// The text-to-time conversion: H:MM:SS or H:MM (one or two digits each, hours 0-23,
// minutes and seconds 0-59), blanks around the text allowed.
std::optional<Time> ParseTime(std::string_view text);

// "hh:nn:ss", "hh:nn", "h:nn'ss". The hour shown is the hour of the day (values of
// 24 hours or more wrap), as the supported range ends below 24 hours.
std::string FormatHhNnSs(Time t);
std::string FormatHhNn(Time t);
std::string FormatHNnSs(Time t);

} // namespace quilo
