#include "core/Numbers.h"

#include "core/Fields.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace quilo {

double LeadingNumber(std::string_view text) {
    std::string digits;
    digits.reserve(text.size());
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        digits += text[i];
        ++i;
    }
    bool any = false, dot = false;
    while (true) {
        skipBlanks();
        if (i >= text.size()) break;
        char ch = text[i];
        if (ch >= '0' && ch <= '9') {
            digits += ch;
            any = true;
            ++i;
        } else if (ch == '.' && !dot) {
            digits += ch;
            dot = true;
            ++i;
        } else break;
    }
    if (!any) return 0.0;
    // Exponent, only when digits follow it.
    skipBlanks();
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t save = i;
        std::string exp = "e";
        ++i;
        skipBlanks();
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            exp += text[i];
            ++i;
        }
        bool expDigits = false;
        while (true) {
            skipBlanks();
            if (i < text.size() && text[i] >= '0' && text[i] <= '9' && exp.size() < 8) {
                exp += text[i];
                ++i;
                expDigits = true;
            } else break;
        }
        if (expDigits) digits += exp;
        else i = save;
    }
    double v = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

std::int64_t RoundHalfEven(double value) {
    if (!std::isfinite(value)) return 0;
    constexpr double lim = 9.0e18;
    if (value > lim) return static_cast<std::int64_t>(lim);
    if (value < -lim) return -static_cast<std::int64_t>(lim);
    return static_cast<std::int64_t>(std::nearbyint(value));
}

int LeadingInt16(std::string_view text) {
    std::int64_t v = RoundHalfEven(LeadingNumber(text));
    if (v > 32767) return 32767;
    if (v < -32768) return -32768;
    return static_cast<int>(v);
}

std::optional<std::int32_t> ToWholeNumber(std::string_view text) {
    std::string t = TrimBlanks(text);
    if (t.empty()) return std::nullopt;
    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    bool digits = false, dot = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') digits = true;
        else if (t[i] == '.' && !dot) dot = true;
        else return std::nullopt;
    }
    if (!digits) return std::nullopt;
    double v = std::strtod(t.c_str(), nullptr);
    // More than ~308 digits overflow to infinity, which must not pass as 0.
    if (!std::isfinite(v)) return std::nullopt;
    std::int64_t r = RoundHalfEven(v);
    if (r > std::numeric_limits<std::int32_t>::max() || r < std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::string ZeroPad(std::int64_t value, int digits) {
    std::string s = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return value < 0 ? "-" + s : s;
}

} // namespace quilo
