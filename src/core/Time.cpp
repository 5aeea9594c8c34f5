#include "core/Time.h"

#include <cstdio>

namespace quilo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads 1 or 2 decimal digits at text[pos]; advances pos.
std::optional<int> TwoDigits(std::string_view text, std::size_t& pos) {
    int value = 0;
    std::size_t start = pos;
    while (pos < text.size() && pos - start < 2 && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == start) return std::nullopt;
    return value;
}

} // namespace

std::optional<Time> ParseTime(std::string_view text) {
    // The usual "H:MM:SS" / "HH:MM:SS" without blanks, read directly.
    if (text.size() == 7 || text.size() == 8) {
        const char* q = text.data() + (text.size() - 7);
        auto d = [](char ch) { return static_cast<unsigned>(ch - '0') <= 9; };
        if (d(q[0]) && q[1] == ':' && d(q[2]) && d(q[3]) && q[4] == ':' && d(q[5]) && d(q[6]) &&
            (text.size() == 7 || d(text[0]))) {
            const int h = (text.size() == 8 ? (text[0] - '0') * 10 : 0) + (q[0] - '0');
            const int m = (q[2] - '0') * 10 + (q[3] - '0');
            const int s = (q[5] - '0') * 10 + (q[6] - '0');
            if (h > 23 || m > 59 || s > 59) return std::nullopt;
            return Time::Hms(h, m, s);
        }
    }
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    text = text.substr(b, e - b);

    std::size_t pos = 0;
    int parts[3] = {0, 0, 0};
    int count = 0;
    while (true) {
        auto v = TwoDigits(text, pos);
        if (!v) return std::nullopt;
        parts[count++] = *v;
        if (pos == text.size()) break;
        if (text[pos] != ':' || count == 3) return std::nullopt;
        ++pos;
    }
    if (count < 2) return std::nullopt;
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return Time::Hms(parts[0], parts[1], parts[2]);
}

std::string FormatHhNnSs(Time t) {
    const auto [h, m, s] = TimeOfDay(t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, m, s);
    return buf;
}

std::string FormatHhNn(Time t) {
    const DayClock d = TimeOfDay(t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", d.h, d.m);
    return buf;
}

std::string FormatHNnSs(Time t) {
    const auto [h, m, s] = TimeOfDay(t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d'%02d", h, m, s);
    return buf;
}

} // namespace quilo
